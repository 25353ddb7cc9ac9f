// The demo's main window as the demo runs it: its keys and menu, the picture it saves and its
// teardown. How its site follows it is in the container's tests, which run on the same window.
#include "demo/view_snapshot.h"

#include "ole/late_bound.h"
#include "ole/module.h"
#include "ole/variant.h"
#include "tests/demo/hosted_demo.h"
#include "tests/support/canvas.h"

#include <olectl.h>

#include <algorithm>

namespace {

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
        EXPECT_FALSE(press(key, false));
        EXPECT_TRUE(press(key, true));
        ASSERT_EQ(host.Option(option, after), S_OK);
        EXPECT_EQ(std::make_pair(after, window.IsChecked(command)), std::make_pair(!before, !before));
    }
    ASSERT_EQ(ole::PutProperty(record.Get(), L"Quantity", ole::Variant(LONG{31}).Get()), S_OK);
    EXPECT_TRUE(press(VK_F5, false));
    const std::vector<demo::ItemRow> rows = Rows();
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const auto& row) { return row.value == L"31"; }));
}

// The snapshot the demo saves holds what the control draws, top row first.
TEST_F(DemoWindowTest, TheSnapshotHoldsWhatTheControlDraws) {
    demo::Snapshot snapshot;
    ASSERT_EQ(demo::DrawControl(host.ControlUnknown(), SIZE{120, 90}, snapshot), S_OK);
    support::Canvas canvas(120, 90);
    ole::ComPtr<IViewObject> view;
    ASSERT_EQ(host.ControlUnknown()->QueryInterface(IID_IViewObject, view.PutVoid()), S_OK);
    const RECTL bounds{0, 0, 120, 90};
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), &bounds, nullptr, nullptr, 0),
              S_OK);
    for (std::uint32_t& pixel : snapshot.pixels) pixel &= 0xFFFFFF;
    EXPECT_TRUE(snapshot.pixels == canvas.Pixels());
    EXPECT_NE(std::count(snapshot.pixels.begin(), snapshot.pixels.end(), 0xFFFFFFu), 120 * 90) << "it drew the list";
}

// Nothing the control held keeps the record or its supplier alive.
TEST_F(DemoWindowTest, ExitTearsTheControlDown) {
    SendMessageW(window.Window(), WM_COMMAND, demo::kCommandExit, 0);
    EXPECT_EQ(window.Window(), nullptr);
    host.Close();
    EXPECT_EQ(record.Reset(), 0u);
    EXPECT_EQ(ole::Module::ObjectCount(), 0);
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
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    ASSERT_TRUE(SUCCEEDED(picture->get_Width(&width)) && SUCCEEDED(picture->get_Height(&height)));
    support::Canvas canvas(3, 2);
    ASSERT_EQ(picture->Render(canvas.Dc(), 0, 0, 3, 2, 0, height, width, -height, nullptr), S_OK);
    EXPECT_EQ(canvas.Pixels(), snapshot.pixels);
    picture.Reset();
    DeleteFileW(path.c_str());
    EXPECT_EQ(demo::SavePng({4, 4, std::vector<std::uint32_t>(3)}, path), E_INVALIDARG);
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
