#include "files/DocumentFile.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "data/Bytes.h"
#include "files/FileReport.h"
#include "platform/AtomicFile.h"
#include "platform/SystemError.h"

namespace korvance::files {

namespace {

constexpr char kMagic[7] = {'K', 'O', 'R', 'V', 'A', 'N', 0};
constexpr size_t kOldPointSize = 24;
constexpr size_t kSegmentPointSize = 44;
constexpr size_t kSegmentRecordHead = 24 + 4 + 4;
constexpr size_t kV4WaypointSize = 76;
constexpr size_t kOldWaypointSize = 32;

uint64_t trackSectionSize(const DocumentSource& s) {
    return s.hasTrack ? 8 + uint64_t(TrackPoint::kSize) * s.points.size() : 4;
}
uint64_t waypointSectionSize(const DocumentSource& s) {
    return 4 + uint64_t(WaypointRecord::kSize) * s.waypoints.size();
}
uint64_t routeSectionSize(const DocumentSource& s) {
    uint64_t n = 4 + uint64_t(Route::kRecordSize) * s.routes.size();
    for (const auto& r : s.routes) n += uint64_t(WaypointRecord::kSize) * r.waypoints.size();
    return n;
}

std::vector<uint8_t> encodeHeader(const DocumentSource& s, bool& fits) {
    std::vector<uint8_t> h(kDocumentHeaderSize, 0);
    uint64_t trackOffset = kDocumentHeaderSize;
    uint64_t waypointOffset = trackOffset + trackSectionSize(s);
    uint64_t routeOffset = waypointOffset + waypointSectionSize(s);
    // Offsets are signed 32-bit: a document beyond 2 GiB cannot be stored.
    fits = routeOffset + routeSectionSize(s) <= uint64_t(INT32_MAX);
    ByteWriter w(h);
    w.bytes(kMagic, sizeof kMagic);
    w.seek(16);
    w.i32(kDocumentWriteVersion);
    w.i32(int32_t(trackOffset));
    w.i32(int32_t(waypointOffset));
    w.i32(int32_t(routeOffset));
    w.seek(104);
    w.i32(s.timeZoneBias);
    return h;
}

// Streams the sections to `sink` in pieces of bounded size.
template <typename Sink>
bool emitDocument(const DocumentSource& s, Sink&& sink, bool& fits) {
    std::vector<uint8_t> header = encodeHeader(s, fits);
    if (!fits) return false;
    if (!sink(header.data(), header.size())) return false;

    std::vector<uint8_t> buf;
    auto flushBuf = [&]() {
        bool ok = sink(buf.data(), buf.size());
        buf.clear();
        return ok;
    };
    auto grow = [&](size_t n) -> ByteWriter {
        size_t at = buf.size();
        buf.resize(at + n);
        ByteWriter w(buf.data() + at, n);
        return w;
    };

    // Track.
    if (!s.hasTrack) {
        grow(4).u32(0);
    } else {
        ByteWriter w = grow(8);
        w.u32(uint32_t(s.points.size()));
        w.u32(s.segmentCount);
        constexpr size_t kChunk = 8192;
        for (size_t i = 0; i < s.points.size(); i += kChunk) {
            size_t n = std::min(kChunk, s.points.size() - i);
            ByteWriter pw = grow(n * TrackPoint::kSize);
            for (size_t k = 0; k < n; ++k) s.points[i + k].encode(pw);
            if (!flushBuf()) return false;
        }
    }
    // Waypoints.
    {
        grow(4).u32(uint32_t(s.waypoints.size()));
        ByteWriter w = grow(s.waypoints.size() * WaypointRecord::kSize);
        for (const auto& wp : s.waypoints) wp.encode(w);
        if (!flushBuf()) return false;
    }
    // Routes: the records as one block, then each route's waypoints.
    {
        grow(4).u32(uint32_t(s.routes.size()));
        ByteWriter w = grow(s.routes.size() * Route::kRecordSize);
        for (const auto& r : s.routes) r.encodeRecord(w);
        for (const auto& r : s.routes) {
            ByteWriter ww = grow(r.waypoints.size() * WaypointRecord::kSize);
            for (const auto& wp : r.waypoints) wp.encode(ww);
        }
        if (!flushBuf()) return false;
    }
    return true;
}

// The same fields as TrackPoint::decode, without the per-field bounds checks
// (the caller has checked that the whole array is there).
void decodePointFast(const uint8_t* b, TrackPoint& p) {
    p.latitude = std::bit_cast<double>(loadLE64(b));
    p.longitude = std::bit_cast<double>(loadLE64(b + 8));
    p.time = loadLE32(b + 16);
    p.segment = loadLE16(b + 20);
    p.spare = loadLE16(b + 22);
    p.altitude = std::bit_cast<float>(loadLE32(b + 24));
    p.depth = int32_t(loadLE32(b + 28));
}

size_t waypointSizeFor(int32_t version) {
    if (version >= 5) return WaypointRecord::kSize;
    if (version == 4) return kV4WaypointSize;
    return kOldWaypointSize;
}

WaypointRecord decodeOldWaypoint(ByteReader& r, int32_t version, const CodePage* cp) {
    WaypointRecord w;
    w.latitude = r.f64();
    w.longitude = r.f64();
    if (version == 4) {
        w.proximity = r.f32();
        w.symbol = r.i16();
        w.displayOption = r.i16();
        w.identifier.set(r.text(52), cp);
    } else {
        r.skip(8);
        w.identifier.set(r.text(8), cp);
    }
    return w;
}

// Up to `count` records, only those present in full; `cut` tells whether
// fewer than `count` were there.
std::vector<WaypointRecord> readWaypointRecords(ByteReader& r, uint64_t count, int32_t version, const CodePage* cp,
                                                bool& cut) {
    size_t size = waypointSizeFor(version);
    uint64_t present = r.remaining() / size;
    cut = count > present;
    uint64_t n = cut ? present : count;
    std::vector<WaypointRecord> out(static_cast<size_t>(n));
    for (auto& w : out) {
        if (version >= 5)
            w.decode(r);
        else
            w = decodeOldWaypoint(r, version, cp);
    }
    return out;
}

bool readTrack(ByteReader& r, int32_t version, DocumentContents& out) {
    if (version <= 5) {
        if (r.remaining() < 4) return false;
        uint32_t n = r.u32();
        if (n == 0) {
            out.track.reset();
            return true;
        }
        size_t pointSize = version == 5 ? TrackPoint::kSize : kOldPointSize;
        // The count comes from the file: it must fit the bytes there before
        // anything is allocated for it.
        if (r.remaining() < 4 || (r.remaining() - 4) / pointSize < n) return false;
        TrackData t;
        t.segmentCount = r.u32();
        t.points.resize(n);
        for (auto& p : t.points) {
            if (version == 5) {
                p.decode(r);
            } else {
                p.latitude = r.f64();
                p.longitude = r.f64();
                p.time = r.u32();
                p.segment = uint16_t(r.i16());
                r.skip(2);
            }
        }
        out.track = std::move(t);
        return true;
    }

    // Versions 6 and 7: segment records, each with its own points.
    if (r.remaining() < 4) return false;
    uint32_t segments = r.u32();
    if (segments == 0) return false;
    TrackData t;
    uint16_t running = 0;
    int32_t previous = -1;
    for (uint32_t s = 0; s < segments; ++s) {
        if (r.remaining() < kSegmentRecordHead) break;
        size_t recordStart = r.pos();
        r.skip(24);
        uint32_t m = r.u32();
        uint32_t value = r.u32();
        if (r.remaining() / kSegmentPointSize < m) {
            r.seek(recordStart);
            break;  // an incomplete record and all after it are dropped
        }
        t.segmentCount += value;
        t.points.reserve(t.points.size() + m);
        for (uint32_t k = 0; k < m; ++k) {
            size_t at = r.pos();
            TrackPoint p;
            p.latitude = r.f64();
            p.longitude = r.f64();
            p.time = r.u32();
            int16_t grouping = r.i16();
            r.skip(2);
            p.altitude = r.f32();
            r.seek(at + kSegmentPointSize);
            if (grouping != previous) {
                ++running;
                previous = grouping;
            }
            p.segment = running;
            t.points.push_back(p);
        }
        ++running;
        previous = 1;
    }
    if (t.points.empty())
        out.track.reset();
    else
        out.track = std::move(t);
    return true;
}

void readWaypoints(ByteReader& r, int32_t version, const CodePage* cp, DocumentContents& out) {
    if (r.remaining() < 4) return;  // the list stays as it was
    uint32_t n = r.u32();
    bool cut = false;
    out.waypoints = readWaypointRecords(r, n, version, cp, cut);
    if (cut) out.partial = true;
}

void readRoutes(ByteReader& r, int32_t version, const CodePage* cp, DocumentContents& out) {
    std::vector<Route> routes;
    if (r.remaining() < 4) {
        out.routes = std::move(routes);  // the old routes are released even so
        return;
    }
    uint32_t count = r.u32();
    uint64_t present = r.remaining() / Route::kRecordSize;
    if (count > present) out.partial = true;
    uint64_t n = std::min<uint64_t>(count, present);
    std::vector<RouteRecordHeader> heads(static_cast<size_t>(n));
    for (auto& h : heads) h.decode(r);
    for (const auto& h : heads) {
        Route route;
        route.name = h.name;
        if (h.waypointCount > 0) {
            bool cut = false;
            route.waypoints = readWaypointRecords(r, h.waypointCount, version, cp, cut);
            if (cut) {
                // The routes after this one have no waypoint bytes left:
                // keep what was read in full and drop the rest.
                out.partial = true;
                routes.push_back(std::move(route));
                break;
            }
        }
        routes.push_back(std::move(route));
    }
    if (count == 0 && version >= 6) {
        Route first;
        first.name.set("ROUTE-00");
        routes.push_back(std::move(first));
    }
    out.routes = std::move(routes);
}

}  // namespace

DocumentSource sourceOf(const DocumentContents& c) {
    DocumentSource s;
    s.timeZoneBias = c.timeZoneBias.value_or(0);
    s.hasTrack = c.track.has_value();
    if (c.track) {
        s.segmentCount = c.track->segmentCount;
        s.points = c.track->points;
    }
    if (c.waypoints) s.waypoints = *c.waypoints;
    if (c.routes) s.routes = *c.routes;
    return s;
}

std::vector<uint8_t> encodeDocument(const DocumentSource& source) {
    std::vector<uint8_t> bytes;
    bool fits = true;
    emitDocument(
        source,
        [&](const uint8_t* p, size_t n) {
            bytes.insert(bytes.end(), p, p + n);
            return true;
        },
        fits);
    return bytes;
}

bool writeDocumentFile(const std::string& path, const DocumentSource& source, UserPrompt& prompt) {
    AtomicFile file(path);
    if (!file.open()) {
        reportFileError(prompt, path, path, file.error());
        return false;
    }
    bool fits = true;
    bool written = emitDocument(
        source, [&](const uint8_t* p, size_t n) { return file.write(p, n); }, fits);
    if (!fits) {
        reportFileError(prompt, "Save", path, EFBIG);
        return false;
    }
    if (!written || !file.commit()) {
        reportFileError(prompt, "Save", path, file.error());
        return false;
    }
    return true;
}

namespace {

// Where the bytes of a document come from: memory, or a file read piece by
// piece (a large track is decoded from a small window, never held twice).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // Exactly n bytes at `offset`; false when they cannot be read.
    virtual bool read(uint64_t offset, size_t n, uint8_t* to) const = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(const std::vector<uint8_t>& b) : b_(b) {}
    uint64_t size() const override { return b_.size(); }
    bool read(uint64_t offset, size_t n, uint8_t* to) const override {
        if (offset > b_.size() || n > b_.size() - offset) return false;
        if (n) std::memcpy(to, b_.data() + offset, n);
        return true;
    }

private:
    const std::vector<uint8_t>& b_;
};

class FileSource : public ByteSource {
public:
    FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, size_t n, uint8_t* to) const override {
        if (offset > size_ || n > size_ - offset) return false;
        size_t done = 0;
        while (done < n) {
            ssize_t got = ::pread(fd_, to + done, n - done, off_t(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;  // the file shrank or cannot be read
            done += size_t(got);
        }
        return true;
    }

private:
    int fd_;
    uint64_t size_;
};

bool readSection(const ByteSource& src, uint64_t start, uint64_t end, std::vector<uint8_t>& out) {
    out.assign(size_t(end - start), 0);
    return src.read(start, out.size(), out.data());
}

// The version 5 track, decoded from the source through a window of bounded size.
// False when the section is short or lies about its point count.
bool readTrackV5(const ByteSource& src, uint64_t start, uint64_t end, DocumentContents& out) {
    uint8_t head[8];
    if (end - start < 4 || !src.read(start, 4, head)) return false;
    ByteReader hr(head, 4);
    uint32_t n = hr.u32();
    if (n == 0) {
        out.track.reset();
        return true;
    }
    if (end - start < 8 || (end - start - 8) / TrackPoint::kSize < n || !src.read(start + 4, 4, head + 4))
        return false;
    TrackData t;
    ByteReader sr(head + 4, 4);
    t.segmentCount = sr.u32();
    t.points.resize(n);
    constexpr size_t kWindowPoints = 8192;
    std::vector<uint8_t> window(kWindowPoints * TrackPoint::kSize);
    uint64_t at = start + 8;
    for (size_t i = 0; i < n; i += kWindowPoints) {
        size_t count = std::min<size_t>(kWindowPoints, n - i);
        if (!src.read(at, count * TrackPoint::kSize, window.data())) return false;
        for (size_t k = 0; k < count; ++k) decodePointFast(window.data() + k * TrackPoint::kSize, t.points[i + k]);
        at += count * TrackPoint::kSize;
    }
    out.track = std::move(t);
    return true;
}

DocumentReadResult decodeSource(const ByteSource& src, DocumentContents& out, UserPrompt& prompt,
                                const CodePage* codePage) {
    DocumentContents c;
    const uint64_t fileSize = src.size();
    uint8_t header[kDocumentHeaderSize];
    if (fileSize == 0) return {DocumentReadStatus::Empty, 0};
    if (fileSize < kDocumentHeaderSize || !src.read(0, kDocumentHeaderSize, header))
        return {DocumentReadStatus::ShortHeader, 0};
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0) return {DocumentReadStatus::WrongMagic, 0};
    ByteReader h(header, sizeof header);
    h.seek(16);
    int32_t version = h.i32();
    int32_t trackOffset = h.i32();
    int32_t waypointOffset = h.i32();
    int32_t routeOffset = h.i32();
    h.seek(104);
    int32_t bias = h.i32();
    if (version > 7 || version == 1) {
        prompt.message("not acceptable version", "Error", Icon::Stop);
        return {DocumentReadStatus::UnsupportedVersion, 0};
    }
    if (version < 0) version = 0;  // read with the oldest layouts
    c.version = version;
    if (version >= 3) c.timeZoneBias = bias;

    // A section ends where the next one begins (or at the end of the file):
    // counts that would reach into the following section are lies. An offset
    // outside the file leaves nothing to read there.
    const int32_t offsets[3] = {trackOffset, waypointOffset, routeOffset};
    auto sectionOf = [&](int32_t offset, uint64_t& start, uint64_t& end) {
        start = offset >= 0 && uint64_t(offset) <= fileSize ? uint64_t(offset) : fileSize;
        end = fileSize;
        for (int32_t other : offsets)
            if (other > offset && uint64_t(other) < end) end = uint64_t(other);
        if (end < start) end = start;
    };
    std::vector<uint8_t> section;
    uint64_t start = 0, end = 0;

    sectionOf(trackOffset, start, end);
    if (trackOffset < 0) return {DocumentReadStatus::NoTrack, 0};
    if (version == 5) {
        if (!readTrackV5(src, start, end, c)) return {DocumentReadStatus::NoTrack, 0};
    } else {
        if (!readSection(src, start, end, section)) return {DocumentReadStatus::NoTrack, 0};
        ByteReader tr(section);
        if (!readTrack(tr, version, c)) return {DocumentReadStatus::NoTrack, 0};
    }
    if (waypointOffset > 0) {
        sectionOf(waypointOffset, start, end);
        if (readSection(src, start, end, section)) {
            ByteReader wr(section);
            readWaypoints(wr, version, codePage, c);
        }
    }
    if (routeOffset >= 1) {
        sectionOf(routeOffset, start, end);
        if (readSection(src, start, end, section)) {
            ByteReader rr(section);
            readRoutes(rr, version, codePage, c);
        }
    }
    out = std::move(c);
    return {DocumentReadStatus::Ok, 0};
}

}  // namespace

