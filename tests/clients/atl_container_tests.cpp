// Inspecta2.ocx, registered in the prefix, hosted by the system's own ActiveX container
// (atl.dll) through the demo's host, inspecting the demo's sample record.
#include "demo/demo_window.h"
#include "demo/control_host.h"
#include "demo/sample_record.h"
#include "demo/view_snapshot.h"

#include "ole/late_bound.h"
#include "ole/variant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace clients_tests {
namespace {

using ole::ComPtr;
using ole::Variant;

struct ClassSearch {
    const wchar_t* name;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ClassSearch*>(parameter);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpiW(name, search->name) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindChildOfClass(HWND parent, const wchar_t* className) {
    ClassSearch search{className, nullptr};
    EnumChildWindows(parent, MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

bool SameRect(const RECT& left, const RECT& right) {
    return left.left == right.left && left.top == right.top && left.right == right.right &&
           left.bottom == right.bottom;
}

class AtlContainerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(atl.Load(), S_OK) << "atl.dll is part of every Wine prefix";
        ASSERT_EQ(demo::CreateSampleRecord(record), S_OK);
        site = CreateWindowExW(0, L"STATIC", L"site", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 360, 280, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(site, nullptr);
        const HRESULT opened = host.Open(atl, site);
        ASSERT_EQ(opened, S_OK) << demo::DescribeFailure(opened).c_str()
                                << " (the test command registers Inspecta2.ocx and Kavella2.ocx first)";
        ComPtr<IOleWindow> window;
        ASSERT_EQ(host.ControlUnknown()->QueryInterface(IID_IOleWindow, window.PutVoid()), S_OK);
        ASSERT_EQ(window->GetWindow(&control), S_OK);
        ASSERT_EQ(host.Bind(record.Get()), S_OK);
        list = FindChildOfClass(control, L"KavellaPropertyList");
        ASSERT_NE(list, nullptr) << "the list is a window inside the control";
    }
    void TearDown() override {
        if (site) DestroyWindow(site);
        host.Close();
    }

    long Count(const std::wstring& line) const { return std::count(events.begin(), events.end(), line); }

    Variant RecordProperty(const wchar_t* name) {
        Variant value;
        EXPECT_EQ(ole::GetProperty(record.Get(), name, value), S_OK);
        return value;
    }

    // The list's first row is the record's first property, Title; Enter opens its editor.
    HWND OpenEditorOnFirstRow() {
        SetFocus(list);
        SendMessageW(list, WM_KEYDOWN, VK_HOME, 1);
        SendMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
        return FindChildOfClass(list, L"EDIT");
    }

    void Type(HWND editor, const std::wstring& text) {
        SendMessageW(editor, EM_SETSEL, 0, -1);
        for (wchar_t character : text) SendMessageW(editor, WM_CHAR, character, 1);
    }

    demo::AtlContainer atl;
    std::vector<std::wstring> events;
    demo::InspectaHost host{[this](const std::wstring& line) { events.push_back(line); }};
    ComPtr<IDispatch> record;
    HWND site = nullptr;
    HWND control = nullptr;
    HWND list = nullptr;
};

TEST_F(AtlContainerTest, ThePlacedControlIsInPlaceActiveAndItsListCoversItAfterAResize) {
    EXPECT_EQ(GetParent(control), site);
    EXPECT_TRUE(GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) << "in-place activation shows the control";
    ComPtr<IOleInPlaceObject> inPlace;
    EXPECT_EQ(host.ControlUnknown()->QueryInterface(IID_IOleInPlaceObject, inPlace.PutVoid()), S_OK);
    EXPECT_EQ(Count(L"AfterPopulate"), 1) << "binding the record filled the list once";

    MoveWindow(site, 0, 0, 500, 420, TRUE);
    RECT siteClient{};
    GetClientRect(site, &siteClient);
    RECT controlClient{};
    GetClientRect(control, &controlClient);
    EXPECT_EQ(controlClient.right, siteClient.right) << "the container gave the control its new size";
    EXPECT_EQ(controlClient.bottom, siteClient.bottom);
    EXPECT_TRUE(SameRect(ScreenRect(list), ScreenRect(control))) << "the list covers the whole control";
}

TEST_F(AtlContainerTest, AnEditTypedIntoTheListReachesTheRecordAndRaisesPropertyChangedOnce) {
    HWND editor = OpenEditorOnFirstRow();
    ASSERT_NE(editor, nullptr) << "Enter opens an edit box on a text item";
    Type(editor, L"Rocking chair");
    SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 1);

    EXPECT_EQ(demo::ValueText(RecordProperty(L"Title").Get()), L"Rocking chair");
    EXPECT_EQ(Count(L"PropertyChanged Title = Rocking chair"), 1);
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::wstring& line) { return line.starts_with(L"PropertyChanged"); }),
              1);
    EXPECT_FALSE(IsWindow(editor)) << "the commit closed the editor";
}

