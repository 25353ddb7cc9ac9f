#include "ole/control.h"

#include "ole/com_enumerator.h"
#include "ole/hresult.h"
#include "ole/type_library.h"

#include <cwchar>
#include <string>

namespace ole {

namespace {

struct Verb {
    LONG id;
    const wchar_t* name;
};

// The verbs DoVerb carries out; containers list them in their menus.
constexpr Verb kVerbs[] = {
    {OLEIVERB_PRIMARY, L"&Edit"},          {OLEIVERB_SHOW, L"&Show"},
    {OLEIVERB_INPLACEACTIVATE, L"&Activate"}, {OLEIVERB_UIACTIVATE, L"&UI Activate"},
    {OLEIVERB_HIDE, L"&Hide"},
};

struct VerbEnumeration {
    using Element = OLEVERB;
    using Stored = Verb;
    static HRESULT CopyOut(const Stored& from, Element& to) noexcept {
        const size_t bytes = (wcslen(from.name) + 1) * sizeof(wchar_t);
        auto* name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (!name) return E_OUTOFMEMORY;
        memcpy(name, from.name, bytes);
        to = OLEVERB{from.id, name, MF_STRING | MF_ENABLED, OLEVERBATTRIB_ONCONTAINERMENU};
        return S_OK;
    }
    static void Free(Element& element) noexcept { CoTaskMemFree(std::exchange(element.lpszVerbName, nullptr)); }
};

}  // namespace

HRESULT ControlBase::SetClientSite(IOleClientSite* site) {
    // Out of the field before the old site's release, which may call back.
    ComPtr<IOleClientSite> previous = std::exchange(clientSite_, ComPtr<IOleClientSite>(site));
    previous.Reset();
    if (site) {
        return Guarded([&] {
            AmbientChanged(DISPID_UNKNOWN);
            return S_OK;
        });
    }
    return S_OK;
}

HRESULT ControlBase::GetClientSite(IOleClientSite** site) { return clientSite_.CopyTo(site); }

HRESULT ControlBase::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT ControlBase::Close(DWORD saveOption) {
    const ComPtr<IUnknown> self(Identity());
    InPlaceDeactivate();
    if ((saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE) && dirty_ && clientSite_) {
        clientSite_->SaveObject();
    }
    if (const ComPtr<IOleAdviseHolder> holder = adviseHolder_) holder->SendOnClose();
    return S_OK;
}

HRESULT ControlBase::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT ControlBase::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlBase::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT ControlBase::GetClipboardData(DWORD, IDataObject** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlBase::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT position) {
    const ComPtr<IUnknown> self(Identity());
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
        return InPlaceActivate(activeSite, false, position);
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(activeSite, true, position);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (window_) ShowWindow(window_, SW_HIDE);
        visible_ = false;
        return S_OK;
    default:
        if (verb > 0) {
            // Verbs the control does not know are taken for the primary one.
            const HRESULT hr = InPlaceActivate(activeSite, false, position);
            return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;
    }
}

HRESULT ControlBase::EnumVerbs(IEnumOLEVERB** verbs) {
    return Guarded([&] {
        return ComEnumerator<IEnumOLEVERB, VerbEnumeration>::Create(
            std::vector<Verb>(std::begin(kVerbs), std::end(kVerbs)), verbs);
    });
}

HRESULT ControlBase::Update() { return S_OK; }
HRESULT ControlBase::IsUpToDate() { return S_OK; }

HRESULT ControlBase::GetUserClassID(CLSID* classId) {
    if (!classId) return E_POINTER;
    *classId = classId_;
    return S_OK;
}

HRESULT ControlBase::GetUserType(DWORD form, LPOLESTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (SUCCEEDED(OleRegGetUserType(classId_, form, name)) && *name) return S_OK;
    // Not registered (a control made by its class object alone): the type library's name of the
    // class, or else its class id, names it.
    return Guarded([&]() -> HRESULT {
        std::wstring text;
        ComPtr<ITypeInfo> coclass;
        BSTR described = nullptr;
        if (SUCCEEDED(GetModuleTypeInfo(classId_, coclass)) &&
            SUCCEEDED(coclass->GetDocumentation(MEMBERID_NIL, &described, nullptr, nullptr, nullptr)) && described) {
            text.assign(described, SysStringLen(described));
        }
        SysFreeString(described);
        if (text.empty()) {
            wchar_t guid[40] = {};
            StringFromGUID2(classId_, guid, 40);
            text = guid;
        }
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (!*name) return E_OUTOFMEMORY;
        memcpy(*name, text.c_str(), bytes);
        return S_OK;
    });
}

HRESULT ControlBase::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
    extent_ = *size;
    SizeMaybeChanged();
    return S_OK;
}

HRESULT ControlBase::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
}

HRESULT ControlBase::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_INVALIDARG;
    if (!adviseHolder_) RETURN_IF_FAILED(CreateOleAdviseHolder(adviseHolder_.Put()));
    return adviseHolder_->Advise(sink, cookie);
}

HRESULT ControlBase::Unadvise(DWORD cookie) {
    if (!adviseHolder_) return OLE_E_NOCONNECTION;
    return adviseHolder_->Unadvise(cookie);
}

HRESULT ControlBase::EnumAdvise(IEnumSTATDATA** advises) {
    if (!advises) return E_POINTER;
    *advises = nullptr;
    if (!adviseHolder_) RETURN_IF_FAILED(CreateOleAdviseHolder(adviseHolder_.Put()));
    return adviseHolder_->EnumAdvise(advises);
}

HRESULT ControlBase::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = MiscStatus();
    return S_OK;
}

HRESULT ControlBase::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

HRESULT ControlBase::QuickActivate(QACONTAINER* container, QACONTROL* control) {
    if (!container || !control) return E_POINTER;
    if (container->cbSize < offsetof(QACONTAINER, dwAmbientFlags) || control->cbSize < sizeof(QACONTROL)) {
        return E_INVALIDARG;
    }
    const ComPtr<IUnknown> self(Identity());
    control->dwMiscStatus = 0;
    control->dwViewStatus = 0;
    control->dwEventCookie = 0;
    control->dwPropNotifyCookie = 0;
    control->dwPointerActivationPolicy = 0;
    RETURN_IF_FAILED(SetClientSite(container->pClientSite));
    if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    // A sink that does not answer for an interface simply gets no cookie: quick activation
    // itself does not fail for it.
    if (container->pPropertyNotifySink) {
        propertyNotify_.Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
    }
    if (container->pUnkEventSink) events_.Advise(container->pUnkEventSink, &control->dwEventCookie);
    control->dwMiscStatus = MiscStatus();
    GetViewStatus(&control->dwViewStatus);
    return S_OK;
}

HRESULT ControlBase::SetContentExtent(LPSIZEL size) { return SetExtent(DVASPECT_CONTENT, size); }

HRESULT ControlBase::GetContentExtent(LPSIZEL size) { return GetExtent(DVASPECT_CONTENT, size); }

}  // namespace ole
