// The demo's main window as the demo runs it, with Inspecta placed on its site by the system's
// container (atl.dll) and bound to the demo's sample record on the real list; the test command
// registers both libraries.
#include "demo/control_host.h"
#include "demo/demo_window.h"
#include "demo/sample_record.h"
#include "demo/view_snapshot.h"

#include "ole/bstr.h"
#include "ole/late_bound.h"
#include "ole/property_notify_connection.h"
#include "ole/variant.h"
#include "tests/support/canvas.h"
#include "tests/support/com_helpers.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

class DemoWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(atl.Load(), S_OK) << "atl.dll is part of every Wine prefix";
        ASSERT_EQ(demo::CreateSampleRecord(record), S_OK);
        ASSERT_EQ(window.Create(L"demo under test", SIZE{400, 300}), S_OK);
        const HRESULT opened = host.Open(atl, window.Site());
        ASSERT_EQ(opened, S_OK) << demo::DescribeFailure(opened).c_str();
        ASSERT_EQ(support::QueryAs<IOleWindow>(host.ControlUnknown())->GetWindow(&control), S_OK);
        ASSERT_EQ(host.Bind(record.Get()), S_OK);
        window.ShowOptions();
        // The list control's window inside ours, and its list view inside that.
        list = FindWindowExW(FindWindowExW(control, nullptr, nullptr, nullptr), nullptr, L"KavellaPropertyList", nullptr);
    }
    // The menu's Exit closes the window; nothing the control held then keeps the record alive, which
    // the leak check after each test sees.
    void TearDown() override {
        if (window.Window()) SendMessageW(window.Window(), WM_COMMAND, demo::kCommandExit, 0);
        EXPECT_EQ(window.Window(), nullptr);
        host.Close();
    }

    demo::AtlContainer atl;
    std::vector<std::wstring> lines;  // what the host and the window print
    demo::InspectaHost host{[this](const std::wstring& line) { lines.push_back(line); }};
    demo::DemoWindow window{host, [this](const std::wstring& line) { lines.push_back(line); }, false};
    ole::ComPtr<IDispatch> record;
    HWND control = nullptr;
    HWND list = nullptr;
};

// Each option's Ctrl key, through the window's accelerators as the message loop meets it, flips
// the control's option and its check mark together; F5 reads the values again.
TEST_F(DemoWindowTest, KeysDriveTheControlThroughTheMenuCommands) {
    BYTE keys[256] = {};
    const auto press = [&](WORD key, bool withControl) {
        keys[VK_CONTROL] = withControl ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG message{window.Window(), WM_KEYDOWN, key, 1, 0, {}};
        return TranslateAcceleratorW(window.Window(), window.Accelerators(), &message) != 0;
    };
    for (const auto& [command, key, option] : {std::tuple{demo::kCommandHideReadOnly, 'R', L"HideReadOnlyItems"},
                                               std::tuple{demo::kCommandHideCustom, 'U', L"HideCustomItems"},
                                               std::tuple{demo::kCommandAutoWrite, 'W', L"AutoWriteProperties"}}) {
        bool before = false, after = false;
        ASSERT_EQ(host.Option(option, before), S_OK);
        EXPECT_EQ(window.IsChecked(command), before) << "the menu starts as the control is";
        EXPECT_TRUE(press(key, true));
        ASSERT_EQ(host.Option(option, after), S_OK);
        EXPECT_EQ(std::make_pair(after, window.IsChecked(command)), std::make_pair(!before, !before));
    }
    ASSERT_EQ(ole::PutProperty(record.Get(), L"Quantity", ole::Variant(LONG{31}).Get()), S_OK);
    EXPECT_TRUE(press(VK_F5, false));
    std::vector<demo::ItemRow> rows;
    ASSERT_EQ(demo::ReadItems(host.Control(), record.Get(), rows), S_OK);
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const auto& row) { return row.value == L"31"; }));
}