TEST_F(AtlContainerTest, EscapeLeavesTheRecordAloneAndRaisesNothing) {
    HWND editor = OpenEditorOnFirstRow();
    ASSERT_NE(editor, nullptr);
    Type(editor, L"Discarded");
    SendMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 1);

    EXPECT_EQ(demo::ValueText(RecordProperty(L"Title").Get()), L"Garden bench");
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::wstring& line) { return line.starts_with(L"PropertyChanged"); }),
              0);
}

TEST_F(AtlContainerTest, TheItemTableDescribesTheRecordAsTheListHoldsIt) {
    std::vector<demo::ItemRow> rows;
    ASSERT_EQ(demo::ReadItems(host.Control(), record.Get(), rows), S_OK);
    std::vector<std::wstring> names;
    for (const auto& row : rows) names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Title", L"Quantity", L"Price", L"InStock", L"Finish", L"Colour",
                                                L"Delivered", L"SerialNumber", L"Created", L"Supplier", L"Object"}));
    ASSERT_EQ(rows.size(), 11u);
    const auto row = [&](const wchar_t* name) {
        return *std::find_if(rows.begin(), rows.end(), [&](const demo::ItemRow& each) { return each.name == name; });
    };
    EXPECT_EQ(row(L"Title").value, L"Garden bench");
    EXPECT_FALSE(row(L"Title").readOnly);
    EXPECT_TRUE(row(L"SerialNumber").readOnly);
    EXPECT_TRUE(row(L"Created").readOnly);
    EXPECT_TRUE(row(L"Object").readOnly);
    EXPECT_FALSE(row(L"Supplier").readOnly) << "it has a putref";
    EXPECT_EQ(row(L"Supplier").style, 0) << "objects are the list user's to show";
    EXPECT_EQ(row(L"Object").style, 0);
    std::vector<long> styles;
    for (const wchar_t* name : {L"Title", L"Quantity", L"Price", L"InStock", L"Finish", L"Colour", L"Delivered"}) {
        styles.push_back(row(name).style);
    }
    EXPECT_EQ(std::count(styles.begin(), styles.end(), 0), 0) << "the list edits every plain value in place";
    std::sort(styles.begin(), styles.end());
    EXPECT_EQ(std::unique(styles.begin(), styles.end()), styles.end()) << "each kind of value has its own style";
}

TEST_F(AtlContainerTest, HidingOptionsHideTheMatchingItemsAndRefreshReadsTheRecordAgain) {
    ASSERT_EQ(host.SetOption(L"HideCustomItems", false), S_OK);
    ASSERT_EQ(host.SetOption(L"HideReadOnlyItems", true), S_OK);
    std::vector<demo::ItemRow> rows;
    ASSERT_EQ(demo::ReadItems(host.Control(), record.Get(), rows), S_OK);
    for (const auto& row : rows) EXPECT_EQ(row.visible, !row.readOnly) << row.name.c_str();

    bool now = true;
    ASSERT_EQ(host.Toggle(L"HideReadOnlyItems", now), S_OK);
    EXPECT_FALSE(now);
    ASSERT_EQ(host.Toggle(L"HideCustomItems", now), S_OK);
    EXPECT_TRUE(now);
    ASSERT_EQ(demo::ReadItems(host.Control(), record.Get(), rows), S_OK);
    for (const auto& row : rows) EXPECT_EQ(row.visible, row.style != 0) << row.name.c_str();

    ASSERT_EQ(host.Toggle(L"HideCustomItems", now), S_OK);
    EXPECT_FALSE(now);
    ASSERT_EQ(demo::ReadItems(host.Control(), record.Get(), rows), S_OK);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const auto& each) { return each.visible; }), 11);

    ASSERT_EQ(ole::PutProperty(record.Get(), L"Quantity", Variant(LONG{99}).Get()), S_OK);
    ASSERT_EQ(host.RefreshValues(), S_OK);
    ASSERT_EQ(demo::ReadItems(host.Control(), record.Get(), rows), S_OK);
    EXPECT_EQ(std::find_if(rows.begin(), rows.end(), [](const auto& each) { return each.name == L"Quantity"; })->value,
              L"99");
}

TEST_F(AtlContainerTest, TheControlDrawsItsListThroughItsView) {
    demo::Snapshot snapshot;
    ASSERT_EQ(demo::DrawControl(host.ControlUnknown(), SIZE{320, 240}, snapshot), S_OK);
    ASSERT_EQ(snapshot.pixels.size(), 320u * 240u);
    const auto dark = std::count_if(snapshot.pixels.begin(), snapshot.pixels.end(), [](std::uint32_t pixel) {
        return (pixel & 0xFF) < 0x60 && ((pixel >> 8) & 0xFF) < 0x60 && ((pixel >> 16) & 0xFF) < 0x60;
    });
    EXPECT_GT(dark, 200) << "names and values are drawn in dark text";
}

}  // namespace
}  // namespace clients_tests

