#include "about/about_layout.h"
#include "about/about_text.h"
#include "about/link_string.h"
#include "about/picture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using about::AboutLayout;
using about::Extent;
using about::LayoutInput;
using about::LayOutAbout;

void ExpectRect(const RECT& rect, int left, int top, int width, int height) {
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
}

// The box as the control shows it: 13-px lines, comments of four lines, copyright of one and a
// notice of four; the wrapping labels remember the widths they were measured at.
class AboutLayoutTest : public testing::Test {
protected:
    AboutLayoutTest() {
        input.logo = Extent{273, 40};
        input.product = Extent{50, 13};
        input.version = Extent{120, 13};
        input.firstLink = Extent{110, 13};
        input.secondLink = Extent{140, 13};
        input.commentsHeight = [this](int width) {
            commentsWidths.push_back(width);
            return 52;
        };
        input.copyrightHeight = [this](int width) {
            copyrightWidths.push_back(width);
            return 13;
        };
        input.noticeHeight = [this](int width) {
            noticeWidths.push_back(width);
            return 52;
        };
        input.frame = about::FrameMetrics{3, 18, 3};
    }

    LayoutInput input;
    std::vector<int> commentsWidths, copyrightWidths, noticeWidths;
};

TEST_F(AboutLayoutTest, WorkedExamplePlacesEveryItem) {
    const AboutLayout layout = LayOutAbout(input);
    ExpectRect(layout.logo, 16, 16, 273, 40);
    EXPECT_EQ(layout.icon.left, 0);
    EXPECT_EQ(layout.icon.right - layout.icon.left, 0);
    EXPECT_EQ(layout.icon.top, 72);
    EXPECT_EQ(layout.textLeft, 16);
    ExpectRect(layout.product, 16, 72, 50, 13);
    ExpectRect(layout.version, 16, 85, 120, 13);
    ExpectRect(layout.comments, 16, 114, 380, 52);
    ExpectRect(layout.copyright, 16, 182, 380, 13);
    ExpectRect(layout.firstLink, 16, 211, 110, 13);
    ExpectRect(layout.secondLink, 16, 226, 140, 13);
    EXPECT_EQ(layout.upperSeparator.y, 255);
    EXPECT_EQ(layout.upperSeparator.x1, 16);
    EXPECT_EQ(layout.upperSeparator.x2, 396);
    ExpectRect(layout.notice, 16, 271, 396, 52);
    ExpectRect(layout.closeButton, 349, 339, 47, 22);
    EXPECT_EQ(layout.lowerSeparator.y, 377);
    EXPECT_EQ(layout.lowerSeparator.x1, 16);
    EXPECT_EQ(layout.lowerSeparator.x2, 396);
    EXPECT_EQ(layout.clientWidth, 412);
    EXPECT_EQ(layout.clientHeight, 377);
    EXPECT_EQ(commentsWidths, std::vector<int>{380});
    EXPECT_EQ(copyrightWidths, std::vector<int>{380});
    EXPECT_EQ(noticeWidths, std::vector<int>{396});
}

TEST_F(AboutLayoutTest, WindowSizeAddsFrameAndCaptionAndWatermarkSitsInTheCorner) {
    const AboutLayout layout = LayOutAbout(input);
    EXPECT_EQ(layout.window.cx, 412 + 2 * 3);
    EXPECT_EQ(layout.window.cy, 377 + 18 + 2 * 3);
    ExpectRect(layout.watermark, 412 - 58, 377 - 40, 58, 40);
}

TEST_F(AboutLayoutTest, NoLogoLiftsIconAndProductToTheTopMargin) {
    input.logo.reset();
    const AboutLayout bare = LayOutAbout(input);
    EXPECT_EQ(bare.logo.bottom, 0);
    ExpectRect(bare.product, 16, 16, 50, 13);
    EXPECT_EQ(bare.textLeft, 16);
    input.icon = Extent{32, 32};
    const AboutLayout withIcon = LayOutAbout(input);
    ExpectRect(withIcon.icon, 16, 16, 32, 32);
    EXPECT_EQ(withIcon.product.top, 16);
}

