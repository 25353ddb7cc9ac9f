// Rows of the objects that properties hold, opened under them: lazily, never in a cycle, freed
// when closed, and written to their own object.
#include "proplist/item_generator.h"
#include "proplist/list_rows.h"
#include "tests/proplist/list_window_fixture.h"

#include <oleacc.h>

namespace proplist_tests {

using proplist::ListRows;
using proplist::PropertyItem;

// A sample object whose Child is another, and the rows of the first without a window.
class NestedRowsTest : public testing::Test, private proplist::RowSource {
protected:
    void SetUp() override {
        sample->values.child = static_cast<ISample*>(child.Get());
        ASSERT_EQ(ole::MakeObject(items), S_OK);
        std::vector<ole::ComPtr<PropertyItem>> made;
        ASSERT_EQ(proplist::GenerateItems(static_cast<ISample*>(sample.Get()), made), S_OK);
        items->Append(std::move(made));
        rows.Nested().SetRoot(static_cast<ISample*>(sample.Get()));
        childRow = RowNamed(L"Child");
    }
    void TearDown() override {
        rows.Reset();
        child->values.child.Reset();
    }

    size_t RowNamed(const wchar_t* name, size_t from = 0) {
        while (from < rows.Count() && rows.ItemAt(from)->Description().name != name) ++from;
        return from;
    }

    proplist::PropertyItems& Items() noexcept override { return *items.Get(); }
    void RowsRebuilt() noexcept override {}

    ole::ComPtr<SampleObject> sample = SampleObject::Create();
    ole::ComPtr<SampleObject> child = SampleObject::Create();
    ole::ComPtr<proplist::PropertyItems> items;
    ListRows rows{*this};
    size_t childRow = 0;
};

TEST_F(NestedRowsTest, ExpandingReadsTheObjectOnlyThenCollapsingOrRefillingFreesItsRows) {
    const size_t own = rows.Count();
    const ULONG references = child->RefCount();
    ASSERT_TRUE(rows.IsExpandable(childRow));
    EXPECT_EQ(child->invokes, 0u) << "nothing is read from the object before it is expanded";
    ASSERT_TRUE(rows.Expand(childRow));
    ASSERT_EQ(rows.Count(), 2 * own) << "the object is a sample too, with the same properties";

    rows.Select(RowNamed(L"Count", childRow + 1));
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
        child->values.child = static_cast<ISample*>(held);
        ASSERT_TRUE(rows.Expand(childRow));
        EXPECT_EQ(rows.IsExpandable(RowNamed(L"Child", childRow + 1)), expandable);
        rows.Collapse(childRow);
    }
}

// The same list in a window tall enough to show every row, filled from a sample holding another.
class NestedWindowTest : public ListWindowTest {
protected:
    void SetUp() override {
        ListWindowTest::SetUp();
        const RECT tall{0, 0, 300, 800};
        ASSERT_EQ(list->SetObjectRects(&tall, &tall), S_OK);
        sample->values.child = static_cast<ISample*>(child.Get());
        ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
        ASSERT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, accessible.PutVoid()), S_OK);
    }

    LONG State(LONG row) {  // as a screen reader reads it
        ole::Variant state;
        EXPECT_EQ(accessible->get_accState(ole::Variant(row + 1).Get(), state.Out()), S_OK);
        return V_I4(&state.Get()) & (STATE_SYSTEM_EXPANDED | STATE_SYSTEM_COLLAPSED);
    }
    LPARAM RowPoint(int x, int row) { return MAKELPARAM(x, row * list->View().RowHeight() + 2); }

    ole::ComPtr<SampleObject> child = SampleObject::Create();
    ole::ComPtr<IAccessible> accessible;
};

TEST_F(NestedWindowTest, RightAndPlusOpenLeftAndMinusCloseOrGoUpAndTheMouseTogglesTheBox) {
    SelectByKeys(L"Child");
    const LONG childRow = 8;
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    EXPECT_EQ(SelectedName(), L"Caption") << "Right on an open row goes into it";
    Key(VK_DOWN);
    Key(VK_LEFT);
    EXPECT_EQ(SelectedName(), L"Child") << "Left on a nested row goes to its parent";
    Key(VK_LEFT);
    EXPECT_EQ(State(childRow), STATE_SYSTEM_COLLAPSED);
    SendMessageW(window, WM_CHAR, L'+', 1);
    EXPECT_EQ(State(childRow), STATE_SYSTEM_EXPANDED);
    SendMessageW(window, WM_CHAR, L'-', 1);
    Click(3, HIWORD(RowPoint(3, childRow)));
    EXPECT_EQ(State(childRow), STATE_SYSTEM_EXPANDED) << "a click on the box";
    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, RowPoint(40, childRow));
    EXPECT_EQ(State(childRow), STATE_SYSTEM_COLLAPSED) << "a double click on the name";
}

