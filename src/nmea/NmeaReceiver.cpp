#include "nmea/NmeaReceiver.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"
#include "settings/AppSettings.h"

namespace korvance {

namespace {

constexpr const char* kCaption = "korvance";
// How long the reader waits for bytes before it looks at the stop request
// again; stop() wakes the wait at once, this only bounds a lost wake.
constexpr int kWaitMs = 500;
constexpr int kFirstReopenPauseMs = 250;
constexpr int kLongestReopenPauseMs = 4000;

}  // namespace

class NmeaReceiver::Sink : public NmeaSessionSink {
public:
    Sink(NmeaReceiver& receiver, NmeaConsumer& consumer) : receiver_(receiver), consumer_(consumer) {}
    bool deliver(const NmeaPosition& position) override { return receiver_.deliver(consumer_, position); }
    void logWriteFailed(int code) override {
        consumer_.logWriteFailed(LogWriteFailureText(code), LastErrorCaption(static_cast<unsigned long>(code)));
    }

private:
    NmeaReceiver& receiver_;
    NmeaConsumer& consumer_;
};

int NmeaReopenPauseMs(int attempt) {
    int pause = kFirstReopenPauseMs;
    for (int i = 1; i < attempt && pause < kLongestReopenPauseMs; ++i) pause *= 2;
    return std::min(pause, kLongestReopenPauseMs);
}

NmeaReceiver::NmeaReceiver(std::unique_ptr<SerialPort> port)
    : port_(port ? std::move(port) : std::make_unique<PosixSerialPort>()) {}

NmeaReceiver::~NmeaReceiver() { stop(); }

bool NmeaReceiver::openPort(const std::string& device, uint32_t baud) {
    if (running()) return false;
    port_->close();
    if (device.empty()) {
        portError_ = "no serial port found";
        return false;
    }
    if (!port_->open(device, baud)) {
        portError_ = port_->lastError();
        return false;
    }
    portError_.clear();
    device_ = device;
    baud_ = baud;
    return true;
}

bool NmeaReceiver::openLog(const std::string& path) {
    if (thread_.joinable()) return false;
    return session_.log().open(path);
}

void NmeaReceiver::closeLog() {
    if (thread_.joinable()) return;
    session_.log().close();
}

bool NmeaReceiver::start(NmeaConsumer& consumer) {
    if (thread_.joinable() || !port_->isOpen()) return false;
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = false;
        pending_ = false;
        problem_.clear();
    }
    if (device_.empty()) {
        device_ = port_->device();
        baud_ = port_->baudRate();
    }
    lost_ = false;
    running_ = true;
    thread_ = std::thread([this, &consumer] { run(&consumer); });
    return true;
}

void NmeaReceiver::stop() {
    bool onReader = readerId_.load() == std::this_thread::get_id();
    if (!onReader && !thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
        pending_ = false;
    }
    taken_.notify_all();
    port_->wake();
    if (onReader) return;
    thread_.join();
    readerId_ = std::thread::id();
    running_ = false;
}

void NmeaReceiver::run(NmeaConsumer* consumer) {
    readerId_ = std::this_thread::get_id();
    Sink sink(*this, *consumer);
    port_->flushInput();
    session_.setFilter(filter_);
    reading_ = true;
    std::vector<uint8_t> chunk(NmeaLineBuffer::kCapacity);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopRequested_) break;
        }
        if (port_->lost() || !port_->isOpen()) {
            if (!reopen(*consumer)) break;
            continue;
        }
        if (!port_->waitForData(kWaitMs)) continue;
        size_t queued = port_->bytesQueued();
        if (queued == 0) continue;
        // Read no more than the ring can take: the rest waits in the port's
        // own queue instead of being dropped.
        size_t want = std::min(queued, session_.room());
        size_t got = port_->read(chunk.data(), want, 0);
        if (got > 0 && !session_.feed(chunk.data(), got, sink)) break;
    }
    {
        std::lock_guard lock(mutex_);
        problem_.clear();
    }
    lost_ = false;
    reading_ = false;
    running_ = false;
}

bool NmeaReceiver::reopen(NmeaConsumer& consumer) {
    port_->close();
    setLost(consumer, true, device_ + ": disconnected");
    for (int attempt = 1;; ++attempt) {
        {
            std::unique_lock lock(mutex_);
            if (taken_.wait_for(lock, std::chrono::milliseconds(NmeaReopenPauseMs(attempt)),
                                [this] { return stopRequested_; }))
                return false;
        }
        if (port_->open(device_, baud_)) break;
        setLost(consumer, true, port_->lastError());
    }
    // What was half received before the receiver went away must not join
    // the first line after it came back.
    port_->flushInput();
    session_.restart();
    setLost(consumer, false, {});
    return true;
}

