// The description pane under the rows: what it says of a property, and how it is laid out,
// hidden, resized and saved.
#include "ole/hresult.h"
#include "tests/proplist/list_window_fixture.h"
#include "tests/support/run_time_types.h"

#include <oleacc.h>

namespace proplist_tests {

using ole::ComPtr;
using proplist::DescriptionPane;
using proplist::PropertyItem;

namespace {

PropertyItem& ItemOf(proplist::KavellaList* list, const wchar_t* name) {
    return *static_cast<PropertyItem*>(ItemNamed(list, name).Get());
}

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
// CornerSharp (1, documented) and CornerRound (2), and a dispinterface of two Corner properties,
// Corners (documented) and Plain (read-only).
ComPtr<ITypeInfo> DescribedFrame() {
    ComPtr<ICreateTypeLib2> library;
    ComPtr<ICreateTypeInfo> corner, frame;
    ComPtr<ITypeInfo> cornerInfo, frameInfo;
    const ole::Variant sharp(LONG{1}), round(LONG{2});
    const HRESULT hr = [&]() -> HRESULT {
        RETURN_IF_FAILED(CreateTypeLib2(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, L"frame.tlb", library.Put()));
        RETURN_IF_FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"Corner"), TKIND_ENUM, corner.Put()));
        RETURN_IF_FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"DFrame"), TKIND_DISPATCH, frame.Put()));
        VARDESC constant{};
        constant.varkind = VAR_CONST;
        constant.elemdescVar.tdesc.vt = VT_I4;
        constant.memid = 0x40000001;
        constant.lpvarValue = const_cast<VARIANT*>(&sharp.Get());
        RETURN_IF_FAILED(AddVariable(corner.Get(), 0, constant, L"CornerSharp", L"Corners drawn square"));
        constant.memid = 0x40000002;
        constant.lpvarValue = const_cast<VARIANT*>(&round.Get());
        RETURN_IF_FAILED(AddVariable(corner.Get(), 1, constant, L"CornerRound", nullptr));
        RETURN_IF_FAILED(corner->LayOut());
        RETURN_IF_FAILED(corner.As(&cornerInfo));
        VARDESC property{};
        property.varkind = VAR_DISPATCH;
        property.elemdescVar.tdesc.vt = VT_USERDEFINED;
        RETURN_IF_FAILED(frame->AddRefTypeInfo(cornerInfo.Get(), &property.elemdescVar.tdesc.hreftype));
        property.memid = 1;
        RETURN_IF_FAILED(AddVariable(frame.Get(), 0, property, L"Corners", L"Corners of the frame"));
        property.memid = 2;
        property.wVarFlags = VARFLAG_FREADONLY;
        RETURN_IF_FAILED(AddVariable(frame.Get(), 1, property, L"Plain", nullptr));
        RETURN_IF_FAILED(frame->LayOut());
        return frame.As(&frameInfo);
    }();
    EXPECT_EQ(hr, S_OK);
    return frameInfo;
}

}  // namespace

// Corners holds CornerSharp (1), a documented constant, and Plain CornerRound (2), an
// undocumented one: the object reads every property as its member id.
TEST(PropertyDescriptionTest, SaysTheDocumentationTheConstantsDocumentationTheTypeAndReadOnly) {
    const ComPtr<proplist::KavellaList> list = MakeList();
    ASSERT_EQ(Populate(list.Get(), support::MakeMemberIdObject(DescribedFrame()).Get()), S_OK);
    PropertyItem& corners = ItemOf(list.Get(), L"Corners");
    EXPECT_EQ(proplist::DescribeProperty(corners).Body(),
              L"Corners of the frame\nCornerSharp: Corners drawn square\nCorner");
    EXPECT_EQ(proplist::DescribeProperty(ItemOf(list.Get(), L"Plain")).Body(), L"Corner, read-only");
    // The pane keeps what it looked up, but not past a change of the constant the value holds.
    DescriptionPane pane;
    EXPECT_FALSE(pane.DescriptionOf(corners).constantDocumentation.empty());
    ASSERT_EQ(corners.put_Value(ole::Variant(LONG{2}).Get()), S_OK);
    EXPECT_EQ(pane.DescriptionOf(corners).Body(), L"Corners of the frame\nCorner");
}

class DescriptionPaneTest : public ListWindowTest {
protected:
    void SetUp() override {
        ListWindowTest::SetUp();
        ASSERT_EQ(list->put_DescriptionVisible(VARIANT_TRUE), S_OK);
    }
    HWND Pane() { return list->View().DescriptionWindow(); }
};

