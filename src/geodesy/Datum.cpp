#include "geodesy/Datum.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace korvance {

namespace {

// name, ellipsoid name, da, df x 10^4, dx, dy, dz; in the order of the names
// without regard to case, so a sorted list of names has each row at its index.
constexpr const char kDatumTableText[] =
    "Adindan,Clarke_1880,-112.145,-0.54750714,-162,-12,206\n"
    "Afgooye,Krassovsky,-108,0.00480795,-43,-163,45\n"
    "AIN EL ABD 1970,International,-251,-0.14192702,-150,-251,-2\n"
    "Anna 1 Astro 1965,Australian_National,-23,-0.000812045,-491,-22,435\n"
    "ARC 1950,Clarke_1880,-112.145,-0.54750714,-143,-90,-294\n"
    "ARC 1960,Clarke_1880,-112.145,-0.54750714,-160,-8,-300\n"
    "Ascension Island '58,International,-251,-0.14192702,-207,107,52\n"
    "Astro B4 Sorol Atoll,International,-251,-0.14192702,114,-116,-333\n"
    "Astro Beacon \"E\",International,-251,-0.14192702,145,75,-272\n"
    "Astro Dos 71/4,International,-251,-0.14192702,-320,550,-494\n"
    "Astronomic Stn '52,International,-251,-0.14192702,124,-234,-25\n"
    "Australian Geod '66,Australian_National,-23,-0.000812045,-133,-48,148\n"
    "Australian Geod '84,Australian_National,-23,-0.000812045,-134,-48,149\n"
    "Austria NS,Bessel_1841,739.845,0.10037483,596,87,473\n"
    "Belgium 1950,International,-251,-0.14192702,-55,49,-158\n"
    "Bellevue (IGN),International,-251,-0.14192702,-127,-769,472\n"
    "Bermuda 1957,Clarke_1866,-69.4,-0.37264639,-73,213,296\n"
    "Bogota Obsrvatry,International,-251,-0.14192702,307,304,-318\n"
    "Bukit Rimpah,Bessel_1841,739.845,0.10037483,-384,664,-48\n"
    "Camp Area Astro,International,-251,-0.14192702,-104,-129,239\n"
    "Campo Inchauspe,International,-251,-0.14192702,-148,136,90\n"
    "Canton Astro 1966,International,-251,-0.14192702,298,-304,-375\n"
    "Cape,Clarke_1880,-112.145,-0.54750714,-136,-108,-292\n"
    "Cape Canaveral,Clarke_1866,-69.4,-0.37264639,-2,150,181\n"
    "Carthage,Clarke_1880,-112.145,-0.54750714,-263,6,431\n"
    "CH-1903,Bessel_1841,739.845,0.10037483,674,15,405\n"
    "Chatham 1971,International,-251,-0.14192702,175,-38,113\n"
    "Chua Astro,International,-251,-0.14192702,-134,229,-29\n"
    "Corrego Alegre,International,-251,-0.14192702,-206,172,-6\n"
    "Danish Gi 1934,Danish Gi 1934,1033,0.1947733,662,18,734\n"
    "Djakarta (Batavia),Bessel_1841,739.845,0.10037483,-377,681,-50\n"
    "Dos 1968,International,-251,-0.14192702,230,-199,-752\n"
    "Easter Island 1967,International,-251,-0.14192702,211,147,111\n"
    "European 1950,International,-251,-0.14192702,-87,-98,-121\n"
    "European 1979,International,-251,-0.14192702,-86,-98,-119\n"
    "Finland Hayford,International,-251,-0.14192702,-78,-231,-97\n"
    "G. Segara,Bessel_1841,739.845,0.10037483,-403,684,41\n"
    "Gandajika Base,International,-251,-0.14192702,-133,-321,50\n"
    "Geodetic Datum '49,International,-251,-0.14192702,84,-22,209\n"
    "GGRS 87,GGRS 87,0,-0.000000164348,-200,75,246\n"  // dx, dy, dz negated to match the published GGRS87 -> WGS 84 translation
    "Guam 1963,Clarke_1866,-69.4,-0.37264639,-100,-248,259\n"
    "Gux 1 Astro,International,-251,-0.14192702,252,-209,-751\n"
    "Herat North,International,-251,-0.14192702,-333,-222,114\n"
    "Hjorsey 1955,International,-251,-0.14192702,-73,46,-86\n"
    "Hong Kong 1963,International,-251,-0.14192702,-156,-271,-189\n"
    "Hu-Tzu-Shan,International,-251,-0.14192702,-634,-549,-201\n"
    "Indian Bangladesh,Everest,860.655,0.28361368,289,734,257\n"
    "Indian Mean Value,Everest,860.655,0.28361368,173,750,264\n"
    "Indian Thailand,Everest,860.655,0.28361368,214,836,303\n"
    "Indonesia 74,Australian_National,-23,-0.001126821,-3,15,0\n"
    "Ireland 1965,Modified_Airy,796.811,0.11960023,506,-122,611\n"
    "ISTS 073 Astro '69,International,-251,-0.14192702,208,-435,-229\n"
    "Johnston Island,International,-251,-0.14192702,191,-77,-204\n"
    "Kandawala,Everest,860.655,0.28361368,-97,787,86\n"
    "Kerguelen Island,International,-251,-0.14192702,145,-187,103\n"
    "Kertau 1948,Modified_Everest,832.937,0.28361368,-11,851,5\n"
    "L.C. 5 Astro,Clarke_1866,-69.4,-0.37264639,42,124,147\n"
    "Liberia 1964,Clarke_1880,-112.145,-0.54750714,-90,40,88\n"
    "Luzon Mean Value,Luzon Mean Value,-69.4,-0.37264639,-133,-77,-54\n"
    "Luzon Mindanao,Luzon Mindanao,-69.4,-0.37264639,-133,-79,-72\n"
    "Luzon Philippines,Luzon Philippines,-69.4,-0.37264639,-133,-77,-51\n"
    "Mahe 1971,Clarke_1880,-112.145,-0.54750714,41,-220,-134\n"
    "Marco Astro,International,-251,-0.14192702,-289,-124,60\n"
    "Massawa,Bessel_1841,739.845,0.10037483,639,405,60\n"
    "Merchich,Clarke_1880,-112.145,-0.54750714,31,146,47\n"
    "Midway Astro 1961,International,-251,-0.14192702,912,-58,1227\n"
    "Minna,Clarke_1880,-112.145,-0.54750714,-92,-93,122\n"
    "NAD27 Alaska,Clarke_1866,-69.4,-0.37264639,-5,135,172\n"
    "NAD27 Bahamas,Clarke_1866,-69.4,-0.37264639,-4,154,178\n"
    "NAD27 Canada,Clarke_1866,-69.4,-0.37264639,-10,158,187\n"
    "NAD27 Canal Zone,Clarke_1866,-69.4,-0.37264639,0,125,201\n"
    "NAD27 Caribbean,Clarke_1866,-69.4,-0.37264639,-7,152,178\n"
    "NAD27 Central,Clarke_1866,-69.4,-0.37264639,0,125,194\n"
    "NAD27 CONUS,Clarke_1866,-69.4,-0.37264639,-8,160,176\n"
    "NAD27 Cuba,Clarke_1866,-69.4,-0.37264639,-9,152,178\n"
    "NAD27 Greenland,Clarke_1866,-69.4,-0.37264639,11,114,195\n"
    "NAD27 Mexico,Clarke_1866,-69.4,-0.37264639,-12,130,190\n"
    "NAD27 San Salvadr,Clarke_1866,-69.4,-0.37264639,1,140,165\n"
    "NAD83,GRS_80,0,-0.000000164348,0,0,0\n"
    "Nahrwn Masirah Is,Clarke_1880,-112.145,-0.54750714,-247,-148,369\n"
    "Nahrwn Saudi Arbia,Clarke_1880,-112.145,-0.54750714,-231,-196,482\n"
    "Nahrwn United Arab,Clarke_1880,-112.145,-0.54750714,-249,-156,381\n"
    "Naparima BWI,International,-251,-0.14192702,-2,374,172\n"
    "Netherland Tri 21,Bessel_1841,739.845,0.10037483,578,14,459\n"
    "Nou Triag France,Clarke_1880,-112.145,-0.54750714,-168,-60,320\n"
    "Nou Triag Luxemb,International,-251,-0.14192702,-262,75,25\n"
    "Observatorio 1966,International,-251,-0.14192702,-425,-169,81\n"
    "Old Egyptian,Helmert_1906,-63,0.004807955,-130,110,-13\n"
    "Old Hawaii Kauia,International,-251,-0.14192702,190,-230,-341\n"
    "Old Hawaii Maui,International,-251,-0.14192702,210,-230,-357\n"
    "Old Hawaii Mean,Clarke_1866,-69.4,-0.37264639,61,-285,-181\n"
    "Old Hawaii Oahu,International,-251,-0.14192702,201,-224,-349\n"
    "Oman,Clarke_1880,-112.145,-0.54750714,-346,-1,224\n"
    "Ord Srvy Grt Britn,Airy,573.604,0.11960023,375,-111,431\n"
    "Pico De Las Nieves,International,-251,-0.14192702,-307,-92,127\n"
    "Pitcairn Astro 1967,International,-251,-0.14192702,185,165,42\n"
    "Portuguese 1973,International,-251,-0.14192702,-227,98,35\n"
    "Potsdam,Bessel_1841,739.845,0.10037483,587,16,393\n"
    "Prov So Amricn '56,International,-251,-0.14192702,-288,175,-376\n"
    "Prov So Chilean '63,International,-251,-0.14192702,16,196,93\n"
    "Puerto Rico,Clarke_1866,-69.4,-0.37264639,11,72,-101\n"
    "Qatar National,International,-251,-0.14192702,-128,-283,22\n"
    "Qornoq,International,-251,-0.14192702,164,138,-189\n"
    "Reunion,International,-251,-0.14192702,94,-948,-1262\n"
    "Rome 1940,International,-251,-0.14192702,-225,-65,9\n"
    "RT 90,Bessel_1841,739.845,0.10037483,499,-37,563\n"
    "Santo (Dos),International,-251,-0.14192702,170,42,84\n"
    "Sao Braz,International,-251,-0.14192702,-203,141,53\n"
    "Sapper Hill 1943,International,-251,-0.14192702,-355,16,74\n"
    "Schwarzeck,Bessel_1841_(Namibia),653.135,0.10037483,616,97,-251\n"
    "South American '69,South_American_1969,-23,-0.000812045,-57,1,-41\n"
    "South Asia,Modified_Fischer_1960,-18,0.004807955,7,-10,-26\n"
    "Southeast Base,International,-251,-0.14192702,-499,-249,314\n"
    "Southwest Base,International,-251,-0.14192702,-104,167,-38\n"
    "Tananarive Obsv,International,-251,-0.14192702,-189,-242,-91\n"
    "Timbalai 1948,Everest,860.655,0.28361368,-689,691,-46\n"
    "Tokyo,Bessel_1841,739.845,0.10037483,-128,481,664\n"
    "Tristan Astro 1968,International,-251,-0.14192702,-632,438,-609\n"
    "Viti Levu 1916,Clarke_1880,-112.145,-0.54750714,51,391,-36\n"
    "Wake-Eniwetok '60,Hough,-133,-0.14192702,101,52,-39\n"
    "WGS 72,WGS 72,2,0.000312106,0,0,5\n"
    "WGS 84,WGS 84,0,0,0,0,0\n"
    "Yacare,International,-251,-0.14192702,-155,171,37\n"
    "Zanderij,International,-251,-0.14192702,-265,120,-358"
    ;

double parseDecimal(std::string_view text) {
    double v = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    return v;
}

std::vector<DatumRow> parseTable(std::string_view text) {
    std::vector<DatumRow> rows;
    rows.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        std::string_view fields[7];
        size_t count = 0, pos = 0;
        while (count < 7) {
            size_t comma = line.find(',', pos);
            fields[count++] = line.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
            if (comma == std::string_view::npos) break;
            pos = comma + 1;
        }
        if (count == 7) {
            DatumRow row;
            row.name = std::string(fields[0]);
            row.ellipsoidName = std::string(fields[1]);
            row.da = parseDecimal(fields[2]);
            row.df = parseDecimal(fields[3]) * 0.0001;
            row.dx = parseDecimal(fields[4]);
            row.dy = parseDecimal(fields[5]);
            row.dz = parseDecimal(fields[6]);
            rows.push_back(std::move(row));
        }
        start = end + 1;
    }
    return rows;
}