// The site follows the demo window, the container's control the site, and the list the control.
TEST_F(DemoWindowTest, ThePlacedControlFollowsItsWindow) {
    MoveWindow(window.Window(), 0, 0, 640, 480, TRUE);
    RECT client{}, controlRect{}, shared{}, part{};
    GetClientRect(window.Window(), &client);
    GetWindowRect(control, &controlRect);
    EXPECT_EQ(std::make_pair(controlRect.right - controlRect.left, controlRect.bottom - controlRect.top),
              std::make_pair(client.right, client.bottom));
    // The toolbar above the rows and the description pane under them share the control with the rows.
    for (HWND shown : {list, FindWindowExW(GetParent(list), nullptr, L"KavellaToolbar", nullptr),
                       FindWindowExW(GetParent(list), nullptr, L"KavellaDescription", nullptr)}) {
        GetWindowRect(shown, &part);
        UnionRect(&shared, &shared, &part);
    }
    EXPECT_TRUE(EqualRect(&shared, &controlRect));
}

// Enter opens the first row's (Title's) editor; Enter commits what was typed, Escape drops it.
TEST_F(DemoWindowTest, AnEditReachesTheRecordAndRaisesPropertyChangedOnlyWhenCommitted) {
    for (const auto& [key, title, changed] :
         {std::tuple{VK_ESCAPE, L"Garden bench", 0}, std::tuple{VK_RETURN, L"Rocking chair", 1}}) {
        SetFocus(list);
        SendMessageW(list, WM_KEYDOWN, VK_HOME, 1);
        SendMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
        HWND editor = FindWindowExW(list, nullptr, L"EDIT", nullptr);
        ASSERT_NE(editor, nullptr) << "Enter opens an edit box on a text item";
        SendMessageW(editor, EM_SETSEL, 0, -1);
        for (wchar_t character : std::wstring(L"Rocking chair")) SendMessageW(editor, WM_CHAR, character, 1);
        SendMessageW(editor, WM_KEYDOWN, key, 1);
        ole::Variant value;
        ASSERT_EQ(ole::GetProperty(record.Get(), L"Title", value), S_OK);
        EXPECT_EQ(demo::ValueText(value.Get()), title);
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& line) { return line.starts_with(L"Prop"); }),
                  changed);
    }
}

// The PNG file holds the snapshot's pixels as they were; a snapshot that does not match its size
// writes nothing.
TEST(PngFileTest, PixelsSurviveTheRoundTripAndAMismatchedSnapshotWritesNothing) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"inspecta_demo_test.png";
    const demo::Snapshot snapshot{3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x123456}};
    ASSERT_EQ(demo::SavePng(snapshot, path), S_OK);
    ole::ComPtr<IPicture> picture;
    ASSERT_EQ(OleLoadPicturePath(path.data(), nullptr, 0, 0, IID_IPicture, picture.PutVoid()), S_OK);
    LONG width = 0, height = 0;  // in HIMETRIC
    ASSERT_TRUE(SUCCEEDED(picture->get_Width(&width)) && SUCCEEDED(picture->get_Height(&height)));
    support::Canvas canvas(3, 2);
    ASSERT_EQ(picture->Render(canvas.Dc(), 0, 0, 3, 2, 0, height, width, -height, nullptr), S_OK);
    EXPECT_EQ(canvas.Pixels(), snapshot.pixels);
    picture.Reset();
    DeleteFileW(path.c_str());
    EXPECT_EQ(demo::SavePng({4, 4, std::vector<std::uint32_t>(3)}, path), E_INVALIDARG);
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// The sample record as a property browser meets it, its change notifications recorded.
class SampleRecordTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(demo::CreateSampleRecord(record), S_OK);
        ASSERT_EQ(changes.Connect(Record(), [this](DISPID id) { announced.push_back(id); }), S_OK);
    }
    IDispatch* Record() const { return static_cast<ISampleRecord*>(record.Get()); }
    DISPID IdOf(const wchar_t* name) const {
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(Record()->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(&name), 1, 0, &id), S_OK) << name;
        return id;
    }
    static IDispatch* ObjectOf(IDispatch* object, const wchar_t* name, ole::Variant& value) {
        EXPECT_EQ(ole::GetProperty(object, name, value), S_OK) << name;
        return value.Type() == VT_DISPATCH ? V_DISPATCH(&value.Get()) : nullptr;
    }

    ole::ComPtr<demo::SampleRecord> record;
    std::vector<DISPID> announced;
    ole::PropertyNotifyConnection changes;
};

