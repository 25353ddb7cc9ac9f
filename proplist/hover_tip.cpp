#include "proplist/hover_tip.h"

#include "ole/type_library.h"

#include <commctrl.h>

namespace proplist {

namespace {

constexpr UINT_PTR kToolId = 1;

TTTOOLINFOW ToolInfo(HWND owner, const wchar_t* text) noexcept {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = owner;
    tool.uId = kToolId;
    tool.lpszText = const_cast<wchar_t*>(text);
    return tool;
}

}  // namespace

void HoverTip::Show(HWND owner, const wchar_t* text, HFONT font, POINT at) noexcept {
    if (!window_) {
        window_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0,
                                  0, 0, 0, owner, nullptr, ole::CurrentModule(), nullptr);
        if (!window_) return;
        owner_ = owner;
        TTTOOLINFOW tool = ToolInfo(owner_, L"");
        SendMessageW(window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    TTTOOLINFOW tool = ToolInfo(owner_, text);
    SendMessageW(window_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(window_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(window_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void HoverTip::Hide() noexcept {
    if (!window_) return;
    TTTOOLINFOW tool = ToolInfo(owner_, nullptr);
    SendMessageW(window_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace proplist
