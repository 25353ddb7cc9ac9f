#include "tests/control/control_fixture.h"

#include "tests/doubles/recording_container.h"
#include "tests/doubles/recording_property_bag.h"

namespace {

using doubles::RecordingPropertyBag;
using ole::ComPtr;
using ole::Variant;

// The persisted properties in the order they are saved and loaded: options that are True unless
// set otherwise, and the font, whose default is the container's ambient font.
struct Persisted {
    const wchar_t* key;
    HRESULT (STDMETHODCALLTYPE _Inspecta::*get)(VARIANT_BOOL*);
    HRESULT (STDMETHODCALLTYPE _Inspecta::*put)(VARIANT_BOOL);
};
const Persisted kPersisted[] = {
    {L"AutoWriteProperties", &_Inspecta::get_AutoWriteProperties, &_Inspecta::put_AutoWriteProperties},
    {L"AutoPopulate", &_Inspecta::get_AutoPopulate, &_Inspecta::put_AutoPopulate},
    {L"Enabled", &_Inspecta::get_Enabled, &_Inspecta::put_Enabled},
    {L"Font", nullptr, nullptr},
    {L"HideReadOnlyItems", &_Inspecta::get_HideReadOnlyItems, &_Inspecta::put_HideReadOnlyItems},
    {L"HideCustomItems", &_Inspecta::get_HideCustomItems, &_Inspecta::put_HideCustomItems},
};

class PersistenceTest : public ControlTest {
protected:
    HRESULT Load(const ComPtr<RecordingPropertyBag>& bag) { return As<IPersistPropertyBag>()->Load(bag.Get(), nullptr); }
    // Every option holds True but `changed`, which holds False.
    void ExpectOptions(const std::wstring& changed) const {
        for (const Persisted& option : kPersisted) {
            VARIANT_BOOL value = 0;
            if (!option.get) continue;
            EXPECT_EQ((control.Get()->*option.get)(&value), S_OK);
            EXPECT_EQ(value, changed == option.key ? VARIANT_FALSE : VARIANT_TRUE) << option.key;
        }
    }
    IFontDisp* Font() const {
        ComPtr<IFontDisp> font;
        EXPECT_EQ(control->get_Font(font.Put()), S_OK);
        return font.Get();
    }
};

TEST_F(PersistenceTest, EachOptionSavedAwayFromItsDefaultComesBackAndTheFontObjectWithIt) {
    std::vector<std::pair<std::wstring, VARTYPE>> written;
    for (const Persisted& option : kPersisted) written.emplace_back(option.key, option.get ? VT_BOOL : VT_DISPATCH);
    for (const bool textOnly : {false, true}) {
        for (const Persisted& option : kPersisted) {
            if (!option.put) continue;
            SCOPED_TRACE(testing::Message() << option.key << (textOnly ? " in a text bag" : ""));
            MakeControl();
            ASSERT_EQ((control.Get()->*option.put)(VARIANT_FALSE), S_OK);
            const ComPtr<RecordingPropertyBag> bag = RecordingPropertyBag::Create(textOnly);
            ASSERT_EQ(As<IPersistPropertyBag>()->Save(bag.Get(), TRUE, TRUE), S_OK);
            EXPECT_EQ(bag->RefCount(), 1u) << "the container's bag is not kept";
            EXPECT_EQ(bag->WrittenTypes(), written);
            const ComPtr<IFontDisp> saved = Font();
            MakeControl(false);
            ASSERT_EQ(Load(bag), S_OK);
            ExpectOptions(option.key);
            EXPECT_EQ(Font(), saved.Get());
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
    for (const Persisted& option : kPersisted) reads.push_back(std::wstring(L"Read ") + option.key);
    const struct {
        const wchar_t* key;
        Variant value;
        HRESULT readFailure, result;
    } bags[] = {
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
        EXPECT_EQ(Load(bag), stored.result);
        if (FAILED(stored.result)) continue;
        EXPECT_EQ(bag->Calls(), reads);
        ExpectOptions(stored.key);
        EXPECT_EQ(Font(), ambient.Get());
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
