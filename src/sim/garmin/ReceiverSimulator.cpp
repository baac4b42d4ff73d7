#include "sim/garmin/ReceiverSimulator.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <sstream>

#include "data/Bytes.h"

namespace korvance {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSendTries = 20;
constexpr double kPi = 3.14159265358979323846;

int32_t semicircles(double deg) {
    double v = std::llround(deg * (2147483648.0 / 180.0));
    if (v >= 2147483648.0) v -= 4294967296.0;
    return static_cast<int32_t>(v);
}
double degrees(int32_t s) { return s * (180.0 / 2147483648.0); }

void putString(std::vector<uint8_t>& d, std::string_view s) {
    d.insert(d.end(), s.begin(), s.end());
    d.push_back(0);
}

// Record encodings of the device, written from the receiver's point of view.
std::vector<uint8_t> d103(const WaypointRecord& w) {
    std::vector<uint8_t> d(60, 0);
    ByteWriter b(d);
    b.padded(w.identifier.view(), 6, ' ');
    b.i32(semicircles(w.latitude));
    b.i32(semicircles(w.longitude));
    b.u32(0);
    b.padded(w.comment.view(), 40, ' ');
    b.u8(static_cast<uint8_t>(w.symbol));
    b.u8(static_cast<uint8_t>(w.displayOption));
    return d;
}

std::vector<uint8_t> d108(const WaypointRecord& w) {
    std::vector<uint8_t> d(48, 0);
    ByteWriter b(d);
    b.u8(0);     // class: user waypoint
    b.u8(0xFF);  // colour: default
    b.u8(static_cast<uint8_t>(w.displayOption));
    b.u8(0x60);
    b.i16(w.symbol);
    b.zeros(6);
    for (int i = 0; i < 12; ++i) b.u8(0xFF);
    b.i32(semicircles(w.latitude));
    b.i32(semicircles(w.longitude));
    b.f32(w.altitude);
    b.f32(1.0e25f);  // depth: none
    b.f32(w.proximity != 0 ? w.proximity : 1.0e25f);
    b.bytes("  ", 2);  // state
    b.bytes("  ", 2);  // country
    putString(d, w.identifier.view());
    putString(d, w.comment.view());
    putString(d, "");  // facility
    putString(d, "");  // city
    putString(d, "");  // address
    putString(d, "");  // cross road
    return d;
}

// Reads zero-terminated strings from `at`; a string cut by the end of the
// record ends there.
std::string cString(const Frame& f, size_t& at) {
    std::string s;
    const size_t n = frameDataLength(f);
    while (at < n && f[3 + at]) s.push_back(static_cast<char>(f[3 + at++]));
    if (at < n) ++at;
    return s;
}

std::string trimRight(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool decodeWaypoint(int32_t type, const Frame& f, WaypointRecord& w, std::string& why) {
    const size_t n = frameDataLength(f);
    w = WaypointRecord{};
    if (type == 4103) {
        if (n != 60) {
            why = "Received an Invalid WPT (size " + std::to_string(n) + ")";
            return false;
        }
        std::string id(reinterpret_cast<const char*>(f.data() + 3), 6);
        std::string cm(reinterpret_cast<const char*>(f.data() + 21), 40);
        w.identifier.set(trimRight(id));
        w.comment.set(trimRight(cm));
        w.latitude = degrees(static_cast<int32_t>(frameU32(f, 6)));
        w.longitude = degrees(static_cast<int32_t>(frameU32(f, 10)));
        w.symbol = frameByte(f, 58);
        w.displayOption = frameByte(f, 59);
        return true;
    }
    if (n < 49) {
        why = "Received an Invalid WPT (size " + std::to_string(n) + ")";
        return false;
    }
    w.displayOption = frameByte(f, 2);
    w.symbol = static_cast<int16_t>(frameU16(f, 4));
    w.latitude = degrees(static_cast<int32_t>(frameU32(f, 24)));
    w.longitude = degrees(static_cast<int32_t>(frameU32(f, 28)));
    const float alt = frameF32(f, 32);
    w.altitude = std::fabs(alt) < 1.0e24f ? alt : 0.0f;
    const float dist = frameF32(f, 40);
    w.proximity = std::fabs(dist) < 1.0e24f ? dist : 0.0f;
    size_t at = 48;
    w.identifier.set(cString(f, at));
    w.comment.set(cString(f, at));
    if (w.identifier.empty()) {
        why = "Received an Invalid WPT (no identifier)";
        return false;
    }
    return true;
}

std::vector<uint8_t> speedBytes(const std::vector<uint32_t>& speeds) {
    std::vector<uint8_t> d(4 * speeds.size());
    ByteWriter b(d);
    for (uint32_t s : speeds) b.u32(s);
    return d;
}

uint32_t speedOf(speed_t s) {
    switch (s) {
        case B1200: return 1200;
        case B2400: return 2400;
        case B4800: return 4800;
        case B9600: return 9600;
        case B19200: return 19200;
        case B38400: return 38400;
        case B57600: return 57600;
        case B115200: return 115200;
        case B230400: return 230400;
        default: return 0;
    }
}

WaypointRecord wpt(const char* id, double lat, double lon, float alt, int16_t sym, const char* comment) {
    WaypointRecord w;
    w.identifier.set(id);
    w.latitude = lat;
    w.longitude = lon;
    w.altitude = alt;
    w.symbol = sym;
    w.comment.set(comment);
    return w;
}

}  // namespace

bool ParseSimProfile(const std::string& name, SimProfile& p) {
    if (name == "new") p = SimProfile::New;
    else if (name == "old") p = SimProfile::Old;
    else if (name == "japanese") p = SimProfile::Japanese;
    else return false;
    return true;
}

const char* SimProfileName(SimProfile p) {
    switch (p) {
        case SimProfile::New: return "new";
        case SimProfile::Old: return "old";
        case SimProfile::Japanese: return "japanese";
    }
    return "?";
}

bool ParseSimFaults(const std::string& spec, SimFaults& faults, std::string& error) {
    SimFaults f;
    std::stringstream ss(spec);
    std::string item;
    while (std::getline(ss, item, ',')) {
        if (item.empty()) continue;
        const size_t eq = item.find('=');
        const std::string key = item.substr(0, eq);
        long v = -1;
        if (eq != std::string::npos) {
            char* end = nullptr;
            v = std::strtol(item.c_str() + eq + 1, &end, 10);
            if (!end || *end || v < 0 || v > 1000000) v = -1;
        }
        if (v < 0) {
            error = "bad fault \"" + item + "\" (expected checksum=N, dropack=N, silent=N or garbage=N)";
            return false;
        }
        if (key == "checksum") f.corruptEvery = static_cast<int>(v);
        else if (key == "dropack") f.dropEvery = static_cast<int>(v);
        else if (key == "silent") f.silentAfter = static_cast<int>(v);
        else if (key == "garbage") f.garbageEvery = static_cast<int>(v);
        else {
            error = "unknown fault \"" + key + "\" (expected checksum, dropack, silent or garbage)";
            return false;
        }
    }
    faults = f;
    return true;
}

ReceiverData BuiltinReceiverData(SimProfile profile) {
    ReceiverData d;
    if (profile == SimProfile::Japanese) {
        // Identifiers in the receiver's own character codes (48 83: katakana TA and "1").
        const char id1[] = {48, 83, 82, 0};
        const char id2[] = {33, 34, 92, 84, 0};
        d.waypoints = {wpt(id1, 35.681236, 139.767125, 0, 18, "TOKYO ST"),
                       wpt(id2, 35.658581, 139.745433, 0, 18, "TOWER")};
    } else if (profile == SimProfile::Old) {
        d.waypoints = {wpt("HOME", 52.520008, 13.404954, 0, 18, "HOUSE BY THE RIVER"),
                       wpt("CAMP1", 52.480123, 13.351234, 0, 10, "FIRST CAMP"),
                       wpt("PEAK", 52.601000, 13.250500, 0, 8, ""),
                       wpt("WELL10", -33.868820, 151.209290, 0, 18, "SOUTH")};
    } else {
        d.waypoints = {wpt("HOME", 52.520008, 13.404954, 34.5f, 18, "house by the river"),
                       wpt("CAMP1", 52.480123, 13.351234, 41.0f, 10, "first camp"),
                       wpt("PEAK", 47.421111, 10.985278, 2962.0f, 8, "summit"),
                       wpt("HARBOUR", -33.868820, 151.209290, 2.0f, 18, "south"),
                       wpt("DLE", 0.0000856, -0.0000019, 16.0f, 16, "bytes of 0x10")};
    }
    Route r1;
    r1.name.set(profile == SimProfile::New ? "TO THE PEAK" : "TO PEAK");
    r1.waypoints = {d.waypoints[0], d.waypoints[1]};
    if (d.waypoints.size() > 2) r1.waypoints.push_back(d.waypoints[2]);
    Route r2;
    r2.name.set("BACK");
    r2.waypoints = {d.waypoints[1], d.waypoints[0]};
    d.routes = {r1, r2};
    for (int i = 0; i < 24; ++i) {
        TrackPoint p;
        p.latitude = 52.5 + i * 0.0011;
        p.longitude = 13.4 - i * 0.0007;
        p.time = 700000000u + static_cast<uint32_t>(i * 30);
        p.altitude = profile == SimProfile::New ? 30.0f + i : 0.0f;
        p.segment = i < 14 ? 1 : 2;
        d.track.push_back(p);
    }
    return d;
}

ReceiverSimulator::ReceiverSimulator(SimProfile profile, ReceiverData data)
    : profile_(profile), data_(std::move(data)) {
    if (data_.waypoints.empty() && data_.routes.empty() && data_.track.empty()) data_ = BuiltinReceiverData(profile);
    if (!data_.track.empty()) {
        posLat_ = data_.track.back().latitude;
        posLon_ = data_.track.back().longitude;
        posTime_ = int64_t(data_.track.back().time) + 631065600;
    }
}

ReceiverSimulator::~ReceiverSimulator() { stop(); }

bool ReceiverSimulator::start() {
    if (thread_.joinable()) return true;
    pty_ = std::make_unique<PseudoTerminal>();
    if (!pty_->ok()) return false;
    path_ = pty_->slavePath();
    slaveFd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void ReceiverSimulator::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (slaveFd_ >= 0) {
        ::close(slaveFd_);
        slaveFd_ = -1;
    }
}

const std::string& ReceiverSimulator::devicePath() const { return path_; }

void ReceiverSimulator::setFaults(const SimFaults& f) {
    std::lock_guard<std::mutex> l(mutex_);
    faults_ = f;
}
void ReceiverSimulator::setSpeeds(std::vector<uint32_t> s) {
    std::lock_guard<std::mutex> l(mutex_);
    speeds_ = std::move(s);
}
void ReceiverSimulator::setSpeedAnswerFactor(double f) {
    std::lock_guard<std::mutex> l(mutex_);
    speedFactor_ = f;
}
void ReceiverSimulator::setRefuseSpeedCheck(bool r) {
    std::lock_guard<std::mutex> l(mutex_);
    refuseSpeedCheck_ = r;
}
void ReceiverSimulator::setMoving(bool moving) {
    std::lock_guard<std::mutex> l(mutex_);
    moving_ = moving;
}

std::unique_ptr<ReceiverSimulator> StartReceiverSimulator(SimProfile profile, ReceiverData data, bool moving) {
    auto sim = std::make_unique<ReceiverSimulator>(profile, std::move(data));
    sim->setMoving(moving);
    if (!sim->start()) return nullptr;
    return sim;
}

void ReceiverSimulator::setPosition(double lat, double lon, int64_t t) {
    std::lock_guard<std::mutex> l(mutex_);
    posLat_ = lat;
    posLon_ = lon;
    posTime_ = t;
}

uint16_t ReceiverSimulator::productId() const {
    switch (profile_) {
        case SimProfile::New: return 130;
        case SimProfile::Old: return 77;
        case SimProfile::Japanese: return 105;
    }
    return 0;
}

int32_t ReceiverSimulator::waypointType() const { return profile_ == SimProfile::New ? 4108 : 4103; }
int32_t ReceiverSimulator::trackPointType() const { return profile_ == SimProfile::New ? 4301 : 4300; }

std::vector<SimUpload> ReceiverSimulator::uploads() const {
    std::lock_guard<std::mutex> l(mutex_);
    return uploads_;
}
ReceiverData ReceiverSimulator::data() const {
    std::lock_guard<std::mutex> l(mutex_);
    return data_;
}
std::vector<uint8_t> ReceiverSimulator::receivedIds() const {
    std::lock_guard<std::mutex> l(mutex_);
    return receivedIds_;
}
std::vector<Frame> ReceiverSimulator::unknownFrames() const {
    std::lock_guard<std::mutex> l(mutex_);
    return unknown_;
}

uint32_t ReceiverSimulator::hostSpeed() const {
    if (slaveFd_ < 0) return 0;
    termios tio{};
    if (tcgetattr(slaveFd_, &tio) != 0) return 0;
    return speedOf(cfgetospeed(&tio));
}

void ReceiverSimulator::run() {
    while (!stop_) {
        Frame f;
        if (!pending_.empty()) {
            f = pending_.front();
            pending_.erase(pending_.begin());
        } else if (!readFrame(f, 50)) {
            continue;
        }
        handle(f);
    }
}

bool ReceiverSimulator::readFrame(Frame& f, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (inPos_ < inBuf_.size()) {
            if (decoder_.feed(inBuf_[inPos_++])) {
                f = decoder_.frame();
                return true;
            }
        }
        if (stop_) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        inBuf_.resize(4096);
        const size_t n = pty_->read(inBuf_.data(), inBuf_.size(), static_cast<int>(std::min<long long>(left, 50)));
        inBuf_.resize(n);
        inPos_ = 0;
    }
}

