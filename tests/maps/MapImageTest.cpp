// Tile decoders: PNG files written by libpng in several colour types and bit
// depths, the BMP family written by our writer or built byte by byte, and
// damaged files of every kind, which must fail cleanly.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <functional>

#include "files/TempDir.h"
#include "mapmake/TileWriters.h"
#include "maps/MapImage.h"

using namespace korvance;
using korvance::testing::TempDir;

namespace {

struct PngSpec {
    int colourType;
    int bitDepth;
    bool trns = false;
    bool bkgd = false;
};

// Writes a 7 x 3 image (odd width exercises packed rows) whose sample at (x, y)
// comes from `sample` (value 0..1 per channel: gray or r, g, b, a).
void writePng(const std::string& path, const PngSpec& s, const std::function<void(int, int, double*)>& sample,
              const std::vector<png_color>& palette = {}, const std::vector<png_byte>& trnsAlpha = {}) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        FAIL() << "libpng write failed";
    }
    png_init_io(png, f);
    const int w = 7, h = 3;
    png_set_IHDR(png, info, w, h, s.bitDepth, s.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (s.colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (s.trns) {
        if (s.colourType == PNG_COLOR_TYPE_PALETTE) {
            png_set_tRNS(png, info, trnsAlpha.data(), static_cast<int>(trnsAlpha.size()), nullptr);
        } else {
            png_color_16 key{};  // black (gray 0) is transparent
            png_set_tRNS(png, info, nullptr, 0, &key);
        }
    }
    if (s.bkgd) {
        png_color_16 bg{};
        // Red, or mid grey for grey images: neither is the default white.
        bg.red = static_cast<png_uint_16>(s.bitDepth == 16 ? 0xFFFF : (1 << s.bitDepth) - 1);
        bg.gray = static_cast<png_uint_16>(s.bitDepth == 16 ? 0x8080 : 1 << (s.bitDepth - 1));
        bg.green = bg.blue = 0;
        bg.index = 1;
        png_set_bKGD(png, info, &bg);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const int maxv = (1 << s.bitDepth) - 1;
    std::vector<png_byte> row(png_get_rowbytes(png, info));
    for (int y = 0; y < h; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < w; ++x) {
            double v[4] = {0, 0, 0, 1};
            sample(x, y, v);
            for (int c = 0; c < channels; ++c) {
                const unsigned q = s.colourType == PNG_COLOR_TYPE_PALETTE ? static_cast<unsigned>(v[0])
                                                                           : static_cast<unsigned>(v[c] * maxv + 0.5);
                if (s.bitDepth == 16) {
                    row[(x * channels + c) * 2] = static_cast<png_byte>(q >> 8);
                    row[(x * channels + c) * 2 + 1] = static_cast<png_byte>(q & 0xFF);
                } else if (s.bitDepth == 8) {
                    row[x * channels + c] = static_cast<png_byte>(q);
                } else {
                    const int perByte = 8 / s.bitDepth;
                    row[x / perByte] |= static_cast<png_byte>(q << (8 - s.bitDepth * (x % perByte + 1)));
                }
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

uint32_t grey(unsigned v) { return v << 16 | v << 8 | v; }

TEST(DecodePng, ColourTypesBitDepthsAndPalettes) {
    TempDir dir;
    // Gray ramps: x / 6 across the row, so every depth has exact levels at 0 and 1.
    auto grayRamp = [](int x, int, double* v) { v[0] = x % 2 ? 1.0 : 0.0; };
    auto rgb = [](int x, int y, double* v) {
        v[0] = x % 2;
        v[1] = y % 2;
        v[2] = (x + y) % 2;
    };
    struct Case {
        const char* name;
        PngSpec spec;
        std::function<void(int, int, double*)> sample;
        std::function<uint32_t(int, int)> expect;
        std::vector<png_color> palette = {};
        std::vector<png_byte> paletteAlpha = {};
        int bpp = 24;
    };
    const std::vector<png_color> palette = {{10, 20, 30}, {200, 0, 0}, {0, 200, 0}, {0, 0, 200}};
    auto paletteRow = [&](int depth) {
        const int n = depth == 1 ? 2 : 4;
        return Case{"palette", {PNG_COLOR_TYPE_PALETTE, depth}, [n](int x, int, double* v) { v[0] = x % n; },
                    [n, palette](int x, int) {
                        const png_color& p = palette[size_t(x % n)];
                        return static_cast<uint32_t>(p.red << 16 | p.green << 8 | p.blue);
                    },
                    std::vector<png_color>(palette.begin(), palette.begin() + n), {}, 8};
    };
    auto expectGray = [](int x, int) { return x % 2 ? grey(255) : grey(0); };
    auto expectWhite = [](int, int) { return 0xFFFFFFu; };
    // Odd columns opaque, even ones transparent: grey `first` with alpha, or red `first`,
    // green `second`, blue 0.
    auto clearEvenColumns = [](double first, double second = -1) {
        return [=](int x, int, double* v) {
            const bool grayAlpha = second < 0;
            v[0] = first, v[1] = grayAlpha ? (x % 2 ? 1.0 : 0.0) : second, v[2] = 0;
            v[3] = x % 2 ? 1.0 : 0.0;
        };
    };
    auto expectRgb = [](int x, int y) {
        return static_cast<uint32_t>((x % 2) * 0xFF0000 + (y % 2) * 0xFF00 + ((x + y) % 2) * 0xFF);
    };
    const std::vector<Case> cases = {
        // Depths below 8 are unpacked alike: one of them stands for all.
        {"gray 1", {PNG_COLOR_TYPE_GRAY, 1}, grayRamp, expectGray},
        {"gray 8", {PNG_COLOR_TYPE_GRAY, 8}, grayRamp, expectGray},
        {"gray 16", {PNG_COLOR_TYPE_GRAY, 16}, grayRamp, expectGray},
        {"rgb 8", {PNG_COLOR_TYPE_RGB, 8}, rgb, expectRgb},
        {"rgb 16", {PNG_COLOR_TYPE_RGB, 16}, rgb, expectRgb},
        // Fully transparent pixels show white (the background without a bKGD chunk).
        {"rgba 8 over white", {PNG_COLOR_TYPE_RGBA, 8},
         [](int x, int, double* v) { v[0] = 1, v[1] = 0, v[2] = 0, v[3] = x % 2 ? 1.0 : 0.0; },
         [](int x, int) { return x % 2 ? 0xFF0000u : 0xFFFFFFu; }},
        {"gray-alpha 8", {PNG_COLOR_TYPE_GRAY_ALPHA, 8},
         [](int x, int, double* v) { v[0] = 0, v[1] = x % 2 ? 1.0 : 0.0; },
         [](int x, int) { return x % 2 ? 0u : 0xFFFFFFu; }},
        {"gray tRNS key over white", {PNG_COLOR_TYPE_GRAY, 8, true}, grayRamp, expectWhite},
        {"rgba with bKGD", {PNG_COLOR_TYPE_RGBA, 8, false, true},
         [](int x, int, double* v) { v[0] = 0, v[1] = 0, v[2] = 1, v[3] = x % 2 ? 1.0 : 0.0; },
         [](int x, int) { return x % 2 ? 0x0000FFu : 0xFF0000u; }},
        // 16-bit samples: transparency shows full white, not 0xFEFEFE, or the file's background.
        {"gray-alpha 16 over white", {PNG_COLOR_TYPE_GRAY_ALPHA, 16}, clearEvenColumns(0),
         [](int x, int) { return x % 2 ? 0u : 0xFFFFFFu; }},
        {"rgba 16 over white", {PNG_COLOR_TYPE_RGBA, 16}, clearEvenColumns(0.0, 1.0),
         [](int x, int) { return x % 2 ? 0x00FF00u : 0xFFFFFFu; }},
        {"gray 16 tRNS key over white", {PNG_COLOR_TYPE_GRAY, 16, true}, grayRamp, expectWhite},
        {"rgb 16 tRNS key over white", {PNG_COLOR_TYPE_RGB, 16, true}, grayRamp,
         [](int x, int) { return x % 2 ? 0xFF0000u : 0xFFFFFFu; }},
        {"gray-alpha 16 with bKGD", {PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, true}, clearEvenColumns(0),
         [](int x, int) { return x % 2 ? 0u : grey(0x80); }},
        {"rgba 16 with bKGD", {PNG_COLOR_TYPE_RGBA, 16, false, true}, clearEvenColumns(0.0, 1.0),
         [](int x, int) { return x % 2 ? 0x00FF00u : 0xFF0000u; }},
        {"gray 16 tRNS key with bKGD", {PNG_COLOR_TYPE_GRAY, 16, true, true}, grayRamp,
         [](int x, int) { return x % 2 ? grey(255) : grey(0x80); }},
        {"rgb 16 tRNS key with bKGD", {PNG_COLOR_TYPE_RGB, 16, true, true}, grayRamp,
         [](int x, int) { return x % 2 ? 0xFF0000u : 0xFF0000u; }},
        paletteRow(1), paletteRow(8),
        // Entry 0 fully transparent: shown white.
        {"palette with tRNS", {PNG_COLOR_TYPE_PALETTE, 8, true}, [](int x, int, double* v) { v[0] = x % 2; },
         [](int x, int) { return x % 2 ? 0xC80000u : 0xFFFFFFu; }, palette, {0, 255}, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.name << " " << c.spec.bitDepth);
        const std::string path = dir.file("t.png");
        writePng(path, c.spec, c.sample, c.palette, c.paletteAlpha);
        RasterImage img;
        int w = 0, h = 0, bpp = 0;
        ASSERT_EQ(DecodePng(path, img, &w, &h, &bpp), 1);
        EXPECT_EQ(w, 7);
        EXPECT_EQ(h, 3);
        EXPECT_EQ(bpp, c.bpp);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) ASSERT_EQ(img.at(x, y), c.expect(x, y)) << x << "," << y;
    }
}

TEST(DecodePng, IntoABlockCutOrPaddedWithWhite) {
    TempDir dir;
    RasterImage src;
    src.reset(7, 3, 0);
    for (size_t i = 0; i < src.pixels.size(); ++i)
        src.pixels[i] = static_cast<uint32_t>((i + 1) * 2654435761u) & 0xFFFFFF;
    const std::string path = dir.file("t.png");
    ASSERT_TRUE(WritePngRgb(path, src));
    // Blocks narrower and shorter than the image, the same size, larger; in a
    // canvas whose rows are longer than the block, so that writing past the
    // block's width or height shows.
    constexpr uint32_t kUntouched = 0xABCDEF01;
    constexpr int kStride = 12, kRows = 6;
    const struct {
        int w, h;
    } blocks[] = {{4, 2}, {7, 3}, {10, 5}, {7, 1}, {1, 3}};
    for (const auto& b : blocks) {
        for (bool fromImage : {false, true}) {
            std::vector<uint32_t> canvas(kStride * kRows, kUntouched);
            const PixelBlock block{canvas.data(), kStride, b.w, b.h};
            if (fromImage)
                CopyInto(src, block);
            else
                ASSERT_EQ(DecodePngInto(path, block), 1);
            for (int y = 0; y < kRows; ++y)
                for (int x = 0; x < kStride; ++x) {
                    const uint32_t want = x >= b.w || y >= b.h ? kUntouched : x < 7 && y < 3 ? src.at(x, y) : kWhite;
                    ASSERT_EQ(canvas[static_cast<size_t>(y * kStride + x)], want)
                        << b.w << "x" << b.h << (fromImage ? " copied" : " decoded") << " at " << x << "," << y;
                }
        }
    }
    // A file that fails leaves the block as it was.
    std::vector<uint8_t> bytes = korvance::testing::readBytes(path);
    bytes.resize(bytes.size() - 20);
    korvance::testing::writeBytes(dir.file("cut.png"), bytes);
    for (const std::string& bad : {dir.file("cut.png"), dir.file("missing.png")}) {
        std::vector<uint32_t> canvas(kStride * kRows, kUntouched);
        EXPECT_EQ(DecodePngInto(bad, PixelBlock{canvas.data(), kStride, 7, 3}), 0) << bad;
        EXPECT_EQ(canvas, std::vector<uint32_t>(kStride * kRows, kUntouched)) << bad;
    }
}

// Every kind of damage must give 0 and no crash (the sanitizer build checks the rest;
// random damage is the map tiles fuzzer's).
TEST(DecodePng, DamagedFilesFail) {
    TempDir dir;
    const std::string good = dir.file("good.png");
    RasterImage src;
    src.reset(64, 64, 0x123456);
    for (int i = 0; i < 64 * 64; i += 7) src.pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
    ASSERT_TRUE(WritePngRgb(good, src));
    std::vector<uint8_t> bytes = korvance::testing::readBytes(good);
    RasterImage img;
    ASSERT_EQ(DecodePng(good, img), 1);
    EXPECT_EQ(img.pixels, src.pixels);

    auto tryBytes = [&](const std::vector<uint8_t>& b) {
        const std::string p = dir.file("bad.png");
        korvance::testing::writeBytes(p, b);
        RasterImage out;
        const int r = DecodePng(p, out);
        if (!r) {
            EXPECT_TRUE(out.pixels.empty());
        }
        return r;
    };
    EXPECT_EQ(DecodePng(dir.file("missing.png"), img), 0);
    EXPECT_EQ(tryBytes({}), 0);
    EXPECT_EQ(tryBytes({0x89, 'P', 'N', 'G'}), 0);
    for (size_t cut : {8ul, 20ul, 33ul, 50ul, bytes.size() / 2, bytes.size() - 13})
        EXPECT_EQ(tryBytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut)), 0) << cut;
    // A header that claims a huge image is refused before any allocation.
    std::vector<uint8_t> huge = bytes;
    huge[16] = 0x7F;  // width's high byte
    EXPECT_EQ(tryBytes(huge), 0);
}

// -------------------------------------------------------------------- BMP

std::vector<uint8_t> bmpHeader(int w, int h, int bits, uint32_t compression, uint32_t colours,
                               std::vector<uint32_t> extra, size_t bodySize) {
    std::vector<uint8_t> b;
    auto p16 = [&](uint32_t v) { b.push_back(v & 0xFF), b.push_back((v >> 8) & 0xFF); };
    auto p32 = [&](uint32_t v) { p16(v & 0xFFFF), p16(v >> 16); };
    const uint32_t offset = 54 + static_cast<uint32_t>(extra.size()) * 4;
    b.push_back('B'), b.push_back('M');
    p32(offset + static_cast<uint32_t>(bodySize)), p32(0), p32(offset);
    p32(40), p32(static_cast<uint32_t>(w)), p32(static_cast<uint32_t>(h)), p16(1), p16(bits), p32(compression);
    p32(static_cast<uint32_t>(bodySize)), p32(0), p32(0), p32(colours), p32(0);
    for (uint32_t e : extra) p32(e);
    return b;
}

TEST(DecodeBmp, DepthsWrittenAndRead) {
    TempDir dir;
    const std::vector<uint32_t> palette = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080,
                                           0x123456, 0xABCDEF, 0x111111, 0x222222, 0x333333, 0x444444,
                                           0x555555, 0x666666, 0x777777, 0x888888};
    struct Case {
        int bits;
        bool rle;
    };
    for (const Case c : {Case{1, false}, Case{2, false}, Case{4, false}, Case{8, false}, Case{24, false},
                         Case{4, true}, Case{8, true}}) {
        SCOPED_TRACE(::testing::Message() << c.bits << (c.rle ? " rle" : ""));
        const size_t n = c.bits == 24 ? 16 : std::min<size_t>(16, size_t{1} << c.bits);
        RasterImage src;
        src.reset(13, 5, 0);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) src.row(y)[x] = palette[(x / 2 + y) % n];
        const std::string path = dir.file("t.bmp");
        ASSERT_TRUE(WriteBmp(path, src, c.bits, std::vector<uint32_t>(palette.begin(), palette.begin() + n), c.rle));
        RasterImage img;
        int bpp = 0;
        ASSERT_EQ(DecodeBmp(path, img, &bpp), 1);
        EXPECT_EQ(bpp, c.bits);
        EXPECT_EQ(img.width, 13);
        EXPECT_EQ(img.height, 5);
        EXPECT_EQ(img.pixels, src.pixels);
    }
}

