#pragma once

#include <string>
#include <vector>

namespace korvance {

// The folder of the demo map set: $KORVANCE_DEMO_MAPS, demo-maps beside the
// program, ../share/korvance/demo-maps from the program (an installed prefix),
// then the build tree's. "" when none has a demo.lst.
std::string FindDemoMaps(const std::string& programPath);

// A place of the demo's tour (WGS 84).
struct DemoPlace {
    const char* identifier;
    double latitude;
    double longitude;
    const char* comment;
};

// The demo's tour over the demo map set, driven leg by leg in straight lines:
// from HOME on the detailed centre map out onto the overview north of it and
// back, ending where it began. The demo map set draws a road along it.
const std::vector<DemoPlace>& DemoTour();

}  // namespace korvance
