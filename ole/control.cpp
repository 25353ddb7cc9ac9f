#include "ole/control.h"

#include "ole/ambient.h"
#include "ole/com_enumerator.h"
#include "ole/control_wrapper.h"
#include "ole/hresult.h"

namespace ole {

ControlBase::ControlBase(REFCLSID classId, REFIID events) noexcept
    : classId_(classId), events_(Identity(), events), propertyNotify_(Identity(), IID_IPropertyNotifySink) {}

ControlBase::~ControlBase() = default;

HRESULT ControlBase::StartControl() noexcept {
    return Guarded([&]() -> HRESULT {
        RETURN_IF_FAILED(Initialize());
        started_ = true;
        return S_OK;
    });
}

void ControlBase::EndControl() noexcept {
    Guarded([&]() -> HRESULT {
        // A host that let go without Close: the window and the site's in-place state go first.
        InPlaceDeactivate();
        if (started_) Terminate();
        // The children go after Terminate, which may still use them.
        std::vector<ComPtr<HostedControl>> children = std::move(children_);
        for (const ComPtr<HostedControl>& child : children) child->Detach();
        children.clear();
        events_.DisconnectAll();
        propertyNotify_.DisconnectAll();
        viewSink_.Reset();
        adviseHolder_.Reset();
        clientSite_.Reset();
        return S_OK;
    });
}

HRESULT ControlBase::AddChildControl(REFCLSID classId, ComPtr<IDispatch>& wrapper) noexcept {
    wrapper.Reset();
    ChildControlHost& host = *this;
    ComPtr<HostedControl> child;
    RETURN_IF_FAILED(MakeObject(child, host));
    const HRESULT created = child->Create(classId);
    if (FAILED(created)) {
        child->Detach();
        return created;
    }
    const HRESULT hr = Guarded([&]() -> HRESULT {
        RETURN_IF_FAILED(MakeObject<ControlWrapper>(IID_IDispatch, wrapper.PutVoid(), child.Get()));
        children_.push_back(child);
        return S_OK;
    });
    if (FAILED(hr)) {
        wrapper.Reset();
        child->Detach();
    }
    return hr;
}

DWORD ControlBase::MiscStatus() const noexcept { return kControlMiscStatus; }

HRESULT ControlBase::FireEvent(DISPID id, std::span<const VARIANT> arguments) noexcept {
    if (EventsFrozen()) return S_OK;
    // A handler may release the host's last reference to the control.
    const ComPtr<IUnknown> self(Identity());
    return FireDispatchEvent(events_, id, arguments);
}

HRESULT ControlBase::FireEventGiving(DISPID id, std::span<Variant> given) noexcept {
    if (EventsFrozen()) return S_OK;
    const ComPtr<IUnknown> self(Identity());
    return FireDispatchEventGiving(events_, id, given);
}

void ControlBase::PropertyChanged(DISPID id) noexcept {
    const ComPtr<IUnknown> self(Identity());
    dirty_ = true;
    NotifyPropertyChanged(propertyNotify_, id);
}

void ControlBase::InvalidateView() noexcept {
    if (window_) InvalidateRect(window_, nullptr, TRUE);
    if (const ComPtr<IAdviseSink> sink = viewSink_) sink->OnViewChange(DVASPECT_CONTENT, -1);
}

HRESULT ControlBase::AmbientFont(ComPtr<IFontDisp>& font) noexcept {
    return GetAmbientFont(clientSite_.Get(), font);
}

HRESULT ControlBase::GetControlInfo(CONTROLINFO* info) {
    if (!info) return E_POINTER;
    // No mnemonics: an empty table, which containers read as "nothing to route to us".
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

HRESULT ControlBase::OnMnemonic(MSG*) { return S_OK; }

HRESULT ControlBase::OnAmbientPropertyChange(DISPID id) {
    return Guarded([&] {
        AmbientChanged(id);
        return S_OK;
    });
}

HRESULT ControlBase::FreezeEvents(BOOL freeze) {
    if (freeze) {
        ++freezeCount_;
    } else if (freezeCount_ > 0) {
        --freezeCount_;
    }
    return S_OK;
}

HRESULT ControlBase::EnumConnectionPoints(IEnumConnectionPoints** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    return Guarded([&]() -> HRESULT {
        std::vector<ComPtr<IConnectionPoint>> points{ComPtr<IConnectionPoint>(&events_),
                                                     ComPtr<IConnectionPoint>(&propertyNotify_)};
        return ComEnumerator<IEnumConnectionPoints, InterfaceEnumeration<IConnectionPoint>>::Create(std::move(points),
                                                                                                    result);
    });
}

HRESULT ControlBase::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    for (ConnectionPoint* candidate : {&events_, &propertyNotify_}) {
        if (candidate->Iid() == iid) return ComPtr<IConnectionPoint>(candidate).CopyTo(point);
    }
    return CONNECT_E_NOCONNECTION;
}

}  // namespace ole
