#pragma once

#include <windows.h>

#include <string>

namespace proplist {

// A font as the font dialog edits it and an OLE font is made from.
struct FontChoice {
    std::wstring name;
    CY size{};  // points, in ten-thousandths
    SHORT weight = FW_NORMAL;
    SHORT charset = DEFAULT_CHARSET;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
};

// The modal dialogs the list opens for a value. The list calls them through this, so that a
// test can answer them without any window showing.
class CommonDialogs {
public:
    // Lets the user change `font`; false when the dialog was cancelled (`font` is then as given).
    virtual bool PickFont(HWND owner, FontChoice& font) noexcept = 0;
    // Lets the user change `colour`; false when the dialog was cancelled.
    virtual bool PickColour(HWND owner, COLORREF& colour) noexcept = 0;

protected:
    ~CommonDialogs() = default;
};

// The system's font and colour dialogs.
CommonDialogs& SystemDialogs() noexcept;

}  // namespace proplist
