// A text canvas with a fixed-pitch font: every byte is `charWidth` pixels
// wide and every line, empty or not, `lineHeight` high. Like the platform it
// hides accelerator marks unless told not to, and wraps at the given width.
// It records what is drawn.
#pragma once

#include <string>
#include <vector>

#include "controls/fc_text.h"

namespace qx::test {

class FakeCanvas : public TextCanvas {
public:
    struct Drawn {
        std::string line;
        TRect rect;
        unsigned flags;
        TColor colour;
    };

    int charWidth = 10;
    int lineHeight = 20;
    int fontDepth = 0;
    int fontsMade = 0;
    std::vector<FontDescription> fonts;
    TColor colour = clNone;
    std::vector<Drawn> drawn;

    void pushFont(const FontDescription& d) override {
        ++fontDepth;
        ++fontsMade;
        fonts.push_back(d);
    }
    void popFont() override { --fontDepth; }
    TSize textExtent(std::string_view line) override {
        return {static_cast<int>(line.size()) * charWidth, lineHeight};
    }
    TSize calcText(std::string_view line, int width, unsigned flags) override {
        std::string shown = (flags & dtNoPrefix) ? std::string(line) : TfcCaptionText::stripAccelerators(line);
        int w = static_cast<int>(shown.size()) * charWidth;
        if (!(flags & dtWordBreak) || w <= width || width < charWidth) return {w, lineHeight};
        int perRow = width / charWidth;
        int rows = (static_cast<int>(shown.size()) + perRow - 1) / perRow;
        return {perRow * charWidth, rows * lineHeight};
    }
    void drawText(std::string_view line, const TRect& rect, unsigned flags) override {
        drawn.push_back({std::string(line), rect, flags, colour});
    }
    void setTextColor(TColor c) override { colour = c; }
};

}  // namespace qx::test