void ReceiverSimulator::writeFrame(Frame f, bool corrupt) {
    setChecksum(f);
    if (corrupt) f[f.size() - 3] ^= 0x5A;
    int garbageEvery;
    {
        std::lock_guard<std::mutex> l(mutex_);
        garbageEvery = faults_.garbageEvery;
    }
    // Noise only while records travel, so that identification still succeeds
    // and the transfer itself meets it.
    if (garbageEvery > 0 && (uploading_ || sendingRecords_) && (++framesWritten_ % garbageEvery) == 0) {
        // Line noise: no DLE among it, the host must skip it byte by byte,
        // and an ETX to tempt a reader that resynchronises on trailers.
        static const uint8_t noise[] = {0x00, 0xFF, 0x55, 0x03, 0xAA, 0x7E, 0x81};
        pty_->writeAll(noise, sizeof noise);
    }
    const auto wire = stuffFrame(f);
    pty_->writeAll(wire.data(), wire.size());
}

void ReceiverSimulator::ack(uint8_t id) { writeFrame(makeFrame(pid::Ack, {id, 0}), false); }

bool ReceiverSimulator::sendData(const Frame& f) {
    for (int attempt = 0; attempt < kSendTries && !stop_; ++attempt) {
        int every;
        {
            std::lock_guard<std::mutex> l(mutex_);
            every = faults_.corruptEvery;
        }
        const bool corrupt = every > 0 && (++sentCount_ % every) == 0;
        writeFrame(f, corrupt);
        const auto deadline = Clock::now() + std::chrono::milliseconds(replyTimeoutMs_.load());
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            Frame r;
            if (left <= 0 || !readFrame(r, static_cast<int>(left))) break;  // no answer: send again
            {
                std::lock_guard<std::mutex> l(mutex_);
                receivedIds_.push_back(frameId(r));
                if (faults_.silentAfter >= 0 && ++packetsReceived_ > faults_.silentAfter) silent_ = true;
            }
            if (silent_) return false;
            if (!checksumOk(r)) continue;
            if (frameId(r) == pid::Ack) {
                if (frameByte(r, 0) == frameId(f)) return true;
                break;  // the host repeats an older acknowledgement: it missed this packet
            }
            if (frameId(r) == pid::Nak) {
                ++naksReceived_;
                break;
            }
            pending_.push_back(r);  // the host has moved on
            return false;
        }
    }
    return false;
}

