// A receiver's side of a whole conversation from the fuzz bytes: the host
// asks for the product data and the protocol array, then runs one transfer
// (speed raise, track, waypoints, routes or position) and turns what it got
// into the document's records.
//
// The first byte chooses the transfer (high four bits), the speed limit, the
// character set, the datum and how the rest reaches the line: either as raw
// bytes (bad framing, bad checksums, noise, NMEA text), or as a list of
// packets [id, size, data...] that are framed with a good checksum and sent
// one after each packet of the host, each packet of the host being
// acknowledged first - so that the conversation gets past the handshakes.
// A packet of id 0 is silence: nothing is sent that time.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>

#include "garmin/GarminConvert.h"
#include "garmin/GarminLink.h"
#include "garmin/GarminPacket.h"
#include "garmin/GarminRecords.h"
#include "garmin/Identification.h"
#include "garmin/Transfers.h"
#include "platform/UserPrompt.h"

using namespace korvance;

namespace {

class FuzzPort : public SerialPort {
public:
    FuzzPort(const uint8_t* data, size_t size, bool framed) : data_(data), size_(size), framed_(framed) {
        if (!framed_) queue_.assign(data, data + size);
    }
    bool open(const std::string& device, uint32_t baud) override {
        device_ = device;
        baud_ = baud;
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    const std::string& device() const override { return device_; }
    const std::string& lastError() const override { return error_; }
    bool setBaudRate(uint32_t baud) override {
        baud_ = baud;
        return true;
    }
    uint32_t baudRate() const override { return baud_; }
    bool writeAll(const uint8_t* data, size_t size) override {
        if (!framed_) return true;
        for (size_t i = 0; i < size; ++i) {
            if (!decoder_.feed(data[i])) continue;
            const uint8_t id = frameId(decoder_.frame());
            if (id != pid::Ack && id != pid::Nak) sendFrame(makeFrame(pid::Ack, {id, 0}));
            nextPacket();
        }
        return true;
    }
    int readByte(int) override {
        if (queue_.empty()) return -1;
        int b = queue_.front();
        queue_.pop_front();
        return b;
    }
    size_t read(uint8_t* buffer, size_t max, int) override {
        size_t n = 0;
        while (n < max && !queue_.empty()) {
            buffer[n++] = queue_.front();
            queue_.pop_front();
        }
        return n;
    }
    size_t bytesQueued() override { return queue_.size(); }
    void flushInput() override { queue_.clear(); }
    bool waitForData(int) override { return !queue_.empty(); }
    void wake() override {}

private:
    void sendFrame(Frame f) {
        setChecksum(f);
        std::vector<uint8_t> wire = stuffFrame(f);
        queue_.insert(queue_.end(), wire.begin(), wire.end());
    }
    void nextPacket() {
        if (at_ + 2 > size_) return;
        const uint8_t id = data_[at_];
        const size_t n = std::min<size_t>(data_[at_ + 1], size_ - at_ - 2);
        if (id != 0) sendFrame(makeFrame(id, data_ + at_ + 2, n));
        at_ += 2 + n;
    }

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    bool framed_;
    bool open_ = false;
    uint32_t baud_ = 9600;
    std::string device_;
    std::string error_;  // opening never fails
    std::deque<uint8_t> queue_;
    FrameDecoder decoder_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    ++data, --size;
    FixedClock clock;
    LinkOptions options;
    options.openWaitMs = 0;
    GarminLink link(options, &clock, std::make_unique<FuzzPort>(data, size, mode & 1));
    if (!link.OpenPort("/dev/fuzz", 9600)) std::abort();

    ProductInfo info;
    SeedLink(link, 0, -1, 0, (mode & 4) != 0);
    if (mode & 8) link.limitBaud = 9600;
    const int identified = RequestProduct(link, info);
    // KORVANCE_FUZZ_TRACE=1 tells how far a seed's conversation got.
    static const bool traced = std::getenv("KORVANCE_FUZZ_TRACE") != nullptr;
    int result = 0;
    if (!SupportedWaypointType(link.waypointType)) link.waypointType = 4108;
    if (!SupportedRouteHeaderType(link.routeHeaderType)) link.routeHeaderType = 4201;

    NullProgress progress;
    Datum datum((mode & 2) ? "Tokyo" : "WGS 84");
    switch ((mode >> 4) % 6) {
        case 0: result = int(link.RaiseBaudRate()); break;
        case 1: {
            std::vector<TrackSlot> slots;
            const int n = result = DownloadTrack(link, slots, progress);
            if (n >= 0 && size_t(n) != slots.size()) std::abort();
            std::vector<TrackPoint> points = TrackPointsFromSlots(slots, datum);
            (void)SegmentCountOf(points);
            break;
        }
        case 2: {
            std::vector<WaypointPacket> packets;
            const int n = result = DownloadWaypoints(link, packets, progress);
            if (n >= 0 && size_t(n) != packets.size()) std::abort();
            for (const auto& p : packets) (void)WaypointFromPacket(p, datum);
            break;
        }
        case 3: {
            std::vector<RouteSlot> routes;
            const int n = result = DownloadRoutes(link, routes, progress);
            if (n >= 0 && size_t(n) != routes.size()) std::abort();
            for (const auto& r : routes) {
                if (r.name.size() > 20) std::abort();
                for (const auto& w : r.waypoints) (void)RouteWaypointFromPacket(w, datum);
            }
            break;
        }
        default: {
            double la = 0, lo = 0;
            int64_t t = 0;
            result = ReadPosition(link, la, lo, t);
        }
    }
    if (traced)
        std::fprintf(stderr, "identification %d (product %u, array %d, waypoint type %d), transfer %d: %d\n",
                     identified, unsigned(info.productId), int(info.protocolArray), int(link.waypointType),
                     (mode >> 4) % 6, result);
    link.ClosePort();
    return 0;
}
