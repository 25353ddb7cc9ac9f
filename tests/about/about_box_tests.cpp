#include "about/frm_about.h"

#include "about/about_layout.h"
#include "about/about_text.h"
#include "about/link_string.h"
#include "about/mouse_pointer.h"
#include "about/web_access.h"
#include "about/window_class.h"
#include "ole/type_library.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

using about::Extent;

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// The box as the control shows it: 13-px lines, comments of four lines, copyright of one and a
// notice of four. Each case names only the items it is about.
TEST(AboutLayoutTest, WorkedExampleAndItsEdgeCases) {
    const struct { std::optional<Extent> logo, icon; bool commentsEmpty; std::vector<std::string> expected; }
        cases[] = {
        {Extent{273, 40}, {}, false, {"logo 16,16 273x40", "icon 0,72 0x32", "product 16,72 50x13",
          "version 16,85 120x13", "comments 16,114 380x52", "copyright 16,182 380x13", "link1 16,211 110x13",
          "link2 16,226 140x13", "upper 16,255 380x1", "notice 16,271 396x52", "close 349,339 47x22",
          "lower 16,377 380x1", "client 0,0 412x377", "watermark 354,337 58x40"}},
        {{}, Extent{32, 32}, false, {"logo 16,0 0x0", "icon 16,16 32x32", "product 64,16 50x13"}},
        {Extent{273, 40}, Extent{32, 32}, false, {"product 64,72 50x13", "upper 64,255 332x1", "notice 64,271 348x52"}},
        {Extent{444, 40}, {}, false, {"window 0,0 418x401"}},  // a logo 32 px wider than the box fits
        {Extent{445, 40}, {}, false, {"window 0,0 483x401", "close 414,339 47x22", "notice 16,271 461x52"}},
        {Extent{273, 40}, {}, true, {"comments 16,114 380x0", "copyright 16,130 380x13"}}};
    for (const auto& c : cases) {
        const about::AboutLayout l = about::LayOutAbout(
            {.logo = c.logo, .icon = c.icon, .product = {50, 13}, .version = {120, 13}, .firstLink = {110, 13},
             .secondLink = {140, 13}, .commentsEmpty = c.commentsEmpty, .commentsHeight = [](int) { return 52; },
             .copyrightHeight = [](int) { return 13; }, .noticeHeight = [](int) { return 52; }, .frame = {3, 18, 3}});
        const auto line = [](const about::HorizontalLine& h) { return Text(RECT{h.x1, h.y, h.x2, h.y + 1}); };
        const std::string found =
            "|logo " + Text(l.logo) + "|icon " + Text(l.icon) + "|product " + Text(l.product) + "|version " +
            Text(l.version) + "|comments " + Text(l.comments) + "|copyright " + Text(l.copyright) + "|link1 " +
            Text(l.firstLink) + "|link2 " + Text(l.secondLink) + "|upper " + line(l.upperSeparator) + "|notice " +
            Text(l.notice) + "|close " + Text(l.closeButton) + "|lower " + line(l.lowerSeparator) + "|client " +
            Text(RECT{0, 0, l.clientWidth, l.clientHeight}) + "|window " + Text(RECT{0, 0, l.window.cx, l.window.cy}) +
            "|watermark " + Text(l.watermark) + "|";
        for (const std::string& item : c.expected) {
            EXPECT_NE(found.find("|" + item + "|"), std::string::npos) << item << " not in " << found;
        }
    }
}

