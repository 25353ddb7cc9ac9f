#include "tests/control/control_fixture.h"

#include "ole/late_bound.h"

namespace {

using ole::ComPtr;
using ole::Variant;

// What the second thread saw, for the test's own thread to check.
struct SecondThread {
    IStream* marshaledControl;
    doubles::FakeAutomationObject* client;
    HRESULT assigned = E_FAIL, refreshed = E_FAIL, cleared = E_FAIL;
    LONG heldWhileBound = 0, heldAfterClear = 0;
};

// A thread of the multithreaded apartment that binds its own client to the control, through
// the proxy COM gives it, as a host on another thread does.
DWORD WINAPI BindFromAnotherApartment(void* context) {
    auto& seen = *static_cast<SecondThread*>(context);
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    {
        ComPtr<IDispatch> control;
        if (SUCCEEDED(CoGetInterfaceAndReleaseStream(seen.marshaledControl, IID_IDispatch, control.PutVoid()))) {
            const Variant client(static_cast<IDispatch*>(seen.client)), nothing(static_cast<IDispatch*>(nullptr));
            const LONG before = static_cast<LONG>(seen.client->RefCount());
            seen.assigned = ole::PutProperty(control.Get(), L"ClientObject", client.Get());
            // The control was given a proxy of the client, which holds the client while it lives.
            seen.heldWhileBound = static_cast<LONG>(seen.client->RefCount()) - before;
            // Without the proxy, this call would reach freed memory.
            if (seen.heldWhileBound > 0) seen.refreshed = ole::CallMethod(control.Get(), L"RefreshValues", {}, nullptr);
            seen.cleared = ole::PutProperty(control.Get(), L"ClientObject", nothing.Get());
            seen.heldAfterClear = static_cast<LONG>(seen.client->RefCount()) - before;
        }
    }
    CoUninitialize();
    return 0;
}

TEST_F(ControlTest, AClientFromAnotherApartmentLivesUntilItIsReplaced) {
    MakeControl();
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
    EXPECT_EQ(seen.cleared, S_OK);
    EXPECT_EQ(seen.heldAfterClear, 0) << "replacing the client lets its proxy go";
}

}  // namespace
