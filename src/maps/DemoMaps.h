#pragma once

#include <string>

namespace korvance {

// The folder of the demo map set: $KORVANCE_DEMO_MAPS, demo-maps beside the
// program, ../share/korvance/demo-maps from the program (an installed prefix),
// then the build tree's. "" when none has a demo.lst.
std::string FindDemoMaps(const std::string& programPath);

}  // namespace korvance
