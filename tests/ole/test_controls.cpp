// The test library's GUIDs are defined here, once; the system's are already in their libraries.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <initguid.h>

#include "tests/ole/test_controls.h"

#include "ole/arguments.h"
#include "ole/automation_error.h"
#include "ole/late_bound.h"

std::span<const ole::InterfaceEntry> TestControl::InterfaceTable() noexcept {
    using ole::Implements;
    static constexpr auto table = ole::JoinInterfaceTables(
        std::array{Implements<TestControl, ITestControl>(), Implements<TestControl, IDispatch, ITestControl>(),
                   Implements<TestControl, IProvideClassInfo2>(), Implements<TestControl, ISupportErrorInfo>(),
                   Implements<TestControl, IProvideClassInfo, IProvideClassInfo2>()},
        ole::ControlInterfaces<TestControl>());
    return table;
}

HRESULT TestControl::InitProperties() {
    Note("InitProperties");
    ole::ComPtr<IFontDisp> ambient;
    if (SUCCEEDED(AmbientFont(ambient))) font_ = ambient;
    return S_OK;
}

HRESULT TestControl::ReadProperties(IPropertyBag* bag) {
    Note("ReadProperties");
    ole::Variant count;
    RETURN_IF_FAILED(ole::ReadBagValue(bag, L"Count", VT_I4, ole::Variant(LONG{0}).Get(), count));
    count_ = V_I4(&count.Get());
    return S_OK;
}

void TestControl::Paint(HDC dc, const RECT& bounds) {
    HBRUSH brush = CreateSolidBrush(kPaintColour);
    FillRect(dc, &bounds, brush);
    DeleteObject(brush);
}

HRESULT TestControl::put_Count(LONG value) {
    // A plain failure with no error info of its own, as a careless method returns one.
    if (value < 0) return E_INVALIDARG;
    count_ = value;
    PropertyChanged(2);
    return S_OK;
}

HRESULT TestControl::Raise(LONG number, BSTR source, BSTR description) {
    return ole::RaiseAutomationError(number, source, description, IID_ITestControl);
}

HRESULT TestControl::FireChanged(BSTR name, VARIANT value) {
    const VARIANT arguments[] = {ole::TextArgument(name), value};
    return FireEvent(2, arguments);
}

HRESULT ParentControl::FinalConstruct() noexcept {
    RETURN_IF_FAILED(AddChildControl(CLSID_TestControl, wrapper_));
    return StartControl();
}

void ParentControl::Resize() {
    const SIZE size = ClientSize();
    // The child covers the whole control: left a single, the others variants.
    const VARIANT arguments[] = {ole::FloatArgument(0.0f), ole::ShortArgument(0),
                                 ole::FloatArgument(static_cast<float>(size.cx)),
                                 ole::FloatArgument(static_cast<float>(size.cy))};
    ole::CallMethod(wrapper_.Get(), L"Move", arguments, nullptr);
}
