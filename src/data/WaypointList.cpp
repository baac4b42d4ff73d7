#include "data/WaypointList.h"

#include <cstdio>
#include <new>
#include <stdexcept>

#include "data/ListMessages.h"
#include "data/TextUtil.h"

namespace korvance {

WaypointRecord makeWaypointRecord(std::string_view identifier, double latitude, double longitude,
                                  std::string_view comment, int16_t symbol, int16_t displayOption,
                                  double proximity, double altitude, const CodePage* codePage) {
    WaypointRecord r;
    r.identifier.set(identifier, codePage);
    r.latitude = latitude;
    r.longitude = longitude;
    r.comment.set(comment, codePage);
    r.symbol = symbol;
    r.displayOption = displayOption;
    r.proximity = toFloatField(proximity);
    r.altitude = toFloatField(altitude);
    return r;
}

bool growByOne(std::vector<WaypointRecord>& v, const WaypointRecord& record) {
    try {
        std::vector<WaypointRecord> grown;
        grown.reserve(v.size() + 1);
        grown.assign(v.begin(), v.end());
        grown.push_back(record);
        v.swap(grown);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

int WaypointList::add(UserPrompt& prompt, std::string_view identifier, double latitude, double longitude,
                      std::string_view comment, int16_t symbol, int16_t displayOption, double proximity,
                      double altitude) {
    return add(prompt, makeWaypointRecord(identifier, latitude, longitude, comment, symbol, displayOption,
                                          proximity, altitude, codePage_));
}

int WaypointList::add(UserPrompt& prompt, const WaypointRecord& record) {
    if (!checkRoom(prompt)) return 0;
    return addChecked(prompt, record);
}

bool WaypointList::checkRoom(UserPrompt& prompt) const {
    if (records_.size() >= maximum_) {
        showListLimit(prompt, kMsgWaypointOverflow);
        return false;
    }
    return true;
}

int WaypointList::addChecked(UserPrompt& prompt, const WaypointRecord& record) {
    if (auto dup = find(record.identifier.view())) {
        std::string text = oemToUi(codePage_, records_[*dup].identifier.view(), 64) +
                           " already exist.\nDo you wish to continue?";
        return prompt.ask(text, kAppCaption, Buttons::YesNo, Icon::None) == Answer::Yes ? 1 : 0;
    }
    if (!growByOne(records_, record)) {
        showNotEnoughMemory(prompt);
        return 0;
    }
    return 1;
}

void WaypointList::clear() {
    std::vector<WaypointRecord>().swap(records_);
}

std::optional<uint32_t> WaypointList::find(std::string_view identifier) const {
    for (size_t i = 0; i < records_.size(); ++i)
        if (records_[i].identifier.view() == identifier) return static_cast<uint32_t>(i);
    return std::nullopt;
}

std::string_view WaypointList::identifier(uint32_t index) const {
    auto r = record(index);
    return r ? r->identifier.view() : std::string_view();
}
std::string_view WaypointList::comment(uint32_t index) const {
    auto r = record(index);
    return r ? r->comment.view() : std::string_view();
}
size_t WaypointList::copyIdentifier(uint32_t index, char* buffer, size_t size) const {
    return copyToBuffer(buffer, size, identifier(index));
}
size_t WaypointList::copyComment(uint32_t index, char* buffer, size_t size) const {
    return copyToBuffer(buffer, size, comment(index));
}
double WaypointList::latitude(uint32_t index) const {
    auto r = record(index);
    return r ? r->latitude : 0;
}
double WaypointList::longitude(uint32_t index) const {
    auto r = record(index);
    return r ? r->longitude : 0;
}
int16_t WaypointList::symbol(uint32_t index) const {
    auto r = record(index);
    return r ? r->symbol : 0;
}
int16_t WaypointList::displayOption(uint32_t index) const {
    auto r = record(index);
    return r ? r->displayOption : 0;
}
double WaypointList::altitude(uint32_t index) const {
    auto r = record(index);
    return r ? double(r->altitude) : 0;
}
double WaypointList::proximity(uint32_t index) const {
    auto r = record(index);
    return r ? double(r->proximity) : 0;
}

bool WaypointList::setIdentifier(uint32_t index, std::string_view identifier) {
    auto r = at(index);
    if (!r) return false;
    r->identifier.set(identifier, codePage_);
    return true;
}
bool WaypointList::setPosition(uint32_t index, double latitude, double longitude) {
    auto r = at(index);
    if (!r) return false;
    r->latitude = latitude;
    r->longitude = longitude;
    return true;
}
bool WaypointList::setComment(uint32_t index, std::string_view comment) {
    auto r = at(index);
    if (!r) return false;
    r->comment.set(comment, codePage_);
    return true;
}
bool WaypointList::setSymbol(uint32_t index, int16_t symbol) {
    auto r = at(index);
    if (!r) return false;
    r->symbol = symbol;
    return true;
}
bool WaypointList::setDisplayOption(uint32_t index, int16_t displayOption) {
    auto r = at(index);
    if (!r) return false;
    r->displayOption = displayOption;
    return true;
}
bool WaypointList::setProximity(uint32_t index, double proximity) {
    auto r = at(index);
    if (!r) return false;
    r->proximity = toFloatField(proximity);
    return true;
}
bool WaypointList::setAltitude(uint32_t index, double altitude) {
    auto r = at(index);
    if (!r) return false;
    r->altitude = toFloatField(altitude);
    return true;
}

std::optional<std::string> WaypointList::nextAutoIdentifier(UserPrompt& prompt) const {
    if (!checkRoom(prompt)) return std::nullopt;
    for (uint32_t n = 0; n < maximum_; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "W%5.5u", n);
        if (!find(name)) {
            std::string s(name);
            // Names past W99999 no longer have the six characters of the form.
            if (s.size() != 6) return std::nullopt;
            return s;
        }
    }
    return std::nullopt;
}

}  // namespace korvance
