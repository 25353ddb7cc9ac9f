#include "about/frm_about.h"

#include "about/mouse_pointer.h"
#include "about/window_class.h"
#include "ole/type_library.h"
#include "tests/about/about_doubles.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace {

using about::frmAbout;
using about::Picture;
using doubles::CallLog;
using doubles::FakeApplicationInfo;
using doubles::RecordingAboutEvents;
using doubles::RecordingDesktop;

HMODULE ThisModule() { return GetModuleHandleW(nullptr); }

about::Extent SizeOf(const RECT& rect) { return {rect.right - rect.left, rect.bottom - rect.top}; }

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

RECT LineRect(const about::HorizontalLine& line) { return RECT{line.x1, line.y, line.x2, line.y + 1}; }

// The layout the box should have, computed afresh from its labels' measured text.
about::AboutLayout ExpectedLayout(frmAbout& box) {
    about::LayoutInput input;
    if (!box.imgCompanyLogo.GetPicture().Empty()) input.logo = box.imgCompanyLogo.GetPicture().Size();
    if (!box.imgProductIcon.GetPicture().Empty()) input.icon = box.imgProductIcon.GetPicture().Size();
    input.watermark = SizeOf(box.imgWatermark.Bounds());
    input.product = box.lblProduct.MeasureLine();
    input.version = box.lblVersion.MeasureLine();
    input.firstLink = box.lblURL[0].MeasureLine();
    input.secondLink = box.lblURL[1].MeasureLine();
    input.commentsEmpty = box.lblComments.Caption().empty();
    input.commentsHeight = [&](int width) { return box.lblComments.MeasureHeight(width); };
    input.copyrightHeight = [&](int width) { return box.lblCopyright.MeasureHeight(width); };
    input.noticeHeight = [&](int width) { return box.lblSystemCopy.MeasureHeight(width); };
    input.frame = about::FrameMetrics::FromSystem();
    return about::LayOutAbout(input);
}

