#pragma once

#include "ole/com_enumerator.h"
#include "ole/connection_point.h"
#include "ole/hresult.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <span>
#include <vector>

namespace ole {

// IConnectionPointContainer over the connection points that `Derived` holds as members:
//     std::span<ConnectionPoint* const> ConnectionPoints() noexcept;
template <typename Derived>
class ConnectionPointContainerImpl : public IConnectionPointContainer {
public:
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        return Guarded([&]() -> HRESULT {
            std::vector<ComPtr<IConnectionPoint>> points;
            for (ConnectionPoint* point : static_cast<Derived*>(this)->ConnectionPoints()) points.emplace_back(point);
            return ComEnumerator<IEnumConnectionPoints, InterfaceEnumeration<IConnectionPoint>>::Create(
                std::move(points), result);
        });
    }

    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        for (ConnectionPoint* point : static_cast<Derived*>(this)->ConnectionPoints()) {
            if (point->Iid() == iid) return ComPtr<IConnectionPoint>(point).CopyTo(result);
        }
        return CONNECT_E_NOCONNECTION;
    }
};

}  // namespace ole
