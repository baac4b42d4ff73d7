#pragma once
// Small builders of real map folders for the map tests.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/TextUtil.h"
#include "mapmake/TileWriters.h"
#include "maps/MapImage.h"

namespace korvance::testing {

inline void putFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A mapinfo.dat of the usual 12 lines with CR LF.
inline std::string infoText(int columns, int rows, double top, double left, double bottom, double right, int tw,
                            int th, const std::string& ext = "png", const std::string& version = "101") {
    auto f = [](double v) { return FormatFixed(v, 6); };
    return "Korvan CE\r\n" + version + "\r\n" + ext + "\r\n" + std::to_string(columns) + "\r\n" +
           std::to_string(rows) + "\r\n" + f(top) + "\r\n" + f(left) + "\r\n" + f(bottom) + "\r\n" + f(right) +
           "\r\n" + std::to_string(tw) + "\r\n" + std::to_string(th) + "\r\n24\r\n";
}

// Colour that tells a tile apart in the window: every tile is one flat colour.
inline uint32_t tileColour(int tile) { return 0x101010u * static_cast<uint32_t>(tile % 15 + 1) ^ 0x00200000u; }

// A map folder of columns x rows flat-coloured tiles.
inline void makeFlatMap(const std::string& folder, int columns, int rows, int tw, int th, const std::string& ext,
                        double top = 36, double left = 139, double bottom = 35, double right = 140) {
    putFile(folder + "/mapinfo.dat", infoText(columns, rows, top, left, bottom, right, tw, th, ext));
    RasterImage img;
    for (int t = 0; t < columns * rows; ++t) {
        img.reset(tw, th, tileColour(t));
        const std::string path = folder + "/" + std::to_string(t) + "." + ext;
        if (ext == "png") WritePngRgb(path, img);
        else if (ext == "2bp") WriteBmp(path, img, 2, {tileColour(t), kWhite});
        else WriteBmp(path, img, 24);
    }
}

}  // namespace korvance::testing