TEST_F(AboutLayoutTest, IconMovesTheTextColumnAndNarrowsIt) {
    input.icon = Extent{32, 32};
    const AboutLayout layout = LayOutAbout(input);
    EXPECT_EQ(layout.textLeft, 64);
    EXPECT_EQ(layout.product.left, 64);
    EXPECT_EQ(commentsWidths, std::vector<int>{412 - 64 - 16});
    EXPECT_EQ(noticeWidths, std::vector<int>{412 - 64});
    EXPECT_EQ(layout.upperSeparator.x1, 64);
    EXPECT_EQ(layout.upperSeparator.x2, 396);
}

TEST_F(AboutLayoutTest, LogoUpTo32PixelsWiderKeepsTheWidth) {
    input.logo = Extent{412 + 32, 40};
    const AboutLayout layout = LayOutAbout(input);
    EXPECT_EQ(layout.clientWidth, 412);
    EXPECT_EQ(layout.window.cx, 412 + 6);
}

TEST_F(AboutLayoutTest, LogoWiderStillWidensTheBoxToLeave16PixelsEachSide) {
    input.logo = Extent{412 + 33, 40};
    const AboutLayout layout = LayOutAbout(input);
    EXPECT_EQ(layout.clientWidth, 445 + 32);
    EXPECT_EQ(layout.window.cx, 445 + 2 * (3 + 16));
    EXPECT_EQ(layout.logo.left, 16);
    EXPECT_EQ(layout.clientWidth - layout.logo.right, 16);
    EXPECT_EQ(layout.closeButton.left, 477 - 63);
    EXPECT_EQ(commentsWidths, std::vector<int>{477 - 32});
}

TEST_F(AboutLayoutTest, EmptyCommentsCollapseWithoutBeingMeasured) {
    input.commentsEmpty = true;
    const AboutLayout layout = LayOutAbout(input);
    EXPECT_TRUE(commentsWidths.empty());
    EXPECT_EQ(layout.comments.bottom - layout.comments.top, 0);
    EXPECT_EQ(layout.copyright.top, layout.version.bottom + 32);
}

TEST(VersionTextTest, BuildPartOnlyForAPositiveRevision) {
    EXPECT_EQ(about::VersionText(2, 0, 37), L"Version 2.0 (Build 37)");
    EXPECT_EQ(about::VersionText(1, 5, 0), L"Version 1.5");
    EXPECT_EQ(about::VersionText(1, 5, -3), L"Version 1.5");
    EXPECT_EQ(about::VersionText(10, 12, 1), L"Version 10.12 (Build 1)");
}

TEST(CommentsTextTest, RunsOfTwoSpacesBecomeLineBreaksFromTheLeft) {
    EXPECT_EQ(about::CommentsText(L"One.  Two."), L"One.\r\nTwo.");
    EXPECT_EQ(about::CommentsText(L"One.    Two."), L"One.\r\n\r\nTwo.");
    EXPECT_EQ(about::CommentsText(L"One.   Two."), L"One.\r\n Two.");
    EXPECT_EQ(about::CommentsText(L"No break here"), L"No break here");
    EXPECT_EQ(about::CommentsText(L"  "), L"\r\n");
    EXPECT_EQ(about::CommentsText(L""), L"");
}

TEST(LinkStringTest, FieldsAreCaptionTargetAndTooltip) {
    const about::Link plain = about::ParseLink(L"Just a caption");
    EXPECT_TRUE(plain.present);
    EXPECT_EQ(plain.caption, L"Just a caption");
    EXPECT_EQ(plain.target, L"");
    EXPECT_EQ(plain.tooltip, L"");

    const about::Link five = about::ParseLink(L"a|b|c|d|e");
    EXPECT_EQ(five.caption, L"a");
    EXPECT_EQ(five.target, L"b");
    EXPECT_EQ(five.tooltip, L"c");

    const about::Link bars = about::ParseLink(L"||");
    EXPECT_TRUE(bars.present);
    EXPECT_EQ(bars.caption, L"");
    EXPECT_EQ(bars.target, L"");
    EXPECT_EQ(bars.tooltip, L"");

    EXPECT_FALSE(about::ParseLink(L"").present);
}

TEST(LinkStringTest, TitleHoldingThePlaceholderIsNotExpandedAgain) {
    EXPECT_EQ(about::ExpandLinkTarget(L"%APP%/%APP%", L"%APP%", L"v"), L"%APP% v/%APP% v");
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
        EXPECT_FALSE(second.Empty());
        about::Picture third;
        third = std::move(second);
        EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    }
    EXPECT_EQ(GetObjectType(bitmap), 0u);
}

}  // namespace
