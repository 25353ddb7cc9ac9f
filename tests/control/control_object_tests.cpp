#include "tests/control/control_fixture.h"

#include "control/raise_error.h"
#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/late_bound.h"
#include "ole/module.h"

#include <functional>

namespace {

using doubles::Describe;
using ole::ComPtr;
using ole::Variant;

TEST_F(ControlTest, WithoutTheListControlCreationFailsSayingSoAndLeavesNothing) {
    lists->FailCreation(REGDB_E_CLASSNOTREG);
    const long alive = ole::Module::ObjectCount();
    EXPECT_EQ(ole::MakeObject(control), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(ole::Module::ObjectCount(), alive);
    EXPECT_NE(support::TakeErrorInfo().description.find(L"KavellaCtl.Kavella"), std::wstring::npos);
}

// What each assignment tells the container: a persisted property its own id, once; the client
// object and AutoWriteProperties nothing.
TEST_F(ControlTest, EachAssignmentNotifiesTheContainerAsItsPropertyIsPersistedAndTheFontReachesTheList) {
    MakeControl();
    EXPECT_EQ(notifications->ChangedIds(), std::vector<DISPID>{kDispidFont}) << "a new control takes the ambient font";
    Inspecta& c = *control.Get();
    const std::pair<std::function<HRESULT()>, std::vector<DISPID>> assignments[] = {
        {[&] { return c.put_AutoWriteProperties(VARIANT_FALSE); }, {}},
        {[&] { return c.put_AutoPopulate(VARIANT_FALSE); }, {kDispidAutoPopulate}},
        {[&] { return c.put_HideCustomItems(VARIANT_FALSE); }, {kDispidHideCustomItems}},
        {[&] { return c.put_HideReadOnlyItems(VARIANT_FALSE); }, {kDispidHideReadOnlyItems}},
        {[&] { return c.put_Enabled(VARIANT_FALSE); }, {kDispidEnabled}},
        {[&] { return c.putref_Font(support::MakeFont(L"Tahoma", 9).Get()); }, {kDispidFont}},
        {[&] { return c.putref_ClientObject(client.Get()); }, {}},
    };
    for (const auto& [assign, ids] : assignments) {
        notifications->ClearCalls();
        ASSERT_EQ(assign(), S_OK);
        EXPECT_EQ(notifications->ChangedIds(), ids) << "row " << (&assign - &assignments[0].first);
    }
    EXPECT_EQ(List()->LogStartingWith(L"Enabled="), std::vector<std::wstring>{L"Enabled=0"});

    // A font changed in place reaches the list; Nothing as the font keeps the font.
    ComPtr<IFontDisp> font, after;
    ASSERT_EQ(control->get_Font(font.Put()), S_OK);
    notifications->ClearCalls();
    List()->ClearLog();
    ASSERT_EQ(support::QueryAs<IFont>(font)->put_Bold(TRUE), S_OK);
    EXPECT_EQ(notifications->ChangedIds(), (std::vector<DISPID>{kDispidFont, kDispidFont}));
    EXPECT_EQ(List()->LogStartingWith(L"Font").size(), 1u);
    EXPECT_EQ(control->putref_Font(nullptr), ole::ControlErrorHResult(380));
    ASSERT_EQ(control->get_Font(after.Put()), S_OK);
    EXPECT_EQ(after.Get(), font.Get()) << "a refused font leaves the font as it was";
}

// F5 (116) and the list's request read the values again, markers untouched; the host hears only
// the filling's AfterPopulate (1), then an edit's PropertyChanged (2).
TEST_F(ControlTest, F5AndTheListsRequestReadTheValuesAgainTheHostHearsTheSupportObjectsEventsAndTeardownIsOrdered) {
    MakeControl();
    EXPECT_EQ(control->RefreshValues(), S_OK) << "no client: nothing happens";
    ASSERT_EQ(control->putref_ClientObject(client.Get()), S_OK);
    Item(L"Caption")->modified = Variant(true);
    std::wstring seen;
    for (const SHORT pressed : {65, 116}) {
        client->SetProperty(L"Caption", Variant(std::wstring_view(std::to_wstring(pressed))));
        SHORT key = pressed;
        ASSERT_EQ(List()->RaiseEvent(L"KeyDown", {ole::ShortReference(&key), ole::ShortArgument(3)}), S_OK);
        seen += Value(L"Caption") + std::to_wstring(key) + L" ";
    }
    client->SetProperty(L"Caption", Variant(std::wstring_view(L"B")));
    ASSERT_EQ(List()->RaiseEvent(L"RequestRefresh"), S_OK);
    EXPECT_EQ(seen + Value(L"Caption") + Marker(L"Caption"), L"'Hello'65 '116'116 'B'True");

    Item(L"Caption")->value = Variant(std::wstring_view(L"Edited"));
    ASSERT_EQ(List()->RaiseItemChanged(Item(L"Caption")), S_OK);
    std::wstring heard;
    for (const auto& event : events->Events()) {
        heard += std::to_wstring(event.id);
        for (const Variant& argument : event.arguments) heard += L" " + Describe(argument.Get());
    }
    EXPECT_EQ(heard, L"12 'Caption' 'Edited'");

    // Teardown lets go of the client, then the list, then the support object.
    doubles::FakeList* const list = List();
    lists->ForgetMade();
    list->ClearLog();
    control.Reset();
    ASSERT_GE(list->Log().size(), 4u);
    EXPECT_EQ(std::vector<std::wstring>(list->Log().begin(), list->Log().begin() + 4),
              (std::vector<std::wstring>{L"PropertyItems", L"Clear", L"Unadvise", L"Unadvise"}));
    EXPECT_TRUE(list->IsDead()) << "the list goes with the control";
}

// A thread of the multithreaded apartment binds its own client through the proxy COM gives it, as
// a host on another thread does; it notes each call's result, and each binding's references to the
// client once the call has returned.
struct SecondThread {
    IStream* marshaledControl = nullptr;
    doubles::FakeAutomationObject* client = nullptr;
    std::vector<LONG> seen;
};

DWORD WINAPI BindFromAnotherApartment(void* context) {
    auto& thread = *static_cast<SecondThread*>(context);
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    {
        ComPtr<IDispatch> control;
        const LONG before = static_cast<LONG>(thread.client->RefCount());
        const auto bind = [&](IDispatch* client) {
            const HRESULT hr = ole::PutProperty(control.Get(), L"ClientObject", Variant(client).Get());
            thread.seen.insert(thread.seen.end(), {hr, static_cast<LONG>(thread.client->RefCount()) - before});
        };
        if (SUCCEEDED(CoGetInterfaceAndReleaseStream(thread.marshaledControl, IID_IDispatch, control.PutVoid()))) {
            bind(thread.client);
            // Without the proxy kept, this call would reach freed memory.
            if (thread.seen[1] > 0) thread.seen.push_back(ole::CallMethod(control.Get(), L"RefreshValues", {}, {}));
            bind(nullptr);
        }
    }
    CoUninitialize();
    return 0;
}

TEST_F(ControlTest, AClientFromAnotherApartmentLivesUntilItIsReplaced) {
    MakeControl();
    SecondThread thread{nullptr, client.Get(), {}};
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IDispatch, static_cast<_Inspecta*>(control.Get()),
                                                    &thread.marshaledControl), S_OK);
    HANDLE handle = CreateThread(nullptr, 0, &BindFromAnotherApartment, &thread, 0, nullptr);
    ASSERT_NE(handle, nullptr);
    DWORD signalled = 0;  // this apartment answers the second thread's calls until it is done
    EXPECT_EQ(CoWaitForMultipleHandles(0, INFINITE, 1, &handle, &signalled), S_OK);
    CloseHandle(handle);
    ASSERT_EQ(thread.seen.size(), 5u) << "nothing kept the client's proxy once the call returned";
    EXPECT_GT(thread.seen[1], 0);
    EXPECT_EQ(thread.seen, (std::vector<LONG>{S_OK, thread.seen[1], S_OK, S_OK, 0})) << "a new client lets it go";
}

