// The list following its objects: changes the object reports are read again, the user's edits are
// undone and redone as edits of their own, and the rows of the objects that properties hold open under
// them: lazily, never in a cycle, freed when closed, and written to their own object.
#include "proplist/edit_history.h"
#include "proplist/item_generator.h"
#include "tests/proplist/list_window_fixture.h"

namespace proplist_tests {

using ole::ComPtr;

// The list, without a window, showing an object that reports its changes; a sink hears its events.
class ReportedChangesTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Populate(list.Get(), object.Get()), S_OK);
        support::Advise(list, DIID___Kavella, sink.Get());
        object->TakeReads();
    }

    ComPtr<SampleObject> object = SampleObject::Create(SampleObject::Kind::Categorized);
    ComPtr<proplist::KavellaList> list = MakeList();
    ComPtr<doubles::EventSink> sink = doubles::EventSink::Create(DIID___Kavella);
};

TEST_F(ReportedChangesTest, AReportedPropertyIsReadAgainAnUnknownOneReadsAllAndOnlyWhileTheObjectIsShown) {
    object->count = 9;
    object->Changed(2);  // Count
    EXPECT_EQ(object->TakeReads(), (std::map<DISPID, size_t>{{2, 1}}));
    EXPECT_EQ(V_I4(&ValueOf(list.Get(), L"Count").Get()), 9);
    object->Changed(DISPID_UNKNOWN);
    const std::map<DISPID, size_t> reads = object->TakeReads();
    EXPECT_EQ(reads.size(), ItemNames(list.Get()).size());
    EXPECT_TRUE(std::all_of(reads.begin(), reads.end(), [](const auto& read) { return read.second == 1; }));
    EXPECT_TRUE(sink->Events().empty()) << "the object's own change is no edit: no ItemChanged, nothing written";
    EXPECT_EQ(list->View().History().UndoCount(), 0u) << "nor a step to undo";

    ASSERT_EQ(Populate(list.Get(), object.Get()), S_OK);
    EXPECT_EQ(object->SinkCount(), 1u) << "a refresh keeps the one subscription";
    const ComPtr<SampleObject> other = SampleObject::Create(SampleObject::Kind::Categorized);
    ASSERT_EQ(Populate(list.Get(), other.Get()), S_OK);
    EXPECT_EQ(object->SinkCount(), 0u);
    EXPECT_EQ(other->SinkCount(), 1u);
    ASSERT_EQ(ItemsOf(list.Get())->Clear(), S_OK);
    EXPECT_EQ(other->SinkCount(), 0u) << "cleared";
    ASSERT_EQ(Populate(list.Get(), other.Get()), S_OK);
    ASSERT_EQ(list->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(other->SinkCount(), 0u) << "closed";
    ASSERT_EQ(Populate(list.Get(), other.Get()), S_OK);
    list.Reset();
    EXPECT_EQ(other->SinkCount(), 0u) << "destroyed";
}

TEST(EditHistoryTest, KeepsTheLastHundredEdits) {
    proplist::EditHistory history;
    for (LONG i = 0; i <= 100; ++i) {
        ASSERT_EQ(history.Record(L"Count", ole::Variant(i).Get(), ole::Variant(i + 1).Get()), S_OK);
    }
    EXPECT_EQ(history.UndoCount(), 100u);
    while (history.UndoCount() > 1) history.StepBack();
    EXPECT_EQ(V_I4(&history.NextUndo()->before.Get()), 1) << "the first edit went";
}

// The list on screen with Count selected, and a host that writes every change back to the object.
class UndoTest : public ListWindowTest {
protected:
    void SetUp() override {
        ListWindowTest::SetUp();
        sink->OnEvent([this](DISPID id, DISPPARAMS&) {
            if (id == events::kItemChanged) written.push_back(sample->count = V_I4(&ValueOf(L"Count").Get()));
        });
        SelectByKeys(L"Count");
    }

    // "^Z", "^Y", "^+Z" are shortcuts (Ctrl, Shift); anything else is typed into the selected value.
    void Do(const std::wstring& action) {
        if (action[0] != L'^') return Key(VK_RETURN, EditWith(action.c_str()));
        const HeldKey shift(VK_SHIFT, action[1] == L'+');
        ControlKey(action.back());
    }

    std::vector<LONG> written;
};

TEST_F(UndoTest, UndoAndRedoGiveBackTheValuesAsEditsOfTheirOwn) {
    for (const wchar_t* action :
         {L"10", L"20", L"^Z", L"^Z", L"^Z", L"^Y", L"^+Z", L"^Z", L"30", L"^Y", L"^Z", L"^Z"}) Do(action);
    EXPECT_EQ(written, (std::vector<LONG>{10, 20, 10, 3, 10, 20, 10, 30, 10, 3}));
    SelectByKeys(L"Caption");
    Do(L"^Y");
    EXPECT_EQ(SelectedName(), L"Count") << "the row redone is shown";
}

TEST_F(UndoTest, ARefreshKeepsTheEditsAnotherObjectForgetsThemAndARefusedUndoStaysToBeDone) {
    Do(L"10");
    ASSERT_EQ(Populate(list.Get(), sample.Get()), S_OK);
    Do(L"^Z");
    Do(L"^Y");
    const ComPtr<SampleObject> other = SampleObject::Create();
    ASSERT_EQ(Populate(list.Get(), other.Get()), S_OK);
    ASSERT_EQ(Populate(list.Get(), sample.Get()), S_OK);
    Do(L"^Z");
    EXPECT_EQ(written, (std::vector<LONG>{10, 3, 10}));
    SelectByKeys(L"Count");
    Do(L"20");
    CancelEach(events::kValidateValue);
    Do(L"^Z");
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 20);
    sink->OnEvent(nullptr);
    Do(L"^Z");
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 10);
}

