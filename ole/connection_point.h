#pragma once

#include "ole/com_ptr.h"
#include "ole/event_interest.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <span>
#include <vector>

namespace ole {

// One outgoing interface of an object: its sinks, their cookies and the enumeration of them.
// A connection point lives inside the object that offers it and shares that object's reference
// count (holding a connection point keeps its container alive), so it is a member, not a heap
// object of its own.
//
// Advise keeps the pointer the sink answered for the connection's interface and calls it through
// that pointer only: an event sink is called through IDispatch::Invoke alone, never asked for
// names or type information, so sinks that implement nothing but Invoke work. A sink that also
// answers IEventInterest is called only for the events it is interested in.
class ConnectionPoint : public IConnectionPoint {
public:
    // `owner` is the container's identity; it outlives the connection point.
    ConnectionPoint(IUnknown* owner, REFIID iid) noexcept : owner_(owner), iid_(iid) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;
    virtual ~ConnectionPoint() = default;

    REFIID Iid() const noexcept { return iid_; }

    // Every sink now connected, each with its own reference, so that firing survives a sink
    // that unadvises (or releases the container) during the call. The pointers are of the
    // connection's interface.
    template <typename Interface>
    std::vector<ComPtr<Interface>> Sinks() const {
        std::vector<ComPtr<Interface>> sinks;
        sinks.reserve(connections_.size());
        for (const Connection& connection : connections_) sinks.emplace_back(As<Interface>(connection));
        return sinks;
    }

    // The same, of the sinks interested in the event `id`.
    template <typename Interface>
    std::vector<ComPtr<Interface>> SinksFor(DISPID id) const {
        std::vector<ComPtr<Interface>> sinks;
        for (const Connection& connection : connections_) {
            if (IsInterested(connection, id)) sinks.emplace_back(As<Interface>(connection));
        }
        return sinks;
    }

    // The sink when exactly one is connected and interested in `id`, else null: firing to it
    // needs no snapshot.
    template <typename Interface>
    ComPtr<Interface> OnlySinkFor(DISPID id) const noexcept {
        const Connection* only = nullptr;
        for (const Connection& connection : connections_) {
            if (!IsInterested(connection, id)) continue;
            if (only) return {};
            only = &connection;
        }
        return only ? ComPtr<Interface>(As<Interface>(*only)) : ComPtr<Interface>();
    }

    // Whether any connected sink is interested in the event `id`.
    bool HasSinksFor(DISPID id) const noexcept {
        return std::any_of(connections_.begin(), connections_.end(),
                           [&](const Connection& connection) { return IsInterested(connection, id); });
    }

    // Drops every connection; the sinks are released after the list is empty.
    void DisconnectAll() noexcept;

    // IUnknown, delegated to the container except for the interfaces of the connection point.
    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

    // IConnectionPoint
    IFACEMETHODIMP GetConnectionInterface(IID* iid) override;
    IFACEMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    IFACEMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    IFACEMETHODIMP Unadvise(DWORD cookie) override;
    IFACEMETHODIMP EnumConnections(IEnumConnections** connections) override;

private:
    struct Connection {
        DWORD cookie;
        ComPtr<IUnknown> sink;  // of the connection's interface
        ComPtr<IEventInterest> interest;  // null: every event
    };

    template <typename Interface>
    static Interface* As(const Connection& connection) noexcept {
        return static_cast<Interface*>(static_cast<void*>(connection.sink.Get()));
    }
    static bool IsInterested(const Connection& connection, DISPID id) noexcept {
        return !connection.interest || connection.interest->IsInterestedIn(id) == S_OK;
    }

    IUnknown* owner_;
    IID iid_;
    std::vector<Connection> connections_;
    DWORD nextCookie_ = 1;
};

// Calls `id` on every sink of a dispinterface connection point, synchronously, over a snapshot
// of the sinks. `arguments` are in natural order (first argument first); each sink gets its own
// copies, so a sink that alters them changes nothing for the next. A failing sink does not stop
// the others; the result is the first failure to copy the arguments, or S_OK.
HRESULT FireDispatchEvent(const ConnectionPoint& point, DISPID id, std::span<const VARIANT> arguments = {}) noexcept;

class Variant;

// The same with arguments the caller gives away (natural order). A lone sink is handed them as
// they are, sparing the copies an event per item would otherwise cost; whatever it leaves in
// them is freed with them. With several sinks each gets copies, as above.
HRESULT FireDispatchEventGiving(const ConnectionPoint& point, DISPID id, std::span<Variant> given) noexcept;

// IPropertyNotifySink::OnChanged(id) to every sink of the point.
void NotifyPropertyChanged(const ConnectionPoint& point, DISPID id) noexcept;

}  // namespace ole
