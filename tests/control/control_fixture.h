#pragma once

#include "control/control_object.h"
#include "ole/com_object.h"
#include "ole/variant.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/doubles/fake_list_factory.h"
#include "tests/doubles/recording_sinks.h"
#include "tests/support/com_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// An Inspecta control as a host makes it, on a list double, with its events and its container
// notifications recorded, and a client object with three properties.
class ControlTest : public testing::Test {
protected:
    void SetUp() override {
        lists->SetCatalogue({{L"Caption"}, {L"Count"}, {L"Handle", true}, {L"Picture", false, 0}});
        client->SetProperty(L"Caption", ole::Variant(std::wstring_view(L"Hello")));
        client->SetProperty(L"Count", ole::Variant(LONG{7}));
        client->SetProperty(L"Handle", ole::Variant(LONG{99}), doubles::FakeAutomationObject::Access::ReadOnly);
    }
    void TearDown() override {
        control.Reset();
        lists->Revoke();
    }

    // Makes a control in place of the last one and connects the host's sinks; a new control is
    // initialised as newly placed.
    void MakeControl(bool isNew = true) {
        control.Reset();
        ASSERT_EQ(ole::MakeObject(control), S_OK);
        for (const auto& [iid, sink] : {std::pair<IID, IUnknown*>{DIID___Inspecta, events.Get()},
                                        {IID_IPropertyNotifySink, notifications.Get()}}) {
            ole::ComPtr<IConnectionPoint> point;
            DWORD cookie = 0;
            ASSERT_EQ(As<IConnectionPointContainer>()->FindConnectionPoint(iid, point.Put()), S_OK);
            ASSERT_EQ(point->Advise(sink, &cookie), S_OK);
        }
        if (isNew) {
            ASSERT_EQ(As<IPersistStreamInit>()->InitNew(), S_OK);
        }
    }
    template <typename Interface>
    ole::ComPtr<Interface> As() const { return support::QueryAs<Interface>(static_cast<_Inspecta*>(control.Get())); }
    doubles::FakeList* List() const { return lists->Last(); }
    doubles::FakeItem* Item(const wchar_t* name) const { return List()->Item(name); }
    std::wstring Value(const wchar_t* name) const { return doubles::Describe(Item(name)->value.Get()); }
    std::wstring Marker(const wchar_t* name) const { return doubles::Describe(Item(name)->modified.Get()); }

    ole::ComPtr<doubles::FakeListFactory> lists = doubles::FakeListFactory::Register(CLSID_Kavella);
    ole::ComPtr<doubles::FakeAutomationObject> client = doubles::FakeAutomationObject::Create("client");
    ole::ComPtr<doubles::EventSink> events = doubles::EventSink::Create(DIID___Inspecta, "host's event sink");
    ole::ComPtr<doubles::PropertyNotifySink> notifications = doubles::PropertyNotifySink::Create("container's sink");
    ole::ComPtr<Inspecta> control;
};