// A sample object whose Child is another, and the rows of the first without a window.
class NestedRowsTest : public RowsTest {
protected:
    void SetUp() override {
        RowsTest::SetUp();
        sample->child = child.Get();
        std::vector<ole::ComPtr<proplist::PropertyItem>> made;
        ASSERT_EQ(proplist::GenerateItems(sample.Get(), made), S_OK);
        items->Append(std::move(made));
        rows.Nested().SetRoot(static_cast<IDispatch*>(sample.Get()));
        childRow = RowOf(L"Child");
    }
    void TearDown() override {
        rows.Reset();
        child->child.Reset();
    }

    ole::ComPtr<SampleObject> sample = SampleObject::Create(), child = SampleObject::Create();
    size_t childRow = 0;
};

TEST_F(NestedRowsTest, ExpandingReadsTheObjectOnlyThenCollapsingOrRefillingFreesItsRows) {
    const size_t own = rows.Count();
    const ULONG references = child->RefCount();
    ASSERT_TRUE(rows.IsExpandable(childRow));
    EXPECT_EQ(child->reads.size(), 0u) << "nothing is read from the object before it is expanded";
    ASSERT_TRUE(rows.Expand(childRow));
    ASSERT_EQ(rows.Count(), 2 * own) << "the object is a sample too, with the same properties";

    rows.Select(RowOf(L"Count", childRow + 1));
    ASSERT_TRUE(rows.Collapse(childRow));
    EXPECT_EQ(rows.Count(), own);
    EXPECT_EQ(rows.Selected(), childRow);
    EXPECT_EQ(child->RefCount(), references) << "collapsing lets the object and its items go";

    ASSERT_TRUE(rows.Expand(childRow));
    rows.Reset();
    EXPECT_EQ(child->RefCount(), references) << "so does filling the list again";
    ASSERT_TRUE(rows.Expand(childRow));
    ASSERT_EQ(rows.ItemAt(childRow)->put_Value(ole::Variant(static_cast<IDispatch*>(nullptr)).Get()), S_OK);
    rows.Invalidate();  // as the list does when an item changes
    EXPECT_EQ(rows.Count(), own) << "the row holds no object now";
    EXPECT_EQ(child->RefCount(), references - 1) << "and let go of the one it held";
}

TEST_F(NestedRowsTest, AnObjectAlreadyOpenOnTheWayDownHasNoExpander) {
    const ole::ComPtr<SampleObject> other = SampleObject::Create();
    const std::pair<SampleObject*, bool> cases[] = {{sample.Get(), false}, {child.Get(), false}, {other.Get(), true}};
    for (const auto& [held, expandable] : cases) {
        child->child = held;
        ASSERT_TRUE(rows.Expand(childRow));
        EXPECT_EQ(rows.IsExpandable(RowOf(L"Child", childRow + 1)), expandable);
        rows.Collapse(childRow);
    }
}

