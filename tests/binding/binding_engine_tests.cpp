#include "binding/binding_engine.h"

#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/variant.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/doubles/fake_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using doubles::FakeAutomationObject;
using doubles::FakeItem;
using doubles::FakeList;
using doubles::CatalogueEntry;
using ole::ComPtr;
using ole::Variant;
using Access = FakeAutomationObject::Access;
using Log = std::vector<std::wstring>;

constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x800A000D);
constexpr VARIANT_BOOL kTrue = VARIANT_TRUE;
constexpr VARIANT_BOOL kFalse = VARIANT_FALSE;

// The owner's side: notes each event in the list's log, so its place among the list calls shows.
class Owner : public InspectaSupportEvents {
public:
    FakeList* list = nullptr;
    std::vector<std::pair<std::wstring, std::wstring>> propertyChanges;  // name, described value
    std::function<void()> onAfterPopulate;
    std::function<void()> onPropertyChanged;

    void AfterPopulate() override {
        list->Note(L"event AfterPopulate");
        if (onAfterPopulate) onAfterPopulate();
    }
    void PropertyChanged(BSTR name, const VARIANT& value) override {
        list->Note(L"event PropertyChanged");
        propertyChanges.emplace_back(name ? name : L"", doubles::Describe(value));
        if (onPropertyChanged) onPropertyChanged();
    }
};

std::vector<FakeAutomationObject::Call> Writes(const ComPtr<FakeAutomationObject>& object) {
    std::vector<FakeAutomationObject::Call> writes;
    for (const auto& call : object->Calls()) {
        if (call.kind == DISPATCH_PROPERTYPUT || call.kind == DISPATCH_PROPERTYPUTREF) writes.push_back(call);
    }
    return writes;
}

class InspectaSupportTest : public testing::Test {
protected:
    void SetUp() override {
        client->SetProperty(L"Caption", Variant(std::wstring_view(L"Hello")));
        client->SetProperty(L"Handle", Variant(LONG{99}), Access::ReadOnly);
        client->SetProperty(L"Picture", Variant(static_cast<IDispatch*>(picture.Get())));
        list->SetCatalogue({{L"Caption"}, {L"Handle", true}, {L"Picture", false, 0}});
        owner.list = list.Get();
        ASSERT_EQ(ole::MakeObject(support), S_OK);
        support->SetEventSink(&owner);
    }

    void TearDown() override {
        if (support) support->SetEventSink(nullptr);
    }

    void Bind() {
        ASSERT_EQ(support->SetKavella(static_cast<_Kavella*>(list.Get())), S_OK);
        ASSERT_EQ(support->SetClientObject(client.Get()), S_OK);
        list->ClearLog();
        client->ClearCalls();
    }

    FakeItem* Item(const wchar_t* name) const {
        FakeItem* item = list->Item(name);
        EXPECT_NE(item, nullptr) << "no item " << std::string(name, name + wcslen(name));
        return item;
    }

    ComPtr<FakeAutomationObject> picture = FakeAutomationObject::Create("picture");
    ComPtr<FakeAutomationObject> client = FakeAutomationObject::Create("client");
    ComPtr<FakeList> list = FakeList::Create();
    Owner owner;
    ComPtr<InspectaSupport> support;
};

TEST_F(InspectaSupportTest, StartsWithItsDefaultsAndNothingBound) {
    EXPECT_EQ(support->HideReadOnlyItems(), kTrue);
    EXPECT_EQ(support->HideCustomItems(), kTrue);
    EXPECT_EQ(support->AutoPopulate(), kTrue);
    EXPECT_EQ(support->AutoWriteProperties(), kTrue);
    EXPECT_EQ(support->UseObjectProperty(), kFalse);
    EXPECT_EQ(support->ClientObject(), nullptr);
    EXPECT_EQ(support->Kavella(), nullptr);
}