TEST_F(NestedWindowTest, AnEditOfANestedRowIsWrittenToItsObjectByNameAndReadBack) {
    SelectByKeys(L"Child");
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    Key(VK_DOWN);
    ASSERT_EQ(SelectedName(), L"Count");
    Key(VK_RETURN, EditWith(L"9"));
    EXPECT_EQ(child->values.count, 9);

    Key(VK_UP);
    Key(VK_RETURN, EditWith(L"Bye"));
    EXPECT_EQ(std::wstring(V_BSTR(&list->View().Selected()->CurrentValue())), L"Hello")
        << "the object forgets captions written to it: the row shows what it holds";
}

// Child holds an object that reports its changes, whose own Child holds another.
class ReportingNestedTest : public NestedWindowTest {
protected:
    void SetUp() override {
        NestedWindowTest::SetUp();
        reporting->Inner().values.child = static_cast<IDispatch*>(inner.Get());
        sample->values.child = static_cast<IDispatch*>(reporting.Get());
        ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
        SelectByKeys(L"Child");
        Key(VK_RIGHT);
        reporting->TakeReads();
    }
    ole::ComPtr<NotifyingSample> reporting = NotifyingSample::Create(), inner = NotifyingSample::Create();
};

TEST_F(ReportingNestedTest, AReportedChangeIsReadIntoItsRowAloneAsNoEdit) {
    reporting->Inner().values.count = 9;
    reporting->Changed(2);  // Count
    EXPECT_EQ(reporting->TakeReads(), (std::map<DISPID, size_t>{{2, 1}}));
    Key(VK_RIGHT);
    Key(VK_DOWN);
    EXPECT_EQ(V_I4(&list->View().Selected()->CurrentValue()), 9);
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 3) << "the list's own Count is another";
    EXPECT_EQ(list->View().History().UndoCount(), 0u);
}

TEST_F(ReportingNestedTest, TheListListensOnlyWhileTheRowIsExpandedOnThatObject) {
    EXPECT_EQ(reporting->SinkCount(), 1u);
    SelectByKeys(L"Child");
    Key(VK_LEFT);
    EXPECT_EQ(reporting->SinkCount(), 0u) << "collapsed";
    Key(VK_RIGHT);
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    EXPECT_EQ(reporting->SinkCount(), 0u) << "refilled";
    SelectByKeys(L"Child");
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    for (int step = 0; step < 20 && SelectedName() != L"Child"; ++step) Key(VK_DOWN);
    Key(VK_RIGHT);  // the nested Child
    ASSERT_EQ(inner->SinkCount(), 1u);
    Key(VK_RIGHT);
    EditWith(L"Bye");
    reporting->Inner().values.child.Reset();
    reporting->Changed(9);  // Child
    EXPECT_EQ(inner->SinkCount(), 0u) << "the row no longer holds it";
    EXPECT_EQ(list->View().Editor(), nullptr) << "nor edits what it held";
    ASSERT_EQ(list->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(reporting->SinkCount(), 0u) << "closed";
}

TEST_F(NestedWindowTest, ANestedEditIsUndoneAndRedoneOnItsOwnObjectAlone) {
    child->values.count = 5;
    SelectByKeys(L"Child");
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    Key(VK_DOWN);
    Key(VK_RETURN, EditWith(L"9"));
    list->View().Undo();
    EXPECT_EQ(child->values.count, 5);
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 3) << "the list's own Count is another";
    list->View().Redo();
    EXPECT_EQ(child->values.count, 9);
    SelectByKeys(L"Child");
    Key(VK_LEFT);
    const size_t changes = Count(proplist::events::kItemChanged);
    list->View().Undo();
    EXPECT_EQ(Count(proplist::events::kItemChanged), changes) << "a row not expanded is passed over";
}

}  // namespace proplist_tests
