#include "tests/control/control_fixture.h"

#include "ole/bstr.h"
#include "ole/com_object.h"
#include "ole/error_info.h"
#include "ole/module.h"

#include <olectl.h>

namespace {

using doubles::FakeAutomationObject;
using ole::ComPtr;
using ole::Variant;

constexpr DISPID kFont = 0x68030001;
constexpr DISPID kHideReadOnlyItems = 0x68030002;
constexpr DISPID kHideCustomItems = 0x68030003;
constexpr DISPID kEnabled = 0x68030004;
constexpr DISPID kAutoPopulate = 0x68030006;

struct Exception {
    EXCEPINFO info{};
    ~Exception() {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
    std::wstring Source() const { return info.bstrSource ? info.bstrSource : L""; }
    std::wstring Description() const { return info.bstrDescription ? info.bstrDescription : L""; }
};

ComPtr<IFontDisp> MakeFont(const wchar_t* face) {
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(face), {82500, 0}, FW_NORMAL, DEFAULT_CHARSET,
                         FALSE, FALSE, FALSE};
    ComPtr<IFontDisp> font;
    EXPECT_EQ(OleCreateFontIndirect(&description, IID_IFontDisp, font.PutVoid()), S_OK);
    return font;
}

TEST_F(ControlTest, CreationBindsTheSupportObjectToTheListThatWasPlaced) {
    MakeControl();
    ASSERT_EQ(lists->Made().size(), 1u);
    EXPECT_EQ(List()->SinkCount(), 2u) << "the control and its support object both listen to the list";
    EXPECT_TRUE(List()->LogStartingWith(L"PopulateFromObject").empty()) << "binding does not fill";
    VARIANT_BOOL value = 0;
    control->get_HideReadOnlyItems(&value);
    EXPECT_EQ(value, VARIANT_TRUE);
}

TEST_F(ControlTest, WithoutTheListControlCreationFailsSayingSoAndLeavesNothing) {
    lists->FailCreation(REGDB_E_CLASSNOTREG);
    const long alive = ole::Module::ObjectCount();
    EXPECT_EQ(ole::MakeObject(control), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(control, nullptr);
    EXPECT_EQ(ole::Module::ObjectCount(), alive);
    ComPtr<IErrorInfo> error;
    ASSERT_EQ(GetErrorInfo(0, error.Put()), S_OK);
    ole::Bstr description;
    error->GetDescription(description.Out());
    EXPECT_NE(std::wstring(description.View()).find(L"KavellaCtl.Kavella"), std::wstring::npos);
}

TEST_F(ControlTest, EachPersistedOptionNotifiesTheContainerOnceAndAutoWritePropertiesNever) {
    MakeNewControl();
    EXPECT_EQ(Notifications(), std::vector<DISPID>{kFont}) << "a new control takes the ambient font";
    notifications->ClearCalls();

    control->put_AutoWriteProperties(VARIANT_FALSE);
    EXPECT_TRUE(Notifications().empty());
    control->put_AutoPopulate(VARIANT_FALSE);
    control->put_HideCustomItems(VARIANT_FALSE);
    control->put_HideReadOnlyItems(VARIANT_FALSE);
    control->put_Enabled(VARIANT_FALSE);
    control->putref_Font(MakeFont(L"Tahoma").Get());
    EXPECT_EQ(Notifications(), (std::vector<DISPID>{kAutoPopulate, kHideCustomItems, kHideReadOnlyItems, kEnabled, kFont}));
    EXPECT_EQ(List()->LogStartingWith(L"Enabled="), std::vector<std::wstring>{L"Enabled=0"});

    control->putref_ClientObject(client.Get());
    EXPECT_EQ(Notifications().size(), 5u) << "the client object is never persisted";
}

TEST_F(ControlTest, AFontChangedInPlaceReachesTheListAndNotifiesTwice) {
    MakeNewControl();
    ComPtr<IFontDisp> font;
    ASSERT_EQ(control->get_Font(font.Put()), S_OK);
    ComPtr<IFont> attributes;
    ASSERT_EQ(font.As(&attributes), S_OK);
    notifications->ClearCalls();
    List()->ClearLog();

    attributes->put_Bold(TRUE);
    EXPECT_EQ(Notifications(), (std::vector<DISPID>{kFont, kFont}));
    EXPECT_EQ(List()->LogStartingWith(L"Font").size(), 1u);
}

TEST_F(ControlTest, NothingAsFontIsRefusedWith380AndTheOldFontStays) {
    MakeNewControl();
    ComPtr<IFontDisp> before;
    control->get_Font(before.Put());
    VARIANT nothing;
    V_VT(&nothing) = VT_DISPATCH;
    V_DISPATCH(&nothing) = nullptr;
    Exception exception;
    EXPECT_EQ(InvokeByName(L"Font", DISPATCH_PROPERTYPUTREF, {nothing}, nullptr, &exception.info), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.info.scode, static_cast<SCODE>(0x800A017C));
    EXPECT_EQ(exception.Source(), L"control_tests.Inspecta");
    EXPECT_EQ(exception.Description(), L"Invalid property value");
    ComPtr<IFontDisp> after;
    control->get_Font(after.Put());
    EXPECT_EQ(after.Get(), before.Get());
}

TEST_F(ControlTest, ItemFindsTheListsOwnItemOrRaisesInvalidKey) {
    MakeNewControl();
    control->putref_ClientObject(client.Get());
    ComPtr<IPropertyItem> item;
    ole::Bstr key(L"caption");
    ASSERT_EQ(control->get_Item(key.Get(), item.Put()), S_OK);
    EXPECT_EQ(static_cast<void*>(item.Get()), static_cast<void*>(static_cast<IPropertyItem*>(Item(L"Caption"))));

    Variant missing(std::wstring_view(L"Nowhere"));
    Exception exception;
    Variant result;
    EXPECT_EQ(InvokeByName(L"Item", DISPATCH_PROPERTYGET, {missing.Get()}, &result, &exception.info), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.info.scode, static_cast<SCODE>(0x800A8B13));
    EXPECT_EQ(exception.Source(), L"control_tests.Inspecta");
    EXPECT_EQ(exception.Description(), L"Invalid Key");
    control->putref_ClientObject(nullptr);
}

TEST_F(ControlTest, RefreshValuesReadsThroughTheObjectMemberAndKeepsWhatCannotBeRead) {
    MakeNewControl();
    ASSERT_EQ(control->RefreshValues(), S_OK) << "no client: nothing happens";
    control->putref_ClientObject(client.Get());

    ComPtr<FakeAutomationObject> inner = FakeAutomationObject::Create("inner");
    inner->SetProperty(L"Count", Variant(LONG{8}));
    client->SetObjectMember(inner.Get());
    client->RemoveProperty(L"Count");
    client->SetProperty(L"Caption", Variant(std::wstring_view(L"Changed")));
    client->RemoveProperty(L"Handle");
    Item(L"Caption")->SetStoredModified(Variant(true).Get());
    const size_t eventsBefore = events->Events().size();

    ASSERT_EQ(control->RefreshValues(), S_OK);
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredValue().Get()), L"'Changed'");
    EXPECT_EQ(doubles::Describe(Item(L"Count")->StoredValue().Get()), L"8");
    EXPECT_EQ(doubles::Describe(Item(L"Handle")->StoredValue().Get()), L"99");
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredModified().Get()), L"True") << "markers untouched";
    EXPECT_EQ(events->Events().size(), eventsBefore) << "nothing is raised";
    control->putref_ClientObject(nullptr);
    client->RemoveProperty(L"object");
}

