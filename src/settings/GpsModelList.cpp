#include "settings/GpsModelList.h"

namespace korvance::GpsModelList {

namespace {

constexpr GpsModelEntry kRows[] = {
    {87, 1, 4103, "GPS12"},        {138, 1, 4103, "GPS12(2)"},     {77, 1, 4103, "GPS12XL"},
    {96, 1, 4103, "GPS12XL(2)"},   {105, 2, 4103, "GPS12XLJ"},     {116, 1, 4103, "GPS12CX"},
    {129, 1, 4104, "GPS12MAP"},    {41, 1, 4101, "GPS38"},         {62, 2, 4101, "GPS38J"},
    {31, 1, 4101, "GPS40"},        {96, 1, 4103, "GPS48"},         {59, 1, 4103, "GPS II"},
    {73, 1, 4103, "GPS II Plus"},  {97, 1, 4103, "GPS II Plus(2)"}, {-1, 1, -1, kOtherGarmin},
};

}  // namespace

std::span<const GpsModelEntry> rows() { return kRows; }
size_t count() { return std::size(kRows); }

int32_t idAt(size_t index) { return index < count() ? kRows[index].productId : 0; }
uint32_t charSetAt(size_t index) { return index < count() ? kRows[index].charSet : 1; }

std::string nameAt(size_t index, size_t size) {
    if (index >= count() || size == 0) return {};
    std::string name = kRows[index].name;  // ASCII: characters are bytes
    if (name.size() > size - 1) name.resize(size - 1);
    return name;
}

int indexOfId(int32_t productId) {
    for (size_t i = 0; i < count(); ++i)
        if (kRows[i].productId == productId) return static_cast<int>(i);
    return -1;
}

int indexOfName(const std::string& name) {
    for (size_t i = 0; i < count(); ++i)
        if (name == kRows[i].name) return static_cast<int>(i);
    return -1;
}

int32_t protocolCode(int32_t productId) {
    int i = indexOfId(productId);
    return i < 0 ? 4101 : kRows[i].protocolCode;
}

}  // namespace korvance::GpsModelList
