#pragma once
// A canvas that keeps every primitive drawn on it, in order, with its exact
// points, colours and widths.

#include <string>
#include <vector>

#include "view/Canvas.h"

namespace korvance {

class RecordingCanvas : public Canvas {
public:
    enum class Op { Blit, Polyline, Polygon, FillRect, Text, Restore, Save, Discard, Strip };
    struct Entry {
        Op op = Op::Blit;
        std::vector<CanvasPoint> points;  // polyline, polygon; rectangles as two corners; one point for text and save
        ColourValue colour = 0;            // pen or fill colour
        ColourValue fill = 0;              // polygon fill
        int width = 0;
        std::string text;
        CanvasFont font;
        MonoStrip strip;
    };

    Entry& add(Op op, std::vector<CanvasPoint> points = {}, ColourValue colour = 0, ColourValue fill = 0, int width = 0) {
        Entry e;
        e.op = op;
        e.points = std::move(points);
        e.colour = colour;
        e.fill = fill;
        e.width = width;
        entries.push_back(std::move(e));
        return entries.back();
    }

    void blitImage(const RasterImage&, int sourceX, int sourceY, int left, int top, int right, int bottom) override {
        add(Op::Blit, {{sourceX, sourceY}, {left, top}, {right, bottom}});
    }
    void polyline(std::span<const CanvasPoint> points, ColourValue colour, int width) override {
        add(Op::Polyline, {points.begin(), points.end()}, colour, 0, width);
    }
    void polygon(std::span<const CanvasPoint> points, ColourValue outline, int width, ColourValue fill) override {
        add(Op::Polygon, {points.begin(), points.end()}, outline, fill, width);
    }
    void fillRect(int left, int top, int right, int bottom, ColourValue colour) override {
        add(Op::FillRect, {{left, top}, {right, bottom}}, colour);
    }
    void text(int x, int y, const std::string& text, const CanvasFont& font) override {
        Entry& e = add(Op::Text, {{x, y}});
        e.text = text;
        e.font = font;
    }
    void restoreCursorBackground() override { add(Op::Restore); }
    void saveCursorBackground(int x, int y) override { add(Op::Save, {{x, y}}); }
    void discardCursorBackground() override { add(Op::Discard); }
    bool blitStrip(const MonoStrip& strip, int x, int y) override {
        add(Op::Strip, {{x, y}}).strip = strip;
        return true;
    }

    std::vector<const Entry*> of(Op op) const {
        std::vector<const Entry*> out;
        for (const Entry& e : entries)
            if (e.op == op) out.push_back(&e);
        return out;
    }
    std::vector<Entry> entries;
};

}  // namespace korvance
