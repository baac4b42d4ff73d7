#pragma once
// The NMEA reader: a thread of its own reads the serial port, runs the
// bytes through an NmeaSession and hands each complete position to a
// consumer, waiting until the consumer took it.
//
// The hand-off cannot deadlock against stop: the reader waits on a condition
// that stop() also signals, so a stop from the very thread a delivery waits
// for (the user-interface thread) abandons the pending position and returns
// as soon as the reader has left its loop. The port's wait is woken by
// SerialPort::wake(), so a silent line does not hold the stop either.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "nmea/NmeaSession.h"
#include "platform/SerialPort.h"

namespace korvance {

class NmeaReceiver;
class UserPrompt;
class FileChooser;
struct AppSettings;

// The receiving side of the hand-off. Both calls come on the reader thread
// and must not block on the thread that stops the reader.
class NmeaConsumer {
public:
    virtual ~NmeaConsumer() = default;
    // A position waits. Take it right here with receiver.takePosition(), or
    // arrange for another thread to take it (a queued call to the user
    // interface): the reader waits until it is taken or the reader is stopped.
    virtual void positionReady(NmeaReceiver& receiver) = 0;
    // The log could not be written and has been closed; show `text` with
    // `caption` and the stop icon. Reception goes on.
    virtual void logWriteFailed(const std::string& text, const std::string& caption) = 0;
    // The receiver went away or came back (receiver.lost(), receiver.problem()).
    virtual void connectionChanged(NmeaReceiver& /*receiver*/) {}
};

// A line for a log or a terminal on a change of connection: the receiver's
// problem while it is lost, a note that it is back otherwise.
inline std::string NmeaConnectionText(const std::string& problem) {
    return problem.empty() ? "NMEA receiver back, reading again" : problem;
}

// The pause before the n-th attempt (1, 2, ...) to reopen a receiver that
// went away: a quarter of a second, doubling up to four seconds.
int NmeaReopenPauseMs(int attempt);

class NmeaReceiver {
public:
    // Without a port the receiver uses the POSIX serial port.
    explicit NmeaReceiver(std::unique_ptr<SerialPort> port = nullptr);
    ~NmeaReceiver();
    NmeaReceiver(const NmeaReceiver&) = delete;
    NmeaReceiver& operator=(const NmeaReceiver&) = delete;

    SerialPort& port() { return *port_; }
    bool openPort(const std::string& device, uint32_t baud);
    // The text of the last failed openPort().
    const std::string& portError() const { return portError_; }

    // OpenNmeaLog / CloseNmeaLog. Not while running.
    bool openLog(const std::string& path);
    void closeLog();
    bool logOpen() const { return session_.log().isOpen(); }
    int logError() const { return session_.log().error(); }
    // The log filter (NMEASentence in 8-bit text) and SaveOnlyValidNMEA. Not while running.
    void setFilter(const std::string& oemList) { filter_ = oemList; }
    void setSaveOnlyValid(bool only) { session_.setSaveOnlyValid(only); }

    // Starts the reader on the open port. False when the port is not open
    // or the reader runs already.
    bool start(NmeaConsumer& consumer);
    // Ends the reader and waits for it; a pending hand-off is abandoned.
    // From the reader thread itself (a consumer's callback) it only asks the
    // reader to end; the next stop() from another thread waits for it.
    void stop();
    bool running() const { return running_.load(); }
    // True once the reader has flushed the port's input and reads; bytes that
    // arrive from then on are its to take.
    bool reading() const { return reading_.load(); }
    // Waits at most timeoutMs for reading().
    bool waitUntilReading(int timeoutMs) const;

    // True while the receiver is gone (hang-up or read error) and the reader
    // tries to open the same device path again, with a growing pause, until
    // it comes back or the reader is stopped.
    bool lost() const { return lost_.load(); }
    // While lost: what the status bar says ("" otherwise).
    std::string problem() const;

    // Takes the pending position (any thread). False when none waits.
    // `whileHeld` runs after the position became the last one and before the
    // reader is let go, so the reader waits for it (the navigation tick); a
    // stop from inside it still ends the reader.
    bool takePosition(NmeaPosition* out = nullptr, const std::function<void()>& whileHeld = {});
    bool positionPending() const;

    // The last position taken (the view's four accessors).
    double latitude() const;
    double longitude() const;
    double altitude() const;
    int64_t time() const;
    NmeaPosition lastPosition() const;

    // Counters of the session; read them while the reader is stopped.
    const NmeaCounters& counters() const { return session_.counters(); }

private:
    class Sink;
    void run(NmeaConsumer* consumer);
    bool deliver(NmeaConsumer& consumer, const NmeaPosition& position);
    // Reopens the lost port; false when told to stop meanwhile.
    bool reopen(NmeaConsumer& consumer);
    void setLost(NmeaConsumer& consumer, bool lost, std::string problem);

    std::unique_ptr<SerialPort> port_;
    std::string device_;
    uint32_t baud_ = 0;
    std::string portError_;
    std::string filter_ = "RMC";
    NmeaSession session_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> reading_{false};
    std::atomic<bool> lost_{false};
    std::atomic<std::thread::id> readerId_{};

    mutable std::mutex mutex_;
    // Signalled when a position was taken and when a stop is asked.
    std::condition_variable taken_;
    std::string problem_;
    bool stopRequested_ = false;
    bool pending_ = false;
    NmeaPosition pendingPosition_;
    NmeaPosition lastPosition_;
};

inline constexpr const char* kMsgSaveNmea = "Do you wish to save NMEA sentence?";

// The start of "N&MEA Navigation": corrects NMEABaudrate (outside 4800..115200
// it becomes 4800, in the settings), opens the port of CommDevice / CommPort
// at that speed, asks whether to log the sentences and where, and starts the
// reader. A port that cannot be opened is reported and nothing starts (false).
// NMEASentence is turned into 8-bit text of the CodePage setting for the filter.
//
// A receiver of the program's own (the demo's simulated one) is read from its
// `device` instead of the settings' port, and `offerLog` false leaves its
// sentences unlogged without asking.
struct NmeaStartOptions {
    std::string device;  // "" for CommDevice / CommPort
    bool offerLog = true;
};
bool StartNmea(NmeaReceiver& receiver, AppSettings& settings, UserPrompt& prompt, FileChooser& chooser,
               NmeaConsumer& consumer, const NmeaStartOptions& options = {});
// The stop: ends the reader, closes the log and the port.
void StopNmea(NmeaReceiver& receiver);

// The NMEABaudrate rule: values outside 4800..115200 become 4800.
uint32_t CorrectNmeaBaudrate(AppSettings& settings);

}  // namespace korvance
