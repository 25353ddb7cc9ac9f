#include "ole/event_connection.h"

#include "ole/com_object.h"
#include "ole/dispatch_parameters.h"
#include "ole/event_interest.h"
#include "ole/hresult.h"

#include <algorithm>
#include <utility>

namespace ole {

namespace {

// Some readers list the seven IUnknown and IDispatch members among a dispinterface's functions;
// they are no events.
bool IsInheritedDispatchMember(MEMBERID id) {
    return (id >= 0x60000000 && id <= 0x60000002) || (id >= 0x60010000 && id <= 0x60010003);
}

HRESULT FindInClass(ITypeInfo* classInfo, REFIID events, ComPtr<ITypeInfo>& found) {
    TYPEATTR* attributes = nullptr;
    RETURN_IF_FAILED(classInfo->GetTypeAttr(&attributes));
    const WORD implemented = attributes->cImplTypes;
    classInfo->ReleaseTypeAttr(attributes);
    for (UINT i = 0; i < implemented; ++i) {
        HREFTYPE reference = 0;
        ComPtr<ITypeInfo> candidate;
        if (FAILED(classInfo->GetRefTypeOfImplType(i, &reference)) ||
            FAILED(classInfo->GetRefTypeInfo(reference, candidate.Put())) ||
            FAILED(candidate->GetTypeAttr(&attributes))) {
            continue;
        }
        const bool match = attributes->guid == events;
        candidate->ReleaseTypeAttr(attributes);
        if (match) {
            found = std::move(candidate);
            return S_OK;
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT FindEventTypeInfo(IUnknown* source, REFIID events, ComPtr<ITypeInfo>& found) {
    ComPtr<IProvideClassInfo> provider;
    ComPtr<ITypeInfo> classInfo;
    if (SUCCEEDED(source->QueryInterface(IID_IProvideClassInfo, provider.PutVoid())) &&
        SUCCEEDED(provider->GetClassInfo(classInfo.Put())) && SUCCEEDED(FindInClass(classInfo.Get(), events, found))) {
        return S_OK;
    }
    ComPtr<IDispatch> dispatch;
    RETURN_IF_FAILED(source->QueryInterface(IID_IDispatch, dispatch.PutVoid()));
    ComPtr<ITypeInfo> interfaceInfo;
    RETURN_IF_FAILED(dispatch->GetTypeInfo(0, 0, interfaceInfo.Put()));
    if (!interfaceInfo) return TYPE_E_ELEMENTNOTFOUND;
    ComPtr<ITypeLib> library;
    UINT index = 0;
    RETURN_IF_FAILED(interfaceInfo->GetContainingTypeLib(library.Put(), &index));
    return library->GetTypeInfoOfGuid(events, found.Put());
}

}  // namespace

HRESULT ResolveEventPositions(IUnknown* source, REFIID events, std::vector<DISPID>& idsByPosition) noexcept {
    idsByPosition.clear();
    if (!source) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        ComPtr<ITypeInfo> info;
        RETURN_IF_FAILED(FindEventTypeInfo(source, events, info));
        TYPEATTR* attributes = nullptr;
        RETURN_IF_FAILED(info->GetTypeAttr(&attributes));
        const WORD functions = attributes->cFuncs;
        info->ReleaseTypeAttr(attributes);
        for (UINT i = 0; i < functions; ++i) {
            FUNCDESC* function = nullptr;
            RETURN_IF_FAILED(info->GetFuncDesc(i, &function));
            const MEMBERID id = function->memid;
            info->ReleaseFuncDesc(function);
            if (!IsInheritedDispatchMember(id)) idsByPosition.push_back(id);
        }
        return S_OK;
    });
}

// The object the source calls: it answers IDispatch and the events interface, turns each
// dispatch id back into a position and hands the call to the receiver while one is attached.
class EventConnection::Sink final : public ComObject<Sink, IDispatch, IEventInterest> {
public:
    Sink(REFIID events, std::vector<DISPID> idsByPosition, EventReceiver& receiver)
        : events_(events), idsByPosition_(std::move(idsByPosition)), receiver_(&receiver) {}

    static std::span<const InterfaceEntry> InterfaceTable() noexcept {
        static constexpr InterfaceEntry table[] = {Implements<Sink, IDispatch>(), Implements<Sink, IEventInterest>()};
        return table;
    }

    void DetachReceiver() noexcept { receiver_ = nullptr; }

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (object && iid == events_) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return ComObject::QueryInterface(iid, object);
    }

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                          UINT*) override {
        if (result) VariantInit(result);
        const auto found = std::find(idsByPosition_.begin(), idsByPosition_.end(), id);
        if (found == idsByPosition_.end() || !receiver_) return S_OK;
        DISPPARAMS none{};
        if (parameters) RETURN_IF_FAILED(CheckDispatchParameters(*parameters));
        return Guarded([&] {
            return receiver_->OnEvent(static_cast<UINT>(found - idsByPosition_.begin()), parameters ? *parameters : none);
        });
    }

    IFACEMETHODIMP IsInterestedIn(DISPID id) override {
        const auto found = std::find(idsByPosition_.begin(), idsByPosition_.end(), id);
        if (found == idsByPosition_.end() || !receiver_) return S_FALSE;
        return receiver_->ListensTo(static_cast<UINT>(found - idsByPosition_.begin())) ? S_OK : S_FALSE;
    }

private:
    const IID events_;
    const std::vector<DISPID> idsByPosition_;
    EventReceiver* receiver_;
};

EventConnection::EventConnection() noexcept = default;
EventConnection::~EventConnection() { Disconnect(); }

EventConnection::EventConnection(EventConnection&& other) noexcept
    : point_(std::move(other.point_)), sink_(std::move(other.sink_)), cookie_(std::exchange(other.cookie_, 0)) {}

EventConnection& EventConnection::operator=(EventConnection&& other) noexcept {
    if (this != &other) {
        Disconnect();
        point_ = std::move(other.point_);
        sink_ = std::move(other.sink_);
        cookie_ = std::exchange(other.cookie_, 0);
    }
    return *this;
}

HRESULT EventConnection::Connect(IUnknown* source, REFIID events, EventReceiver& receiver) noexcept {
    Disconnect();
    if (!source) return E_POINTER;
    std::vector<DISPID> idsByPosition;
    RETURN_IF_FAILED(ResolveEventPositions(source, events, idsByPosition));
    ComPtr<IConnectionPointContainer> container;
    RETURN_IF_FAILED(source->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()));
    ComPtr<IConnectionPoint> point;
    RETURN_IF_FAILED(container->FindConnectionPoint(events, point.Put()));
    ComPtr<Sink> sink;
    RETURN_IF_FAILED(MakeObject(sink, events, std::move(idsByPosition), receiver));
    DWORD cookie = 0;
    RETURN_IF_FAILED(point->Advise(static_cast<IDispatch*>(sink.Get()), &cookie));
    point_ = std::move(point);
    sink_ = std::move(sink);
    cookie_ = cookie;
    return S_OK;
}

void EventConnection::Disconnect() noexcept {
    ComPtr<IConnectionPoint> point = std::move(point_);
    ComPtr<Sink> sink = std::move(sink_);
    const DWORD cookie = std::exchange(cookie_, 0);
    if (sink) sink->DetachReceiver();
    // The source may already be gone from the caller's point of view; its refusal changes nothing.
    if (point) point->Unadvise(cookie);
}

}  // namespace ole
