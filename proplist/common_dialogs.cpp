#include "proplist/common_dialogs.h"

#include <commdlg.h>

#include <cwchar>

namespace proplist {

namespace {

class SystemCommonDialogs final : public CommonDialogs {
public:
    bool PickFont(HWND owner, FontChoice& font) noexcept override {
        LOGFONTW described{};
        wcsncpy(described.lfFaceName, font.name.c_str(), LF_FACESIZE - 1);
        described.lfHeight = -static_cast<LONG>((font.size.int64 * ScreenDpi() + 360000) / 720000);
        described.lfWeight = font.weight;
        described.lfCharSet = static_cast<BYTE>(font.charset);
        described.lfItalic = font.italic;
        described.lfUnderline = font.underline;
        described.lfStrikeOut = font.strikethrough;
        CHOOSEFONTW dialog{};
        dialog.lStructSize = sizeof(dialog);
        dialog.hwndOwner = owner;
        dialog.lpLogFont = &described;
        dialog.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
        if (!ChooseFontW(&dialog)) return false;
        font.name = described.lfFaceName;
        font.size.int64 = dialog.iPointSize * 1000LL;  // tenths of a point
        font.weight = static_cast<SHORT>(described.lfWeight);
        font.charset = described.lfCharSet;
        font.italic = described.lfItalic != 0;
        font.underline = described.lfUnderline != 0;
        font.strikethrough = described.lfStrikeOut != 0;
        return true;
    }

    bool PickColour(HWND owner, COLORREF& colour) noexcept override {
        CHOOSECOLORW dialog{};
        dialog.lStructSize = sizeof(dialog);
        dialog.hwndOwner = owner;
        dialog.rgbResult = colour;
        dialog.lpCustColors = customColours_;
        dialog.Flags = CC_RGBINIT | CC_FULLOPEN;
        if (!ChooseColorW(&dialog)) return false;
        colour = dialog.rgbResult;
        return true;
    }

private:
    static LONG ScreenDpi() noexcept {
        HDC screen = GetDC(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return dpi > 0 ? dpi : 96;
    }

    // The dialog's sixteen colours of the user's own, kept while the library is loaded.
    COLORREF customColours_[16] = {};
};

}  // namespace

CommonDialogs& SystemDialogs() noexcept {
    static SystemCommonDialogs dialogs;
    return dialogs;
}

}  // namespace proplist
