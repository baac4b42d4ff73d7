#include "garmin/Identification.h"

#include "platform/UserPrompt.h"
#include "settings/AppSettings.h"

namespace korvance {

bool SupportedWaypointType(int32_t t) {
    return t == 4101 || t == 4103 || t == 4104 || t == 4108 || t == 4109 || t == 4110;
}

bool SupportedRouteHeaderType(int32_t t) { return t == 4201 || t == 4202; }

ProtocolTypes ParseProtocolArray(const Frame& f) {
    ProtocolTypes p;
    const size_t entries = frameDataLength(f) / 3;
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t tag = frameByte(f, 3 * i);
        const int16_t number = static_cast<int16_t>(frameU16(f, 3 * i + 1));
        if (tag == 'A' && number == 201) p.routeLinks = true;
        if (tag != 'D') continue;
        const int32_t value = 4000 + number;
        if (number >= 100 && number < 200) p.waypointType = value;
        else if (number >= 200 && number < 210) p.routeHeaderType = value;
        else if (number >= 300 && number < 310) p.trackPointType = value;
        else if (number >= 310 && number < 320) p.trackHeaderType = value;
    }
    return p;
}

void SeedLink(GarminLink& link, int32_t modelId, int32_t waypointType, int32_t routeHeaderType, bool japanese) {
    link.protocolMark = modelId;
    link.waypointType = waypointType;
    link.routeHeaderType = routeHeaderType;
    link.japanese = japanese;
}

int RequestProduct(GarminLink& link, ProductInfo& info) {
    if (!link.isOpen()) return -1;
    link.WaitBeforeWrite();
    Frame answer;
    if (!link.SendPacket(makeFrame(pid::ProductRequest)) || !link.ReceivePacket(answer)) return -1;
    info.productId = frameU16(answer, 0);
    info.version = static_cast<int16_t>(frameU16(answer, 2));
    info.description.clear();
    for (size_t i = 4; i < frameDataLength(answer) && answer[3 + i]; ++i)
        info.description.push_back(static_cast<char>(answer[3 + i]));
    info.protocolArray = false;

    // Further packets (more product text, the protocol array) are acknowledged
    // one by one; a receiver without an array falls silent after the product data.
    Frame f;
    for (int count = 0;; ++count) {
        if (!link.ReadPacket(f)) {
            if (count == 0) break;
            return -2;
        }
        Frame ack = makeFrame(pid::Ack, {frameId(f), 0});
        if (!link.WritePacket(ack) && count == 0) return -2;
        if (frameId(f) == pid::ProtocolArray) {
            const ProtocolTypes p = ParseProtocolArray(f);
            info.protocolArray = true;
            link.protocolMark = -1;
            link.waypointType = p.waypointType;
            link.routeHeaderType = p.routeHeaderType;
            link.trackPointType = p.trackPointType;
            link.trackHeaderType = p.trackHeaderType;
            link.routeLinks = p.routeLinks;
            if (SupportedWaypointType(p.waypointType) && SupportedRouteHeaderType(p.routeHeaderType))
                link.protocolMark = 0;
            break;
        }
        // A receiver that chatters without end is not one we understand.
        if (count >= 64) return -2;
    }
    return link.protocolMark == -1 ? -2 : 0;
}

std::string CommunicationErrorText(const GarminLink& link) {
    std::string where;
    if (!link.isOpen() && !link.lastError().empty())
        where = link.lastError();
    else if (!link.deviceName().empty())
        where = "No answer on " + link.deviceName() + ".";
    return where.empty() ? std::string(kMsgCommunicationError) : std::string(kMsgCommunicationError) + "\n" + where;
}

bool CheckIdentification(int result, uint16_t productId, const GarminLink& link, int32_t chosenModelId,
                         UserPrompt& prompt) {
    if (result == -1) {
        prompt.message(CommunicationErrorText(link), kMessageCaption, Icon::Stop);
        return false;
    }
    if (result == -2) {
        prompt.message(kMsgUnsupportedProtocol, kMessageCaption, Icon::Stop);
        return false;
    }
    if (link.protocolMark == 0) return true;
    if (chosenModelId == static_cast<int32_t>(productId)) return true;
    return prompt.ask(kMsgMismatchGpsType, kMessageCaption, Buttons::YesNo, Icon::Question) != Answer::No;
}

bool IdentifyReceiver(GarminLink& link, AppSettings& settings, int32_t modelWaypointType, UserPrompt& prompt,
                      ProductInfo* out, ProgressSink* progress) {
    if (settings.CommLimitBaudrate < 9600 || settings.CommLimitBaudrate > 115200) settings.CommLimitBaudrate = 115200;
    link.limitBaud = settings.CommLimitBaudrate;
    SeedLink(link, settings.GPSModelID, modelWaypointType, 0, settings.GPSCharSet == 2);
    ProductInfo info;
    int result;
    {
        WaitCursor wait(prompt);
        if (progress) progress->start("Connecting to the receiver on " + link.deviceName(), 0);
        result = RequestProduct(link, info);
        if (result == 0) result = RequestProduct(link, info);
        if (progress) progress->finish();
    }
    if (out) *out = info;
    if (link.cancelled()) return false;
    return CheckIdentification(result, info.productId, link, settings.GPSModelID, prompt);
}

}  // namespace korvance
