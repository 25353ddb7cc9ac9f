#pragma once

#include "about/about_layout.h"
#include "about/picture.h"

#include <windows.h>

#include <string>

namespace about {

// A child window of a form, with its position and size in the parent's client coordinates.
class Control {
public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    HWND Handle() const noexcept { return window_; }
    // Read back from the window, so a test sees what the user sees.
    RECT Bounds() const noexcept;
    void Move(int left, int top, int width, int height) noexcept;
    void Move(const RECT& bounds) noexcept;
    bool Visible() const noexcept;
    void SetVisible(bool visible) noexcept;

protected:
    HWND window_ = nullptr;
};

// Our own painted controls: one window class, each object painting itself.
class PaintedControl : public Control {
public:
    static constexpr wchar_t kClassName[] = L"InspectaFormControl";

    // Creates the window, visible within its parent.
    bool Create(HWND parent, int id);
    virtual void Paint(HDC dc) = 0;
    virtual void Click() {}
    virtual HCURSOR Cursor() const { return nullptr; }

private:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// Black text, transparent. Without wrapping it takes the size of its text; with wrapping it keeps
// its width and grows or shrinks downwards until its text fits (the form sets a wrapping label's
// bounds from MeasureHeight).
class Label : public PaintedControl {
public:
    void SetFont(HFONT font) noexcept;
    HFONT Font() const noexcept { return font_; }
    void SetTextColor(COLORREF color) noexcept { color_ = color; }
    void SetWrap(bool wrap) noexcept { wrap_ = wrap; }
    void SetCaption(const std::wstring& caption);
    const std::wstring& Caption() const noexcept { return caption_; }

    // The text's size on one line (line breaks kept), and its height when wrapped at a width.
    // Empty text is one line high.
    Extent MeasureLine() const;
    int MeasureHeight(int width) const;

    void Paint(HDC dc) override;

private:
    void FitToText();
    RECT Measure(UINT format, int width) const;
    UINT Format() const noexcept;

    std::wstring caption_;
    HFONT font_ = nullptr;
    COLORREF color_ = RGB(0, 0, 0);
    bool wrap_ = false;
};

// A label that opens something: blue bold text, a hand cursor, a tooltip and a target. A click
// is reported to the parent as WM_COMMAND with the control's id.
class LinkLabel : public Label {
public:
    void SetCursor(HCURSOR cursor) noexcept { cursor_ = cursor; }
    void SetTag(const std::wstring& tag) { tag_ = tag; }
    const std::wstring& Tag() const noexcept { return tag_; }
    void SetToolTip(const std::wstring& text) { toolTip_ = text; }
    const std::wstring& ToolTip() const noexcept { return toolTip_; }

    void Click() override;
    HCURSOR Cursor() const override { return cursor_; }

private:
    HCURSOR cursor_ = nullptr;
    std::wstring tag_;
    std::wstring toolTip_;
};

// Shows a picture at its own size.
class Image : public PaintedControl {
public:
    // Takes the picture's size; an empty picture leaves the size as it was.
    void SetPicture(Picture picture);
    const Picture& GetPicture() const noexcept { return picture_; }
    void Paint(HDC dc) override;

private:
    Picture picture_;
};

// A horizontal line one pixel high.
class Line : public PaintedControl {
public:
    // From x1 up to x2 on row y.
    void Place(int x1, int x2, int y) noexcept;
    void Paint(HDC dc) override;

private:
    COLORREF color_ = RGB(192, 192, 192);
};

// The system's push button; as the default button it answers Enter.
class PushButton : public Control {
public:
    bool Create(HWND parent, int id, const wchar_t* caption, HFONT font, bool isDefault);
};

}  // namespace about
