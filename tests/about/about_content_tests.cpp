#include "about/about_layout.h"
#include "about/about_text.h"
#include "about/link_string.h"
#include "about/picture.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using about::Extent;

std::string Joined(const std::vector<int>& widths) {
    std::string text;
    for (int width : widths) text += (text.empty() ? "" : ",") + std::to_string(width);
    return text;
}

// One layout as "name" -> text, whole rectangles ("left,top widthxheight") and the edges tests
// single out, so each case names only what it is about.
std::map<std::string, std::string> Describe(const about::AboutLayout& layout) {
    std::map<std::string, std::string> found;
    const auto rect = [&](const char* name, const RECT& r) {
        const std::string n = name;
        found[n] = std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) +
                   "x" + std::to_string(r.bottom - r.top);
        found[n + ".top"] = std::to_string(r.top);
        found[n + ".bottom"] = std::to_string(r.bottom);
        found[n + ".h"] = std::to_string(r.bottom - r.top);
        found[n + ".left+w"] = std::to_string(r.left) + "+" + std::to_string(r.right - r.left);
    };
    const auto line = [&](const char* name, const about::HorizontalLine& l) {
        found[name] = std::to_string(l.y) + " " + std::to_string(l.x1) + "-" + std::to_string(l.x2);
    };
    rect("logo", layout.logo);
    rect("icon", layout.icon);
    rect("product", layout.product);
    rect("version", layout.version);
    rect("comments", layout.comments);
    rect("copyright", layout.copyright);
    rect("link1", layout.firstLink);
    rect("link2", layout.secondLink);
    rect("notice", layout.notice);
    rect("close", layout.closeButton);
    rect("watermark", layout.watermark);
    line("upper", layout.upperSeparator);
    line("lower", layout.lowerSeparator);
    found["textLeft"] = std::to_string(layout.textLeft);
    found["client"] = std::to_string(layout.clientWidth) + "x" + std::to_string(layout.clientHeight);
    found["window"] = std::to_string(layout.window.cx) + "x" + std::to_string(layout.window.cy);
    return found;
}

struct LayoutCase {
    const char* name;
    std::optional<Extent> logo;
    std::optional<Extent> icon;
    bool commentsEmpty;
    std::vector<std::pair<std::string, std::string>> expected;
};

