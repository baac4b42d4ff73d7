#include "dialogs/Pickers.h"

#include "data/TextUtil.h"
#include "dialogs/DialogText.h"

namespace korvance {

namespace {
constexpr size_t kPickerIdentifierChars = 16;
constexpr size_t kRouteNameChars = 64;
}  // namespace

std::vector<std::string> waypointPickerEntries(const WaypointList& list) {
    std::vector<std::string> entries;
    entries.reserve(list.count());
    for (uint32_t i = 0; i < list.count(); ++i)
        entries.push_back(oemToUi(list.codePage(), list.identifier(i), kPickerIdentifierChars));
    return entries;
}

std::vector<std::string> routeNameEntries(const CRouteField& routes) {
    std::vector<std::string> entries;
    entries.reserve(routes.routeCount());
    for (const Route& r : routes.routes()) entries.push_back(oemToUi(routes.codePage(), r.name.view(), kRouteNameChars));
    return entries;
}

std::optional<int32_t> readRouteNumber(std::string_view text, UserPrompt& prompt) {
    auto n = readIntegerField(text, kRouteNumberMin, kRouteNumberMax, prompt);
    if (!n) return std::nullopt;
    return static_cast<int32_t>(*n);
}

}  // namespace korvance
