#include "ole/ambient.h"

#include "ole/hresult.h"

namespace ole {

HRESULT GetAmbientProperty(IOleClientSite* site, DISPID id, Variant& value) noexcept {
    value.Reset();
    if (!site) return E_UNEXPECTED;
    ComPtr<IDispatch> ambient;
    RETURN_IF_FAILED(site->QueryInterface(IID_IDispatch, ambient.PutVoid()));
    DISPPARAMS none{};
    return ambient->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.Out(), nullptr,
                           nullptr);
}

HRESULT CreateDefaultFont(ComPtr<IFontDisp>& font) noexcept {
    font.Reset();
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(L"MS Sans Serif"), CY{{82500, 0}}, FW_NORMAL,
                         ANSI_CHARSET, FALSE, FALSE, FALSE};
    return OleCreateFontIndirect(&description, IID_IFontDisp, font.PutVoid());
}

HRESULT GetAmbientFont(IOleClientSite* site, ComPtr<IFontDisp>& font) noexcept {
    font.Reset();
    Variant value;
    if (site && SUCCEEDED(GetAmbientProperty(site, DISPID_AMBIENT_FONT, value)) &&
        (value.Type() == VT_DISPATCH || value.Type() == VT_UNKNOWN) && V_UNKNOWN(&value.Get()) &&
        SUCCEEDED(V_UNKNOWN(&value.Get())->QueryInterface(IID_IFontDisp, font.PutVoid()))) {
        return S_OK;
    }
    return CreateDefaultFont(font);
}

}  // namespace ole