TEST_F(DescriptionPaneTest, TakesTheBottomOfTheControlAndTellsScreenReadersTheSameText) {
    ASSERT_TRUE(Shown(Pane()));
    EXPECT_EQ(HeightOf(window) + HeightOf(Pane()), 200);
    EXPECT_EQ(HeightOf(Pane()), DescriptionPane::kDefaultHeight);
    ComPtr<IAccessible> accessible;
    ASSERT_EQ(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                         accessible.PutVoid()),
              S_OK);
    SelectByKeys(L"Serial");
    ole::Variant selected;
    ASSERT_EQ(accessible->get_accSelection(selected.Out()), S_OK);
    ole::Bstr description;
    ASSERT_EQ(accessible->get_accDescription(selected.Get(), description.Out()), S_OK);
    EXPECT_EQ(description.View(), L"Long, read-only");
}

TEST_F(DescriptionPaneTest, TheMenuHidesItAndTheSplitterResizesItEachTellingTheContainer) {
    const ComPtr<doubles::PropertyNotifySink> changes = doubles::PropertyNotifySink::Create();
    ComPtr<IConnectionPoint> notifying;
    DWORD notifyCookie = 0;
    ASSERT_EQ(list->FindConnectionPoint(IID_IPropertyNotifySink, notifying.Put()), S_OK);
    ASSERT_EQ(notifying->Advise(changes.Get(), &notifyCookie), S_OK);
    SendMessageW(window, WM_COMMAND, proplist::ListView::kCommandDescription, 0);
    VARIANT_BOOL visible = VARIANT_TRUE;
    ASSERT_EQ(list->get_DescriptionVisible(&visible), S_OK);
    EXPECT_EQ(visible, VARIANT_FALSE);
    EXPECT_FALSE(Shown(Pane()));
    EXPECT_EQ(HeightOf(window), 200) << "the rows take the room back";
    ASSERT_EQ(list->put_DescriptionVisible(VARIANT_TRUE), S_OK);
    ASSERT_TRUE(Shown(Pane()));
    // Grabbed in the band at its top and dragged up 20 pixels.
    SendMessageW(Pane(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 1));
    SendMessageW(Pane(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, -19));
    SendMessageW(Pane(), WM_LBUTTONUP, 0, MAKELPARAM(0, -19));
    LONG height = 0;
    ASSERT_EQ(list->get_DescriptionHeight(&height), S_OK);
    EXPECT_EQ(height, DescriptionPane::kDefaultHeight + 20);
    EXPECT_EQ(HeightOf(Pane()), height);
    const std::vector<DISPID> told{proplist::kDispidDescriptionVisible, proplist::kDispidDescriptionVisible,
                                   proplist::kDispidDescriptionHeight};
    EXPECT_EQ(changes->ChangedIds(), told);
    notifying->Unadvise(notifyCookie);
}

TEST(DescriptionStateTest, HidingAndHeightSurviveSavingAndLoadingAndABadHeightIsRefused) {
    const ComPtr<proplist::KavellaList> saved = MakeList(), loaded = MakeList();
    ComPtr<IPersistStreamInit> saver, loader;
    ASSERT_EQ(saved.As(&saver), S_OK);
    ASSERT_EQ(loaded.As(&loader), S_OK);
    ASSERT_EQ(saver->InitNew(), S_OK);
    for (LONG refused : {0L, -5L, DescriptionPane::kMaximumHeight + 1}) {
        EXPECT_EQ(saved->put_DescriptionHeight(refused), E_INVALIDARG) << refused;
    }
    ASSERT_EQ(saved->put_DescriptionHeight(DescriptionPane::kMaximumHeight), S_OK);
    ASSERT_EQ(saved->put_DescriptionHeight(123), S_OK);
    ASSERT_EQ(saved->put_DescriptionVisible(VARIANT_FALSE), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    ASSERT_EQ(saver->Save(stream.Get(), TRUE), S_OK);
    ASSERT_EQ(stream->Seek({}, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(loader->Load(stream.Get()), S_OK);
    VARIANT_BOOL visible = VARIANT_TRUE;
    LONG height = 0;
    ASSERT_EQ(loaded->get_DescriptionVisible(&visible), S_OK);
    ASSERT_EQ(loaded->get_DescriptionHeight(&height), S_OK);
    EXPECT_EQ(visible, VARIANT_FALSE);
    EXPECT_EQ(height, 123);
}

}  // namespace proplist_tests