TEST_F(InspectaSupportTest, WithoutAListNothingHappensAndOptionsAreStoredAsGiven) {
    EXPECT_EQ(support->SetClientObject(client.Get()), S_OK);
    EXPECT_EQ(support->SetHideCustomItems(1), S_OK);
    EXPECT_EQ(support->SetUseObjectProperty(kTrue), S_OK);
    EXPECT_EQ(support->HideCustomItems(), 1) << "not normalised";
    EXPECT_TRUE(client->Calls().empty());
    EXPECT_TRUE(list->Log().empty());
    EXPECT_EQ(support->ClientObject().Get(), static_cast<IDispatch*>(client.Get()));
    EXPECT_EQ(client->RefCount(), 1u);
}

TEST_F(InspectaSupportTest, BindingAListSubscribesButDoesNotFillIt) {
    ASSERT_EQ(support->SetKavella(static_cast<_Kavella*>(list.Get())), S_OK);
    EXPECT_EQ(list->Log(), Log{L"Advise"});
    EXPECT_EQ(list->SinkCount(), 1u);
    EXPECT_TRUE(owner.propertyChanges.empty());
}

TEST_F(InspectaSupportTest, AnObjectThatIsNotTheListIsATypeMismatchAndChangesNothing) {
    EXPECT_EQ(support->SetKavella(client.Get()), kTypeMismatch);
    EXPECT_EQ(support->Kavella(), nullptr);

    ASSERT_EQ(support->SetKavella(static_cast<_Kavella*>(list.Get())), S_OK);
    EXPECT_EQ(support->SetKavella(client.Get()), kTypeMismatch);
    ComPtr<IErrorInfo> error;
    ASSERT_EQ(GetErrorInfo(0, error.Put()), S_OK);
    ole::Bstr description;
    error->GetDescription(description.Out());
    EXPECT_EQ(description, L"Type mismatch");
    EXPECT_EQ(support->Kavella().Get(), static_cast<IDispatch*>(list.Get()));
    EXPECT_EQ(list->SinkCount(), 1u);
    EXPECT_TRUE(list->LogStartingWith(L"Unadvise").empty());
}

TEST_F(InspectaSupportTest, ARefreshFillsHidesRedrawsOnceRaisesAfterPopulateThenReadsValues) {
    ASSERT_EQ(support->SetKavella(static_cast<_Kavella*>(list.Get())), S_OK);
    list->ClearLog();
    ASSERT_EQ(support->SetClientObject(client.Get()), S_OK);

    const Log expected{
        L"Redraw=0", L"PopulateFromObject", L"PropertyItems",
        L"Caption.ReadOnly", L"Caption.Style",
        L"Handle.ReadOnly", L"Handle.Visible=0", L"Handle.Style",
        L"Picture.ReadOnly", L"Picture.Style", L"Picture.Visible=0",
        L"Redraw=-1", L"event AfterPopulate", L"PropertyItems",
        L"Caption.Modified=False", L"Caption.Name", L"Caption.Value='Hello'",
        L"Handle.Modified=False", L"Handle.Name", L"Handle.Value=99",
        L"Picture.Modified=False", L"Picture.Name", L"Picture.Value=object",
    };
    EXPECT_EQ(list->Log(), expected);
    ASSERT_EQ(list->PopulatedFrom().size(), 1u);
    EXPECT_EQ(list->PopulatedFrom()[0], static_cast<IDispatch*>(client.Get()));
    EXPECT_EQ(Item(L"Caption")->StoredVisible(), kTrue);
    EXPECT_EQ(client->RefCount(), 1u);
    EXPECT_EQ(picture->RefCount(), 3u) << "ours, the client's and the item's";
}

