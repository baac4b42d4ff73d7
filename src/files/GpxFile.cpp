#include "files/GpxFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include <pugixml.hpp>

#include "data/TextUtil.h"
#include "data/WaypointList.h"
#include "files/FileReport.h"
#include "files/GarminSymbols.h"
#include "platform/AtomicFile.h"

namespace korvance::files {

namespace {

std::string number(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}
std::string number(float v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// Element names without a namespace prefix ("gpx:wpt" is "wpt").
std::string_view localName(const pugi::xml_node& n) {
    std::string_view name = n.name();
    size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}
pugi::xml_node child(const pugi::xml_node& n, std::string_view name) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && localName(c) == name) return c;
    return {};
}

// Text as XML 1.0 allows it, and as it will read back: a carriage return,
// alone or before a line feed, becomes one line feed (the XML writer leaves it
// bare, and every reader makes a bare one a line feed, so a comment read from
// "&#13;" would change between one reading and the next); other control
// characters but tab and line feed, which no character reference may name
// either, become blanks; what is no character (broken UTF-8, U+FFFE, U+FFFF)
// becomes U+FFFD, so that strict readers take the file.
std::string xmlText(std::string_view utf8) {
    // Most texts (every number and time of a track) are plain ASCII that XML takes as it is.
    const auto plain = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x80 && (u >= 0x20 || c == '\t' || c == '\n');
    };
    if (std::all_of(utf8.begin(), utf8.end(), plain)) return std::string(utf8);
    std::u16string wide = utf8ToUtf16(utf8);
    std::u16string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char16_t c = wide[i];
        if (c == u'\r') {
            if (i + 1 < wide.size() && wide[i + 1] == u'\n') continue;
            c = u'\n';
        }
        if (c < 0x20 && c != u'\t' && c != u'\n') c = u' ';
        if (c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
        out += c;
    }
    return utf16ToUtf8(out);
}

// The whole text of a child: every text and CDATA part in order, as other
// programs split it ("<![CDATA[Tom & Jerry]]><![CDATA[ <Inn>]]>", "a<![CDATA[&]]>b"),
// cleaned as the writer cleans it, so that what is read is what would be written.
std::string childText(const pugi::xml_node& n, std::string_view name) {
    std::string text;
    for (pugi::xml_node part = child(n, name).first_child(); part; part = part.next_sibling())
        if (part.type() == pugi::node_pcdata || part.type() == pugi::node_cdata) text += part.value();
    return xmlText(text);
}


struct Shift {
    const Datum& datum;
    void toWgs(double lat, double lon, double& outLat, double& outLon) const {
        double h = 0;
        datum.ToWgs84(lat, lon, 0.0, outLat, outLon, h);
    }
    void fromWgs(double lat, double lon, double& outLat, double& outLon) const {
        double h = 0;
        datum.FromWgs84(lat, lon, 0.0, outLat, outLon, h);
    }
};

void setPosition(pugi::xml_node n, const Shift& shift, double lat, double lon) {
    double wl = lat, wo = lon;
    shift.toWgs(lat, lon, wl, wo);
    n.append_attribute("lat") = number(wl).c_str();
    n.append_attribute("lon") = number(wo).c_str();
}

void addText(pugi::xml_node parent, const char* name, const std::string& text) {
    parent.append_child(name).text() = xmlText(text).c_str();
}

void writeWaypoint(pugi::xml_node n, const WaypointRecord& w, const Shift& shift, const CodePage* cp) {
    setPosition(n, shift, w.latitude, w.longitude);
    if (KnownAltitude(w.altitude)) addText(n, "ele", number(w.altitude));
    addText(n, "name", oemToUi(cp, w.identifier.view()));
    if (!w.comment.empty()) addText(n, "cmt", oemToUi(cp, w.comment.view()));
    addText(n, "sym", garminSymbolName(w.symbol));
}

