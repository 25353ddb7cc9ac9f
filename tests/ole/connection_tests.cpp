#include "ole/event_connection.h"
#include "ole/property_notify_connection.h"
#include "tests/doubles/recording_sinks.h"
#include "tests/ole/test_controls.h"
#include "tests/support/com_helpers.h"

#include <functional>
#include <memory>

namespace {

using doubles::EventSink;
using ole::ComPtr;

// An event's arguments as text, each with its type: "Caption/8;42/3;".
std::wstring Texts(const EventSink::Event& event) {
    std::wstring texts;
    for (const auto& value : event.arguments) {
        texts += ole::TextOf(value.Get()).value_or(L"?") + L"/" + std::to_wstring(value.Type()) + L";";
    }
    return texts;
}

// A host's view of a control's outgoing interfaces, with two sinks connected to its events.
class ConnectionPointTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_ITestControl, control.PutVoid()), S_OK);
        ASSERT_EQ(control.As(&container), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(DIID__TestControlEvents, events.Put()), S_OK);
        ASSERT_EQ(events->Advise(first.Get(), &cookies[0]), S_OK);
        ASSERT_EQ(events->Advise(second.Get(), &cookies[1]), S_OK);
    }

    ComPtr<ITestControl> control;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> events;
    ComPtr<EventSink> first = EventSink::Create(DIID__TestControlEvents, "first sink");
    ComPtr<EventSink> second = EventSink::Create(DIID__TestControlEvents, "second sink");
    DWORD cookies[2] = {};
};

TEST_F(ConnectionPointTest, PointsKeepTheControlAliveAndNeverReuseACookie) {
    IConnectionPoint* sentinel = reinterpret_cast<IConnectionPoint*>(0x1);
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &sentinel), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(sentinel, nullptr);
    auto wrongKind = EventSink::Create(IID_IPropertyNotifySink, "sink of another interface");
    DWORD cookie = 77;
    EXPECT_EQ(events->Advise(wrongKind.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(events->EnumConnections(connections.Put()), S_OK);
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[0].dwCookie, cookies[0]);
    EXPECT_EQ(first->RefCount(), 4u) << "connection, test, list of the enumerator, handed out";
    for (const CONNECTDATA& connection : {data[0], data[1]}) ComPtr<IUnknown>().Attach(connection.pUnk);
    connections.Reset();
    EXPECT_EQ(events->Unadvise(cookies[0]), S_OK);
    EXPECT_EQ(first->RefCount(), 1u);
    EXPECT_EQ(events->Unadvise(cookies[0]), CONNECT_E_NOCONNECTION);
    DWORD third = 0;
    ASSERT_EQ(events->Advise(first.Get(), &third), S_OK);
    EXPECT_TRUE(third != cookies[0] && third != cookies[1]) << "a new connection never reuses a cookie";

    // Only the last reference, held through a point, ends the control and its connections.
    const long live = ole::Module::ObjectCount();
    control.Reset();
    container.Reset();
    EXPECT_EQ(ole::Module::ObjectCount(), live);
    EXPECT_EQ(events.Reset(), 0u);
    EXPECT_EQ(ole::Module::ObjectCount(), live - 1);
}

TEST_F(ConnectionPointTest, EverySinkGetsItsOwnArgumentsAndOneMayTearEverythingDownDuringTheEvent) {
    first->OnEvent([](DISPID, DISPPARAMS& parameters) {
        for (UINT i = 0; i < parameters.cArgs; ++i) VariantClear(&parameters.rgvarg[i]);
    });
    const ole::Bstr name(L"Caption");
    ASSERT_EQ(control->FireChanged(name.Get(), ole::Variant(LONG{42}).Get()), S_OK);
    ASSERT_EQ(second->Events().size(), 1u);
    EXPECT_EQ(Texts(second->Events()[0]), L"Caption/8;42/3;");

    ITestControl* raw = control.Get();
    first->OnEvent([&](DISPID, DISPPARAMS&) {
        EXPECT_EQ(events->Unadvise(cookies[0]), S_OK);
        EXPECT_EQ(events->Unadvise(cookies[1]), S_OK);
        events.Reset();
        container.Reset();
        control.Reset();
    });
    const long live = ole::Module::ObjectCount();
    EXPECT_EQ(raw->FireClicked(), S_OK);
    EXPECT_EQ(second->Events().size(), 2u) << "the snapshot still reached the second sink";
    EXPECT_EQ(ole::Module::ObjectCount(), live - 1) << "the control died after the event";
}