void ReceiverSimulator::handle(const Frame& f) {
    SimFaults faults;
    bool refuseCheck;
    {
        std::lock_guard<std::mutex> l(mutex_);
        receivedIds_.push_back(frameId(f));
        faults = faults_;
        refuseCheck = refuseSpeedCheck_;
        if (!silent_ && faults.silentAfter >= 0 && ++packetsReceived_ > faults.silentAfter) silent_ = true;
    }
    if (silent_) return;
    const uint8_t id = frameId(f);
    if (!checksumOk(f)) {
        writeFrame(makeFrame(pid::Nak, {id, 0}), false);
        ++naksSent_;
        return;
    }
    if (id == pid::Ack) return;
    if (id == pid::Nak) {
        ++naksReceived_;
        return;
    }
    // A host at another line speed than ours arrives as noise.
    if (const uint32_t hs = hostSpeed(); hs && hs != speed_) return;
    if (faults.dropEvery > 0 && (++hostPackets_ % faults.dropEvery) == 0) return;
    if (id == pid::Command && frameU16(f, 0) == cmd::SpeedCheck && refuseCheck) return;
    // Back to 9600 as the acknowledgement leaves: the host switches on receiving it.
    if (id == pid::SpeedRestore) speed_ = 9600;
    if (uploading_) {
        // Stored before the acknowledgement leaves, so that whoever sees the
        // acknowledgement also sees the upload.
        if (id == pid::XferComplete) {
            finishUpload(frameU16(f, 0));
        } else {
            current_.frames.push_back(f);
        }
        ack(id);
        return;
    }
    ack(id);
    switch (id) {
        case pid::ProductRequest: sendProduct(); break;
        case pid::Command: handleCommand(frameU16(f, 0)); break;
        case pid::Records:
            uploading_ = true;
            current_ = SimUpload{};
            current_.announced = frameU16(f, 0);
            break;
        case pid::SpeedRequest: {
            const uint32_t want = frameU32(f, 0);
            double factor;
            {
                std::lock_guard<std::mutex> l(mutex_);
                factor = speedFactor_;
            }
            const uint32_t answer = static_cast<uint32_t>(want * factor);
            if (sendData(makeFrame(pid::SpeedAnswer, speedBytes({answer}))) && std::fabs(factor - 1.0) < 0.04) {
                speed_ = want;
                if (want > highestSpeed_) highestSpeed_ = want;
            }
            break;
        }
        case pid::SpeedRestore: break;
        default: {
            std::lock_guard<std::mutex> l(mutex_);
            unknown_.push_back(f);
            break;
        }
    }
}

