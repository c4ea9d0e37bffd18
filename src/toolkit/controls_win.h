// The standard controls the forms are built from: panel, label, edit box,
// memo, timer and image.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "toolkit/alignment.h"
#include "toolkit/window_win.h"

namespace qx {

enum class TBevelCut { bvNone, bvLowered, bvRaised };

// A container with optional sunken single border (a 3-D client edge), outer
// and inner bevels one pixel wide, and a one-line caption, vertically
// centred. Colour clBtnFace of its own, font of its parent.
class TPanel : public TGraphicControl {
public:
    explicit TPanel(TWindow* parent, int left = 0, int top = 0, int width = 185, int height = 41);

    const ClassInfo& classInfo() const override { return classes::TPanel; }
    // Answers "caption".
    Property property(std::string_view name) override;

    void setBorderSingle(bool single);
    TBevelCut bevelOuter() const { return bevelOuter_; }
    void setBevelOuter(TBevelCut cut);
    TBevelCut bevelInner() const { return bevelInner_; }
    void setBevelInner(TBevelCut cut);
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& caption);
    TAlignment alignment() const { return alignment_; }
    void setAlignment(TAlignment alignment);

protected:
    void paint(HDC dc) override;

private:
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    TBevelCut bevelInner_ = TBevelCut::bvNone;
    std::string caption_;
    TAlignment alignment_ = TAlignment::taCenter;
};

// A label: caption on its parent's colour (it follows the parent when that is
// recoloured), sized to its caption unless AutoSize is off. "&" marks an
// accelerator unless ShowAccelChar is off. Mouse input goes to the parent.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TWindow* parent, int left = 0, int top = 0);

    const ClassInfo& classInfo() const override { return classes::TLabel; }
    // Answers "caption".
    Property property(std::string_view name) override;

    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& caption);
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool autoSize);
    TAlignment alignment() const { return alignment_; }
    void setAlignment(TAlignment alignment);
    void setShowAccelChar(bool show);

protected:
    void paint(HDC dc) override;
    void fontChanged() override;

private:
    void adjustBounds();
    unsigned textFlags() const;

    std::string caption_;
    bool autoSize_ = true;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool showAccelChar_ = true;
};

// Shift state of a key event.
inline constexpr unsigned ssShift = 1;
inline constexpr unsigned ssAlt = 2;
inline constexpr unsigned ssCtrl = 4;

// Text colour and background of an edit control, answered to WM_CTLCOLOR*.
class EditColours {
public:
    LRESULT apply(HDC dc, TColor text, TColor background);

private:
    unique_brush brush_;
    TColor brushColour_ = clNone;
};

// A one-line edit box ("EDIT") with a sunken border.
class TEdit : public TControl {
public:
    explicit TEdit(TWindow* parent, int left = 0, int top = 0, int width = 121, int height = 21);

    const ClassInfo& classInfo() const override { return classes::TEdit; }
    // Answers "text".
    Property property(std::string_view name) override;

    // Every character shows as ch; 0 shows the text.
    void setPasswordChar(char ch);
    char passwordChar() const;

    // A key went down: key may be changed, 0 drops it.
    std::function<void(WORD& key, unsigned shift)> onKeyDown;
    // A character was typed: ch may be changed, 0 drops it.
    std::function<void(char& ch)> onKeyPress;
    // The context menu is asked for; set handled to show none.
    std::function<void(TPoint where, bool& handled)> onContextPopup;

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    std::optional<LRESULT> handleParentNotification(UINT msg, WPARAM wp, LPARAM lp) override;
    void fontChanged() override;

private:
    EditColours colours_;
};

// A multi-line edit box ("EDIT"): lines aligned as given at creation,
// read-only by default, without border.
class TMemo : public TControl {
public:
    TMemo(TWindow* parent, int left, int top, int width, int height, TAlignment alignment = TAlignment::taLeftJustify,
          bool readOnly = true);

    const ClassInfo& classInfo() const override { return classes::TMemo; }
    // Answers "lines": the memo's lines as a string list.
    Property property(std::string_view name) override;

    std::vector<std::string> lines() const;
    void setLines(const std::vector<std::string>& lines);
    void addLine(const std::string& line);
    void clear();

protected:
    std::optional<LRESULT> handleParentNotification(UINT msg, WPARAM wp, LPARAM lp) override;
    void fontChanged() override;

private:
    // The window's text seen as a string list: read as the whole text with
    // lines separated by CR LF, written by splitting at any line break.
    class Lines : public TStrings {
    public:
        explicit Lines(TMemo& memo) : memo_(memo) {}
        std::string Text() const override { return memo_.text(); }
        void SetText(std::string_view text) override { memo_.setLines(SplitLines(text)); }

    private:
        TMemo& memo_;
    };

    EditColours colours_;
    Lines lines_{*this};
};

// A timer that delivers onTimer through the thread's message loop every
// interval while it is enabled. Stopped when made; the interval is 1000 ms.
class TTimer : public TWindow {
public:
    explicit TTimer(TComponent* owner = nullptr);
    ~TTimer() override;

    const ClassInfo& classInfo() const override { return classes::TTimer; }

    bool enabled() const { return enabled_; }
    // Starting a running timer changes nothing (the period is not restarted).
    // Throws "Not enough timers available" when the platform has none.
    void setEnabled(bool enabled);
    unsigned interval() const { return interval_; }
    // A new interval restarts a running timer.
    void setInterval(unsigned milliseconds);

    std::function<void()> onTimer;

    // The platform's SetTimer, replaceable so that tests can make it fail.
    using SetTimerFunction = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);
    static void setSetTimerFunction(SetTimerFunction f);

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void update();

    bool enabled_ = false;
    bool running_ = false;
    unsigned interval_ = 1000;
};

// A picture, sized to it; with Transparent, the pixels of the colour of its
// bottom-left pixel are not painted, so the parent's colour shows.
class TImage : public TGraphicControl {
public:
    explicit TImage(TWindow* parent, int left = 0, int top = 0, int width = 105, int height = 105);

    const ClassInfo& classInfo() const override { return classes::TImage; }

    // A bitmap file's bytes (BITMAPFILEHEADER first); throws on a bad file.
    void loadFromBmpFile(std::span<const unsigned char> bytes);
    // A bitmap resource of a module (RT_BITMAP).
    void loadFromResource(HINSTANCE module, const char* name);
    bool transparent() const { return transparent_; }
    void setTransparent(bool transparent);
    HBITMAP bitmap() const { return bitmap_.get(); }
    TSize pictureSize() const { return size_; }

protected:
    void paint(HDC dc) override;

private:
    void loadFromDib(const BITMAPINFO* info, const void* bits);

    unique_bitmap bitmap_;
    TSize size_;
    bool transparent_ = false;
};

}  // namespace qx