TEST_F(InspectaSupportTest, WithoutAClientTheListIsClearedOnlyWhenAutoPopulateIsOn) {
    Bind();
    ASSERT_EQ(support->SetClientObject(nullptr), S_OK);
    EXPECT_EQ(list->Log(), (Log{L"PropertyItems", L"Clear"}));
    EXPECT_TRUE(list->Items().empty());

    ASSERT_EQ(support->SetClientObject(client.Get()), S_OK);
    support->SetAutoPopulate(kFalse);
    list->ClearLog();
    ASSERT_EQ(support->SetClientObject(nullptr), S_OK);
    EXPECT_TRUE(list->Log().empty());
    EXPECT_EQ(list->Items().size(), 3u);
}

TEST_F(InspectaSupportTest, WithoutAutoPopulateTheItemsStayAndTakeTheNewClientsValues) {
    Bind();
    support->SetAutoPopulate(kFalse);
    ComPtr<FakeAutomationObject> other = FakeAutomationObject::Create("other");
    other->SetProperty(L"Caption", Variant(std::wstring_view(L"Other")));
    ASSERT_EQ(support->SetClientObject(other.Get()), S_OK);
    EXPECT_TRUE(list->LogStartingWith(L"PopulateFromObject").empty());
    EXPECT_EQ(list->Items().size(), 3u);
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredValue().Get()), L"'Other'");
    EXPECT_EQ(doubles::Describe(Item(L"Handle")->StoredValue().Get()), L"99") << "unreadable: keeps its value";
    EXPECT_EQ(list->LogStartingWith(L"Handle.Visible=0").size(), 1u) << "filtered again";
    support->SetClientObject(nullptr);
}

TEST_F(InspectaSupportTest, ReadOnlyHidingAsksForNonZeroButCustomHidingForExactlyTrue) {
    support->SetAutoPopulate(kTrue);
    ASSERT_EQ(support->SetHideCustomItems(1), S_OK);
    ASSERT_EQ(support->SetHideReadOnlyItems(1), S_OK);
    Bind();
    EXPECT_EQ(Item(L"Picture")->StoredVisible(), kTrue);
    EXPECT_EQ(Item(L"Handle")->StoredVisible(), kFalse);
}

TEST_F(InspectaSupportTest, HidingOptionsRefreshEveryTimeButNeverUnhide) {
    Bind();
    ASSERT_EQ(support->SetHideCustomItems(kTrue), S_OK);
    EXPECT_EQ(list->LogStartingWith(L"PopulateFromObject").size(), 1u) << "same value, full refresh";
    EXPECT_EQ(list->LogStartingWith(L"event AfterPopulate").size(), 1u);

    support->SetAutoPopulate(kFalse);
    ASSERT_EQ(support->SetHideReadOnlyItems(kFalse), S_OK);
    ASSERT_EQ(support->SetHideCustomItems(kFalse), S_OK);
    for (FakeItem* item : list->Items()) {
        if (item->ItemName() != L"Caption") {
            EXPECT_EQ(item->StoredVisible(), kFalse) << "still hidden";
        }
    }
}

TEST_F(InspectaSupportTest, SettingAClientTwiceRefreshesTwice) {
    Bind();
    ASSERT_EQ(support->SetClientObject(client.Get()), S_OK);
    EXPECT_EQ(list->LogStartingWith(L"PopulateFromObject").size(), 1u);
    EXPECT_EQ(list->Items().size(), 6u) << "the list is not cleared before it is filled";
}

