#pragma once

#include "ole/com_ptr.h"

#include <windows.h>
#include <ocidl.h>

#include <functional>

namespace ole {

// A subscription to an object's property-change notifications (IPropertyNotifySink), such as
// the standard font's when one of its attributes changes in place. The callback is not kept
// alive by the subscription: disconnect before what it refers to goes.
class PropertyNotifyConnection {
public:
    using Callback = std::function<void(DISPID id)>;

    PropertyNotifyConnection() noexcept;
    PropertyNotifyConnection(const PropertyNotifyConnection&) = delete;
    PropertyNotifyConnection& operator=(const PropertyNotifyConnection&) = delete;
    ~PropertyNotifyConnection();

    HRESULT Connect(IUnknown* source, Callback onChanged) noexcept;
    // Ends the subscription; no notification reaches the callback afterwards.
    void Disconnect() noexcept;
    bool IsConnected() const noexcept { return point_ != nullptr; }

private:
    class Sink;

    ComPtr<IConnectionPoint> point_;
    ComPtr<Sink> sink_;
    DWORD cookie_ = 0;
};

}  // namespace ole
