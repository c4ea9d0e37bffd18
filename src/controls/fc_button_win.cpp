#include "controls/fc_button_win.h"

#include <windowsx.h>

#include <commctrl.h>

#include <utility>

#include "common/error.h"
#include "controls/fc_text_win.h"
#include "toolkit/form_win.h"
#include "toolkit/graphics_win.h"

namespace qx {

TfcCustomBitBtn::TfcCustomBitBtn(TWindow* parent) : TControl(parent)
{
    setColor(clBtnFace);
    textOptions_.setAlignment(TAlignment::taCenter);
    textOptions_.setVAlignment(TVerticalAlignment::vaVCenter);
    textOptions_.setOwnerCallbacks({[this] { RequestRepaint(); }, [] {}, [this] { return enabled(); }});

    CreateParams p;
    p.className = "BUTTON";
    // The platform asks for every picture instead of drawing its own button.
    p.style = WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | BS_OWNERDRAW;
    p.width = 75;
    p.height = 25;
    createSubclassedWindow(p);
    logic_.ResetActiveDefault();
    ApplyShapeRegion();
}

TfcCustomBitBtn::~TfcCustomBitBtn()
{
    if (HWND h = handle()) {
        if (GetCapture() == h)
            ReleaseCapture();
        SetWindowRgn(h, nullptr, FALSE);
    }
}

// --- settings ------------------------------------------------------------

void TfcCustomBitBtn::setCaption(const std::string& value)
{
    if (value == caption_)
        return;
    caption_ = value;
    setText(value);
    RequestRepaint();
}

void TfcCustomBitBtn::setGlyph(TfcPixels pixels)
{
    glyph_ = std::move(pixels);
    RequestRepaint();
}

void TfcCustomBitBtn::setGlyph(HBITMAP bitmap)
{
    setGlyph(pixelsOfBitmap(bitmap));
}

void TfcCustomBitBtn::setNumGlyphs(int value)
{
    numGlyphs_ = ClampNumGlyphs(value);
    RequestRepaint();
}

void TfcCustomBitBtn::setLayout(TfcButtonLayout value)
{
    layout_ = value;
    RequestRepaint();
}

void TfcCustomBitBtn::setMargin(int value)
{
    if (value < -1)
        return;
    margin_ = value;
    RequestRepaint();
}

void TfcCustomBitBtn::setSpacing(int value)
{
    spacing_ = value;
    RequestRepaint();
}

void TfcCustomBitBtn::setOffsets(const TfcImgDownOffsets& value)
{
    offsets_ = value;
    RequestRepaint();
}

void TfcCustomBitBtn::setShadeColors(const TfcShadeColors& value)
{
    shadeColors_ = value;
    RequestRepaint();
}

void TfcCustomBitBtn::setOptions(TfcButtonOptions value)
{
    logic_.Options = value;
    if (!(value & boFocusable))
        setTabStop(false);
}

void TfcCustomBitBtn::setDefault(bool value)
{
    logic_.Default = value;
    logic_.ResetActiveDefault();
    RequestRepaint();
}

void TfcCustomBitBtn::setDown(bool value)
{
    // Only toggle-group buttons keep a Down state of their own.
    logic_.SetDown(value, false);
    RequestRepaint();
}

bool TfcCustomBitBtn::tabStop() const
{
    return (GetWindowLongA(handle(), GWL_STYLE) & WS_TABSTOP) != 0;
}

void TfcCustomBitBtn::setTabStop(bool value)
{
    LONG style = GetWindowLongA(handle(), GWL_STYLE);
    style = value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
    SetWindowLongA(handle(), GWL_STYLE, style);
}

bool TfcCustomBitBtn::parentClipping() const
{
    HWND p = parentHandle();
    return p && (GetWindowLongA(p, GWL_STYLE) & WS_CLIPCHILDREN) != 0;
}

void TfcCustomBitBtn::setParentClipping(bool value)
{
    HWND p = parentHandle();
    if (!p)
        return;
    LONG style = GetWindowLongA(p, GWL_STYLE);
    style = value ? (style | WS_CLIPCHILDREN) : (style & ~WS_CLIPCHILDREN);
    SetWindowLongA(p, GWL_STYLE, style);
}

void TfcCustomBitBtn::loaded()
{
    if (!(logic_.Options & boFocusable))
        setTabStop(false);
    ApplyShapeRegion();
}

// --- drawing -------------------------------------------------------------

bool TfcCustomBitBtn::emphasised() const
{
    return focused() || logic_.Default;
}

void TfcCustomBitBtn::PaintButton(HDC dc)
{
    TfcBitmap image;
    DrawShape(image, false, logic_.Down());
    if (image.empty())
        return;
    DrawContent(image.dc());
    image.copyTo(dc, 0, 0);
}

void TfcCustomBitBtn::RepaintNow()
{
    if (!handle())
        return;
    unique_window_dc dc = getWindowDC(handle());
    if (dc)
        PaintButton(dc.get());
}

void TfcCustomBitBtn::DrawShape(TfcBitmap& image, bool, bool)
{
    image.setSize(width(), height());
}

TfcContentRects TfcCustomBitBtn::LayoutContent(int textWidth, int textHeight)
{
    TfcContentLayoutInput in;
    in.width = width();
    in.height = height();
    in.glyphWidth = glyph_.width;
    in.glyphHeight = glyph_.height;
    in.numGlyphs = numGlyphs_;
    in.captionEmpty = caption_.empty();
    in.textWidth = textWidth;
    in.textHeight = textHeight;
    in.alignment = textOptions_.alignment();
    in.layout = layout_;
    in.margin = margin_;
    in.spacing = spacing_;
    in.offsets = offsets_;
    in.down = logic_.Down();
    TfcContentRects r = qx::LayoutContent(in);
    glyphRect_ = r.GlyphRect;
    captionRect_ = r.CaptionRect;
    return r;
}

int TfcCustomBitBtn::GlyphFrameWidth() const
{
    return qx::GlyphFrameWidth(glyph_.width, numGlyphs_);
}

void TfcCustomBitBtn::DrawContent(HDC dc)
{
    const TRect client{0, 0, width(), height()};
    GdiTextCanvas canvas(dc);
    textOptions_.setText(caption_);
    textOptions_.setFont(font());
    textOptions_.setTextRect({client.left + 2, client.top + 2, client.right - 2, client.bottom - 2});
    TSize text{};
    if (!caption_.empty()) {
        const TRect measured = textOptions_.calcRect(canvas, false);
        text = {measured.width(), measured.height()};
    }
    LayoutContent(text.cx, text.cy);
    captionRect_ = ClampToClient(captionRect_, client.width(), client.height());
    if (!glyph_.empty())
        DrawGlyph(dc, glyphRect_);
    DrawCaption(dc, captionRect_);
    if ((logic_.Options & boFocusRect) && (logic_.Options & boFocusable) && focused()) {
        RECT fr{std::min(captionRect_.left, glyphRect_.left) - 2, std::min(captionRect_.top, glyphRect_.top) - 2,
                std::max(captionRect_.right, glyphRect_.right) + 2,
                std::max(captionRect_.bottom, glyphRect_.bottom) + 2};
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
        DrawFocusRect(dc, &fr);
    }
}

void TfcCustomBitBtn::DrawGlyph(HDC dc, const TRect& rect)
{
    const int fw = GlyphFrameWidth();
    if (fw <= 0 || glyph_.height <= 0)
        return;
    const bool on = enabled();
    const bool over = numGlyphs_ == 4 && IsMouseInside(-1, -1, false);
    TfcPixels frame;
    if (on || numGlyphs_ >= 2) {
        frame = GlyphFrame(glyph_, GlyphFrameIndex(on, logic_.Down(), over, numGlyphs_), fw);
    } else {
        frame = EmbossedFrame(GlyphFrame(glyph_, 0, fw), colorToRGB(clBtnFace), colorToRGB(clBtnHighlight),
                              colorToRGB(clBtnShadow));
    }
    const COLORREF transparent = TransparentColorOf(frame);
    unique_bitmap bmp = createBitmapFromPixels(frame);
    // One frame with a mask made from the transparent colour; the list's
    // normal style with no background colour leaves the masked pixels alone.
    unique_image_list list = createImageList(fw, glyph_.height, ILC_COLOR24 | ILC_MASK, 1, 0);
    if (!list || ImageList_AddMasked(list.get(), bmp.get(), transparent) < 0)
        throw Error("Cannot prepare the button's glyph");
    ImageList_DrawEx(list.get(), 0, dc, rect.left, rect.top, 0, 0, CLR_NONE, CLR_NONE, ILD_NORMAL);
}

void TfcCustomBitBtn::DrawCaption(HDC dc, const TRect& rect)
{
    SetBkMode(dc, TRANSPARENT);
    GdiTextCanvas canvas(dc);
    textOptions_.setTextRect(rect);
    textOptions_.draw(canvas);
}

// --- regions -------------------------------------------------------------

void TfcCustomBitBtn::discardSavedRegions()
{
    for (auto& d : savedRegion_)
        d.clear();
}

unique_region TfcCustomBitBtn::regionFromSaved(bool pressed) const
{
    const auto& data = savedRegion_[pressed ? 1 : 0];
    if (data.empty())
        return {};
    return unique_region(ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                         reinterpret_cast<const RGNDATA*>(data.data())));
}