// A version has a build only for a positive revision; two spaces break comments; an error is told
// with the system's text and the number hosts see, a control error's own. A link's fields are its
// caption, target and tooltip; a title holding the placeholder is not expanded again.
TEST(AboutTextTest, VersionsCommentsErrorsAndLinks) {
    const auto number = [](HRESULT error) {
        const std::wstring text = about::ErrorMessageWithNumber(error);
        const size_t at = text.rfind(L" (");
        return at != std::wstring::npos && at > 0 ? text.substr(at) : L"no text or no number: " + text;
    };
    const auto link = [](const wchar_t* text) {
        const about::Link parsed = about::ParseLink(text);
        return (parsed.present ? L"+" : L"-") + parsed.caption + L"/" + parsed.target + L"/" + parsed.tooltip;
    };
    const std::pair<std::wstring, std::wstring> cases[] = {
        {about::VersionText(2, 0, 37), L"Version 2.0 (Build 37)"}, {about::VersionText(1, 5, 0), L"Version 1.5"},
        {about::VersionText(1, 5, -3), L"Version 1.5"},             {about::CommentsText(L"A.  B."), L"A.\r\nB."},
        {about::CommentsText(L"A.    B."), L"A.\r\n\r\nB."},        {about::CommentsText(L"A.   B."), L"A.\r\n B."},
        {number(E_ACCESSDENIED), L" (-2147024891)"},              {number(static_cast<HRESULT>(0x800A0035)), L" (53)"},
        {link(L"Just a caption"), L"+Just a caption//"}, {link(L"a|b"), L"+a/b/"}, {link(L"a|b|c|d|e"), L"+a/b/c"},
        {link(L"||"), L"+//"}, {link(L""), L"-//"},
        {about::ExpandLinkTarget(L"%APP%/%APP%", L"%APP%", L"v"), L"%APP% v/%APP% v"}};
    for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);
}

using about::frmAbout;
using about::Picture;
using Log = std::vector<std::wstring>;

// Application information whose read named in `failing` fails with its error.
struct FakeApplicationInfo : about::ApplicationInfo {
    HRESULT Title(std::wstring* value) override { return Answer("Title", std::wstring(L"Viewer"), value); }
    HRESULT Major(short* value) override { return Answer("Major", short{3}, value); }
    HRESULT Minor(short* value) override { return Answer("Minor", short{1}, value); }
    HRESULT Revision(short* value) override { return Answer("Revision", short{4}, value); }
    HRESULT Comments(std::wstring* value) override { return Answer("Comments", std::wstring(L"Some"), value); }
    HRESULT LegalCopyright(std::wstring* text) override { return Answer("LegalCopyright", std::wstring(L"Us"), text); }
    template <typename T>
    HRESULT Answer(const std::string& name, const T& answer, T* value) {
        if (name != failing.first) *value = answer;
        return name == failing.first ? failing.second : S_OK;
    }
    std::pair<std::string, HRESULT> failing;
};

