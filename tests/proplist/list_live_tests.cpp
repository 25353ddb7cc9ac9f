// The list following its object: changes the object reports are read again, and the user's edits
// are undone and redone as edits of their own.
#include "proplist/edit_history.h"
#include "tests/proplist/list_window_fixture.h"

namespace proplist_tests {

using ole::ComPtr;

// The list, without a window, showing an object that reports its changes; a sink hears its events.
class ReportedChangesTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Show(object.Get()), S_OK);
        support::Advise(list, DIID___Kavella, sink.Get());
        object->TakeReads();
    }
    HRESULT Show(SampleObject* shown) { return Populate(list.Get(), shown); }

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

    ASSERT_EQ(Show(object.Get()), S_OK);
    EXPECT_EQ(object->SinkCount(), 1u) << "a refresh keeps the one subscription";
    const ComPtr<SampleObject> other = SampleObject::Create(SampleObject::Kind::Categorized);
    ASSERT_EQ(Show(other.Get()), S_OK);
    EXPECT_EQ(object->SinkCount(), 0u);
    EXPECT_EQ(other->SinkCount(), 1u);
    ASSERT_EQ(ItemsOf(list.Get())->Clear(), S_OK);
    EXPECT_EQ(other->SinkCount(), 0u) << "cleared";
    ASSERT_EQ(Show(other.Get()), S_OK);
    ASSERT_EQ(list->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(other->SinkCount(), 0u) << "closed";
    ASSERT_EQ(Show(other.Get()), S_OK);
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
    LONG CountValue() { return V_I4(&ValueOf(L"Count").Get()); }

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
    EXPECT_EQ(CountValue(), 20);
    sink->OnEvent(nullptr);
    Do(L"^Z");
    EXPECT_EQ(CountValue(), 10);
}

}  // namespace proplist_tests
