#pragma once

#include <windows.h>

#include <functional>
#include <optional>

namespace about {

// Width and height in client pixels.
struct Extent {
    int cx = 0;
    int cy = 0;
};

// The frame metrics the window size is computed from (SM_CXDLGFRAME, SM_CYCAPTION,
// SM_CYDLGFRAME), passed in so that the layout stays a pure function.
struct FrameMetrics {
    int dialogFrameWidth = 0;
    int captionHeight = 0;
    int dialogFrameHeight = 0;

    static FrameMetrics FromSystem();
};

// Everything the layout reads: the pictures' sizes (absent when the box has none), the single-line
// labels' measured sizes, and how tall each wrapping label grows at a given width.
struct LayoutInput {
    int designClientWidth = 412;
    std::optional<Extent> logo;
    std::optional<Extent> icon;
    Extent watermark{58, 40};
    Extent closeButton{47, 22};
    Extent product;
    Extent version;
    Extent firstLink;
    Extent secondLink;
    // Empty comments collapse their label to height 0 whatever the font says.
    bool commentsEmpty = false;
    std::function<int(int width)> commentsHeight;
    std::function<int(int width)> copyrightHeight;
    std::function<int(int width)> noticeHeight;
    FrameMetrics frame;
};

struct HorizontalLine {
    int x1 = 0;
    int x2 = 0;
    int y = 0;
};

// Where everything goes, in client coordinates; the window's outer size last.
struct AboutLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    RECT logo{};
    RECT icon{};
    int textLeft = 0;
    RECT product{};
    RECT version{};
    RECT comments{};
    RECT copyright{};
    RECT firstLink{};
    RECT secondLink{};
    HorizontalLine upperSeparator;
    RECT notice{};
    HorizontalLine lowerSeparator;
    RECT closeButton{};
    RECT watermark{};
    Extent window;
};

// Lays the box out from the top down: each item below the one above it, empty items collapsed,
// the client height ending on the lower separator.
AboutLayout LayOutAbout(const LayoutInput& input);

}  // namespace about