namespace clients_tests {
namespace {

// The demo's main window, with the control placed on its site as the demo places it.
class DemoWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(atl.Load(), S_OK);
        ASSERT_EQ(demo::CreateSampleRecord(record), S_OK);
        ASSERT_EQ(window.Create(L"demo under test", SIZE{400, 300}), S_OK);
        ASSERT_EQ(host.Open(atl, window.Site()), S_OK);
        ASSERT_EQ(host.Bind(record.Get()), S_OK);
        window.ShowOptions();
    }
    void TearDown() override {
        if (window.Window()) DestroyWindow(window.Window());
        host.Close();
    }

    bool ControlOption(const wchar_t* option) {
        bool value = false;
        EXPECT_EQ(host.Option(option, value), S_OK);
        return value;
    }

    // A key pressed with no modifier, as the message loop meets it.
    bool PressKey(WORD key) {
        MSG message{window.Window(), WM_KEYDOWN, key, 1, 0, {}};
        return TranslateAcceleratorW(window.Window(), window.Accelerators(), &message) != 0;
    }

    std::wstring QuantityShown() {
        std::vector<demo::ItemRow> rows;
        EXPECT_EQ(demo::ReadItems(host.Control(), record.Get(), rows), S_OK);
        for (const auto& row : rows) {
            if (row.name == L"Quantity") return row.value;
        }
        return L"(missing)";
    }

    demo::AtlContainer atl;
    std::vector<std::wstring> lines;
    demo::InspectaHost host{[this](const std::wstring& line) { lines.push_back(line); }};
    demo::DemoWindow window{host, [this](const std::wstring& line) { lines.push_back(line); }, false};
    ComPtr<IDispatch> record;
};

TEST_F(DemoWindowTest, MenuCommandsFlipTheOptionsAndTheirCheckMarksTogether) {
    for (const auto& [command, option] : {std::pair{demo::kCommandHideReadOnly, L"HideReadOnlyItems"},
                                          std::pair{demo::kCommandHideCustom, L"HideCustomItems"},
                                          std::pair{demo::kCommandAutoWrite, L"AutoWriteProperties"}}) {
        const bool before = ControlOption(option);
        EXPECT_EQ(window.IsChecked(command), before) << "the menu starts as the control is";
        SendMessageW(window.Window(), WM_COMMAND, command, 0);
        EXPECT_EQ(ControlOption(option), !before);
        EXPECT_EQ(window.IsChecked(command), !before);
        SendMessageW(window.Window(), WM_COMMAND, command, 0);
        EXPECT_EQ(ControlOption(option), before);
    }
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::wstring& line) { return line.starts_with(L"command failed"); }),
              0);
}

TEST_F(DemoWindowTest, F5ReadsTheValuesAgain) {
    ASSERT_EQ(ole::PutProperty(record.Get(), L"Quantity", Variant(LONG{31}).Get()), S_OK);
    EXPECT_EQ(QuantityShown(), L"12");
    EXPECT_TRUE(PressKey(VK_F5));
    EXPECT_EQ(QuantityShown(), L"31");
}

TEST_F(DemoWindowTest, TheSiteFollowsTheWindowAndTheControlTheSite) {
    MoveWindow(window.Window(), 0, 0, 640, 480, TRUE);
    RECT windowClient{}, siteRect{};
    GetClientRect(window.Window(), &windowClient);
    GetClientRect(window.Site(), &siteRect);
    EXPECT_EQ(siteRect.right, windowClient.right);
    EXPECT_EQ(siteRect.bottom, windowClient.bottom);
    ComPtr<IOleWindow> oleWindow;
    ASSERT_EQ(host.ControlUnknown()->QueryInterface(IID_IOleWindow, oleWindow.PutVoid()), S_OK);
    HWND control = nullptr;
    ASSERT_EQ(oleWindow->GetWindow(&control), S_OK);
    RECT controlRect{};
    GetClientRect(control, &controlRect);
    EXPECT_EQ(controlRect.right, windowClient.right);
    EXPECT_EQ(controlRect.bottom, windowClient.bottom);
}

TEST_F(DemoWindowTest, ClosingTheWindowTearsTheControlDown) {
    SendMessageW(window.Window(), WM_COMMAND, demo::kCommandExit, 0);
    EXPECT_EQ(window.Window(), nullptr);
    host.Close();
    EXPECT_EQ(record.Reset(), 0u) << "nothing the control held keeps the record alive";
}

}  // namespace
}  // namespace clients_tests
