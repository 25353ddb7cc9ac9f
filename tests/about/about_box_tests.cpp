#include "about/frm_about.h"

#include "about/mouse_pointer.h"
#include "tests/about/about_doubles.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using about::frmAbout;
using about::Picture;
using doubles::CallLog;
using doubles::FakeApplicationInfo;
using doubles::RecordingAboutEvents;
using doubles::RecordingDesktop;

HMODULE ThisModule() { return GetModuleHandleW(nullptr); }

about::Extent SizeOf(const RECT& rect) { return {rect.right - rect.left, rect.bottom - rect.top}; }

void ExpectSameRect(const RECT& actual, const RECT& expected, const char* what) {
    EXPECT_EQ(actual.left, expected.left) << what;
    EXPECT_EQ(actual.top, expected.top) << what;
    EXPECT_EQ(actual.right, expected.right) << what;
    EXPECT_EQ(actual.bottom, expected.bottom) << what;
}

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
    ExpectSameRect(box.imgCompanyLogo.Bounds(), expected.logo, "imgCompanyLogo");
    ExpectSameRect(box.imgProductIcon.Bounds(), expected.icon, "imgProductIcon");
    ExpectSameRect(box.lblProduct.Bounds(), expected.product, "lblProduct");
    ExpectSameRect(box.lblVersion.Bounds(), expected.version, "lblVersion");
    ExpectSameRect(box.lblComments.Bounds(), expected.comments, "lblComments");
    ExpectSameRect(box.lblCopyright.Bounds(), expected.copyright, "lblCopyright");
    ExpectSameRect(box.lblURL[0].Bounds(), expected.firstLink, "lblURL(0)");
    ExpectSameRect(box.lblURL[1].Bounds(), expected.secondLink, "lblURL(1)");
    ExpectSameRect(box.lblSystemCopy.Bounds(), expected.notice, "lblSystemCopy");
    ExpectSameRect(box.cmdClose.Bounds(), expected.closeButton, "cmdClose");
    ExpectSameRect(box.imgWatermark.Bounds(), expected.watermark, "imgWatermark");
    const RECT upper = box.lneSplit[1].Bounds();
    EXPECT_EQ(upper.left, expected.upperSeparator.x1);
    EXPECT_EQ(upper.right, expected.upperSeparator.x2);
    EXPECT_EQ(upper.top, expected.upperSeparator.y);
    EXPECT_EQ(upper.bottom, expected.upperSeparator.y + 1);
    const RECT lower = box.lneSplit[0].Bounds();
    EXPECT_EQ(lower.left, expected.lowerSeparator.x1);
    EXPECT_EQ(lower.right, expected.lowerSeparator.x2);
    EXPECT_EQ(lower.top, expected.lowerSeparator.y);

    RECT client{};
    GetClientRect(box.Handle(), &client);
    EXPECT_EQ(client.right, expected.clientWidth);
    EXPECT_EQ(client.bottom, expected.clientHeight);
    RECT window{};
    GetWindowRect(box.Handle(), &window);
    EXPECT_EQ(window.right - window.left, expected.window.cx);
    EXPECT_EQ(window.bottom - window.top, expected.window.cy);
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// A box with recording events and desktop. Every test closes its box by a posted message from
// BeforeShow: the modal loop then runs until it meets that message.
class AboutBoxTest : public testing::Test {
protected:
    void CloseWith(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        events.onBeforeShow = [message, wParam, lParam](frmAbout& shown) {
            PostMessageW(shown.Handle(), message, wParam, lParam);
        };
    }
    void TearDown() override { about::SetMousePointer(nullptr); }

    CallLog log;
    RecordingDesktop desktop{&log};
    RecordingAboutEvents events{&log};
    std::unique_ptr<frmAbout> box = std::make_unique<frmAbout>(ThisModule(), desktop, &events);
};

