#include "binding/binding_engine.h"

#include "ole/error_info.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/doubles/fake_list.h"
#include "tests/support/com_helpers.h"

#include <functional>

namespace {

using doubles::Describe;
using doubles::FakeAutomationObject;
using doubles::FakeList;
using ole::ComPtr;
using ole::Variant;
using Log = std::vector<std::wstring>;

// A client with a writable text, a read-only number and an object, which the list shows as a plain item, a read-only
// item and a custom-style item. The fixture is the owner: it notes each event in the list's log, so that its place
// among the list's calls shows, and runs what a test asks to be done inside the next event.
class EngineTest : public testing::Test, public InspectaSupportEvents {
protected:
    void SetUp() override {
        client->SetProperty(L"Caption", Variant(std::wstring_view(L"Hello")));
        client->SetProperty(L"Handle", Variant(LONG{99}), FakeAutomationObject::Access::ReadOnly);
        client->SetProperty(L"Picture", Variant(static_cast<IDispatch*>(picture.Get())));
        list->SetCatalogue({{L"Caption"}, {L"Handle", true}, {L"Picture", false, 0}});
        ASSERT_EQ(ole::MakeObject(support), S_OK);
        support->SetEventSink(this);
    }
    void AfterPopulate() override { Raised(L"event AfterPopulate"); }
    void PropertyChanged(BSTR name, const VARIANT& value) override {
        Raised(L"event PropertyChanged " + std::wstring(name ? name : L"") + L"=" + Describe(value));
    }
    void Raised(const std::wstring& event) {
        list->Note(event);
        if (inside) std::exchange(inside, nullptr)();
    }
    void Bind() {
        ASSERT_EQ(support->SetKavella(static_cast<_Kavella*>(list.Get())), S_OK);
        ASSERT_EQ(support->SetClientObject(client.Get()), S_OK);
        list->ClearLog();
        client->ClearCalls();
    }
    doubles::FakeItem* Item(const wchar_t* name) const { return list->Item(name); }
    std::wstring Value(const wchar_t* name) const { return Describe(Item(name)->value.Get()); }
    std::wstring Marker(const wchar_t* name) const { return Describe(Item(name)->modified.Get()); }
    void MarkAll() const { for (doubles::FakeItem* item : list->Items()) item->modified = Variant(true); }
    // The properties written on the client, "Name" by value and "Name&" by reference; every call
    // the client met was made in US English.
    Log Writes() const {
        Log writes;
        for (const auto& call : client->Calls()) {
            EXPECT_EQ(call.locale, 1033u);
            if (!(call.kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) continue;
            writes.push_back(call.member + (call.kind == DISPATCH_PROPERTYPUTREF ? L"&" : L""));
        }
        return writes;
    }

    ComPtr<FakeAutomationObject> picture = FakeAutomationObject::Create("picture");
    ComPtr<FakeAutomationObject> client = FakeAutomationObject::Create("client");
    ComPtr<FakeAutomationObject> inner = FakeAutomationObject::Create("inner");
    ComPtr<FakeList> list = FakeList::Create();
    std::function<void()> inside;
    ComPtr<InspectaSupport> support;
};

// Binding only subscribes; then a refresh fills, hides, redraws once, raises AfterPopulate and reads. Every assignment
// refreshes again, a failure ending the refresh there, a handler's assignment inside it; UseObjectProperty fills from
// the object member; AutoPopulate decides whether items are made or cleared.
TEST_F(EngineTest, EachAssignmentRefreshesTheBoundList) {
    ASSERT_EQ(support->SetClientObject(client.Get()), S_OK);
    EXPECT_TRUE(client->Calls().empty()) << "no list: nothing happens";
    list->FailOn(L"Advise", E_ACCESSDENIED);
    EXPECT_EQ(support->SetKavella(static_cast<_Kavella*>(list.Get())), E_ACCESSDENIED) << "and holds nothing";
    list->StopFailing(L"Advise");
    ASSERT_EQ(support->SetKavella(static_cast<_Kavella*>(list.Get())), S_OK);
    EXPECT_EQ(support->SetKavella(client.Get()), static_cast<HRESULT>(0x800A000D)) << "not a list: the list stays";
    EXPECT_EQ(support::TakeErrorInfo().description, L"Type mismatch");
    ASSERT_EQ(support->SetClientObject(client.Get()), S_OK);
    const Log expected{L"Advise", L"Advise", L"HostReadsValues=1", L"Redraw=0", L"PopulateFromObject", L"PropertyItems",
        L"Caption.ReadOnly", L"Caption.Style", L"Handle.ReadOnly", L"Handle.Visible=0", L"Handle.Style",
        L"Picture.ReadOnly", L"Picture.Style", L"Picture.Visible=0", L"Redraw=-1", L"event AfterPopulate",
        L"PropertyItems", L"Caption.Modified=False", L"Caption.Name", L"Caption.Value='Hello'",
        L"Handle.Modified=False", L"Handle.Name", L"Handle.Value=99", L"Picture.Modified=False", L"Picture.Name",
        L"Picture.Value=object"};
    EXPECT_EQ(list->Log(), expected);
    EXPECT_EQ(list->PopulatedFrom(), std::vector<const void*>{static_cast<IDispatch*>(client.Get())});

    list->FailOn(L"PopulateFromObject", E_ACCESSDENIED);
    list->ClearLog();
    EXPECT_EQ(support->Refresh(), E_ACCESSDENIED);
    EXPECT_EQ(list->Log(), (Log{L"Redraw=0", L"PopulateFromObject"}));
    EXPECT_EQ(support::TakeErrorInfo().source, L"FakeList");
    list->StopFailing(L"PopulateFromObject");
    list->ClearLog();
    EXPECT_EQ(support->SetUseObjectProperty(VARIANT_TRUE), DISP_E_UNKNOWNNAME) << "no member \"object\"";
    EXPECT_EQ(list->Log(), Log{L"Redraw=0"});
    client->SetProperty(L"object", Variant(static_cast<IDispatch*>(inner.Get())));
    ASSERT_EQ(support->SetHideCustomItems(VARIANT_TRUE), S_OK);
    EXPECT_EQ(list->PopulatedFrom().back(), static_cast<IDispatch*>(inner.Get()));
    ASSERT_EQ(support->SetHideReadOnlyItems(VARIANT_TRUE), S_OK);
    EXPECT_EQ(list->LogStartingWith(L"event AfterPopulate").size(), 2u);
    EXPECT_EQ(list->Items().size(), 9u) << "filled again without clearing";

    support->SetAutoPopulate(VARIANT_FALSE);
    inner->SetProperty(L"Caption", Variant(std::wstring_view(L"Other")));
    list->ClearLog();
    inside = [&] { EXPECT_EQ(support->SetClientObject(inner.Get()), S_OK); };
    ASSERT_EQ(support->SetClientObject(client.Get()), S_OK);
    EXPECT_TRUE(list->LogStartingWith(L"PopulateFromObject").empty());
    EXPECT_EQ(list->LogStartingWith(L"Handle.Visible=0").size(), 6u) << "filtered again, twice";
    EXPECT_EQ(Value(L"Caption"), L"'Other'") << "read from the client the AfterPopulate handler bound";
    list->ClearLog();
    ASSERT_EQ(support->SetClientObject(nullptr), S_OK);
    EXPECT_TRUE(list->Log().empty()) << "kept";
    ASSERT_EQ(support->SetKavella(static_cast<_Kavella*>(list.Get())), S_OK);
    ASSERT_EQ(support->SetKavella(nullptr), S_OK);
    EXPECT_EQ(list->LogStartingWith(L"Host"), (Log{L"HostReadsValues=0", L"HostReadsValues=1", L"HostReadsValues=0"}))
        << "bound again, then let go";
}

// Read-only items are hidden for any non-zero flag and option; custom-style items (style 0)
// only while HideCustomItems is exactly True. The engine only ever hides: each rule starts visible.
TEST_F(EngineTest, EachHidingRuleDecidesWhetherTheItemStaysVisible) {
    struct { VARIANT_BOOL hideReadOnlyItems, hideCustomItems, readOnly; LONG style; bool visible; } const rules[] = {
        {-1, -1, 0, 1, true},  {-1, -1, -1, 1, false}, {-1, 0, 1, 1, false}, {1, 0, -1, 1, false},
        {0, -1, -1, 1, true},  {-1, -1, 0, 0, false},  {-1, -1, 0, -1, true}, {-1, -1, 0, 2, true},
        {0, 1, 0, 0, true},    {0, 0, 0, 0, true},     {0, 0, -1, 0, true},   {-1, -1, -1, 0, false}};
    Bind();
    support->SetAutoPopulate(VARIANT_FALSE);
    doubles::FakeItem* const item = Item(L"Caption");
    for (const auto& rule : rules) {
        SCOPED_TRACE(testing::Message() << "rule " << (&rule - rules));
        ASSERT_EQ(support->SetHideReadOnlyItems(rule.hideReadOnlyItems), S_OK);
        ASSERT_EQ(support->SetHideCustomItems(rule.hideCustomItems), S_OK);
        item->readOnly = rule.readOnly;
        item->style = rule.style;
        item->visible = VARIANT_TRUE;
        ASSERT_EQ(support->Refresh(), S_OK);
        EXPECT_EQ(item->visible, rule.visible ? VARIANT_TRUE : VARIANT_FALSE);
    }
}

TEST_F(EngineTest, AValueComesThroughTheObjectMemberOnlyWhenTheDirectReadFails) {
    inner->SetProperty(L"Caption", Variant(std::wstring_view(L"not this one")));
    inner->SetProperty(L"Depth", Variant(LONG{5}));
    inner->SetProperty(L"Picture", Variant(LONG{6}));
    client->SetProperty(L"object", Variant(static_cast<IDispatch*>(inner.Get())));
    client->FailOn(L"Picture", DISPATCH_PROPERTYGET, E_FAIL, L"Client", L"cannot read");
    list->SetCatalogue({{L"Caption"}, {L"Depth"}, {L"Picture", false, 0}, {L"Nowhere"}});
    Bind();
    Item(L"Nowhere")->value = Variant(LONG{17});
    MarkAll();
    ASSERT_EQ(support->ReadProperties(), S_OK);
    EXPECT_EQ(Value(L"Caption") + Value(L"Depth") + Value(L"Picture"), L"'Hello'56");
    EXPECT_EQ(Value(L"Nowhere") + Marker(L"Nowhere"), L"17False") << "readable neither way: value kept";
    EXPECT_FALSE(support::TakeErrorInfo().present) << "suppressed failures leave no error behind";

    list->FailOn(L"Depth.Modified.put", E_FAIL);
    MarkAll();
    EXPECT_EQ(support->ReadProperties(), E_FAIL);
    EXPECT_EQ(Marker(L"Caption") + Marker(L"Picture"), L"FalseTrue") << "reading ends at the failure";
}

TEST_F(EngineTest, AnEditIsMarkedReportedThenWrittenAtOnceObjectsByReferenceFailuresIgnored) {
    Bind();
    Item(L"Caption")->value = Variant(std::wstring_view(L"Edited"));
    inside = [&] { EXPECT_TRUE(Writes().empty()) << "the event comes before the write"; };
    ASSERT_EQ(list->RaiseItemChanged(Item(L"Caption")), S_OK);
    EXPECT_EQ(Log(list->Log().begin(), list->Log().begin() + 6),
              (Log{L"Caption.Name", L"PropertyItems", L"Caption.Modified=True", L"Caption.Name", L"Caption.Value",
                   L"event PropertyChanged Caption='Edited'"}));
    EXPECT_EQ(Describe(*client->Property(L"Caption")) + Marker(L"Caption"), L"'Edited'True") << "stays marked";

    Item(L"Picture")->value = Variant(static_cast<IDispatch*>(nullptr));
    client->FailOn(L"Picture", DISPATCH_PROPERTYPUTREF, E_FAIL, L"Client", L"refused");
    ASSERT_EQ(list->RaiseItemChanged(Item(L"Picture")), S_OK);
    EXPECT_EQ(Writes(), (Log{L"Caption", L"Picture&"})) << "a null object goes by reference";
    EXPECT_FALSE(support::TakeErrorInfo().present);
    EXPECT_EQ(list->LogStartingWith(L"event PropertyChanged Picture"), Log{L"event PropertyChanged Picture=Nothing"});
    EXPECT_EQ(Value(L"Picture") + Marker(L"Picture"), L"objectFalse") << "refused: the client's value is read back";

    // The list writes the items of objects nested in the client's, which are not in its collection.
    const ComPtr<FakeList> other = FakeList::Create();
    other->SetCatalogue({{L"Caption"}});
    ASSERT_EQ(other->PopulateFromObject(Variant(static_cast<IDispatch*>(client.Get())).Get()), S_OK);
    ASSERT_EQ(list->RaiseItemChanged(other->Item(L"Caption")), S_OK);
    const auto heard = [&] {
        return std::vector{list->LogStartingWith(L"event PropertyChanged").size(), Writes().size()};
    };
    EXPECT_EQ(heard(), (std::vector<size_t>{2, 2}));
    EXPECT_EQ(other->Item(L"Caption")->modified.Type(), VT_EMPTY);

    support->SetAutoWriteProperties(VARIANT_FALSE);
    ASSERT_EQ(list->RaiseItemChanged(Item(L"Caption")), S_OK);
    EXPECT_EQ(heard(), (std::vector<size_t>{3, 2})) << "events without writes";
}

// Written: marked (exactly True), visible (exactly True) and writable (exactly False) items, in
// order, up to the first refusal.
TEST_F(EngineTest, WritePropertiesWritesMarkedVisibleWritableItemsAndStopsAtTheFirstFailure) {
    client->SetProperty(L"Count", Variant(LONG{1}));
    client->SetProperty(L"Width", Variant(LONG{2}));
    list->SetCatalogue({{L"Caption"}, {L"Count"}, {L"Width"}, {L"Handle", true}});
    support->SetHideReadOnlyItems(VARIANT_FALSE);
    Bind();
    MarkAll();
    Item(L"Width")->modified.Out()->vt = VT_NULL;
    Item(L"Count")->visible = 1;
    Item(L"Handle")->readOnly = 1;
    ASSERT_EQ(support->WriteProperties(), S_OK);
    EXPECT_EQ(Writes(), Log{L"Caption"});
    EXPECT_EQ(Marker(L"Caption") + Marker(L"Count") + Marker(L"Handle"), L"FalseTrueTrue");

    MarkAll();
    Item(L"Count")->visible = VARIANT_TRUE;
    client->FailOn(L"Count", DISPATCH_PROPERTYPUT, ole::ControlErrorHResult(380), L"Client", L"Invalid property value");
    client->ClearCalls();
    EXPECT_EQ(support->WriteProperties(), ole::ControlErrorHResult(380));
    EXPECT_EQ(Writes(), (Log{L"Caption", L"Count"}));
    EXPECT_EQ(Marker(L"Caption") + Marker(L"Count") + Marker(L"Width"), L"FalseTrueTrue");
}

// The owner's teardown inside AfterPopulate, then inside PropertyChanged.
TEST_F(EngineTest, AHandlerMayDropTheSupportObjectWhileItWorks) {
    Bind();
    long alive = -1;
    const auto dropSupport = [&] {
        support->SetClientObject(nullptr);
        support->SetKavella(nullptr);
        support->SetEventSink(nullptr);
        support.Reset();
        alive = ole::Module::ObjectCount();
    };
    inside = dropSupport;
    InspectaSupport* const raw = support.Get();
    EXPECT_EQ(raw->SetClientObject(client.Get()), S_OK);
    EXPECT_EQ(alive, ole::Module::ObjectCount() + 1) << "alive until the refresh returned";
    EXPECT_TRUE(list->LogStartingWith(L"Caption.Modified").empty()) << "no values read after the teardown";

    SetUp();
    Bind();
    inside = dropSupport;
    ASSERT_EQ(list->RaiseItemChanged(Item(L"Caption")), S_OK);
    EXPECT_EQ(alive, ole::Module::ObjectCount() + 2) << "the support object and the sink the list is calling";
    EXPECT_TRUE(Writes().empty()) << "the client was unbound before the write";
    EXPECT_EQ(list->SinkCount(), 0u);
}

}  // namespace