TEST_F(InspectaSupportTest, UseObjectPropertyFillsFromTheObjectMemberOrFailsAfterRedrawOff) {
    Bind();
    EXPECT_EQ(support->SetUseObjectProperty(kTrue), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(support->UseObjectProperty(), kTrue) << "stored before the refresh failed";
    EXPECT_EQ(list->Log(), Log{L"Redraw=0"});
    EXPECT_EQ(list->RedrawState(), kFalse);

    ComPtr<FakeAutomationObject> inner = FakeAutomationObject::Create("inner");
    client->SetObjectMember(inner.Get());
    ASSERT_EQ(support->Refresh(), S_OK);
    EXPECT_EQ(list->PopulatedFrom().back(), static_cast<IDispatch*>(inner.Get()));
    EXPECT_EQ(list->RedrawState(), kTrue);
    client->RemoveProperty(L"object");
}

TEST_F(InspectaSupportTest, AFailedRefreshStopsWhereItFailedAndReportsTheListsError) {
    Bind();
    list->FailOn(L"PopulateFromObject", E_ACCESSDENIED);
    EXPECT_EQ(support->Refresh(), E_ACCESSDENIED);
    EXPECT_EQ(list->Log(), (Log{L"Redraw=0", L"PopulateFromObject"}));
    ComPtr<IErrorInfo> error;
    ASSERT_EQ(GetErrorInfo(0, error.Put()), S_OK);
    ole::Bstr source;
    error->GetSource(source.Out());
    EXPECT_EQ(source, L"FakeList");

    list->StopFailing(L"PopulateFromObject");
    list->SetCatalogue({{L"Caption"}, {L"Odd", false, 1, true}});
    list->ClearLog();
    EXPECT_EQ(support->Refresh(), kTypeMismatch) << "an element that is not an item";
    EXPECT_TRUE(list->LogStartingWith(L"event AfterPopulate").empty());
}

TEST_F(InspectaSupportTest, ValuesComeThroughTheObjectMemberWhenTheClientCannotGiveThem) {
    ComPtr<FakeAutomationObject> inner = FakeAutomationObject::Create("inner");
    inner->SetProperty(L"Handle", Variant(LONG{5}));
    inner->SetProperty(L"Picture", Variant(LONG{6}));
    client->SetObjectMember(inner.Get());
    client->RemoveProperty(L"Handle");
    client->FailOn(L"Picture", DISPATCH_PROPERTYGET, E_FAIL, L"Client", L"cannot read");
    list->SetCatalogue({{L"Caption"}, {L"Handle", true}, {L"Picture", false, 0}, {L"Nowhere"}});
    Bind();
    EXPECT_EQ(doubles::Describe(Item(L"Handle")->StoredValue().Get()), L"5");
    EXPECT_EQ(doubles::Describe(Item(L"Picture")->StoredValue().Get()), L"6");

    VARIANT previous;
    V_VT(&previous) = VT_I4;
    V_I4(&previous) = 17;
    Item(L"Nowhere")->SetStoredValue(previous);
    Item(L"Nowhere")->SetStoredModified(Variant(true).Get());
    client->ClearCalls();
    ASSERT_EQ(support->ReadProperties(), S_OK);
    size_t objectLookups = 0;
    for (const auto& call : client->Calls()) {
        if (call.kind == FakeAutomationObject::kLookup && call.member == L"object") ++objectLookups;
    }
    EXPECT_EQ(objectLookups, 3u) << "only the three items that cannot be read directly fall back";
    EXPECT_EQ(doubles::Describe(Item(L"Nowhere")->StoredValue().Get()), L"17");
    EXPECT_EQ(doubles::Describe(Item(L"Nowhere")->StoredModified().Get()), L"False");
    ComPtr<IErrorInfo> stale;
    EXPECT_EQ(GetErrorInfo(0, stale.Put()), S_FALSE) << "suppressed failures leave no error behind";
    client->RemoveProperty(L"object");
}

TEST_F(InspectaSupportTest, AFailureToClearAMarkerEndsReadingThere) {
    Bind();
    for (FakeItem* item : list->Items()) item->SetStoredModified(Variant(true).Get());
    list->FailOn(L"Handle.Modified.put", E_FAIL);
    EXPECT_EQ(support->ReadProperties(), E_FAIL);
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredModified().Get()), L"False");
    EXPECT_EQ(doubles::Describe(Item(L"Picture")->StoredModified().Get()), L"True") << "not visited";
}

