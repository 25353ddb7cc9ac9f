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
        container = RecordingContainer::Create();
        ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    }

    void TearDown() override {
        if (!object) return;
        EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
        EXPECT_EQ(object.Reset(), 0u);
    }

    long Count(const std::string& entry) const {
        const auto& journal = TestControl::Journal();
        return static_cast<long>(std::count(journal.begin(), journal.end(), entry));
    }

    HRESULT Verb(LONG verb) {
        return object->DoVerb(verb, nullptr, container.Get(), 0, container->Window(), nullptr);
    }

    ComPtr<IOleObject> object;
    ComPtr<RecordingContainer> container;
};

TEST_F(ControlVerbTest, ShowIsDeliveredEachTimeTheControlBecomesVisible) {
    ASSERT_EQ(Verb(OLEIVERB_SHOW), S_OK);
    ASSERT_EQ(Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
    EXPECT_EQ(Count("Show"), 1) << "already visible";
    ASSERT_EQ(Verb(OLEIVERB_HIDE), S_OK);
    HWND window = nullptr;
    ComPtr<IOleWindow> oleWindow;
    ASSERT_EQ(object.As(&oleWindow), S_OK);
    ASSERT_EQ(oleWindow->GetWindow(&window), S_OK);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE);
    ASSERT_EQ(Verb(OLEIVERB_PRIMARY), S_OK);
    EXPECT_EQ(Count("Show"), 2);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(Verb(7), OLEOBJ_S_INVALIDVERB) << "an unknown positive verb acts as the primary one";
    EXPECT_EQ(Verb(-42), E_NOTIMPL);
    oleWindow.Reset();
}

TEST_F(ControlVerbTest, UIActivationAndDeactivationTellTheSite) {
    container->ClearCalls();
    ASSERT_EQ(Verb(OLEIVERB_UIACTIVATE), S_OK);
    const auto& calls = container->Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "OnUIActivate"), calls.end());
    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(object.As(&inPlace), S_OK);
    container->ClearCalls();
    ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
    ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
    EXPECT_EQ(container->Calls(), std::vector<std::string>{"OnUIDeactivate"}) << "once only";
    container->ClearCalls();
    ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(container->Calls(), std::vector<std::string>{"OnInPlaceDeactivate"});
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(inPlace->GetWindow(&window), E_FAIL);
    EXPECT_EQ(window, nullptr);
    inPlace.Reset();
}

TEST_F(ControlVerbTest, RefusedInPlaceActivationLeavesNoWindow) {
    container->RefuseInPlaceActivation();
    EXPECT_TRUE(FAILED(Verb(OLEIVERB_INPLACEACTIVATE)));
    ComPtr<IOleWindow> window;
    ASSERT_EQ(object.As(&window), S_OK);
    HWND handle = nullptr;
    EXPECT_EQ(window->GetWindow(&handle), E_FAIL);
    EXPECT_EQ(Count("Show"), 0);
}

TEST_F(ControlVerbTest, CloseSavesWhenAskedAndTellsAdviseSinks) {
    auto sink = AdviseSink::Create();
    DWORD cookie = 0;
    ASSERT_EQ(object->Advise(sink.Get(), &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    ComPtr<IEnumSTATDATA> advises;
    ASSERT_EQ(object->EnumAdvise(advises.Put()), S_OK);
    advises.Reset();

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
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(object.As(&persist), S_OK);
    ASSERT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_TRUE(container->Calls().empty()) << "no save when told not to";
    persist.Reset();
    EXPECT_EQ(object->Unadvise(cookie), S_OK);
    EXPECT_EQ(sink->RefCount(), 1u);
    EXPECT_EQ(object->Unadvise(cookie), OLE_E_NOCONNECTION);
}

TEST_F(ControlVerbTest, DescribesItselfToContainers) {
    ComPtr<IEnumOLEVERB> verbs;
    ASSERT_EQ(object->EnumVerbs(verbs.Put()), S_OK);
    OLEVERB verb[8] = {};
    ULONG fetched = 0;
    EXPECT_EQ(verbs->Next(8, verb, &fetched), S_FALSE);
    ASSERT_GE(fetched, 1u);
    EXPECT_EQ(verb[0].lVerb, OLEIVERB_PRIMARY);
    for (ULONG i = 0; i < fetched; ++i) CoTaskMemFree(verb[i].lpszVerbName);
    verbs.Reset();

    CLSID classId{};
    ASSERT_EQ(object->GetUserClassID(&classId), S_OK);
    EXPECT_EQ(classId, CLSID_TestControl);
    LPOLESTR name = nullptr;
    ASSERT_EQ(object->GetUserType(USERCLASSTYPE_FULL, &name), S_OK);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, L"TestControl") << "unregistered: the type library names it";
    CoTaskMemFree(name);

    SIZEL size{1000, 500};
    EXPECT_EQ(object->SetExtent(DVASPECT_ICON, &size), DV_E_DVASPECT);
    ASSERT_EQ(object->SetExtent(DVASPECT_CONTENT, &size), S_OK);
    SIZEL read{};
    ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &read), S_OK);
    EXPECT_EQ(read.cx, 1000);
    EXPECT_EQ(read.cy, 500);
    ComPtr<IViewObjectEx> view;
    ASSERT_EQ(object.As(&view), S_OK);
    DWORD status = 0;
    ASSERT_EQ(view->GetViewStatus(&status), S_OK);
    EXPECT_TRUE(status & VIEWSTATUS_OPAQUE);
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

TEST_F(ControlVerbTest, StorageSaveLeavesTheControlDirtyUntilSaveCompleted) {
    ComPtr<IPersistStorage> persist;
    ASSERT_EQ(object.As(&persist), S_OK);
    ComPtr<ILockBytes> bytes;
    ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Put()), S_OK);
    ComPtr<IStorage> storage;
    ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                           storage.Put()),
              S_OK);
    ASSERT_EQ(persist->InitNew(storage.Get()), S_OK);
    ComPtr<ITestControl> control;
    ASSERT_EQ(object.As(&control), S_OK);
    ASSERT_EQ(control->put_Count(3), S_OK);
    ASSERT_EQ(persist->IsDirty(), S_OK);
    ASSERT_EQ(persist->Save(storage.Get(), TRUE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    ASSERT_EQ(persist->SaveCompleted(nullptr), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
}

}  // namespace
}  // namespace runtime_tests