void TfcCustomBitBtn::saveRegion(bool pressed, HRGN region)
{
    auto& data = savedRegion_[pressed ? 1 : 0];
    data.clear();
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size == 0)
        return;
    data.resize(size);
    if (GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data())) != size)
        data.clear();
}

unique_region TfcCustomBitBtn::CreateShapeRegion(bool pressed)
{
    return regionFromSaved(pressed);
}

void TfcCustomBitBtn::ApplyShapeRegion()
{
    HWND h = handle();
    if (!h)
        return;
    SetWindowRgn(h, nullptr, FALSE);
    unique_region region;
    if (width() > 0 && height() > 0)
        region = CreateShapeRegion(logic_.Down());
    // The window owns the region only once SetWindowRgn accepted it.
    if (region && SetWindowRgn(h, region.get(), FALSE))
        (void)region.release();
}

void TfcCustomBitBtn::sizeChanged()
{
    discardSavedRegions();
    SetWindowRgn(handle(), nullptr, TRUE);
    ApplyShapeRegion();
    invalidate();
    // Let the parent redraw what the outline no longer covers.
    if (HWND p = parentHandle()) {
        const RECT r = toRECT(bounds());
        InvalidateRect(p, &r, TRUE);
    }
}

// --- mouse and keyboard ----------------------------------------------------