void ExpectChildrenWhereTheLayoutPutsThem(frmAbout& box) {
    const about::AboutLayout expected = ExpectedLayout(box);
    const std::pair<const about::Control*, RECT> placements[] = {
        {&box.imgCompanyLogo, expected.logo},       {&box.imgProductIcon, expected.icon},
        {&box.lblProduct, expected.product},        {&box.lblVersion, expected.version},
        {&box.lblComments, expected.comments},      {&box.lblCopyright, expected.copyright},
        {&box.lblURL[0], expected.firstLink},       {&box.lblURL[1], expected.secondLink},
        {&box.lneSplit[1], LineRect(expected.upperSeparator)}, {&box.lblSystemCopy, expected.notice},
        {&box.lneSplit[0], LineRect(expected.lowerSeparator)}, {&box.cmdClose, expected.closeButton},
        {&box.imgWatermark, expected.watermark}};
    for (const auto& [control, rect] : placements) {
        EXPECT_EQ(Text(control->Bounds()), Text(rect)) << "control " << GetDlgCtrlID(control->Handle());
    }
    RECT client{}, window{};
    GetClientRect(box.Handle(), &client);
    GetWindowRect(box.Handle(), &window);
    EXPECT_EQ(Text(client), Text(RECT{0, 0, expected.clientWidth, expected.clientHeight}));
    EXPECT_EQ(window.right - window.left, expected.window.cx);
    EXPECT_EQ(window.bottom - window.top, expected.window.cy);
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// A box with recording events and desktop. Each test closes its box by a message posted from
// BeforeShow: the modal loop then runs until it meets that message.
class AboutBoxTest : public testing::Test {
protected:
    void TearDown() override { about::SetMousePointer(nullptr); }

    CallLog log;
    RecordingDesktop desktop{&log};
    RecordingAboutEvents events{&log};
    std::unique_ptr<frmAbout> box = std::make_unique<frmAbout>(ThisModule(), desktop, &events);
};

TEST_F(AboutBoxTest, ControlPathShowsTheLibrarysDefaultsLaidOutAndLeavesNothingBehind) {
    std::vector<HWND> windows;
    std::vector<HGDIOBJ> fonts;
    events.onBeforeShow = [&](frmAbout& shown) {
        windows = {shown.Handle(), shown.ToolTips(), shown.lblProduct.Handle(), shown.cmdClose.Handle()};
        fonts = {shown.lblProduct.Font(), shown.lblVersion.Font()};
        EXPECT_FALSE(IsWindowVisible(shown.Handle()));
        EXPECT_EQ(GetWindow(shown.Handle(), GW_OWNER), nullptr);
        EXPECT_FALSE(GetWindowLongPtrW(shown.Handle(), GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
        EXPECT_TRUE(GetWindowLongPtrW(shown.cmdClose.Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
        EXPECT_EQ(WindowText(shown.Handle()), L"About Inspecta");
        EXPECT_EQ(SendMessageW(shown.Handle(), WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_EQ(shown.lblProduct.Caption(), L"Inspecta");
        EXPECT_EQ(shown.lblVersion.Caption(), L"Version 2.0 (Build 37)");
        // The version block's comments hold one double space: a line break.
        EXPECT_NE(shown.lblComments.Caption().find(L".\r\nAssign"), std::wstring::npos);
        EXPECT_EQ(shown.lblCopyright.Caption(), L"Copyright (C) 2026 Inspecta Software. All rights reserved.");
        EXPECT_NE(shown.lblSystemCopy.Caption().find(L"protected by copyright law"), std::wstring::npos);
        // The library carries the logo but no product icon and no watermark.
        EXPECT_EQ(shown.imgCompanyLogo.GetPicture().Size().cx, 273);
        EXPECT_EQ(shown.imgCompanyLogo.GetPicture().Size().cy, 40);
        EXPECT_TRUE(shown.imgProductIcon.GetPicture().Empty());
        EXPECT_TRUE(shown.imgWatermark.GetPicture().Empty());
        EXPECT_EQ(shown.lblURL[0].Caption(), L"http://www.inspecta.example/");
        EXPECT_EQ(shown.lblURL[0].Tag(), L"http://www.inspecta.example/");
        EXPECT_EQ(shown.lblURL[0].ToolTip().rfind(L"Click to visit ", 0), 0u);
        EXPECT_EQ(shown.lblURL[1].Caption(), L"support@inspecta.example");
        EXPECT_EQ(shown.lblURL[1].Tag(), L"mailto:support@inspecta.example?subject=%APP%");
        EXPECT_EQ(shown.lblURL[1].ToolTip().rfind(L"Click to send email to ", 0), 0u);
        EXPECT_EQ(SendMessageW(shown.ToolTips(), TTM_GETTOOLCOUNT, 0, 0), 2);
        ExpectChildrenWhereTheLayoutPutsThem(shown);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
    EXPECT_EQ(log, (CallLog{"RequestAppObject", "BeforeShow"}));
    EXPECT_EQ(events.appObjectWasEmpty, std::vector<bool>{true});
    EXPECT_EQ(box->Handle(), nullptr);
    EXPECT_TRUE(desktop.shellCalls.empty());
    ASSERT_EQ(windows.size(), 4u);
    for (HWND window : windows) EXPECT_FALSE(IsWindow(window));
    for (HGDIOBJ font : fonts) EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    box.reset();
    for (HGDIOBJ font : fonts) EXPECT_EQ(GetObjectType(font), 0u);
}

TEST_F(AboutBoxTest, DirectAboutLoadsNoDefaultsAndShowsOnce) {
    HCURSOR wait = LoadCursorW(nullptr, MAKEINTRESOURCEW(32514));
    about::SetMousePointer(wait);
    events.onBeforeShow = [&](frmAbout& shown) {
        EXPECT_EQ(about::MousePointer(), wait);  // not yet shown, so not yet activated
        EXPECT_TRUE(shown.imgCompanyLogo.GetPicture().Empty());
        EXPECT_EQ(shown.lblURL[0].Caption(), L"Home");
        EXPECT_EQ(shown.lblURL[0].Tag(), L"http://home.example/");
        ExpectChildrenWhereTheLayoutPutsThem(shown);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->About(Picture(), Picture(), L"Home|http://home.example/|Go home", L"Mail|mailto:x@y.example|",
                         Picture()),
              S_OK);
    EXPECT_EQ(log, (CallLog{"RequestAppObject", "BeforeShow"}));
    // It was shown: its first activation reset the application's mouse pointer.
    EXPECT_EQ(about::MousePointer(), nullptr);
    EXPECT_EQ(box->Show(), E_UNEXPECTED);
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(AboutBoxTest, CallersPicturesSizeTheImagesAndAHiddenLinkKeepsItsPlace) {
    events.onBeforeShow = [&](frmAbout& shown) {
        EXPECT_EQ(shown.Layout().clientWidth, 532) << "a wide logo widens the box";
        EXPECT_EQ(shown.lblProduct.Bounds().left, 16 + shown.imgProductIcon.GetPicture().Size().cx + 16);
        EXPECT_EQ(shown.lblProduct.Bounds().top, 16 + 30 + 16);
        EXPECT_EQ(shown.imgWatermark.Bounds().right - shown.imgWatermark.Bounds().left, 20);
        EXPECT_FALSE(shown.lblURL[0].Visible());
        EXPECT_TRUE(shown.lblURL[1].Visible());
        const RECT first = shown.lblURL[0].Bounds();
        EXPECT_GT(first.bottom - first.top, 0);
        EXPECT_EQ(shown.lblURL[1].Bounds().top, first.bottom + 2);
        ExpectChildrenWhereTheLayoutPutsThem(shown);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->About(Picture::FromBitmap(CreateBitmap(500, 30, 1, 32, nullptr)),
                         Picture::FromIcon(CopyIcon(LoadIconW(nullptr, MAKEINTRESOURCEW(32516)))), L"",
                         L"Second|x|y", Picture::FromBitmap(CreateBitmap(20, 10, 1, 32, nullptr))),
              S_OK);
}

// Unreadable comments collapse without complaint; every other text comes from the replacement.
TEST_F(AboutBoxTest, RequestAppObjectReplacementGivesEveryText) {
    auto fake = std::make_shared<FakeApplicationInfo>(&log);
    fake->commentsResult = E_FAIL;
    events.replacement = fake;
    events.onBeforeShow = [&](frmAbout& shown) {
        EXPECT_EQ(WindowText(shown.Handle()), L"About Viewer");
        EXPECT_EQ(shown.lblProduct.Caption(), L"Viewer");
        EXPECT_EQ(shown.lblVersion.Caption(), L"Version 3.1 (Build 4)");
        EXPECT_EQ(shown.lblComments.Caption(), L"");
        EXPECT_EQ(shown.lblComments.Bounds().bottom - shown.lblComments.Bounds().top, 0);
        EXPECT_EQ(shown.lblCopyright.Bounds().top, shown.lblVersion.Bounds().bottom + 32);
        EXPECT_EQ(shown.lblCopyright.Caption(), L"Fake copyright");
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
    EXPECT_EQ(box->AppObject(), fake.get());
    EXPECT_EQ(log, (CallLog{"RequestAppObject", "app.Title", "app.Title", "app.Major", "app.Minor", "app.Revision",
                            "app.Comments", "app.LegalCopyright", "BeforeShow"}));
    EXPECT_TRUE(desktop.messages.empty());
    box.reset();
    EXPECT_EQ(fake.use_count(), 2);  // ours and the events'
}

TEST_F(AboutBoxTest, OtherReadFailuresEndTheLoadOrAboutAndReachTheCaller) {
    auto fake = std::make_shared<FakeApplicationInfo>();
    fake->titleResult = E_ACCESSDENIED;
    events.replacement = fake;
    EXPECT_EQ(box->Show(), E_ACCESSDENIED);
    EXPECT_EQ(box->Handle(), nullptr);

    fake->titleResult = S_OK;
    fake->copyrightResult = E_OUTOFMEMORY;
    frmAbout direct(ThisModule(), desktop, &events);
    EXPECT_EQ(direct.About(Picture(), Picture(), L"", L"", Picture()), E_OUTOFMEMORY);
    EXPECT_EQ(log, (CallLog{"RequestAppObject", "RequestAppObject"}));
}

TEST_F(AboutBoxTest, EveryCloseRequestEndsTheModalShow) {
    const struct {
        const char* name;
        bool toButton;
        UINT message;
        WPARAM wParam;
    } requests[] = {{"Enter", true, WM_KEYDOWN, VK_RETURN},
                    {"Escape", false, WM_KEYDOWN, VK_ESCAPE},
                    {"OK button", true, BM_CLICK, 0},
                    {"close box", false, WM_SYSCOMMAND, SC_CLOSE}};
    for (const auto& request : requests) {
        SCOPED_TRACE(request.name);
        frmAbout closed(ThisModule(), desktop, &events);
        events.onBeforeShow = [&](frmAbout& shown) {
            PostMessageW(request.toButton ? shown.cmdClose.Handle() : shown.Handle(), request.message,
                         request.wParam, 0);
        };
        EXPECT_EQ(closed.Show(), S_OK);
        EXPECT_EQ(closed.Handle(), nullptr);
    }
}

TEST_F(AboutBoxTest, ClickingALinkTwiceOpensItTwiceWithTheBoxAsOwner) {
    HWND owner = nullptr;
    events.onBeforeShow = [&](frmAbout& shown) {
        owner = shown.Handle();
        PostMessageW(shown.lblURL[1].Handle(), WM_LBUTTONUP, 0, 0);
        PostMessageW(shown.lblURL[1].Handle(), WM_LBUTTONUP, 0, 0);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
    ASSERT_EQ(desktop.shellCalls.size(), 2u);
    for (const RecordingDesktop::ShellCall& call : desktop.shellCalls) {
        EXPECT_EQ(call.owner, owner);
        EXPECT_EQ(call.file, "mailto:support@inspecta.example?subject=Inspecta%20Version%202.0%20(Build%2037)");
    }
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(AboutBoxTest, LinksShowTheHandCursorUnlessTheApplicationOverridesThePointer) {
    events.onBeforeShow = [&](frmAbout& shown) {
        HWND link = shown.lblURL[0].Handle();
        const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
        SetCursor(nullptr);
        EXPECT_TRUE(SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), overClient));
        EXPECT_NE(GetCursor(), nullptr);
        EXPECT_EQ(GetCursor(), shown.lblURL[0].Cursor());
        EXPECT_NE(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));

        HCURSOR wait = LoadCursorW(nullptr, MAKEINTRESOURCEW(32514));
        about::SetMousePointer(wait);
        SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), overClient);
        EXPECT_EQ(GetCursor(), wait);
        SetCursor(nullptr);
        EXPECT_TRUE(SendMessageW(shown.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(shown.Handle()), overClient));
        EXPECT_EQ(GetCursor(), wait);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
}

TEST_F(AboutBoxTest, QuitDuringTheModalShowClosesTheBoxAndIsLeftForTheOuterLoop) {
    events.onBeforeShow = [](frmAbout&) { PostQuitMessage(7); };
    ASSERT_EQ(box->Show(), S_OK);
    EXPECT_EQ(box->Handle(), nullptr);
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
}

TEST_F(AboutBoxTest, ClassLeftBehindByAnEarlierLoadOfTheLibraryIsReplaced) {
    // What an unloaded and reloaded library finds: its class, pointing at a procedure not ours.
    about::UnregisterWindowClasses();
    WNDCLASSEXW stale{};
    stale.cbSize = sizeof stale;
    stale.lpfnWndProc = DefWindowProcW;
    stale.hInstance = ole::CurrentModule();
    stale.lpszClassName = frmAbout::kClassName;
    ASSERT_NE(RegisterClassExW(&stale), 0);
    events.onBeforeShow = [](frmAbout& shown) {
        EXPECT_EQ(shown.lblProduct.Caption(), L"Inspecta");
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(box->Show(), S_OK);
    EXPECT_EQ(log, (CallLog{"RequestAppObject", "BeforeShow"}));
}

}  // namespace