size_t copyText(const std::string& text, char* buffer, size_t capacity) {
    if (!buffer) return text.size();
    if (capacity == 0) return 0;
    size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
}

// The Molodensky increments with the WGS 84 ellipsoid at the input position.
// `sign` is +1 for WGS 84 into the datum and -1 for the datum into WGS 84.
bool shift(const DatumRow& r, double sign, double latitude, double longitude, double height,
           double& outLatitude, double& outLongitude, double& outHeight) {
    using namespace wgs84;
    const double dx = sign * r.dx, dy = sign * r.dy, dz = sign * r.dz;
    const double da = sign * r.da, df = sign * r.df;
    const double phi = latitude * degToRad;
    const double lambda = longitude * degToRad;
    const double sphi = std::sin(phi), cphi = std::cos(phi);
    const double slam = std::sin(lambda), clam = std::cos(lambda);
    const double w = 1.0 - e2 * sphi * sphi;
    const double rn = a / std::sqrt(w);
    const double rm = aOneMinusE2 / std::pow(w, 1.5);
    const double horizontal = clam * dx + slam * dy;
    const double pphi = horizontal * sphi - cphi * dz - rn * cphi * sphi * da * e2OverA -
                        (rm * aOverB + rn * bOverA) * cphi * sphi * df;
    outLatitude = std::atan(pphi / (rm + height)) * radToDeg + latitude;
    // At a pole the meridian is undefined and the longitude step divides by ~0:
    // the longitude stays as it was.
    if (std::fabs(cphi) < 1e-12) {
        outLongitude = longitude;
    } else {
        const double plam = slam * dx - clam * dy;
        outLongitude = std::atan(plam / ((rn + height) * cphi)) * radToDeg + longitude;
    }
    outHeight = da * a / rn - horizontal * cphi - sphi * dz - rn * sphi * sphi * df * bOverA + height;
    return std::isfinite(outLatitude) && std::isfinite(outLongitude) && std::isfinite(outHeight);
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> prev(b.size() + 1), cur(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) prev[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t sub = prev[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, sub});
        }
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

}  // namespace

