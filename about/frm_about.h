#pragma once

#include "about/about_layout.h"
#include "about/application_info.h"
#include "about/desktop.h"
#include "about/form_controls.h"
#include "about/picture.h"

#include <windows.h>

#include <array>
#include <memory>
#include <string>

namespace about {

class frmAbout;

// What the box tells whoever created it.
class AboutEvents {
public:
    virtual ~AboutEvents() = default;
    // On every load, before any text is filled: appObject holds the box's current application
    // information (empty on the first load); whatever it holds on return is used, the library's
    // own information if it is still empty.
    virtual void RequestAppObject(std::shared_ptr<ApplicationInfo>& appObject) = 0;
    // After the box is filled and laid out, just before it is shown; the box may still be changed.
    virtual void BeforeShow(frmAbout& box) = 0;
};

// The About box: title, version, comments and copyright of an application (the library's own
// unless a RequestAppObject handler supplies another), a company logo, an optional product icon
// and watermark, two link labels and a copyright notice, laid out from its content.
//
// Show() is the control's way in: loading the box fills it with the pictures and links of the
// resource module. About() is the direct way in, with the caller's content. Either returns once
// the modal box is closed; each box is shown once.
class frmAbout {
public:
    static constexpr wchar_t kClassName[] = L"InspectaAboutBox";

    explicit frmAbout(HMODULE resources, Desktop& desktop = SystemDesktop(), AboutEvents* events = nullptr);
    frmAbout(const frmAbout&) = delete;
    frmAbout& operator=(const frmAbout&) = delete;
    ~frmAbout();

    HRESULT Show();
    HRESULT About(Picture CompanyLogo, Picture ProductIcon, const std::wstring& FirstLink,
                  const std::wstring& SecondLink, Picture Watermark);

    HWND Handle() const noexcept { return window_; }
    HWND ToolTips() const noexcept { return toolTips_; }
    const AboutLayout& Layout() const noexcept { return layout_; }
    ApplicationInfo* AppObject() const noexcept { return appObject_.get(); }

    // Click handlers, also reached through the controls' messages.
    void lblURL_Click(int Index);
    void cmdClose_Click();

    Image imgCompanyLogo;
    Image imgProductIcon;
    Image imgWatermark;
    Label lblProduct;
    Label lblVersion;
    Label lblComments;
    Label lblCopyright;
    std::array<LinkLabel, 2> lblURL;
    std::array<Line, 2> lneSplit;
    Label lblSystemCopy;
    PushButton cmdClose;

private:
    HRESULT Load();
    HRESULT CreateControls();
    HRESULT Form_Load();
    void Form_Activate();
    void FillLink(int index, const std::wstring& linkString);
    LayoutInput MeasureContent() const;
    void ApplyLayout();
    void ShowModal();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HMODULE resources_;
    Desktop& desktop_;
    AboutEvents* events_;
    HWND window_ = nullptr;
    HWND toolTips_ = nullptr;
    HFONT regularFont_ = nullptr;
    HFONT boldFont_ = nullptr;
    HCURSOR handCursor_ = nullptr;
    bool ownsHandCursor_ = false;
    std::shared_ptr<ApplicationInfo> appObject_;
    bool aboutRan_ = false;
    bool calledByLoad_ = false;
    bool activated_ = false;
    bool closed_ = false;
    bool shown_ = false;
    int designClientWidth_ = 412;
    AboutLayout layout_;
};

}  // namespace about
