// The GUIDs of the test library are defined here, once.
#include <initguid.h>

#include "tests/runtime/test_control.h"

#include "ole/automation_error.h"
#include "ole/bstr.h"

namespace runtime_tests {

TestControl::TestControl() noexcept
    : events_(static_cast<IConnectionPointContainer*>(this), DIID__TestControlEvents),
      propertyNotify_(static_cast<IConnectionPointContainer*>(this), IID_IPropertyNotifySink),
      points_{&events_, &propertyNotify_} {}

std::span<const ole::InterfaceEntry> TestControl::InterfaceTable() noexcept {
    static constexpr ole::InterfaceEntry table[] = {
        ole::Implements<TestControl, ITestControl>(),
        ole::Implements<TestControl, IDispatch, ITestControl>(),
        ole::Implements<TestControl, IProvideClassInfo2>(),
        ole::Implements<TestControl, IProvideClassInfo, IProvideClassInfo2>(),
        ole::Implements<TestControl, ISupportErrorInfo>(),
        ole::Implements<TestControl, IConnectionPointContainer>(),
    };
    return table;
}

HRESULT TestControl::get_Caption(BSTR* value) {
    if (!value) return E_POINTER;
    *value = SysAllocStringLen(caption_.data(), static_cast<UINT>(caption_.size()));
    return *value ? S_OK : E_OUTOFMEMORY;
}

HRESULT TestControl::put_Caption(BSTR value) {
    return ole::Guarded([&] {
        caption_.assign(value ? value : L"", SysStringLen(value));
        return S_OK;
    });
}

HRESULT TestControl::get_Count(LONG* value) {
    if (!value) return E_POINTER;
    *value = count_;
    return S_OK;
}

HRESULT TestControl::put_Count(LONG value) {
    // A plain failure with no error info of its own, as a careless method returns one.
    if (value < 0) return E_INVALIDARG;
    count_ = value;
    return S_OK;
}

HRESULT TestControl::Raise(LONG number, BSTR source, BSTR description) {
    return ole::RaiseAutomationError(number, source, description, IID_ITestControl);
}

HRESULT TestControl::FireClicked() {
    const ole::ComPtr<IUnknown> self(static_cast<ITestControl*>(this));
    return ole::FireDispatchEvent(events_, 1);
}

HRESULT TestControl::FireChanged(BSTR name, VARIANT value) {
    const ole::ComPtr<IUnknown> self(static_cast<ITestControl*>(this));
    VARIANT arguments[2];
    V_VT(&arguments[0]) = VT_BSTR;
    V_BSTR(&arguments[0]) = name;
    arguments[1] = value;
    return ole::FireDispatchEvent(events_, 2, arguments);
}

HRESULT TestControl::NotifyChanged(LONG id) {
    const ole::ComPtr<IUnknown> self(static_cast<ITestControl*>(this));
    ole::NotifyPropertyChanged(propertyNotify_, id);
    return S_OK;
}

}  // namespace runtime_tests
