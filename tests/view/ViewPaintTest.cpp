// The paint routine through the recording canvas: what is drawn, in which
// order, with which points, colours and widths.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "view/ViewFixture.h"

using namespace korvance;
using korvance::testing::ViewEnv;
using Op = RecordingCanvas::Op;

namespace {

std::vector<Op> opsOf(const RecordingCanvas& c) {
    std::vector<Op> ops;
    for (const auto& e : c.entries) ops.push_back(e.op);
    return ops;
}

}  // namespace

TEST(ViewPaint, SettingsCorrectionsPensAndOrder) {
    struct Case {
        uint32_t plotCount, plotCountAfter;
        uint32_t penWidth;
        int drawnWidth;
    };
    const Case cases[] = {{16, 256, 7, 1}, {65536, 65536, 5, 5}, {65537, 256, 0, 1}, {32, 32, 3, 3}};
    for (const Case& c : cases) {
        ViewEnv e;
        e.plainWindow();
        e.doc.settings().TrackPlotCount = c.plotCount;
        e.doc.settings().PenWidth = c.penWidth;
        e.addTrack({{35.5, 139.5}, {35.75, 139.75}});
        e.doc.waypoints().add(e.prompt, "A", 35.25, 139.25, "", 18, 0, 0, 0);
        e.doc.routes().appendWaypoint(e.prompt, 0, "A", 35.25, 139.25, "", 18, 0, 0, 0);
        e.doc.routes().appendWaypoint(e.prompt, 0, "B", 35.75, 139.75, "", 18, 0, 0, 0);
        RecordingCanvas canvas;
        e.view.paint(canvas);
        EXPECT_EQ(e.doc.settings().TrackPlotCount, c.plotCountAfter);
        EXPECT_EQ(opsOf(canvas), (std::vector<Op>{Op::Blit, Op::Discard, Op::Text, Op::Text, Op::Polyline,
                                                  Op::FillRect, Op::Text, Op::Polyline}));
        const auto lines = canvas.of(Op::Polyline);
        EXPECT_EQ(lines[0]->width, c.drawnWidth);
        EXPECT_EQ(lines[0]->colour, e.doc.settings().PenColor);
        EXPECT_EQ(lines[0]->points, (std::vector<CanvasPoint>{{150, 150}, {225, 75}}));
        EXPECT_EQ(lines[1]->width, 2);
        EXPECT_EQ(lines[1]->colour, e.doc.settings().RouteColor);
        EXPECT_EQ(lines[1]->points, (std::vector<CanvasPoint>{{75, 225}, {225, 75}}));
        const auto rect = canvas.of(Op::FillRect)[0];
        EXPECT_EQ(rect->points, (std::vector<CanvasPoint>{{71, 221}, {80, 230}}));
        EXPECT_EQ(rect->colour, e.doc.settings().WaypointColor);
        const auto texts = canvas.of(Op::Text);
        EXPECT_EQ(texts[2]->points[0], (CanvasPoint{80, 230}));
        EXPECT_EQ(texts[2]->text, "A");
    }
}

