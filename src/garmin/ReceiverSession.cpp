#include "garmin/ReceiverSession.h"

#include "settings/AppSettings.h"

namespace korvance {

namespace {

const ReceiverModel kModels[] = {
    {"GPS12", 87, 1, 4103},       {"GPS12(2)", 138, 1, 4103},   {"GPS12XL", 77, 1, 4103},
    {"GPS12XL(2)", 96, 1, 4103},  {"GPS12XLJ", 105, 2, 4103},   {"GPS12CX", 116, 1, 4103},
    {"GPS12MAP", 129, 1, 4104},   {"GPS38", 41, 1, 4101},       {"GPS38J", 62, 2, 4101},
    {"GPS40", 31, 1, 4101},       {"GPS48", 96, 1, 4103},       {"GPS II", 59, 1, 4103},
    {"GPS II Plus", 73, 1, 4103}, {"GPS II Plus(2)", 97, 1, 4103}, {"Other Garmin", -1, 1, -1},
};

std::string deviceOf(const AppSettings& s) {
    return resolveSerialDevice(s.CommDevice, static_cast<int>(s.CommPort));
}

}  // namespace

const ReceiverModel* ReceiverModels(size_t* count) {
    *count = sizeof kModels / sizeof kModels[0];
    return kModels;
}

const ReceiverModel* FindReceiverModel(const std::string& name) {
    for (const auto& m : kModels)
        if (name == m.name) return &m;
    return nullptr;
}

int32_t ModelWaypointType(int32_t productId) {
    for (const auto& m : kModels)
        if (m.productId == productId) return m.waypointType;
    return 4101;
}

std::unique_ptr<GarminLink> OpenIdentifiedLink(AppSettings& settings, UserPrompt& prompt, Clock* clock,
                                               ProductInfo* info, std::string* error, int byteTimeoutMs) {
    LinkOptions options = LinkOptions::fromSettings(settings);
    options.byteTimeoutMs = byteTimeoutMs;
    auto link = std::make_unique<GarminLink>(options, clock);
    // A port that does not open is seen by the identification as a silent receiver.
    if (!link->OpenPort(deviceOf(settings), 9600) && error) *error = link->lastError();
    if (!IdentifyReceiver(*link, settings, ModelWaypointType(settings.GPSModelID), prompt, info)) {
        if (error && error->empty()) *error = link->diagnosis();
        return nullptr;
    }
    return link;
}

std::unique_ptr<GarminLink> ReopenLike(const GarminLink& identified, const AppSettings& settings, Clock* clock) {
    auto link = std::make_unique<GarminLink>(identified.options(), clock);
    link->OpenPort(identified.deviceName().empty() ? deviceOf(settings) : identified.deviceName(), 9600);
    link->protocolMark = identified.protocolMark;
    link->waypointType = identified.waypointType;
    link->routeHeaderType = identified.routeHeaderType;
    link->trackPointType = identified.trackPointType;
    link->trackHeaderType = identified.trackHeaderType;
    link->routeLinks = identified.routeLinks;
    link->japanese = identified.japanese;
    link->limitBaud = identified.limitBaud;
    return link;
}

}  // namespace korvance
