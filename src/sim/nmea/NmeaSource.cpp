#include "sim/nmea/NmeaSource.h"

#include <poll.h>

#include <chrono>
#include <sstream>

#include "data/TextUtil.h"

namespace korvance {

bool ParseNmeaFaults(const std::string& spec, NmeaFaults& faults, std::string& error) {
    faults = {};
    std::stringstream in(spec);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (item.empty()) continue;
        size_t eq = item.find('=');
        std::string key = item.substr(0, eq);
        std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
        if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos || value.size() > 6) {
            error = "fault '" + item + "' needs a count (name=N)";
            return false;
        }
        int n = parseInteger(value);
        if (key == "checksum") faults.checksumEvery = n;
        else if (key == "cut") faults.cutEvery = n;
        else if (key == "long") faults.longEvery = n;
        else if (key == "burst") faults.burstEvery = n;
        else if (key == "invalid") faults.invalidEvery = n;
        else {
            error = "unknown fault '" + key + "' (checksum, cut, long, burst, invalid)";
            return false;
        }
    }
    return true;
}

bool NmeaEpochWriter::add(NmeaEpochText& out, std::string sentence) {
    ++sentences_;
    bool swallowed = swallowNext_;
    swallowNext_ = false;
    if (faults_.checksumEvery > 0 && sentences_ % static_cast<uint64_t>(faults_.checksumEvery) == 0) {
        // The first checksum digit moves to another hex digit.
        char& digit = sentence[sentence.size() - 4];
        digit = digit == '0' ? '1' : '0';
        out.text += sentence;
        return false;
    }
    if (faults_.cutEvery > 0 && sentences_ % static_cast<uint64_t>(faults_.cutEvery) == 0) {
        out.text += sentence.substr(0, sentence.size() / 2);
        swallowNext_ = true;
        return false;
    }
    out.text += sentence;
    return !swallowed;
}

NmeaEpochText NmeaEpochWriter::epoch(const NmeaTrackPoint& p, int index) {
    NmeaEpochText out;
    uint64_t n = static_cast<uint64_t>(index) + 1;
    if (faults_.longEvery > 0 && n % static_cast<uint64_t>(faults_.longEvery) == 0) {
        out.text += FrameNmea("GPTXT,01,01,02," + std::string(180, 'X'));
        swallowNext_ = false;  // a cut line before it is lost with it
    }
    if (faults_.burstEvery > 0 && n % static_cast<uint64_t>(faults_.burstEvery) == 0) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 0; i < 600; ++i) {
            char c = static_cast<char>(byte(random_));
            out.text += c == '\n' ? ' ' : c;
        }
        swallowNext_ = true;  // noise without a line end swallows the sentence after it
    }
    out.valid = !(faults_.invalidEvery > 0 && n % static_cast<uint64_t>(faults_.invalidEvery) == 0);
    out.ggaIntact = add(out, FormatGga(p));
    if (all_) {
        add(out, FormatGsa());
        add(out, FormatGsv(index));
    }
    out.rmcIntact = add(out, FormatRmc(p, out.valid));
    if (all_) add(out, FormatVtg(p));
    return out;
}

NmeaSource::NmeaSource(std::vector<NmeaTrackPoint> track, double rateHz, NmeaFaults faults, bool loop)
    : track_(std::move(track)), rateHz_(rateHz > 0 ? rateHz : 1.0), loop_(loop), writer_(faults) {}

NmeaSource::~NmeaSource() { stop(); }

bool NmeaSource::start() {
    if (thread_.joinable()) return false;
    pty_ = std::make_unique<PseudoTerminal>();
    if (!pty_->ok()) return false;
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void NmeaSource::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

const std::string& NmeaSource::devicePath() const {
    static const std::string none;
    return pty_ ? pty_->slavePath() : none;
}

bool NmeaSource::waitFinished(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return epochs_ >= track_.size(); });
}

uint64_t NmeaSource::epochsWritten() const {
    std::lock_guard lock(mutex_);
    return epochs_;
}

std::vector<NmeaEpochText> NmeaSource::written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

void NmeaSource::hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void NmeaSource::release() {
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    changed_.notify_all();
}

void NmeaSource::run() {
    using Clock = std::chrono::steady_clock;
    auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rateHz_));
    auto next = Clock::now();
    size_t index = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            if (held_) {
                changed_.wait(lock, [this] { return stop_ || !held_; });
                next = Clock::now();
            }
            if (changed_.wait_until(lock, next, [this] { return stop_; })) return;
        }
        next += period;
        if (track_.empty()) continue;
        if (index >= track_.size()) {
            if (!loop_) continue;
            index = 0;
        }
        NmeaEpochText e = writer_.epoch(track_[index], static_cast<int>(index));
        // A receiver does not wait for its listener: with nobody reading and
        // the line's buffer full, the epoch is lost (and stop stays prompt).
        pollfd room{pty_->fd(), POLLOUT, 0};
        if (::poll(&room, 1, 0) == 1 && (room.revents & POLLOUT))
            pty_->writeAll(reinterpret_cast<const uint8_t*>(e.text.data()), e.text.size());
        {
            std::lock_guard lock(mutex_);
            if (written_.size() < track_.size()) written_.push_back(std::move(e));
            ++epochs_;
        }
        changed_.notify_all();
        ++index;
    }
}

}  // namespace korvance
