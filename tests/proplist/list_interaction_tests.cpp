// What the user does to the list beyond typing values: the clipboard, reset, the drop-downs of
// colours and dates, sorting and filtering, leaving the list; values people can read (short enumeration
// names, colour names, fonts) and values chosen: the next on a double-click, the dialogs behind a button.
#include "proplist/common_dialogs.h"
#include "proplist/item_generator.h"
#include "proplist/value_text.h"
#include "tests/proplist/list_window_fixture.h"

#include <commctrl.h>

#include <functional>

namespace proplist_tests {

TEST_F(ListWindowTest, CopyPasteResetAndErrorsGoThroughTheirEventsAndEditorKeysAreReported) {
    SelectByKeys(L"Count");
    ControlKey('C');
    SelectByKeys(L"Small");
    ControlKey('V');
    EXPECT_EQ(V_I2(&ValueOf(L"Small").Get()), 3) << "Count's value, copied";

    SelectByKeys(L"Count");
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        if (id == events::kPasteValue) SysReAllocString(V_BSTRREF(&parameters.rgvarg[1]), L"42");
    });
    Paste(L"41");
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 42);

    // Text that does not convert changes nothing; Error comes first and may keep the message back.
    CancelEach(events::kError);
    Paste(L"many");
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 42);
    EXPECT_EQ(V_I4(&ArgumentsOfLast(events::kError).at(0).Get()), 13) << "type mismatch";
    EXPECT_LT(PlaceOfLast(events::kError), PlaceOfLast(events::kValueRejected));
    EXPECT_FALSE(MessageShown());

    // Reset puts back what the item held before the user's first edit.
    Command(ListView::kCommandReset);
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 3);
    EXPECT_EQ(Count(events::kItemChanged), 3u);
    // A value assigned by code is the new starting point: nothing to reset.
    Paste(L"7");
    ASSERT_EQ(ItemNamed(list.Get(), L"Count")->put_Value(ole::Variant(LONG{9}).Get()), S_OK);
    Command(ListView::kCommandReset);
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 9);
    EXPECT_EQ(Count(events::kResetValue), 1u);

    // Error may reword the message, as key handlers may change the keys typed into the editor.
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        // Last first: cancel display, description, number.
        if (id == events::kError) SysReAllocString(V_BSTRREF(&parameters.rgvarg[1]), L"Numbers only, please.");
        if (id == events::kEditorKeyPress && *V_I2REF(&parameters.rgvarg[0]) == L'a') {
            *V_I2REF(&parameters.rgvarg[0]) = L'9';
        }
    });
    HWND editor = EditWith(L"");
    SendMessageW(editor, WM_CHAR, L'a', 1);
    SendMessageW(editor, WM_KEYUP, L'A', 1);
    EXPECT_EQ(TextIn(editor) + std::to_wstring(Count(events::kEditorKeyUp)), L"91") << "the handler changed the key";
    SetWindowTextW(editor, L"x");
    Key(VK_RETURN, editor);
    EXPECT_EQ(TextIn(list->View().MessageWindow()), L"Numbers only, please.");
}