TEST(DecodeBmp, HandBuiltVariants) {
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        std::vector<uint32_t> expect;  // top-down, 2 x 2
    };
    auto withBody = [](std::vector<uint8_t> head, std::vector<uint8_t> body) {
        head.insert(head.end(), body.begin(), body.end());
        return head;
    };
    const std::vector<Case> cases = {
        // 16 bits, 5-5-5: bottom row first; red, green / blue, white.
        {"16-bit 555", withBody(bmpHeader(2, 2, 16, 0, 0, {}, 8), {0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03}),
         {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
        {"16-bit 565 fields",
         withBody(bmpHeader(2, 2, 16, 3, 0, {0xF800, 0x07E0, 0x001F}, 8), {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07}),
         {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
        {"32-bit", withBody(bmpHeader(2, 2, 32, 0, 0, {}, 16), {3, 2, 1, 0, 6, 5, 4, 0, 9, 8, 7, 0, 12, 11, 10, 0}),
         {0x070809, 0x0A0B0C, 0x010203, 0x040506}},
        {"24-bit top-down", withBody(bmpHeader(2, -2, 24, 0, 0, {}, 16), {3, 2, 1, 6, 5, 4, 0, 0, 9, 8, 7, 12, 11, 10, 0, 0}),
         {0x010203, 0x040506, 0x070809, 0x0A0B0C}},
        // RLE8 with a delta: the skipped pixels stay at entry 0.
        {"rle8 delta", withBody(bmpHeader(2, 2, 8, 1, 2, {0x000000, 0xFF00FF}, 8), {0, 2, 1, 1, 2, 1, 0, 1}),
         {0x000000, 0xFF00FF, 0x000000, 0x000000}},
        // RLE4 absolute run of 3 nibbles (padded to a word), cut to the width.
        {"rle4 absolute", withBody(bmpHeader(2, 2, 4, 2, 2, {0x000000, 0x00FFFF}, 12), {0, 3, 0x10, 0x10, 0, 0, 2, 0x11, 0, 1}),
         {0x00FFFF, 0x00FFFF, 0x00FFFF, 0x000000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterImage img;
        ASSERT_EQ(DecodeBmpBytes(c.file.data(), c.file.size(), img), 1);
        EXPECT_EQ(img.pixels, c.expect);
    }
}

TEST(DecodeBmp, DamagedFilesFail) {
    TempDir dir;
    RasterImage src;
    src.reset(40, 30, 0x00AA55);
    const std::string good = dir.file("g.bmp");
    ASSERT_TRUE(WriteBmp(good, src, 24));
    const std::vector<uint8_t> bytes = korvance::testing::readBytes(good);
    RasterImage img;
    auto decode = [&](const std::vector<uint8_t>& b) { return DecodeBmpBytes(b.data(), b.size(), img); };
    ASSERT_EQ(decode(bytes), 1);
    EXPECT_EQ(DecodeBmp(dir.file("missing.bmp"), img), 0);
    EXPECT_EQ(decode({}), 0);
    EXPECT_EQ(decode({'B', 'M'}), 0);
    for (size_t cut : {14ul, 30ul, 54ul, bytes.size() - 1}) EXPECT_EQ(decode({bytes.begin(), bytes.begin() + cut}), 0);
    auto patched = [&](size_t at, std::vector<uint8_t> v) {
        std::vector<uint8_t> b = bytes;
        std::copy(v.begin(), v.end(), b.begin() + at);
        return b;
    };
    EXPECT_EQ(decode(patched(18, {0xFF, 0xFF, 0xFF, 0x7F})), 0);  // width 2^31 - 1
    EXPECT_EQ(decode(patched(22, {0x00, 0x00, 0x00, 0x80})), 0);  // height -2^31
    EXPECT_EQ(decode(patched(28, {3, 0})), 0);                      // 3 bits per pixel
    EXPECT_EQ(decode(patched(10, {0xFF, 0xFF, 0, 0})), 0);          // pixels beyond the end
    EXPECT_EQ(decode(patched(14, {0x00, 0x20, 0, 0})), 0);          // unknown header size 8192
    // Palette count beyond the table, RLE runs past every edge: no read or write out of bounds.
    std::vector<uint8_t> rle = bmpHeader(4, 4, 8, 1, 1000, {0xFF0000}, 0);
    for (uint8_t v : {255, 7, 0, 2, 200, 200, 0, 3, 5, 1, 0, 0, 0, 255}) rle.push_back(v);
    EXPECT_EQ(decode(rle), 1);
}

}  // namespace