TEST(ViewPaint, DistanceLabelsFontsAndVisibility) {
    struct Case {
        uint32_t unit, charSet;
        const char* width;
        const char* height;
    };
    const Case cases[] = {
        {0, 1, "90.", "111."},
        {1, 1, "55.", "69."},
        {2, 2, "48.", "60."},
    };
    for (const Case& c : cases) {
        ViewEnv e;
        e.plainWindow();
        e.doc.settings().Unit = c.unit;
        e.doc.settings().GPSCharSet = c.charSet;
        e.doc.waypoints().add(e.prompt, "EDGE", 35.5, 140.0, "", 18, 0, 0, 0);     // x = 300: on R's edge
        e.doc.waypoints().add(e.prompt, "BEYOND", 35.5, 140.004, "", 18, 0, 0, 0);  // x = 301
        RecordingCanvas canvas;
        e.view.paint(canvas);
        const auto texts = canvas.of(Op::Text);
        ASSERT_EQ(texts.size(), 3u);
        EXPECT_EQ(texts[0]->points[0], (CanvasPoint{150, 2}));
        EXPECT_EQ(texts[0]->text.rfind(c.width, 0), 0u) << texts[0]->text;
        EXPECT_EQ(texts[1]->points[0], (CanvasPoint{2, 150}));
        EXPECT_EQ(texts[1]->text.rfind(c.height, 0), 0u) << texts[1]->text;
        const char* suffix = c.unit == 0 ? "km" : c.unit == 1 ? "mile" : "nm";
        EXPECT_EQ(texts[0]->text.substr(texts[0]->text.size() - std::string(suffix).size()), suffix);
        EXPECT_EQ(texts[2]->text, "EDGE");
        EXPECT_EQ(texts[2]->font, c.charSet == 2 ? kJapaneseFont : CanvasFont{});
    }
    {  // the toggles and a drag in progress hide their layers
        ViewEnv e;
        e.plainWindow();
        e.addTrack({{35.5, 139.5}, {35.75, 139.75}});
        e.doc.waypoints().add(e.prompt, "A", 35.25, 139.25, "", 18, 0, 0, 0);
        e.view.showWaypoint = 0;
        e.view.dragging = 1;
        RecordingCanvas canvas;
        e.view.paint(canvas);
        EXPECT_TRUE(canvas.of(Op::Polyline).empty());
        EXPECT_TRUE(canvas.of(Op::FillRect).empty());
    }
}

TEST(ViewPaint, NavigationCursorStatusLineAndNavigatedRoute) {
    // The cursor's four points after rotation, with the factor and rounding of the rule.
    struct Turn {
        int heading;
        std::vector<CanvasPoint> points;
    };
    const Turn turns[] = {
        {0, {{115, 202}, {109, 229}, {122, 229}, {115, 202}}},
        {90, {{129, 215}, {102, 209}, {102, 222}, {129, 215}}},
    };
    for (const Turn& t : turns) {
        ViewEnv e;
        RecordingCanvas canvas;
        e.view.drawCursor(canvas, 100, 200, t.heading, false);
        ASSERT_EQ(opsOf(canvas), (std::vector<Op>{Op::Restore, Op::Save, Op::Polyline}));
        EXPECT_EQ(canvas.entries[1].points[0], (CanvasPoint{100, 200}));
        EXPECT_EQ(canvas.entries[2].points, t.points);
        EXPECT_EQ(canvas.entries[2].colour, kRedValue);
        EXPECT_EQ(canvas.entries[2].width, 2);
    }
    ViewEnv e;
    e.addTrack({{35.0, 139.0}, {35.5, 139.5}, {35.6, 139.6}}, 100.0f);
    e.doc.settings().Unit = 1;
    e.doc.settings().TrackPlotCount = 32;
    e.view.monitorActive = 1;
    e.view.showDataField = 1;
    for (uint32_t r = 1; r < 3; ++r) {
        e.doc.routes().appendRoute(e.prompt);
        e.doc.routes().appendWaypoint(e.prompt, r, "A", 35.1 * r, 139.1, "", 18, 0, 0, 0);
        e.doc.routes().appendWaypoint(e.prompt, r, "B", 35.2 * r, 139.2, "", 18, 0, 0, 0);
    }
    e.view.navigation.routeNavigator = std::make_unique<RouteNavigator>(100);
    e.view.navigation.routeNavigator->begin(2, 2);
    int fills[2] = {};
    for (int paint = 0; paint < 2; ++paint) {
        RecordingCanvas canvas;
        e.view.paint(canvas);
        const auto polygons = canvas.of(Op::Polygon);
        ASSERT_EQ(polygons.size(), 1u);  // blinking: a filled cursor, before the track line
        fills[paint] = static_cast<int>(polygons[0]->fill);
        const auto lines = canvas.of(Op::Polyline);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_LT(polygons[0] - &canvas.entries[0], lines[0] - &canvas.entries[0]);
        EXPECT_EQ(lines[0]->points.size(), 3u);
        const CanvasPoint newest = lines[0]->points.back();
        EXPECT_EQ(canvas.of(Op::Save)[0]->points[0], (CanvasPoint{newest.x - 15, newest.y - 15}));
        EXPECT_EQ(lines[1]->points.size(), 2u);  // only the navigated route
        const auto strips = canvas.of(Op::Strip);
        ASSERT_EQ(strips.size(), 2u);  // the status line, then the data field
        const ClientRect r = e.view.viewRect();
        EXPECT_EQ(strips[0]->points[0], (CanvasPoint{0, r.bottom}));
        EXPECT_EQ(strips[0]->strip.width, r.right);
        EXPECT_EQ(strips[0]->strip.height, 14);
        const std::string text = strips[0]->strip.texts.at(0).text;
        EXPECT_EQ(text.substr(text.size() - 10), " / 328[ft]") << text;
    }
    EXPECT_NE(fills[0], fills[1]);
    EXPECT_TRUE(fills[0] == int(kRedValue) || fills[0] == int(kWhiteValue));
    // An empty track draws no status line; the data field stays.
    e.doc.trackLog().track = TrackField::create(10);
    RecordingCanvas canvas;
    e.view.paint(canvas);
    ASSERT_EQ(canvas.of(Op::Strip).size(), 1u);
    EXPECT_EQ(canvas.of(Op::Strip)[0]->strip.width, kDataFieldWidth);

    // The height at the end of the status line; one the receiver does not know
    // (no <ele>, a 2D fix) is no number.
    const struct {
        float altitude;
        uint32_t unit;
        const char* end;
    } heights[] = {
        {100.0f, 0, " / 100m"},           {100.0f, 2, " / 100m"},       {-0.6f, 0, " / 0m"},
        {kUnknownAltitude, 0, " / ---m"}, {kUnknownAltitude, 1, " / ---[ft]"}, {-kUnknownAltitude, 0, " / ---m"},
    };
    for (const auto& h : heights) {
        ViewEnv env;
        env.addTrack({{35.0, 139.0}}, h.altitude);
        env.doc.settings().Unit = h.unit;
        env.view.monitorActive = 1;
        env.view.showDataField = 1;
        RecordingCanvas c;
        env.view.paint(c);
        ASSERT_FALSE(c.of(Op::Strip).empty());
        const std::string text = c.of(Op::Strip)[0]->strip.texts.at(0).text;
        EXPECT_EQ(text.substr(text.size() - std::string(h.end).size()), h.end) << text;
    }
}

