// The image canvas against QPainter: its own line drawing must put lines where
// QPainter's round pens put them (within a pixel), never write outside the
// picture or a strip, and its kept text layouts must draw the same pixels as
// laying the text out afresh.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>

#include <climits>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "qtplatform/LineRaster.h"
#include "qtplatform/QtCanvas.h"

namespace korvance {
namespace {

QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "qtcanvas_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* a = new QGuiApplication(argc, argv);
    return *a;
}

QImage white(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

std::vector<QPoint> inked(const QImage& img) {
    std::vector<QPoint> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) out.push_back({x, y});
    return out;
}

// Pixels of `a` with no pixel of `b` within one pixel in each direction.
int farFrom(const QImage& a, const QImage& b) {
    int n = 0;
    for (const QPoint& p : inked(a)) {
        bool near = false;
        for (int dy = -1; dy <= 1 && !near; ++dy)
            for (int dx = -1; dx <= 1 && !near; ++dx) {
                const QPoint q(p.x() + dx, p.y() + dy);
                near = b.rect().contains(q) && (b.pixel(q) & 0xFFFFFF) != 0xFFFFFF;
            }
        n += near ? 0 : 1;
    }
    return n;
}

TEST(QtCanvas, LinesLieWhereQPainterPutsThem) {
    app();
    struct Row {
        const char* name;
        std::vector<CanvasPoint> points;
    };
    std::vector<CanvasPoint> spiral;  // many short segments turning all the time, as a thinned track
    for (int i = 0; i < 600; ++i) {
        const double a = i * 0.05, r = 10 + i * 0.15;
        spiral.push_back({100 + static_cast<int>(r * std::cos(a)), 100 + static_cast<int>(r * std::sin(a))});
    }
    const std::vector<Row> rows = {
        {"horizontal", {{10, 50}, {190, 50}}},
        {"vertical", {{50, 10}, {50, 190}}},
        {"diagonal", {{10, 10}, {190, 190}}},
        {"shallow", {{5, 40}, {195, 90}}},
        {"steep", {{120, 5}, {80, 195}}},
        {"sharp turns", {{20, 180}, {60, 20}, {100, 180}, {140, 20}, {180, 180}}},
        {"repeated points", {{30, 30}, {30, 30}, {30, 30}, {150, 60}, {150, 60}, {160, 170}}},
        {"through from far away", {{-1000000000, -999999000}, {1000000000, 1000001000}}},
        {"int range ends", {{INT_MIN, 100}, {INT_MAX, 120}, {100, INT_MAX}}},
        {"leaving the picture", {{100, 100}, {400, 150}, {250, -300}, {20, 20}}},
        {"spiral", spiral},
    };
    for (const Row& row : rows) {
        for (int width = 1; width <= 5; ++width) {
            SCOPED_TRACE(testing::Message() << row.name << ", width " << width);
            QImage ours = white(200, 200), theirs = white(200, 200);
            {
                QtCanvas canvas(ours);
                canvas.polyline(row.points, 0xFF0000, width);
            }
            {
                QPainter p(&theirs);
                p.setPen(QPen(QColor(0, 0, 255), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                QPolygon poly;
                for (const CanvasPoint& c : row.points) poly << QPoint(c.x, c.y);
                p.drawPolyline(poly);
            }
            const size_t n = inked(ours).size(), m = inked(theirs).size();
            // Every pixel has a pixel of the other drawing beside it; a few stray
            // corner pixels of round joins may differ, never a line's place.
            EXPECT_LE(farFrom(ours, theirs), static_cast<int>(m / 200) + 2);
            EXPECT_LE(farFrom(theirs, ours), static_cast<int>(n / 200) + 2);
            EXPECT_NEAR(static_cast<double>(n), static_cast<double>(m), 0.2 * static_cast<double>(m) + 8);
            for (const QPoint& q : inked(ours)) ASSERT_EQ(ours.pixel(q) & 0xFFFFFF, 0x0000FFu);  // 0x00BBGGRR red
        }
    }
}

// The shortcut for steps to a neighbouring pixel draws exactly what the
// general segment draws: random walks of such steps (with repeated points and
// jumps) wandering across the target's edges, every width, moved by offsets.
TEST(QtCanvas, NeighbourStepsDrawWhatGeneralSegmentsDraw) {
    std::mt19937 random(5);
    for (int round = 0; round < 60; ++round) {
        std::vector<CanvasPoint> walk{{static_cast<int>(random() % 200), static_cast<int>(random() % 200)}};
        for (int i = 0; i < 400; ++i) {
            CanvasPoint p = walk.back();
            if (random() % 50 == 0) {
                p = {static_cast<int>(random() % 240) - 20, static_cast<int>(random() % 240) - 20};
            } else {
                p.x += static_cast<int>(random() % 3) - 1;
                p.y += static_cast<int>(random() % 3) - 1;
            }
            walk.push_back(p);
        }
        const int dx = static_cast<int>(random() % 21) - 10, dy = static_cast<int>(random() % 21) - 10;
        for (const int width : {1, 2, 3, 4, 5, 16}) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", width " << width);
            std::vector<uint32_t> shortcut(200 * 200, 0), general(200 * 200, 0);
            const PixelTarget a{shortcut.data(), 200, 10, 20, 190, 170}, b{general.data(), 200, 10, 20, 190, 170};
            StrokePolyline(a, walk, dx, dy, 7, width, StepPath::Shortcut);
            StrokePolyline(b, walk, dx, dy, 7, width, StepPath::General);
            ASSERT_EQ(shortcut, general);
        }
    }
}

// A strip covers its rectangle whole and nothing beyond it: its lines and text
// are cut at its edges.
TEST(QtCanvas, StripStaysInItsRectangle) {
    app();
    QImage img(300, 200, QImage::Format_RGB32);
    img.fill(QColor(0x10, 0x20, 0x30));
    MonoStrip strip;
    strip.width = 80;
    strip.height = 30;
    strip.texts.push_back({60, 5, "a text longer than the strip", {"DejaVu Sans", 140}});
    strip.lines.push_back({{{-50, 15}, {200, 15}}, 3});
    strip.lines.push_back({{{40, -100}, {40, 100}}, 3});
    {
        QtCanvas canvas(img);
        // The third time from the text's kept pixels, cut as the first was.
        for (int round = 0; round < 3; ++round) ASSERT_TRUE(canvas.blitStrip(strip, 100, 50));
    }
    const QRect area(100, 50, 80, 30);
    int black = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y) & 0xFFFFFF;
            if (!area.contains(x, y)) {
                ASSERT_EQ(p, 0x102030u) << x << "," << y;
                continue;
            }
            ASSERT_TRUE(p == 0xFFFFFF || p == 0) << x << "," << y;  // one bit a pixel
            black += p == 0;
        }
    EXPECT_EQ(img.pixel(100, 65) & 0xFFFFFF, 0u);  // the line reaches the strip's left edge
    EXPECT_EQ(img.pixel(179, 65) & 0xFFFFFF, 0u);  // and its right edge
    EXPECT_EQ(img.pixel(140, 50) & 0xFFFFFF, 0u);  // the upright line its top edge
    EXPECT_GT(black, 80 * 3 + 30 * 3);             // and some of the text is there
}

