#include "view/NmeaFeed.h"

#include "platform/UserPrompt.h"

namespace korvance {

NmeaFeed::NmeaFeed(std::function<void(Call)> post, std::unique_ptr<SerialPort> port)
    : post_(std::move(post)), receiver_(std::move(port)) {}

NmeaFeed::~NmeaFeed() { stop(); }

bool NmeaFeed::start(AppSettings& settings, UserPrompt& prompt, FileChooser& chooser,
                     std::function<void(const NmeaPosition&)> onPosition, const NmeaStartOptions& options) {
    onPosition_ = std::move(onPosition);
    prompt_ = &prompt;
    return StartNmea(receiver_, settings, prompt, chooser, *this, options);
}

void NmeaFeed::stop() { StopNmea(receiver_); }

void NmeaFeed::positionReady(NmeaReceiver&) {
    // Only the reader thread copies the token, and only while the feed runs:
    // stop() joins the reader before the feed can go.
    post_([alive = std::weak_ptr<int>(alive_), this] {
        if (alive.expired()) return;
        // The tick runs while the reader still waits for it.
        NmeaPosition p;
        receiver_.takePosition(&p, [&] {
            if (onPosition_) onPosition_(p);
        });
    });
}

void NmeaFeed::connectionChanged(NmeaReceiver& receiver) {
    post_([alive = std::weak_ptr<int>(alive_), this, problem = receiver.problem()] {
        if (!alive.expired() && onConnectionChanged) onConnectionChanged(problem);
    });
}

void NmeaFeed::logWriteFailed(const std::string& text, const std::string& caption) {
    post_([alive = std::weak_ptr<int>(alive_), this, text, caption] {
        if (!alive.expired() && prompt_) prompt_->message(text, caption, Icon::Stop);
    });
}

}  // namespace korvance