// Repaints reuse the track's converted pixels; after every kind of change the
// line drawn must be what converting the whole track afresh gives.
TEST(ViewPaint, TrackAfterScrollsAppendsAndChangesIsConvertedAfresh) {
    ViewEnv e;
    ASSERT_TRUE(e.loadFlatMap(5, 5, 100, 12));
    e.doc.settings().PenWidth = 3;
    e.doc.settings().TrackPlotCount = 32;
    std::mt19937 random(11);
    double lat = 35.5, lon = 139.5;
    const auto walk = [&](int n) {
        for (int i = 0; i < n; ++i) {
            lat = std::clamp(lat + (static_cast<int>(random() % 201) - 100) * 0.0004, 34.9, 36.1);
            lon = std::clamp(lon + (static_cast<int>(random() % 201) - 100) * 0.0004, 138.9, 140.1);
            e.addTrack({{lat, lon}});
        }
    };
    enum class Step { Paint, Scroll, Append, Window, Pen, Navigate, NewTrack, NoMap };
    struct Row {
        Step step;
        int a, b;
    };
    const Row rows[] = {
        {Step::Append, 400, 0}, {Step::Paint, 0, 0},      {Step::Scroll, 37, 81},   {Step::Scroll, 0, 0},
        {Step::Append, 1, 0},   {Step::Append, 50, 0},    {Step::Scroll, 150, 12},  {Step::Window, 6, 0},
        {Step::Paint, 0, 0},    {Step::Scroll, 199, 199}, {Step::Pen, 1, 0},        {Step::Pen, 3, 0},
        {Step::Navigate, 1, 0}, {Step::Append, 1, 0},    {Step::Append, 40, 0},    {Step::Scroll, 10, 140},
        {Step::Navigate, 0, 0}, {Step::Window, 18, 0},    {Step::NewTrack, 300, 0}, {Step::Scroll, 60, 60},
        {Step::NoMap, 0, 0},    {Step::Append, 5, 0},     {Step::Navigate, 1, 0},   {Step::Append, 3, 0},
    };
    for (size_t k = 0; k < std::size(rows); ++k) {
        const Row& row = rows[k];
        MapSet& maps = e.doc.maps();
        switch (row.step) {
            case Step::Paint: break;
            case Step::Scroll: maps.SetScrollOrigin(row.a, row.b, e.host.client); break;
            case Step::Append: walk(row.a); break;
            case Step::Window: maps.LoadWindow(row.a, e.prompt); break;
            case Step::Pen: e.doc.settings().PenWidth = static_cast<uint32_t>(row.a); break;
            case Step::Navigate: e.view.nmeaNavigation = row.a; break;
            case Step::NewTrack:
                e.doc.trackLog().track = TrackField::create(1000);
                walk(row.a);
                break;
            case Step::NoMap:
                maps.DiscardMap();
                e.plainWindow();
                break;
        }
        RecordingCanvas canvas;
        e.view.paint(canvas);
        const TrackField& track = *e.doc.trackLog().track;
        const uint32_t count = track.pointCount();
        const bool navigating = e.view.navigationModeOn();
        const uint32_t first = navigating && count > 32 ? count - 32 : 0;
        std::vector<CanvasPoint> all;
        for (uint32_t i = first; i < count; ++i) {
            const MapPoint p = maps.GeoToView(track.point(i).latitude, track.point(i).longitude);
            all.push_back({p.x, p.y});
        }
        const bool thin = maps.hasMap() && !navigating && e.doc.settings().PenWidth >= 2 && count > 3;
        const auto lines = canvas.of(Op::Polyline);
        ASSERT_FALSE(lines.empty()) << "row " << k;
        EXPECT_EQ(lines.back()->points, thin ? ThinTrack(all, e.view.viewRect()) : all) << "row " << k;
    }
}

