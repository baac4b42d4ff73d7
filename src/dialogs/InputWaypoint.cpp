#include "dialogs/InputWaypoint.h"

#include "data/TextUtil.h"
#include "dialogs/DialogText.h"

namespace korvance {

bool WaypointForm::validate(UserPrompt& prompt) const {
    const struct {
        const std::string& text;
        size_t limit;
    } fields[] = {
        {identifier, kIdentifierChars}, {first, kCoordinateChars}, {second, kCoordinateChars},
        {comment, kCommentChars},
    };
    for (const auto& f : fields) {
        if (uiLength(f.text) > f.limit) {
            prompt.message(lengthMessage(f.limit), kAppCaption, Icon::Warning);
            return false;
        }
    }
    return true;
}

WaypointForm WaypointForm::geographic() { return WaypointForm{}; }

WaypointForm WaypointForm::utm() {
    WaypointForm f;
    f.firstLabel = kEastingLabel;
    f.secondLabel = kNorthingLabel;
    f.zoneLabel = kZoneLabel;
    return f;
}

}  // namespace korvance
