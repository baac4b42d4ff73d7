// korvance-replay-monitor: an NMEA monitor program that replays an .nme file
// to korvance over the monitor link, one position a second (or as set).
//
//   korvance-replay-monitor KorvanCE <token> [--file F.nme] [--interval MS]
//
// korvance starts a registered monitor with just "KorvanCE <token>"; the file
// and the interval then come from KORVANCE_REPLAY_NME and
// KORVANCE_REPLAY_INTERVAL_MS.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "nmea/NmeaParser.h"
#include "view/CKorvanceView.h"
#include "view/MonitorLink.h"

using namespace korvance;

namespace {

bool sendRecord(int fd, uint32_t item, int32_t value) {
    uint8_t r[kMonitorRecordSize];
    EncodeMonitorRecord(r, item, value);
    return ::write(fd, r, sizeof r) == static_cast<ssize_t>(sizeof r);
}

int32_t units(double degrees) { return static_cast<int32_t>(std::lround(degrees / kMonitorDegreesPerUnit)); }

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    std::string file = std::getenv("KORVANCE_REPLAY_NME") ? std::getenv("KORVANCE_REPLAY_NME") : "";
    long interval = std::getenv("KORVANCE_REPLAY_INTERVAL_MS") ? std::atol(std::getenv("KORVANCE_REPLAY_INTERVAL_MS")) : 1000;
    std::string token;
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "KorvanCE" && i + 1 < words.size()) token = words[++i];
        else if (words[i] == "--file" && i + 1 < words.size()) file = words[++i];
        else if (words[i] == "--interval" && i + 1 < words.size()) interval = std::atol(words[++i].c_str());
    }
    if (token.empty() || file.empty()) {
        std::fprintf(stderr, "usage: korvance-replay-monitor KorvanCE TOKEN [--file F.nme] [--interval MS]\n");
        return 2;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "korvance-replay-monitor: cannot read %s\n", file.c_str());
        return 1;
    }
    const int fd = ConnectMonitor(static_cast<uint32_t>(std::strtoul(token.c_str(), nullptr, 16)));
    if (fd < 0) {
        std::fprintf(stderr, "korvance-replay-monitor: nobody listens for token %s\n", token.c_str());
        return 1;
    }
    NmeaFix fix;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (ParseSentence(fix, line) != kNmeaRmc || fix.validity != 1) continue;
        const bool ok = sendRecord(fd, kMonitorLatitude, units(fix.latitude)) &&
                        sendRecord(fd, kMonitorLongitude, units(fix.longitude)) &&
                        sendRecord(fd, kMonitorHeight, static_cast<int32_t>(fix.altitude)) &&
                        sendRecord(fd, kMonitorTime, static_cast<int32_t>(fix.utcTime)) &&
                        sendRecord(fd, kMonitorCommit, 0);
        if (!ok) break;  // korvance went away
        if (interval > 0) std::this_thread::sleep_for(std::chrono::milliseconds(interval));
    }
    ::close(fd);
    return 0;
}
