#pragma once

#include "control/control_object.h"
#include "ole/com_ptr.h"
#include "ole/variant.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/doubles/fake_list.h"
#include "tests/doubles/fake_list_factory.h"
#include "tests/doubles/recording_sinks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// An Inspecta control as a host makes it, on a list double, with its events and its container
// notifications recorded, and a scriptable client object with three properties.
class ControlTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Makes the control (without initialising its properties) and advises the sinks.
    void MakeControl();
    // Makes the control as a newly placed one: InitNew.
    void MakeNewControl();
    // Drops the control, unadvising first, and lets go of everything the test holds of it.
    void DropControl();

    doubles::FakeList* List() const { return lists->Last(); }
    doubles::FakeItem* Item(const wchar_t* name) const;
    std::vector<DISPID> Notifications() const { return notifications->ChangedIds(); }
    // Invokes a member of the control late-bound by name, as a script does, and returns the
    // EXCEPINFO's numbers and texts through `exception`.
    HRESULT InvokeByName(const wchar_t* name, WORD kind, std::vector<VARIANT> arguments, ole::Variant* result,
                         EXCEPINFO* exception);

    ole::ComPtr<doubles::FakeListFactory> lists;
    ole::ComPtr<doubles::FakeAutomationObject> client = doubles::FakeAutomationObject::Create("client");
    ole::ComPtr<Inspecta> control;
    ole::ComPtr<doubles::EventSink> events;
    ole::ComPtr<doubles::PropertyNotifySink> notifications;

private:
    DWORD eventsCookie_ = 0;
    DWORD notificationsCookie_ = 0;
};
