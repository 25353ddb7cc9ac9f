#include "tests/runtime/test_control.h"

#include "ole/bstr.h"
#include "ole/variant.h"
#include "tests/doubles/recording_sinks.h"

#include <gtest/gtest.h>

namespace runtime_tests {
namespace {

using doubles::EventSink;
using ole::Bstr;
using ole::ComPtr;

// A host's view of a control's outgoing interfaces.
class ConnectionPointTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_ITestControl, control.PutVoid()), S_OK);
        ASSERT_EQ(control.As(&container), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(DIID__TestControlEvents, events.Put()), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, notify.Put()), S_OK);
    }

    ComPtr<ITestControl> control;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> events;
    ComPtr<IConnectionPoint> notify;
};

TEST_F(ConnectionPointTest, OnlyTheTwoPointsAreOfferedAndEachKeepsTheControlAlive) {
    IConnectionPoint* sentinel = reinterpret_cast<IConnectionPoint*>(0x1);
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &sentinel), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(sentinel, nullptr);
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
    all.Reset();

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
    EXPECT_NE(firstCookie, secondCookie);
    EXPECT_EQ(first->RefCount(), 2u);

    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(events->EnumConnections(connections.Put()), S_OK);
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[0].dwCookie, firstCookie);
    EXPECT_EQ(first->RefCount(), 4u) << "connection, test, list of the enumerator, handed out";
    ComPtr<IUnknown>().Attach(data[0].pUnk);
    ComPtr<IUnknown>().Attach(data[1].pUnk);
    connections.Reset();

    EXPECT_EQ(events->Unadvise(0), CONNECT_E_NOCONNECTION);
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

TEST_F(ConnectionPointTest, EventsAndChangesReachEverySinkWithArgumentsInOrder) {
    auto first = EventSink::Create(DIID__TestControlEvents, "first sink");
    auto second = EventSink::Create(DIID__TestControlEvents, "second sink");
    auto firstNotify = doubles::PropertyNotifySink::Create("first notify sink");
    auto secondNotify = doubles::PropertyNotifySink::Create("second notify sink");
    DWORD cookies[4] = {};
    ASSERT_EQ(events->Advise(first.Get(), &cookies[0]), S_OK);
    ASSERT_EQ(events->Advise(second.Get(), &cookies[1]), S_OK);
    ASSERT_EQ(notify->Advise(firstNotify.Get(), &cookies[2]), S_OK);
    ASSERT_EQ(notify->Advise(secondNotify.Get(), &cookies[3]), S_OK);
    // The first sink spoils its arguments in place; the second still gets the originals.
    first->OnEvent([](DISPID, DISPPARAMS& parameters) {
        for (UINT i = 0; i < parameters.cArgs; ++i) VariantClear(&parameters.rgvarg[i]);
    });

    ASSERT_EQ(control->FireClicked(), S_OK);
    const Bstr name(L"Caption");
    ASSERT_EQ(control->FireChanged(name.Get(), ole::Variant(LONG{42}).Get()), S_OK);
    for (EventSink* sink : {first.Get(), second.Get()}) {
        ASSERT_EQ(sink->Events().size(), 2u) << sink->DoubleName();
        EXPECT_EQ(sink->Events()[0].id, 1);
        EXPECT_EQ(sink->Events()[1].id, 2);
        ASSERT_EQ(sink->Events()[1].arguments.size(), 2u);
        EXPECT_STREQ(V_BSTR(&sink->Events()[1].arguments[0].Get()), L"Caption");
        EXPECT_EQ(V_I4(&sink->Events()[1].arguments[1].Get()), 42);
    }
    ASSERT_EQ(control->put_Count(3), S_OK);
    EXPECT_EQ(firstNotify->ChangedIds(), std::vector<DISPID>{2});
    EXPECT_EQ(secondNotify->ChangedIds(), std::vector<DISPID>{2});
    EXPECT_EQ(events->Unadvise(cookies[0]), S_OK);
    EXPECT_EQ(events->Unadvise(cookies[1]), S_OK);
    EXPECT_EQ(notify->Unadvise(cookies[2]), S_OK);
    EXPECT_EQ(notify->Unadvise(cookies[3]), S_OK);
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

}  // namespace
}  // namespace runtime_tests
