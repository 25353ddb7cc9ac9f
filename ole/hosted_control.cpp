#include "ole/hosted_control.h"

#include "ole/ambient.h"
#include "ole/control_wrapper.h"
#include "ole/hresult.h"
#include "ole/late_bound.h"
#include "ole/screen_units.h"
#include "ole/variant.h"

#include <cmath>

namespace ole {

namespace {

// An optional argument's value as a single, or `keep` when it is absent.
HRESULT OptionalSingle(const VARIANT& value, float keep, float& result) {
    if (V_VT(&value) == VT_EMPTY || (V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND)) {
        result = keep;
        return S_OK;
    }
    Variant converted;
    RETURN_IF_FAILED(ChangeType(converted, value, VT_R4, kLateBoundLocale));
    result = V_R4(&converted.Get());
    return S_OK;
}

}  // namespace

std::span<const InterfaceEntry> HostedControl::InterfaceTable() noexcept {
    static constexpr InterfaceEntry table[] = {
        Implements<HostedControl, IOleClientSite>(),
        Implements<HostedControl, IOleInPlaceSite>(),
        Implements<HostedControl, IOleWindow, IOleInPlaceSite>(),
        Implements<HostedControl, IOleControlSite>(),
        Implements<HostedControl, IDispatch>(),
    };
    return table;
}

HRESULT HostedControl::Create(REFCLSID classId) noexcept {
    if (child_) return E_UNEXPECTED;
    ComPtr<IUnknown> made;
    RETURN_IF_FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, made.PutVoid()));
    ComPtr<IOleObject> object;
    RETURN_IF_FAILED(made.As(&object));
    DWORD status = 0;
    object->GetMiscStatus(DVASPECT_CONTENT, &status);
    IOleClientSite* site = this;
    const bool siteFirst = (status & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst) RETURN_IF_FAILED(object->SetClientSite(site));
    ComPtr<IPersistStreamInit> streamInit;
    ComPtr<IPersistPropertyBag> bagInit;
    HRESULT hr = S_OK;
    if (SUCCEEDED(made.As(&streamInit))) {
        hr = streamInit->InitNew();
    } else if (SUCCEEDED(made.As(&bagInit))) {
        hr = bagInit->InitNew();
    }
    if (SUCCEEDED(hr) && !siteFirst) hr = object->SetClientSite(site);
    if (FAILED(hr)) {
        object->SetClientSite(nullptr);
        return hr;
    }
    made.As(&childDispatch_);
    child_ = std::move(object);
    // The child's own events, by their place in its default source interface, are to be
    // connected here, through the client-side event sink, once there is one.
    ApplyPosition();
    return S_OK;
}

HRESULT HostedControl::Activate() noexcept {
    HWND window = host_ ? host_->HostWindow() : nullptr;
    if (!child_ || !window) return S_FALSE;
    if (childInPlace_) return S_OK;
    IOleClientSite* site = this;
    RETURN_IF_FAILED(child_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, window, &position_));
    child_.As(&childInPlace_);
    return S_OK;
}

HRESULT HostedControl::Deactivate() noexcept {
    ComPtr<IOleInPlaceObject> inPlace = std::move(childInPlace_);
    return inPlace ? inPlace->InPlaceDeactivate() : S_OK;
}

HRESULT HostedControl::Move(float left, const VARIANT& top, const VARIANT& width, const VARIANT& height) noexcept {
    if (!child_) return E_UNEXPECTED;
    float newTop = 0, newWidth = 0, newHeight = 0;
    RETURN_IF_FAILED(OptionalSingle(top, static_cast<float>(position_.top), newTop));
    RETURN_IF_FAILED(OptionalSingle(width, static_cast<float>(position_.right - position_.left), newWidth));
    RETURN_IF_FAILED(OptionalSingle(height, static_cast<float>(position_.bottom - position_.top), newHeight));
    const float limit = 1.0e6f;
    if (!(newWidth >= 0 && newHeight >= 0) || std::fabs(left) > limit || std::fabs(newTop) > limit ||
        newWidth > limit || newHeight > limit) {
        return E_INVALIDARG;
    }
    const LONG x = std::lround(left), y = std::lround(newTop);
    position_ = {x, y, x + std::lround(newWidth), y + std::lround(newHeight)};
    return ApplyPosition();
}

HRESULT HostedControl::ApplyPosition() noexcept {
    if (!child_) return E_UNEXPECTED;
    SIZEL extent{PixelsToHimetric(position_.right - position_.left, true),
                 PixelsToHimetric(position_.bottom - position_.top, false)};
    child_->SetExtent(DVASPECT_CONTENT, &extent);
    if (childInPlace_) return childInPlace_->SetObjectRects(&position_, &position_);
    return S_OK;
}