// A position of the file, range-checked, shifted into the display datum.
bool readPosition(const pugi::xml_node& n, const Shift& shift, double& lat, double& lon) {
    auto la = parseNumber(n.attribute("lat").value());
    auto lo = parseNumber(n.attribute("lon").value());
    if (!la || !lo || *la < -90 || *la > 90 || *lo < -180 || *lo > 180) return false;
    shift.fromWgs(*la, *lo, lat, lon);
    return std::isfinite(lat) && std::isfinite(lon);
}

// The height of <ele>; unknown when the point has none (or none that makes sense).
float readElevation(const pugi::xml_node& n) {
    auto e = parseNumber(childText(n, "ele"));
    if (!e || std::fabs(*e) > 1e7) return kUnknownAltitude;
    return float(*e);
}

// Text of the file turned into a record field of `width` bytes in the code
// page, counting what did not fit: texts cut to the field and characters the
// code page cannot hold (they become '?').
class FieldText {
public:
    FieldText(const CodePage* cp, GpxReadResult& result) : cp_(cp), result_(result) {}
    std::string operator()(std::string_view utf8, size_t width) const {
        std::string oem = uiToOem(cp_, utf8);
        const auto marks = [](std::string_view s) { return size_t(std::count(s.begin(), s.end(), '?')); };
        const size_t lost = marks(oem) - std::min(marks(oem), marks(utf8));
        result_.lostCharacters += lost;
        if (fieldTextLength(oem, width, cp_) < oem.size()) ++result_.cutTexts;
        return oem;
    }

private:
    const CodePage* cp_;
    GpxReadResult& result_;
};

std::optional<WaypointRecord> readWaypoint(const pugi::xml_node& n, const Shift& shift, const FieldText& field,
                                           const CodePage* cp) {
    double lat = 0, lon = 0;
    if (!readPosition(n, shift, lat, lon)) return std::nullopt;
    std::string comment = childText(n, "cmt");
    if (comment.empty()) comment = childText(n, "desc");
    // The receiver's symbol, by its name or number; 0 for one we do not know.
    const int16_t symbol = garminSymbolNumber(childText(n, "sym")).value_or(0);
    return makeWaypointRecord(field(childText(n, "name"), WaypointRecord::kIdentifierWidth), lat, lon,
                              field(comment, WaypointRecord::kCommentWidth), symbol, 0, 0, readElevation(n), cp);
}

// The encoding an XML declaration at the start of `text` names, or "" when
// there is none (the file is then UTF-8 or UTF-16 by its first bytes).
std::string declaredEncoding(std::string_view text) {
    if (text.substr(0, 5) != "<?xml") return {};
    const size_t end = text.find("?>");
    std::string_view decl = text.substr(0, end);
    const size_t at = decl.find("encoding");
    if (at == std::string_view::npos) return {};
    size_t i = at + 8;
    while (i < decl.size() && (decl[i] == ' ' || decl[i] == '=' || decl[i] == '\t')) ++i;
    if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\'')) return {};
    const size_t close = decl.find(decl[i], i + 1);
    if (close == std::string_view::npos) return {};
    return std::string(decl.substr(i + 1, close - i - 1));
}

bool isUnicodeName(std::string name) {
    for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
    return name == "UTF-8" || name == "UTF8" || name == "US-ASCII" || name == "ASCII" || name.rfind("UTF-16", 0) == 0;
}

int64_t digits(std::string_view s, size_t at, size_t n, bool& ok) {
    if (at + n > s.size()) {
        ok = false;
        return 0;
    }
    int64_t v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') {
            ok = false;
            return 0;
        }
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

}  // namespace

std::string formatGpxTime(int64_t unixTime) {
    CalendarTime c = calendarFromUnix(unixTime);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", c.year, c.month, c.day, c.hour, c.minute,
                  c.second);
    return buf;
}

