#include "about/about_layout.h"
#include "about/about_text.h"
#include "about/link_string.h"
#include "about/web_access.h"

#include <gtest/gtest.h>

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
        {Extent{273, 40}, {}, true, {"comments 16,114 380x0", "copyright 16,130 380x13"}},
    };
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
// with the system's text and the number hosts see, a control error's own.
TEST(AboutTextTest, VersionsCommentsAndErrors) {
    const auto number = [](HRESULT error) {
        const std::wstring text = about::ErrorMessageWithNumber(error);
        const size_t at = text.rfind(L" (");
        return at != std::wstring::npos && at > 0 ? text.substr(at) : L"no text or no number: " + text;
    };
    const std::pair<std::wstring, std::wstring> cases[] = {
        {about::VersionText(2, 0, 37), L"Version 2.0 (Build 37)"}, {about::VersionText(1, 5, 0), L"Version 1.5"},
        {about::VersionText(1, 5, -3), L"Version 1.5"},             {about::CommentsText(L"A.  B."), L"A.\r\nB."},
        {about::CommentsText(L"A.    B."), L"A.\r\n\r\nB."},        {about::CommentsText(L"A.   B."), L"A.\r\n B."},
        {number(E_ACCESSDENIED), L" (-2147024891)"},              {number(static_cast<HRESULT>(0x800A0035)), L" (53)"}};
    for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);
}

TEST(LinkStringTest, FieldsAreCaptionTargetAndTooltip) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Just a caption", L"+Just a caption//"}, {L"a|b", L"+a/b/"}, {L"a|b|c|d|e", L"+a/b/c"}, {L"||", L"+//"},
        {L"", L"-//"}};
    for (const auto& [text, expected] : cases) {
        const about::Link link = about::ParseLink(text);
        EXPECT_EQ((link.present ? L"+" : L"-") + link.caption + L"/" + link.target + L"/" + link.tooltip, expected);
    }
    // A title holding the placeholder is not expanded again.
    EXPECT_EQ(about::ExpandLinkTarget(L"%APP%/%APP%", L"%APP%", L"v"), L"%APP% v/%APP% v");
}

}  // namespace
