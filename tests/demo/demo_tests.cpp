// The demo's main window as the demo runs it, with Inspecta placed on its site by the system's container (atl.dll) and
// bound to the demo's sample record on the real list; the test command registers both libraries.
#include "demo/control_host.h"
#include "demo/demo_window.h"
#include "demo/sample_record.h"

#include "ole/late_bound.h"
#include "ole/property_notify_connection.h"
#include "ole/variant.h"
#include "tests/support/com_helpers.h"

#include <algorithm>
#include <functional>

namespace {

using ole::Variant;

// Each option's Ctrl key, through the window's accelerators as the message loop meets it, flips the control's option
// and its check mark together; F5 reads the values again. The menu's Exit closes the window; nothing the control held
// then keeps the record alive, which the leak check after each test sees.
TEST(DemoWindowTest, KeysDriveTheControlThroughTheMenuCommands) {
    demo::AtlContainer atl;
    demo::InspectaHost host{[](const std::wstring&) {}};
    demo::DemoWindow window{host, [](const std::wstring&) {}, false};
    ole::ComPtr<IDispatch> record;
    ASSERT_EQ(atl.Load(), S_OK) << "atl.dll is part of every Wine prefix";
    ASSERT_EQ(demo::CreateSampleRecord(record), S_OK);
    ASSERT_EQ(window.Create(L"demo under test", SIZE{400, 300}), S_OK);
    const HRESULT opened = host.Open(atl, window.Site());
    ASSERT_EQ(opened, S_OK) << demo::DescribeFailure(opened).c_str();
    ASSERT_EQ(host.Bind(record.Get()), S_OK);
    window.ShowOptions();
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
    ASSERT_EQ(ole::PutProperty(record.Get(), L"Quantity", Variant(LONG{31}).Get()), S_OK);
    EXPECT_TRUE(press(VK_F5, false));
    std::vector<demo::ItemRow> rows;
    ASSERT_EQ(demo::ReadItems(host.Control(), record.Get(), rows), S_OK);
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const auto& row) { return row.value == L"31"; }));
    SendMessageW(window.Window(), WM_COMMAND, demo::kCommandExit, 0);
    EXPECT_EQ(window.Window(), nullptr);
    host.Close();
}

// The sample record as a property browser meets it. Each change is announced once, as a control
// announces its own; a refused value, one that changes nothing, or a change to a font the record no
// longer holds is not. The supplier's customer is the record itself, a cycle a list must recognise
// by identity; the supplier neither keeps the record alive nor leads to it once it has gone.
TEST(SampleRecordTest, AnnouncesEachChangeOnceAndLetsItsSupplierGo) {
    ole::ComPtr<demo::SampleRecord> record;
    ASSERT_EQ(demo::CreateSampleRecord(record), S_OK);
    IDispatch* const dispatch = static_cast<ISampleRecord*>(record.Get());
    std::vector<DISPID> announced;
    ole::PropertyNotifyConnection changes;
    ASSERT_EQ(changes.Connect(dispatch, [&](DISPID id) { announced.push_back(id); }), S_OK);
    const auto idOf = [&](const wchar_t* name) {
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(&name), 1, 0, &id), S_OK) << name;
        return id;
    };
    const auto objectOf = [](IDispatch* object, const wchar_t* name, Variant& value) {
        EXPECT_EQ(ole::GetProperty(object, name, value), S_OK) << name;
        return value.Type() == VT_DISPATCH ? V_DISPATCH(&value.Get()) : nullptr;
    };

    Variant oldFont, supplier, customer;
    IDispatch* const previous = objectOf(dispatch, L"Font", oldFont);
    const ole::ComPtr<IFontDisp> font = support::MakeFont(L"Arial", 12);
    const auto quantity = [&](LONG value) { ole::PutProperty(dispatch, L"Quantity", Variant(value).Get()); };
    const auto embolden = [](IDispatch* object) { ole::PutProperty(object, L"Bold", Variant(true).Get()); };
    IDispatch* const held = objectOf(dispatch, L"Supplier", supplier);
    const std::pair<std::function<void()>, std::vector<DISPID>> steps[] = {
        {[&] { quantity(31); }, {idOf(L"Quantity")}}, {[&] { quantity(31); }, {}}, {[&] { quantity(-1); }, {}},
        {[&] { record->Tick(); }, {idOf(L"Counter")}}, {[&] { record->putref_Font(font.Get()); }, {idOf(L"Font")}},
        {[&] { embolden(font.Get()); }, {idOf(L"Font")}}, {[&] { embolden(previous); }, {}},
        {[&] { record->putref_Supplier(nullptr); }, {idOf(L"Supplier")}}};
    for (const auto& [step, expected] : steps) {
        announced.clear();
        step();
        EXPECT_EQ(announced, expected) << "step " << (&step - &steps[0].first);
    }

    ASSERT_NE(held, nullptr);
    IDispatch* const back = objectOf(held, L"Customer", customer);
    EXPECT_EQ(support::QueryAs<IUnknown>(back), support::QueryAs<IUnknown>(dispatch));
    customer.Reset();
    changes.Disconnect();
    EXPECT_EQ(record.Reset(), 0u);
    EXPECT_EQ(objectOf(held, L"Customer", customer), nullptr);
}

}  // namespace