void ReceiverSimulator::sendProduct() {
    std::vector<uint8_t> d;
    const uint16_t id = productId();
    const int16_t version = profile_ == SimProfile::New ? 370 : profile_ == SimProfile::Old ? 460 : 300;
    appendLE16(d, id);
    appendLE16(d, static_cast<uint16_t>(version));
    putString(d, profile_ == SimProfile::New        ? "Simulated receiver Software Version 3.70"
                 : profile_ == SimProfile::Old      ? "Simulated GPS 12XL Software Version 4.60"
                                                    : "Simulated GPS 12XL Japanese Software Version 3.00");
    if (!sendData(makeFrame(pid::ProductData, d))) return;
    if (profile_ != SimProfile::New) return;  // model-table receivers send no protocol array
    std::vector<uint8_t> a;
    auto entry = [&](char tag, uint16_t n) {
        a.push_back(static_cast<uint8_t>(tag));
        appendLE16(a, n);
    };
    entry('P', 0);
    entry('L', 1);
    entry('A', 10);
    entry('A', 100);
    entry('D', 108);
    entry('A', 201);
    entry('D', 201);
    entry('D', 108);
    entry('D', 210);
    entry('A', 600);
    entry('D', 600);
    entry('A', 700);
    entry('D', 700);
    entry('A', 301);
    entry('D', 310);
    entry('D', 301);
    sendData(makeFrame(pid::ProtocolArray, a));
}

