#include "tests/control/control_fixture.h"

#include "ole/late_bound.h"

namespace {

using ole::ComPtr;
using ole::Variant;

// What the second thread saw, for the test's own thread to check.
struct SecondThread {
    IStream* marshaledControl;
    doubles::FakeAutomationObject* client;
    HRESULT assigned = E_FAIL, refreshed = E_FAIL, read = E_FAIL, cleared = E_FAIL;
    LONG heldWhileBound = 0, heldAfterClear = 0;
    bool readTheSameObject = false;
};

// A thread of the multithreaded apartment that binds its own client to the control, through
// the proxy COM gives it, as a host on another thread does.
DWORD WINAPI BindFromAnotherApartment(void* context) {
    auto& seen = *static_cast<SecondThread*>(context);
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    {
        ComPtr<IDispatch> control;
        if (SUCCEEDED(CoGetInterfaceAndReleaseStream(seen.marshaledControl, IID_IDispatch, control.PutVoid()))) {
            const LONG before = static_cast<LONG>(seen.client->RefCount());
            seen.assigned = ole::PutProperty(control.Get(), L"ClientObject", Variant(static_cast<IDispatch*>(seen.client)).Get());
            // The control's end of the call is a proxy; it holds the client only while alive.
            seen.heldWhileBound = static_cast<LONG>(seen.client->RefCount()) - before;
            if (seen.heldWhileBound > 0) {
                seen.refreshed = ole::CallMethod(control.Get(), L"RefreshValues", {}, nullptr);
                Variant bound;
                seen.read = ole::GetProperty(control.Get(), L"ClientObject", bound);
                seen.readTheSameObject = V_VT(&bound.Get()) == VT_DISPATCH &&
                                         V_DISPATCH(&bound.Get()) == static_cast<IDispatch*>(seen.client);
            }
            seen.cleared = ole::PutProperty(control.Get(), L"ClientObject", Variant(static_cast<IDispatch*>(nullptr)).Get());
            seen.heldAfterClear = static_cast<LONG>(seen.client->RefCount()) - before;
        }
    }
    CoUninitialize();
    return 0;
}

TEST_F(ControlTest, AClientFromAnotherApartmentLivesUntilItIsReplaced) {
    MakeNewControl();
    SecondThread seen{nullptr, client.Get()};
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IDispatch, static_cast<_Inspecta*>(control.Get()),
                                                    &seen.marshaledControl),
              S_OK);
    HANDLE thread = CreateThread(nullptr, 0, &BindFromAnotherApartment, &seen, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // This apartment answers the second thread's calls until it is done.
    DWORD signalled = 0;
    EXPECT_EQ(CoWaitForMultipleHandles(0, INFINITE, 1, &thread, &signalled), S_OK);
    CloseHandle(thread);

    EXPECT_EQ(seen.assigned, S_OK);
    EXPECT_GT(seen.heldWhileBound, 0) << "nothing kept the client's proxy once the call returned";
    EXPECT_EQ(seen.refreshed, S_OK);
    EXPECT_EQ(seen.read, S_OK);
    EXPECT_TRUE(seen.readTheSameObject);
    EXPECT_EQ(seen.cleared, S_OK);
    EXPECT_EQ(seen.heldAfterClear, 0) << "replacing the client lets its proxy go";
}

}  // namespace
