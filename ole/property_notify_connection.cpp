#include "ole/property_notify_connection.h"

#include "ole/com_object.h"
#include "ole/hresult.h"

#include <utility>

namespace ole {

class PropertyNotifyConnection::Sink final : public ComObject<Sink, IPropertyNotifySink> {
public:
    explicit Sink(Callback onChanged) : onChanged_(std::move(onChanged)) {}

    static std::span<const InterfaceEntry> InterfaceTable() noexcept {
        static constexpr InterfaceEntry table[] = {Implements<Sink, IPropertyNotifySink>()};
        return table;
    }

    void DetachCallback() noexcept { onChanged_ = nullptr; }

    IFACEMETHODIMP OnChanged(DISPID id) override {
        return Guarded([&] {
            // A copy, so that a callback that disconnects does not destroy itself while it runs.
            const Callback callback = onChanged_;
            if (callback) callback(id);
            return S_OK;
        });
    }
    IFACEMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

private:
    Callback onChanged_;
};

PropertyNotifyConnection::PropertyNotifyConnection() noexcept = default;

PropertyNotifyConnection::~PropertyNotifyConnection() { Disconnect(); }

HRESULT PropertyNotifyConnection::Connect(IUnknown* source, Callback onChanged) noexcept {
    Disconnect();
    if (!source) return E_POINTER;
    ComPtr<IConnectionPointContainer> container;
    RETURN_IF_FAILED(source->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()));
    ComPtr<IConnectionPoint> point;
    RETURN_IF_FAILED(container->FindConnectionPoint(IID_IPropertyNotifySink, point.Put()));
    ComPtr<Sink> sink;
    RETURN_IF_FAILED(MakeObject(sink, std::move(onChanged)));
    DWORD cookie = 0;
    RETURN_IF_FAILED(point->Advise(static_cast<IPropertyNotifySink*>(sink.Get()), &cookie));
    point_ = std::move(point);
    sink_ = std::move(sink);
    cookie_ = cookie;
    return S_OK;
}

void PropertyNotifyConnection::Disconnect() noexcept {
    ComPtr<IConnectionPoint> point = std::move(point_);
    ComPtr<Sink> sink = std::move(sink_);
    const DWORD cookie = std::exchange(cookie_, 0);
    if (sink) sink->DetachCallback();
    if (point) point->Unadvise(cookie);
}

}  // namespace ole
