#pragma once
// The Garmin receiver models the user chooses from. The order is the order
// shown to the user; lookups by product id scan from the first row and take
// the first match (two rows share id 96).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace korvance {

struct GpsModelEntry {
    int32_t productId;     // -1 for the catch-all row
    uint32_t charSet;      // 1 plain, 2 Japanese
    int32_t protocolCode;  // 4000 + waypoint D number; -1 for the catch-all row
    const char* name;
};

inline constexpr const char* kOtherGarmin = "Other Garmin";
inline constexpr size_t kGpsModelNameWidth = 20;  // characters with the terminator

namespace GpsModelList {

std::span<const GpsModelEntry> rows();
size_t count();
int32_t idAt(size_t index);          // 0 past the end
uint32_t charSetAt(size_t index);    // 1 past the end
// The name cut to size - 1 characters; "" past the end or for size 0.
std::string nameAt(size_t index, size_t size = kGpsModelNameWidth);
int32_t protocolCode(int32_t productId);  // 4101 when no row has the id
// Index of the first row with the id, or -1.
int indexOfId(int32_t productId);
// Index of the row with exactly this name, or -1.
int indexOfName(const std::string& name);

}  // namespace GpsModelList
}  // namespace korvance
