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

constexpr DISPID kFont = 0x68030001;

TEST_F(ControlTest, WithoutTheListControlCreationFailsSayingSoAndLeavesNothing) {
    lists->FailCreation(REGDB_E_CLASSNOTREG);
    const long alive = ole::Module::ObjectCount();
    EXPECT_EQ(ole::MakeObject(control), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(ole::Module::ObjectCount(), alive);
    EXPECT_NE(support::TakeErrorInfo().description.find(L"KavellaCtl.Kavella"), std::wstring::npos);
}

// What each assignment tells the container: a persisted property its own id, once; the client
// object and AutoWriteProperties nothing.
struct Notification {
    std::function<HRESULT(Inspecta&, IDispatch* client)> assign;
    std::vector<DISPID> ids;
};
const Notification kNotifications[] = {
    {[](Inspecta& c, IDispatch*) { return c.put_AutoWriteProperties(VARIANT_FALSE); }, {}},
    {[](Inspecta& c, IDispatch*) { return c.put_AutoPopulate(VARIANT_FALSE); }, {0x68030006}},
    {[](Inspecta& c, IDispatch*) { return c.put_HideCustomItems(VARIANT_FALSE); }, {0x68030003}},
    {[](Inspecta& c, IDispatch*) { return c.put_HideReadOnlyItems(VARIANT_FALSE); }, {0x68030002}},
    {[](Inspecta& c, IDispatch*) { return c.put_Enabled(VARIANT_FALSE); }, {0x68030004}},
    {[](Inspecta& c, IDispatch*) { return c.putref_Font(support::MakeFont(L"Tahoma", 9).Get()); }, {kFont}},
    {[](Inspecta& c, IDispatch* client) { return c.putref_ClientObject(client); }, {}},
};

TEST_F(ControlTest, EachAssignmentNotifiesTheContainerAsItsPropertyIsPersisted) {
    MakeControl();
    EXPECT_EQ(Notifications(), std::vector<DISPID>{kFont}) << "a new control takes the ambient font";
    for (const Notification& row : kNotifications) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - kNotifications));
        notifications->ClearCalls();
        ASSERT_EQ(row.assign(*control.Get(), client.Get()), S_OK);
        EXPECT_EQ(Notifications(), row.ids);
    }
    EXPECT_EQ(List()->LogStartingWith(L"Enabled="), std::vector<std::wstring>{L"Enabled=0"});
}

TEST_F(ControlTest, AFontChangedInPlaceReachesTheListAndNothingAsFontKeepsTheFont) {
    MakeControl();
    ComPtr<IFontDisp> font;
    ASSERT_EQ(control->get_Font(font.Put()), S_OK);
    notifications->ClearCalls();
    List()->ClearLog();
    ComPtr<IFont> attributes;
    ASSERT_EQ(font.As(&attributes), S_OK);
    ASSERT_EQ(attributes->put_Bold(TRUE), S_OK);
    EXPECT_EQ(Notifications(), (std::vector<DISPID>{kFont, kFont}));
    EXPECT_EQ(List()->LogStartingWith(L"Font").size(), 1u);
    EXPECT_EQ(control->putref_Font(nullptr), ole::ControlErrorHResult(380));
    ComPtr<IFontDisp> after;
    ASSERT_EQ(control->get_Font(after.Put()), S_OK);
    EXPECT_EQ(after.Get(), font.Get());
}

TEST_F(ControlTest, F5TheListsRequestAndRefreshValuesReadTheValuesAgainAndNothingElse) {
    MakeControl();
    ASSERT_EQ(control->RefreshValues(), S_OK) << "no client: nothing happens";
    ASSERT_EQ(control->putref_ClientObject(client.Get()), S_OK);
    Item(L"Caption")->SetStoredModified(Variant(true).Get());
    client->SetProperty(L"Caption", Variant(std::wstring_view(L"A")));
    SHORT key = 65;
    List()->RaiseEvent(L"KeyDown", {ole::ShortReference(&key), ole::ShortArgument(3)});
    EXPECT_EQ(Value(L"Caption"), L"'Hello'") << "another key does nothing";
    key = 116;
    List()->RaiseEvent(L"KeyDown", {ole::ShortReference(&key), ole::ShortArgument(3)});
    EXPECT_EQ(Value(L"Caption"), L"'A'");
    EXPECT_EQ(key, 116) << "the key is not swallowed";
    client->SetProperty(L"Caption", Variant(std::wstring_view(L"B")));
    List()->RaiseEvent(L"RequestRefresh");
    EXPECT_EQ(Value(L"Caption"), L"'B'");
    client->SetProperty(L"Caption", Variant(std::wstring_view(L"C")));
    ASSERT_EQ(control->RefreshValues(), S_OK);
    EXPECT_EQ(Value(L"Caption"), L"'C'");
    EXPECT_EQ(Describe(Item(L"Caption")->StoredModified().Get()), L"True") << "markers untouched";
    EXPECT_EQ(events->Events().size(), 1u) << "only the first filling's AfterPopulate";
}

