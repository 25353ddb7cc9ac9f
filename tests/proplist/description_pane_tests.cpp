// The description pane under the rows: what it says of a property, and how it is laid out,
// hidden, resized and saved.
#include "ole/hresult.h"
#include "ole/property_bag.h"
#include "ole/property_notify_connection.h"
#include "tests/proplist/list_window_fixture.h"
#include "tests/support/run_time_types.h"

#include <oleacc.h>

namespace proplist_tests {

using ole::ComPtr;
using proplist::DescriptionPane;

namespace {

LONG HeightOf(HWND window) {
    RECT area{};
    GetClientRect(window, &area);
    return area.bottom;
}

HRESULT AddVariable(ICreateTypeInfo* type, UINT index, VARDESC variable, const wchar_t* name, const wchar_t* doc) {
    RETURN_IF_FAILED(type->AddVarDesc(index, &variable));
    RETURN_IF_FAILED(type->SetVarName(index, const_cast<LPOLESTR>(name)));
    return doc ? type->SetVarDocString(index, const_cast<LPOLESTR>(doc)) : S_OK;
}

// Described in memory, as a library being written describes it: an enumeration Corner of
// CornerSharp (1, documented) and CornerRound (2), and a dispinterface of one documented Corner
// property, Corners.
HRESULT DescribeFrame(ComPtr<ITypeInfo>& frameInfo) {
    ComPtr<ICreateTypeLib2> library;
    ComPtr<ICreateTypeInfo> corner, frame;
    ComPtr<ITypeInfo> cornerInfo;
    RETURN_IF_FAILED(CreateTypeLib2(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, L"frame.tlb", library.Put()));
    RETURN_IF_FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"Corner"), TKIND_ENUM, corner.Put()));
    RETURN_IF_FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"DFrame"), TKIND_DISPATCH, frame.Put()));
    ole::Variant values[] = {ole::Variant(LONG{1}), ole::Variant(LONG{2})};
    VARDESC member{0x40000001, nullptr, {}, {}, 0, VAR_CONST};
    member.elemdescVar.tdesc.vt = VT_I4;
    member.lpvarValue = const_cast<VARIANT*>(&values[0].Get());
    RETURN_IF_FAILED(AddVariable(corner.Get(), 0, member, L"CornerSharp", L"Corners drawn square"));
    member.memid = 0x40000002;
    member.lpvarValue = const_cast<VARIANT*>(&values[1].Get());
    RETURN_IF_FAILED(AddVariable(corner.Get(), 1, member, L"CornerRound", nullptr));
    RETURN_IF_FAILED(corner->LayOut());
    RETURN_IF_FAILED(corner.As(&cornerInfo));
    member = {1, nullptr, {}, {}, 0, VAR_DISPATCH};
    member.elemdescVar.tdesc.vt = VT_USERDEFINED;
    RETURN_IF_FAILED(frame->AddRefTypeInfo(cornerInfo.Get(), &member.elemdescVar.tdesc.hreftype));
    RETURN_IF_FAILED(AddVariable(frame.Get(), 0, member, L"Corners", L"Corners of the frame"));
    RETURN_IF_FAILED(frame->LayOut());
    return frame.As(&frameInfo);
}

ComPtr<proplist::KavellaList> LoadedFrom(IPropertyBag* bag) {
    ComPtr<proplist::KavellaList> list = MakeList();
    ComPtr<IPersistPropertyBag> loader;
    EXPECT_EQ(list.As(&loader), S_OK);
    EXPECT_EQ(loader->Load(bag, nullptr), S_OK);
    return list;
}

}  // namespace

class DescriptionPaneTest : public ListWindowTest {
protected:
    void SetUp() override {
        ListWindowTest::SetUp();
        ASSERT_EQ(list->put_DescriptionVisible(VARIANT_TRUE), S_OK);
    }
    HWND Pane() { return list->View().DescriptionWindow(); }
    // What the toolbar leaves of the control's 200 pixels.
    int BelowToolbar() { return 200 - HeightOf(list->View().Toolbar().Window()); }
};

