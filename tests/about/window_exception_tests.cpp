#include "about/frm_about.h"
#include "tests/about/about_doubles.h"

#include <gtest/gtest.h>

#include <new>

namespace {

// A desktop that runs out of memory when it is to show a message.
class ExhaustedDesktop : public doubles::RecordingDesktop {
public:
    int ShowMessage(HWND, const std::wstring&, const std::wstring&, UINT) override { throw std::bad_alloc(); }
};

TEST(WindowExceptionTest, AnExceptionWhileOpeningALinkStaysInsideTheBox) {
    doubles::CallLog log;
    ExhaustedDesktop desktop;
    desktop.shellResult = 2;  // the shell finds no such file, so the box has a message to show
    doubles::RecordingAboutEvents events{&log};
    events.onBeforeShow = [](about::frmAbout& shown) {
        HWND link = shown.lblURL[0].Handle();
        for (int click = 0; click < 2; ++click) {
            PostMessageW(shown.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), BN_CLICKED),
                         reinterpret_cast<LPARAM>(link));
        }
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    about::frmAbout box(GetModuleHandleW(nullptr), desktop, &events);
    EXPECT_EQ(box.Show(), S_OK);
    EXPECT_EQ(desktop.shellCalls.size(), 2u) << "the box still answers after the first click";
}

// A control of the box whose click handler runs out of memory.
class ExhaustedControl : public about::PaintedControl {
public:
    void Paint(HDC) override {}
    void Click() override {
        ++clicks;
        throw std::bad_alloc();
    }
    int clicks = 0;
};

TEST(WindowExceptionTest, AnExceptionInAControlsHandlerStaysInsideItsWindow) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ExhaustedControl control;
    ASSERT_TRUE(control.Create(parent, 1));
    SendMessageW(control.Handle(), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(control.clicks, 1);
    DestroyWindow(parent);
}

}  // namespace
