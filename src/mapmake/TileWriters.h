#pragma once
// Tile image writers: the map maker's tiles, the demo map set and test maps.
// The map room only reads tiles.

#include <cstdint>
#include <string>
#include <vector>

#include "maps/MapImage.h"

namespace korvance {

// Paletted writes need every pixel's colour in the palette (else index 0).
// bits: 1, 2, 4, 8 with a palette; 24 without. rle: RLE8 (bits 8) or RLE4
// (bits 4) compression. Return true on success.
bool WriteBmp(const std::string& path, const RasterImage& image, int bits,
              const std::vector<uint32_t>& palette = {}, bool rle = false);
bool WritePngRgb(const std::string& path, const RasterImage& image);

}  // namespace korvance
