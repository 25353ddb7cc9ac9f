// The list on screen, driven by simulated keyboard and mouse input as a user drives it; the description pane under the
// rows: what it says of a property, how it is laid out, hidden, resized and saved.
#include "tests/proplist/list_window_fixture.h"
#include "tests/support/canvas.h"
#include "tests/support/run_time_types.h"

#include <functional>

namespace proplist_tests {

using ole::ComPtr;
using proplist::DescriptionPane;

namespace {

std::vector<DWORD> winEvents;  // event * 1000 + child, as the hook saw them

void CALLBACK RecordWinEvent(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) winEvents.push_back(event * 1000 + static_cast<DWORD>(child));
}

LONG HeightOf(HWND window) {
    RECT area{};
    GetClientRect(window, &area);
    return area.bottom;
}

ComPtr<proplist::KavellaList> LoadedFrom(IPropertyBag* bag) {
    ComPtr<proplist::KavellaList> loaded = MakeList();
    EXPECT_EQ(support::QueryAs<IPersistPropertyBag>(loaded)->Load(bag, nullptr), S_OK);
    return loaded;
}

// The list's font, through which its size is set and read.
ComPtr<IFont> FontOf(proplist::KavellaList* list) {
    ComPtr<IFontDisp> font;
    EXPECT_EQ(list->get_Font(font.Put()), S_OK);
    return support::QueryAs<IFont>(font);
}

}  // namespace

TEST_F(ListWindowTest, CommittingAnEditStoresTheValueAndRaisesItemChangedOnce) {
    SelectByKeys(L"Count");
    ComPtr<IPropertyItem> count = ItemNamed(list.Get(), L"Count");
    sink->OnEvent([&](DISPID id, DISPPARAMS& parameters) {
        if (id != events::kItemChanged) return;
        EXPECT_EQ(*V_DISPATCHREF(&parameters.rgvarg[0]), static_cast<IDispatch*>(count.Get()));
        EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 12) << "the value is stored before the event";
    });
    HWND editor = EditWith(L"12");
    Key(VK_RETURN, editor);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(sample->count, 3) << "the list never writes to the object itself";
    // An edit that changes nothing is no change, and neither is an assignment from code.
    Key(VK_RETURN, EditWith(L"12"));
    ASSERT_EQ(count->put_Value(ole::Variant(LONG{99}).Get()), S_OK);
    EXPECT_EQ(Count(events::kItemChanged), 1u);
}

TEST_F(ListWindowTest, EscapeAndRefusedValuesCommitNothingAndKeepTheUserInTheEditor) {
    SelectByKeys(L"Caption");
    Key(VK_ESCAPE, EditWith(L"Typed"));
    EXPECT_EQ(Count(events::kEditCancelled), 1u);
    EXPECT_STREQ(V_BSTR(&ValueOf(L"Caption").Get()), L"Hello");

    const std::pair<const wchar_t*, const wchar_t*> refused[] = {{L"Count", L"abc"}, {L"Count", L"2.5"},
                                                                 {L"Small", L"70000"}};
    for (const auto& [name, text] : refused) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
        SelectByKeys(name);
        HWND editor = EditWith(text);
        const size_t rejected = Count(events::kValueRejected);
        Key(VK_RETURN, editor);
        EXPECT_EQ(Count(events::kValueRejected), rejected + 1);
        EXPECT_TRUE(Editor() == editor && MessageShown()) << "the user may correct the text";
        Key(VK_END);
        EXPECT_EQ(SelectedName(), name) << "a refused value keeps the user where he is";
        if (name != std::wstring(L"Small")) Key(VK_ESCAPE, editor);
    }
    EXPECT_EQ(Count(events::kItemChanged), 0u);
    SetWindowTextW(Editor(), L"-4");
    Key(VK_RETURN, Editor());
    EXPECT_EQ(V_I2(&ValueOf(L"Small").Get()), -4);
    EXPECT_FALSE(MessageShown());
}

