#pragma once
// The reference decoder of the tile benchmarks: libpng's simplified reader
// decoding a PNG file to RGB bytes, nothing of ours around it.

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace korvance::bench {

inline bool ReadPngWithLibpng(const std::string& path, std::vector<uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

}  // namespace korvance::bench
