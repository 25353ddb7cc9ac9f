#include "tests/control/control_fixture.h"

#include "tests/doubles/recording_container.h"
#include "tests/doubles/recording_property_bag.h"

#include <ocidl.h>

namespace {

using doubles::RecordingPropertyBag;
using ole::ComPtr;
using ole::Variant;

constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x800A000D);
constexpr HRESULT kInvalidPropertyValue = static_cast<HRESULT>(0x800A017C);

const std::vector<std::wstring> kKeysInOrder{L"AutoWriteProperties", L"AutoPopulate",      L"Enabled",
                                             L"Font",                L"HideReadOnlyItems", L"HideCustomItems"};

class PersistenceTest : public ControlTest {
protected:
    HRESULT Load(IPropertyBag* bag) {
        ComPtr<IPersistPropertyBag> persistence;
        RETURN_IF_FAILED(static_cast<_Inspecta*>(control.Get())->QueryInterface(IID_IPersistPropertyBag,
                                                                                 persistence.PutVoid()));
        return persistence->Load(bag, nullptr);
    }
    HRESULT Save(IPropertyBag* bag) {
        ComPtr<IPersistPropertyBag> persistence;
        RETURN_IF_FAILED(static_cast<_Inspecta*>(control.Get())->QueryInterface(IID_IPersistPropertyBag,
                                                                                 persistence.PutVoid()));
        return persistence->Save(bag, TRUE, TRUE);
    }
    VARIANT_BOOL Option(HRESULT (STDMETHODCALLTYPE _Inspecta::*getter)(VARIANT_BOOL*)) {
        VARIANT_BOOL value = 0;
        EXPECT_EQ((static_cast<_Inspecta*>(control.Get())->*getter)(&value), S_OK);
        return value;
    }
};

TEST_F(PersistenceTest, AnEmptyBagGivesEveryDefaultAndTheAmbientFont) {
    MakeControl();
    ComPtr<RecordingPropertyBag> bag = RecordingPropertyBag::Create();
    ASSERT_EQ(Load(bag.Get()), S_OK);
    std::vector<std::wstring> expected;
    for (const auto& key : kKeysInOrder) expected.push_back(L"Read " + key);
    EXPECT_EQ(bag->Calls(), expected);
    for (auto getter : {&_Inspecta::get_AutoWriteProperties, &_Inspecta::get_AutoPopulate, &_Inspecta::get_Enabled,
                        &_Inspecta::get_HideReadOnlyItems, &_Inspecta::get_HideCustomItems}) {
        EXPECT_EQ(Option(getter), VARIANT_TRUE);
    }
    ComPtr<IFontDisp> font;
    ASSERT_EQ(control->get_Font(font.Put()), S_OK);
    ComPtr<IFont> attributes;
    ASSERT_EQ(font.As(&attributes), S_OK);
    // No container: the standard ambient font, MS Sans Serif 8.25 pt regular (Wine reports the
    // face it substitutes, so the size and weight tell it).
    CY size{};
    SHORT weight = 0;
    attributes->get_Size(&size);
    attributes->get_Weight(&weight);
    EXPECT_EQ(size.int64, 82500);
    EXPECT_EQ(weight, FW_NORMAL);
}

TEST_F(PersistenceTest, SavedOptionsComeBackAndAbsentKeysTakeTheirDefaults) {
    MakeNewControl();
    control->put_HideReadOnlyItems(VARIANT_FALSE);
    control->put_AutoWriteProperties(VARIANT_FALSE);
    ComPtr<RecordingPropertyBag> bag = RecordingPropertyBag::Create();
    ASSERT_EQ(Save(bag.Get()), S_OK);
    std::vector<std::pair<std::wstring, VARTYPE>> expected;
    for (const auto& key : kKeysInOrder) expected.emplace_back(key, key == L"Font" ? VT_DISPATCH : VT_BOOL);
    EXPECT_EQ(bag->WrittenTypes(), expected) << "six keys in order, Booleans as Booleans";

    DropControl();
    MakeControl();
    ASSERT_EQ(Load(bag.Get()), S_OK);
    EXPECT_EQ(Option(&_Inspecta::get_HideReadOnlyItems), VARIANT_FALSE);
    EXPECT_EQ(Option(&_Inspecta::get_AutoWriteProperties), VARIANT_FALSE);
    EXPECT_EQ(Option(&_Inspecta::get_HideCustomItems), VARIANT_TRUE);

    DropControl();
    MakeControl();
    ComPtr<RecordingPropertyBag> partial = RecordingPropertyBag::Create();
    partial->Set(L"AutoPopulate", Variant(false).Get());
    ASSERT_EQ(Load(partial.Get()), S_OK);
    EXPECT_EQ(Option(&_Inspecta::get_AutoPopulate), VARIANT_FALSE);
    EXPECT_EQ(Option(&_Inspecta::get_HideReadOnlyItems), VARIANT_TRUE);
}