TEST_F(ListWindowTest, AnOpenEditorFollowsItsRowAndGoesWhenItsItemIsHidden) {
    SelectByKeys(L"Ratio");
    HWND editor = EditWith(L"1.5");
    RECT before{}, after{};
    GetWindowRect(editor, &before);
    ASSERT_EQ(ItemNamed(list.Get(), L"Caption")->put_Visible(VARIANT_FALSE), S_OK);
    GetWindowRect(editor, &after);
    EXPECT_EQ(after.top, before.top - list->View().RowHeight());
    ASSERT_EQ(ItemNamed(list.Get(), L"Ratio")->put_Visible(VARIANT_FALSE), S_OK);
    EXPECT_TRUE(!Editor() && SelectedName() == L"(none)" && Count(events::kItemChanged) == 0);
}

// The container passes the list's own keys through TranslateAccelerator. Then each case starts on the
// first row, types its text (WM_CHAR) and presses its keys where the focus is: in the editor when one is open.
TEST_F(ListWindowTest, KeysMoveTheSelectionAndOpenEditorsAsTheItemsAndTheHandlersAllow) {
    const ComPtr<IOleInPlaceActiveObject> active = support::QueryAs<IOleInPlaceActiveObject>(list);
    MSG down{window, WM_KEYDOWN, VK_DOWN, 1, 0, {}}, other{window, WM_KEYDOWN, 'A', 1, 0, {}};
    MSG elsewhere{container->Window(), WM_KEYDOWN, VK_DOWN, 1, 0, {}};
    EXPECT_EQ(active->TranslateAccelerator(&down), S_OK);
    EXPECT_EQ(active->TranslateAccelerator(&other), S_FALSE) << "other keys are the container's to route";
    EXPECT_EQ(active->TranslateAccelerator(&elsewhere), S_FALSE);
    EXPECT_EQ(SelectedName(), L"Caption") << "one row down";
    const struct {
        const char* what;
        std::function<void()> prepare;
        const wchar_t* typed;
        std::vector<WORD> keys;
        const wchar_t* selected;
        bool editing;
        DISPID event;
        size_t raised;  // times the event came during the keys
    } cases[] = {
        {"typing finds a name, read-only values are not edited", nullptr, L"bo", {VK_TAB, VK_RETURN}, L"Serial",
         false, events::kReadOnlyEditAttempt, 2},
        {"a custom value is the host's to edit", nullptr, L"", {VK_END, VK_UP, VK_UP, VK_UP, VK_F2},
         L"Child", false, events::kButtonClick, 1},
        {"keys in the editor are the list's", nullptr, L"", {VK_RETURN, VK_ESCAPE}, L"Caption", false,
         events::kKeyDown, 2},
        {"Tab from an editor stores its value and edits the next", [this] { EditWith(L"Tabbed"); }, L"", {VK_TAB},
         L"Count", true, events::kSelectionChanged, 1},
        {"a swallowed key does nothing",
         [this] {
             sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
                 // Last first: the shift state, then the key.
                 if (id == events::kKeyDown && *V_I2REF(&parameters.rgvarg[1]) == VK_DOWN) {
                     *V_I2REF(&parameters.rgvarg[1]) = 0;
                 }
             });
         },
         L"", {VK_F5, VK_DOWN}, L"Caption", false, events::kKeyDown, 2},
        {"a refused selection stays", [this] { CancelEach(events::kBeforeSelectionChange); }, L"", {VK_DOWN, VK_END},
         L"Caption", false, events::kSelectionChanged, 0},
        {"a disabled list takes no keys", [this] { list->put_Enabled(VARIANT_FALSE); }, L"", {VK_DOWN, VK_RETURN},
         L"Caption", false, events::kSelectionChanged, 0}};
    for (const auto& each : cases) {
        SCOPED_TRACE(each.what);
        sink->OnEvent(nullptr);
        ASSERT_EQ(list->put_Enabled(VARIANT_TRUE), S_OK);
        if (Editor()) Key(VK_ESCAPE, Editor());
        Key(VK_HOME);
        if (each.prepare) each.prepare();
        const size_t before = Count(each.event);
        for (const wchar_t* letter = each.typed; *letter; ++letter) SendMessageW(window, WM_CHAR, *letter, 1);
        for (const WORD key : each.keys) Key(key, Editor());
        EXPECT_EQ(SelectedName(), each.selected);
        EXPECT_EQ(Editor() != nullptr, each.editing);
        EXPECT_EQ(Count(each.event) - before, each.raised);
    }
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_STREQ(V_BSTR(&ValueOf(L"Caption").Get()), L"Tabbed");
}