// Corners holds CornerSharp (1), a documented constant, and then CornerRound (2), an
// undocumented one: the object reads every property as its member id.
TEST(PropertyDescriptionTest, SaysTheDocumentationTheConstantsDocumentationAndTheType) {
    ComPtr<ITypeInfo> frame;
    ASSERT_EQ(DescribeFrame(frame), S_OK);
    const ComPtr<proplist::KavellaList> list = MakeList();
    ASSERT_EQ(Populate(list.Get(), support::MakeMemberIdObject(frame).Get()), S_OK);
    auto& corners = *static_cast<proplist::PropertyItem*>(ItemNamed(list.Get(), L"Corners").Get());
    EXPECT_EQ(DescribeProperty(corners).Body(), L"Corners of the frame\nCornerSharp: Corners drawn square\nCorner");
    // The pane keeps what it looked up, but not past a change of the constant the value holds.
    DescriptionPane pane;
    EXPECT_FALSE(pane.DescriptionOf(corners).constantDocumentation.empty());
    ASSERT_EQ(corners.put_Value(ole::Variant(LONG{2}).Get()), S_OK);
    EXPECT_EQ(pane.DescriptionOf(corners).Body(), L"Corners of the frame\nCorner");
}

TEST_F(DescriptionPaneTest, TakesTheBottomTheMenuHidesItAndTheSplitterResizesItEachTellingTheContainer) {
    std::vector<DISPID> told;
    ole::PropertyNotifyConnection changes;
    ASSERT_EQ(changes.Connect(static_cast<_Kavella*>(list.Get()), [&](DISPID id) { told.push_back(id); }), S_OK);
    ASSERT_TRUE(Shown(Pane()));
    EXPECT_EQ(HeightOf(window) + HeightOf(Pane()), BelowToolbar());
    ComPtr<IAccessible> accessible;
    ASSERT_EQ(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                         accessible.PutVoid()), S_OK);
    SelectByKeys(L"Serial");
    ole::Variant selected;
    ole::Bstr description;
    ASSERT_EQ(accessible->get_accSelection(selected.Out()), S_OK);
    ASSERT_EQ(accessible->get_accDescription(selected.Get(), description.Out()), S_OK);
    EXPECT_EQ(description.View(), L"Long, read-only") << "what the pane says";
    SendMessageW(window, WM_COMMAND, proplist::ListView::kCommandDescription, 0);
    EXPECT_FALSE(Shown(Pane()));
    EXPECT_EQ(HeightOf(window), BelowToolbar()) << "the rows take the room back";
    ASSERT_EQ(list->put_DescriptionVisible(VARIANT_TRUE), S_OK);
    // Grabbed in the band at its top and dragged up 20 pixels.
    SendMessageW(Pane(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 1));
    SendMessageW(Pane(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, -19));
    SendMessageW(Pane(), WM_LBUTTONUP, 0, MAKELPARAM(0, -19));
    EXPECT_EQ(HeightOf(Pane()), DescriptionPane::kDefaultHeight + 20);
    EXPECT_EQ(told, (std::vector<DISPID>{proplist::kDispidDescriptionVisible, proplist::kDispidDescriptionVisible,
                                         proplist::kDispidDescriptionHeight}));
}

TEST(ListStateTest, ViewOrderAndThePaneSurviveSavingAndLoadingAndValuesOutOfRangeAreRefused) {
    const ComPtr<proplist::KavellaList> saved = MakeList();
    EXPECT_EQ(saved->put_ViewOrder(3), CTL_E_INVALIDPROPERTYVALUE);
    for (LONG refused : {0L, DescriptionPane::kMaximumHeight + 1}) {
        EXPECT_EQ(saved->put_DescriptionHeight(refused), E_INVALIDARG);
    }
    ASSERT_EQ(saved->put_ViewOrder(proplist::ListView::kCategorizedOrder), S_OK);
    ASSERT_EQ(saved->put_DescriptionHeight(123), S_OK);
    ASSERT_EQ(saved->put_DescriptionVisible(VARIANT_FALSE), S_OK);
    ComPtr<IPersistPropertyBag> saver;
    ComPtr<ole::MemoryPropertyBag> bag;
    ASSERT_EQ(saved.As(&saver), S_OK);
    ASSERT_EQ(ole::MakeObject(bag), S_OK);
    ASSERT_EQ(saver->Save(bag.Get(), TRUE, TRUE), S_OK);
    ComPtr<proplist::KavellaList> loaded = LoadedFrom(bag.Get());
    EXPECT_EQ(loaded->View().ViewOrder(), proplist::ListView::kCategorizedOrder);
    EXPECT_FALSE(loaded->View().DescriptionVisible());
    EXPECT_EQ(loaded->View().DescriptionHeight(), 123);
    // A height stored out of range (written by hand) still loads.
    ole::Variant tooHigh(LONG{DescriptionPane::kMaximumHeight + 1});
    ASSERT_EQ(bag->Write(L"DescriptionHeight", const_cast<VARIANT*>(&tooHigh.Get())), S_OK);
    EXPECT_EQ(LoadedFrom(bag.Get())->View().DescriptionHeight(), DescriptionPane::kMaximumHeight);
}

}  // namespace proplist_tests
