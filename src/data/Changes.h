#pragma once
// What a command handler changed in the document. Handlers change the data
// they were given and return this; the document alone turns it into the
// view's flags (fit pending, new data), the modified flag and a redraw, so
// that every command follows the same rules.

#include <cstdint>

namespace korvance {

class Changes {
public:
    enum Bit : uint16_t {
        None = 0,
        Track = 1 << 0,         // the track was replaced (or removed)
        Waypoints = 1 << 1,     // waypoints were replaced or added
        Routes = 1 << 2,        // routes were replaced or added
        MapOpened = 1 << 3,     // another map was opened: centre it on the track at the next redraw
        MapDiscarded = 1 << 4,  // the map was closed: fit the view to the data
        Modified = 1 << 5,      // the data now differs from the last document saved
        Saved = 1 << 6,         // the data now equals a document file (opened or saved): not modified
        Redraw = 1 << 7,        // something else on screen changed
    };

    constexpr Changes(unsigned bits = None) : bits_(static_cast<uint16_t>(bits)) {}

    constexpr bool has(Bit bit) const { return (bits_ & bit) != 0; }
    constexpr bool any() const { return bits_ != 0; }
    // New track, waypoints or routes: the view fits them (when no map is loaded).
    constexpr bool dataArrived() const { return (bits_ & (Track | Waypoints | Routes)) != 0; }
    // Anything the views show changed.
    constexpr bool needsRedraw() const {
        return dataArrived() || (bits_ & (MapOpened | MapDiscarded | Redraw)) != 0;
    }
    constexpr uint16_t bits() const { return bits_; }

    constexpr Changes& operator|=(Changes other) {
        bits_ = static_cast<uint16_t>(bits_ | other.bits_);
        return *this;
    }
    friend constexpr Changes operator|(Changes a, Changes b) { return a |= b; }
    friend constexpr bool operator==(Changes a, Changes b) { return a.bits_ == b.bits_; }

private:
    uint16_t bits_;
};

}  // namespace korvance
