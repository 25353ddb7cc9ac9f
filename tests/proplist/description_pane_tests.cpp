// The description pane under the rows: what it says of a property, and how it is laid out,
// hidden, resized and saved.
#include "tests/proplist/list_window_fixture.h"
#include "tests/support/run_time_types.h"

namespace proplist_tests {

using ole::ComPtr;
using proplist::DescriptionPane;

namespace {

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
    ListenForChanges();
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
    EXPECT_EQ(told, (std::vector<DISPID>{proplist::kDispidDescriptionVisible, proplist::kDispidDescriptionVisible,
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