std::string documentReadProblem(const DocumentReadResult& r) {
    switch (r.status) {
    case DocumentReadStatus::Ok:
    case DocumentReadStatus::UnsupportedVersion: return {};
    case DocumentReadStatus::CannotOpen:
        return "cannot be read" + (r.systemError ? ": " + systemErrorText(r.systemError) : std::string());
    case DocumentReadStatus::Empty: return "is empty: it is not a korvan file";
    case DocumentReadStatus::ShortHeader: return "is too short for a korvan file";
    case DocumentReadStatus::WrongMagic: return "is not a korvan file: it does not begin with \"KORVAN\"";
    case DocumentReadStatus::NoTrack: return "is damaged: its track cannot be read";
    }
    return {};
}

DocumentReadResult decodeDocument(const std::vector<uint8_t>& bytes, DocumentContents& out, UserPrompt& prompt,
                                  const CodePage* codePage) {
    return decodeSource(MemorySource(bytes), out, prompt, codePage);
}

DocumentReadResult readDocumentFile(const std::string& path, DocumentContents& out, UserPrompt& prompt,
                                    const CodePage* codePage) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {DocumentReadStatus::CannotOpen, errno};
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        return {DocumentReadStatus::CannotOpen, err};
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return {DocumentReadStatus::CannotOpen, EISDIR};
    }
    DocumentReadResult r = decodeSource(FileSource(fd, uint64_t(std::max<off_t>(st.st_size, 0))), out, prompt, codePage);
    ::close(fd);
    return r;
}

}  // namespace korvance::files
