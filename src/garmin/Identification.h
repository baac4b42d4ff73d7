#pragma once
// Who the receiver is and which record formats it speaks: the product
// request, the protocol array, and the decision whether to go on.

#include <cstdint>
#include <string>

#include "garmin/GarminLink.h"
#include "platform/UserPrompt.h"

namespace korvance {

class UserPrompt;
struct AppSettings;

inline constexpr const char* kMsgCommunicationError = "communication error.";
inline constexpr const char* kMsgUnsupportedProtocol = "unsupported protocol.\nor choose proper model.";
inline constexpr const char* kMsgMismatchGpsType = "Mismatch GPS Type. \nDo you wish to continue?";
inline constexpr const char* kMessageCaption = "korvance";

// Types named by a protocol array.
struct ProtocolTypes {
    int32_t waypointType = -1;
    int32_t routeHeaderType = -1;
    int32_t trackPointType = 4300;
    int32_t trackHeaderType = 4310;
    bool routeLinks = false;  // A201 named
};

// Reads every complete 3-byte entry (tag, signed 16-bit number) of the array.
ProtocolTypes ParseProtocolArray(const Frame& frame);
bool SupportedWaypointType(int32_t type);
bool SupportedRouteHeaderType(int32_t type);

void SeedLink(GarminLink& link, int32_t modelId, int32_t waypointType, int32_t routeHeaderType, bool japanese);

struct ProductInfo {
    uint16_t productId = 0;
    int16_t version = 0;
    std::string description;
    bool protocolArray = false;
};

// 0 success, -1 communication failure, -2 unsupported protocol.
int RequestProduct(GarminLink& link, ProductInfo& info);

// "communication error." with the port that was tried on a second line: why
// it did not open, or that nothing answered on it.
std::string CommunicationErrorText(const GarminLink& link);

// Shows the message of a failed identification, or asks about a model
// mismatch; true when the command goes on.
bool CheckIdentification(int result, uint16_t productId, const GarminLink& link, int32_t chosenModelId,
                         UserPrompt& prompt);

// The whole course before a transfer: limit the speed (mending the setting),
// seed the link with the chosen model, ask twice under the wait cursor and
// check. `modelWaypointType` is the waypoint type of the chosen model from the
// model table (-1 for "Other Garmin").
// With `progress`, a progress window ("Connecting to the receiver on ...")
// shows while the receiver is asked; a person's Cancel ends it without a message.
bool IdentifyReceiver(GarminLink& link, AppSettings& settings, int32_t modelWaypointType, UserPrompt& prompt,
                      ProductInfo* info = nullptr, ProgressSink* progress = nullptr);

}  // namespace korvance
