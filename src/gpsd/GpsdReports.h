#pragma once
// The reports of gpsd's JSON protocol that a monitor needs: VERSION (which
// protocol the daemon speaks), TPV (a position) and ERROR. One report is one
// line of JSON; unknown classes and keys are ignored, so a newer gpsd of the
// same major protocol works as it is.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvance {

// The major protocol this monitor speaks; another major is refused.
inline constexpr int kGpsdProtocolMajor = 3;
inline constexpr const char* kGpsdWatch = "?WATCH={\"enable\":true,\"json\":true}\n";

// A position in the monitor protocol's units.
struct GpsdFix {
    int32_t latitude = 0;   // 1/921600 degree, north positive
    int32_t longitude = 0;  // same unit, east positive
    std::optional<int32_t> height;  // whole metres above mean sea level (3D fixes only)
    std::optional<int32_t> time;    // seconds since 1970-01-01 UTC
    friend bool operator==(const GpsdFix&, const GpsdFix&) = default;
};

struct GpsdReport {
    enum Kind { Ignored, Invalid, Version, Fix, Error } kind = Ignored;
    int protoMajor = 0, protoMinor = 0;  // Version
    std::string text;                    // Version: gpsd's release; Error: gpsd's message
    GpsdFix fix;                         // Fix
};

// One line of the daemon's output (without its line end). A TPV without a
// 2D or 3D fix, or without a usable latitude and longitude, is Ignored;
// a line that is not a JSON object with a "class" is Invalid.
GpsdReport ParseGpsdReport(std::string_view line);

// "2026-01-08T12:35:30.000Z" (fraction optional): whole seconds since 1970,
// empty for anything else or a time outside the monitor protocol's 32 bits.
std::optional<int32_t> ParseGpsdTime(std::string_view text);

// "host:port", "host", "[v6 address]:port" or ":port"; the port is 1..65535,
// 2947 when not given. False for anything else.
inline constexpr const char* kGpsdDefaultHost = "localhost";
inline constexpr int kGpsdDefaultPort = 2947;
bool ParseGpsdServer(std::string_view text, std::string& host, int& port);

}  // namespace korvance