// Redraw True and the changes made next are painted together; a change after a paint asks for another.
TEST_F(ListWindowTest, RedrawFalseSuspendsPaintingAndTrueRepaintsOnce) {
    ASSERT_EQ(list->put_DescriptionVisible(VARIANT_TRUE), S_OK);
    ShowWindow(container->Window(), SW_SHOWNA);
    UpdateWindow(window);
    const auto paints = [&] { return std::pair{list->View().PaintCount(), Count(events::kPaint)}; };
    const auto before = paints();
    ASSERT_EQ(list->put_Redraw(VARIANT_FALSE), S_OK);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(paints(), before);
    ASSERT_EQ(list->put_Redraw(VARIANT_TRUE), S_OK);
    for (const wchar_t* text : {L"One", L"Two"}) {
        ASSERT_EQ(ItemNamed(list.Get(), L"Caption")->put_Value(ole::Variant(std::wstring_view(text)).Get()), S_OK);
        for (HWND painted : {window, list->View().DescriptionWindow()}) {
            EXPECT_TRUE(GetUpdateRect(painted, nullptr, FALSE)) << text;
        }
        RedrawWindow(container->Window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    EXPECT_EQ(paints(), std::pair(before.first + 2, before.second + 2));
}

TEST_F(ListWindowTest, ALongListScrollsToTheSelectionAndPaintsOnlyTheRowsAsked) {
    ASSERT_EQ(Populate(list.Get(), support::MakeMemberIdObject(5000).Get()), S_OK);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL);
    support::Canvas canvas(client.right, client.bottom);
    list->View().Draw(canvas.Dc(), {0, 0, client.right, list->View().RowHeight() * 4});
    EXPECT_EQ(list->View().RowsDrawn(), 4u) << "only the rows in the area painted";
    Key(VK_END);
    SCROLLINFO bar{sizeof(bar), SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(window, SB_VERT, &bar));
    EXPECT_EQ(std::pair(bar.nMax, bar.nPos + static_cast<int>(bar.nPage)), std::pair(4999, 5000)) << "on the last page";
    ASSERT_EQ(Populate(list.Get(), support::MakeMemberIdObject(3).Get()), S_OK);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL) << "every row fits";
}

TEST_F(ListWindowTest, MouseEntersAndLeavesRowsSelectsEditsAndDragsTheSplitter) {
    const int row = list->View().RowHeight(), middle = row * 5 / 2;
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(250, row / 2));
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(250, row + row / 2));
    EXPECT_EQ(ItemNameIn(ArgumentsOfLast(events::kItemLeave).at(0).Get()) + L" " +
                  ItemNameIn(ArgumentsOfLast(events::kItemEnter).at(0).Get()), L"Caption Count");
    SendMessageW(window, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(std::pair(Count(events::kMouseEnter), Count(events::kMouseLeave)), (std::pair<size_t, size_t>(1, 1)));
    RECT client{};
    GetClientRect(window, &client);
    Click(5, middle);
    EXPECT_TRUE(SelectedName() == L"Ratio" && !Editor()) << "a first click selects";
    Click(client.right - 5, middle);
    ASSERT_NE(Editor(), nullptr) << "a click on the selected item's value edits it";
    Key(VK_ESCAPE, Editor());
    // The splitter starts near the middle; dragging it moves the value column.
    const int splitter = static_cast<int>(client.right * 0.45);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(splitter, 5));
    SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right / 4, 5));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(client.right / 4, 5));
    EXPECT_EQ(SelectedName(), L"Ratio") << "dragging the splitter selects nothing";
    EXPECT_NEAR(V_R4(&ArgumentsOfLast(events::kSplitterMoved).at(0).Get()), client.right / 4.0, 1.0);
    EXPECT_EQ(Count(events::kColumnWidthChanged), 1u);
    Click(client.right / 2, middle);
    EXPECT_NE(Editor(), nullptr) << "left of the old splitter is now a value";
}

