// The demo host: Inspecta on a resizable window, inspecting the built-in sample record or any
// registered automation object. Without a display it draws the control into a PNG file, prints
// the items as a table and exits.
//
//   demo.exe [--object <ProgID>] [--render <file.png>]
#include "demo/inspecta_host.h"
#include "demo/sample_record.h"
#include "demo/view_snapshot.h"

#include "ole/hresult.h"
#include "ole/variant.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <utility>

namespace {

enum Command : WORD { kRefresh = 100, kHideReadOnly, kHideCustom, kAutoWrite, kAbout, kExit };
constexpr SIZE kWindowSize{560, 440};
constexpr wchar_t kWindowClass[] = L"InspectaDemoWindow";

void Print(const std::wstring& line) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? static_cast<size_t>(size) : 1u, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, text.data(), size, nullptr, nullptr);
    std::fputs(text.c_str(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

struct Options {
    std::wstring object;
    std::wstring render;
};

bool ParseOptions(Options& options) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return false;
    bool valid = true;
    for (int index = 1; index < count && valid; ++index) {
        const std::wstring argument = arguments[index];
        if ((argument == L"--object" || argument == L"--render") && index + 1 < count) {
            (argument == L"--object" ? options.object : options.render) = arguments[++index];
        } else {
            valid = false;
        }
    }
    LocalFree(arguments);
    return valid;
}

HRESULT CreateClient(const Options& options, ole::ComPtr<IDispatch>& client) {
    if (options.object.empty()) return demo::CreateSampleRecord(client);
    CLSID classId{};
    RETURN_IF_FAILED(CLSIDFromProgID(options.object.c_str(), &classId));
    return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                            client.PutVoid());
}

// The main window: the container's window fills it, the menu drives the control.
struct DemoWindow {
    demo::InspectaHost* host = nullptr;
    HWND site = nullptr;
};

