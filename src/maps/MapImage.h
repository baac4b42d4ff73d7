#pragma once
// Tile images as plain pixel buffers: PNG through libpng, the BMP family
// (1, 2, 4, 8, 16, 24, 32 bits, RLE4, RLE8, bit fields) through our own reader.
// Writing tiles is the map maker's (mapmake/TileWriters.h).
// The 2-bit "2bp" tiles are BMP files with 2 bits per pixel.

#include <cstdint>
#include <string>
#include <vector>

namespace korvance {

// Top-down rows, one 32-bit word per pixel: 0x00RRGGBB.
struct RasterImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    void reset(int w, int h, uint32_t fill);
    // The size set to w x h without clearing the pixels, for a decoder that
    // writes every one; a same-sized image's storage is reused.
    void resize(int w, int h);
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * width; }
    const uint32_t* row(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }
};

constexpr uint32_t kWhite = 0x00FFFFFF;

// Largest tile we agree to decode: no count read from a file is trusted for an
// allocation beyond this.
constexpr int kMaxImageSide = 16384;
constexpr int64_t kMaxImagePixels = 64LL * 1024 * 1024;

// Decodes a PNG file into `out`. Returns 1 on success, 0 on any failure (missing
// file, not a PNG, damaged data, oversized image); `out` is then empty.
// bitsPerPixel receives 8 for palette images and 24 for the others.
int DecodePng(const std::string& path, RasterImage& out, int* width = nullptr, int* height = nullptr,
              int* bitsPerPixel = nullptr);

// A block of pixels to draw an image into: `width` x `height` pixels from
// `first`, rows `stride` pixels apart (a tile's slot in the window).
struct PixelBlock {
    uint32_t* first = nullptr;
    size_t stride = 0;
    int width = 0;
    int height = 0;
};
// Copies `image` into `block`: a larger image is cut at its right and bottom
// edges, a smaller one leaves the rest of the block white.
void CopyInto(const RasterImage& image, PixelBlock block);
// Decodes a PNG file straight into `block`, as CopyInto would place it, with
// no image in between. Returns 1 on success, 0 on any failure (the block is
// then left as it was).
int DecodePngInto(const std::string& path, PixelBlock block);

// Decodes a BMP-family file (also the 2-bit "2bp" form). Returns 1 on success, 0 otherwise.
int DecodeBmp(const std::string& path, RasterImage& out, int* bitsPerPixel = nullptr);
int DecodeBmpBytes(const uint8_t* data, size_t size, RasterImage& out, int* bitsPerPixel = nullptr);

}  // namespace korvance