// Texts drawn from what is kept of them (a layout, or for the strips' one-bit
// texts the pixel runs) are the texts QPainter lays out afresh, with their
// top-left corner at the point: the first time, when they are kept, and after.
TEST(QtCanvas, KeptTextsDrawTheSamePixels) {
    app();
    const std::vector<std::pair<std::string, CanvasFont>> texts = {
        {"W0001", {}}, {"6.29km", {}}, {"Hafen \xC3\x9C" "ber", {"DejaVu Sans Condensed", 140}}, {"WP03", {"", 72}}};
    for (const bool oneBit : {false, true}) {
        for (const auto& [text, font] : texts) {
            SCOPED_TRACE(text + (oneBit ? " one bit" : ""));
            QImage reference = white(160, 60);
            {
                QPainter p(&reference);
                QFont f = QtCanvas::fontOf(font);
                if (oneBit) f.setStyleStrategy(QFont::NoAntialias);
                p.setFont(f);
                p.setPen(Qt::black);
                p.drawText(QRect(13, 17, 4096, 256), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                           QString::fromStdString(text));
            }
            for (int round = 0; round < 3; ++round) {
                QImage ours = white(160, 60);
                {
                    QtCanvas canvas(ours);
                    if (oneBit) {
                        MonoStrip strip;
                        strip.width = 160;
                        strip.height = 60;
                        strip.texts.push_back({13, 17, text, font});
                        ASSERT_TRUE(canvas.blitStrip(strip, 0, 0));
                    } else {
                        canvas.text(13, 17, text, font);
                    }
                }
                EXPECT_EQ(ours, reference) << "round " << round;
            }
        }
    }
}

}  // namespace
}  // namespace korvance
