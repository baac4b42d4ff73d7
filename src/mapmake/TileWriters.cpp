#include "mapmake/TileWriters.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>

#include "data/Bytes.h"

namespace korvance {

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

// Encodes one row of palette indices as RLE8 or RLE4 runs (runs only: every
// run is a repeat of one index, or for RLE4 of an alternating pair).
void encodeRleRow(std::vector<uint8_t>& b, const std::vector<uint8_t>& idx, bool four) {
    size_t x = 0;
    while (x < idx.size()) {
        size_t n = 1;
        while (x + n < idx.size() && idx[x + n] == idx[x] && n < 255) ++n;
        b.push_back(static_cast<uint8_t>(n));
        b.push_back(four ? static_cast<uint8_t>(idx[x] << 4 | idx[x]) : idx[x]);
        x += n;
    }
    b.push_back(0);
    b.push_back(0);
}

}  // namespace

bool WriteBmp(const std::string& path, const RasterImage& image, int bits, const std::vector<uint32_t>& palette,
              bool rle) {
    if (image.width <= 0 || image.height <= 0) return false;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 24) return false;
    if (rle && bits != 4 && bits != 8) return false;
    const int w = image.width, h = image.height;
    const size_t entries = bits <= 8 ? (size_t{1} << bits) : 0;
    std::vector<uint8_t> body;
    const size_t stride = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
    auto indexOf = [&](uint32_t c) -> uint8_t {
        for (size_t i = 0; i < palette.size() && i < entries; ++i)
            if (palette[i] == c) return static_cast<uint8_t>(i);
        return 0;
    };
    for (int r = h - 1; r >= 0; --r) {
        const uint32_t* src = image.row(r);
        if (rle) {
            std::vector<uint8_t> idx(w);
            for (int x = 0; x < w; ++x) idx[x] = indexOf(src[x]);
            encodeRleRow(body, idx, bits == 4);
            continue;
        }
        std::vector<uint8_t> line(stride, 0);
        for (int x = 0; x < w; ++x) {
            if (bits == 24) {
                line[3 * x] = src[x] & 0xFF;
                line[3 * x + 1] = (src[x] >> 8) & 0xFF;
                line[3 * x + 2] = (src[x] >> 16) & 0xFF;
            } else {
                const uint8_t i = indexOf(src[x]);
                const int perByte = 8 / bits;
                const int shift = 8 - bits * (x % perByte + 1);
                line[x / perByte] |= static_cast<uint8_t>(i << shift);
            }
        }
        body.insert(body.end(), line.begin(), line.end());
    }
    if (rle) {
        body.push_back(0);
        body.push_back(1);
    }
    std::vector<uint8_t> file;
    const uint32_t offset = 14 + 40 + static_cast<uint32_t>(entries * 4);
    file.push_back('B');
    file.push_back('M');
    appendLE32(file, offset + static_cast<uint32_t>(body.size()));
    appendLE32(file, 0);
    appendLE32(file, offset);
    appendLE32(file, 40);
    appendLE32(file, static_cast<uint32_t>(w));
    appendLE32(file, static_cast<uint32_t>(h));
    appendLE16(file, 1);
    appendLE16(file, static_cast<uint16_t>(bits));
    appendLE32(file, rle ? (bits == 8 ? 1u : 2u) : 0u);
    appendLE32(file, static_cast<uint32_t>(body.size()));
    appendLE32(file, 2835);
    appendLE32(file, 2835);
    appendLE32(file, static_cast<uint32_t>(entries));
    appendLE32(file, 0);
    for (size_t i = 0; i < entries; ++i) appendLE32(file, i < palette.size() ? palette[i] & 0xFFFFFF : 0);
    file.insert(file.end(), body.begin(), body.end());
    FilePtr f(std::fopen(path.c_str(), "wb"));
    if (!f) return false;
    const bool ok = std::fwrite(file.data(), 1, file.size(), f.get()) == file.size();
    return std::fclose(f.release()) == 0 && ok;
}

namespace {
int writePngJob(FILE* f, const RasterImage& image, std::vector<uint8_t>& line) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        const uint32_t* src = image.row(y);
        for (int x = 0; x < image.width; ++x) {
            line[3 * x] = (src[x] >> 16) & 0xFF;
            line[3 * x + 1] = (src[x] >> 8) & 0xFF;
            line[3 * x + 2] = src[x] & 0xFF;
        }
        png_write_row(png, line.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return 1;
}
}  // namespace

bool WritePngRgb(const std::string& path, const RasterImage& image) {
    if (image.width <= 0 || image.height <= 0) return false;
    FilePtr f(std::fopen(path.c_str(), "wb"));
    if (!f) return false;
    std::vector<uint8_t> line(static_cast<size_t>(image.width) * 3);
    const int ok = writePngJob(f.get(), image, line);
    return std::fclose(f.release()) == 0 && ok;
}

}  // namespace korvance
