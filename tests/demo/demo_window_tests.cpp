// The demo's main window as the demo runs it: its menu, its keys, its site, the snapshot it saves
// and its teardown.
#include "demo/view_snapshot.h"

#include "ole/late_bound.h"
#include "ole/variant.h"
#include "tests/demo/hosted_demo.h"
#include "tests/support/canvas.h"

#include <algorithm>

namespace {

using DemoWindowTest = demo_tests::HostedDemoTest;

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
        EXPECT_FALSE(press(key, false)) << "not without Ctrl";
        EXPECT_TRUE(press(key, true));
        ASSERT_EQ(host.Option(option, after), S_OK);
        EXPECT_EQ(std::make_pair(after, window.IsChecked(command)), std::make_pair(!before, !before));
    }
    ASSERT_EQ(ole::PutProperty(record.Get(), L"Quantity", ole::Variant(LONG{31}).Get()), S_OK);
    EXPECT_TRUE(press(VK_F5, false));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    const std::vector<demo::ItemRow> rows = Rows();
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const auto& row) { return row.value == L"31"; }));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& line) { return line.starts_with(L"command"); }), 0)
        << "no command failed";
}

// The site fills the window, and the snapshot the demo saves holds what the control draws there,
// top row first.
TEST_F(DemoWindowTest, TheSiteFillsTheWindowAndTheSnapshotHoldsWhatTheControlDraws) {
    MoveWindow(window.Window(), 0, 0, 640, 480, TRUE);
    RECT client{}, site{};
    GetClientRect(window.Window(), &client);
    GetClientRect(window.Site(), &site);
    EXPECT_TRUE(EqualRect(&client, &site));

    demo::Snapshot snapshot;
    ASSERT_EQ(demo::DrawControl(host.ControlUnknown(), SIZE{120, 90}, snapshot), S_OK);
    support::Canvas canvas(120, 90);
    ole::ComPtr<IViewObject> view;
    ASSERT_EQ(host.ControlUnknown()->QueryInterface(IID_IViewObject, view.PutVoid()), S_OK);
    const RECTL bounds{0, 0, 120, 90};
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), &bounds, nullptr, nullptr, 0), S_OK);
    for (std::uint32_t& pixel : snapshot.pixels) pixel &= 0xFFFFFF;
    EXPECT_TRUE(snapshot.pixels == canvas.Pixels());
    EXPECT_NE(std::count(snapshot.pixels.begin(), snapshot.pixels.end(), 0xFFFFFFu), 120 * 90) << "it drew the list";
}

TEST_F(DemoWindowTest, ExitTearsTheControlDown) {
    SendMessageW(window.Window(), WM_COMMAND, demo::kCommandExit, 0);
    EXPECT_EQ(window.Window(), nullptr);
    host.Close();
    EXPECT_EQ(record.Reset(), 0u) << "nothing the control held keeps the record alive";
}

}  // namespace
