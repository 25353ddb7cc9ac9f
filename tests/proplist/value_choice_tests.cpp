// Values people can read (short enumeration names, colour names, fonts) and values chosen
// rather than typed: the next choice on a double-click, and the dialogs behind a value's button.
#include "proplist/common_dialogs.h"
#include "proplist/item_generator.h"
#include "proplist/value_text.h"
#include "tests/proplist/list_window_fixture.h"
#include "tests/support/com_helpers.h"

namespace proplist_tests {

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