TEST_F(InspectaSupportTest, AnEditIsMarkedReportedThenWrittenAtOnce) {
    Bind();
    Item(L"Caption")->SetStoredValue(Variant(std::wstring_view(L"Edited")).Get());
    ASSERT_EQ(list->RaiseItemChanged(Item(L"Caption")), S_OK);

    EXPECT_EQ(list->Log().front(), L"Caption.Modified=True");
    ASSERT_EQ(owner.propertyChanges.size(), 1u);
    EXPECT_EQ(owner.propertyChanges[0], (std::pair<std::wstring, std::wstring>{L"Caption", L"'Edited'"}));
    const auto writes = Writes(client);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].kind, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(writes[0].member, L"Caption");
    EXPECT_EQ(writes[0].locale, 1033u);
    EXPECT_EQ(doubles::Describe(client->Property(L"Caption")->Get()), L"'Edited'");
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredModified().Get()), L"True") << "stays marked";

    Item(L"Picture")->SetStoredValue(Variant(static_cast<IDispatch*>(nullptr)).Get());
    ASSERT_EQ(list->RaiseItemChanged(Item(L"Picture")), S_OK);
    EXPECT_EQ(Writes(client).back().kind, DISPATCH_PROPERTYPUTREF) << "a null object goes by reference";
}

TEST_F(InspectaSupportTest, AFailedImmediateWriteIsSwallowedAndWithoutAutoWriteNothingIsWritten) {
    Bind();
    client->FailOn(L"Caption", DISPATCH_PROPERTYPUT, E_FAIL, L"Client", L"refused");
    ASSERT_EQ(list->RaiseItemChanged(Item(L"Caption")), S_OK);
    EXPECT_EQ(owner.propertyChanges.size(), 1u);
    ComPtr<IErrorInfo> stale;
    EXPECT_EQ(GetErrorInfo(0, stale.Put()), S_FALSE);

    support->SetAutoWriteProperties(kFalse);
    client->ClearCalls();
    ASSERT_EQ(list->RaiseItemChanged(Item(L"Caption")), S_OK);
    EXPECT_EQ(owner.propertyChanges.size(), 2u);
    EXPECT_TRUE(Writes(client).empty());
}

TEST_F(InspectaSupportTest, WritePropertiesWritesMarkedVisibleWritableItemsAndStopsAtTheFirstFailure) {
    client->SetProperty(L"Count", Variant(LONG{1}));
    client->SetProperty(L"Width", Variant(LONG{2}));
    list->SetCatalogue({{L"Caption"}, {L"Count"}, {L"Width"}, {L"Handle", true}});
    support->SetHideReadOnlyItems(kFalse);
    Bind();
    ASSERT_EQ(support->WriteProperties(), S_OK);
    EXPECT_TRUE(Writes(client).empty()) << "nothing is marked after a read";

    for (FakeItem* item : list->Items()) item->SetStoredModified(Variant(true).Get());
    VARIANT null;
    V_VT(&null) = VT_NULL;
    Item(L"Width")->SetStoredModified(null);
    Item(L"Count")->SetStoredVisible(kFalse);
    ASSERT_EQ(support->WriteProperties(), S_OK);
    ASSERT_EQ(Writes(client).size(), 1u);
    EXPECT_EQ(Writes(client)[0].member, L"Caption");
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredModified().Get()), L"False");
    EXPECT_EQ(doubles::Describe(Item(L"Count")->StoredModified().Get()), L"True") << "invisible: kept";
    EXPECT_EQ(doubles::Describe(Item(L"Handle")->StoredModified().Get()), L"True") << "read-only: kept";

    Item(L"Count")->SetStoredVisible(kTrue);
    Item(L"Width")->SetStoredModified(Variant(true).Get());
    Item(L"Caption")->SetStoredModified(Variant(true).Get());
    client->FailOn(L"Count", DISPATCH_PROPERTYPUT, ole::ControlErrorHResult(380), L"Client", L"Invalid property value");
    client->ClearCalls();
    EXPECT_EQ(support->WriteProperties(), ole::ControlErrorHResult(380));
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredModified().Get()), L"False");
    EXPECT_EQ(doubles::Describe(Item(L"Count")->StoredModified().Get()), L"True");
    EXPECT_EQ(doubles::Describe(Item(L"Width")->StoredModified().Get()), L"True");
    EXPECT_EQ(Writes(client).size(), 2u) << "Caption written, Count refused, Width not tried";
}