TEST_F(ControlTest, TheSupportObjectsEventsReachTheHostWithCopiesOfTheirArguments) {
    MakeControl();
    ASSERT_EQ(control->putref_ClientObject(client.Get()), S_OK);
    events->OnEvent([](DISPID, DISPPARAMS& parameters) {
        if (parameters.cArgs == 2 && V_VT(&parameters.rgvarg[0]) == VT_BSTR) {
            SysFreeString(V_BSTR(&parameters.rgvarg[0]));
            V_BSTR(&parameters.rgvarg[0]) = SysAllocString(L"tampered");
        }
    });
    Item(L"Caption")->SetStoredValue(Variant(std::wstring_view(L"Edited")).Get());
    ASSERT_EQ(List()->RaiseItemChanged(Item(L"Caption")), S_OK);
    ASSERT_EQ(events->Events().size(), 2u);
    EXPECT_EQ(events->Events()[0].id, 1) << "AfterPopulate";
    const auto& changed = events->Events()[1];
    EXPECT_EQ(changed.id, 2) << "PropertyChanged";
    ASSERT_EQ(changed.arguments.size(), 2u);
    EXPECT_EQ(Describe(changed.arguments[0].Get()) + Describe(changed.arguments[1].Get()), L"'Caption''Edited'");
    EXPECT_EQ(Describe(client->Property(L"Caption")->Get()), L"'Edited'") << "written, untampered";
}

TEST_F(ControlTest, TeardownLetsGoOfTheClientThenTheListThenTheSupportObject) {
    MakeControl();
    ASSERT_EQ(control->putref_ClientObject(client.Get()), S_OK);
    doubles::FakeList* const list = List();
    lists->ForgetMade();
    list->ClearLog();
    control.Reset();
    const std::vector<std::wstring> expected{L"PropertyItems", L"Clear", L"Unadvise", L"Unadvise"};
    ASSERT_GE(list->Log().size(), expected.size());
    EXPECT_EQ(std::vector<std::wstring>(list->Log().begin(), list->Log().begin() + 4), expected);
    EXPECT_TRUE(list->IsDead()) << "the list goes with the control";
}

// Twelve arguments, 101 to 112, so that %12 is told from %1 followed by a 2.
const std::vector<VARIANT> kTwelve = [] {
    std::vector<VARIANT> arguments;
    for (LONG i = 101; i <= 112; ++i) arguments.push_back(ole::LongArgument(i));
    return arguments;
}();
const ole::Bstr kCaption(L"Caption");
const VARIANT kMixed[] = {ole::TextArgument(kCaption.Get()), ole::BooleanArgument(VARIANT_TRUE)};

// The errors of the control's own making, as a host meets them (Font through the dispatch
// interface), then what the error routine makes of numbers, descriptions and arguments.
struct RaisedError {
    std::function<HRESULT(Inspecta&)> raise;
    WORD number;
    const wchar_t* description;
};
const RaisedError kRaisedErrors[] = {
    {[](Inspecta& c) { return c.get_Item(ole::Bstr(L"Nowhere").Get(), ComPtr<IPropertyItem>().Put()); }, 35603,
     L"Invalid Key"},
    {[](Inspecta& c) { return ole::PutProperty(static_cast<_Inspecta*>(&c), L"Font", ole::ObjectArgument(nullptr)); }, 380,
     L"Invalid property value"},
    {[](Inspecta&) { return RaiseError(1000, L""); }, 1000, L"Application-defined or object-defined error"},
    {[](Inspecta&) { return RaiseError(5, L"%1 and %2, %1 again", {kTwelve.data(), 2}); }, 5, L"101 and 102, 101 again"},
    {[](Inspecta&) { return RaiseError(5, L"[%12] [%1]", kTwelve); }, 5, L"[112] [101]"},
    {[](Inspecta&) { return RaiseError(5, L"%1 %2 %3", {kTwelve.data(), 2}); }, 5, L"101 102 %3"},
    {[](Inspecta&) { return RaiseError(5, L"%1 %2"); }, 5, L"%1 %2"},
    {[](Inspecta&) { return RaiseError(5, L"%1=%2", kMixed); }, 5, L"Caption=True"},
    {[](Inspecta&) {
         ole::PublishErrorInfo(L"Client.Object", L"Disk full");
         return RaiseError(0, L"ignored", {}, ole::ControlErrorHResult(61));
     }, 61, L"Disk full"},
};

TEST_F(ControlTest, EachErrorReachesTheHostUnderItsNumberTheLibrarysNameAndItsDescription) {
    MakeControl();
    for (const RaisedError& row : kRaisedErrors) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - kRaisedErrors));
        EXPECT_EQ(row.raise(*control.Get()), ole::ControlErrorHResult(row.number));
        const support::RaisedError raised = support::TakeErrorInfo();
        // Inside control_tests.exe; in the library the source reads Inspecta2.Inspecta.
        EXPECT_EQ(raised.source, L"control_tests.Inspecta");
        EXPECT_EQ(raised.description, row.description);
    }
}

}  // namespace
