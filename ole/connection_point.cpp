#include "ole/connection_point.h"

#include "ole/com_enumerator.h"
#include "ole/hresult.h"
#include "ole/variant.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ole {

namespace {

struct ConnectionEnumeration {
    using Element = CONNECTDATA;
    using Stored = std::pair<ComPtr<IUnknown>, DWORD>;
    static HRESULT CopyOut(const Stored& from, Element& to) noexcept {
        to.dwCookie = from.second;
        return from.first.CopyTo(&to.pUnk);
    }
    static void Free(Element& element) noexcept { ComPtr<IUnknown>().Attach(std::exchange(element.pUnk, nullptr)); }
};

}  // namespace

void ConnectionPoint::DisconnectAll() noexcept {
    std::vector<Connection> dropped = std::exchange(connections_, {});
    dropped.clear();
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = nullptr;
    return owner_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container));
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        ComPtr<IUnknown> connected;
        if (FAILED(sink->QueryInterface(iid_, connected.PutVoid())) || !connected) return CONNECT_E_CANNOTCONNECT;
        ComPtr<IEventInterest> interest;
        if (FAILED(sink->QueryInterface(__uuidof(IEventInterest), interest.PutVoid()))) interest.Reset();
        connections_.reserve(connections_.size() + 1);
        // Cookies are never reused while the point lives, so a stale cookie cannot cut another
        // sink's connection; 0 is never a cookie.
        const DWORD given = nextCookie_++;
        if (nextCookie_ == 0) nextCookie_ = 1;
        connections_.push_back({given, std::move(connected), std::move(interest)});
        *cookie = given;
        return S_OK;
    });
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto at = connections_.begin(); at != connections_.end(); ++at) {
        if (at->cookie != cookie) continue;
        // Out of the list first: the sink's last release may call back into the point.
        ComPtr<IUnknown> sink = std::move(at->sink);
        ComPtr<IEventInterest> interest = std::move(at->interest);
        connections_.erase(at);
        interest.Reset();
        sink.Reset();
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    return Guarded([&]() -> HRESULT {
        std::vector<ConnectionEnumeration::Stored> items;
        for (const Connection& connection : connections_) items.emplace_back(connection.sink, connection.cookie);
        return ComEnumerator<IEnumConnections, ConnectionEnumeration>::Create(std::move(items), result);
    });
}

namespace {

// One sink's call with `parameters` as DISPPARAMS holds them (last first); the caller frees them.
void CallSink(IDispatch* sink, DISPID id, DISPPARAMS& parameters) {
    EXCEPINFO exception{};
    UINT argumentError = 0;
    Variant result;
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result.Out(), &exception,
                 &argumentError);
    // A sink's exception is its own affair; its strings are ours to free.
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

static_assert(sizeof(Variant) == sizeof(VARIANT), "Variant is laid out as the VARIANT it owns");

// One sink's call: it gets copies of its own of the arguments, and whatever it leaves in the
// slots is freed afterwards. The usual few arguments are kept on the stack, since lists raise an
// event per item while they fill.
HRESULT InvokeSink(IDispatch* sink, DISPID id, std::span<const VARIANT> arguments) {
    constexpr size_t kUsual = 4;
    std::array<Variant, kUsual> usual;
    std::vector<Variant> more(arguments.size() > kUsual ? arguments.size() : 0);
    const std::span<Variant> passed = more.empty() ? std::span<Variant>(usual).first(arguments.size())
                                                   : std::span<Variant>(more);
    for (size_t i = 0; i < arguments.size(); ++i) {
        RETURN_IF_FAILED(passed[arguments.size() - 1 - i].CopyFrom(arguments[i]));
    }
    DISPPARAMS parameters{reinterpret_cast<VARIANT*>(passed.data()), nullptr, static_cast<UINT>(passed.size()), 0};
    CallSink(sink, id, parameters);
    return S_OK;
}

}  // namespace

HRESULT FireDispatchEvent(const ConnectionPoint& point, DISPID id, std::span<const VARIANT> arguments) noexcept {
    return Guarded([&]() -> HRESULT {
        // A lone sink gets its copies before it runs, so nothing needs holding for it.
        if (const ComPtr<IDispatch> only = point.OnlySinkFor<IDispatch>(id)) return InvokeSink(only.Get(), id, arguments);
        const std::vector<ComPtr<IDispatch>> sinks = point.SinksFor<IDispatch>(id);
        if (sinks.empty()) return S_OK;
        // The arguments are held for the whole event: a sink may release what the caller only
        // borrowed (an item it clears away, say) before the next sink is called.
        std::vector<Variant> held(arguments.size());
        for (size_t i = 0; i < held.size(); ++i) RETURN_IF_FAILED(held[i].CopyFrom(arguments[i]));
        const std::span<const VARIANT> heldArguments(reinterpret_cast<const VARIANT*>(held.data()), held.size());
        HRESULT outcome = S_OK;
        for (const ComPtr<IDispatch>& sink : sinks) {
            const HRESULT copied = InvokeSink(sink.Get(), id, heldArguments);
            if (FAILED(copied) && SUCCEEDED(outcome)) outcome = copied;
        }
        return outcome;
    });
}

HRESULT FireDispatchEventGiving(const ConnectionPoint& point, DISPID id, std::span<Variant> given) noexcept {
    const std::span<const VARIANT> arguments(reinterpret_cast<const VARIANT*>(given.data()), given.size());
    const ComPtr<IDispatch> only = point.OnlySinkFor<IDispatch>(id);
    if (!only) return FireDispatchEvent(point, id, arguments);
    return Guarded([&]() -> HRESULT {
        std::reverse(given.begin(), given.end());
        DISPPARAMS parameters{reinterpret_cast<VARIANT*>(given.data()), nullptr, static_cast<UINT>(given.size()), 0};
        CallSink(only.Get(), id, parameters);
        return S_OK;
    });
}

void NotifyPropertyChanged(const ConnectionPoint& point, DISPID id) noexcept {
    Guarded([&]() -> HRESULT {
        for (const ComPtr<IPropertyNotifySink>& sink : point.Sinks<IPropertyNotifySink>()) sink->OnChanged(id);
        return S_OK;
    });
}

}  // namespace ole
