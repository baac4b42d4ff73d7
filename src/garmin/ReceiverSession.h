#pragma once
// What every receiver command does around its transfer: a link on the port
// of the settings at 9600, identified (with its messages) before anything is
// sent, and the receiver models that seed it.

#include <cstdint>
#include <memory>
#include <string>

#include "garmin/GarminLink.h"
#include "garmin/Identification.h"

namespace korvance {

struct AppSettings;
class UserPrompt;

// The receiver models of GpsModelList (name, product id, character set,
// waypoint type; -1 for "Other Garmin"). Lookups by product id take the first row.
struct ReceiverModel {
    const char* name;
    int32_t productId;
    uint32_t charSet;
    int32_t waypointType;
};
const ReceiverModel* ReceiverModels(size_t* count);
const ReceiverModel* FindReceiverModel(const std::string& name);
// The waypoint type of a product id: its row's, 4101 when no row has it, -1 for -1.
int32_t ModelWaypointType(int32_t productId);

// Opens CommDevice (or the CommPort-th serial device) and identifies the
// receiver. Null after the identification's message (or the user's refusal);
// `error` then tells what the port said, when it said anything.
// `byteTimeoutMs` is the wait for one byte (a real line wants 200 ms).
// With `progress`, a progress window with its Cancel shows while the
// receiver is asked who it is, and the link asks it to go on while it waits.
std::unique_ptr<GarminLink> OpenIdentifiedLink(AppSettings& settings, UserPrompt& prompt, Clock* clock = nullptr,
                                               ProductInfo* info = nullptr, std::string* error = nullptr,
                                               int byteTimeoutMs = 200, ProgressSink* progress = nullptr);
// A fresh link on the same port carrying the protocol found by `identified`
// (route uploads run one exchange per route, each on its own link). Close
// the identifying link first.
std::unique_ptr<GarminLink> ReopenLike(const GarminLink& identified, const AppSettings& settings,
                                       Clock* clock = nullptr, ProgressSink* progress = nullptr);
// Lets `link` ask `progress` whether to go on while it waits.
void AskWhileWaiting(GarminLink& link, ProgressSink* progress);

}  // namespace korvance