std::string_view DatumTableText() { return {kDatumTableText, sizeof(kDatumTableText) - 1}; }

const std::vector<DatumRow>& DatumTable() {
    static const std::vector<DatumRow> table = parseTable(DatumTableText());
    return table;
}

int FindDatumRow(std::string_view name) {
    const auto& table = DatumTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::string> NearestDatumNames(std::string_view name, size_t count) {
    const auto& table = DatumTable();
    const std::string wanted = lower(name);
    std::vector<std::pair<size_t, size_t>> scored;  // (score, index)
    for (size_t i = 0; i < table.size(); ++i) {
        const std::string candidate = lower(table[i].name);
        size_t score = editDistance(wanted, candidate);
        // A name that starts with what was typed is as good as a near miss.
        if (!wanted.empty() && candidate.compare(0, wanted.size(), wanted) == 0) score = std::min<size_t>(score, 1);
        scored.emplace_back(score, i);
    }
    std::stable_sort(scored.begin(), scored.end(), [](auto& x, auto& y) { return x.first < y.first; });
    std::vector<std::string> names;
    for (size_t i = 0; i < scored.size() && names.size() < count; ++i) names.push_back(table[scored[i].second].name);
    return names;
}

Datum::Datum(std::string_view name) {
    const auto& table = DatumTable();
    int index = FindDatumRow(name);
    index_ = index >= 0 ? index : kDatumFallbackRow;
    row_ = table[static_cast<size_t>(index_)];
}

size_t Datum::GetName(char* buffer, size_t capacity) const { return copyText(row_.name, buffer, capacity); }

size_t Datum::GetEllipsoidName(char* buffer, size_t capacity) const {
    return copyText(row_.ellipsoidName, buffer, capacity);
}

size_t Datum::GetRowName(int index, char* buffer, size_t capacity) const {
    const auto& table = DatumTable();
    if (index < 0 || static_cast<size_t>(index) >= table.size()) return 0;
    return copyText(table[static_cast<size_t>(index)].name, buffer, capacity);
}

bool Datum::FromWgs84(double latitude, double longitude, double height, double& outLatitude,
                      double& outLongitude, double& outHeight) const {
    return shift(row_, 1.0, latitude, longitude, height, outLatitude, outLongitude, outHeight);
}

bool Datum::ToWgs84(double latitude, double longitude, double height, double& outLatitude,
                    double& outLongitude, double& outHeight) const {
    return shift(row_, -1.0, latitude, longitude, height, outLatitude, outLongitude, outHeight);
}

GeoPosition Datum::FromWgs84(GeoPosition p, double height) const {
    GeoPosition out;
    double h = 0.0;
    FromWgs84(p.latitude, p.longitude, height, out.latitude, out.longitude, h);
    return out;
}

GeoPosition Datum::ToWgs84(GeoPosition p, double height) const {
    GeoPosition out;
    double h = 0.0;
    ToWgs84(p.latitude, p.longitude, height, out.latitude, out.longitude, h);
    return out;
}

double Datum::DistanceKm(double latitude1, double longitude1, double latitude2, double longitude2) const {
    if (latitude1 == latitude2 && longitude1 == longitude2) return 0.0;
    using wgs84::degToRad;
    const double p1 = latitude1 * degToRad, l1 = longitude1 * degToRad;
    const double p2 = latitude2 * degToRad, l2 = longitude2 * degToRad;
    double c = std::cos(l2 - l1) * std::cos(p2) * std::cos(p1) + std::sin(p2) * std::sin(p1);
    // Rounding can push the cosine a hair past 1 for near-identical positions.
    c = std::clamp(c, -1.0, 1.0);
    return std::acos(c) * (6378137.0 - row_.da) * 0.001;
}

}  // namespace korvance
