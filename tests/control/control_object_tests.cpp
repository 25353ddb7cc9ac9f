#include "tests/control/control_fixture.h"

#include "control/raise_error.h"
#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/late_bound.h"
#include "ole/module.h"
#include "tests/support/com_helpers.h"

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
const std::pair<std::function<HRESULT(Inspecta&, IDispatch* client)>, std::vector<DISPID>> kNotifications[] = {
    {[](Inspecta& c, IDispatch*) { return c.put_AutoWriteProperties(VARIANT_FALSE); }, {}},
    {[](Inspecta& c, IDispatch*) { return c.put_AutoPopulate(VARIANT_FALSE); }, {kDispidAutoPopulate}},
    {[](Inspecta& c, IDispatch*) { return c.put_HideCustomItems(VARIANT_FALSE); }, {kDispidHideCustomItems}},
    {[](Inspecta& c, IDispatch*) { return c.put_HideReadOnlyItems(VARIANT_FALSE); }, {kDispidHideReadOnlyItems}},
    {[](Inspecta& c, IDispatch*) { return c.put_Enabled(VARIANT_FALSE); }, {kDispidEnabled}},
    {[](Inspecta& c, IDispatch*) { return c.putref_Font(support::MakeFont(L"Tahoma", 9).Get()); }, {kDispidFont}},
    {[](Inspecta& c, IDispatch* client) { return c.putref_ClientObject(client); }, {}},
};

TEST_F(ControlTest, EachAssignmentNotifiesTheContainerAsItsPropertyIsPersisted) {
    MakeControl();
    EXPECT_EQ(notifications->ChangedIds(), std::vector<DISPID>{kDispidFont}) << "a new control takes the ambient font";
    for (const auto& [assign, ids] : kNotifications) {
        notifications->ClearCalls();
        ASSERT_EQ(assign(*control.Get(), client.Get()), S_OK);
        EXPECT_EQ(notifications->ChangedIds(), ids) << "row " << (&assign - &kNotifications[0].first);
    }
    EXPECT_EQ(List()->LogStartingWith(L"Enabled="), std::vector<std::wstring>{L"Enabled=0"});
}

TEST_F(ControlTest, AFontChangedInPlaceReachesTheListAndNothingAsFontKeepsTheFont) {
    MakeControl();
    ComPtr<IFontDisp> font;
    ASSERT_EQ(control->get_Font(font.Put()), S_OK);
    ComPtr<IFont> attributes;
    ASSERT_EQ(font.As(&attributes), S_OK);
    notifications->ClearCalls();
    List()->ClearLog();
    ASSERT_EQ(attributes->put_Bold(TRUE), S_OK);
    EXPECT_EQ(notifications->ChangedIds(), (std::vector<DISPID>{kDispidFont, kDispidFont}));
    EXPECT_EQ(List()->LogStartingWith(L"Font").size(), 1u);
    EXPECT_EQ(ole::PutProperty(static_cast<_Inspecta*>(control.Get()), L"Font", ole::ObjectArgument(nullptr)),
              ole::ControlErrorHResult(380));
    ComPtr<IFontDisp> after;
    ASSERT_EQ(control->get_Font(after.Put()), S_OK);
    EXPECT_EQ(after.Get(), font.Get()) << "a refused font leaves the font as it was";
}

TEST_F(ControlTest, F5AndTheListsRequestReadTheValuesAgainAndNothingElse) {
    MakeControl();
    EXPECT_EQ(control->RefreshValues(), S_OK) << "no client: nothing happens";
    ASSERT_EQ(control->putref_ClientObject(client.Get()), S_OK);
    Item(L"Caption")->modified = Variant(true);
    client->SetProperty(L"Caption", Variant(std::wstring_view(L"A")));
    SHORT key = 65;
    ASSERT_EQ(List()->RaiseEvent(L"KeyDown", {ole::ShortReference(&key), ole::ShortArgument(3)}), S_OK);
    EXPECT_EQ(Value(L"Caption"), L"'Hello'") << "another key does nothing";
    key = 116;
    ASSERT_EQ(List()->RaiseEvent(L"KeyDown", {ole::ShortReference(&key), ole::ShortArgument(3)}), S_OK);
    EXPECT_EQ(Value(L"Caption") + std::to_wstring(key), L"'A'116") << "read again; the key is not swallowed";
    client->SetProperty(L"Caption", Variant(std::wstring_view(L"B")));
    ASSERT_EQ(List()->RaiseEvent(L"RequestRefresh"), S_OK);
    EXPECT_EQ(Value(L"Caption"), L"'B'");
    EXPECT_EQ(Marker(L"Caption"), L"True") << "markers untouched";
    EXPECT_EQ(events->Events().size(), 1u) << "only the filling's AfterPopulate";
}

