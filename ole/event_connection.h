#pragma once

#include "ole/com_ptr.h"

#include <windows.h>
#include <ocidl.h>

#include <vector>

namespace ole {

// Receives the events of a source interface, each identified by its position in that
// interface as the source's type information declares it (0 is the first event).
class EventReceiver {
public:
    virtual HRESULT OnEvent(UINT position, DISPPARAMS& parameters) = 0;
    // Whether the event at `position` does anything here; the source is spared raising the others.
    virtual bool ListensTo(UINT /*position*/) const noexcept { return true; }

protected:
    ~EventReceiver() = default;
};

// The dispatch ids of the events of `events`, indexed by position, from the type information
// of `source` (IProvideClassInfo, or the library of IDispatch::GetTypeInfo).
HRESULT ResolveEventPositions(IUnknown* source, REFIID events, std::vector<DISPID>& idsByPosition) noexcept;

// A subscription to one source interface of an object, through its connection point. The
// receiver is not kept alive by the subscription: disconnect before the receiver goes.
class EventConnection {
public:
    EventConnection() noexcept;
    EventConnection(EventConnection&& other) noexcept;
    EventConnection& operator=(EventConnection&& other) noexcept;
    ~EventConnection();

    HRESULT Connect(IUnknown* source, REFIID events, EventReceiver& receiver) noexcept;
    // Ends the subscription; no event reaches the receiver afterwards, even one that the
    // source is delivering at this moment.
    void Disconnect() noexcept;
    bool IsConnected() const noexcept { return point_ != nullptr; }

private:
    class Sink;

    ComPtr<IConnectionPoint> point_;
    ComPtr<Sink> sink_;
    DWORD cookie_ = 0;
};

}  // namespace ole
