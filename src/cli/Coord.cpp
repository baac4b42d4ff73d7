#include "cli/Coord.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>
#include <vector>

#include "geodesy/Coordinates.h"
#include "geodesy/Datum.h"
#include "geodesy/TransverseMercator.h"
#include "settings/AppSettings.h"

namespace korvance::cli {

namespace {

const char kCoordHelp[] =
    "usage: korvance-cli coord ACTION ...\n"
    "  utm LAT LON [--datum NAME]                 -> ZONEBAND EASTING NORTHING\n"
    "  latlon ZONEBAND EASTING NORTHING [--datum NAME]\n"
    "                                             -> LAT LON\n"
    "  shift --from NAME --to NAME LAT LON [HEIGHT]\n"
    "                                             -> LAT LON HEIGHT (through WGS 84)\n"
    "  distance LAT1 LON1 LAT2 LON2 [--datum NAME] -> kilometres (great circle)\n"
    "  dms VALUE                                  -> degrees, minutes, seconds text\n"
    "  dms --parse TEXT                           -> decimal degrees\n"
    "Latitudes and longitudes are decimal degrees, north and east positive, or degree\n"
    "text such as 35^30'15.48\" or 35°30'15\"N (N/S, E/W before or after; S and W negative).\n"
    "  --datum NAME   datum of the positions (utm, latlon, distance)\n"
    "  --from NAME    datum the positions of shift are in\n"
    "  --to NAME      datum shift converts them to\n"
    "  --parse TEXT   degree text dms reads into decimal degrees\n"
    "The datum defaults to the DatumName setting; `korvance-cli datums` lists the names.\n";

int usageError(std::ostream& err, const std::string& text) {
    err << "korvance-cli coord: " << text << "\n";
    return kUsage;
}

}  // namespace

// A latitude or longitude word: a decimal number, or degree text such as
// 35^30'15.48" or 35°30'15" with an optional hemisphere letter before or after
// (N/S for latitudes, E/W for longitudes; S and W are negative).
std::optional<double> parseAngleWord(const std::string& word, bool latitude) {
    if (auto v = parseNumber(word)) return v;
    std::string text = word;
    const std::string positive = latitude ? "Nn" : "Ee", negative = latitude ? "Ss" : "Ww";
    int sign = 1;
    auto takeLetter = [&](char c) {
        if (positive.find(c) != std::string::npos) return true;
        if (negative.find(c) != std::string::npos) {
            sign = -1;
            return true;
        }
        return false;
    };
    if (!text.empty() && takeLetter(text.front())) {
        text.erase(0, 1);
    } else if (!text.empty() && takeLetter(text.back())) {
        text.pop_back();
    }
    bool digit = false;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xB0) {
            ++i;  // the degree sign
        } else if (std::string_view(".-^'\": ").find(static_cast<char>(c)) == std::string_view::npos) {
            return std::nullopt;
        }
    }
    if (!digit) return std::nullopt;
    double v = DegreeValue::FromText(text).Degrees();
    if (sign < 0 && v < 0) return std::nullopt;  // both a minus and S or W
    return sign * v;
}

namespace {

// Reads a latitude or longitude word; writes the usage error when it is not an angle in range.
std::optional<double> angle(const std::string& word, double limit, const char* what, std::ostream& err) {
    auto v = parseAngleWord(word, limit < 100);
    if (!v) {
        usageError(err, std::string(what) + " '" + word + "' is not a number or degree text");
        return std::nullopt;
    }
    if (*v < -limit || *v > limit) {
        usageError(err, std::string(what) + " " + word + " is outside -" + std::to_string(int(limit)) + " .. " + std::to_string(int(limit)));
        return std::nullopt;
    }
    return v;
}

int runUtm(const std::vector<std::string>& words, const Datum& datum, std::ostream& out, std::ostream& err) {
    if (words.size() != 2) return usageError(err, "utm takes LAT LON");
    auto lat = angle(words[0], 90, "latitude", err);
    if (!lat) return kUsage;
    auto lon = angle(words[1], 180, "longitude", err);
    if (!lon) return kUsage;
    TransverseMercator tm(datum);
    UtmReference r;
    if (!tm.LatLonToUtm({*lat, *lon}, r)) {
        err << "korvance-cli coord: no grid reference for " << words[0] << " " << words[1] << "\n";
        return kFailed;
    }
    out << r.zone << r.letter << " " << FormatFixed(r.easting, 2) << " " << FormatFixed(r.northing, 2) << "\n";
    return kOk;
}

int runLatLon(const std::vector<std::string>& words, const Datum& datum, std::ostream& out, std::ostream& err) {
    if (words.size() != 3) return usageError(err, "latlon takes ZONEBAND EASTING NORTHING");
    const std::string& zb = words[0];
    size_t digits = 0;
    while (digits < zb.size() && std::isdigit(static_cast<unsigned char>(zb[digits]))) ++digits;
    auto zone = digits >= 1 && digits <= 2 ? parseInteger(zb.substr(0, digits)) : std::nullopt;
    char letter = digits + 1 == zb.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(zb[digits]))) : '\0';
    if (!zone || *zone < 1 || *zone > 60 || letter == '\0' ||
        std::string_view(kUtmBandLetters).find(letter) == std::string_view::npos) {
        return usageError(err, "'" + zb + "' is not a zone and band such as 54S (zone 1-60, band C-X without I and O)");
    }
    auto easting = parseNumber(words[1]);
    auto northing = parseNumber(words[2]);
    if (!easting || !northing) return usageError(err, "easting and northing must be numbers of metres");
    TransverseMercator tm(datum);
    double lat = 0, lon = 0;
    if (!tm.UtmToLatLon(*northing, *easting, static_cast<int16_t>(*zone), letter, lat, lon)) {
        err << "korvance-cli coord: " << zb << " " << words[1] << " " << words[2]
            << " does not lead to a position (the conversion does not converge, or passes a pole)\n";
        return kFailed;
    }
    out << FormatFixed(lat, 9) << " " << FormatFixed(lon, 9) << "\n";
    return kOk;
}