// The same list in a window tall enough to show every row, filled from a sample whose Child holds an
// object that reports its changes, whose own Child holds another; the Child row is open and selected.
class NestedWindowTest : public ListWindowTest {
protected:
    void SetUp() override {
        reporting->child = inner.Get();
        sample->child = reporting.Get();
        ListWindowTest::SetUp();
        const RECT tall{0, 0, 300, 800};
        ASSERT_EQ(list->SetObjectRects(&tall, &tall), S_OK);
        SelectByKeys(L"Child");
        Key(VK_RIGHT);
        reporting->TakeReads();
    }
    std::wstring ChildRow() { return Read(9, false, STATE_SYSTEM_EXPANDED | STATE_SYSTEM_COLLAPSED); }

    const ole::ComPtr<SampleObject> reporting = SampleObject::Create(SampleObject::Kind::Categorized);
    const ole::ComPtr<SampleObject> inner = SampleObject::Create(SampleObject::Kind::Categorized);
};

TEST_F(NestedWindowTest, RightAndPlusOpenLeftAndMinusCloseOrGoUpTheMouseTogglesAndAnEditGoesToTheRowsObject) {
    Key(VK_RIGHT);
    Key(VK_LEFT);
    EXPECT_EQ(SelectedName(), L"Child") << "Left on a nested row goes to its parent";
    Key(VK_LEFT);
    EXPECT_EQ(ChildRow(), L"Child collapsed");
    SendMessageW(window, WM_CHAR, L'+', 1);
    EXPECT_EQ(ChildRow(), L"Child expanded");
    SendMessageW(window, WM_CHAR, L'-', 1);
    const int childTop = 8 * list->View().RowHeight() + 2;
    Click(3, childTop);
    EXPECT_EQ(ChildRow(), L"Child expanded") << "a click on the box";
    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, childTop));
    EXPECT_EQ(ChildRow(), L"Child collapsed") << "a double click on the name";

    // An edit of a nested row is written to its object, read back and undone there.
    for (const WORD key : {VK_RIGHT, VK_RIGHT, VK_DOWN}) Key(key);
    ASSERT_EQ(SelectedName(), L"Count");
    Key(VK_RETURN, EditWith(L"9"));
    EXPECT_EQ(reporting->count, 9);
    list->View().Undo();
    EXPECT_EQ(reporting->count, 3);
    list->View().Redo();
    EXPECT_EQ(reporting->count, 9);

    Key(VK_UP);
    Key(VK_RETURN, EditWith(L"Bye"));
    EXPECT_EQ(std::wstring(V_BSTR(&list->View().Selected()->CurrentValue())), L"Hello")
        << "the object forgets captions written to it: the row shows what it holds";
    SelectByKeys(L"Child");
    Key(VK_LEFT);
    const size_t changed = Count(events::kItemChanged);
    list->View().Undo();
    EXPECT_EQ(Count(events::kItemChanged), changed) << "a row not expanded is passed over";
}

TEST_F(NestedWindowTest, AReportedChangeIsReadIntoItsRowAloneAsNoEditWhileTheRowIsExpandedOnThatObject) {
    reporting->count = 9;
    reporting->Changed(2);  // Count
    EXPECT_EQ(reporting->TakeReads(), (std::map<DISPID, size_t>{{2, 1}}));
    for (const WORD key : {VK_RIGHT, VK_DOWN}) Key(key);
    EXPECT_EQ(V_I4(&list->View().Selected()->CurrentValue()), 9);
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 3) << "the list's own Count is another";
    EXPECT_EQ(list->View().History().UndoCount(), 0u);

    EXPECT_EQ(reporting->SinkCount(), 1u);
    SelectByKeys(L"Child");
    Key(VK_LEFT);
    EXPECT_EQ(reporting->SinkCount(), 0u) << "collapsed";
    Key(VK_RIGHT);
    ASSERT_EQ(Populate(list.Get(), sample.Get()), S_OK);
    EXPECT_EQ(reporting->SinkCount(), 0u) << "refilled";
    SelectByKeys(L"Child");
    for (const WORD key : {VK_RIGHT, VK_RIGHT}) Key(key);
    for (int step = 0; step < 20 && SelectedName() != L"Child"; ++step) Key(VK_DOWN);
    Key(VK_RIGHT);  // the nested Child
    ASSERT_EQ(inner->SinkCount(), 1u);
    Key(VK_RIGHT);
    EditWith(L"Bye");
    reporting->child.Reset();
    reporting->Changed(9);  // Child
    EXPECT_EQ(inner->SinkCount(), 0u) << "the row no longer holds it";
    EXPECT_EQ(list->View().Editor(), nullptr) << "nor edits what it held";
    ASSERT_EQ(list->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(reporting->SinkCount(), 0u) << "closed";
}

}  // namespace proplist_tests
