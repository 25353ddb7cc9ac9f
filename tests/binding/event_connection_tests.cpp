#include "ole/event_connection.h"

#include "innerlist/kavella_events.h"
#include "tests/doubles/fake_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using doubles::FakeList;
using ole::ComPtr;

struct ReceivedEvent {
    UINT position;
    std::vector<VARTYPE> argumentTypes;  // natural order
};

class RecordingReceiver : public ole::EventReceiver {
public:
    std::vector<ReceivedEvent> received;
    std::function<void()> duringEvent;

    HRESULT OnEvent(UINT position, DISPPARAMS& parameters) override {
        ReceivedEvent event{position, {}};
        for (UINT i = parameters.cArgs; i-- > 0;) event.argumentTypes.push_back(V_VT(&parameters.rgvarg[i]));
        received.push_back(event);
        if (duringEvent) duringEvent();
        return S_OK;
    }
};

TEST(EventPositionsTest, AreReadFromTheListsOwnTypeInformation) {
    ComPtr<FakeList> list = FakeList::Create();
    std::vector<DISPID> ids;
    ASSERT_EQ(ole::ResolveEventPositions(static_cast<_Kavella*>(list.Get()), DIID___Kavella, ids), S_OK);
    ASSERT_EQ(ids.size(), 61u);
    EXPECT_EQ(ids[kavella_events::kRequestRefresh], 1);
    EXPECT_EQ(ids[kavella_events::kItemChanged], 4);
    EXPECT_EQ(ids[kavella_events::kKeyDown], -602);
    EXPECT_EQ(ids[1], -600) << "Click, a stock event";
}

class EventConnectionTest : public testing::Test {
protected:
    ComPtr<FakeList> list = FakeList::Create();
    RecordingReceiver receiver;
    IUnknown* Source() const { return static_cast<_Kavella*>(list.Get()); }
};

TEST_F(EventConnectionTest, DeliversEventsByPositionUntilDisconnected) {
    ole::EventConnection connection;
    ASSERT_EQ(connection.Connect(Source(), DIID___Kavella, receiver), S_OK);
    EXPECT_EQ(list->SinkCount(), 1u);

    SHORT keyCode = 116;
    VARIANT key;
    V_VT(&key) = VT_I2 | VT_BYREF;
    V_I2REF(&key) = &keyCode;
    VARIANT shift;
    V_VT(&shift) = VT_I2;
    V_I2(&shift) = 1;
    list->RaiseEvent(L"KeyDown", {key, shift});
    list->RaiseEvent(L"RequestRefresh");
    ASSERT_EQ(receiver.received.size(), 2u);
    EXPECT_EQ(receiver.received[0].position, kavella_events::kKeyDown);
    EXPECT_EQ(receiver.received[0].argumentTypes, (std::vector<VARTYPE>{VT_I2 | VT_BYREF, VT_I2}));
    EXPECT_EQ(receiver.received[1].position, kavella_events::kRequestRefresh);

    connection.Disconnect();
    EXPECT_EQ(list->SinkCount(), 0u);
    EXPECT_EQ(list->LogStartingWith(L"Unadvise").size(), 1u);
    list->RaiseEvent(L"RequestRefresh");
    EXPECT_EQ(receiver.received.size(), 2u);
}

TEST_F(EventConnectionTest, AReceiverMayDisconnectDuringItsOwnEvent) {
    auto connection = std::make_unique<ole::EventConnection>();
    ASSERT_EQ(connection->Connect(Source(), DIID___Kavella, receiver), S_OK);
    receiver.duringEvent = [&] { connection.reset(); };
    list->RaiseEvent(L"Click");
    EXPECT_EQ(receiver.received.size(), 1u);
    EXPECT_EQ(list->SinkCount(), 0u);
}

TEST_F(EventConnectionTest, ASourceWithoutThoseEventsIsRefused) {
    ole::EventConnection connection;
    EXPECT_TRUE(FAILED(connection.Connect(Source(), IID_IPropertyNotifySink, receiver)));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(list->SinkCount(), 0u);
}

}  // namespace