TEST_F(ListWindowTest, ColoursArePickedFromAPaletteAHandlerMayKeepClosedAndDatesFromACalendarKeepingTheTime) {
    SelectByKeys(L"BackColor");
    Key(VK_RETURN);
    HWND chooser = Editor();
    ASSERT_TRUE(chooser);
    CancelEach(events::kBeforeDropDown);
    Key(VK_F4, GetWindow(chooser, GW_CHILD));
    Pump();
    EXPECT_EQ(SendMessageW(chooser, CB_GETDROPPEDSTATE, 0, 0), 0);
    sink->OnEvent(nullptr);
    Key(VK_F4, GetWindow(chooser, GW_CHILD));
    ASSERT_NE(SendMessageW(chooser, CB_GETDROPPEDSTATE, 0, 0), 0);
    COMBOBOXINFO parts{sizeof(parts), {}, {}, 0, nullptr, nullptr, nullptr};
    ASSERT_TRUE(GetComboBoxInfo(chooser, &parts));
    const LRESULT navy = SendMessageW(chooser, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(L"Navy"));
    ASSERT_GE(navy, 0);
    SendMessageW(parts.hwndList, LB_SETTOPINDEX, static_cast<WPARAM>(navy), 0);
    RECT row{};
    SendMessageW(parts.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(navy), reinterpret_cast<LPARAM>(&row));
    SendMessageW(parts.hwndList, WM_MOUSEMOVE, 0, MAKELPARAM(row.left + 5, (row.top + row.bottom) / 2));
    Click(row.left + 5, (row.top + row.bottom) / 2, parts.hwndList);
    Pump();
    EXPECT_EQ(Count(events::kDropDownClosed), 1u) << "once, and not for the palette kept closed";
    EXPECT_LT(PlaceOfLast(events::kDropDownClosed), PlaceOfLast(events::kColourPicked));
    EXPECT_LT(PlaceOfLast(events::kColourPicked), PlaceOfLast(events::kItemChanged));
    EXPECT_EQ(Editor(), nullptr) << "picking commits";
    EXPECT_EQ(V_UI4(&ValueOf(L"BackColor").Get()), RGB(0, 0, 128));

    SelectByKeys(L"Born");
    Key(VK_RETURN);
    Key(VK_F4, Editor());
    HWND calendar = list->View().Calendar();
    ASSERT_TRUE(calendar);
    // The 20th, which the calendar shows only if it opened on the item's month.
    RECT area{};
    GetClientRect(calendar, &area);
    MCHITTESTINFO hit{MCHITTESTINFO_V1_SIZE, {}, 0, {}, {}, 0, 0, 0};
    bool found = false;
    for (LONG at = 0; !found && at < area.right * area.bottom; at += 2) {
        hit.pt = {at % area.right, at / area.right};
        SendMessageW(calendar, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        found = hit.uHit == MCHT_CALENDARDATE && hit.st.wDay == 20 && hit.st.wMonth == 3;
    }
    ASSERT_TRUE(found);
    Click(hit.pt.x, hit.pt.y, calendar);
    Pump();
    EXPECT_EQ(GetFocus(), window) << "the focus is back on the list";
    EXPECT_EQ(Editor(), nullptr) << "choosing commits";
    EXPECT_DOUBLE_EQ(V_DATE(&ValueOf(L"Born").Get()), 45005.25);
    EXPECT_EQ((std::vector{Count(events::kDateChosen), Count(events::kItemChanged), Count(events::kDropDownClosed)}),
              (std::vector<size_t>{1, 2, 2})) << "the colour's, then the date's";
}

TEST_F(ListWindowTest, SortingAndFilteringChangeTheRowsNotTheItems) {
    const std::vector<std::wstring> declared = ItemNames(list.Get());
    SelectByKeys(L"Outline");
    Command(ListView::kCommandSortAlphabetically);
    EXPECT_EQ(SelectedName(), L"Outline") << "the selection stays on its item";
    EXPECT_EQ(ReadAll().substr(0, 9), L"Anything ");
    EXPECT_EQ(ItemNames(list.Get()), declared);

    ControlKey('F');
    HWND box = list->View().FilterBox();
    ASSERT_TRUE(Shown(box));
    EXPECT_EQ(GetFocus(), box);
    SetWindowTextW(box, L"OU");
    EXPECT_EQ(ReadAll(), L"Count Outline");
    Click(20, 2);
    EXPECT_EQ(SelectedName(), L"Count") << "the box is above the rows' window";
    Key(VK_ESCAPE, box);
    EXPECT_STREQ(V_BSTR(&ArgumentsOfLast(events::kFilterChanged).at(0).Get()), L"");
}

TEST_F(ListWindowTest, AValidateHandlerKeepsTheFocusInTheListAndLeavingCommitsTheEdit) {
    SetFocus(window);
    CancelEach(events::kValidate);
    SetFocus(container->Window());
    Pump();
    EXPECT_EQ(GetFocus(), window);
    SelectByKeys(L"Caption");
    Key(VK_ESCAPE, EditWith(L"x"));
    EXPECT_EQ(Count(events::kValidate), 1u);
    sink->OnEvent(nullptr);
    EditWith(L"Kept");
    SetFocus(container->Window());
    Pump();
    EXPECT_EQ(GetFocus(), container->Window());
    EXPECT_STREQ(V_BSTR(&ValueOf(L"Caption").Get()), L"Kept");
}

TEST_F(ListWindowTest, ARefusalMessageGoesWithItsEditOrWhenTheRowsChange) {
    const struct {
        const char* action;
        bool pasted;  // else typed in an editor left open
        std::function<void()> act;
    } cases[] = {
        {"focus leaves the list", false, [this] { SetFocus(container->Window()); }},
        {"filled again", false, [this] { Populate(list.Get(), sample.Get()); }},
        {"another row selected", true, [this] { Key(VK_DOWN); }},
        {"sorted", true, [this] { Command(ListView::kCommandSortAlphabetically); }},
        {"a value read again", true,
         [this] { ItemNamed(list.Get(), L"Count")->put_Value(ole::Variant(LONG{8}).Get()); }}};
    for (const auto& each : cases) {
        SCOPED_TRACE(each.action);
        SelectByKeys(L"Count");
        SetFocus(window);
        if (each.pasted) {
            Paste(L"many");
        } else {
            Key(VK_RETURN, EditWith(L"abc"));
        }
        ASSERT_TRUE(MessageShown());
        each.act();
        EXPECT_FALSE(MessageShown());
        if (Editor()) Key(VK_ESCAPE, Editor());
    }
}

TEST_F(ListWindowTest, RefillingReportsEachItemRemovedThenEachItemAdded) {
    const std::vector<std::wstring> names = ItemNames(list.Get());
    ASSERT_EQ(Populate(list.Get(), sample.Get()), S_OK);
    std::vector<std::wstring> removedThenAdded;
    for (const auto& event : sink->Events()) {
        if (event.id == events::kItemRemoved) removedThenAdded.emplace_back(V_BSTR(&event.arguments.at(0).Get()));
        if (event.id == events::kItemAdded) removedThenAdded.push_back(ItemNameIn(event.arguments.at(0).Get()));
    }
    std::vector<std::wstring> expected = names;
    expected.insert(expected.end(), names.begin(), names.end());
    EXPECT_EQ(removedThenAdded, expected);
    EXPECT_LT(PlaceOfLast(events::kItemAdded), PlaceOfLast(events::kAfterPopulate));
}

using namespace proplist;

namespace {

// The names shown, joined by spaces; the first member's documentation, if any, is its name.
std::wstring ShortNames(std::vector<std::wstring> names, std::wstring documented = {}) {
    EnumMembers members;
    for (std::wstring& name : names) members.push_back({std::move(name), static_cast<LONG>(members.size()), {}});
    members.front().shown = std::move(documented);
    ShowMembersByShortNames(members);
    std::wstring shown;
    for (const EnumMember& member : members) shown += L" " + (member.shown.empty() ? member.name : member.shown);
    return shown;
}

// Answers the dialogs as a test says, showing none, and keeps what each started from.
struct AnsweringDialogs final : proplist::CommonDialogs {
    bool PickFont(HWND, proplist::FontChoice& font) noexcept override { return Answer(font.name, font, chosenFont); }
    bool PickColour(HWND, COLORREF& colour) noexcept override {
        return Answer(std::to_wstring(colour), colour, chosenColour);
    }
    template <typename Value>
    bool Answer(std::wstring from, Value& value, const Value& chosen) {
        startedFrom.push_back(std::move(from));
        if (accept) value = chosen;
        return accept;
    }
    bool accept = false;
    proplist::FontChoice chosenFont{L"Courier New", {}, FW_NORMAL, DEFAULT_CHARSET, true, false, false};
    COLORREF chosenColour = RGB(128, 0, 0);
    std::vector<std::wstring> startedFrom;
};

}  // namespace

TEST(ValueTextTest, EnumerationsColoursAndFontsShowByNameAndReadBackAsShown) {
    // Cut where a word starts, leaving no name empty nor a bare number.
    EXPECT_EQ(ShortNames({L"ColorRed", L"ColorRose"}) + ShortNames({L"SHAPE_CIRCLE", L"SHAPE_CUBE"}) +
                  ShortNames({L"Item", L"ItemBig"}) + ShortNames({L"Size10", L"Size12"}) + ShortNames({L"OnlyOne"}) +
                  ShortNames({L"FinishSatin", L"FinishGloss"}, L"Satin sheen"),
              L" Red Rose CIRCLE CUBE Item ItemBig Size10 Size12 OnlyOne Satin sheen Gloss");

    struct NamedValue { OLE_COLOR value; const wchar_t* text; } const colours[] = {
        {RGB(128, 0, 0), L"Maroon"}, {0x80000000UL | COLOR_BTNFACE, L"Button Face"},
        {RGB(1, 2, 3), L"#010203"}, {0x80000000UL | COLOR_SCROLLBAR, L"&H80000000&"}};
    ItemDescription described;
    described.style = kStyleColour;
    described.valueType = VT_UI4;
    for (const NamedValue& colour : colours) {
        ole::Variant parsed;
        std::wstring reason;
        ASSERT_EQ(ParseValue(described, colour.text, parsed, reason), S_OK);
        EXPECT_EQ(V_UI4(&parsed.Get()), colour.value) << "read back as shown";
        EXPECT_EQ(FormatValue(described, parsed.Get()), colour.text);
    }

    // The name and size are the font's to report: the platform may give one it has.
    ole::Variant font(static_cast<IDispatch*>(support::MakeFont(L"Arial", 12, true).Get()));
    ole::Bstr name;
    ASSERT_EQ(support::QueryAs<IFont>(V_DISPATCH(&font.Get()))->get_Name(name.Out()), S_OK);
    const std::wstring text = FormatValue(ItemDescription{}, font.Get());
    EXPECT_TRUE(text.starts_with(std::wstring(name.View()) + L", ") && text.ends_with(L"pt, Bold"))
        << testing::PrintToString(text);

    std::vector<ItemDescription> sample;
    std::vector<MEMBERID> ids;
    ASSERT_EQ(DescribeProperties(SampleTypeInfo(L"ISample").Get(), sample, ids), S_OK);
    const ItemDescription& outline = sample.at(4);
    EXPECT_EQ(Choices(outline), (std::vector<std::wstring>{L"Circle", L"Square", L"Triangle"}));
    EXPECT_EQ(FormatValue(outline, ole::Variant(LONG{7}).Get()), L"7") << "not a constant: the number";
    for (const wchar_t* typed : {L"Square", L"ShapeSquare", L"1"}) {
        ole::Variant value;
        std::wstring reason;
        ASSERT_EQ(ParseValue(outline, typed, value, reason), S_OK) << testing::PrintToString(std::wstring(typed));
        EXPECT_EQ(V_I4(&value.Get()), 1);
    }
    EXPECT_EQ(NextChoice(outline, ole::Variant(LONG{5}).Get()), L"Circle") << "wraps";
}

// The sample's Child holds a font.
class ValueChoiceTest : public ListWindowTest {
protected:
    void SetUp() override {
        sample->child = font.Get();
        ListWindowTest::SetUp();
        list->View().SetDialogs(dialogs);
    }
    // Selects the row and clicks the right end of its value, where a value's button is.
    void ClickValueEnd(const std::wstring& name, int row) {
        SelectByKeys(name);
        RECT client{};
        GetClientRect(window, &client);
        Click(client.right - 2, row * list->View().RowHeight() + 2);
    }
    const ole::ComPtr<IFontDisp> font = support::MakeFont(L"Arial", 12);
    AnsweringDialogs dialogs;
};

TEST_F(ValueChoiceTest, ADoubleClickMovesABooleanOrAnEnumerationToItsNextValueAsAnEdit) {
    SelectByKeys(L"Shown");
    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    EXPECT_EQ(V_BOOL(&ValueOf(L"Shown").Get()), VARIANT_FALSE);
    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    EXPECT_EQ(V_BOOL(&ValueOf(L"Shown").Get()), VARIANT_TRUE);
    EXPECT_EQ(Count(events::kItemChanged) + Count(events::kAfterEdit), 4u);

    // The click that opened the choices and the one that lands on them make a double-click.
    ClickValueEnd(L"Outline", 4);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(SendMessageW(Editor(), CB_GETCURSEL, 0, 0), 2) << "the current value is chosen";
    SendMessageW(Editor(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_EQ(V_I4(&ValueOf(L"Outline").Get()), 0) << "Triangle, the last, wraps to Circle";
    CancelEach(events::kValidateValue);
    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    EXPECT_EQ(V_I4(&ValueOf(L"Outline").Get()), 0) << "a refused choice changes nothing";
    EXPECT_EQ(Count(events::kValueRejected), 1u);
}

TEST_F(ValueChoiceTest, TheDialogsStartFromTheValueAndAssignOnlyWhatTheUserAccepts) {
    ClickValueEnd(L"BackColor", 5);
    EXPECT_EQ(dialogs.startedFrom.back(), std::to_wstring(RGB(255, 128, 0)));
    EXPECT_EQ(Count(events::kButtonClick), 1u);
    SelectByKeys(L"Child");
    Key(VK_RETURN);
    ole::Bstr name;
    ASSERT_EQ(support::QueryAs<IFont>(font)->get_Name(name.Out()), S_OK);
    EXPECT_EQ(dialogs.startedFrom.back(), name.View());
    EXPECT_EQ(V_UI4(&ValueOf(L"BackColor").Get()), RGB(255, 128, 0)) << "cancelled";
    EXPECT_EQ(V_DISPATCH(&ValueOf(L"Child").Get()), font.Get()) << "cancelled";

    dialogs.accept = true;
    ClickValueEnd(L"BackColor", 5);
    EXPECT_EQ(V_UI4(&ValueOf(L"BackColor").Get()), RGB(128, 0, 0));
    EXPECT_EQ(V_I4(&ArgumentsOfLast(events::kColourPicked).at(1).Get()), RGB(128, 0, 0));
    SelectByKeys(L"Child");
    Key(VK_F4);
    const ole::Variant chosen = ValueOf(L"Child");
    ASSERT_EQ(chosen.Type(), VT_DISPATCH);
    BOOL italic = FALSE;
    ASSERT_EQ(support::QueryAs<IFont>(V_DISPATCH(&chosen.Get()))->get_Italic(&italic), S_OK);
    EXPECT_TRUE(italic && V_DISPATCH(&chosen.Get()) != font.Get()) << "a new font, not the old one changed";
    EXPECT_EQ(Count(events::kItemChanged), 2u);
    // A date's button drops its calendar down.
    ClickValueEnd(L"Born", 6);
    EXPECT_TRUE(Shown(list->View().Calendar()));
}

TEST_F(ValueChoiceTest, CtrlEnterPressesTheSelectedValuesButtonFromTheRowsOrAfterTheEdit) {
    for (const wchar_t* name : {L"Caption", L"BackColor"}) {
        SelectByKeys(name);
        ControlKey(VK_RETURN);
    }
    HWND editor = EditWith(L"#000080");
    const HeldKey control(VK_CONTROL);
    Key(VK_RETURN, editor);
    EXPECT_EQ(dialogs.startedFrom, (std::vector{std::to_wstring(RGB(255, 128, 0)), std::to_wstring(RGB(0, 0, 128))}))
        << "none for Caption";
    EXPECT_EQ(V_UI4(&ValueOf(L"BackColor").Get()), RGB(0, 0, 128)) << "the edit is committed first";
}

}  // namespace proplist_tests