void ReceiverSimulator::handleCommand(uint16_t command) {
    switch (command) {
        case cmd::SpeedList: {
            std::vector<uint32_t> speeds;
            {
                std::lock_guard<std::mutex> l(mutex_);
                speeds = speeds_;
            }
            sendData(makeFrame(pid::SpeedAnswer, speedBytes(speeds)));
            break;
        }
        case cmd::SpeedCheck: break;  // the acknowledgement is the answer
        case cmd::Position: {
            std::vector<uint8_t> d(16);
            ByteWriter b(d);
            {
                std::lock_guard<std::mutex> l(mutex_);
                if (moving_ && !data_.track.empty()) {
                    const TrackPoint& p = data_.track[movingIndex_++ % data_.track.size()];
                    posLat_ = p.latitude;
                    posLon_ = p.longitude;
                    posTime_ = int64_t(p.time) + 631065600;
                }
                b.f64(posLat_ * kPi / 180.0);
                b.f64(posLon_ * kPi / 180.0);
            }
            sendData(makeFrame(pid::Position, d));
            break;
        }
        case cmd::DateTime: {
            time_t t;
            {
                std::lock_guard<std::mutex> l(mutex_);
                t = static_cast<time_t>(posTime_);
            }
            std::tm tm{};
            gmtime_r(&t, &tm);
            std::vector<uint8_t> d(8);
            ByteWriter b(d);
            b.u8(static_cast<uint8_t>(tm.tm_mon + 1));
            b.u8(static_cast<uint8_t>(tm.tm_mday));
            b.u16(static_cast<uint16_t>(tm.tm_year + 1900));
            b.u16(static_cast<uint16_t>(tm.tm_hour));
            b.u8(static_cast<uint8_t>(tm.tm_min));
            b.u8(static_cast<uint8_t>(tm.tm_sec));
            sendData(makeFrame(pid::DateTime, d));
            break;
        }
        case cmd::Waypoints: sendRecords(waypointFrames(), command); break;
        case cmd::Routes: sendRecords(routeFrames(), command); break;
        case cmd::Track: sendRecords(trackFrames(), command); break;
        default: break;
    }
}

