#include "tests/runtime/test_control.h"

#include "ole/class_factory.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace runtime_tests {
namespace {

using ole::ComPtr;

using AtlAxWinInitFunction = BOOL(WINAPI*)();
using AtlAxCreateControlExFunction = HRESULT(WINAPI*)(LPCOLESTR name, HWND window, IStream* stream,
                                                      IUnknown** container, IUnknown** control, REFIID sinkIid,
                                                      IUnknown* sink);

// Wine's own ActiveX container, which nobody here wrote, hosting the test control in a window.
class AtlHostTest : public testing::Test {
protected:
    void SetUp() override {
        atl = LoadLibraryW(L"atl.dll");
        ASSERT_NE(atl, nullptr) << "atl.dll is part of every Wine prefix";
        init = reinterpret_cast<AtlAxWinInitFunction>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
        create = reinterpret_cast<AtlAxCreateControlExFunction>(
            reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxCreateControlEx")));
        ASSERT_TRUE(init && create);
        ASSERT_TRUE(init());
        const ole::ServedClass served[] = {{&CLSID_TestControl, &ole::CreateInstanceOf<TestControl>}};
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(ole::GetClassObject(served, CLSID_TestControl, IID_IClassFactory, factory.PutVoid()), S_OK);
        ASSERT_EQ(CoRegisterClassObject(CLSID_TestControl, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &registration),
                  S_OK);
        TestControl::Journal().clear();
    }
    void TearDown() override {
        CoRevokeClassObject(registration);
        if (atl) FreeLibrary(atl);
    }

    HMODULE atl = nullptr;
    AtlAxWinInitFunction init = nullptr;
    AtlAxCreateControlExFunction create = nullptr;
    DWORD registration = 0;
};

TEST_F(AtlHostTest, HostsTheControlInPlaceAndGivesItItsSize) {
    HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 320, 240, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    RECT client{};
    GetClientRect(host, &client);
    wchar_t classId[40] = {};
    StringFromGUID2(CLSID_TestControl, classId, 40);
    const long live = ole::Module::ObjectCount();

    ComPtr<IUnknown> container, control;
    ASSERT_EQ(create(classId, host, nullptr, container.Put(), control.Put(), IID_NULL, nullptr), S_OK);
    ASSERT_TRUE(control);
    EXPECT_EQ(ole::Module::ObjectCount(), live + 1);

    const auto& journal = TestControl::Journal();
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(journal[0], "Initialize");
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "InitProperties"), 1);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "Show"), 1) << "in-place activation showed it";
    const std::string size = "Resize " + std::to_string(client.right) + "x" + std::to_string(client.bottom);
    EXPECT_NE(std::find(journal.begin(), journal.end(), size), journal.end()) << "the control got the host's size";

    ComPtr<IOleWindow> window;
    ASSERT_EQ(control->QueryInterface(IID_IOleWindow, window.PutVoid()), S_OK);
    HWND controlWindow = nullptr;
    ASSERT_EQ(window->GetWindow(&controlWindow), S_OK);
    EXPECT_EQ(GetParent(controlWindow), host);
    window.Reset();

    // The container tears the control down with its window; our references go last.
    DestroyWindow(host);
    container.Reset();
    EXPECT_EQ(control.Reset(), 0u);
    EXPECT_EQ(ole::Module::ObjectCount(), live);
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back(), "Terminate");
    EXPECT_FALSE(IsWindow(controlWindow));
}

}  // namespace
}  // namespace runtime_tests