int runShift(Args& args, const std::string& defaultDatum, std::ostream& out, std::ostream& err) {
    auto from = args.option("--from");
    auto to = args.option("--to");
    if (args.missingValue) return usageError(err, "--from and --to need a datum name");
    std::string fromName = from.value_or(defaultDatum), toName = to.value_or(defaultDatum);
    if ((from && !resolveDatumOption(fromName, err, "coord shift")) || (to && !resolveDatumOption(toName, err, "coord shift")))
        return kUsage;
    if (!args.unknownOption().empty()) return usageError(err, "unknown option " + args.unknownOption());
    std::vector<std::string> words(args.rest().begin() + 1, args.rest().end());
    if (words.size() != 2 && words.size() != 3) return usageError(err, "shift takes LAT LON [HEIGHT]");
    auto lat = angle(words[0], 90, "latitude", err);
    if (!lat) return kUsage;
    auto lon = angle(words[1], 180, "longitude", err);
    if (!lon) return kUsage;
    double height = 0;
    if (words.size() == 3) {
        auto h = parseNumber(words[2]);
        if (!h) return usageError(err, "height '" + words[2] + "' is not a number of metres");
        height = *h;
    }
    // Through WGS 84, as positions from the receiver travel.
    Datum source(fromName), target(toName);
    double wLat, wLon, wH, oLat, oLon, oH;
    if (!source.ToWgs84(*lat, *lon, height, wLat, wLon, wH) || !target.FromWgs84(wLat, wLon, wH, oLat, oLon, oH)) {
        err << "korvance-cli coord: the shift of " << words[0] << " " << words[1] << " has no finite result\n";
        return kFailed;
    }
    out << FormatFixed(oLat, 9) << " " << FormatFixed(oLon, 9) << " " << FormatFixed(oH, 3) << "\n";
    return kOk;
}

int runDistance(const std::vector<std::string>& words, const Datum& datum, std::ostream& out, std::ostream& err) {
    if (words.size() != 4) return usageError(err, "distance takes LAT1 LON1 LAT2 LON2");
    double v[4];
    for (int i = 0; i < 4; ++i) {
        auto a = angle(words[static_cast<size_t>(i)], i % 2 ? 180 : 90, i % 2 ? "longitude" : "latitude", err);
        if (!a) return kUsage;
        v[i] = *a;
    }
    out << FormatFixed(datum.DistanceKm(v[0], v[1], v[2], v[3]), 6) << "\n";
    return kOk;
}

int runDms(Args& args, std::ostream& out, std::ostream& err) {
    auto text = args.option("--parse");
    if (args.missingValue) return usageError(err, "--parse needs a TEXT");
    std::vector<std::string> words(args.rest().begin() + 1, args.rest().end());
    if (text) {
        if (!words.empty()) return usageError(err, "dms --parse takes one TEXT (quote it)");
        out << FormatFixed(DegreeValue::FromText(*text).Degrees(), 9) << "\n";
        return kOk;
    }
    if (words.size() != 1) return usageError(err, "dms takes one VALUE in decimal degrees");
    auto v = parseNumber(words[0]);
    if (!v) return usageError(err, "'" + words[0] + "' is not a number (use dms --parse TEXT to read text)");
    std::string dms = DegreeValue(*v).FormatDms();
    if (dms.empty()) {
        err << "korvance-cli coord: " << words[0] << " has no degrees-minutes-seconds text\n";
        return kFailed;
    }
    out << dms << "\n";
    return kOk;
}

}  // namespace

bool resolveDatumOption(const std::string& name, std::ostream& err, const char* command) {
    if (FindDatumRow(name) >= 0) return true;
    err << "korvance-cli " << command << ": unknown datum '" << name << "'; nearest names:";
    for (const auto& n : NearestDatumNames(name, 5)) err << " \"" << n << "\"";
    err << "\n  (korvance-cli datums lists them all)\n";
    return false;
}

int runCoordWithDefault(Args& args, std::ostream& out, std::ostream& err, const std::string& defaultDatum) {
    if (args.help()) {
        out << kCoordHelp;
        return kOk;
    }
    if (args.rest().empty()) {
        err << kCoordHelp;
        return kUsage;
    }
    const std::string action = args.rest().front();
    if (action == "shift") return runShift(args, defaultDatum, out, err);
    if (action == "dms") return runDms(args, out, err);
    auto datumOption = args.option("--datum");
    if (args.missingValue) return usageError(err, "--datum needs a NAME");
    if (datumOption && !resolveDatumOption(*datumOption, err, "coord")) return kUsage;
    if (!args.unknownOption().empty()) return usageError(err, "unknown option " + args.unknownOption());
    // A stored name outside the table selects the fallback row, as in the program.
    Datum datum(datumOption.value_or(defaultDatum));
    std::vector<std::string> words(args.rest().begin() + 1, args.rest().end());
    if (action == "utm") return runUtm(words, datum, out, err);
    if (action == "latlon") return runLatLon(words, datum, out, err);
    if (action == "distance") return runDistance(words, datum, out, err);
    err << "korvance-cli coord: unknown action '" << action << "'\n" << kCoordHelp;
    return kUsage;
}

int runCoord(Args& args, std::ostream& out, std::ostream& err) {
    return runCoordWithDefault(args, out, err, AppSettings{}.DatumName);
}

}  // namespace korvance::cli