void ReceiverSimulator::sendRecords(const std::vector<Frame>& frames, uint16_t command) {
    sendingRecords_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{sendingRecords_};
    if (!sendData(u16Frame(pid::Records, static_cast<uint16_t>(frames.size())))) return;
    for (const auto& f : frames)
        if (!sendData(f)) return;
    sendData(u16Frame(pid::XferComplete, command));
}

std::vector<Frame> ReceiverSimulator::waypointFrames() const {
    std::lock_guard<std::mutex> l(mutex_);
    std::vector<Frame> out;
    for (const auto& w : data_.waypoints)
        out.push_back(makeFrame(pid::Waypoint, profile_ == SimProfile::New ? d108(w) : d103(w)));
    return out;
}

std::vector<Frame> ReceiverSimulator::routeFrames() const {
    std::lock_guard<std::mutex> l(mutex_);
    std::vector<Frame> out;
    for (size_t r = 0; r < data_.routes.size(); ++r) {
        const Route& route = data_.routes[r];
        if (route.waypoints.empty()) continue;
        std::vector<uint8_t> h(21, 0);
        ByteWriter b(h);
        b.u8(static_cast<uint8_t>(r));
        b.padded(route.name.view(), 20, ' ');
        out.push_back(makeFrame(pid::RouteHeader, h));
        for (size_t i = 0; i < route.waypoints.size(); ++i) {
            if (i > 0 && profile_ == SimProfile::New) {
                std::vector<uint8_t> link(2, 0);
                link[0] = 3;  // class: direct line
                link.resize(20, 0);
                for (size_t k = 8; k < 20; ++k) link[k] = 0xFF;
                link.push_back(0);
                out.push_back(makeFrame(pid::RouteLink, link));
            }
            const auto& w = route.waypoints[i];
            out.push_back(makeFrame(pid::RouteWaypoint, profile_ == SimProfile::New ? d108(w) : d103(w)));
        }
    }
    return out;
}