// What the error routine makes of numbers, descriptions and arguments; number 0 raises the error
// pending on the thread again. Twelve arguments, 101 to 112, tell %12 from %1 followed by a 2.
TEST(RaiseErrorTest, EachErrorReachesTheHostUnderItsNumberTheLibrarysNameAndItsDescription) {
    std::vector<VARIANT> twelve;
    for (LONG i = 101; i <= 112; ++i) twelve.push_back(ole::LongArgument(i));
    const ole::Bstr caption(L"Caption");
    const VARIANT mixed[] = {ole::TextArgument(caption.Get()), ole::BooleanArgument(VARIANT_TRUE)};
    const struct { long number; const wchar_t* description; std::span<const VARIANT> arguments; const wchar_t* raised; }
        rows[] = {
        {1000, L"", {}, L"Application-defined or object-defined error"},
        {5, L"%1 and %2, %1 again", {twelve.data(), 2}, L"101 and 102, 101 again"},
        {5, L"[%12] [%1]", twelve, L"[112] [101]"}, {5, L"%1 %2 %3", {twelve.data(), 2}, L"101 102 %3"},
        {5, L"%1 %2", {}, L"%1 %2"}, {5, L"%1=%2", mixed, L"Caption=True"}, {0, L"ignored", {}, L"Disk full"},
    };
    for (const auto& row : rows) {
        ole::PublishErrorInfo(L"Client.Object", L"Disk full");
        const HRESULT pending = ole::ControlErrorHResult(61);
        EXPECT_EQ(RaiseError(row.number, row.description, row.arguments, pending),
                  row.number ? ole::ControlErrorHResult(static_cast<WORD>(row.number)) : pending);
        const support::RaisedError raised = support::TakeErrorInfo();
        // Inside control_tests.exe; in the library the source reads Inspecta2.Inspecta.
        EXPECT_EQ(raised.source + L": " + raised.description, L"control_tests.Inspecta: " + std::wstring(row.raised));
    }
}

}  // namespace
