#include "about/frm_about.h"

#include "about/about_text.h"
#include "about/link_string.h"
#include "about/mouse_pointer.h"
#include "about/web_access.h"
#include "about/window_class.h"
#include "ole/error_suppression.h"
#include "ole/hresult.h"
#include "ole/type_library.h"
#include "typelib/resource_ids.h"

#include <commctrl.h>

#include <utility>

namespace about {

namespace {

constexpr int kCloseId = IDOK;
constexpr int kFirstLinkId = 100;

// The form's design sizes, in twips, scale with the screen's resolution.
constexpr int kDesignClientWidth = 6180;
constexpr Extent kCloseButtonTwips{705, 330};
constexpr Extent kWatermarkTwips{870, 600};
constexpr Extent kIconTwips{480, 480};

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int FromTwips(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

HFONT CreateTahoma(int dpi, bool bold) {
    return CreateFontW(-MulDiv(825, dpi, 7200), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

std::wstring LoadStringResource(HMODULE module, UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

Extent SizeOf(const RECT& bounds) { return Extent{bounds.right - bounds.left, bounds.bottom - bounds.top}; }

}  // namespace

frmAbout::frmAbout(HMODULE resources, Desktop& desktop, AboutEvents* events)
    : resources_(resources), desktop_(desktop), events_(events) {}

frmAbout::~frmAbout() {
    if (window_) DestroyWindow(window_);
    if (regularFont_) DeleteObject(regularFont_);
    if (boldFont_) DeleteObject(boldFont_);
    if (ownsHandCursor_) DestroyCursor(handCursor_);
}

HRESULT frmAbout::Show() {
    if (closed_ || shown_) return E_UNEXPECTED;
    RETURN_IF_FAILED(Load());
    ShowModal();
    return S_OK;
}

HRESULT frmAbout::About(Picture CompanyLogo, Picture ProductIcon, const std::wstring& FirstLink,
                        const std::wstring& SecondLink, Picture Watermark) {
    if (closed_ || shown_) return E_UNEXPECTED;
    // Set before the load, so that the load this call may trigger does not fetch the defaults.
    aboutRan_ = true;
    RETURN_IF_FAILED(Load());

    if (!CompanyLogo.Empty()) imgCompanyLogo.SetPicture(std::move(CompanyLogo));
    if (!ProductIcon.Empty()) imgProductIcon.SetPicture(std::move(ProductIcon));
    FillLink(0, FirstLink);
    FillLink(1, SecondLink);
    if (!Watermark.Empty()) imgWatermark.SetPicture(std::move(Watermark));

    std::wstring title;
    RETURN_IF_FAILED(appObject_->Title(&title));
    lblProduct.SetCaption(title);
    short major = 0, minor = 0, revision = 0;
    RETURN_IF_FAILED(appObject_->Major(&major));
    RETURN_IF_FAILED(appObject_->Minor(&minor));
    RETURN_IF_FAILED(appObject_->Revision(&revision));
    lblVersion.SetCaption(VersionText(major, minor, revision));
    {
        // Comments are optional: any failure here leaves them empty.
        ole::ErrorSuppressionRegion region;
        std::wstring comments;
        region.Attempt([&] { return appObject_->Comments(&comments); });
        lblComments.SetCaption(region.Failed() ? std::wstring() : CommentsText(comments));
    }
    std::wstring copyright;
    RETURN_IF_FAILED(appObject_->LegalCopyright(&copyright));
    lblCopyright.SetCaption(copyright);

    ApplyLayout();
    if (events_) events_->BeforeShow(*this);
    if (!calledByLoad_) ShowModal();
    return S_OK;
}

HRESULT frmAbout::Load() {
    if (window_) return S_OK;
    if (!EnsureWindowClass(kClassName, WindowProc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)))) {
        return HRESULT_FROM_WIN32(GetLastError());
    }

    const int dpi = ScreenDpi();
    designClientWidth_ = FromTwips(kDesignClientWidth, dpi);
    regularFont_ = CreateTahoma(dpi, false);
    boldFont_ = CreateTahoma(dpi, true);
    if (!regularFont_ || !boldFont_) return E_OUTOFMEMORY;

    const FrameMetrics frame = FrameMetrics::FromSystem();
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, L"", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                              designClientWidth_ + 2 * frame.dialogFrameWidth, 200, nullptr, nullptr, ole::CurrentModule(),
                              this);
    if (!window_) return HRESULT_FROM_WIN32(GetLastError());
    HRESULT hr = CreateControls();
    if (SUCCEEDED(hr)) hr = Form_Load();
    if (FAILED(hr) && window_) DestroyWindow(window_);
    return hr;
}

HRESULT frmAbout::CreateControls() {
    const int dpi = ScreenDpi();
    // A new child goes below its siblings: created last, the watermark lies under the rest.
    bool created = imgCompanyLogo.Create(window_, 201) && imgProductIcon.Create(window_, 202);
    created = created && lblProduct.Create(window_, 203) && lblVersion.Create(window_, 204);
    created = created && lblComments.Create(window_, 205) && lblCopyright.Create(window_, 206);
    created = created && lblURL[0].Create(window_, kFirstLinkId) && lblURL[1].Create(window_, kFirstLinkId + 1);
    created = created && lneSplit[0].Create(window_, 207) && lneSplit[1].Create(window_, 208);
    created = created && lblSystemCopy.Create(window_, 209);
    created = created && cmdClose.Create(window_, kCloseId, L"OK", regularFont_, true);
    created = created && imgWatermark.Create(window_, 200);
    if (!created) return HRESULT_FROM_WIN32(GetLastError());

    imgCompanyLogo.Move(16, 16, 0, 0);
    imgProductIcon.Move(16, 0, FromTwips(kIconTwips.cx, dpi), FromTwips(kIconTwips.cy, dpi));
    imgWatermark.Move(0, 0, FromTwips(kWatermarkTwips.cx, dpi), FromTwips(kWatermarkTwips.cy, dpi));
    cmdClose.Move(0, 0, FromTwips(kCloseButtonTwips.cx, dpi), FromTwips(kCloseButtonTwips.cy, dpi));

    for (Label* label : {&lblProduct, &lblVersion, &lblComments, &lblCopyright, &lblSystemCopy}) {
        label->SetFont(label == &lblProduct ? boldFont_ : regularFont_);
    }
    for (Label* label : {&lblComments, &lblCopyright, &lblSystemCopy}) label->SetWrap(true);

    handCursor_ = static_cast<HCURSOR>(
        LoadImageW(resources_, MAKEINTRESOURCEW(IDC_LINK_HAND), IMAGE_CURSOR, 0, 0, LR_DEFAULTCOLOR));
    ownsHandCursor_ = handCursor_ != nullptr;
    if (!handCursor_) handCursor_ = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    toolTips_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, ole::CurrentModule(), nullptr);
    for (LinkLabel& link : lblURL) {
        link.SetFont(boldFont_);
        link.SetTextColor(RGB(0, 0, 255));
        link.SetCursor(handCursor_);
        if (toolTips_) {
            TTTOOLINFOW tool{};
            tool.cbSize = TTTOOLINFOW_V2_SIZE;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = window_;
            tool.uId = reinterpret_cast<UINT_PTR>(link.Handle());
            tool.lpszText = LPSTR_TEXTCALLBACKW;
            SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    lblSystemCopy.SetCaption(LoadStringResource(resources_, IDS_COPYRIGHT_NOTICE));
    return S_OK;
}

HRESULT frmAbout::Form_Load() {
    SendMessageW(window_, WM_SETICON, ICON_BIG, 0);
    SendMessageW(window_, WM_SETICON, ICON_SMALL, 0);
    if (events_) events_->RequestAppObject(appObject_);
    if (!appObject_) appObject_ = ModuleApplicationInfo(resources_);
    std::wstring title;
    RETURN_IF_FAILED(appObject_->Title(&title));
    SetWindowTextW(window_, (L"About " + title).c_str());
    if (aboutRan_) return S_OK;

    calledByLoad_ = true;
    // A default the module lacks stays empty: its item collapses or its link is hidden.
    Picture logo = LoadBitmapResource(resources_, L"COMPANYLOGO");
    Picture icon = LoadIconResource(resources_, MAKEINTRESOURCEW(IDI_PRODUCT_ICON));
    Picture watermark = LoadBitmapResource(resources_, L"WATERMARK");
    const std::wstring firstLink = LoadStringResource(resources_, IDS_FIRST_LINK);
    const std::wstring secondLink = LoadStringResource(resources_, IDS_SECOND_LINK);
    return About(std::move(logo), std::move(icon), firstLink, secondLink, std::move(watermark));
}

void frmAbout::Form_Activate() {
    if (activated_) return;
    activated_ = true;
    SetMousePointer(nullptr);
}

void frmAbout::FillLink(int index, const std::wstring& linkString) {
    LinkLabel& label = lblURL[static_cast<size_t>(index)];
    const Link link = ParseLink(linkString);
    if (!link.present) {
        // Hidden, it keeps its caption and so its place in the layout.
        label.SetVisible(false);
        return;
    }
    label.SetCaption(link.caption);
    label.SetTag(link.target);
    label.SetToolTip(link.tooltip);
}

LayoutInput frmAbout::MeasureContent() const {
    LayoutInput input;
    input.designClientWidth = designClientWidth_;
    if (!imgCompanyLogo.GetPicture().Empty()) input.logo = SizeOf(imgCompanyLogo.Bounds());
    if (!imgProductIcon.GetPicture().Empty()) input.icon = SizeOf(imgProductIcon.Bounds());
    input.watermark = SizeOf(imgWatermark.Bounds());
    input.closeButton = SizeOf(cmdClose.Bounds());
    input.product = lblProduct.MeasureLine();
    input.version = lblVersion.MeasureLine();
    input.firstLink = lblURL[0].MeasureLine();
    input.secondLink = lblURL[1].MeasureLine();
    input.commentsEmpty = lblComments.Caption().empty();
    input.commentsHeight = [this](int width) { return lblComments.MeasureHeight(width); };
    input.copyrightHeight = [this](int width) { return lblCopyright.MeasureHeight(width); };
    input.noticeHeight = [this](int width) { return lblSystemCopy.MeasureHeight(width); };
    input.frame = FrameMetrics::FromSystem();
    return input;
}

void frmAbout::ApplyLayout() {
    layout_ = LayOutAbout(MeasureContent());
    imgCompanyLogo.Move(layout_.logo);
    imgProductIcon.Move(layout_.icon);
    lblProduct.Move(layout_.product);
    lblVersion.Move(layout_.version);
    lblComments.Move(layout_.comments);
    lblCopyright.Move(layout_.copyright);
    lblURL[0].Move(layout_.firstLink);
    lblURL[1].Move(layout_.secondLink);
    lneSplit[1].Place(layout_.upperSeparator.x1, layout_.upperSeparator.x2, layout_.upperSeparator.y);
    lblSystemCopy.Move(layout_.notice);
    lneSplit[0].Place(layout_.lowerSeparator.x1, layout_.lowerSeparator.x2, layout_.lowerSeparator.y);
    cmdClose.Move(layout_.closeButton);

    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - layout_.window.cx) / 2;
    const int top = work.top + (work.bottom - work.top - layout_.window.cy) / 2;
    SetWindowPos(window_, nullptr, left, top, layout_.window.cx, layout_.window.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    imgWatermark.Move(layout_.watermark);
}

void frmAbout::ShowModal() {
    shown_ = true;
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(cmdClose.Handle());
    MSG message;
    while (!closed_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // Someone is ending the thread's loop: close, and leave the quit for the outer loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        const bool forBox = message.hwnd == window_ || IsChild(window_, message.hwnd);
        if (forBox && message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
            // The OK button is the default and the cancel button.
            cmdClose_Click();
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (window_) DestroyWindow(window_);
}

void frmAbout::lblURL_Click(int Index) {
    if (Index < 0 || Index > 1 || !appObject_) return;
    OpenLink(desktop_, window_, lblURL[static_cast<size_t>(Index)].Tag(), *appObject_, lblVersion.Caption());
}

void frmAbout::cmdClose_Click() {
    if (window_) DestroyWindow(window_);
}

LRESULT frmAbout::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) Form_Activate();
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            const int id = LOWORD(wParam);
            if (id == kCloseId) cmdClose_Click();
            if (id == kFirstLinkId || id == kFirstLinkId + 1) lblURL_Click(id - kFirstLinkId);
            return 0;
        }
        break;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            for (LinkLabel& link : lblURL) {
                if (reinterpret_cast<HWND>(header->idFrom) == link.Handle()) {
                    info->lpszText = const_cast<wchar_t*>(link.ToolTip().c_str());
                }
            }
            return 0;
        }
        break;
    }
    case WM_SETCURSOR:
        if (ApplyMousePointer()) return TRUE;
        break;
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(window_, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return 0;
    }
    case WM_DESTROY:
        closed_ = true;
        break;
    case WM_NCDESTROY:
        toolTips_ = nullptr;
        window_ = nullptr;
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK frmAbout::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* box = static_cast<frmAbout*>(create->lpCreateParams);
        box->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
    }
    auto* box = reinterpret_cast<frmAbout*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!box) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    // Opening a link builds strings: no exception may cross the system's call.
    LRESULT result = 0;
    ole::Guarded([&] {
        result = box->HandleMessage(message, wParam, lParam);
        return S_OK;
    });
    return message == WM_NCDESTROY ? DefWindowProcW(window, message, wParam, lParam) : result;
}

}  // namespace about
