#include "garmin/GarminLink.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "data/Bytes.h"
#include "settings/AppSettings.h"

namespace korvance {

namespace {

SystemClock& systemClock() {
    static SystemClock clock;
    return clock;
}

uint8_t g_lastAckedId = 0;

constexpr int kAttempts = 100;
constexpr size_t kReadChunk = 512;

}  // namespace

LinkOptions LinkOptions::fromSettings(const AppSettings& s) {
    LinkOptions o;
    o.writeWaitMs = s.Comm_WriteFile_Wait;
    o.openWaitMs = s.CommOpenWait;
    o.limitBaud = s.CommLimitBaudrate;
    o.debug = s.CommDebug != 0;
    return o;
}

std::string defaultTrafficLogPath() {
    namespace fs = std::filesystem;
    fs::path folder;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        folder = fs::path(xdg) / "korvance";
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        folder = fs::path(home) / ".local" / "share" / "korvance";
    } else {
        folder = fs::temp_directory_path() / "korvance";
    }
    return (folder / "commdbg.bin").string();
}

std::string traceLogPath(const std::string& rawLogPath) {
    std::filesystem::path p(rawLogPath);
    p.replace_extension(".txt");
    return p.string();
}

uint8_t GarminLink::lastAckedId() { return g_lastAckedId; }
void GarminLink::setLastAckedId(uint8_t id) { g_lastAckedId = id; }

GarminLink::GarminLink(LinkOptions options, Clock* clock, std::unique_ptr<SerialPort> port)
    : options_(std::move(options)), clock_(clock ? clock : &systemClock()), port_(std::move(port)) {
    if (!port_) port_ = std::make_unique<PosixSerialPort>();
    limitBaud = options_.limitBaud;
    if (options_.debug) {
        logPath_ = options_.logPath.empty() ? defaultTrafficLogPath() : options_.logPath;
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(logPath_).parent_path(), ec);
        rawLog_ = std::fopen(logPath_.c_str(), "wb");
        traceLog_ = std::fopen(traceLogPath(logPath_).c_str(), "w");
        if (!rawLog_) logPath_.clear();
    }
}

GarminLink::~GarminLink() {
    ClosePort();
    if (rawLog_) std::fclose(rawLog_);
    if (traceLog_) std::fclose(traceLog_);
}

namespace {
constexpr int kKeepGoingSliceMs = 50;
}

bool GarminLink::stillGoing() {
    if (!cancelled_ && keepGoing_ && !keepGoing_()) {
        cancelled_ = true;
        trace("cancelled");
    }
    return !cancelled_;
}

void GarminLink::sleep(uint32_t ms) {
    if (!keepGoing_) {
        if (ms) clock_->sleepMs(ms);
        return;
    }
    while (ms > 0 && stillGoing()) {
        const uint32_t slice = std::min<uint32_t>(ms, kKeepGoingSliceMs);
        clock_->sleepMs(slice);
        ms -= slice;
    }
}

bool GarminLink::OpenPort(const std::string& device, uint32_t baud) {
    if (isOpen()) {
        error_ = device + ": a port is already open";
        return false;
    }
    device_ = device;
    error_.clear();
    if (device.empty()) {
        error_ = "no serial port found";
        return false;
    }
    if (!port_->open(device, baud)) {
        error_ = port_->lastError();
        return false;
    }
    sleep(options_.openWaitMs);
    savedBaud = port_->baudRate();
    FlushInput();
    trace("open " + device + " at " + std::to_string(baud));
    return true;
}

void GarminLink::ClosePort() {
    if (port_ && port_->isOpen()) {
        port_->close();
        trace("close");
    }
    in_.clear();
    inPos_ = 0;
}

void GarminLink::FlushInput() {
    if (!isOpen()) return;
    in_.clear();
    inPos_ = 0;
    // Look at what is thrown away: it tells when an NMEA talker sits on the line.
    uint8_t buf[kReadChunk];
    for (int i = 0; i < 64; ++i) {
        size_t n = port_->read(buf, sizeof buf, 0);
        if (n == 0) break;
        logRaw(buf, n);
        for (size_t k = 0; k < n; ++k) noteNoise(buf[k]);
    }
    port_->flushInput();
}

int GarminLink::ReadByte() {
    if (!isOpen()) return -1;
    if (inPos_ >= in_.size()) {
        in_.resize(kReadChunk);
        size_t n = 0;
        if (!keepGoing_) {
            n = port_->read(in_.data(), in_.size(), options_.byteTimeoutMs);
        } else if (!cancelled_) {
            // The byte timeout in slices, asking between them whether to go on.
            for (int waited = 0;;) {
                const int slice = std::min(kKeepGoingSliceMs, options_.byteTimeoutMs - waited);
                n = port_->read(in_.data(), in_.size(), slice);
                waited += slice;
                if (n > 0 || waited >= options_.byteTimeoutMs || !stillGoing()) break;
            }
        }
        in_.resize(n);
        inPos_ = 0;
        if (n == 0) return -1;
    }
    uint8_t b = in_[inPos_++];
    logRaw(&b, 1);
    return b;
}

