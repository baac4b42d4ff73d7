// Bytes from the line: the device-side frame decoder, and every record
// reader over each frame it finds and over the raw input taken as a frame
// (whose size byte may lie about its length).

#include <cstddef>
#include <cstdint>

#include "garmin/GarminLink.h"
#include "garmin/GarminPacket.h"
#include "garmin/GarminRecords.h"
#include "garmin/Identification.h"

using namespace korvance;

namespace {

void readAll(const Frame& f) {
    for (int32_t type : {4101, 4103, 4104, 4108, 4109, 4110, 4107}) {
        WaypointPacket p = WaypointPacket::fromFrame(type, f);
        (void)p.identifier();
        (void)p.comment();
        (void)p.symbol();
        (void)p.displayOption();
        (void)p.proximity();
        (void)p.altitude();
        (void)p.latitude();
        p.setIdentifier(japaneseToReceiver(japaneseToText(p.identifier())));
    }
    for (int32_t type : {4300, 4301, 4302}) (void)trackSlotFromFrame(type, f);
    (void)ParseProtocolArray(f);
    double la, lo;
    int64_t t;
    (void)parsePosition(f, la, lo);
    (void)parseDateTime(f, t);
    RouteSlot r;
    readRouteHeader(4201, f, 0, r);
    readRouteHeader(4202, f, 1, r);
    (void)describeFrame("recv", f);
    (void)checksumOk(f);
    (void)stuffFrame(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FrameDecoder decoder;
    for (size_t i = 0; i < size; ++i)
        if (decoder.feed(data[i])) readAll(decoder.frame());
    readAll(Frame(data, data + size));
    return 0;
}
