#include "maps/MapImage.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "data/Bytes.h"
#include "platform/AtomicFile.h"

namespace korvance {

void RasterImage::reset(int w, int h, uint32_t fill) {
    width = w;
    height = h;
    pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), fill);
}

void RasterImage::resize(int w, int h) {
    width = w;
    height = h;
    pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
}

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// ---------------------------------------------------------------- PNG

void pngRead(png_structp png, png_bytep data, png_size_t length) {
    FILE* f = static_cast<FILE*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, f) != length) png_error(png, "Read Error");
}

// Quiet handlers: a damaged tile is reported once by the window, not on stderr.
void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

struct PngJob {
    FILE* file = nullptr;
    std::vector<uint8_t> rows;  // decoded RGB rows, and one spare byte
    std::vector<png_bytep> rowPointers;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitsPerPixel = 24;
};

// Only trivially destructible locals live in this frame, so the longjmp of an
// error skips no destructor; the buffers belong to the caller's PngJob.
int decodePngJob(PngJob& job) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_read_fn(png, job.file, pngRead);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    if (static_cast<int64_t>(width) * height > kMaxImagePixels) png_error(png, "too large");
    job.bitsPerPixel = colourType == PNG_COLOR_TYPE_PALETTE ? 8 : 24;

    if (bitDepth == 16)
        png_set_strip_16(png);
    else if (bitDepth < 8)
        png_set_packing(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_expand_gray_1_2_4_to_8(png);
    // The window is true colour, so palette images are expanded here rather than
    // carried with a colour table: the pixels come out the same.
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    png_set_gray_to_rgb(png);

    png_color_16p fileBackground = nullptr;
    if (png_get_bKGD(png, info, &fileBackground)) {
        png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
        // 16-bit samples are composited before they are cut to 8 bits: over 65535
        // libpng's gamma tables give 0xFE, over 65280 (0xFF00) a true white.
        png_color_16 white{};
        const png_uint_16 full = bitDepth == 16 ? 65280 : 255;
        white.red = white.green = white.blue = white.gray = full;
        png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    double fileGamma = 0;
    if (!png_get_gAMA(png, info, &fileGamma)) fileGamma = 0.45455;
    png_set_gamma(png, 2.2, fileGamma);

    png_read_update_info(png, info);
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    const png_size_t rowBytes = png_get_rowbytes(png, info);
    if (png_get_channels(png, info) != 3 || bitDepth != 8 || rowBytes != static_cast<png_size_t>(width) * 3)
        png_error(png, "unexpected layout");
    job.width = width;
    job.height = height;
    job.rows.resize(rowBytes * height + 1);
    job.rowPointers.resize(height);
    for (png_uint_32 i = 0; i < height; ++i) job.rowPointers[i] = job.rows.data() + rowBytes * i;
    png_read_image(png, job.rowPointers.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return 1;
}

// ---------------------------------------------------------------- BMP

int shiftOf(uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}
// Scales the masked field of v to 0..255.
uint32_t channel(uint32_t v, uint32_t mask) {
    if (!mask) return 0;
    const int s = shiftOf(mask);
    const uint32_t m = mask >> s;
    return static_cast<uint32_t>((static_cast<uint64_t>((v & mask) >> s) * 255 + m / 2) / m);
}

// Opens `path` and decodes its PNG data into `job`; 0 when it cannot.
int decodePngFile(const std::string& path, PngJob& job) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    unsigned char signature[8];
    if (!f || std::fread(signature, 1, 8, f.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) return 0;
    job.file = f.get();
    return decodePngJob(job);
}

// Fills `block`: the first w pixels of each of its first h rows by
// `copyRow(y, destination, w)`, the rest white.
template <typename CopyRow>
void fillBlock(PixelBlock block, int w, int h, CopyRow copyRow) {
    w = std::min(w, block.width);
    h = std::min(h, block.height);
    for (int y = 0; y < block.height; ++y) {
        uint32_t* dst = block.first + block.stride * static_cast<size_t>(y);
        if (y < h) {
            copyRow(y, dst, w);
            std::fill(dst + w, dst + block.width, kWhite);
        } else {
            std::fill_n(dst, block.width, kWhite);
        }
    }
}

// The decoded RGB rows of `job` into `block` as 0x00RRGGBB pixels.
void convertRows(const PngJob& job, PixelBlock block) {
    fillBlock(block, static_cast<int>(job.width), static_cast<int>(job.height), [&](int y, uint32_t* dst, int w) {
        // R, G, B and the next byte read as one big-endian word and shifted
        // give 0x00RRGGBB; the spare byte after the last row serves the last
        // pixel.
        const uint8_t* src = job.rowPointers[static_cast<size_t>(y)];
        for (int x = 0; x < w; ++x, src += 3) {
            uint32_t word;
            std::memcpy(&word, src, 4);
            if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap32(word);
            dst[x] = word >> 8;
        }
    });
}

}  // namespace

void CopyInto(const RasterImage& image, PixelBlock block) {
    fillBlock(block, image.width, image.height, [&](int y, uint32_t* dst, int w) {
        std::memcpy(dst, image.row(y), static_cast<size_t>(w) * 4);
    });
}

int DecodePngInto(const std::string& path, PixelBlock block) {
    PngJob job;
    if (!decodePngFile(path, job)) return 0;
    convertRows(job, block);
    return 1;
}

int DecodePng(const std::string& path, RasterImage& out, int* width, int* height, int* bitsPerPixel) {
    PngJob job;
    if (!decodePngFile(path, job)) {
        out = RasterImage{};
        return 0;
    }
    const int w = static_cast<int>(job.width), h = static_cast<int>(job.height);
    out.resize(w, h);
    convertRows(job, PixelBlock{out.pixels.data(), static_cast<size_t>(w), w, h});
    if (width) *width = w;
    if (height) *height = h;
    if (bitsPerPixel) *bitsPerPixel = job.bitsPerPixel;
    return 1;
}

int DecodeBmp(const std::string& path, RasterImage& out, int* bitsPerPixel) {
    out = RasterImage{};
    std::vector<uint8_t> bytes;
    // A tile of the largest accepted size in 32 bits, plus headers.
    if (!readWholeFile(path, bytes, nullptr, static_cast<size_t>(kMaxImagePixels) * 4 + 4096)) return 0;
    return DecodeBmpBytes(bytes.data(), bytes.size(), out, bitsPerPixel);
}

int DecodeBmpBytes(const uint8_t* data, size_t size, RasterImage& out, int* bitsPerPixel) {
    out = RasterImage{};
    if (size < 26 || data[0] != 'B' || data[1] != 'M') return 0;
    const uint32_t pixelOffset = loadLE32(data + 10);
    const uint32_t headerSize = loadLE32(data + 14);
    int64_t width = 0, height = 0;
    uint32_t bits = 0, compression = 0, coloursUsed = 0;
    size_t paletteAt = 14 + static_cast<size_t>(headerSize);
    int paletteEntryBytes = 4;
    uint32_t masks[3] = {0, 0, 0};
    if (headerSize == 12) {
        width = static_cast<int16_t>(loadLE16(data + 18));
        height = static_cast<int16_t>(loadLE16(data + 20));
        bits = loadLE16(data + 24);
        paletteEntryBytes = 3;
    } else if (headerSize >= 40 && headerSize <= 255 && size >= 14 + static_cast<size_t>(headerSize)) {
        width = static_cast<int32_t>(loadLE32(data + 18));
        height = static_cast<int32_t>(loadLE32(data + 22));
        bits = loadLE16(data + 28);
        compression = loadLE32(data + 30);
        coloursUsed = loadLE32(data + 46);
        if (compression == 3 || compression == 6) {
            if (headerSize >= 52) {
                for (int i = 0; i < 3; ++i) masks[i] = loadLE32(data + 54 + 4 * i);
            } else {
                if (size < 66) return 0;
                for (int i = 0; i < 3; ++i) masks[i] = loadLE32(data + 54 + 4 * i);
                paletteAt += 12;
            }
        }
    } else {
        return 0;
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
        width * height > kMaxImagePixels)
        return 0;
    const bool rle8 = compression == 1, rle4 = compression == 2;
    const bool fields = compression == 3 || compression == 6;
    switch (bits) {
        case 1: case 2: case 4: case 8: case 16: case 24: case 32: break;
        default: return 0;
    }
    if ((rle8 && bits != 8) || (rle4 && bits != 4) || (fields && bits != 16 && bits != 32) ||
        (compression > 3 && compression != 6))
        return 0;
    if (topDown && (rle8 || rle4)) return 0;
    if (bits == 16 && !fields) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    if (bits == 32 && !fields) masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;

    // Colour table: never more entries than the file holds or the depth can index.
    std::vector<uint32_t> palette;
    if (bits <= 8) {
        size_t entries = coloursUsed ? coloursUsed : (1u << bits);
        if (entries > (1u << bits)) entries = 1u << bits;
        if (paletteAt > size) return 0;
        const size_t room = (size - paletteAt) / paletteEntryBytes;
        if (entries > room) entries = room;
        palette.resize(entries);
        for (size_t i = 0; i < entries; ++i) {
            const uint8_t* e = data + paletteAt + i * paletteEntryBytes;
            palette[i] = static_cast<uint32_t>(e[2]) << 16 | static_cast<uint32_t>(e[1]) << 8 | e[0];
        }
    }
    auto colourOf = [&](uint32_t index) { return index < palette.size() ? palette[index] : 0u; };

    if (pixelOffset >= size) return 0;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    const uint8_t* pixels = data + pixelOffset;
    const size_t available = size - pixelOffset;
    out.reset(w, h, 0);

    if (rle8 || rle4) {
        // Pixels not painted by the stream stay at palette entry 0.
        const uint32_t background = colourOf(0);
        std::fill(out.pixels.begin(), out.pixels.end(), background);
        int x = 0, y = 0;  // y counts rows from the bottom
        size_t i = 0;
        auto put = [&](uint32_t index) {
            if (x < w && y < h) out.row(h - 1 - y)[x] = colourOf(index);
            ++x;
        };
        while (i + 1 < available && y < h) {
            const uint8_t count = pixels[i], value = pixels[i + 1];
            i += 2;
            if (count > 0) {
                for (int k = 0; k < count; ++k) put(rle8 ? value : (k & 1 ? value & 0x0F : value >> 4));
            } else if (value == 0) {
                x = 0;
                ++y;
            } else if (value == 1) {
                break;
            } else if (value == 2) {
                if (i + 1 >= available) break;
                x += pixels[i];
                y += pixels[i + 1];
                i += 2;
            } else {
                const size_t n = value;
                const size_t bytesUsed = rle8 ? n : (n + 1) / 2;
                if (i + bytesUsed > available) break;
                for (size_t k = 0; k < n; ++k)
                    put(rle8 ? pixels[i + k] : (k & 1 ? pixels[i + k / 2] & 0x0F : pixels[i + k / 2] >> 4));
                i += (bytesUsed + 1) & ~static_cast<size_t>(1);
            }
        }
    } else {
        const size_t stride = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
        if (stride * static_cast<size_t>(h) > available) {
            out = RasterImage{};
            return 0;
        }
        for (int r = 0; r < h; ++r) {
            const uint8_t* src = pixels + stride * static_cast<size_t>(r);
            uint32_t* dst = out.row(topDown ? r : h - 1 - r);
            for (int x = 0; x < w; ++x) {
                switch (bits) {
                    case 1: dst[x] = colourOf((src[x >> 3] >> (7 - (x & 7))) & 1); break;
                    case 2: dst[x] = colourOf((src[x >> 2] >> (6 - 2 * (x & 3))) & 3); break;
                    case 4: dst[x] = colourOf((src[x >> 1] >> (x & 1 ? 0 : 4)) & 15); break;
                    case 8: dst[x] = colourOf(src[x]); break;
                    case 24:
                        dst[x] = static_cast<uint32_t>(src[3 * x + 2]) << 16 |
                                 static_cast<uint32_t>(src[3 * x + 1]) << 8 | src[3 * x];
                        break;
                    default: {
                        const uint32_t v = bits == 16 ? loadLE16(src + 2 * x) : loadLE32(src + 4 * x);
                        dst[x] = channel(v, masks[0]) << 16 | channel(v, masks[1]) << 8 | channel(v, masks[2]);
                    }
                }
            }
        }
    }
    if (bitsPerPixel) *bitsPerPixel = static_cast<int>(bits);
    return 1;
}

}  // namespace korvance