// Arguments given away reach a lone sink as they are, with no copy made; with two sinks each gets
// copies, so what the first leaves in its slots does not reach the second.
TEST(GivenEventArgumentsTest, ALoneSinkIsHandedThemAndSeveralSinksGetCopies) {
    const ComPtr<EventSink> owner = EventSink::Create(DIID__TestControlEvents, "point's owner");
    ole::ConnectionPoint point(owner.Get(), DIID__TestControlEvents);
    const ComPtr<EventSink> sinks[] = {EventSink::Create(DIID__TestControlEvents, "first sink"),
                                       EventSink::Create(DIID__TestControlEvents, "second sink")};
    std::vector<BSTR> handed;
    sinks[0]->OnEvent([&](DISPID, DISPPARAMS& parameters) {
        handed.push_back(V_BSTR(&parameters.rgvarg[1]));
        VariantClear(&parameters.rgvarg[1]);
    });
    DWORD cookie = 0;
    for (const ComPtr<EventSink>& sink : sinks) {
        ASSERT_EQ(point.Advise(sink.Get(), &cookie), S_OK);
        ole::Variant given[] = {ole::Variant(std::wstring_view(L"Caption")), ole::Variant(LONG{42})};
        const BSTR name = V_BSTR(&given[0].Get());
        ASSERT_EQ(ole::FireDispatchEventGiving(point, 2, given), S_OK);
        EXPECT_EQ(handed.back() == name, sink == sinks[0]) << "handed over to a lone sink only";
    }
    EXPECT_EQ(Texts(sinks[1]->Events().at(0)), L"Caption/8;42/3;");
    EXPECT_EQ(Texts(sinks[0]->Events().at(0)), L"Caption/8;42/3;") << "in natural order";
    point.DisconnectAll();
}

// The first subscription ends the second inside an event the source is already delivering to
// both; connecting again replaces a subscription rather than adding one.
TEST_F(ConnectionPointTest, AnEndedSubscriptionHearsNothingMoreEvenOfAnEventUnderWay) {
    struct Receiver final : ole::EventReceiver {
        HRESULT OnEvent(UINT, DISPPARAMS&) override {
            ++heard;
            if (inside) inside();
            return S_OK;
        }
        std::function<void()> inside;
        int heard = 0;
    } ending, ended;
    ole::EventConnection one, two;
    for (int twice = 0; twice < 2; ++twice) {
        ASSERT_EQ(one.Connect(control.Get(), DIID__TestControlEvents, ending), S_OK);
    }
    ASSERT_EQ(two.Connect(control.Get(), DIID__TestControlEvents, ended), S_OK);
    ending.inside = [&] { two.Disconnect(); };
    ASSERT_EQ(control->FireClicked(), S_OK);
    EXPECT_EQ(ending.heard, 1);
    EXPECT_EQ(ended.heard, 0);
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(events->EnumConnections(connections.Put()), S_OK);
    CONNECTDATA data[4] = {};
    ULONG fetched = 0;
    connections->Next(4, data, &fetched);
    for (ULONG i = 0; i < fetched; ++i) ComPtr<IUnknown>().Attach(data[i].pUnk);
    EXPECT_EQ(fetched, 3u) << "the fixture's sinks and the first subscription; the ended one is gone";
}

TEST(PropertyNotifyConnectionTest, ReportsChangesUntilDisconnectedEvenFromItsOwnCallback) {
    auto font = support::QueryAs<IFont>(support::MakeFont(L"Tahoma", 8));
    std::vector<DISPID> changes;
    auto connection = std::make_unique<ole::PropertyNotifyConnection>();
    ASSERT_EQ(connection->Connect(font.Get(),
                                  [&](DISPID id) {
                                      changes.push_back(id);
                                      if (id == DISPID_FONT_SIZE) connection.reset();
                                  }),
              S_OK);
    font->put_Bold(TRUE);
    font->put_Size({120000, 0});
    font->put_Italic(TRUE);
    EXPECT_EQ(changes, (std::vector<DISPID>{DISPID_FONT_BOLD, DISPID_FONT_SIZE}));

    ole::PropertyNotifyConnection plain;
    EXPECT_EQ(plain.Connect(support::StreamOf({}).Get(), [](DISPID) {}), E_NOINTERFACE);
    EXPECT_FALSE(plain.IsConnected());
}

}  // namespace