TEST_F(PersistenceTest, ATextBagLoadsAndWrongValuesFailTheLoad) {
    MakeNewControl();
    control->put_Enabled(VARIANT_FALSE);
    ComPtr<RecordingPropertyBag> text = RecordingPropertyBag::Create(true);
    ASSERT_EQ(Save(text.Get()), S_OK);
    DropControl();
    MakeControl();
    ASSERT_EQ(Load(text.Get()), S_OK);
    EXPECT_EQ(Option(&_Inspecta::get_Enabled), VARIANT_FALSE);

    DropControl();
    MakeControl();
    ComPtr<RecordingPropertyBag> wrong = RecordingPropertyBag::Create();
    wrong->Set(L"AutoPopulate", Variant(std::wstring_view(L"perhaps")).Get());
    EXPECT_EQ(Load(wrong.Get()), kTypeMismatch);

    DropControl();
    MakeControl();
    ComPtr<RecordingPropertyBag> noFont = RecordingPropertyBag::Create();
    noFont->Set(L"Font", Variant(static_cast<IDispatch*>(nullptr)).Get());
    EXPECT_EQ(Load(noFont.Get()), kInvalidPropertyValue);
}

TEST_F(PersistenceTest, ShowingDropsEditsNotYetWritten) {
    MakeNewControl();
    control->put_AutoWriteProperties(VARIANT_FALSE);
    control->putref_ClientObject(client.Get());
    Item(L"Caption")->SetStoredValue(Variant(std::wstring_view(L"Edited")).Get());
    List()->RaiseItemChanged(Item(L"Caption"));
    EXPECT_EQ(doubles::Describe(client->Property(L"Caption")->Get()), L"'Hello'");

    ComPtr<doubles::RecordingContainer> container = doubles::RecordingContainer::Create();
    ComPtr<IOleObject> object;
    ASSERT_EQ(static_cast<_Inspecta*>(control.Get())->QueryInterface(IID_IOleObject, object.PutVoid()), S_OK);
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    RECT position{0, 0, 200, 100};
    ASSERT_EQ(object->DoVerb(OLEIVERB_SHOW, nullptr, container.Get(), 0, container->Window(), &position), S_OK);
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredValue().Get()), L"'Hello'");
    EXPECT_EQ(doubles::Describe(Item(L"Caption")->StoredModified().Get()), L"False");
    control->putref_ClientObject(nullptr);
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
}

TEST_F(PersistenceTest, TheListAlwaysCoversTheWholeControlAndAZeroSizeRaisesNothing) {
    MakeNewControl();
    ComPtr<doubles::RecordingContainer> container = doubles::RecordingContainer::Create();
    ComPtr<IOleObject> object;
    ASSERT_EQ(static_cast<_Inspecta*>(control.Get())->QueryInterface(IID_IOleObject, object.PutVoid()), S_OK);
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    RECT position{10, 20, 210, 120};
    container->SetPosition(position);
    ASSERT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, container.Get(), 0, container->Window(), &position), S_OK);
    ASSERT_FALSE(List()->LogStartingWith(L"Position").empty());
    EXPECT_EQ(List()->LogStartingWith(L"Position").back(), L"Position 0,0,200,100");

    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(object.As(&inPlace), S_OK);
    RECT nothing{10, 20, 10, 20};
    EXPECT_EQ(inPlace->SetObjectRects(&nothing, &nothing), S_OK);
    EXPECT_EQ(List()->LogStartingWith(L"Position").back(), L"Position 0,0,0,0");

    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
}

}  // namespace