size_t GarminLink::ReadPacket(Frame& out) {
    out.clear();
    lastReadNoise_ = false;
    int lead = ReadByte();
    if (lead < 0) return 0;
    if (lead != kDle) {
        noteNoise(static_cast<uint8_t>(lead));
        lastReadNoise_ = true;
        return 0;
    }
    int id = ReadByte();
    int size = ReadByte();
    if (id < 0 || size < 0) return 0;
    out.reserve(size_t(size) + 6);
    out.push_back(kDle);
    out.push_back(static_cast<uint8_t>(id));
    out.push_back(static_cast<uint8_t>(size));
    if (size == kDle && ReadByte() < 0) return 0;
    // The data and then the checksum, each 0x10 followed by its double.
    for (int i = 0; i <= size; ++i) {
        int b = ReadByte();
        if (b < 0) {
            out.clear();
            return 0;
        }
        out.push_back(static_cast<uint8_t>(b));
        if (b == kDle && ReadByte() < 0) {
            out.clear();
            return 0;
        }
    }
    int d = ReadByte();
    int e = ReadByte();
    if (d < 0 || e < 0) {
        out.clear();
        return 0;
    }
    out.push_back(static_cast<uint8_t>(d));
    out.push_back(static_cast<uint8_t>(e));
    noise_.clear();
    trace(describeFrame("recv", out));
    return out.size();
}

bool GarminLink::WritePacket(Frame& frame) {
    if (!isOpen() || frame.size() < 6) return false;
    setChecksum(frame);
    std::vector<uint8_t> wire = stuffFrame(frame);
    logRaw(wire.data(), wire.size());
    trace(describeFrame("send", frame));
    return port_->writeAll(wire);
}

bool GarminLink::writeReply(uint8_t id, uint8_t data0) {
    Frame reply = makeFrame(id, {data0, 0});
    return WritePacket(reply);
}

bool GarminLink::SendPacket(Frame frame, Frame* reply) {
    Frame scratch;
    Frame& answer = reply ? *reply : scratch;
    answer.clear();
    if (!isOpen()) return false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!WritePacket(frame)) return false;
        // Noise before the answer, and acknowledgements of an earlier copy of
        // this frame, are read past instead of sending again: every extra copy
        // reaches the receiver as one more record, and an acknowledgement
        // taken for the wrong packet would report an upload the receiver
        // never completed as done.
        for (int reads = 0; reads < kAttempts; ++reads) {
            if (!ReadPacket(answer)) {
                if (lastReadNoise_) continue;
                break;
            }
            if (frameId(answer) != pid::Ack) break;
            if (checksumOk(answer) && answer.size() > 3 && frameByte(answer, 0) == frameId(frame)) return true;
        }
        sleep(1);
    }
    return false;
}

bool GarminLink::ReceivePacket(Frame& out) {
    out.clear();
    if (!isOpen()) return false;
    uint8_t replyData = 0;
    int negatives = 0;
    for (;;) {
        int attempt = 0;
        while (!ReadPacket(out)) {
            if (!isOpen() || ++attempt >= kAttempts) return false;
            // Noise is read past: the receiver's packet is still on its way,
            // and a repeated acknowledgement now would make it send that
            // packet once more, arriving here as one record too many.
            if (lastReadNoise_) continue;
            // Repeat the acknowledgement of the packet before, so that a
            // receiver that missed it sends the next one again.
            replyData = g_lastAckedId;
            sleep(1);
            writeReply(pid::Ack, replyData);
        }
        if (frameId(out) == pid::Nak) {
            replyData = g_lastAckedId;
            writeReply(pid::Ack, replyData);
            if (++negatives >= kAttempts) return false;
            continue;
        }
        if (!checksumOk(out)) {
            writeReply(pid::Nak, replyData);
            if (++negatives >= kAttempts) return false;
            continue;
        }
        writeReply(pid::Ack, frameId(out));
        g_lastAckedId = frameId(out);
        return true;
    }
}

namespace {

uint32_t snapSpeed(uint32_t s) {
    struct Band { uint32_t lo, hi, speed; };
    static const Band bands[] = {{110592, 119808, 115200}, {55296, 59904, 57600}, {36864, 39936, 38400},
                                 {27648, 29952, 28800},    {18432, 19968, 19200}, {13824, 14976, 14400},
                                 {9216, 9984, 9600}};
    for (const auto& b : bands)
        if (s > b.lo && s < b.hi) return b.speed;
    return 0;
}

// Speeds a Linux serial line can be set to (termios has no 14400 or 28800).
bool settable(uint32_t s) { return s == 9600 || s == 19200 || s == 38400 || s == 57600 || s == 115200; }

uint32_t settableLimit(uint32_t limit) {
    for (uint32_t s : {115200u, 57600u, 38400u, 19200u})
        if (limit >= s) return s;
    return 9600;
}

}  // namespace

