#include "maps/MapImage.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

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
        png_color_16 white{};
        const png_uint_16 full = bitDepth == 16 ? 65535 : 255;
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

uint32_t le16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

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

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t limit) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
        if (bytes.size() + n > limit) return false;
        bytes.insert(bytes.end(), buf, buf + n);
    }
    return !std::ferror(f.get());
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
    if (!readWholeFile(path, bytes, static_cast<size_t>(kMaxImagePixels) * 4 + 4096)) return 0;
    return DecodeBmpBytes(bytes.data(), bytes.size(), out, bitsPerPixel);
}

int DecodeBmpBytes(const uint8_t* data, size_t size, RasterImage& out, int* bitsPerPixel) {
    out = RasterImage{};
    if (size < 26 || data[0] != 'B' || data[1] != 'M') return 0;
    const uint32_t pixelOffset = le32(data + 10);
    const uint32_t headerSize = le32(data + 14);
    int64_t width = 0, height = 0;
    uint32_t bits = 0, compression = 0, coloursUsed = 0;
    size_t paletteAt = 14 + static_cast<size_t>(headerSize);
    int paletteEntryBytes = 4;
    uint32_t masks[3] = {0, 0, 0};
    if (headerSize == 12) {
        width = static_cast<int16_t>(le16(data + 18));
        height = static_cast<int16_t>(le16(data + 20));
        bits = le16(data + 24);
        paletteEntryBytes = 3;
    } else if (headerSize >= 40 && headerSize <= 255 && size >= 14 + static_cast<size_t>(headerSize)) {
        width = static_cast<int32_t>(le32(data + 18));
        height = static_cast<int32_t>(le32(data + 22));
        bits = le16(data + 28);
        compression = le32(data + 30);
        coloursUsed = le32(data + 46);
        if (compression == 3 || compression == 6) {
            if (headerSize >= 52) {
                for (int i = 0; i < 3; ++i) masks[i] = le32(data + 54 + 4 * i);
            } else {
                if (size < 66) return 0;
                for (int i = 0; i < 3; ++i) masks[i] = le32(data + 54 + 4 * i);
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
                        const uint32_t v = bits == 16 ? le16(src + 2 * x) : le32(src + 4 * x);
                        dst[x] = channel(v, masks[0]) << 16 | channel(v, masks[1]) << 8 | channel(v, masks[2]);
                    }
                }
            }
        }
    }
    if (bitsPerPixel) *bitsPerPixel = static_cast<int>(bits);
    return 1;
}

namespace {

void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

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
    put32(file, offset + static_cast<uint32_t>(body.size()));
    put32(file, 0);
    put32(file, offset);
    put32(file, 40);
    put32(file, static_cast<uint32_t>(w));
    put32(file, static_cast<uint32_t>(h));
    put16(file, 1);
    put16(file, static_cast<uint32_t>(bits));
    put32(file, rle ? (bits == 8 ? 1u : 2u) : 0u);
    put32(file, static_cast<uint32_t>(body.size()));
    put32(file, 2835);
    put32(file, 2835);
    put32(file, static_cast<uint32_t>(entries));
    put32(file, 0);
    for (size_t i = 0; i < entries; ++i) put32(file, i < palette.size() ? palette[i] & 0xFFFFFF : 0);
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
