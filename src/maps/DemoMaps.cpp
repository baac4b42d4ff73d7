#include "maps/DemoMaps.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#ifndef KORVANCE_DEMO_MAPS_DIR
#define KORVANCE_DEMO_MAPS_DIR ""
#endif

namespace korvance {

std::string FindDemoMaps(const std::string& programPath) {
    namespace fs = std::filesystem;
    std::vector<std::string> candidates;
    if (const char* env = std::getenv("KORVANCE_DEMO_MAPS")) candidates.push_back(env);
    std::error_code ec;
    // Through a symlink (e.g. /usr/local/bin/korvance) the maps lie beside the real program.
    fs::path program = fs::weakly_canonical(fs::path(programPath), ec);
    if (ec) program = fs::path(programPath);
    const fs::path exeDir = program.parent_path();
    candidates.push_back((exeDir / "demo-maps").string());
    candidates.push_back((exeDir.parent_path() / "share" / "korvance" / "demo-maps").string());
    candidates.push_back(KORVANCE_DEMO_MAPS_DIR);
    for (const std::string& c : candidates) {
        if (!c.empty() && fs::is_regular_file(fs::path(c) / "demo.lst", ec)) return c;
    }
    return std::string();
}

const std::vector<DemoPlace>& DemoTour() {
    // TOWER comes first, so the alarm sounds soon; the leg to MILL leaves the
    // centre map (north of 52.54) and the leg to FARM comes back onto it.
    static const std::vector<DemoPlace> tour = {
        {"HOME", 52.520008, 13.404954, "house by the river"},
        {"TOWER", 52.530000, 13.420000, "radio tower"},
        {"MILL", 52.549000, 13.432000, "old mill"},
        {"FARM", 52.536000, 13.452000, "farm"},
        {"HOME", 52.520008, 13.404954, "house by the river"},
    };
    return tour;
}

}  // namespace korvance
