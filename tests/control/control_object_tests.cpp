#include "tests/control/control_fixture.h"

#include "control/raise_error.h"
#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/late_bound.h"
#include "ole/module.h"
#include "tests/support/com_helpers.h"

#include <array>
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
    EXPECT_EQ(control->putref_Font(nullptr), ole::ControlErrorHResult(380));
    ComPtr<IFontDisp> after;
    ASSERT_EQ(control->get_Font(after.Put()), S_OK);
    EXPECT_EQ(after.Get(), font.Get()) << "a refused font leaves the font as it was";
}

TEST_F(ControlTest, F5AndTheListsRequestReadTheValuesAgainAndTheHostHearsTheSupportObjectsEvents) {
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

    // The host hears only the filling's AfterPopulate (1), then an edit's PropertyChanged (2).
    Item(L"Caption")->value = Variant(std::wstring_view(L"Edited"));
    ASSERT_EQ(List()->RaiseItemChanged(Item(L"Caption")), S_OK);
    std::wstring heard;
    for (const auto& event : events->Events()) {
        heard += std::to_wstring(event.id);
        for (const Variant& argument : event.arguments) heard += L" " + Describe(argument.Get());
    }
    EXPECT_EQ(heard, L"12 'Caption' 'Edited'");
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

// What a thread of the multithreaded apartment met binding its own client to the control through
// the proxy COM gives it, as a host on another thread does: the results of binding, refreshing and
// unbinding, and the references to the client held while bound and after.
struct SecondThread {
    IStream* marshaledControl;
    doubles::FakeAutomationObject* client;
    std::vector<HRESULT> results;
    std::vector<LONG> held;
};

DWORD WINAPI BindFromAnotherApartment(void* context) {
    auto& seen = *static_cast<SecondThread*>(context);
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    {
        ComPtr<IDispatch> control;
        const LONG before = static_cast<LONG>(seen.client->RefCount());
        const auto bind = [&](IDispatch* client) {
            seen.results.push_back(ole::PutProperty(control.Get(), L"ClientObject", Variant(client).Get()));
            seen.held.push_back(static_cast<LONG>(seen.client->RefCount()) - before);
        };
        if (SUCCEEDED(CoGetInterfaceAndReleaseStream(seen.marshaledControl, IID_IDispatch, control.PutVoid()))) {
            bind(seen.client);
            // Without the proxy kept, this call would reach freed memory.
            if (seen.held[0] > 0) seen.results.push_back(ole::CallMethod(control.Get(), L"RefreshValues", {}, nullptr));
            bind(nullptr);
        }
    }
    CoUninitialize();
    return 0;
}

TEST_F(ControlTest, AClientFromAnotherApartmentLivesUntilItIsReplaced) {
    MakeControl();
    SecondThread seen{nullptr, client.Get(), {}, {}};
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IDispatch, static_cast<_Inspecta*>(control.Get()),
                                                    &seen.marshaledControl),
              S_OK);
    HANDLE thread = CreateThread(nullptr, 0, &BindFromAnotherApartment, &seen, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // This apartment answers the second thread's calls until it is done.
    DWORD signalled = 0;
    EXPECT_EQ(CoWaitForMultipleHandles(0, INFINITE, 1, &thread, &signalled), S_OK);
    CloseHandle(thread);

    EXPECT_EQ(seen.results, std::vector<HRESULT>(3, S_OK));
    ASSERT_EQ(seen.held.size(), 2u);
    EXPECT_GT(seen.held[0], 0) << "nothing kept the client's proxy once the call returned";
    EXPECT_EQ(seen.held[1], 0) << "replacing the client lets its proxy go";
}

// Twelve arguments, 101 to 112, so that %12 is told from %1 followed by a 2.
const std::array<VARIANT, 12> kTwelve = [] {
    std::array<VARIANT, 12> twelve{};
    for (LONG i = 0; i < 12; ++i) twelve[static_cast<size_t>(i)] = ole::LongArgument(101 + i);
    return twelve;
}();
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
    {5, L"%1 and %2, %1 again", {kTwelve.data(), 2}, L"101 and 102, 101 again"},
    {5, L"[%12] [%1]", kTwelve, L"[112] [101]"},
    {5, L"%1 %2 %3", {kTwelve.data(), 2}, L"101 102 %3"},
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