// Our own categories come with names; the ones every browser names (Appearance, Misc) do not.
TEST_F(SampleRecordTest, SortsItsPropertiesIntoCategories) {
    for (const auto& [property, predefined, name] : {std::tuple{L"Title", PROPCAT{0}, L"Identity"},
                                                     std::tuple{L"Font", PROPCAT_Appearance, L""},
                                                     std::tuple{L"Counter", PROPCAT_Misc, L""}}) {
        PROPCAT category = 0;
        ole::Bstr text;
        ASSERT_EQ(record->MapPropertyToCategory(IdOf(property), &category), S_OK);
        EXPECT_TRUE(predefined ? category == predefined : category > 0) << property;
        EXPECT_EQ(SUCCEEDED(record->GetCategoryName(category, 0, text.Out())), !predefined) << property;
        EXPECT_EQ(text.View(), name);
    }
}

// Each change is announced once, as a control announces its own; a refused value, one that
// changes nothing, or a change to a font the record no longer holds is not.
TEST_F(SampleRecordTest, AnnouncesEachChangeOnce) {
    ole::Variant oldFont;
    IDispatch* const previous = ObjectOf(Record(), L"Font", oldFont);
    const ole::ComPtr<IFontDisp> font = support::MakeFont(L"Arial", 12);
    const auto quantity = [&](LONG value) { ole::PutProperty(Record(), L"Quantity", ole::Variant(value).Get()); };
    const auto embolden = [](IDispatch* object) { ole::PutProperty(object, L"Bold", ole::Variant(true).Get()); };
    const std::pair<std::function<void()>, std::vector<DISPID>> steps[] = {
        {[&] { quantity(31); }, {IdOf(L"Quantity")}},
        {[&] { quantity(31); }, {}},
        {[&] { quantity(-1); }, {}},
        {[&] { record->Tick(); }, {IdOf(L"Counter")}},
        {[&] { record->putref_Font(font.Get()); }, {IdOf(L"Font")}},
        {[&] { embolden(font.Get()); }, {IdOf(L"Font")}},
        {[&] { embolden(previous); }, {}},
        {[&] { record->putref_Supplier(nullptr); }, {IdOf(L"Supplier")}},
    };
    for (const auto& [step, expected] : steps) {
        announced.clear();
        step();
        EXPECT_EQ(announced, expected) << "step " << (&step - &steps[0].first);
    }
}

// The supplier's customer is the record itself, a cycle a list must recognise by identity; the
// supplier neither keeps the record alive nor leads to it once it has gone.
TEST_F(SampleRecordTest, TheSuppliersCustomerIsTheRecordUntilItGoes) {
    ole::Variant supplier, customer, address, city;
    IDispatch* const held = ObjectOf(Record(), L"Supplier", supplier);
    ASSERT_NE(held, nullptr);
    IDispatch* const back = ObjectOf(held, L"Customer", customer);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(support::QueryAs<IUnknown>(back), support::QueryAs<IUnknown>(Record()));
    EXPECT_EQ(ole::GetProperty(ObjectOf(held, L"Address", address), L"City", city), S_OK) << "an object in an object";
    customer.Reset();
    changes.Disconnect();
    EXPECT_EQ(record.Reset(), 0u);
    EXPECT_EQ(ObjectOf(held, L"Customer", customer), nullptr);
}

}  // namespace
