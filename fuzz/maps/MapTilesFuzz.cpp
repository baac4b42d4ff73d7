// Map files of any content: the first byte picks the reader (BMP bytes, PNG file,
// mapinfo.dat, map list, then a tile window over the description, or a tile
// window of a fixed 4 x 4 map whose tiles all hold the rest), the rest is the file.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "FuzzScratch.h"
#include "maps/MapSet.h"
#include "platform/CodePage.h"

using namespace korvance;
using korvance::fuzzing::put;
using korvance::fuzzing::scratch;

namespace {

class QuietPrompt : public UserPrompt {
public:
    void message(const std::string&, const std::string&, Icon) override {}
    Answer ask(const std::string&, const std::string&, Buttons, Icon) override { return Answer::No; }
    void beep(BeepKind) override {}
    void errorWindow(const std::string&) override {}
    void beginWait() override {}
    void endWait() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t kind = data[0] % 5;
    const bool png = data[0] & 8;
    ++data, --size;
    RasterImage image;
    QuietPrompt prompt;
    switch (kind) {
        case 0: DecodeBmpBytes(data, size, image); break;
        case 1: {
            const std::string p = scratch("t.png");
            put(p, data, size);
            DecodePng(p, image);
            break;
        }
        case 2: {
            const std::string p = scratch("mapinfo.dat");
            put(p, data, size);
            MapSet maps;
            if (maps.LoadMapInfo(p, prompt)) {
                // Tiles are missing: every slot must be reported and cleared, nothing else.
                maps.LoadWindow(0, prompt);
                maps.CentreOn(ClientRect{0, 0, 64, 48}, 0.5, 0.5, 45, prompt);
                maps.RecentreTarget(maps.SlotAtViewCentre(ClientRect{0, 0, 64, 48}));
            }
            break;
        }
        case 4: {
            // Tiles of any size or content in a map of 8 x 8 pixel tiles.
            const std::string p = scratch("mapinfo.dat");
            const std::string info = std::string("Korvan CE\r\n101\r\n") + (png ? "png" : "bmp") +
                                     "\r\n4\r\n4\r\n1\r\n0\r\n0\r\n1\r\n8\r\n8\r\n24\r\n";
            put(p, reinterpret_cast<const uint8_t*>(info.data()), info.size());
            for (int t = 0; t < 16; ++t) put(scratch((std::to_string(t) + (png ? ".png" : ".bmp")).c_str()), data, size);
            MapSet maps;
            if (!maps.LoadMapInfo(p, prompt)) std::abort();
            maps.LoadWindow(5, prompt);
            maps.CentreOn(ClientRect{0, 0, 64, 48}, 0.25, 0.75, 45, prompt);
            maps.RecentreTarget(maps.SlotAtViewCentre(ClientRect{0, 0, 64, 48}));
            break;
        }
        default: {
            const std::string p = scratch("list.lst");
            put(p, data, size);
            MapSet maps;
            CodePage cp;
            maps.LoadMapList(p, cp);
            maps.ChooseMapAt(35.5, 139.5, prompt);
        }
    }
    return 0;
}