TEST_F(InspectaSupportTest, ReleasingTheSupportObjectLetsGoOfTheListButNeverTouchesTheClient) {
    Bind();
    ASSERT_EQ(list->RaiseItemChanged(Item(L"Caption")), S_OK);
    support->WriteProperties();
    support->ReadProperties();
    EXPECT_EQ(client->RefCount(), 1u);
    const ULONG listBefore = list->RefCount();
    EXPECT_GT(listBefore, 1u);
    support->SetEventSink(nullptr);
    support.Reset();
    EXPECT_EQ(client->RefCount(), 1u);
    EXPECT_EQ(list->RefCount(), 1u);
    EXPECT_EQ(list->SinkCount(), 0u);
}

TEST_F(InspectaSupportTest, HandlersMayRebindOrDropTheSupportObjectWhileItWorks) {
    Bind();
    ComPtr<FakeAutomationObject> other = FakeAutomationObject::Create("other");
    other->SetProperty(L"Caption", Variant(std::wstring_view(L"Other")));
    int nested = 0;
    owner.onAfterPopulate = [&] {
        if (nested++ == 0) {
            EXPECT_EQ(support->SetClientObject(other.Get()), S_OK);
        }
    };
    ASSERT_EQ(support->SetClientObject(client.Get()), S_OK);
    EXPECT_EQ(nested, 2);
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredValue().Get()), L"'Other'");

    // The owner's teardown from inside an event: unbind, drop the list, release the engine.
    owner.onAfterPopulate = nullptr;
    long aliveAfterLastRelease = -1;
    owner.onPropertyChanged = [&] {
        support->SetClientObject(nullptr);
        support->SetKavella(nullptr);
        support->SetEventSink(nullptr);
        support.Reset();
        aliveAfterLastRelease = ole::Module::ObjectCount();
    };
    ASSERT_EQ(list->RaiseItemChanged(Item(L"Caption")), S_OK);
    EXPECT_EQ(support, nullptr);
    // Still alive in the handler: the support object, and the event sink that the list is calling.
    EXPECT_EQ(aliveAfterLastRelease, ole::Module::ObjectCount() + 2) << "alive until the handler returned";
    EXPECT_TRUE(Writes(other).empty()) << "the client was unbound before the write";
    EXPECT_EQ(other->RefCount(), 1u);
    EXPECT_EQ(list->SinkCount(), 0u);
}

TEST_F(InspectaSupportTest, TheOwnersTeardownInsideAfterPopulateEndsTheRefreshQuietly) {
    ASSERT_EQ(support->SetKavella(static_cast<_Kavella*>(list.Get())), S_OK);
    long aliveAfterLastRelease = -1;
    owner.onAfterPopulate = [&] {
        support->SetClientObject(nullptr);
        support->SetKavella(nullptr);
        support->SetEventSink(nullptr);
        support.Reset();  // the only reference
        aliveAfterLastRelease = ole::Module::ObjectCount();
    };
    InspectaSupport* raw = support.Get();
    list->ClearLog();
    EXPECT_EQ(raw->SetClientObject(client.Get()), S_OK);
    EXPECT_EQ(aliveAfterLastRelease, ole::Module::ObjectCount() + 1) << "alive until the refresh returned";
    EXPECT_TRUE(list->LogStartingWith(L"Caption.Modified").empty()) << "no values read after the teardown";
    EXPECT_EQ(client->RefCount(), 1u);
    EXPECT_EQ(list->RefCount(), 1u);
}

}  // namespace
