// Wine's own ActiveX container, which nobody here wrote, hosting Inspecta on the list double.
#include "tests/control/control_fixture.h"

#include "ole/class_factory.h"
#include "ole/late_bound.h"
#include "ole/module.h"

#include <algorithm>

namespace {

using ole::ComPtr;

using AtlAxWinInitFunction = BOOL(WINAPI*)();
using AtlAxCreateControlExFunction = HRESULT(WINAPI*)(LPCOLESTR name, HWND window, IStream* stream,
                                                      IUnknown** container, IUnknown** control, REFIID sinkIid,
                                                      IUnknown* sink);

class AtlHostTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        atl = LoadLibraryW(L"atl.dll");
        ASSERT_NE(atl, nullptr);
        init = reinterpret_cast<AtlAxWinInitFunction>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
        create = reinterpret_cast<AtlAxCreateControlExFunction>(
            reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxCreateControlEx")));
        ASSERT_TRUE(init && create && init());
        const ole::ServedClass served[] = {{&CLSID_Inspecta, &ole::CreateInstanceOf<Inspecta>}};
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(ole::GetClassObject(served, CLSID_Inspecta, IID_IClassFactory, factory.PutVoid()), S_OK);
        ASSERT_EQ(CoRegisterClassObject(CLSID_Inspecta, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &registration),
                  S_OK);
    }
    void TearDown() override {
        CoRevokeClassObject(registration);
        if (atl) FreeLibrary(atl);
        ControlTest::TearDown();
    }

    HMODULE atl = nullptr;
    AtlAxWinInitFunction init = nullptr;
    AtlAxCreateControlExFunction create = nullptr;
    DWORD registration = 0;
};

TEST_F(AtlHostTest, HostsInspectaInPlaceWithItsListAndTearsBothDown) {
    HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 320, 240, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    wchar_t classId[40] = {};
    StringFromGUID2(CLSID_Inspecta, classId, 40);
    const long live = ole::Module::ObjectCount();

    ComPtr<IUnknown> container, hosted;
    ASSERT_EQ(create(classId, host, nullptr, container.Put(), hosted.Put(), IID_NULL, nullptr), S_OK);
    ASSERT_TRUE(hosted);
    doubles::FakeList* list = List();
    ASSERT_NE(list, nullptr);
    lists->ForgetMade();
    EXPECT_FALSE(list->LogStartingWith(L"SetClientSite").empty()) << "the list was placed on the control";
    EXPECT_FALSE(list->LogStartingWith(L"DoVerb(-5)").empty()) << "and activated in place with it";
    EXPECT_FALSE(list->LogStartingWith(L"Font").empty()) << "a new control gives the list its font";

    ComPtr<IOleWindow> window;
    ASSERT_EQ(hosted->QueryInterface(IID_IOleWindow, window.PutVoid()), S_OK);
    HWND controlWindow = nullptr;
    ASSERT_EQ(window->GetWindow(&controlWindow), S_OK);
    EXPECT_EQ(GetParent(controlWindow), host);
    window.Reset();

    // Driven late-bound, as a script in the host page would.
    ComPtr<IDispatch> automation;
    ASSERT_EQ(hosted->QueryInterface(IID_IDispatch, automation.PutVoid()), S_OK);
    ole::Variant clientObject(static_cast<IDispatch*>(client.Get()));
    ASSERT_EQ(ole::PutProperty(automation.Get(), L"ClientObject", clientObject.Get()), S_OK);
    EXPECT_EQ(list->LogStartingWith(L"PopulateFromObject").size(), 1u);
    ASSERT_EQ(ole::PutProperty(automation.Get(), L"ClientObject", ole::Variant(static_cast<IDispatch*>(nullptr)).Get()),
              S_OK);
    automation.Reset();
    clientObject.Reset();

    list->ClearLog();
    DestroyWindow(host);
    container.Reset();
    EXPECT_EQ(hosted.Reset(), 0u);
    EXPECT_EQ(ole::Module::ObjectCount(), live);
    EXPECT_FALSE(IsWindow(controlWindow));
    const auto& log = list->Log();
    const auto close = std::find(log.begin(), log.end(), L"Close");
    const auto unsite = std::find(log.begin(), log.end(), L"SetClientSite(null)");
    EXPECT_TRUE(close != log.end() && unsite != log.end() && close < unsite) << "closed, then let go of its site";
    EXPECT_TRUE(list->IsDead());
    EXPECT_EQ(client->RefCount(), 1u);
}

}  // namespace
