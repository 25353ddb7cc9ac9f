#include "tests/runtime/test_control.h"

#include "ole/bstr.h"
#include "ole/variant.h"
#include "tests/doubles/recording_sinks.h"

#include <gtest/gtest.h>

namespace runtime_tests {
namespace {

using doubles::EventSink;
using doubles::PropertyNotifySink;
using ole::Bstr;
using ole::ComPtr;
using ole::Variant;

// A host's view of a control's outgoing interfaces.
class ConnectionPointTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_ITestControl, control.PutVoid()), S_OK);
        ASSERT_EQ(control.As(&container), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(DIID__TestControlEvents, events.Put()), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, notify.Put()), S_OK);
    }

    HRESULT FireChanged(const wchar_t* name, LONG value) {
        Bstr text(name);
        VARIANT v;
        V_VT(&v) = VT_I4;
        V_I4(&v) = value;
        return control->FireChanged(text.Get(), v);
    }

    ComPtr<ITestControl> control;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> events;
    ComPtr<IConnectionPoint> notify;
};

TEST_F(ConnectionPointTest, ContainerOffersTheSourceInterfaceAndPropertyNotification) {
    IConnectionPoint* sentinel = reinterpret_cast<IConnectionPoint*>(0x1);
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &sentinel), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(sentinel, nullptr);
    EXPECT_EQ(container->FindConnectionPoint(DIID__TestControlEvents, nullptr), E_POINTER);

    IID iid{};
    ASSERT_EQ(events->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, DIID__TestControlEvents);
    ComPtr<IConnectionPointContainer> back;
    ASSERT_EQ(notify->GetConnectionPointContainer(back.Put()), S_OK);
    EXPECT_EQ(back, container);

    ComPtr<IEnumConnectionPoints> all;
    ASSERT_EQ(container->EnumConnectionPoints(all.Put()), S_OK);
    IConnectionPoint* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(all->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(got[0], events.Get());
    EXPECT_EQ(got[1], notify.Get());
    ComPtr<IConnectionPoint>().Attach(got[0]);
    ComPtr<IConnectionPoint>().Attach(got[1]);
    ComPtr<IEnumConnectionPoints> clone;
    ASSERT_EQ(all->Reset(), S_OK);
    ASSERT_EQ(all->Skip(1), S_OK);
    ASSERT_EQ(all->Clone(clone.Put()), S_OK);
    ComPtr<IConnectionPoint> second;
    ASSERT_EQ(clone->Next(1, second.Put(), nullptr), S_OK);
    EXPECT_EQ(second, notify);
    EXPECT_EQ(clone->Skip(1), S_FALSE);
}

TEST_F(ConnectionPointTest, HoldingAConnectionPointKeepsTheControlAlive) {
    const long live = ole::Module::ObjectCount();
    control.Reset();
    container.Reset();
    notify.Reset();
    EXPECT_EQ(ole::Module::ObjectCount(), live);
    ComPtr<IConnectionPointContainer> back;
    ASSERT_EQ(events->GetConnectionPointContainer(back.Put()), S_OK);
    back.Reset();
    EXPECT_EQ(events.Reset(), 0u);
    EXPECT_EQ(ole::Module::ObjectCount(), live - 1);
}

