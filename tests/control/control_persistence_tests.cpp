#include "tests/control/control_fixture.h"

#include "ole/late_bound.h"
#include "tests/doubles/recording_container.h"
#include "tests/doubles/recording_property_bag.h"

namespace {

using doubles::Describe;
using doubles::RecordingPropertyBag;
using ole::ComPtr;
using ole::Variant;

// The persisted properties in the order they are saved and loaded: options that are True unless
// set otherwise, and the font, whose default is the container's ambient font.
const std::wstring kFont = L"Font";
const std::wstring kPersisted[] = {L"AutoWriteProperties", L"AutoPopulate", L"Enabled", kFont, L"HideReadOnlyItems",
                                   L"HideCustomItems"};

class PersistenceTest : public ControlTest {
protected:
    HRESULT Load(RecordingPropertyBag* bag) { return As<IPersistPropertyBag>()->Load(bag, nullptr); }
    // Every option holds True but `changed`, which holds False; the font is `font`.
    void ExpectPersisted(const std::wstring& changed, IFontDisp* font) const {
        for (const std::wstring& key : kPersisted) {
            Variant value;
            ASSERT_EQ(ole::GetProperty(As<IDispatch>().Get(), key.c_str(), value), S_OK);
            if (key == kFont) EXPECT_EQ(V_DISPATCH(&value.Get()), font);
            else EXPECT_EQ(Describe(value.Get()), changed == key ? L"False" : L"True") << key;
        }
    }
};

TEST_F(PersistenceTest, EachOptionSavedAwayFromItsDefaultComesBackAndTheFontObjectWithIt) {
    std::vector<std::pair<std::wstring, VARTYPE>> written;
    for (const std::wstring& key : kPersisted) written.emplace_back(key, key == kFont ? VT_DISPATCH : VT_BOOL);
    for (const bool textOnly : {false, true}) {
        for (const std::wstring& option : kPersisted) {
            if (option == kFont) continue;
            SCOPED_TRACE(testing::Message() << option << (textOnly ? " in a text bag" : ""));
            MakeControl();
            ASSERT_EQ(ole::PutProperty(As<IDispatch>().Get(), option.c_str(), Variant(false).Get()), S_OK);
            const ComPtr<RecordingPropertyBag> bag = RecordingPropertyBag::Create(textOnly);
            ASSERT_EQ(As<IPersistPropertyBag>()->Save(bag.Get(), TRUE, TRUE), S_OK);
            EXPECT_EQ(bag->RefCount(), 1u) << "the container's bag is not kept";
            EXPECT_EQ(bag->WrittenTypes(), written);
            ComPtr<IFontDisp> saved;
            ASSERT_EQ(control->get_Font(saved.Put()), S_OK);
            MakeControl(false);
            ASSERT_EQ(Load(bag.Get()), S_OK);
            ExpectPersisted(option, saved.Get());
        }
    }
}

// Only an absent key (the bag's E_INVALIDARG) takes its default; any other failing read, or a
// stored value of the wrong kind, fails the load.
TEST_F(PersistenceTest, AbsentKeysTakeTheirDefaultsAndTheContainersFontAndAWrongValueFailsTheLoad) {
    constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x800A000D);
    const ComPtr<doubles::RecordingContainer> container = doubles::RecordingContainer::Create();
    const ComPtr<IFontDisp> ambient = support::MakeFont(L"Arial", 12);
    container->SetAmbientFont(ambient.Get());
    std::vector<std::wstring> reads;
    for (const std::wstring& key : kPersisted) reads.push_back(L"Read " + key);
    const struct { const wchar_t* key; Variant value; HRESULT readFailure, result; } bags[] = {
        {L"", Variant(), S_OK, S_OK},
        {L"AutoPopulate", Variant(false), S_OK, S_OK},
        {L"HideCustomItems", Variant(std::wstring_view(L"perhaps")), S_OK, kTypeMismatch},
        {L"Font", Variant(LONG{3}), S_OK, kTypeMismatch},
        {L"Font", Variant(static_cast<IDispatch*>(nullptr)), S_OK, ole::ControlErrorHResult(380)},
        {L"Enabled", Variant(), E_OUTOFMEMORY, E_OUTOFMEMORY},
        {L"Font", Variant(), DISP_E_TYPEMISMATCH, kTypeMismatch},
    };
    for (const auto& stored : bags) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(stored.key)) << " failing with "
                                        << std::hex << stored.readFailure);
        MakeControl(false);
        ASSERT_EQ(As<IOleObject>()->SetClientSite(container.Get()), S_OK);
        const ComPtr<RecordingPropertyBag> bag = RecordingPropertyBag::Create();
        if (FAILED(stored.readFailure)) bag->FailRead(stored.key, stored.readFailure);
        else if (*stored.key) bag->Set(stored.key, stored.value.Get());
        EXPECT_EQ(Load(bag.Get()), stored.result);
        if (FAILED(stored.result)) continue;
        EXPECT_EQ(bag->Calls(), reads);
        ExpectPersisted(stored.key, ambient.Get());
    }
}

TEST_F(PersistenceTest, ShowingDropsEditsNotYetWritten) {
    MakeControl();
    ASSERT_EQ(control->put_AutoWriteProperties(VARIANT_FALSE), S_OK);
    ASSERT_EQ(control->putref_ClientObject(client.Get()), S_OK);
    Item(L"Caption")->value = Variant(std::wstring_view(L"Edited"));
    ASSERT_EQ(List()->RaiseItemChanged(Item(L"Caption")), S_OK);
    const ComPtr<doubles::RecordingContainer> container = doubles::RecordingContainer::Create();
    const ComPtr<IOleObject> object = As<IOleObject>();
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    RECT position{10, 20, 210, 120};
    ASSERT_EQ(object->DoVerb(OLEIVERB_SHOW, nullptr, container.Get(), 0, container->Window(), &position), S_OK);
    EXPECT_EQ(Value(L"Caption") + Marker(L"Caption"), L"'Hello'False");
    EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
}

}  // namespace