// The list as a screen reader reads it, through the platform's accessibility entry point.
TEST_F(ListWindowTest, AccessibleRowsAreTheVisibleItemsValuedAsShownAndFollowTheKeyboard) {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, &RecordWinEvent,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    winEvents.clear();
    SetFocus(window);
    SelectByKeys(L"Count");
    const LONG selectedAndFocused = STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED;
    EXPECT_EQ(Read(2, true, selectedAndFocused) + L" " + Read(1, true, selectedAndFocused),
              L"Count=3 selected focused Caption=Hello");
    const ole::ComPtr<IAccessible> accessible = Accessible();
    ole::Variant focus, hit, selection, next;
    ASSERT_EQ(accessible->get_accFocus(focus.Out()), S_OK);
    ASSERT_EQ(accessible->get_accSelection(selection.Out()), S_OK);
    ASSERT_EQ(accessible->accNavigate(NAVDIR_NEXT, selection.Get(), next.Out()), S_OK);
    LONG left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(accessible->accLocation(&left, &top, &width, &height, ole::Variant(LONG{2}).Get()), S_OK);
    ASSERT_EQ(accessible->accHitTest(left + width / 2, top + height / 2, hit.Out()), S_OK);
    EXPECT_EQ((std::vector<LONG>{V_I4(&focus.Get()), V_I4(&next.Get()), V_I4(&hit.Get())}),
              (std::vector<LONG>{2, 3, 2}));

    ASSERT_EQ(accessible->accDoDefaultAction(ole::Variant(LONG{3}).Get()), S_OK);
    EXPECT_EQ(SelectedName(), L"Ratio");
    ASSERT_NE(Editor(), nullptr) << "the default action edits";
    SetWindowTextW(Editor(), L"41");
    Key(VK_RETURN, Editor());
    Pump();
    UnhookWinEvent(hook);
    for (const DWORD seen : {EVENT_OBJECT_FOCUS * 1000 + 2, EVENT_OBJECT_SELECTION * 1000 + 3,
                             EVENT_OBJECT_VALUECHANGE * 1000 + 3}) {
        EXPECT_NE(std::find(winEvents.begin(), winEvents.end(), seen), winEvents.end()) << seen;
    }
    ASSERT_EQ(ItemNamed(list.Get(), L"Count")->put_Visible(VARIANT_FALSE), S_OK);
    EXPECT_EQ(ReadAll(), L"Caption Ratio Shown Outline BackColor Born Serial Child Values Anything Small");
    std::wstring read;
    for (const LONG id : {1, 4, 5, 7, 8, 11, 12}) read += Read(id, true, STATE_SYSTEM_READONLY) + L";";
    EXPECT_EQ(read, L"Caption=Hello;Outline=Triangle;BackColor=#FF8000;Serial=42 read-only;Child=(Nothing);"
                    L"Small=7;failed;");
    ASSERT_EQ(list->InPlaceDeactivate(), S_OK);
    LONG children = 0;
    EXPECT_EQ(accessible->get_accChildCount(&children), CO_E_OBJNOTCONNECTED) << "the window is gone";
}

// Corners holds CornerSharp (1), a documented constant, and then CornerRound (2), an
// undocumented one: the object reads every property as its member id.
TEST(PropertyDescriptionTest, SaysTheDocumentationTheConstantsDocumentationAndTheType) {
    const ComPtr<proplist::KavellaList> list = MakeList();
    ASSERT_EQ(Populate(list.Get(), support::MakeMemberIdObject(SampleTypeInfo(L"DFrame")).Get()), S_OK);
    auto& corners = *static_cast<proplist::PropertyItem*>(ItemNamed(list.Get(), L"Corners").Get());
    EXPECT_EQ(DescribeProperty(corners).Body(), L"Corners of the frame\nCornerSharp: Corners drawn square\nCorner");
    // The pane keeps what it looked up, but not past a change of the constant the value holds.
    DescriptionPane pane;
    EXPECT_FALSE(pane.DescriptionOf(corners).constantDocumentation.empty());
    ASSERT_EQ(corners.put_Value(ole::Variant(LONG{2}).Get()), S_OK);
    EXPECT_EQ(pane.DescriptionOf(corners).Body(), L"Corners of the frame\nCorner");
}

