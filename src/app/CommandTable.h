#pragma once
// The menu of the main window and its nine accelerators, as data: the front
// end builds its menu bar from this table and routes every id through the
// command chain (view, document, frame, application). An id that no link of
// the chain handles is shown disabled.

#include <cstdint>
#include <span>

namespace korvance {

enum class CommandOwner { Doc, View, App, Framework };

struct MenuItem {
    int menu;           // index into kMenuTitles
    const char* text;   // nullptr: a separator
    uint16_t id;
    CommandOwner owner;
};

// A key with or without Control; `key` is an upper-case letter or kKeyEscape.
struct Accelerator {
    int key;
    bool control;
    uint16_t id;
};
inline constexpr int kKeyEscape = 0x1B;

std::span<const char* const> menuTitles();
std::span<const MenuItem> menuItems();
std::span<const Accelerator> accelerators();
// The menu text of an id ("" for accelerator-only and unknown ids).
const char* menuTextOf(uint16_t id);

}  // namespace korvance