// The box as the control shows it: 13-px lines, comments of four lines, copyright of one and a
// notice of four; the wrapping labels must be measured once, at the width they are given.
TEST(AboutLayoutTest, WorkedExampleAndItsEdgeCases) {
    const LayoutCase cases[] = {
        {"worked example", Extent{273, 40}, {}, false,
         {{"logo", "16,16 273x40"}, {"icon.left+w", "0+0"}, {"icon.top", "72"}, {"textLeft", "16"}, {"product", "16,72 50x13"},
          {"version", "16,85 120x13"}, {"comments", "16,114 380x52"}, {"copyright", "16,182 380x13"},
          {"link1", "16,211 110x13"}, {"link2", "16,226 140x13"}, {"upper", "255 16-396"},
          {"notice", "16,271 396x52"}, {"close", "349,339 47x22"}, {"lower", "377 16-396"},
          {"client", "412x377"}, {"window", "418x401"}, {"watermark", "354,337 58x40"},
          {"measured comments", "380"}, {"measured copyright", "380"}, {"measured notice", "396"}}},
        {"no logo lifts the product", {}, {}, false,
         {{"logo.bottom", "0"}, {"product", "16,16 50x13"}, {"textLeft", "16"}}},
        {"no logo lifts the icon", {}, Extent{32, 32}, false, {{"icon", "16,16 32x32"}, {"product.top", "16"}}},
        {"icon moves and narrows the text column", Extent{273, 40}, Extent{32, 32}, false,
         {{"textLeft", "64"}, {"product", "64,72 50x13"}, {"measured comments", "332"},
          {"measured notice", "348"}, {"upper", "255 64-396"}}},
        {"logo 32 pixels wider keeps the width", Extent{444, 40}, {}, false,
         {{"client", "412x377"}, {"window", "418x401"}}},
        {"logo wider still widens the box", Extent{445, 40}, {}, false,
         {{"client", "477x377"}, {"window", "483x401"}, {"logo", "16,16 445x40"}, {"close", "414,339 47x22"},
          {"measured comments", "445"}}},
        {"empty comments collapse unmeasured", Extent{273, 40}, {}, true,
         {{"measured comments", ""}, {"comments.h", "0"}, {"copyright.top", "130"}}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int> comments, copyright, notice;
        about::LayoutInput input;
        input.logo = c.logo;
        input.icon = c.icon;
        input.commentsEmpty = c.commentsEmpty;
        input.product = Extent{50, 13};
        input.version = Extent{120, 13};
        input.firstLink = Extent{110, 13};
        input.secondLink = Extent{140, 13};
        input.commentsHeight = [&](int width) { comments.push_back(width); return 52; };
        input.copyrightHeight = [&](int width) { copyright.push_back(width); return 13; };
        input.noticeHeight = [&](int width) { notice.push_back(width); return 52; };
        input.frame = about::FrameMetrics{3, 18, 3};
        std::map<std::string, std::string> found = Describe(about::LayOutAbout(input));
        found["measured comments"] = Joined(comments);
        found["measured copyright"] = Joined(copyright);
        found["measured notice"] = Joined(notice);
        for (const auto& [name, value] : c.expected) EXPECT_EQ(found[name], value) << name;
    }
}

TEST(AboutTextTest, VersionHasABuildOnlyForAPositiveRevisionAndDoubleSpacesBreakComments) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {about::VersionText(2, 0, 37), L"Version 2.0 (Build 37)"},
        {about::VersionText(1, 5, 0), L"Version 1.5"},
        {about::VersionText(1, 5, -3), L"Version 1.5"},
        {about::VersionText(10, 12, 1), L"Version 10.12 (Build 1)"},
        {about::CommentsText(L"One.  Two."), L"One.\r\nTwo."},
        {about::CommentsText(L"One.    Two."), L"One.\r\n\r\nTwo."},
        {about::CommentsText(L"One.   Two."), L"One.\r\n Two."},
        {about::CommentsText(L"No break here"), L"No break here"},
        {about::CommentsText(L"  "), L"\r\n"},
        {about::CommentsText(L""), L""},
    };
    for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);
}

TEST(LinkStringTest, FieldsAreCaptionTargetAndTooltip) {
    const auto parsed = [](const wchar_t* text) {
        const about::Link link = about::ParseLink(text);
        return std::wstring(link.present ? L"+" : L"-") + link.caption + L"/" + link.target + L"/" + link.tooltip;
    };
    EXPECT_EQ(parsed(L"Just a caption"), L"+Just a caption//");
    EXPECT_EQ(parsed(L"a|b|c|d|e"), L"+a/b/c");
    EXPECT_EQ(parsed(L"||"), L"+//");
    EXPECT_EQ(parsed(L""), L"-//");
}

TEST(PictureTest, OwnsItsHandleAcrossMovesAndDestroysItOnce) {
    HBITMAP bitmap = CreateBitmap(7, 5, 1, 32, nullptr);
    ASSERT_NE(bitmap, nullptr);
    {
        about::Picture first = about::Picture::FromBitmap(bitmap);
        EXPECT_EQ(first.Size().cx, 7);
        EXPECT_EQ(first.Size().cy, 5);
        about::Picture second = std::move(first);
        EXPECT_TRUE(first.Empty());
        about::Picture third;
        third = std::move(second);
        EXPECT_TRUE(second.Empty());
        EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    }
    EXPECT_EQ(GetObjectType(bitmap), 0u);
}

}  // namespace
