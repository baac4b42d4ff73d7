#include "files/GarminSymbols.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace korvance::files {

namespace {

struct Symbol {
    int16_t number;
    const char* name;
};

// The common symbols of Garmin receivers, by number. Where several names are
// in use for one number, the first row wins when writing.
constexpr Symbol kSymbols[] = {
    {0, "Anchor"},
    {1, "Bell"},
    {2, "Diamond, Green"},
    {3, "Diamond, Red"},
    {4, "Diver Down Flag 1"},
    {5, "Diver Down Flag 2"},
    {6, "Bank"},
    {7, "Fishing Area"},
    {8, "Gas Station"},
    {9, "Horn"},
    {10, "Residence"},
    {11, "Restaurant"},
    {12, "Light"},
    {13, "Bar"},
    {14, "Skull and Crossbones"},
    {15, "Square, Green"},
    {16, "Square, Red"},
    {17, "Buoy, White"},
    {18, "Waypoint"},
    {19, "Shipwreck"},
    {21, "Man Overboard"},
    {22, "Navaid, Amber"},
    {23, "Navaid, Black"},
    {24, "Navaid, Blue"},
    {25, "Navaid, Green"},
    {26, "Navaid, Green/Red"},
    {27, "Navaid, Green/White"},
    {28, "Navaid, Orange"},
    {29, "Navaid, Red"},
    {30, "Navaid, Red/Green"},
    {31, "Navaid, Red/White"},
    {32, "Navaid, Violet"},
    {33, "Navaid, White"},
    {34, "Navaid, White/Green"},
    {35, "Navaid, White/Red"},
    {36, "White Dot"},
    {37, "Radio Beacon"},
    {150, "Boat Ramp"},
    {151, "Campground"},
    {152, "Restroom"},
    {153, "Shower"},
    {154, "Drinking Water"},
    {155, "Telephone"},
    {156, "Medical Facility"},
    {157, "Information"},
    {158, "Parking Area"},
    {159, "Park"},
    {160, "Picnic Area"},
    {161, "Scenic Area"},
    {162, "Skiing Area"},
    {163, "Swimming Area"},
    {164, "Dam"},
    {165, "Controlled Area"},
    {166, "Danger Area"},
    {167, "Restricted Area"},
    {169, "Ball Park"},
    {170, "Car"},
    {171, "Hunting Area"},
    {172, "Shopping Center"},
    {173, "Lodging"},
    {174, "Mine"},
    {175, "Trail Head"},
    {176, "Truck Stop"},
    {177, "Exit"},
    {178, "Flag"},
    {179, "Circle with X"},
    {8195, "Mile Marker"},
    {8196, "TracBack Point"},
    {8197, "Golf Course"},
    {8198, "City (Small)"},
    {8199, "City (Medium)"},
    {8200, "City (Large)"},
    {8203, "City (Capitol)"},
    {8204, "Amusement Park"},
    {8205, "Bowling"},
    {8206, "Car Rental"},
    {8207, "Car Repair"},
    {8208, "Fast Food"},
    {8209, "Fitness Center"},
    {8210, "Movie Theater"},
    {8211, "Museum"},
    {8212, "Pharmacy"},
    {8213, "Pizza"},
    {8214, "Post Office"},
    {8215, "RV Park"},
    {8216, "School"},
    {8217, "Stadium"},
    {8218, "Department Store"},
    {8219, "Zoo"},
    {8220, "Convenience Store"},
    {8221, "Live Theater"},
    {8227, "Toll Booth"},
    {8233, "Bridge"},
    {8234, "Building"},
    {8235, "Cemetery"},
    {8236, "Church"},
    {8238, "Crossing"},
    {8243, "Tunnel"},
    {8244, "Beach"},
    {8245, "Forest"},
    {8246, "Summit"},
    {8255, "Geocache"},
    {8256, "Geocache Found"},
    {8284, "Flag, Blue"},
    {8285, "Flag, Green"},
    {8286, "Flag, Red"},
    {8287, "Pin, Blue"},
    {8288, "Pin, Green"},
    {8289, "Pin, Red"},
};

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

std::string garminSymbolName(int16_t symbol) {
    const auto it = std::find_if(std::begin(kSymbols), std::end(kSymbols),
                                 [symbol](const Symbol& s) { return s.number == symbol; });
    return it != std::end(kSymbols) ? std::string(it->name) : std::to_string(symbol);
}

std::optional<int16_t> garminSymbolNumber(std::string_view text) {
    text = trimmed(text);
    for (const Symbol& s : kSymbols)
        if (sameName(text, s.name)) return s.number;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < INT16_MIN || value > INT16_MAX)
        return std::nullopt;
    return int16_t(value);
}

}  // namespace korvance::files
