#pragma once
// NMEA reception for a navigation host: the receiver thread, and the hand-off
// of each position onto the user-interface thread through `post` (a queued
// call in the GUI, a queue the CLI's loop drains, a direct call in tests). The
// reader waits until the posted call took the position or the feed is
// stopped; stop() from the user-interface thread abandons a pending hand-off,
// so it never waits for a call that cannot run.

#include <functional>
#include <memory>
#include <string>

#include "nmea/NmeaReceiver.h"
#include "platform/FileChooser.h"

namespace korvance {

class NmeaFeed : public NmeaConsumer {
public:
    using Call = std::function<void()>;
    // `post` runs a call on the user-interface thread later; it is called from the reader thread.
    explicit NmeaFeed(std::function<void(Call)> post, std::unique_ptr<SerialPort> port = nullptr);
    ~NmeaFeed() override;
    NmeaFeed(const NmeaFeed&) = delete;
    NmeaFeed& operator=(const NmeaFeed&) = delete;

    // StartNmea; `onPosition` runs on the user-interface thread with each
    // position taken, `prompt` shows a log that could not be written.
    bool start(AppSettings& settings, UserPrompt& prompt, FileChooser& chooser,
               std::function<void(const NmeaPosition&)> onPosition, const NmeaStartOptions& options = {});
    // StopNmea: the reader ends, a pending hand-off is abandoned, the log and port close.
    void stop();
    NmeaReceiver& receiver() { return receiver_; }

    void positionReady(NmeaReceiver& receiver) override;
    void logWriteFailed(const std::string& text, const std::string& caption) override;
    void connectionChanged(NmeaReceiver& receiver) override;

    // On the user-interface thread: the receiver went away ("NMEA receiver
    // lost ...", while the reader tries to reopen it) or came back ("").
    std::function<void(const std::string& problem)> onConnectionChanged;

private:
    std::function<void(Call)> post_;
    NmeaReceiver receiver_;
    std::function<void(const NmeaPosition&)> onPosition_;
    UserPrompt* prompt_ = nullptr;
    // Posted calls that run after the feed has gone find this expired.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace korvance
