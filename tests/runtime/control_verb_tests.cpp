#include "tests/runtime/test_control.h"

#include "ole/bstr.h"
#include "tests/doubles/recording_container.h"
#include "tests/doubles/recording_sinks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace runtime_tests {
namespace {

using doubles::AdviseSink;
using doubles::RecordingContainer;
using ole::ComPtr;

// The verbs and notifications of IOleObject as a container uses them on a sited control.
class ControlVerbTest : public testing::Test {
protected:
    void SetUp() override {
        TestControl::Journal().clear();
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_IOleObject, object.PutVoid()), S_OK);
        ASSERT_EQ(object.As(&inPlace), S_OK);
        container = RecordingContainer::Create();
        ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    }

    void TearDown() override {
        inPlace.Reset();
        EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
        EXPECT_EQ(object.Reset(), 0u);
    }

    long Shown() const {
        const auto& journal = TestControl::Journal();
        return static_cast<long>(std::count(journal.begin(), journal.end(), "Show"));
    }
    HRESULT Verb(LONG verb) { return object->DoVerb(verb, nullptr, container.Get(), 0, container->Window(), nullptr); }
    HWND Window() {
        HWND window = reinterpret_cast<HWND>(1);
        inPlace->GetWindow(&window);
        return window;
    }

    ComPtr<IOleObject> object;
    ComPtr<IOleInPlaceObject> inPlace;
    ComPtr<RecordingContainer> container;
};

TEST_F(ControlVerbTest, ShowIsDeliveredEachTimeTheControlBecomesVisible) {
    ASSERT_EQ(Verb(OLEIVERB_SHOW), S_OK);
    ASSERT_EQ(Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
    EXPECT_EQ(Shown(), 1) << "already visible";
    ASSERT_EQ(Verb(OLEIVERB_HIDE), S_OK);
    EXPECT_FALSE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VISIBLE);
    ASSERT_EQ(Verb(OLEIVERB_PRIMARY), S_OK);
    EXPECT_EQ(Shown(), 2);
    EXPECT_TRUE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(Verb(7), OLEOBJ_S_INVALIDVERB) << "an unknown positive verb acts as the primary one";
    EXPECT_EQ(Verb(-42), E_NOTIMPL);
}

TEST_F(ControlVerbTest, UIActivationAndDeactivationTellTheSiteOnce) {
    container->ClearCalls();
    ASSERT_EQ(Verb(OLEIVERB_UIACTIVATE), S_OK);
    const auto& calls = container->Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "OnUIActivate"), calls.end());
    container->ClearCalls();
    ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
    ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
    EXPECT_EQ(container->Calls(), std::vector<std::string>{"OnUIDeactivate"}) << "once only";
    container->ClearCalls();
    ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(container->Calls(), std::vector<std::string>{"OnInPlaceDeactivate"});
    EXPECT_EQ(Window(), nullptr) << "the window is gone";
}

TEST_F(ControlVerbTest, RefusedInPlaceActivationLeavesNoWindow) {
    container->RefuseInPlaceActivation();
    EXPECT_TRUE(FAILED(Verb(OLEIVERB_INPLACEACTIVATE)));
    EXPECT_EQ(Window(), nullptr);
    EXPECT_EQ(Shown(), 0);
}

TEST_F(ControlVerbTest, CloseSavesWhenAskedAndTellsAdviseSinks) {
    auto sink = AdviseSink::Create();
    DWORD cookie = 0;
    ASSERT_EQ(object->Advise(sink.Get(), &cookie), S_OK);
    ComPtr<ITestControl> control;
    ASSERT_EQ(object.As(&control), S_OK);
    ole::Bstr caption(L"dirty now");
    ASSERT_EQ(control->put_Caption(caption.Get()), S_OK);
    control.Reset();
    container->ClearCalls();
    ASSERT_EQ(object->Close(OLECLOSE_SAVEIFDIRTY), S_OK);
    EXPECT_EQ(container->Calls(), std::vector<std::string>{"SaveObject"});
    EXPECT_EQ(sink->Calls(), std::vector<std::string>{"OnClose"});
    container->ClearCalls();
    ASSERT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_TRUE(container->Calls().empty()) << "no save when told not to";
    EXPECT_EQ(object->Unadvise(cookie), S_OK);
    EXPECT_EQ(sink->RefCount(), 1u);
    EXPECT_EQ(object->Unadvise(cookie), OLE_E_NOCONNECTION);
}

TEST_F(ControlVerbTest, DescribesItselfToContainers) {
    LPOLESTR name = nullptr;
    ASSERT_EQ(object->GetUserType(USERCLASSTYPE_FULL, &name), S_OK);
    EXPECT_STREQ(name, L"TestControl") << "unregistered: the type library names it";
    CoTaskMemFree(name);
    SIZEL size{1000, 500};
    EXPECT_EQ(object->SetExtent(DVASPECT_ICON, &size), DV_E_DVASPECT);
    ComPtr<IViewObjectEx> view;
    ASSERT_EQ(object.As(&view), S_OK);
    const RECT bounds{0, 0, 10, 10};
    DWORD hit = 0;
    ASSERT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{5, 5}, 0, &hit), S_OK);
    EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_HIT));
    ASSERT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{15, 5}, 0, &hit), S_OK);
    EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_OUTSIDE));
}

TEST_F(ControlVerbTest, QuickActivationSurvivesSinksThatCannotConnect) {
    ComPtr<IQuickActivate> quick;
    ASSERT_EQ(object.As(&quick), S_OK);
    auto stranger = AdviseSink::Create("sink of neither interface");
    QACONTAINER host{};
    host.cbSize = sizeof(host);
    host.pClientSite = container.Get();
    host.pUnkEventSink = stranger.Get();
    host.pPropertyNotifySink = reinterpret_cast<IPropertyNotifySink*>(stranger.Get());
    QACONTROL answer{};
    answer.cbSize = sizeof(answer);
    ASSERT_EQ(quick->QuickActivate(&host, &answer), S_OK);
    EXPECT_EQ(answer.dwEventCookie, 0u);
    EXPECT_EQ(answer.dwPropNotifyCookie, 0u);
    EXPECT_EQ(stranger->RefCount(), 1u);
    answer.cbSize = 4;
    EXPECT_EQ(quick->QuickActivate(&host, &answer), E_INVALIDARG);
    EXPECT_EQ(quick->QuickActivate(nullptr, &answer), E_POINTER);
}

}  // namespace
}  // namespace runtime_tests
