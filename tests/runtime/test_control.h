#pragma once

#include "ole/class_info.h"
#include "ole/com_object.h"
#include "ole/connection_point.h"
#include "ole/connection_point_container.h"
#include "ole/dispatch_impl.h"

#include "test_control_h.h"

#include <span>
#include <string>

namespace runtime_tests {

inline constexpr wchar_t kTestControlSource[] = L"RuntimeTests.TestControl";

// A small control built on the runtime, as a real control is: its automation surface comes from
// the test type library, its events go out through connection points.
class TestControl final
    : public ole::ComObject<TestControl, ole::DispatchImpl<ITestControl>, ole::ProvideClassInfoImpl<TestControl>,
                            ole::SupportErrorInfoImpl<ITestControl>,
                            ole::ConnectionPointContainerImpl<TestControl>> {
public:
    TestControl() noexcept;

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;
    static const CLSID& ClassId() noexcept { return CLSID_TestControl; }
    static const IID& DefaultSourceId() noexcept { return DIID__TestControlEvents; }
    std::span<ole::ConnectionPoint* const> ConnectionPoints() noexcept { return points_; }

    // ITestControl
    IFACEMETHODIMP get_Caption(BSTR* value) override;
    IFACEMETHODIMP put_Caption(BSTR value) override;
    IFACEMETHODIMP get_Count(LONG* value) override;
    IFACEMETHODIMP put_Count(LONG value) override;
    IFACEMETHODIMP Raise(LONG number, BSTR source, BSTR description) override;
    IFACEMETHODIMP FireClicked() override;
    IFACEMETHODIMP FireChanged(BSTR name, VARIANT value) override;
    IFACEMETHODIMP NotifyChanged(LONG id) override;

private:
    ~TestControl() override = default;

    ole::ConnectionPoint events_;
    ole::ConnectionPoint propertyNotify_;
    ole::ConnectionPoint* points_[2];
    std::wstring caption_;
    LONG count_ = 0;
};

}  // namespace runtime_tests
