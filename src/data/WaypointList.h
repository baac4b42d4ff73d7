#pragma once
// The document's waypoints: a bounded, ordered list of fixed records in one
// contiguous array, so that it is written to and read from files as a block.
// Every source of waypoints adds through add(), which enforces the maximum
// count and asks about duplicate identifiers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/WaypointRecord.h"
#include "platform/CodePage.h"
#include "platform/UserPrompt.h"

namespace korvance {

class WaypointList {
public:
    // `codePage` (may be null: Latin-1) cuts text fields and turns
    // identifiers into message text; it must outlive the list.
    explicit WaypointList(uint32_t maximumCount, const CodePage* codePage = nullptr)
        : maximum_(maximumCount), codePage_(codePage) {}

    // 1: go on (added, or a duplicate the user chose to skip); 0: stop (list
    // full, duplicate refused, or out of memory). The list is unchanged on 0.
    int add(UserPrompt& prompt, std::string_view identifier, double latitude, double longitude,
            std::string_view comment, int16_t symbol, int16_t displayOption, double proximity, double altitude);
    // The same for a record already in record form (its text fields are kept as they are).
    int add(UserPrompt& prompt, const WaypointRecord& record);

    void clear();

    uint32_t count() const { return static_cast<uint32_t>(records_.size()); }
    uint32_t maximumCount() const { return maximum_; }
    // Allocated records; the array grows by exactly one record per addition.
    size_t capacity() const { return records_.capacity(); }
    const std::vector<WaypointRecord>& records() const { return records_; }
    const WaypointRecord* record(uint32_t index) const {
        return index < records_.size() ? &records_[index] : nullptr;
    }
    // Index of the first record with exactly this identifier.
    std::optional<uint32_t> find(std::string_view identifier) const;

    // Getters: an index at or beyond the count yields 0 or empty text.
    std::string_view identifier(uint32_t index) const;
    std::string_view comment(uint32_t index) const;
    size_t copyIdentifier(uint32_t index, char* buffer, size_t size) const;
    size_t copyComment(uint32_t index, char* buffer, size_t size) const;
    double latitude(uint32_t index) const;
    double longitude(uint32_t index) const;
    int16_t symbol(uint32_t index) const;
    int16_t displayOption(uint32_t index) const;
    double altitude(uint32_t index) const;
    double proximity(uint32_t index) const;

    // Setters: false for an index at or beyond the count.
    bool setIdentifier(uint32_t index, std::string_view identifier);
    bool setPosition(uint32_t index, double latitude, double longitude);
    bool setComment(uint32_t index, std::string_view comment);
    bool setSymbol(uint32_t index, int16_t symbol);
    bool setDisplayOption(uint32_t index, int16_t displayOption);
    bool setProximity(uint32_t index, double proximity);
    bool setAltitude(uint32_t index, double altitude);

    // The first free name W00000, W00001 ... for a waypoint placed on the map;
    // empty (after "Waypoint overflow!") when the list is full.
    std::optional<std::string> nextAutoIdentifier(UserPrompt& prompt) const;

    // Replaces every record with records read from a file. No limit is
    // enforced here: later additions report the overflow instead.
    void assign(std::vector<WaypointRecord> records) { records_ = std::move(records); }

    const CodePage* codePage() const { return codePage_; }

private:
    bool checkRoom(UserPrompt& prompt) const;
    int addChecked(UserPrompt& prompt, const WaypointRecord& record);
    WaypointRecord* at(uint32_t index) { return index < records_.size() ? &records_[index] : nullptr; }

    uint32_t maximum_;
    const CodePage* codePage_;
    std::vector<WaypointRecord> records_;
};

// Builds a record the way the lists store one: text cut to its field, the
// distances narrowed to float.
WaypointRecord makeWaypointRecord(std::string_view identifier, double latitude, double longitude,
                                  std::string_view comment, int16_t symbol, int16_t displayOption,
                                  double proximity, double altitude, const CodePage* codePage);

// Appends one record to `v`, growing its array by exactly one element. False
// (and `v` unchanged) when memory runs out.
bool growByOne(std::vector<WaypointRecord>& v, const WaypointRecord& record);

}  // namespace korvance