bool TfcCustomBitBtn::IsMouseInside(int x, int y, bool requireTracking)
{
    return logic_.IsMouseInside(x, y, requireTracking);
}

bool TfcCustomBitBtn::PointOverButton(int x, int y)
{
    HWND h = handle();
    HWND p = parentHandle();
    if (!h || !p)
        return false;
    if (TForm* f = form(); f && GetActiveWindow() != f->handle())
        return false;
    POINT pt{x, y};
    if (x == -1 && y == -1)
        GetCursorPos(&pt);
    else
        ClientToScreen(h, &pt);
    ScreenToClient(p, &pt);
    return ChildWindowFromPoint(p, pt) == h;
}

bool TfcCustomBitBtn::LeftButtonHeld()
{
    return GetKeyState(VK_LBUTTON) < 0;
}

void TfcCustomBitBtn::CaptureMouse()
{
    SetCapture(handle());
}

void TfcCustomBitBtn::ReleaseMouse()
{
    if (GetCapture() == handle())
        ReleaseCapture();
}

void TfcCustomBitBtn::TakeFocus()
{
    setFocus();
}

void TfcCustomBitBtn::RequestRepaint()
{
    if (handle())
        invalidate();
}

void TfcCustomBitBtn::DoClick()
{
    if (TForm* f = form())
        f->setModalResult(modalResult_);
    if (onClick)
        onClick();
}

void TfcCustomBitBtn::mouseDown(UINT msg, WPARAM, LPARAM lp)
{
    const bool left = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK;
    if (!left)
        return;
    // Whatever mouse mode the focused control of an active form is in ends.
    if (TForm* f = form(); f && GetActiveWindow() == f->handle()) {
        HWND focus = GetFocus();
        if (focus && focus != handle())
            SendMessageA(focus, WM_CANCELMODE, 0, 0);
    }
    logic_.LeftDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
}

