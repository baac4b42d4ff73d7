#include "sim/garmin/ReceiverData.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "data/TextUtil.h"
#include "geodesy/Datum.h"
#include "platform/AtomicFile.h"

namespace korvance {

namespace {

constexpr const char* kMagic = "KORVANCE RECEIVER DATA 1";

std::string clean(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return out;
}

std::string num(double v, int digits) { return formatSignificant(v, digits); }

std::string waypointLine(char kind, const WaypointRecord& w) {
    std::string s(1, kind);
    s += '\t' + clean(w.identifier.view());
    s += '\t' + num(w.latitude, 17) + '\t' + num(w.longitude, 17);
    s += '\t' + num(w.altitude, 9);
    s += '\t' + std::to_string(w.symbol) + '\t' + std::to_string(w.displayOption);
    s += '\t' + num(w.proximity, 9);
    s += '\t' + clean(w.comment.view());
    return s + '\n';
}

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> f;
    size_t start = 0;
    for (;;) {
        size_t t = line.find('\t', start);
        f.push_back(line.substr(start, t == std::string::npos ? std::string::npos : t - start));
        if (t == std::string::npos) break;
        start = t + 1;
    }
    return f;
}

bool toDouble(const std::string& s, double& v) {
    auto n = parseNumber(s);
    if (n) v = *n;
    return n.has_value();
}

bool toLong(const std::string& s, long long lo, long long hi, long long& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtoll(s.c_str(), &end, 10);
    return end && *end == 0 && errno == 0 && v >= lo && v <= hi;
}

bool parseWaypoint(const std::vector<std::string>& f, WaypointRecord& w) {
    if (f.size() != 9) return false;
    double lat, lon, alt, prox;
    long long sym, disp;
    if (!toDouble(f[2], lat) || !toDouble(f[3], lon) || !toDouble(f[4], alt) || !toDouble(f[7], prox) ||
        !toLong(f[5], -32768, 32767, sym) || !toLong(f[6], -32768, 32767, disp))
        return false;
    if (lat < -90 || lat > 90 || lon < -180 || lon > 180) return false;
    w = WaypointRecord{};
    w.identifier.set(f[1]);
    w.latitude = lat;
    w.longitude = lon;
    w.altitude = toFloatField(alt);
    w.symbol = static_cast<int16_t>(sym);
    w.displayOption = static_cast<int16_t>(disp);
    w.proximity = toFloatField(prox);
    w.comment.set(f[8]);
    return true;
}

}  // namespace

bool WriteReceiverData(const std::string& path, const ReceiverData& data, std::string& error) {
    std::string text = std::string(kMagic) + "\nDATUM=" + clean(data.datum) + "\n";
    for (const auto& w : data.waypoints) text += waypointLine('W', w);
    for (const auto& r : data.routes) {
        text += "R\t" + clean(r.name.view()) + "\n";
        for (const auto& w : r.waypoints) text += waypointLine('P', w);
    }
    for (const auto& p : data.track) {
        text += "T\t" + std::to_string(p.time) + '\t' + num(p.latitude, 17) + '\t' + num(p.longitude, 17) + '\t' +
                num(p.altitude, 9) + '\t' + std::to_string(p.segment) + '\t' + std::to_string(p.depth) + '\n';
    }
    AtomicFile file(path);
    if (!file.open() || !file.write(text) || !file.commit()) {
        error = path + ": " + std::strerror(file.error() ? file.error() : EIO);
        return false;
    }
    return true;
}

bool ReadReceiverData(const std::string& path, ReceiverData& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    ReceiverData d;
    d.datum.clear();
    std::string line;
    size_t lineNo = 0;
    auto fail = [&](const std::string& what) {
        error = path + ": line " + std::to_string(lineNo) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNo == 1) {
            if (line != kMagic) return fail("not a receiver data file");
            continue;
        }
        if (line.empty()) continue;
        if (line.rfind("DATUM=", 0) == 0) {
            d.datum = line.substr(6);
            if (FindDatumRow(d.datum) < 0) return fail("unknown datum \"" + d.datum + "\"");
            continue;
        }
        auto f = split(line);
        if (f[0] == "W" || f[0] == "P") {
            WaypointRecord w;
            if (!parseWaypoint(f, w)) return fail("bad waypoint");
            if (f[0] == "W") {
                d.waypoints.push_back(w);
            } else {
                if (d.routes.empty()) return fail("route waypoint before any route");
                d.routes.back().waypoints.push_back(w);
            }
        } else if (f[0] == "R") {
            if (f.size() != 2) return fail("bad route");
            Route r;
            r.name.set(f[1]);
            d.routes.push_back(std::move(r));
        } else if (f[0] == "T") {
            double lat, lon, alt;
            long long t, seg, depth;
            if (f.size() != 7 || !toLong(f[1], 0, 0xFFFFFFFFLL, t) || !toDouble(f[2], lat) || !toDouble(f[3], lon) ||
                !toDouble(f[4], alt) || !toLong(f[5], 0, 65535, seg) || !toLong(f[6], INT32_MIN, INT32_MAX, depth) ||
                lat < -90 || lat > 90 || lon < -180 || lon > 180)
                return fail("bad track point");
            TrackPoint p;
            p.time = static_cast<uint32_t>(t);
            p.latitude = lat;
            p.longitude = lon;
            p.altitude = toFloatField(alt);
            p.segment = static_cast<uint16_t>(seg);
            p.depth = static_cast<int32_t>(depth);
            d.track.push_back(p);
        } else {
            return fail("unknown record \"" + f[0] + "\"");
        }
    }
    if (lineNo == 0) {
        error = path + ": empty file";
        return false;
    }
    if (in.bad()) {
        error = path + ": read error";
        return false;
    }
    if (d.datum.empty()) d.datum = "WGS 84";
    out = std::move(d);
    return true;
}

void ShiftReceiverData(ReceiverData& data, const std::string& to) {
    if (data.datum == to) return;
    const Datum from(data.datum);
    const Datum target(to);
    auto shift = [&](double& lat, double& lon, double& h) {
        double la, lo, hh;
        from.ToWgs84(lat, lon, h, la, lo, hh);
        target.FromWgs84(la, lo, hh, lat, lon, h);
    };
    for (auto& w : data.waypoints) {
        double h = w.altitude;
        shift(w.latitude, w.longitude, h);
        w.altitude = toFloatField(h);
    }
    for (auto& r : data.routes)
        for (auto& w : r.waypoints) {
            double h = 0;
            shift(w.latitude, w.longitude, h);
        }
    for (auto& p : data.track) {
        double h = p.altitude;
        shift(p.latitude, p.longitude, h);
        p.altitude = toFloatField(h);
    }
    data.datum = to;
}

}  // namespace korvance