std::optional<int64_t> parseGpxTime(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\n' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\n' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    bool ok = true;
    int64_t year = digits(s, 0, 4, ok), month = digits(s, 5, 2, ok), day = digits(s, 8, 2, ok);
    int64_t hour = digits(s, 11, 2, ok), minute = digits(s, 14, 2, ok), second = digits(s, 17, 2, ok);
    if (!ok || s[4] != '-' || s[7] != '-' || (s[10] != 'T' && s[10] != 't' && s[10] != ' ') || s[13] != ':' ||
        s[16] != ':')
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    size_t i = 19;
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    }
    int64_t offset = 0;
    if (i < s.size()) {
        if ((s[i] == 'Z' || s[i] == 'z') && i + 1 == s.size()) {
            // UTC
        } else if ((s[i] == '+' || s[i] == '-') && s.size() - i == 6 && s[i + 3] == ':') {
            int64_t oh = digits(s, i + 1, 2, ok), om = digits(s, i + 4, 2, ok);
            if (!ok || oh > 23 || om > 59) return std::nullopt;
            offset = (oh * 3600 + om * 60) * (s[i] == '+' ? 1 : -1);
        } else {
            return std::nullopt;
        }
    }
    return daysFromCivil(int(year), int(month), int(day)) * 86400 + hour * 3600 + minute * 60 + second - offset;
}

std::string encodeGpx(const DocumentSource& source, const Datum& datum, const CodePage* cp) {
    Shift shift{datum};
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node gpx = doc.append_child("gpx");
    gpx.append_attribute("version") = "1.1";
    gpx.append_attribute("creator") = "korvance";
    gpx.append_attribute("xmlns") = kGpxNamespace;
    gpx.append_attribute("xmlns:xsi") = "http://www.w3.org/2001/XMLSchema-instance";
    gpx.append_attribute("xsi:schemaLocation") =
        "http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd";

    for (const auto& w : source.waypoints) writeWaypoint(gpx.append_child("wpt"), w, shift, cp);
    for (const auto& r : source.routes) {
        // A route without waypoints is the document's empty slot, nothing to follow.
        if (r.waypoints.empty()) continue;
        pugi::xml_node rte = gpx.append_child("rte");
        addText(rte, "name", oemToUi(cp, r.name.view()));
        for (const auto& w : r.waypoints) writeWaypoint(rte.append_child("rtept"), w, shift, cp);
    }
    if (source.hasTrack && !source.points.empty()) {
        pugi::xml_node trk = gpx.append_child("trk");
        pugi::xml_node seg;
        for (size_t i = 0; i < source.points.size(); ++i) {
            const TrackPoint& p = source.points[i];
            if (i == 0 || p.segment != source.points[i - 1].segment) seg = trk.append_child("trkseg");
            pugi::xml_node pt = seg.append_child("trkpt");
            setPosition(pt, shift, p.latitude, p.longitude);
            if (KnownAltitude(p.altitude)) addText(pt, "ele", number(p.altitude));
            // Time 0 is what sources without a clock store: no time is written.
            if (p.time != 0) addText(pt, "time", formatGpxTime(int64_t(p.time) + kReceiverEpochUnix));
        }
    }
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

bool writeGpxFile(const std::string& path, const DocumentSource& source, const Datum& datum, UserPrompt& prompt,
                  const CodePage* cp) {
    std::string text = encodeGpx(source, datum, cp);
    AtomicFile file(path);
    if (!file.open()) {
        reportFileError(prompt, path, path, file.error());
        return false;
    }
    if (!file.write(text) || !file.commit()) {
        reportFileError(prompt, "Save", path, file.error());
        return false;
    }
    return true;
}

GpxReadResult decodeGpx(std::string_view text, DocumentContents& out, const Datum& datum, const CodePage* cp) {
    GpxReadResult result;
    // A file in an 8-bit encoding (windows-1252, ISO-8859-x ...) says so in its
    // declaration; it is converted to UTF-8 before parsing, since read as
    // UTF-8 every accented letter would be lost.
    std::string converted;
    pugi::xml_encoding encoding = pugi::encoding_auto;
    if (const std::string declared = declaredEncoding(text); !declared.empty() && !isUnicodeName(declared)) {
        if (!CodePage::isKnown(declared)) {
            result.status = GpxReadResult::Status::NotGpx;
            result.problem = "its encoding \"" + declared + "\" is unknown";
            return result;
        }
        converted = CodePage(declared).toUtf8(text);
        text = converted;
        encoding = pugi::encoding_utf8;
    }
    pugi::xml_document doc;
    // A text of blanks alone is a text too: a comment of blanks that we wrote
    // reads back as written instead of vanishing.
    constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;
    pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size(), kParseOptions, encoding);
    if (!parsed) {
        result.status = GpxReadResult::Status::NotGpx;
        result.problem = std::string(parsed.description()) + " at byte " + std::to_string(parsed.offset);
        return result;
    }
    pugi::xml_node gpx = doc.document_element();
    if (!gpx || localName(gpx) != "gpx") {
        result.status = GpxReadResult::Status::NotGpx;
        result.problem = "no <gpx> element";
        return result;
    }
    Shift shift{datum};
    const FieldText field(cp, result);
    DocumentContents c;
    c.declaredVersion = gpx.attribute("version").value();
    c.waypoints.emplace();
    c.routes.emplace();
    TrackData track;
    uint16_t segment = 0;
    for (pugi::xml_node n = gpx.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element) continue;
        std::string_view name = localName(n);
        if (name == "wpt") {
            if (auto w = readWaypoint(n, shift, field, cp)) c.waypoints->push_back(*w);
        } else if (name == "rte") {
            Route r;
            r.name.set(field(childText(n, "name"), Route::kNameWidth), cp);
            for (pugi::xml_node p = n.first_child(); p; p = p.next_sibling())
                if (p.type() == pugi::node_element && localName(p) == "rtept")
                    if (auto w = readWaypoint(p, shift, field, cp)) r.waypoints.push_back(*w);
            if (!r.waypoints.empty()) c.routes->push_back(std::move(r));
        } else if (name == "trk") {
            for (pugi::xml_node s = n.first_child(); s; s = s.next_sibling()) {
                if (s.type() != pugi::node_element || localName(s) != "trkseg") continue;
                bool started = false;
                for (pugi::xml_node p = s.first_child(); p; p = p.next_sibling()) {
                    if (p.type() != pugi::node_element || localName(p) != "trkpt") continue;
                    TrackPoint tp;
                    if (!readPosition(p, shift, tp.latitude, tp.longitude)) continue;
                    if (!started) {
                        started = true;
                        ++segment;
                        ++track.segmentCount;
                    }
                    tp.segment = segment;
                    tp.altitude = readElevation(p);
                    if (auto t = parseGpxTime(childText(p, "time"))) {
                        int64_t rt = *t - kReceiverEpochUnix;
                        tp.time = rt < 0 ? 0 : rt > int64_t(UINT32_MAX) ? UINT32_MAX : uint32_t(rt);
                    }
                    track.points.push_back(tp);
                }
            }
        }
    }
    if (!track.points.empty()) c.track = std::move(track);
    out = std::move(c);
    return result;
}

