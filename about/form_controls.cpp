#include "about/form_controls.h"

#include "about/mouse_pointer.h"
#include "about/window_class.h"
#include "ole/hresult.h"
#include "ole/type_library.h"

#include <utility>

namespace about {

RECT Control::Bounds() const noexcept {
    RECT bounds{};
    if (!window_) return bounds;
    GetWindowRect(window_, &bounds);
    MapWindowPoints(HWND_DESKTOP, GetParent(window_), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

void Control::Move(int left, int top, int width, int height) noexcept {
    SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::Move(const RECT& bounds) noexcept {
    Move(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

bool Control::Visible() const noexcept { return (GetWindowLongPtrW(window_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Control::SetVisible(bool visible) noexcept { ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE); }

bool PaintedControl::Create(HWND parent, int id) {
    if (!EnsureWindowClass(kClassName, WindowProc, nullptr)) return false;
    window_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ole::CurrentModule(), this);
    return window_ != nullptr;
}

LRESULT CALLBACK PaintedControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* control = reinterpret_cast<PaintedControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!control) return DefWindowProcW(window, message, wParam, lParam);
    // A click opens a link, which builds strings: no exception may cross the system's call.
    LRESULT result = 0;
    ole::Guarded([&] {
        result = control->HandleMessage(window, message, wParam, lParam);
        return S_OK;
    });
    return result;
}

LRESULT PaintedControl::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        // Transparent: the form has painted its background underneath.
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        Paint(dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETCURSOR:
        if (ApplyMousePointer()) return TRUE;
        if (HCURSOR cursor = Cursor()) {
            SetCursor(cursor);
            return TRUE;
        }
        break;
    case WM_LBUTTONUP:
        Click();
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Label::SetFont(HFONT font) noexcept {
    font_ = font;
    FitToText();
}

void Label::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    FitToText();
}

UINT Label::Format() const noexcept { return DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS | (wrap_ ? DT_WORDBREAK : 0); }

RECT Label::Measure(UINT format, int width) const {
    RECT area{0, 0, width, 0};
    HDC dc = GetDC(window_);
    HGDIOBJ previous = font_ ? SelectObject(dc, font_) : nullptr;
    const std::wstring& text = caption_.empty() ? std::wstring(L" ") : caption_;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format | DT_CALCRECT);
    if (previous) SelectObject(dc, previous);
    ReleaseDC(window_, dc);
    if (caption_.empty()) area.right = area.left;
    return area;
}

Extent Label::MeasureLine() const {
    const RECT area = Measure(Format() & ~static_cast<UINT>(DT_WORDBREAK), 0);
    return Extent{area.right - area.left, area.bottom - area.top};
}

int Label::MeasureHeight(int width) const {
    const RECT area = Measure(Format() | DT_WORDBREAK, width);
    return area.bottom - area.top;
}

void Label::FitToText() {
    if (!window_) return;
    const RECT bounds = Bounds();
    if (wrap_) {
        const int width = bounds.right - bounds.left;
        Move(bounds.left, bounds.top, width, MeasureHeight(width));
    } else {
        const Extent size = MeasureLine();
        Move(bounds.left, bounds.top, size.cx, size.cy);
    }
}

void Label::Paint(HDC dc) {
    RECT area;
    GetClientRect(window_, &area);
    HGDIOBJ previous = font_ ? SelectObject(dc, font_) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, color_);
    DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &area, Format());
    if (previous) SelectObject(dc, previous);
}

void LinkLabel::Click() {
    const int id = GetDlgCtrlID(window_);
    SendMessageW(GetParent(window_), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(window_));
}

void Image::SetPicture(Picture picture) {
    picture_ = std::move(picture);
    if (picture_.Empty()) return;
    const RECT bounds = Bounds();
    const Extent size = picture_.Size();
    Move(bounds.left, bounds.top, size.cx, size.cy);
}

void Image::Paint(HDC dc) { picture_.Draw(dc, 0, 0); }

void Line::Place(int x1, int x2, int y) noexcept { Move(x1, y, x2 - x1, 1); }

void Line::Paint(HDC dc) {
    RECT area;
    GetClientRect(window_, &area);
    SetBkColor(dc, color_);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

bool PushButton::Create(HWND parent, int id, const wchar_t* caption, HFONT font, bool isDefault) {
    window_ = CreateWindowExW(0, L"BUTTON", caption,
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
                              0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ole::CurrentModule(),
                              nullptr);
    if (window_ && font) SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return window_ != nullptr;
}

}  // namespace about
