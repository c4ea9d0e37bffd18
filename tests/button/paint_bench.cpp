// Times one full paint of a 153 x 57 shaped button (off-screen drawing of
// face, bevel, glyph and caption, and the copy to the window's surface).
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "button/button_glyphs_win.h"
#include "controls/fc_shape_btn_win.h"
#include "toolkit/form_win.h"
#include "toolkit/handles_win.h"

int main()
{
    using namespace qx;
    TForm form;
    form.setClientSize(300, 120);
    TfcShapeBtn button(&form);
    button.setBounds(20, 20, 153, 57);
    button.setColor(clRed);
    TFont font;
    font.name = "Tahoma";
    font.height = -19;
    font.bold = true;
    font.color = clWhite;
    font.charset = 0;
    button.setFont(font);
    button.setCaption("\xb9\xd8\xb1\xd5");  // "关闭" (close)
    unique_bitmap glyph = createBitmapFromPixels(test::crossGlyph());
    button.setGlyph(glyph.get());
    button.loaded();

    TfcBitmap target;
    target.setSize(153, 57);
    button.PaintButton(target.dc());  // warm-up: font and probe
    const int rounds = 500;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        button.PaintButton(target.dc());
    GdiFlush();
    const auto us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    std::printf("one full paint of a 153 x 57 button: %.1f us (mean of %d)\n", us / rounds, rounds);
    return 0;
}