uint32_t GarminLink::RaiseBaudRate() {
    const uint32_t limit = settableLimit(limitBaud);
    if (limit == 9600 || protocolMark > 0) return 9600;
    WaitBeforeWrite();
    Frame answer;
    std::vector<uint32_t> speeds;
    bool ok = isOpen() && SendPacket(commandFrame(cmd::SpeedList)) && ReceivePacket(answer);
    if (ok) {
        const size_t n = std::min<size_t>(frameDataLength(answer) / 4, 12);
        for (size_t i = 0; i < n; ++i) {
            // A speed the line cannot be set to counts as no speed.
            const uint32_t snapped = snapSpeed(frameU32(answer, 4 * i));
            speeds.push_back(settable(snapped) ? snapped : 0);
        }
    }
    if (!ok || speeds.empty()) {
        sleep(200);
        FlushInput();
        return 9600;
    }
    uint32_t candidate = std::min(speeds[0], limit);
    for (size_t i = 1; i < speeds.size(); ++i)
        if (speeds[i] <= limit && speeds[i] > candidate) candidate = speeds[i];
    if (candidate < 9600) {
        sleep(200);
        FlushInput();
        return 9600;
    }

    WaitBeforeWrite();
    uint8_t speed[4];
    storeLE32(speed, candidate);
    Frame request = makeFrame(pid::SpeedRequest, speed, sizeof speed);
    bool granted = SendPacket(request) && ReceivePacket(answer) && frameId(answer) == pid::SpeedAnswer &&
                   frameDataLength(answer) >= 4;
    if (granted) {
        const double got = frameU32(answer, 0);
        granted = got > 0.96 * candidate && got < 1.04 * candidate;
    }
    sleep(1000);
    if (!granted) {
        FlushInput();
        return 9600;
    }
    savedBaud = port_->baudRate();
    if (!port_->setBaudRate(candidate)) {
        // The device cannot run at that speed; the receiver returns to 9600 by
        // itself when the checks below go unanswered.
        trace("cannot set " + std::to_string(candidate));
    }
    sleep(100);
    WaitBeforeWrite();
    bool checked = SendPacket(commandFrame(cmd::SpeedCheck)) && SendPacket(commandFrame(cmd::SpeedCheck));
    if (!checked) {
        port_->setBaudRate(savedBaud);
        sleep(100);
        return 9600;
    }
    trace("line speed " + std::to_string(candidate));
    return candidate;
}

bool GarminLink::RestoreBaudRate() {
    if (isOpen()) {
        WaitBeforeWrite();
        if (SendPacket(makeFrame(pid::SpeedRestore, {12, 0}))) {
            sleep(100);
            port_->setBaudRate(savedBaud);
            sleep(100);
            return true;
        }
    }
    sleep(1000);
    FlushInput();
    // Whatever the receiver did, the port itself goes back to the saved speed.
    if (isOpen() && port_->baudRate() != savedBaud) port_->setBaudRate(savedBaud);
    return false;
}

void GarminLink::logRaw(const uint8_t* data, size_t n) {
    if (rawLog_ && n) std::fwrite(data, 1, n, rawLog_);
}

void GarminLink::trace(const std::string& line) {
    if (traceLog_) {
        std::fputs(line.c_str(), traceLog_);
        std::fputc('\n', traceLog_);
    }
}

void GarminLink::noteNoise(uint8_t b) {
    noise_.push_back(static_cast<char>(b));
    if (noise_.size() > 256) noise_.erase(0, noise_.size() - 128);
    // "$GPRMC," "$GNGGA," ...: a talker of two letters and a sentence of three.
    if (!nmeaSuspected_ && b == ',') {
        const size_t d = noise_.rfind('$');
        if (d != std::string::npos && noise_.size() - d == 7) {
            bool letters = true;
            for (size_t i = d + 1; i < d + 6; ++i) letters = letters && noise_[i] >= 'A' && noise_[i] <= 'Z';
            if (letters) {
                nmeaSuspected_ = true;
                trace(std::string("diagnosis: ") + kNmeaDiagnosis);
            }
        }
    }
}

int32_t DegreesToSemicircles(double degrees) {
    if (!std::isfinite(degrees)) return 0;
    double v = std::trunc(degrees * 11930464.711111112 + 0.5);
    // 180 degrees (and beyond) wraps to the same angle instead of overflowing.
    v = std::fmod(v, 4294967296.0);
    if (v >= 2147483648.0) v -= 4294967296.0;
    if (v < -2147483648.0) v += 4294967296.0;
    return static_cast<int32_t>(v);
}

double SemicirclesToDegrees(int32_t semicircles) { return semicircles * 8.381903171539307e-8; }

int64_t ReceiverTimeToUnix(uint32_t receiverTime) { return int64_t(receiverTime) + 631065600; }

uint32_t UnixToReceiverTime(int64_t unixTime) { return static_cast<uint32_t>(unixTime - 631065600); }

}  // namespace korvance
