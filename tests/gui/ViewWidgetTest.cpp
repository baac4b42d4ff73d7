// The view window under the offscreen platform: the view painted from the tile
// window, and drags that take the view past the window's edge re-centre the
// window on the next tile while the ground stays under the pen.

#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QTest>

#include "files/TempDir.h"
#include "maps/MapTestUtil.h"
#include "gui/ViewWidget.h"
#include "maps/MapCommands.h"
#include "platform/testing/RecordingSound.h"
#include "qtplatform/QtCanvas.h"
#include "qtplatform/TestApplication.h"
#include "navigation/NavigationFigures.h"
#include "support/DocFixture.h"
#include "view/CKorvanceView.h"
#include "view/testing/ScriptedViewDialogs.h"

using namespace korvance;

namespace {

QApplication& app() { return testApplication("gui_view_tests"); }

void send(QWidget& w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons, Qt::MouseButton button) {
    QMouseEvent e(type, QPointF(p), w.mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// Drags by (dx, dy) in steps of at most 20 pixels.
void drag(QWidget& w, QPoint from, int dx, int dy) {
    send(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    const int steps = std::max(1, (std::abs(dx) + std::abs(dy)) / 20);
    for (int i = 1; i <= steps; ++i)
        send(w, QEvent::MouseMove, from + QPoint(dx * i / steps, dy * i / steps), Qt::LeftButton, Qt::NoButton);
    send(w, QEvent::MouseButtonRelease, from + QPoint(dx, dy), Qt::NoButton, Qt::LeftButton);
}

struct DemoView : korvance::testing::DocFixture {
    MapSet& maps = doc.maps();
    ScriptedViewDialogs viewDialogs;
    RecordingSound sound;
};

// Drags over maps of flat-coloured PNG tiles on views of desktop and handheld size:
// after every pen step the ground under the view's corner has moved by exactly the
// step, and every painted pixel over the map shows its tile (never the window's
// white). The window has as many tiles as the view needs and follows a resize.
TEST(ViewWidget, DragsKeepTheGroundUnderThePenAndTheMapCoversTheView) {
    app();
    struct Case {
        const char* what;
        int width, height, tile, columns, rows;
        int slotColumns, slotRows;  // the window's tiles across and down
        int step;                   // pen step in pixels
    };
    const Case cases[] = {
        {"256-pixel tiles, desktop", 1280, 800, 256, 12, 8, 7, 5, 97},
        {"512-pixel tiles, desktop", 1280, 800, 512, 8, 5, 5, 3, 131},
        {"a map narrower than the window", 1280, 800, 256, 5, 4, 5, 5, 97},
        {"handheld: 3 x 3", 240, 320, 256, 5, 5, 3, 3, 97},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        korvance::testing::TempDir dir;
        korvance::testing::makeFlatMap(dir.file("m"), c.columns, c.rows, c.tile, c.tile, "png");
        DemoView d;
        ASSERT_EQ(OpenMapOrList(d.maps, dir.file("m/mapinfo.dat"), d.doc.codePage(), d.doc.settings().MapPath, d.prompt),
                  Changes::MapOpened);
        ViewWidget view(d.doc, d.dialogs, d.viewDialogs, d.sound, d.chooser);
        view.resize(c.width, c.height);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        ASSERT_EQ(view.size(), QSize(c.width, c.height));
        const int mapWidth = c.columns * c.tile, mapHeight = c.rows * c.tile;

        // Every 16th pixel of what is on screen shows the tile under it, except under the
        // two distance labels (top middle, left middle).
        auto expectCovered = [&](const std::string& when) {
            const QImage shot = view.grab().toImage();
            const int w = shot.width(), h = shot.height();
            const MapPoint corner = d.maps.ViewToMapPixel(0, 0);
            int wrong = 0;
            for (int y = 3; y < h; y += 16)
                for (int x = 5; x < w; x += 16) {
                    const bool label = (y < 24 && x >= w / 2 - 4) || (x < 120 && y >= h / 2 - 4 && y < h / 2 + 24);
                    const int mx = corner.x + x, my = corner.y + y;
                    if (label || mx < 0 || my < 0 || mx >= mapWidth || my >= mapHeight) continue;
                    const uint32_t want = korvance::testing::tileColour(my / c.tile * c.columns + mx / c.tile);
                    if ((shot.pixel(x, y) & 0xFFFFFF) != want && wrong++ < 3)
                        ADD_FAILURE() << when << ": view pixel " << x << "," << y << " shows "
                                      << std::hex << (shot.pixel(x, y) & 0xFFFFFF) << " over " << want;
                }
            EXPECT_EQ(wrong, 0) << when;
        };

        // Start with the view's corner near the map's top-left corner.
        const int rangeX = mapWidth - c.width, rangeY = mapHeight - c.height;
        const int startX = std::min(10, rangeX / 2), startY = std::min(10, rangeY / 2);
        ASSERT_TRUE(view.centreOn(36 - (startY + c.height / 2 + 0.5) / mapHeight,
                                  139 + (startX + c.width / 2 + 0.5) / mapWidth));
        ASSERT_EQ(d.maps.ViewToMapPixel(0, 0), (MapPoint{startX, startY}));
        EXPECT_EQ(d.maps.slotColumns(), c.slotColumns);
        EXPECT_EQ(d.maps.slotRows(), c.slotRows);
        expectCovered("at the start");

        // Round the map: east, south, west and north to the start, one drag a leg, the pen
        // moving against the view.
        const QPoint legs[] = {{rangeX - 2 * startX, 0}, {0, rangeY - 2 * startY}, {-(rangeX - 2 * startX), 0},
                               {0, -(rangeY - 2 * startY)}};
        MapPoint want{startX, startY};
        const QPoint middle(c.width / 2, c.height / 2);
        const uint64_t readsBefore = d.maps.tileReads();
        for (QPoint leg : legs) {
            send(view, QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton);
            QPoint pen = middle;
            for (int done = 0, length = std::abs(leg.x() + leg.y()); done < length;) {
                const int n = std::min(c.step, length - done);
                done += n;
                const QPoint move(leg.x() > 0 ? n : leg.x() < 0 ? -n : 0, leg.y() > 0 ? n : leg.y() < 0 ? -n : 0);
                pen -= move;
                want = {want.x + move.x(), want.y + move.y()};
                send(view, QEvent::MouseMove, pen, Qt::LeftButton, Qt::NoButton);
                const std::string when = "view corner at " + std::to_string(want.x) + "," + std::to_string(want.y);
                ASSERT_EQ(d.maps.ViewToMapPixel(0, 0), want) << when;
                expectCovered(when);
            }
            send(view, QEvent::MouseButtonRelease, pen, Qt::NoButton, Qt::LeftButton);
        }
        if (c.slotColumns < c.columns || c.slotRows < c.rows) {
            EXPECT_GT(d.maps.tileReads(), readsBefore);
        }

        // Past the map's edge the view stops at it.
        drag(view, middle, 3 * c.width, 3 * c.height);
        EXPECT_EQ(d.maps.ViewToMapPixel(0, 0), (MapPoint{0, 0}));
        expectCovered("dragged past the top-left corner");

        // A resize keeps the ground at the view's corner and lays the window out anew;
        // made higher than wide the view turns portrait, and back.
        for (QSize size : {QSize(240, 320), QSize(c.width, c.height)}) {
            view.resize(size);
            EXPECT_EQ(view.view().orientation, size.width() >= size.height() ? 1 : 2);
            EXPECT_EQ(d.maps.ViewToMapPixel(0, 0), (MapPoint{0, 0}));
            EXPECT_EQ(d.maps.slotColumns(), size.width() == c.width ? c.slotColumns : 3);
            expectCovered("resized to " + std::to_string(size.width()) + "x" + std::to_string(size.height()));
        }
        EXPECT_TRUE(d.prompt.shown.empty());
        // Without a map the view paints the blank window.
        OnDiscardMap(d.maps);
        view.repaint();
        EXPECT_EQ(view.grab().toImage().pixel(10, 10) & 0xFFFFFF, 0xFFFFFFu);
    }
}

// The data field's texts stand at fixed places in a 90-pixel strip or a
// 68-pixel band; with the faces the program really gets here, no label or
// widest value may run out of the strip or into the next text of its row.
TEST(ViewWidget, DataFieldTextsStayInTheirPlaces) {
    app();
    const QFontMetrics labels(QtCanvas::fontOf(kDataFieldLabelFont));
    const QFontMetrics values(QtCanvas::fontOf(kDataFieldValueFont));
    for (bool landscape : {true, false}) {
        const DataFieldLayout l = DataFieldLayoutFor(landscape, landscape ? 1280 : 600, landscape ? 800 : 900);
        for (uint32_t unit : {0u, 1u, 2u}) {
            const DataFieldTexts t = DataFieldTextsOf(NavigationFigures{}, unit);
            struct Text {
                int x, y;
                std::string text;
                const QFontMetrics& metrics;
            };
            const Text texts[] = {
                {l.speed.labelX, l.speed.labelY, t.speedLabel, labels},
                {l.track.labelX, l.track.labelY, kTrackFieldLabel, labels},
                {l.target.labelX, l.target.labelY, kTargetFieldLabel, labels},
                {l.distance.labelX, l.distance.labelY, t.distanceLabel, labels},
                {l.bearing.labelX, l.bearing.labelY, l.bearingLabel, labels},
                {l.ete.labelX, l.ete.labelY, kEteFieldLabel, labels},
                {l.speed.valueX, l.speed.valueY, "188.8", values},
                {l.track.valueX, l.track.valueY, "358", values},
                {l.distance.valueX, l.distance.valueY, "188.88", values},
                {l.bearing.valueX, l.bearing.valueY, "358", values},
                {l.ete.valueX, l.ete.valueY, "08:58:58", values},
            };
            for (const Text& a : texts) {
                int limit = l.panelWidth;
                for (const Text& b : texts)
                    if (b.y == a.y && b.x > a.x) limit = std::min(limit, b.x);
                EXPECT_LE(a.x + a.metrics.horizontalAdvance(QString::fromStdString(a.text)), limit)
                    << a.text << (landscape ? " in landscape" : " in portrait") << " at " << a.x << "," << a.y;
            }
        }
    }
}

}  // namespace