HRESULT HostedControl::DrawInto(HDC dc, const RECT& bounds, SIZE hostSize) noexcept {
    if (!child_) return S_FALSE;
    ComPtr<IViewObject> view;
    RETURN_IF_FAILED(child_.As(&view));
    const double scaleX = hostSize.cx > 0 ? double(bounds.right - bounds.left) / hostSize.cx : 1.0;
    const double scaleY = hostSize.cy > 0 ? double(bounds.bottom - bounds.top) / hostSize.cy : 1.0;
    const RECTL where{bounds.left + std::lround(position_.left * scaleX), bounds.top + std::lround(position_.top * scaleY),
                      bounds.left + std::lround(position_.right * scaleX),
                      bounds.top + std::lround(position_.bottom * scaleY)};
    return view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &where, nullptr, nullptr, 0);
}

void HostedControl::Detach() noexcept {
    host_ = nullptr;
    childInPlace_.Reset();
    childDispatch_.Reset();
    ComPtr<IOleObject> child = std::move(child_);
    if (!child) return;
    child->Close(OLECLOSE_NOSAVE);
    child->SetClientSite(nullptr);  // a failure here changes nothing: the release follows
    child.Reset();
}

HRESULT HostedControl::SaveObject() { return S_OK; }  // the host saves its children's state itself

HRESULT HostedControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT HostedControl::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT HostedControl::ShowObject() { return S_OK; }
HRESULT HostedControl::OnShowWindow(BOOL) { return S_OK; }
HRESULT HostedControl::RequestNewObjectLayout() { return E_NOTIMPL; }

HRESULT HostedControl::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = host_ ? host_->HostWindow() : nullptr;
    return *window ? S_OK : E_FAIL;
}

HRESULT HostedControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT HostedControl::CanInPlaceActivate() { return host_ && host_->HostWindow() ? S_OK : S_FALSE; }
HRESULT HostedControl::OnInPlaceActivate() { return S_OK; }
HRESULT HostedControl::OnUIActivate() { return S_OK; }

HRESULT HostedControl::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                        LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (frame) *frame = nullptr;
    if (document) *document = nullptr;
    if (!position || !clip) return E_POINTER;
    *position = position_;
    *clip = position_;
    if (info) {
        info->fMDIApp = FALSE;
        info->hwndFrame = host_ ? host_->HostWindow() : nullptr;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

HRESULT HostedControl::Scroll(SIZE) { return E_NOTIMPL; }
HRESULT HostedControl::OnUIDeactivate(BOOL) { return S_OK; }

HRESULT HostedControl::OnInPlaceDeactivate() {
    childInPlace_.Reset();
    return S_OK;
}

HRESULT HostedControl::DiscardUndoState() { return S_OK; }
HRESULT HostedControl::DeactivateAndUndo() { return E_NOTIMPL; }

HRESULT HostedControl::OnPosRectChange(LPCRECT position) {
    if (!position) return E_POINTER;
    // The child asks for a place; the host's layout decides, so it keeps the one it was given.
    if (childInPlace_) return childInPlace_->SetObjectRects(&position_, &position_);
    return S_OK;
}

HRESULT HostedControl::OnControlInfoChanged() { return S_OK; }
HRESULT HostedControl::LockInPlaceActive(BOOL) { return S_OK; }

HRESULT HostedControl::GetExtendedControl(IDispatch** control) {
    if (!control) return E_POINTER;
    *control = nullptr;
    return MakeObject<ControlWrapper>(IID_IDispatch, reinterpret_cast<void**>(control), this);
}

HRESULT HostedControl::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) {
    if (!himetric || !container) return E_POINTER;
    const double x = PixelsPerInch(true) / 2540.0, y = PixelsPerInch(false) / 2540.0;
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        container->x = static_cast<float>(himetric->x * x);
        container->y = static_cast<float>(himetric->y * y);
    } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
        himetric->x = std::lround(container->x / x);
        himetric->y = std::lround(container->y / y);
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT HostedControl::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }
HRESULT HostedControl::OnFocus(BOOL) { return S_OK; }
HRESULT HostedControl::ShowPropertyFrame() { return E_NOTIMPL; }

HRESULT HostedControl::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT HostedControl::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT HostedControl::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT HostedControl::Invoke(DISPID id, REFIID iid, LCID, WORD kind, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                              UINT*) {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!(kind & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    return Guarded([&]() -> HRESULT {
        Variant value;
        IOleClientSite* outer = host_ ? host_->HostSite() : nullptr;
        if (FAILED(GetAmbientProperty(outer, id, value))) {
            // What a child gets when the outer control's container does not say.
            if (id == DISPID_AMBIENT_FONT) {
                ComPtr<IFontDisp> font;
                RETURN_IF_FAILED(GetAmbientFont(nullptr, font));
                value = Variant(static_cast<IDispatch*>(font.Get()));
            } else if (id == DISPID_AMBIENT_USERMODE) {
                value = Variant(VARIANT_TRUE);
            } else {
                return DISP_E_MEMBERNOTFOUND;
            }
        }
        if (result) value.Detach(result);
        return S_OK;
    });
}

}  // namespace ole
