#include "ole/control.h"

#include "ole/hresult.h"
#include "ole/screen_units.h"
#include "ole/type_library.h"

#include <cwchar>
#include <string>

namespace ole {

namespace {

// The window class of this module's controls. Its name carries the module's address: a class a
// DLL registered stays registered after the DLL is unloaded, and must not be taken for the class
// of a copy loaded elsewhere.
const std::wstring& WindowClassName() {
    static const std::wstring name = [] {
        wchar_t text[64] = {};
        swprintf(text, 64, L"OleRuntimeControl%p", static_cast<void*>(CurrentModule()));
        return std::wstring(text);
    }();
    return name;
}

}  // namespace

SIZE ControlBase::ClientSize() const noexcept {
    RECT client{};
    if (window_ && GetClientRect(window_, &client)) return {client.right - client.left, client.bottom - client.top};
    return {HimetricToPixels(extent_.cx, true), HimetricToPixels(extent_.cy, false)};
}

void ControlBase::SizeMaybeChanged() noexcept {
    const SIZE now = ClientSize();
    if (now.cx == deliveredSize_.cx && now.cy == deliveredSize_.cy) return;
    deliveredSize_ = now;
    Guarded([&] {
        Resize();
        return S_OK;
    });
}

void ControlBase::BecomeVisible() noexcept {
    if (window_) ShowWindow(window_, SW_SHOWNA);
    if (visible_) return;
    visible_ = true;
    Guarded([&] {
        Show();
        return S_OK;
    });
}

LRESULT CALLBACK ControlBase::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* control = reinterpret_cast<ControlBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_PAINT:
        if (control) {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(window, &paint);
            RECT client{};
            GetClientRect(window, &client);
            Guarded([&] {
                control->Paint(dc, client);
                return S_OK;
            });
            EndPaint(window, &paint);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1;  // Paint covers the whole client area
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HRESULT ControlBase::CreateControlWindow(HWND parent, const RECT& position) noexcept {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &ControlBase::WindowProcedure;
    windowClass.hInstance = CurrentModule();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = WindowClassName().c_str();
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    window_ = CreateWindowExW(0, WindowClassName().c_str(), L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, position.left,
                              position.top, position.right - position.left, position.bottom - position.top, parent,
                              nullptr, CurrentModule(), this);
    if (!window_) return HRESULT_FROM_WIN32(GetLastError());
    EnableWindow(window_, enabled_);
    return S_OK;
}

HRESULT ControlBase::InPlaceActivate(IOleClientSite* activeSite, bool uiActivate, LPCRECT position) noexcept {
    if (!inPlaceSite_) {
        IOleClientSite* site = clientSite_ ? clientSite_.Get() : activeSite;
        if (!site) return E_UNEXPECTED;  // nowhere to show: a control driven by automation alone
        RETURN_IF_FAILED(EnsureInitialized());
        ComPtr<IOleInPlaceSite> inPlace;
        RETURN_IF_FAILED(site->QueryInterface(IID_IOleInPlaceSite, inPlace.PutVoid()));
        if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
        RETURN_IF_FAILED(inPlace->OnInPlaceActivate());
        inPlaceSite_ = inPlace;
        HWND parent = nullptr;
        RECT where{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof(OLEINPLACEFRAMEINFO);
        HRESULT hr = inPlace->GetWindow(&parent);
        if (SUCCEEDED(hr)) hr = inPlace->GetWindowContext(frame_.Put(), uiWindow_.Put(), &where, &clip, &frameInfo);
        if (SUCCEEDED(hr) && position && IsRectEmpty(&where)) where = *position;
        if (SUCCEEDED(hr)) hr = CreateControlWindow(parent, where);
        if (FAILED(hr)) {
            InPlaceDeactivate();
            return hr;
        }
        const SIZE pixels{where.right - where.left, where.bottom - where.top};
        extent_ = {PixelsToHimetric(pixels.cx, true), PixelsToHimetric(pixels.cy, false)};
        SizeMaybeChanged();
        // A child that cannot show itself does not stop the control from showing.
        for (const ComPtr<HostedControl>& child : children_) child->Activate();
    }
    BecomeVisible();
    if (clientSite_) clientSite_->ShowObject();
    if (uiActivate && !uiActive_ && inPlaceSite_) {
        RETURN_IF_FAILED(inPlaceSite_->OnUIActivate());
        uiActive_ = true;
        IOleInPlaceActiveObject* active = this;
        if (frame_) frame_->SetActiveObject(active, nullptr);
        if (uiWindow_) uiWindow_->SetActiveObject(active, nullptr);
        if (window_) SetFocus(window_);
    }
    return S_OK;
}

HRESULT ControlBase::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

HRESULT ControlBase::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT ControlBase::InPlaceDeactivate() {
    if (!inPlaceSite_) return S_OK;
    const ComPtr<IUnknown> self(Identity());
    UIDeactivate();
    for (const ComPtr<HostedControl>& child : children_) child->Deactivate();
    if (HWND window = std::exchange(window_, nullptr)) DestroyWindow(window);
    visible_ = false;
    frame_.Reset();
    uiWindow_.Reset();
    ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
    site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT ControlBase::UIDeactivate() {
    if (!uiActive_) return S_OK;
    uiActive_ = false;
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
    if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
}

HRESULT ControlBase::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    const SIZE pixels{position->right - position->left, position->bottom - position->top};
    if (pixels.cx < 0 || pixels.cy < 0) return E_INVALIDARG;
    if (window_) {
        SetWindowPos(window_, nullptr, position->left, position->top, pixels.cx, pixels.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    extent_ = {PixelsToHimetric(pixels.cx, true), PixelsToHimetric(pixels.cy, false)};
    SizeMaybeChanged();
    return S_OK;
}

HRESULT ControlBase::ReactivateAndUndo() { return E_NOTIMPL; }

HRESULT ControlBase::TranslateAccelerator(LPMSG) { return S_FALSE; }
HRESULT ControlBase::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT ControlBase::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT ControlBase::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT ControlBase::EnableModeless(BOOL) { return S_OK; }

void ControlBase::SetSurfaceEnabled(bool enabled) noexcept {
    enabled_ = enabled;
    if (window_) EnableWindow(window_, enabled);
}

}  // namespace ole