TEST_F(ConnectionPointTest, AdviseQueriesTheSinkAndGivesUniqueCookies) {
    auto wrongKind = EventSink::Create(IID_IPropertyNotifySink, "sink of another interface");
    DWORD cookie = 77;
    EXPECT_EQ(events->Advise(wrongKind.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(wrongKind->RefCount(), 1u);
    EXPECT_EQ(events->Advise(nullptr, &cookie), E_POINTER);

    auto first = EventSink::Create(DIID__TestControlEvents, "first sink");
    auto second = EventSink::Create(DIID__TestControlEvents, "second sink");
    DWORD firstCookie = 0, secondCookie = 0;
    ASSERT_EQ(events->Advise(first.Get(), &firstCookie), S_OK);
    ASSERT_EQ(events->Advise(second.Get(), &secondCookie), S_OK);
    EXPECT_NE(firstCookie, 0u);
    EXPECT_NE(secondCookie, 0u);
    EXPECT_NE(firstCookie, secondCookie);
    EXPECT_EQ(first->RefCount(), 2u);

    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(events->EnumConnections(connections.Put()), S_OK);
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[0].dwCookie, firstCookie);
    EXPECT_EQ(data[1].dwCookie, secondCookie);
    EXPECT_EQ(first->RefCount(), 4u) << "connection, test, list of the enumerator, handed out";
    ComPtr<IUnknown>().Attach(data[0].pUnk);
    ComPtr<IUnknown>().Attach(data[1].pUnk);
    connections.Reset();

    EXPECT_EQ(events->Unadvise(0), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(events->Unadvise(firstCookie + secondCookie + 100), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(notify->Unadvise(firstCookie), CONNECT_E_NOCONNECTION) << "cookies belong to their point";
    EXPECT_EQ(events->Unadvise(firstCookie), S_OK);
    EXPECT_EQ(first->RefCount(), 1u);
    EXPECT_EQ(events->Unadvise(firstCookie), CONNECT_E_NOCONNECTION);

    // A new connection never reuses a cookie given before.
    DWORD third = 0;
    ASSERT_EQ(events->Advise(first.Get(), &third), S_OK);
    EXPECT_NE(third, firstCookie);
    EXPECT_NE(third, secondCookie);
    // The control's death releases the sinks still connected.
    events.Reset();
    notify.Reset();
    container.Reset();
    EXPECT_EQ(control.Reset(), 0u);
    EXPECT_EQ(first->RefCount(), 1u);
    EXPECT_EQ(second->RefCount(), 1u);
}

TEST_F(ConnectionPointTest, EventsReachEverySinkWithArgumentsInOrder) {
    auto first = EventSink::Create(DIID__TestControlEvents, "first sink");
    auto second = EventSink::Create(DIID__TestControlEvents, "second sink");
    DWORD cookies[2] = {};
    ASSERT_EQ(events->Advise(first.Get(), &cookies[0]), S_OK);
    ASSERT_EQ(events->Advise(second.Get(), &cookies[1]), S_OK);
    // The first sink spoils its arguments in place; the second still gets the originals.
    first->OnEvent([](DISPID, DISPPARAMS& parameters) {
        for (UINT i = 0; i < parameters.cArgs; ++i) VariantClear(&parameters.rgvarg[i]);
    });

    ASSERT_EQ(control->FireClicked(), S_OK);
    ASSERT_EQ(FireChanged(L"Caption", 42), S_OK);

    for (EventSink* sink : {first.Get(), second.Get()}) {
        ASSERT_EQ(sink->Events().size(), 2u) << sink->DoubleName();
        EXPECT_EQ(sink->Events()[0].id, 1);
        EXPECT_TRUE(sink->Events()[0].arguments.empty());
        EXPECT_EQ(sink->Events()[1].id, 2);
        ASSERT_EQ(sink->Events()[1].arguments.size(), 2u);
        EXPECT_EQ(sink->Events()[1].arguments[0].Type(), VT_BSTR);
        EXPECT_STREQ(V_BSTR(&sink->Events()[1].arguments[0].Get()), L"Caption");
        EXPECT_EQ(V_I4(&sink->Events()[1].arguments[1].Get()), 42);
    }
    EXPECT_EQ(events->Unadvise(cookies[0]), S_OK);
    EXPECT_EQ(events->Unadvise(cookies[1]), S_OK);
}

TEST_F(ConnectionPointTest, SinkThatUnadvisesOrReleasesTheControlDuringAnEventIsHarmless) {
    auto leaving = EventSink::Create(DIID__TestControlEvents, "sink that leaves");
    auto staying = EventSink::Create(DIID__TestControlEvents, "sink that stays");
    DWORD leavingCookie = 0, stayingCookie = 0;
    ASSERT_EQ(events->Advise(leaving.Get(), &leavingCookie), S_OK);
    ASSERT_EQ(events->Advise(staying.Get(), &stayingCookie), S_OK);
    // The leaving sink unadvises itself and the other one, then drops every host reference.
    ITestControl* raw = control.Get();
    leaving->OnEvent([&](DISPID, DISPPARAMS&) {
        EXPECT_EQ(events->Unadvise(leavingCookie), S_OK);
        EXPECT_EQ(events->Unadvise(stayingCookie), S_OK);
        events.Reset();
        notify.Reset();
        container.Reset();
        control.Reset();
    });
    const long live = ole::Module::ObjectCount();
    EXPECT_EQ(raw->FireClicked(), S_OK);
    // The snapshot still reached the second sink, and the control died after the event.
    EXPECT_EQ(staying->Events().size(), 1u);
    EXPECT_EQ(ole::Module::ObjectCount(), live - 1);
    EXPECT_EQ(leaving->RefCount(), 1u);
    EXPECT_EQ(staying->RefCount(), 1u);
}

TEST_F(ConnectionPointTest, PropertyNotificationReachesEverySink) {
    auto first = PropertyNotifySink::Create("first notify sink");
    auto second = PropertyNotifySink::Create("second notify sink");
    DWORD cookies[2] = {};
    ASSERT_EQ(notify->Advise(first.Get(), &cookies[0]), S_OK);
    ASSERT_EQ(notify->Advise(second.Get(), &cookies[1]), S_OK);
    ASSERT_EQ(control->NotifyChanged(7), S_OK);
    ASSERT_EQ(control->NotifyChanged(-514), S_OK);
    EXPECT_EQ(first->ChangedIds(), (std::vector<DISPID>{7, -514}));
    EXPECT_EQ(second->ChangedIds(), (std::vector<DISPID>{7, -514}));
    EXPECT_EQ(notify->Unadvise(cookies[0]), S_OK);
    EXPECT_EQ(notify->Unadvise(cookies[1]), S_OK);
}

}  // namespace
}  // namespace runtime_tests