// A box that never closes meets a quit of 99 instead of waiting forever, and the quit fails the test.
void CALLBACK QuitOnTimeout(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

// The box's seams lead to the fixture: its events, and the shell and message boxes (never shown;
// the shell answers `shellResult`), what reaches those two in one log.
class AboutBoxTest : public testing::Test, public about::AboutEvents, public about::Desktop {
protected:
    void SetUp() override { watchdog = SetTimer(nullptr, 0, 20000, QuitOnTimeout); }
    void TearDown() override {
        KillTimer(nullptr, watchdog);
        MSG quit{};
        EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "a box did not close";
        about::SetMousePointer(nullptr);
    }
    void RequestAppObject(std::shared_ptr<about::ApplicationInfo>& appObject) override {
        if (replacement) appObject = replacement;
    }
    void BeforeShow(frmAbout& shown) override { beforeShow(shown); }
    INT_PTR ShellOpen(HWND, const std::string& verb, const std::string& file, const std::string&, const std::string&,
                      int) override {
        log.push_back(std::wstring(verb.begin(), verb.end()) + L" " + std::wstring(file.begin(), file.end()));
        return shellResult;
    }
    int ShowMessage(HWND, const std::wstring& text, const std::wstring& title, UINT) override {
        if (messageRunsOutOfMemory) throw std::bad_alloc();
        log.push_back(title + L": " + text);
        return IDOK;
    }

    // Shows a new box, the control's way or (given links) the direct way; once it is laid out, and
    // before it is shown, runs `check`, then posts a close for the modal loop.
    HRESULT ShowAndClose(std::function<void(frmAbout&)> check, const wchar_t* first = nullptr,
                         const wchar_t* second = L"", Picture logo = {}) {
        beforeShow = [check](frmAbout& shown) {
            if (check) check(shown);
            PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
        };
        box = std::make_unique<frmAbout>(GetModuleHandleW(nullptr), *this, this);
        return first ? box->About(std::move(logo), {}, first, second, {}) : box->Show();
    }

    UINT_PTR watchdog = 0;
    std::vector<std::wstring> log;
    INT_PTR shellResult = 42;
    bool messageRunsOutOfMemory = false;
    std::shared_ptr<FakeApplicationInfo> replacement;
    std::function<void(frmAbout&)> beforeShow;
    std::unique_ptr<frmAbout> box;
};

// The direct way in grows with the caller's content (a logo wider than the box, a link left out), resets the
// application's pointer once shown and shows once; it also meets what a library unloaded and loaded again leaves: its
// window class, pointing at a procedure not ours. The box's windows, fonts and logo go with it.
TEST_F(AboutBoxTest, DirectAboutGrowsWithTheCallersContentReplacesAStaleClassAndLeavesNothingBehind) {
    about::UnregisterWindowClasses();
    const WNDCLASSEXW stale{sizeof(WNDCLASSEXW), 0, DefWindowProcW, 0, 0, ole::CurrentModule(), nullptr, nullptr,
                            nullptr, nullptr, frmAbout::kClassName, nullptr};
    ASSERT_NE(RegisterClassExW(&stale), 0);
    about::SetMousePointer(LoadCursorW(nullptr, IDC_WAIT));
    HBITMAP logo = CreateBitmap(500, 30, 1, 32, nullptr);
    std::vector<HWND> windows;
    std::vector<HGDIOBJ> objects{logo};
    ASSERT_EQ(ShowAndClose([&](frmAbout& shown) {
        EXPECT_EQ(shown.Layout().clientWidth, 16 + 500 + 16);
        EXPECT_FALSE(shown.lblURL[0].Visible());
        windows = {shown.Handle(), shown.ToolTips(), shown.lblProduct.Handle(), shown.cmdClose.Handle()};
        objects.insert(objects.end(), {shown.lblProduct.Font(), shown.lblVersion.Font()});
    }, L"", L"Second|x|y", Picture::FromBitmap(logo)), S_OK);
    for (HWND window : windows) EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(about::MousePointer(), nullptr);
    EXPECT_EQ(box->Show(), E_UNEXPECTED);
    EXPECT_EQ(GetObjectType(logo), static_cast<DWORD>(OBJ_BITMAP));
    box.reset();
    for (HGDIOBJ object : objects) EXPECT_EQ(GetObjectType(object), 0u);
}

// Each way of closing ends the modal loop; a quit posted meanwhile is left for the outer loop.
TEST_F(AboutBoxTest, EveryCloseRequestEndsTheModalShow) {
    const std::function<void(frmAbout&)> requests[] = {
        [](frmAbout& shown) { PostMessageW(shown.Handle(), WM_KEYDOWN, VK_ESCAPE, 0); },
        [](frmAbout& shown) { PostMessageW(shown.cmdClose.Handle(), BM_CLICK, 0, 0); },
        [](frmAbout& shown) { PostMessageW(shown.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); },
        [](frmAbout&) { PostQuitMessage(7); }};
    for (const auto& request : requests) {
        box = std::make_unique<frmAbout>(GetModuleHandleW(nullptr), *this, this);
        beforeShow = request;
        EXPECT_EQ(box->Show(), S_OK);
        EXPECT_EQ(box->Handle(), nullptr);
        MSG quit{};
        EXPECT_EQ(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? quit.wParam : 0u,
                  &request == &requests[3] ? 7u : 0u);
    }
}

// A replacement application's unreadable comments collapse without complaint; its other failed
// reads end the box and reach the caller, either way in. The box lets go of it when it goes. A
// click opens that label's own target through the shell, "%APP%" expanded where the title can be
// read and spaces encoded, once a click; whatever fails is told once, in a "Web Access" message.
TEST_F(AboutBoxTest, AReplacementApplicationsReadsAndLinksReachTheCaller) {
    replacement = std::make_shared<FakeApplicationInfo>();
    replacement->failing = {"Comments", E_FAIL};
    ASSERT_EQ(ShowAndClose([](frmAbout& shown) {
        EXPECT_EQ(shown.lblCopyright.Bounds().top, shown.lblVersion.Bounds().bottom + 32) << "comments collapse";
    }), S_OK);
    box.reset();
    EXPECT_EQ(replacement.use_count(), 1);
    for (const auto& [read, error] : {std::pair{"Title", E_ACCESSDENIED}, std::pair{"LegalCopyright", E_OUTOFMEMORY}}) {
        replacement->failing = {read, error};
        EXPECT_EQ(ShowAndClose({}), error);
        EXPECT_EQ(box->Handle(), nullptr);
        EXPECT_EQ(ShowAndClose({}, L"", L""), error);
    }
    EXPECT_TRUE(log.empty());

    const struct { const wchar_t *first, *second; int clicked, clicks, shellResult; HRESULT titleRead; Log log; }
        cases[] = {
        {L"Home|h", L"Mail|mailto:m@x.example?a=%APP%&b=%app% (c)\"d\"#e|", 1, 2, 33, S_OK,
         Log(2, L"Open mailto:m@x.example?a=Viewer%20Version%203.1%20(Build%204)&b=%app%%20(c)\"d\"#e")},
        {L"Home||", L"", 0, 1, 32, S_OK, {L"Open ", L"Web Access: Unable to run web document (32)"}},
        // The steps after a failing one still run: the target goes out unexpanded but encoded.
        {L"Home|x?s=%APP% now", L"", 0, 1, 2, E_ACCESSDENIED,
         {L"Open x?s=%APP%%20now", L"Web Access: " + about::ErrorMessageWithNumber(E_ACCESSDENIED)}}};
    for (const auto& c : cases) {
        replacement = std::make_shared<FakeApplicationInfo>();
        shellResult = c.shellResult;
        log.clear();
        ASSERT_EQ(ShowAndClose([&](frmAbout& shown) {
            if (FAILED(c.titleRead)) replacement->failing = {"Title", c.titleRead};
            for (int i = 0; i < c.clicks; ++i) PostMessageW(shown.lblURL[c.clicked].Handle(), WM_LBUTTONUP, 0, 0);
        }, c.first, c.second), S_OK);
        EXPECT_EQ(log, c.log);
    }
}

// No C++ exception may cross a window procedure, the box's or a painted control's: each goes on answering after one.
TEST_F(AboutBoxTest, AnExceptionInAWindowProcedureStaysInsideIt) {
    shellResult = 2;  // the shell finds no such file, so the box has a message to show
    messageRunsOutOfMemory = true;
    EXPECT_EQ(ShowAndClose([](frmAbout& shown) {
        HWND link = shown.lblURL[0].Handle();
        const WPARAM clicked = MAKEWPARAM(GetDlgCtrlID(link), BN_CLICKED);
        for (int click = 0; click < 2; ++click)
            PostMessageW(shown.Handle(), WM_COMMAND, clicked, reinterpret_cast<LPARAM>(link));
    }), S_OK);
    EXPECT_EQ(log.size(), 2u);

    struct ExhaustedControl : about::PaintedControl {
        void Paint(HDC) override {}
        void Click() override { ++clicks; throw std::bad_alloc(); }
        int clicks = 0;
    } control;
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(control.Create(parent, 1));
    for (int click = 0; click < 2; ++click) SendMessageW(control.Handle(), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(control.clicks, 2);
    DestroyWindow(parent);
}

}  // namespace