void NmeaReceiver::setLost(NmeaConsumer& consumer, bool lost, std::string reason) {
    {
        std::lock_guard lock(mutex_);
        const std::string problem = lost ? "NMEA receiver lost (" + reason + "), trying again" : std::string();
        if (lost_.load() == lost && problem_ == problem) return;
        problem_ = problem;
        lost_ = lost;
    }
    consumer.connectionChanged(*this);
}

std::string NmeaReceiver::problem() const {
    std::lock_guard lock(mutex_);
    return problem_;
}

bool NmeaReceiver::waitUntilReading(int timeoutMs) const {
    for (int waited = 0; !reading(); waited += 2) {
        if (waited >= timeoutMs || !running()) return reading();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool NmeaReceiver::deliver(NmeaConsumer& consumer, const NmeaPosition& position) {
    {
        std::lock_guard lock(mutex_);
        if (stopRequested_) return false;
        pendingPosition_ = position;
        pending_ = true;
    }
    consumer.positionReady(*this);
    std::unique_lock lock(mutex_);
    taken_.wait(lock, [this] { return !pending_ || stopRequested_; });
    pending_ = false;
    return !stopRequested_;
}

bool NmeaReceiver::takePosition(NmeaPosition* out, const std::function<void()>& whileHeld) {
    {
        std::lock_guard lock(mutex_);
        if (!pending_) return false;
        lastPosition_ = pendingPosition_;
        if (out) *out = pendingPosition_;
        if (!whileHeld) pending_ = false;
    }
    if (whileHeld) {
        whileHeld();
        std::lock_guard lock(mutex_);
        pending_ = false;
    }
    taken_.notify_all();
    return true;
}

bool NmeaReceiver::positionPending() const {
    std::lock_guard lock(mutex_);
    return pending_;
}

NmeaPosition NmeaReceiver::lastPosition() const {
    std::lock_guard lock(mutex_);
    return lastPosition_;
}
double NmeaReceiver::latitude() const { return lastPosition().latitude; }
double NmeaReceiver::longitude() const { return lastPosition().longitude; }
double NmeaReceiver::altitude() const { return lastPosition().altitude; }
int64_t NmeaReceiver::time() const { return lastPosition().time; }

uint32_t CorrectNmeaBaudrate(AppSettings& settings) {
    if (settings.NMEABaudrate < 4800 || settings.NMEABaudrate > 115200) settings.NMEABaudrate = 4800;
    return settings.NMEABaudrate;
}

bool StartNmea(NmeaReceiver& receiver, AppSettings& settings, UserPrompt& prompt, FileChooser& chooser,
               NmeaConsumer& consumer, const NmeaStartOptions& options) {
    if (receiver.running()) return false;
    uint32_t baud = CorrectNmeaBaudrate(settings);
    std::string device = !options.device.empty()
                             ? options.device
                             : resolveSerialDevice(settings.CommDevice, static_cast<int>(settings.CommPort));
    if (!receiver.openPort(device, baud)) {
        prompt.message(receiver.portError(), kCaption, Icon::Stop);
        return false;
    }
    if (options.offerLog && prompt.ask(kMsgSaveNmea, kCaption, Buttons::YesNo, Icon::Question) == Answer::Yes) {
        auto path = chooser.chooseSave({{"NMEA file", "*.nme"}, {"all files", "*.*"}}, settings.DataPath, "nme",
                                       "Save NMEA Sentences");
        if (path) {
            std::string tidy = TidyNmeaLogPath(*path);
            if (!receiver.openLog(tidy)) {
                // The log is optional: say why there is none and read on without it.
                int code = receiver.logError();
                prompt.systemFailure(tidy, LastErrorCaption(static_cast<unsigned long>(code)), Icon::Stop, tidy,
                                     code);
            }
        }
    }
    CodePage codePage(settings.CodePage);
    std::string filter = codePage.fromUtf8(settings.NMEASentence);
    filter.resize(codePage.cutLength(filter, 127));  // a 128-byte buffer with its terminating zero
    receiver.setFilter(filter);
    receiver.setSaveOnlyValid(settings.SaveOnlyValidNMEA != 0);
    if (!receiver.start(consumer)) {
        receiver.closeLog();
        receiver.port().close();
        return false;
    }
    return true;
}

void StopNmea(NmeaReceiver& receiver) {
    receiver.stop();
    receiver.closeLog();
    receiver.port().close();
}

}  // namespace korvance