void reportTextLoss(UserPrompt& prompt, const std::string& path, const GpxReadResult& result,
                    const CodePage* cp) {
    if (result.cutTexts == 0 && result.lostCharacters == 0) return;
    std::string text = path;
    if (result.cutTexts == 1) text += "\n1 name or comment was cut to the length of its field.";
    if (result.cutTexts > 1)
        text += "\n" + std::to_string(result.cutTexts) + " names or comments were cut to the length of their fields.";
    const std::string page = cp ? cp->name() : "ISO-8859-1";
    if (result.lostCharacters == 1) text += "\n1 character is not in the code page " + page + " and became \"?\".";
    if (result.lostCharacters > 1)
        text += "\n" + std::to_string(result.lostCharacters) + " characters are not in the code page " + page +
                " and became \"?\".";
    prompt.message(text, kAppCaption, Icon::Warning);
}

GpxReadResult readGpxFile(const std::string& path, DocumentContents& out, const Datum& datum, const CodePage* cp) {
    std::vector<uint8_t> bytes;
    int err = 0;
    if (!readWholeFile(path, bytes, &err, size_t(1) << 30)) {
        GpxReadResult r;
        r.status = GpxReadResult::Status::CannotOpen;
        r.systemError = err;
        return r;
    }
    return decodeGpx(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), out, datum, cp);
}

}  // namespace korvance::files