TEST_F(ListWindowTest, DescriptionPaneTakesTheBottomTheMenuHidesItAndTheSplitterResizesItEachTellingTheContainer) {
    ASSERT_EQ(list->put_DescriptionVisible(VARIANT_TRUE), S_OK);
    told->ClearCalls();
    const HWND pane = list->View().DescriptionWindow();
    const LONG belowToolbar = 200 - HeightOf(list->View().Toolbar().Window());  // of the control's 200 pixels
    ASSERT_TRUE(Shown(pane));
    EXPECT_EQ(HeightOf(window) + HeightOf(pane), belowToolbar);
    SelectByKeys(L"Serial");
    ole::Bstr description;
    ASSERT_EQ(Accessible()->get_accDescription(ole::Variant(LONG{8}).Get(), description.Out()), S_OK);
    EXPECT_EQ(description.View(), L"Long, read-only") << "what the pane says";
    Command(ListView::kCommandDescription);
    EXPECT_FALSE(Shown(pane));
    EXPECT_EQ(HeightOf(window), belowToolbar) << "the rows take the room back";
    ASSERT_EQ(list->put_DescriptionVisible(VARIANT_TRUE), S_OK);
    // Grabbed in the band at its top and dragged up 20 pixels.
    SendMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 1));
    SendMessageW(pane, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, -19));
    SendMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(0, -19));
    EXPECT_EQ(HeightOf(pane), DescriptionPane::kDefaultHeight + 20);
    EXPECT_EQ(told->ChangedIds(), (std::vector<DISPID>{proplist::kDispidDescriptionVisible,
                                                       proplist::kDispidDescriptionVisible,
                                                       proplist::kDispidDescriptionHeight}));
}

TEST(ListStateTest, FontEnabledViewOrderAndThePaneSurviveSavingAndLoadingAndValuesOutOfRangeAreRefused) {
    const ComPtr<proplist::KavellaList> saved = MakeList();
    const ComPtr<IPersistPropertyBag> saver = support::QueryAs<IPersistPropertyBag>(saved);
    ASSERT_EQ(saver->InitNew(), S_OK);
    EXPECT_EQ(saved->put_ViewOrder(3), CTL_E_INVALIDPROPERTYVALUE);
    for (LONG refused : {0L, DescriptionPane::kMaximumHeight + 1}) {
        EXPECT_EQ(saved->put_DescriptionHeight(refused), E_INVALIDARG);
    }
    ASSERT_EQ(saved->put_ViewOrder(ListView::kCategorizedOrder), S_OK);
    ASSERT_EQ(saved->put_DescriptionHeight(123), S_OK);
    ASSERT_EQ(saved->put_DescriptionVisible(VARIANT_FALSE), S_OK);
    ASSERT_EQ(saved->put_Enabled(VARIANT_FALSE), S_OK);
    ASSERT_EQ(FontOf(saved.Get())->put_Size(CY{{120000, 0}}), S_OK);
    ComPtr<ole::MemoryPropertyBag> bag;
    ASSERT_EQ(ole::MakeObject(bag), S_OK);
    ASSERT_EQ(saver->Save(bag.Get(), TRUE, TRUE), S_OK);
    const ComPtr<proplist::KavellaList> loaded = LoadedFrom(bag.Get());
    VARIANT_BOOL enabled = VARIANT_TRUE;
    LONG order = -1;
    ASSERT_TRUE(SUCCEEDED(loaded->get_Enabled(&enabled)) && SUCCEEDED(loaded->get_ViewOrder(&order)));
    EXPECT_EQ(std::tuple(order, loaded->View().DescriptionVisible(), loaded->View().DescriptionHeight(), enabled),
              std::tuple(ListView::kCategorizedOrder, false, 123, VARIANT_FALSE));
    EXPECT_NE(FontOf(loaded.Get()).Get(), FontOf(saved.Get()).Get()) << "each list has a font of its own";
    // The size the platform realised depends on the fonts installed: the two fonts must agree.
    CY savedSize{}, loadedSize{};
    ASSERT_EQ(FontOf(saved.Get())->get_Size(&savedSize), S_OK);
    ASSERT_EQ(FontOf(loaded.Get())->get_Size(&loadedSize), S_OK);
    EXPECT_EQ(loadedSize.int64, savedSize.int64);
    // A height stored out of range (written by hand) still loads.
    ole::Variant tooHigh(LONG{DescriptionPane::kMaximumHeight + 1});
    ASSERT_EQ(bag->Write(L"DescriptionHeight", const_cast<VARIANT*>(&tooHigh.Get())), S_OK);
    EXPECT_EQ(LoadedFrom(bag.Get())->View().DescriptionHeight(), DescriptionPane::kMaximumHeight);
}

}  // namespace proplist_tests