void SetCheck(HWND window, WORD command, bool checked) {
    CheckMenuItem(GetMenu(window), command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Run(HWND window, demo::InspectaHost& host, WORD command) {
    HRESULT hr = S_OK;
    bool now = false;
    switch (command) {
    case kRefresh: hr = host.RefreshValues(); break;
    case kHideReadOnly:
        if (SUCCEEDED(hr = host.Toggle(L"HideReadOnlyItems", now))) SetCheck(window, command, now);
        break;
    case kHideCustom:
        if (SUCCEEDED(hr = host.Toggle(L"HideCustomItems", now))) SetCheck(window, command, now);
        break;
    case kAutoWrite:
        if (SUCCEEDED(hr = host.Toggle(L"AutoWriteProperties", now))) SetCheck(window, command, now);
        break;
    case kAbout: hr = host.About(); break;
    case kExit: DestroyWindow(window); return;
    default: return;
    }
    if (FAILED(hr)) Print(L"command failed: " + demo::DescribeFailure(hr));
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<DemoWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_SIZE:
        if (state && state->site) MoveWindow(state->site, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_COMMAND:
        if (state && state->host) Run(window, *state->host, LOWORD(wParam));
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HMENU CreateDemoMenu() {
    HMENU view = CreatePopupMenu();
    AppendMenuW(view, MF_STRING, kRefresh, L"&Refresh values\tF5");
    AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(view, MF_STRING, kHideReadOnly, L"Hide &read-only items\tCtrl+R");
    AppendMenuW(view, MF_STRING, kHideCustom, L"Hide &custom items\tCtrl+U");
    AppendMenuW(view, MF_STRING, kAutoWrite, L"&Write edits to the object\tCtrl+W");
    AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(view, MF_STRING, kExit, L"E&xit");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, kAbout, L"&About Inspecta\tF1");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
    return bar;
}

HACCEL CreateDemoAccelerators() {
    ACCEL keys[] = {
        {FVIRTKEY, VK_F5, kRefresh},           {FVIRTKEY | FCONTROL, 'R', kHideReadOnly},
        {FVIRTKEY | FCONTROL, 'U', kHideCustom}, {FVIRTKEY | FCONTROL, 'W', kAutoWrite},
        {FVIRTKEY, VK_F1, kAbout},
    };
    return CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
}

void PumpPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int RunDemo(const Options& options) {
    ole::ComPtr<IDispatch> client;
    HRESULT hr = CreateClient(options, client);
    if (FAILED(hr)) {
        Print(L"cannot create the object to inspect: " + demo::DescribeFailure(hr));
        return 2;
    }
    demo::AtlContainer atl;
    if (FAILED(hr = atl.Load())) {
        Print(L"the system's ActiveX container (atl.dll) is not available: " + demo::DescribeFailure(hr));
        return 2;
    }

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);

    demo::InspectaHost host(Print);
    DemoWindow state;
    const std::wstring title = L"Inspecta demo: " + (options.object.empty() ? L"sample record" : options.object);
    HWND window = CreateWindowExW(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, kWindowSize.cx, kWindowSize.cy, nullptr,
                                  CreateDemoMenu(), GetModuleHandleW(nullptr), &state);
    if (!window) return 2;
    RECT client_area{};
    GetClientRect(window, &client_area);
    state.site = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                 client_area.right, client_area.bottom, window, nullptr, GetModuleHandleW(nullptr),
                                 nullptr);
    if (!state.site || FAILED(hr = host.Open(atl, state.site))) {
        Print(L"cannot place Inspecta (is Inspecta2.ocx registered?): " + demo::DescribeFailure(hr));
        DestroyWindow(window);
        return 2;
    }
    state.host = &host;
    // The demo shows every kind of item at first; the menu hides them again.
    if (FAILED(hr = host.SetOption(L"HideReadOnlyItems", false)) ||
        FAILED(hr = host.SetOption(L"HideCustomItems", false))) {
        Print(L"cannot set the control's options: " + demo::DescribeFailure(hr));
    }
    const std::pair<WORD, const wchar_t*> options_shown[] = {
        {kHideReadOnly, L"HideReadOnlyItems"}, {kHideCustom, L"HideCustomItems"}, {kAutoWrite, L"AutoWriteProperties"}};
    for (const auto& [command, option] : options_shown) {
        bool value = false;
        if (SUCCEEDED(host.Option(option, value))) SetCheck(window, command, value);
    }
    if (FAILED(hr = host.Bind(client.Get()))) {
        Print(L"cannot inspect the object: " + demo::DescribeFailure(hr));
    }

    int result = 0;
    if (!options.render.empty()) {
        PumpPendingMessages();
        demo::Snapshot snapshot;
        if (FAILED(hr = demo::DrawControl(host.ControlUnknown(), SIZE{client_area.right, client_area.bottom},
                                          snapshot)) ||
            FAILED(hr = demo::SavePng(snapshot, options.render))) {
            Print(L"cannot render the control: " + demo::DescribeFailure(hr));
            result = 1;
        } else {
            Print(L"rendered the control into " + options.render);
        }
        std::vector<demo::ItemRow> rows;
        if (FAILED(hr = demo::ReadItems(host.Control(), client.Get(), rows))) {
            Print(L"cannot read the items: " + demo::DescribeFailure(hr));
            result = 1;
        } else {
            std::wstring table = demo::FormatTable(rows);
            if (!table.empty()) table.pop_back();
            Print(table);
        }
        DestroyWindow(window);
    } else {
        ShowWindow(window, SW_SHOWNORMAL);
        HACCEL accelerators = CreateDemoAccelerators();
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (TranslateAcceleratorW(window, accelerators, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        DestroyAcceleratorTable(accelerators);
    }
    state.host = nullptr;
    host.Close();
    return result;
}

}  // namespace

int main() {
    Options options;
    if (!ParseOptions(options)) {
        Print(L"usage: demo.exe [--object <ProgID>] [--render <file.png>]");
        return 2;
    }
    if (FAILED(OleInitialize(nullptr))) return 2;
    const int result = RunDemo(options);
    OleUninitialize();
    return result;
}