LRESULT TfcCustomBitBtn::mouseActivate(WPARAM wp, LPARAM lp)
{
    if (logic_.Options & boFocusable)
        return defaultHandler(WM_MOUSEACTIVATE, wp, lp);
    if (TForm* f = form())
        SetWindowPos(f->handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // The press is discarded and posted to the button again, so that it
    // arrives without activating or focusing anything.
    POINT pt{};
    GetCursorPos(&pt);
    ScreenToClient(handle(), &pt);
    if (pt.x >= 0 && pt.y >= 0) {
        const UINT pressed = HIWORD(lp);
        const bool left = pressed == WM_LBUTTONDOWN || pressed == WM_LBUTTONDBLCLK;
        WPARAM keys = left ? MK_LBUTTON : MK_RBUTTON;
        if (GetKeyState(VK_SHIFT) < 0)
            keys |= MK_SHIFT;
        if (GetKeyState(VK_CONTROL) < 0)
            keys |= MK_CONTROL;
        PostMessageA(handle(), left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, keys, MAKELPARAM(pt.x, pt.y));
    }
    return MA_NOACTIVATEANDEAT;
}

LRESULT TfcCustomBitBtn::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;  // the paint covers every pixel
    case WM_MOUSEACTIVATE:
        return mouseActivate(wp, lp);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        // The platform button's own press handling would take the focus.
        mouseDown(msg, wp, lp);
        return 0;
    case WM_MOUSEMOVE:
        // Not passed on: the platform button would track a pushed state of
        // its own while this window holds the capture.
        logic_.MouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), (wp & MK_LBUTTON) != 0);
        return 0;
    case WM_LBUTTONUP:
        logic_.LeftUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    case WM_CANCELMODE: {
        const LRESULT r = defaultHandler(msg, wp, lp);
        logic_.CancelMode();
        return r;
    }
    case WM_CAPTURECHANGED:
        // Another window took the capture in the middle of a press.
        if (lp && reinterpret_cast<HWND>(lp) != handle())
            logic_.CancelMode();
        return defaultHandler(msg, wp, lp);
    case WM_ENABLE:
        invalidate();
        return defaultHandler(msg, wp, lp);
    case WM_SIZE: {
        const LRESULT r = defaultHandler(msg, wp, lp);
        sizeChanged();
        return r;
    }
    case WM_KEYDOWN:
        if (wp == VK_SPACE) {
            logic_.SpaceDown();
            return 0;
        }
        break;
    case WM_KEYUP:
    case WM_CHAR:
        if (wp == VK_SPACE || wp == ' ')
            return 0;  // the platform button would click again on the release
        break;
    case BM_SETSTATE:
    case BM_CLICK:
        return 0;  // the button's own Down decides its look; clicks come from here
    }
    return TControl::handleMessage(msg, wp, lp);
}

std::optional<LRESULT> TfcCustomBitBtn::handleParentNotification(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_DRAWITEM: {
        // The item state flags are ignored: Down decides the look.
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        PaintButton(dis->hDC);
        return TRUE;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        mis->itemWidth = static_cast<UINT>(width());
        mis->itemHeight = static_cast<UINT>(height());
        return TRUE;
    }
    case WM_COMMAND:
        return 0;  // the platform button's click notifications are not used
    }
    return TControl::handleParentNotification(msg, wp, lp);
}

bool TfcCustomBitBtn::dialogKey(UINT virtualKey)
{
    if (virtualKey != VK_RETURN && virtualKey != VK_ESCAPE)
        return false;
    // Enter clicks the focused button of this family, or the default button
    // while no other one has the focus.
    HWND focus = GetFocus();
    if (focus == handle())
        logic_.FocusMoved(TfcButtonPressLogic::FocusTarget::ThisButton);
    else if (dynamic_cast<TfcCustomBitBtn*>(TWindow::fromHandle(focus)))
        logic_.FocusMoved(TfcButtonPressLogic::FocusTarget::SiblingButton);
    else
        logic_.FocusMoved(TfcButtonPressLogic::FocusTarget::Other);
    const bool modifiers = GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
    return logic_.DialogKey(virtualKey == VK_RETURN, virtualKey == VK_ESCAPE, modifiers, canFocus());
}

bool TfcCustomBitBtn::dialogChar(char ch, bool)
{
    return logic_.DialogChar(ch, caption_, canFocus());
}

}  // namespace qx
