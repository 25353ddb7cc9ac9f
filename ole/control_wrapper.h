#pragma once

#include "ole/com_object.h"
#include "ole/com_ptr.h"
#include "ole/hosted_control.h"

#include <windows.h>
#include <oaidl.h>

namespace ole {

// The wrapper a control's code holds for a child control: the wrapper's own Move(Left, Top,
// Width, Height) and Object (the child itself), every other name and call passed through to the
// child's IDispatch.
class ControlWrapper final : public ComObject<ControlWrapper, IDispatch> {
public:
    static constexpr DISPID kMove = 0x7FFF0001;
    static constexpr DISPID kObject = 0x7FFF0002;

    explicit ControlWrapper(HostedControl* hosted) noexcept : hosted_(hosted) {}

    static std::span<const InterfaceEntry> InterfaceTable() noexcept;

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override;

private:
    ~ControlWrapper() override = default;

    ComPtr<HostedControl> hosted_;
};

}  // namespace ole
