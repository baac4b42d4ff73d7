#include "garmin/ReceiverSession.h"

#include <vector>

#include "settings/AppSettings.h"
#include "settings/GpsModelList.h"

namespace korvance {

namespace {

// The rows of the model table, in the form the commands use.
const std::vector<ReceiverModel>& models() {
    static const std::vector<ReceiverModel> rows = [] {
        std::vector<ReceiverModel> v;
        for (const auto& r : GpsModelList::rows()) v.push_back({r.name, r.productId, r.charSet, r.protocolCode});
        return v;
    }();
    return rows;
}

std::string deviceOf(const AppSettings& s) {
    return resolveSerialDevice(s.CommDevice, static_cast<int>(s.CommPort));
}

}  // namespace

const ReceiverModel* ReceiverModels(size_t* count) {
    *count = models().size();
    return models().data();
}

const ReceiverModel* FindReceiverModel(const std::string& name) {
    const int i = GpsModelList::indexOfName(name);
    return i < 0 ? nullptr : &models()[static_cast<size_t>(i)];
}

int32_t ModelWaypointType(int32_t productId) { return GpsModelList::protocolCode(productId); }

void AskWhileWaiting(GarminLink& link, ProgressSink* progress) {
    if (progress) link.setKeepGoing([progress] { return progress->keepGoing(); });
}

std::unique_ptr<GarminLink> OpenIdentifiedLink(AppSettings& settings, UserPrompt& prompt, Clock* clock,
                                               ProductInfo* info, std::string* error, int byteTimeoutMs,
                                               ProgressSink* progress) {
    LinkOptions options = LinkOptions::fromSettings(settings);
    options.byteTimeoutMs = byteTimeoutMs;
    auto link = std::make_unique<GarminLink>(options, clock);
    AskWhileWaiting(*link, progress);
    // A port that does not open is seen by the identification as a silent receiver.
    if (!link->OpenPort(deviceOf(settings), 9600) && error) *error = link->lastError();
    if (!IdentifyReceiver(*link, settings, ModelWaypointType(settings.GPSModelID), prompt, info, progress)) {
        if (error && error->empty()) *error = link->diagnosis();
        return nullptr;
    }
    return link;
}

std::unique_ptr<GarminLink> ReopenLike(const GarminLink& identified, const AppSettings& settings, Clock* clock,
                                       ProgressSink* progress) {
    auto link = std::make_unique<GarminLink>(identified.options(), clock);
    AskWhileWaiting(*link, progress);
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