TEST_F(ControlTest, F5AndTheListsRefreshRequestReadTheValuesAgain) {
    MakeNewControl();
    control->putref_ClientObject(client.Get());
    client->SetProperty(L"Caption", Variant(std::wstring_view(L"Changed")));

    SHORT key = 65;
    VARIANT keyCode;
    V_VT(&keyCode) = VT_I2 | VT_BYREF;
    V_I2REF(&keyCode) = &key;
    VARIANT shift;
    V_VT(&shift) = VT_I2;
    V_I2(&shift) = 0;
    List()->RaiseEvent(L"KeyDown", {keyCode, shift});
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredValue().Get()), L"'Hello'") << "another key does nothing";

    key = 116;
    V_I2(&shift) = 3;
    List()->RaiseEvent(L"KeyDown", {keyCode, shift});
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredValue().Get()), L"'Changed'");
    EXPECT_EQ(key, 116) << "the key is not swallowed";

    client->SetProperty(L"Caption", Variant(std::wstring_view(L"Again")));
    List()->RaiseEvent(L"RequestRefresh");
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredValue().Get()), L"'Again'");
    control->putref_ClientObject(nullptr);
}

TEST_F(ControlTest, TheSupportObjectsEventsReachTheHostWithCopiesOfTheirArguments) {
    MakeNewControl();
    control->putref_ClientObject(client.Get());
    ASSERT_EQ(events->Events().size(), 1u);
    EXPECT_EQ(events->Events()[0].id, 1) << "AfterPopulate";

    events->OnEvent([](DISPID, DISPPARAMS& parameters) {
        // A host's handler that changes its arguments changes only its copies.
        if (parameters.cArgs == 2 && V_VT(&parameters.rgvarg[0]) == VT_BSTR) {
            SysFreeString(V_BSTR(&parameters.rgvarg[0]));
            V_BSTR(&parameters.rgvarg[0]) = SysAllocString(L"tampered");
        }
    });
    Item(L"Caption")->SetStoredValue(Variant(std::wstring_view(L"Edited")).Get());
    List()->RaiseItemChanged(Item(L"Caption"));
    ASSERT_EQ(events->Events().size(), 2u);
    const auto& changed = events->Events()[1];
    EXPECT_EQ(changed.id, 2) << "PropertyChanged";
    ASSERT_EQ(changed.arguments.size(), 2u);
    EXPECT_EQ(doubles::Describe(changed.arguments[0].Get()), L"'Caption'");
    EXPECT_EQ(doubles::Describe(changed.arguments[1].Get()), L"'Edited'");
    EXPECT_EQ(doubles::Describe(client->Property(L"Caption")->Get()), L"'Edited'") << "written, untampered";
    control->putref_ClientObject(nullptr);
}

TEST_F(ControlTest, TeardownLetsGoOfTheClientThenTheListThenTheSupportObject) {
    MakeNewControl();
    control->putref_ClientObject(client.Get());
    doubles::FakeList* list = List();
    lists->ForgetMade();
    list->ClearLog();
    DropControl();
    const std::vector<std::wstring> expected{L"PropertyItems", L"Clear", L"Unadvise", L"Unadvise"};
    ASSERT_GE(list->Log().size(), expected.size());
    EXPECT_EQ(std::vector<std::wstring>(list->Log().begin(), list->Log().begin() + 4), expected);
    EXPECT_EQ(client->RefCount(), 1u);
    EXPECT_TRUE(list->IsDead()) << "the list goes with the control";
}

}  // namespace
