#include "demo/demo_window.h"

#include <iterator>

namespace demo {

namespace {

constexpr wchar_t kWindowClass[] = L"InspectaDemoWindow";
constexpr UINT_PTR kClockTimer = 1;

struct OptionCommand {
    WORD command;
    const wchar_t* option;
};
constexpr OptionCommand kOptions[] = {
    {kCommandHideReadOnly, L"HideReadOnlyItems"},
    {kCommandHideCustom, L"HideCustomItems"},
    {kCommandAutoWrite, L"AutoWriteProperties"},
};

HMENU CreateDemoMenu() {
    HMENU view = CreatePopupMenu();
    AppendMenuW(view, MF_STRING, kCommandRefresh, L"&Refresh values\tF5");
    AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(view, MF_STRING, kCommandHideReadOnly, L"Hide &read-only items\tCtrl+R");
    AppendMenuW(view, MF_STRING, kCommandHideCustom, L"Hide &custom items\tCtrl+U");
    AppendMenuW(view, MF_STRING, kCommandAutoWrite, L"&Write edits to the object\tCtrl+W");
    AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(view, MF_STRING, kCommandExit, L"E&xit");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, kCommandAbout, L"&About Inspecta\tF1");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
    return bar;
}

HACCEL CreateDemoAccelerators() {
    ACCEL keys[] = {
        {FVIRTKEY, VK_F5, kCommandRefresh},
        {FVIRTKEY | FCONTROL, 'R', kCommandHideReadOnly},
        {FVIRTKEY | FCONTROL, 'U', kCommandHideCustom},
        {FVIRTKEY | FCONTROL, 'W', kCommandAutoWrite},
        {FVIRTKEY, VK_F1, kCommandAbout},
    };
    return CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
}

}  // namespace

DemoWindow::~DemoWindow() {
    if (window_) DestroyWindow(window_);
    if (accelerators_) DestroyAcceleratorTable(accelerators_);
}

HRESULT DemoWindow::Create(const std::wstring& title, SIZE size) noexcept {
    if (window_) return E_UNEXPECTED;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    HMENU menu = CreateDemoMenu();
    window_ = CreateWindowExW(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                              CW_USEDEFAULT, size.cx, size.cy, nullptr, menu, instance, this);
    if (!window_) {
        DestroyMenu(menu);
        return HRESULT_FROM_WIN32(GetLastError());
    }
    RECT client{};
    GetClientRect(window_, &client);
    site_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right,
                            client.bottom, window_, nullptr, instance, nullptr);
    accelerators_ = CreateDemoAccelerators();
    if (!site_ || !accelerators_) return E_OUTOFMEMORY;
    return S_OK;
}

void DemoWindow::ShowOptions() noexcept {
    for (const OptionCommand& entry : kOptions) {
        bool value = false;
        if (SUCCEEDED(host_.Option(entry.option, value))) SetCheck(entry.command, value);
    }
}

bool DemoWindow::IsChecked(WORD command) const noexcept {
    return (GetMenuState(GetMenu(window_), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void DemoWindow::SetCheck(WORD command, bool checked) noexcept {
    CheckMenuItem(GetMenu(window_), command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void DemoWindow::Run(WORD command) noexcept {
    HRESULT hr = S_OK;
    switch (command) {
    case kCommandRefresh: hr = host_.RefreshValues(); break;
    case kCommandAbout: hr = host_.About(); break;
    case kCommandExit: DestroyWindow(window_); return;
    default:
        for (const OptionCommand& entry : kOptions) {
            if (entry.command != command) continue;
            bool now = false;
            if (SUCCEEDED(hr = host_.Toggle(entry.option, now))) SetCheck(command, now);
        }
        break;
    }
    if (FAILED(hr)) printer_(L"command failed: " + DescribeFailure(hr));
}

HRESULT DemoWindow::StartClock(std::function<void()> tick) noexcept {
    if (!window_) return E_UNEXPECTED;
    tick_ = std::move(tick);
    return SetTimer(window_, kClockTimer, 1000, nullptr) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

LRESULT CALLBACK DemoWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<DemoWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_SIZE:
        if (self && self->site_) MoveWindow(self->site_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_COMMAND:
        if (self && HIWORD(wParam) <= 1) self->Run(LOWORD(wParam));
        return 0;
    case WM_TIMER:
        if (self && wParam == kClockTimer && self->tick_) self->tick_();
        return 0;
    case WM_NCDESTROY:
        if (self) {
            self->window_ = nullptr;
            self->site_ = nullptr;
            if (self->endsMessageLoop_) PostQuitMessage(0);
        }
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace demo