std::vector<Frame> ReceiverSimulator::trackFrames() const {
    std::lock_guard<std::mutex> l(mutex_);
    std::vector<Frame> out;
    uint16_t segment = 0;
    for (size_t i = 0; i < data_.track.size(); ++i) {
        const TrackPoint& p = data_.track[i];
        const bool start = i == 0 || p.segment != segment;
        segment = p.segment;
        if (profile_ == SimProfile::New && start) {
            std::vector<uint8_t> h = {1, 0xFF};
            putString(h, i == 0 ? "ACTIVE LOG" : "ACTIVE LOG " + std::to_string(p.segment));
            out.push_back(makeFrame(pid::TrackHeader, h));
        }
        std::vector<uint8_t> d(profile_ == SimProfile::New ? 21 : 13, 0);
        ByteWriter b(d);
        b.i32(semicircles(p.latitude));
        b.i32(semicircles(p.longitude));
        b.u32(p.time);
        if (profile_ == SimProfile::New) {
            b.f32(p.altitude);
            b.f32(1.0e25f);
        }
        b.u8(start ? 1 : 0);
        out.push_back(makeFrame(pid::TrackPoint, d));
    }
    return out;
}

void ReceiverSimulator::finishUpload(uint16_t command) {
    uploading_ = false;
    SimUpload up = std::move(current_);
    current_ = SimUpload{};
    up.command = command;
    const int32_t wtype = waypointType();
    auto reject = [&](std::string why) {
        up.accepted = false;
        up.reason = std::move(why);
        std::lock_guard<std::mutex> l(mutex_);
        uploads_.push_back(std::move(up));
    };
    if (up.frames.size() != up.announced) {
        return reject("records count " + std::to_string(up.announced) + " but " + std::to_string(up.frames.size()) +
                      " packets");
    }
    // The kind of data decides, not the code in transfer complete: some hosts
    // name the waypoint command at the end of every upload.
    if (!up.frames.empty()) {
        const uint8_t first = frameId(up.frames.front());
        if (first == pid::Waypoint) command = cmd::Waypoints;
        else if (first == pid::RouteHeader || first == pid::RouteWaypoint || first == pid::RouteLink) command = cmd::Routes;
        else if (first == pid::TrackHeader || first == pid::TrackPoint) command = cmd::Track;
    }
    std::string why;
    if (command == cmd::Waypoints) {
        std::vector<WaypointRecord> got;
        for (const auto& f : up.frames) {
            WaypointRecord w;
            if (frameId(f) != pid::Waypoint) return reject("unexpected packet " + std::to_string(frameId(f)));
            if (!decodeWaypoint(wtype, f, w, why)) return reject(why);
            got.push_back(w);
        }
        std::lock_guard<std::mutex> l(mutex_);
        for (const auto& w : got) {
            bool replaced = false;
            for (auto& old : data_.waypoints)
                if (old.identifier == w.identifier) {
                    old = w;
                    replaced = true;
                }
            if (!replaced) data_.waypoints.push_back(w);
        }
    } else if (command == cmd::Routes) {
        const bool links = profile_ == SimProfile::New;
        std::vector<std::pair<int, Route>> got;
        enum { Start, AfterHeader, AfterWaypoint, AfterLink } state = Start;
        for (const auto& f : up.frames) {
            const uint8_t id = frameId(f);
            if (id == pid::RouteHeader) {
                if (state == AfterHeader) return reject("Route Waypoint was Deleted (empty route)");
                if (state == AfterLink) return reject("Route Waypoint was Deleted (route link at the end)");
                if (frameDataLength(f) != 21) return reject("invalid route header (size " + std::to_string(frameDataLength(f)) + ")");
                Route r;
                std::string name(reinterpret_cast<const char*>(f.data() + 4), 20);
                r.name.set(trimRight(name));
                got.emplace_back(frameByte(f, 0), std::move(r));
                state = AfterHeader;
            } else if (id == pid::RouteWaypoint) {
                if (state == Start) return reject("route waypoint before any route header");
                if (links && state == AfterWaypoint) return reject("route waypoints without a route link between them");
                WaypointRecord w;
                if (!decodeWaypoint(wtype, f, w, why)) return reject(why);
                got.back().second.waypoints.push_back(w);
                state = AfterWaypoint;
            } else if (id == pid::RouteLink) {
                if (!links) return reject("Received an Invalid WPT (route link)");
                if (state != AfterWaypoint) return reject("Route Waypoint was Deleted (stray route link)");
                state = AfterLink;
            } else {
                return reject("unexpected packet " + std::to_string(id));
            }
        }
        if (state == AfterLink) return reject("Route Waypoint was Deleted (route link at the end)");
        if (state == AfterHeader) return reject("Route Waypoint was Deleted (empty route)");
        std::lock_guard<std::mutex> l(mutex_);
        for (auto& [number, route] : got) {
            if (static_cast<size_t>(number) >= data_.routes.size()) data_.routes.resize(number + 1);
            data_.routes[number] = std::move(route);
        }
    } else if (command == cmd::Track) {
        std::vector<TrackPoint> got;
        uint16_t segment = 0;
        const size_t minSize = profile_ == SimProfile::New ? 21 : 13;
        for (const auto& f : up.frames) {
            if (frameId(f) == pid::TrackHeader && profile_ == SimProfile::New) continue;
            if (frameId(f) != pid::TrackPoint) return reject("unexpected packet " + std::to_string(frameId(f)));
            if (frameDataLength(f) < minSize) return reject("invalid track point (size " + std::to_string(frameDataLength(f)) + ")");
            TrackPoint p;
            p.latitude = degrees(static_cast<int32_t>(frameU32(f, 0)));
            p.longitude = degrees(static_cast<int32_t>(frameU32(f, 4)));
            p.time = frameU32(f, 8);
            bool start;
            if (profile_ == SimProfile::New) {
                const float a = frameF32(f, 12);
                p.altitude = std::fabs(a) < 1.0e24f ? a : 0.0f;
                start = frameByte(f, 20) != 0;
            } else {
                start = frameByte(f, 12) != 0;
            }
            if (start || got.empty()) ++segment;
            p.segment = segment;
            got.push_back(p);
        }
        std::lock_guard<std::mutex> l(mutex_);
        data_.track = std::move(got);
    } else {
        return reject("transfer complete names command " + std::to_string(command));
    }
    up.accepted = true;
    std::lock_guard<std::mutex> l(mutex_);
    uploads_.push_back(std::move(up));
}

}  // namespace korvance
