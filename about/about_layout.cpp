#include "about/about_layout.h"

namespace about {

namespace {

RECT At(int left, int top, int width, int height) {
    return RECT{left, top, left + width, top + height};
}

constexpr int kMargin = 16;
constexpr int kLinkGap = 2;

}  // namespace

FrameMetrics FrameMetrics::FromSystem() {
    return FrameMetrics{GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYCAPTION),
                        GetSystemMetrics(SM_CYDLGFRAME)};
}

AboutLayout LayOutAbout(const LayoutInput& input) {
    AboutLayout layout;

    // A logo more than 32 px wider than the client widens the box to leave 16 px on each side.
    layout.clientWidth = input.designClientWidth;
    if (input.logo) {
        layout.logo = At(kMargin, kMargin, input.logo->cx, input.logo->cy);
        if (layout.clientWidth + 2 * kMargin < input.logo->cx) layout.clientWidth = input.logo->cx + 2 * kMargin;
    } else {
        layout.logo = At(kMargin, 0, 0, 0);
    }
    const int width = layout.clientWidth;

    const int buttonLeft = width - (input.closeButton.cx + kMargin);
    const int iconTop = layout.logo.bottom + kMargin;
    layout.icon = input.icon ? At(kMargin, iconTop, input.icon->cx, input.icon->cy) : At(0, iconTop, 0, 32);
    const int x = layout.icon.right + kMargin;
    layout.textLeft = x;

    layout.product = At(x, iconTop, input.product.cx, input.product.cy);
    layout.version = At(x, layout.product.bottom, input.version.cx, input.version.cy);

    const int columnWidth = width - (x + kMargin);
    const int commentsHeight = input.commentsEmpty ? 0 : input.commentsHeight(columnWidth);
    layout.comments = At(x, layout.version.bottom + kMargin, columnWidth, commentsHeight);
    layout.copyright = At(x, layout.comments.bottom + kMargin, columnWidth, input.copyrightHeight(columnWidth));
    layout.firstLink = At(x, layout.copyright.bottom + kMargin, input.firstLink.cx, input.firstLink.cy);
    layout.secondLink = At(x, layout.firstLink.bottom + kLinkGap, input.secondLink.cx, input.secondLink.cy);

    const int lineRight = buttonLeft + input.closeButton.cx;
    layout.upperSeparator = HorizontalLine{x, lineRight, layout.secondLink.bottom + kMargin};
    const int noticeWidth = width - x;
    layout.notice = At(x, layout.upperSeparator.y + kMargin, noticeWidth, input.noticeHeight(noticeWidth));
    layout.closeButton = At(buttonLeft, layout.notice.bottom + kMargin, input.closeButton.cx, input.closeButton.cy);
    layout.lowerSeparator = HorizontalLine{x, lineRight, layout.closeButton.bottom + kMargin};

    // The client ends on the lower separator's row, so that row lies just outside it.
    layout.clientHeight = layout.lowerSeparator.y;
    layout.window.cx = width + 2 * input.frame.dialogFrameWidth;
    layout.window.cy = layout.clientHeight + input.frame.captionHeight + 2 * input.frame.dialogFrameHeight;

    layout.watermark = At(width - input.watermark.cx, layout.clientHeight - input.watermark.cy,
                          input.watermark.cx, input.watermark.cy);
    return layout;
}

}  // namespace about
