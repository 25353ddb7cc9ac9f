// The demo host: Inspecta on a resizable window, inspecting the built-in sample record or any
// registered automation object. Without a display it draws the control into a PNG file, prints
// the items as a table and exits.
//
//   demo.exe [--object <ProgID>] [--render <file.png>]
#include "demo/demo_window.h"
#include "demo/control_host.h"
#include "demo/sample_record.h"
#include "demo/view_snapshot.h"

#include "ole/hresult.h"
#include "ole/variant.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr SIZE kWindowSize{560, 440};

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

// The sample record is kept as itself as well, so that the window's clock can tick it.
HRESULT CreateClient(const Options& options, ole::ComPtr<IDispatch>& client, ole::ComPtr<demo::SampleRecord>& sample) {
    if (options.object.empty()) {
        RETURN_IF_FAILED(demo::CreateSampleRecord(sample));
        return sample->QueryInterface(IID_IDispatch, client.PutVoid());
    }
    CLSID classId{};
    RETURN_IF_FAILED(CLSIDFromProgID(options.object.c_str(), &classId));
    return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                            client.PutVoid());
}

void PumpPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Without a display: the control drawn into `render`, and its items printed as a table.
BOOL CALLBACK FindList(HWND child, LPARAM found) {
    wchar_t name[32]{};
    if (GetClassNameW(child, name, 32) && std::wstring_view(name) == L"KavellaPropertyList") {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

// The picture shows a property described and an object opened: the list is driven as a user
// would, typing the start of "Supplier" and pressing Right.
void ShowOffTheList(HWND site) {
    HWND list = nullptr;
    EnumChildWindows(site, &FindList, reinterpret_cast<LPARAM>(&list));
    if (!list) return;
    for (wchar_t typed : std::wstring_view(L"Sup")) SendMessageW(list, WM_CHAR, typed, 0);
    SendMessageW(list, WM_KEYDOWN, VK_RIGHT, 0);
    PumpPendingMessages();
}

int RenderAndPrint(demo::InspectaHost& host, const demo::DemoWindow& window, IDispatch* client,
                   const std::wstring& render) {
    int result = 0;
    PumpPendingMessages();
    ShowOffTheList(window.Site());
    RECT clientArea{};
    GetClientRect(window.Site(), &clientArea);
    demo::Snapshot snapshot;
    HRESULT hr = S_OK;
    if (FAILED(hr = demo::DrawControl(host.ControlUnknown(), SIZE{clientArea.right, clientArea.bottom}, snapshot)) ||
        FAILED(hr = demo::SavePng(snapshot, render))) {
        Print(L"cannot render the control: " + demo::DescribeFailure(hr));
        result = 1;
    } else {
        Print(L"rendered the control into " + render);
    }
    std::vector<demo::ItemRow> rows;
    if (FAILED(hr = demo::ReadItems(host.Control(), client, rows))) {
        Print(L"cannot read the items: " + demo::DescribeFailure(hr));
        return 1;
    }
    std::wstring table = demo::FormatTable(rows);
    if (!table.empty()) table.pop_back();
    Print(table);
    return result;
}

// With a display: the window until it is closed. The sample record's counter goes up once a
// second and says so, a value that changes by itself.
void RunWindow(demo::DemoWindow& window, const ole::ComPtr<demo::SampleRecord>& sample) {
    HRESULT hr = S_OK;
    if (sample && FAILED(hr = window.StartClock([sample] { sample->Tick(); }))) {
        Print(L"cannot start the clock: " + demo::DescribeFailure(hr));
    }
    ShowWindow(window.Window(), SW_SHOWNORMAL);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.Window() && TranslateAcceleratorW(window.Window(), window.Accelerators(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int RunDemo(const Options& options) {
    ole::ComPtr<IDispatch> client;
    ole::ComPtr<demo::SampleRecord> sample;
    HRESULT hr = CreateClient(options, client, sample);
    if (FAILED(hr)) {
        Print(L"cannot create the object to inspect: " + demo::DescribeFailure(hr));
        return 2;
    }
    demo::AtlContainer atl;
    if (FAILED(hr = atl.Load())) {
        Print(L"the system's ActiveX container (atl.dll) is not available: " + demo::DescribeFailure(hr));
        return 2;
    }

    demo::InspectaHost host(Print);
    const bool headless = !options.render.empty();
    demo::DemoWindow window(host, Print, !headless);
    const std::wstring title = L"Inspecta demo: " + (options.object.empty() ? L"sample record" : options.object);
    if (FAILED(hr = window.Create(title, kWindowSize)) || FAILED(hr = host.Open(atl, window.Site()))) {
        Print(L"cannot place Inspecta (are Inspecta2.ocx and Kavella2.ocx registered?): " + demo::DescribeFailure(hr));
        return 2;
    }
    // The demo shows every kind of item at first; the menu hides them again.
    if (FAILED(hr = host.SetOption(L"HideReadOnlyItems", false)) ||
        FAILED(hr = host.SetOption(L"HideCustomItems", false))) {
        Print(L"cannot set the control's options: " + demo::DescribeFailure(hr));
    }
    window.ShowOptions();
    if (FAILED(hr = host.Bind(client.Get()))) {
        Print(L"cannot inspect the object: " + demo::DescribeFailure(hr));
    }

    const int result = headless ? RenderAndPrint(host, window, client.Get(), options.render) : 0;
    if (!headless) RunWindow(window, sample);
    // The container tears the control down with the window; our references go after.
    if (window.Window()) DestroyWindow(window.Window());
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