TEST(ViewPaint, ThinningOverAMap) {
    // Thinning against an independent statement of the rule, on random tracks:
    // point j is kept when it or a neighbour is inside; the first two only as a
    // pair; a point that ends a run of hidden ones is kept when the point two
    // ahead comes back inside.
    std::mt19937 random(7);
    const ClientRect r{0, 0, 100, 100};
    for (int round = 0; round < 300; ++round) {
        const int n = 3 + static_cast<int>(random() % 40);
        std::vector<CanvasPoint> pts;
        for (int i = 0; i < n; ++i)
            pts.push_back({static_cast<int>(random() % 300) - 100, static_cast<int>(random() % 300) - 100});
        auto in = [&](int i) { return pts[i].x >= 0 && pts[i].x <= 100 && pts[i].y >= 0 && pts[i].y <= 100; };
        std::vector<CanvasPoint> expected;
        for (int j = 0; j < n; ++j) {
            bool keep;
            if (j <= 1) keep = in(0) || in(1);
            else if (j == n - 1) keep = in(n - 2) || in(n - 1);
            else keep = in(j - 1) || in(j) || in(j + 1) || (j + 2 <= n - 1 && in(j + 2));
            if (keep) expected.push_back(pts[j]);
        }
        EXPECT_EQ(ThinTrack(pts, r), expected) << "round " << round;
    }
    struct Case {
        uint32_t penWidth;
        int points;
        size_t drawn;
    };
    // A track running far east of the map: thick pens keep only what is near the view.
    for (const Case c : {Case{3, 50, 2}, Case{1, 50, 50}, Case{3, 3, 3}}) {
        ViewEnv e;
        ASSERT_TRUE(e.loadFlatMap(5, 5, 100, 6));
        e.doc.settings().PenWidth = c.penWidth;
        e.addTrack({{35.9, 139.05}});
        for (int i = 1; i < c.points; ++i) e.addTrack({{35.9, 139.7 + i * 0.001}});
        RecordingCanvas canvas;
        e.view.paint(canvas);
        EXPECT_EQ(canvas.of(Op::Polyline).at(0)->points.size(), c.drawn);
    }
}