TEST_F(ControlTest, TheSupportObjectsEventsReachTheHostWithTheirArguments) {
    MakeControl();
    ASSERT_EQ(control->putref_ClientObject(client.Get()), S_OK);
    Item(L"Caption")->value = Variant(std::wstring_view(L"Edited"));
    ASSERT_EQ(List()->RaiseItemChanged(Item(L"Caption")), S_OK);
    ASSERT_EQ(events->Events().size(), 2u);
    EXPECT_EQ(events->Events()[0].id, 1) << "AfterPopulate";
    EXPECT_EQ(events->Events()[1].id, 2) << "PropertyChanged";
    std::wstring arguments;
    for (const Variant& argument : events->Events()[1].arguments) arguments += Describe(argument.Get());
    EXPECT_EQ(arguments, L"'Caption''Edited'");
}

TEST_F(ControlTest, TeardownLetsGoOfTheClientThenTheListThenTheSupportObject) {
    MakeControl();
    ASSERT_EQ(control->putref_ClientObject(client.Get()), S_OK);
    doubles::FakeList* const list = List();
    lists->ForgetMade();
    list->ClearLog();
    control.Reset();
    ASSERT_GE(list->Log().size(), 4u);
    EXPECT_EQ(std::vector<std::wstring>(list->Log().begin(), list->Log().begin() + 4),
              (std::vector<std::wstring>{L"PropertyItems", L"Clear", L"Unadvise", L"Unadvise"}));
    EXPECT_TRUE(list->IsDead()) << "the list goes with the control";
}

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

// Twelve arguments, 101 to 112, so that %12 is told from %1 followed by a 2.
const VARIANT kTwelve[] = {ole::LongArgument(101), ole::LongArgument(102), ole::LongArgument(103), ole::LongArgument(104),
                           ole::LongArgument(105), ole::LongArgument(106), ole::LongArgument(107), ole::LongArgument(108),
                           ole::LongArgument(109), ole::LongArgument(110), ole::LongArgument(111), ole::LongArgument(112)};
const ole::Bstr kCaption(L"Caption");
const VARIANT kMixed[] = {ole::TextArgument(kCaption.Get()), ole::BooleanArgument(VARIANT_TRUE)};

// What the error routine makes of numbers, descriptions and arguments; number 0 raises the
// error pending on the thread again.
struct RaisedError {
    long number;
    const wchar_t* description;
    std::span<const VARIANT> arguments;
    const wchar_t* raised;
};
const RaisedError kRaisedErrors[] = {
    {1000, L"", {}, L"Application-defined or object-defined error"},
    {5, L"%1 and %2, %1 again", {kTwelve, 2}, L"101 and 102, 101 again"},
    {5, L"[%12] [%1]", kTwelve, L"[112] [101]"},
    {5, L"%1 %2 %3", {kTwelve, 2}, L"101 102 %3"},
    {5, L"%1 %2", {}, L"%1 %2"},
    {5, L"%1=%2", kMixed, L"Caption=True"},
    {0, L"ignored", {}, L"Disk full"},
};

TEST(RaiseErrorTest, EachErrorReachesTheHostUnderItsNumberTheLibrarysNameAndItsDescription) {
    for (const RaisedError& row : kRaisedErrors) {
        ole::PublishErrorInfo(L"Client.Object", L"Disk full");
        const HRESULT pending = ole::ControlErrorHResult(61);
        EXPECT_EQ(RaiseError(row.number, row.description, row.arguments, pending),
                  row.number ? ole::ControlErrorHResult(static_cast<WORD>(row.number)) : pending);
        const support::RaisedError raised = support::TakeErrorInfo();
        // Inside control_tests.exe; in the library the source reads Inspecta2.Inspecta.
        EXPECT_EQ(raised.source, L"control_tests.Inspecta") << row.raised;
        EXPECT_EQ(raised.description, row.raised);
    }
}

}  // namespace