TEST_F(AboutBoxTest, ControlPathLoadsTheLibraryDefaultsAndShowsOnce) {
    HWND seen = nullptr;
    events.onBeforeShow = [&](frmAbout& shown) {
        seen = shown.Handle();
        EXPECT_FALSE(IsWindowVisible(shown.Handle()));
        ExpectChildrenWhereTheLayoutPutsThem(shown);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
    EXPECT_EQ(log, (CallLog{"RequestAppObject", "BeforeShow"}));
    EXPECT_EQ(events.appObjectWasEmpty, std::vector<bool>{true});
    ASSERT_NE(seen, nullptr);
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(box->Handle(), nullptr);
    EXPECT_TRUE(desktop.shellCalls.empty());
}

TEST_F(AboutBoxTest, DefaultBoxShowsTheLibrarysOwnContent) {
    events.onBeforeShow = [&](frmAbout& shown) {
        EXPECT_EQ(WindowText(shown.Handle()), L"About Inspecta");
        EXPECT_EQ(SendMessageW(shown.Handle(), WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_EQ(SendMessageW(shown.Handle(), WM_GETICON, ICON_SMALL, 0), 0);
        EXPECT_EQ(shown.lblProduct.Caption(), L"Inspecta");
        EXPECT_EQ(shown.lblVersion.Caption(), L"Version 2.0 (Build 37)");
        // The version block's comments hold one double space: a line break.
        EXPECT_NE(shown.lblComments.Caption().find(L".\r\nAssign"), std::wstring::npos);
        EXPECT_EQ(shown.lblCopyright.Caption(), L"Copyright (C) 2026 Inspecta Software. All rights reserved.");
        EXPECT_NE(shown.lblSystemCopy.Caption().find(L"protected by copyright law"), std::wstring::npos);

        // The logo resource is there; the library carries no product icon and no watermark.
        const about::Extent logo = shown.imgCompanyLogo.GetPicture().Size();
        EXPECT_EQ(logo.cx, 273);
        EXPECT_EQ(logo.cy, 40);
        EXPECT_TRUE(shown.imgProductIcon.GetPicture().Empty());
        EXPECT_TRUE(shown.imgWatermark.GetPicture().Empty());
        const RECT icon = shown.imgProductIcon.Bounds();
        EXPECT_EQ(icon.left, 0);
        EXPECT_EQ(icon.right, 0);
        EXPECT_EQ(icon.top, 72);
        EXPECT_EQ(shown.lblProduct.Bounds().left, 16);

        EXPECT_TRUE(shown.lblURL[0].Visible());
        EXPECT_EQ(shown.lblURL[0].Caption(), L"http://www.inspecta.example/");
        EXPECT_EQ(shown.lblURL[0].Tag(), L"http://www.inspecta.example/");
        EXPECT_EQ(shown.lblURL[0].ToolTip().rfind(L"Click to visit ", 0), 0u);
        EXPECT_EQ(shown.lblURL[1].Caption(), L"support@inspecta.example");
        EXPECT_EQ(shown.lblURL[1].Tag(), L"mailto:support@inspecta.example?subject=%APP%");
        EXPECT_EQ(shown.lblURL[1].ToolTip().rfind(L"Click to send email to ", 0), 0u);
        EXPECT_EQ(shown.Layout().clientWidth, 412);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
}

TEST_F(AboutBoxTest, DirectAboutLoadsNoDefaultsAndShowsOnce) {
    about::SetMousePointer(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));
    HWND seen = nullptr;
    events.onBeforeShow = [&](frmAbout& shown) {
        seen = shown.Handle();
        EXPECT_TRUE(shown.imgCompanyLogo.GetPicture().Empty());
        EXPECT_EQ(shown.lblProduct.Bounds().left, 16);
        EXPECT_EQ(shown.lblProduct.Bounds().top, 16);
        EXPECT_EQ(shown.lblURL[0].Caption(), L"Home");
        EXPECT_EQ(shown.lblURL[0].Tag(), L"http://home.example/");
        EXPECT_EQ(shown.lblURL[1].Caption(), L"Mail");
        ExpectChildrenWhereTheLayoutPutsThem(shown);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->About(Picture(), Picture(), L"Home|http://home.example/|Go home", L"Mail|mailto:x@y.example|",
                         Picture()),
              S_OK);
    EXPECT_EQ(log, (CallLog{"RequestAppObject", "BeforeShow"}));
    EXPECT_FALSE(IsWindow(seen));
    // Shown: its first activation reset the application's mouse pointer.
    EXPECT_EQ(about::MousePointer(), nullptr);
    // A closed box is not shown again.
    EXPECT_EQ(box->Show(), E_UNEXPECTED);
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(AboutBoxTest, DirectAboutTakesTheCallersPictures) {
    HBITMAP wide = CreateBitmap(500, 30, 1, 32, nullptr);
    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32516));
    ASSERT_NE(wide, nullptr);
    events.onBeforeShow = [&](frmAbout& shown) {
        const about::Extent iconSize = shown.imgProductIcon.GetPicture().Size();
        EXPECT_EQ(shown.Layout().clientWidth, 532);
        EXPECT_EQ(shown.lblProduct.Bounds().left, 16 + iconSize.cx + 16);
        EXPECT_EQ(shown.lblProduct.Bounds().top, 16 + 30 + 16);
        ExpectChildrenWhereTheLayoutPutsThem(shown);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->About(Picture::FromBitmap(wide), Picture::FromIcon(CopyIcon(icon)), L"", L"",
                         Picture::FromBitmap(CreateBitmap(20, 10, 1, 32, nullptr))),
              S_OK);
}

TEST_F(AboutBoxTest, HiddenLinkKeepsItsPlace) {
    events.onBeforeShow = [&](frmAbout& shown) {
        EXPECT_FALSE(shown.lblURL[0].Visible());
        EXPECT_TRUE(shown.lblURL[1].Visible());
        const RECT copyright = shown.lblCopyright.Bounds();
        const RECT first = shown.lblURL[0].Bounds();
        EXPECT_EQ(first.top, copyright.bottom + 16);
        EXPECT_GT(first.bottom - first.top, 0);
        EXPECT_EQ(shown.lblURL[1].Bounds().top, first.bottom + 2);
        ExpectChildrenWhereTheLayoutPutsThem(shown);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->About(Picture(), Picture(), L"", L"Second|x|y", Picture()), S_OK);
}

TEST_F(AboutBoxTest, RequestAppObjectLeftEmptyGivesTheLibrarysTexts) {
    CloseWith(WM_CLOSE);
    ASSERT_EQ(box->About(Picture(), Picture(), L"", L"", Picture()), S_OK);
    ASSERT_NE(box->AppObject(), nullptr);
    EXPECT_EQ(box->lblProduct.Caption(), L"Inspecta");
}

TEST_F(AboutBoxTest, RequestAppObjectReplacementGivesEveryText) {
    auto fake = std::make_shared<FakeApplicationInfo>(&log);
    fake->comments = L"First.  Second.";
    events.replacement = fake;
    events.onBeforeShow = [&](frmAbout& shown) {
        EXPECT_EQ(WindowText(shown.Handle()), L"About Viewer");
        EXPECT_EQ(shown.lblProduct.Caption(), L"Viewer");
        EXPECT_EQ(shown.lblVersion.Caption(), L"Version 3.1 (Build 4)");
        EXPECT_EQ(shown.lblComments.Caption(), L"First.\r\nSecond.");
        EXPECT_EQ(shown.lblCopyright.Caption(), L"Fake copyright");
        ExpectChildrenWhereTheLayoutPutsThem(shown);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
    EXPECT_EQ(box->AppObject(), fake.get());
    EXPECT_EQ(log, (CallLog{"RequestAppObject", "app.Title", "app.Title", "app.Major", "app.Minor", "app.Revision",
                            "app.Comments", "app.LegalCopyright", "BeforeShow"}));
    box.reset();
    EXPECT_EQ(fake.use_count(), 2);  // ours and the events'
}

TEST_F(AboutBoxTest, UnreadableCommentsCollapseWithoutComplaint) {
    auto fake = std::make_shared<FakeApplicationInfo>();
    fake->commentsResult = E_FAIL;
    events.replacement = fake;
    events.onBeforeShow = [&](frmAbout& shown) {
        EXPECT_EQ(shown.lblComments.Caption(), L"");
        const RECT comments = shown.lblComments.Bounds();
        EXPECT_EQ(comments.bottom - comments.top, 0);
        EXPECT_EQ(shown.lblCopyright.Bounds().top, shown.lblVersion.Bounds().bottom + 32);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(AboutBoxTest, RevisionZeroShowsNoBuild) {
    auto fake = std::make_shared<FakeApplicationInfo>();
    fake->revision = 0;
    fake->comments.clear();
    events.replacement = fake;
    events.onBeforeShow = [&](frmAbout& shown) {
        EXPECT_EQ(shown.lblVersion.Caption(), L"Version 3.1");
        EXPECT_EQ(shown.lblComments.Bounds().bottom - shown.lblComments.Bounds().top, 0);
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
}

TEST_F(AboutBoxTest, FailingTitleEndsTheLoadAndReachesTheCaller) {
    auto fake = std::make_shared<FakeApplicationInfo>();
    fake->titleResult = E_ACCESSDENIED;
    events.replacement = fake;
    EXPECT_EQ(box->Show(), E_ACCESSDENIED);
    EXPECT_EQ(log, CallLog{"RequestAppObject"});
    EXPECT_EQ(box->Handle(), nullptr);
}

TEST_F(AboutBoxTest, FailingCopyrightEndsAboutBeforeBeforeShow) {
    auto fake = std::make_shared<FakeApplicationInfo>();
    fake->copyrightResult = E_OUTOFMEMORY;
    events.replacement = fake;
    EXPECT_EQ(box->About(Picture(), Picture(), L"", L"", Picture()), E_OUTOFMEMORY);
    EXPECT_EQ(log, CallLog{"RequestAppObject"});
}

TEST_F(AboutBoxTest, EnterClosesTheBox) {
    events.onBeforeShow = [](frmAbout& shown) {
        PostMessageW(shown.cmdClose.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    };
    EXPECT_EQ(box->Show(), S_OK);
    EXPECT_EQ(box->Handle(), nullptr);
}

TEST_F(AboutBoxTest, EscapeClosesTheBox) {
    events.onBeforeShow = [](frmAbout& shown) { PostMessageW(shown.Handle(), WM_KEYDOWN, VK_ESCAPE, 0); };
    EXPECT_EQ(box->Show(), S_OK);
    EXPECT_EQ(box->Handle(), nullptr);
}

TEST_F(AboutBoxTest, OkButtonClosesTheBox) {
    events.onBeforeShow = [](frmAbout& shown) { PostMessageW(shown.cmdClose.Handle(), BM_CLICK, 0, 0); };
    EXPECT_EQ(box->Show(), S_OK);
    EXPECT_EQ(box->Handle(), nullptr);
}

TEST_F(AboutBoxTest, CloseBoxClosesTheBox) {
    CloseWith(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_EQ(box->Show(), S_OK);
    EXPECT_EQ(box->Handle(), nullptr);
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
        EXPECT_EQ(call.verb, "Open");
        EXPECT_EQ(call.file, "mailto:support@inspecta.example?subject=Inspecta%20Version%202.0%20(Build%2037)");
        EXPECT_EQ(call.showCommand, SW_SHOW);
    }
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(AboutBoxTest, FailedLinkIsToldAndTheBoxStaysOpen) {
    desktop.shellResult = 2;
    bool openAfterClick = false;
    events.onBeforeShow = [&](frmAbout& shown) {
        shown.lblURL_Click(0);
        openAfterClick = IsWindow(shown.Handle()) != FALSE;
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->About(Picture(), Picture(), L"Nothing", L"", Picture()), S_OK);
    EXPECT_TRUE(openAfterClick);
    ASSERT_EQ(desktop.shellCalls.size(), 1u);
    EXPECT_EQ(desktop.shellCalls[0].file, "");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Unable to run web document (2)");
}

TEST_F(AboutBoxTest, MousePointerOverrideIsResetOnFirstActivationOnly) {
    HCURSOR wait = LoadCursorW(nullptr, MAKEINTRESOURCEW(32514));
    about::SetMousePointer(wait);
    events.onBeforeShow = [&](frmAbout& shown) {
        EXPECT_EQ(about::MousePointer(), wait);  // not yet shown
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
    EXPECT_EQ(about::MousePointer(), nullptr);
}

TEST_F(AboutBoxTest, ApplicationInfoOfTheModuleReadsItsVersionBlock) {
    std::shared_ptr<about::ApplicationInfo> info = about::ModuleApplicationInfo(ThisModule());
    std::wstring title, comments, copyright;
    short major = -1, minor = -1, revision = -1;
    ASSERT_EQ(info->Title(&title), S_OK);
    ASSERT_EQ(info->Major(&major), S_OK);
    ASSERT_EQ(info->Minor(&minor), S_OK);
    ASSERT_EQ(info->Revision(&revision), S_OK);
    ASSERT_EQ(info->Comments(&comments), S_OK);
    ASSERT_EQ(info->LegalCopyright(&copyright), S_OK);
    EXPECT_EQ(title, L"Inspecta");
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(revision, 37);
    EXPECT_EQ(comments.find(L"Inspecta shows"), 0u);
    EXPECT_EQ(copyright, L"Copyright (C) 2026 Inspecta Software. All rights reserved.");
}

}  // namespace

namespace {

LOGFONTW FontOf(const about::Label& label) {
    LOGFONTW font{};
    GetObjectW(label.Font(), sizeof font, &font);
    return font;
}

int ExpectedFontHeight() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return -MulDiv(825, dpi, 7200);
}

TEST_F(AboutBoxTest, LabelsUseTahomaWithBoldTitleAndBlueBoldLinks) {
    events.onBeforeShow = [&](frmAbout& shown) {
        for (const about::Label* label : {&shown.lblVersion, &shown.lblComments, &shown.lblCopyright,
                                          &shown.lblSystemCopy}) {
            const LOGFONTW font = FontOf(*label);
            EXPECT_STREQ(font.lfFaceName, L"Tahoma");
            EXPECT_EQ(font.lfHeight, ExpectedFontHeight());
            EXPECT_EQ(font.lfWeight, FW_NORMAL);
            EXPECT_EQ(label->TextColor(), RGB(0, 0, 0));
        }
        EXPECT_EQ(FontOf(shown.lblProduct).lfWeight, FW_BOLD);
        for (const about::LinkLabel& link : shown.lblURL) {
            EXPECT_EQ(FontOf(link).lfWeight, FW_BOLD);
            EXPECT_STREQ(FontOf(link).lfFaceName, L"Tahoma");
            EXPECT_EQ(link.TextColor(), RGB(0, 0, 255));
        }
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
}

TEST_F(AboutBoxTest, BoxHasNoOwnerAndNoResizingOrMinimizing) {
    events.onBeforeShow = [](frmAbout& shown) {
        EXPECT_EQ(GetWindow(shown.Handle(), GW_OWNER), nullptr);
        EXPECT_EQ(GetParent(shown.Handle()), nullptr);
        EXPECT_TRUE(GetWindowLongPtrW(shown.cmdClose.Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
        wchar_t caption[8] = {};
        GetWindowTextW(shown.cmdClose.Handle(), caption, 8);
        EXPECT_STREQ(caption, L"OK");
        const LONG_PTR style = GetWindowLongPtrW(shown.Handle(), GWL_STYLE);
        EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(box->Show(), S_OK);
}

TEST_F(AboutBoxTest, LinksShowTheHandCursorUnlessTheApplicationOverridesThePointer) {
    events.onBeforeShow = [&](frmAbout& shown) {
        HWND link = shown.lblURL[0].Handle();
        const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
        SetCursor(nullptr);
        EXPECT_TRUE(SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), overClient));
        HCURSOR hand = GetCursor();
        EXPECT_NE(hand, nullptr);
        EXPECT_EQ(hand, shown.lblURL[0].Cursor());
        EXPECT_NE(hand, LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));

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

TEST_F(AboutBoxTest, LinkToolTipsComeFromTheLinkStrings) {
    events.onBeforeShow = [&](frmAbout& shown) {
        ASSERT_NE(shown.ToolTips(), nullptr);
        EXPECT_EQ(SendMessageW(shown.ToolTips(), TTM_GETTOOLCOUNT, 0, 0), 2);
        wchar_t text[128] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = shown.Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(shown.lblURL[1].Handle());
        tool.lpszText = text;
        SendMessageW(shown.ToolTips(), TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
        EXPECT_STREQ(tool.lpszText, L"Write to us");
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->About(Picture(), Picture(), L"a|b|Visit us", L"c|d|Write to us", Picture()), S_OK);
}

TEST_F(AboutBoxTest, ClosedBoxLeavesNoWindowsOrFontsBehind) {
    std::vector<HWND> windows;
    std::vector<HGDIOBJ> fonts;
    events.onBeforeShow = [&](frmAbout& shown) {
        windows = {shown.Handle(), shown.ToolTips(), shown.lblProduct.Handle(), shown.lblURL[1].Handle(),
                   shown.cmdClose.Handle(), shown.imgCompanyLogo.Handle(), shown.lneSplit[0].Handle()};
        fonts = {shown.lblProduct.Font(), shown.lblVersion.Font()};
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box->Show(), S_OK);
    ASSERT_EQ(windows.size(), 7u);
    for (HWND window : windows) EXPECT_FALSE(IsWindow(window));
    for (HGDIOBJ font : fonts) EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    box.reset();
    for (HGDIOBJ font : fonts) EXPECT_EQ(GetObjectType(font), 0u);
}

}  // namespace
