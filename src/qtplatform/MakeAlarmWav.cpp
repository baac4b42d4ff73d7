// Writes the built-in waypoint alarm: half a second of two alternating tones,
// 16-bit mono PCM at 22050 Hz, as a RIFF/WAVE file. Run by the build.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "data/Bytes.h"

namespace {

using korvance::appendLE16;
using korvance::appendLE32;

void putTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s out.wav\n", argv[0]);
        return 2;
    }
    constexpr std::uint32_t rate = 22050;
    constexpr std::uint32_t samples = rate / 2;
    constexpr std::uint32_t burst = samples / 4;  // four bursts: high, low, high, low
    constexpr std::uint32_t fade = rate / 200;    // 5 ms ramps, so the tones do not click
    const double pi = std::acos(-1.0);

    std::vector<std::uint8_t> data;
    data.reserve(samples * 2);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const std::uint32_t inBurst = i % burst;
        const double freq = (i / burst) % 2 == 0 ? 1760.0 : 1320.0;
        double gain = 1.0;
        if (inBurst < fade) gain = static_cast<double>(inBurst) / fade;
        if (burst - inBurst < fade) gain = static_cast<double>(burst - inBurst) / fade;
        const double v = 0.6 * gain * std::sin(2.0 * pi * freq * i / rate);
        appendLE16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767.0))));
    }

    std::vector<std::uint8_t> out;
    putTag(out, "RIFF");
    appendLE32(out, static_cast<std::uint32_t>(36 + data.size()));
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    appendLE32(out, 16);
    appendLE16(out, 1);  // PCM
    appendLE16(out, 1);  // mono
    appendLE32(out, rate);
    appendLE32(out, rate * 2);  // bytes per second
    appendLE16(out, 2);         // block align
    appendLE16(out, 16);        // bits per sample
    putTag(out, "data");
    appendLE32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());

    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (std::fclose(f) != 0 || !ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
