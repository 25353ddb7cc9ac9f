#pragma once

#include "ole/class_info.h"
#include "ole/com_object.h"
#include "ole/control.h"
#include "ole/dispatch_impl.h"

#include "test_control_h.h"

#include <span>
#include <string>
#include <vector>

namespace runtime_tests {

// A small control built on the runtime, as a real control is: its automation surface comes from
// the test type library, its events go out through connection points, and every lifecycle
// notification it receives is written to its journal.
class TestControl final
    : public ole::ComObject<TestControl, ole::DispatchImpl<ITestControl>, ole::ProvideClassInfoImpl<TestControl>,
                            ole::SupportErrorInfoImpl<ITestControl>, ole::ControlOf<TestControl>> {
public:
    static constexpr COLORREF kPaintColour = RGB(10, 200, 30);

    TestControl() noexcept = default;
    HRESULT FinalConstruct() noexcept { return StartControl(); }

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;
    static const CLSID& ClassId() noexcept { return CLSID_TestControl; }
    static const IID& DefaultSourceId() noexcept { return DIID__TestControlEvents; }

    // Every notification of every test control since it was cleared, in order. Controls live in
    // several apartments in one test, so entries are added under a lock.
    static std::vector<std::string>& Journal();
    static void Note(std::string entry);

    // ITestControl
    IFACEMETHODIMP get_Caption(BSTR* value) override;
    IFACEMETHODIMP put_Caption(BSTR value) override;
    IFACEMETHODIMP get_Count(LONG* value) override;
    IFACEMETHODIMP put_Count(LONG value) override;
    IFACEMETHODIMP Raise(LONG number, BSTR source, BSTR description) override;
    IFACEMETHODIMP FireClicked() override;
    IFACEMETHODIMP FireChanged(BSTR name, VARIANT value) override;
    IFACEMETHODIMP get_Font(IFontDisp** value) override;
    IFACEMETHODIMP putref_Font(IFontDisp* value) override;

private:
    ~TestControl() override { EndControl(); }

    HRESULT Initialize() override;
    HRESULT InitProperties() override;
    HRESULT ReadProperties(IPropertyBag* bag) override;
    HRESULT WriteProperties(IPropertyBag* bag) override;
    void Resize() override;
    void Show() override;
    void Terminate() override;
    void Paint(HDC dc, const RECT& bounds) override;

    std::wstring caption_;
    LONG count_ = 0;
    ole::ComPtr<IFontDisp> font_;
};

}  // namespace runtime_tests
