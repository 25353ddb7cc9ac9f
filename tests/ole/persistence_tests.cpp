#include "ole/byte_reader.h"
#include "ole/property_bag.h"
#include "ole/property_stream.h"
#include "tests/doubles/recording_container.h"
#include "tests/ole/test_controls.h"
#include "tests/support/com_helpers.h"

#include <cstring>
#include <random>

namespace {

using ole::ComPtr;
using ole::MemoryPropertyBag;
using ole::Variant;
using Bytes = std::vector<BYTE>;

HRESULT Load(const Bytes& bytes, ComPtr<MemoryPropertyBag>& loaded) {
    const HRESULT hr = ole::LoadPropertyBag(support::StreamOf(bytes).Get(), loaded);
    EXPECT_EQ(FAILED(hr), !loaded) << "a bag exactly when the load succeeds";
    return hr;
}

HRESULT Load(const Bytes& bytes) {
    ComPtr<MemoryPropertyBag> loaded;
    return Load(bytes, loaded);
}

Bytes Saved(const MemoryPropertyBag& bag) {
    ComPtr<IStream> stream = support::StreamOf({});
    EXPECT_EQ(ole::SavePropertyBag(bag, stream.Get()), S_OK);
    return support::StreamBytes(stream.Get());
}

// The binary form of a control's properties, as stream and storage persistence keep it.
class PropertyStreamTest : public testing::Test {
protected:
    void SetUp() override {
        VARIANT real{};
        V_VT(&real) = VT_R8;
        V_R8(&real) = 2.5;
        values.emplace_back(L"Flag", Variant(VARIANT_TRUE));
        values.emplace_back(L"Real", Variant::Attach(real));
        values.emplace_back(L"Text", Variant(std::wstring_view(L"h\u00e9llo")));
        values.emplace_back(L"Number", Variant(LONG{-123456}));  // last, for a cut through a fixed-size value
        ASSERT_EQ(ole::MakeObject(bag), S_OK);
        ASSERT_EQ(ole::WriteBagValue(bag.Get(), L"Font", Variant(static_cast<IDispatch*>(font.Get())).Get()), S_OK);
        for (const auto& [name, value] : values) ASSERT_EQ(ole::WriteBagValue(bag.Get(), name, value.Get()), S_OK);
        saved = Saved(*bag.Get());
        ASSERT_FALSE(HasFailure()) << "no stream to load or damage";
    }
    Bytes Patched(size_t offset, DWORD value, size_t cut = 0) const {
        Bytes bytes(saved.begin(), saved.end() - cut);
        std::memcpy(&bytes[offset], &value, sizeof(value));
        return bytes;
    }

    static constexpr DWORD kPayload = 8;  // where the header holds the payload's length
    std::vector<std::pair<const wchar_t*, Variant>> values;
    ComPtr<IFontDisp> font = support::MakeFont(L"Arial", 12, true);
    ComPtr<MemoryPropertyBag> bag;
    Bytes saved;
};

TEST_F(PropertyStreamTest, EveryKindOfValueSurvivesTheRoundTripAndTruncatedCorruptedOrForeignStreamsFailCleanly) {
    // The font as it was saved is what a loaded copy must be; a later change must not reach it.
    auto original = support::QueryAs<IFont>(font);
    CY savedSize{};
    ASSERT_EQ(original->get_Size(&savedSize), S_OK);
    ASSERT_EQ(original->put_Size(CY{{200000, 0}}), S_OK);
    Bytes withTrailer = saved;  // data of the container after ours stays where it is
    withTrailer.insert(withTrailer.end(), {0xAB, 0xCD});
    ComPtr<IStream> input = support::StreamOf(withTrailer);
    ComPtr<MemoryPropertyBag> loaded;
    ASSERT_EQ(ole::LoadPropertyBag(input.Get(), loaded), S_OK);
    ULARGE_INTEGER position{};
    input->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &position);
    EXPECT_EQ(position.QuadPart, saved.size());

    const Variant none;
    Variant value;
    for (const auto& [name, expected] : values) {
        ASSERT_EQ(ole::ReadBagValue(loaded.Get(), name, expected.Type(), none.Get(), value), S_OK) << name;
        auto* read = const_cast<VARIANT*>(&value.Get());
        EXPECT_EQ(VarCmp(read, const_cast<VARIANT*>(&expected.Get()), LOCALE_USER_DEFAULT, 0), VARCMP_EQ) << name;
    }
    ASSERT_EQ(ole::ReadBagValue(loaded.Get(), L"font", VT_DISPATCH, none.Get(), value), S_OK);
    CY size{};
    ASSERT_EQ(support::QueryAs<IFont>(V_DISPATCH(&value.Get()))->get_Size(&size), S_OK);
    EXPECT_EQ(size.int64, savedSize.int64) << "the size as saved";

    ASSERT_EQ(ole::ReadBagValue(loaded.Get(), L"Missing", VT_I4, Variant(LONG{99}).Get(), value), S_OK);
    EXPECT_EQ(V_I4(&value.Get()), 99);
    for (const VARTYPE wrong : {VT_I4, VT_DISPATCH}) {
        EXPECT_EQ(ole::ReadBagValue(loaded.Get(), L"Text", wrong, none.Get(), value), DISP_E_TYPEMISMATCH);
    }
    auto textBag = doubles::RecordingPropertyBag::Create(true);
    ASSERT_EQ(ole::WriteBagValue(textBag.Get(), L"Flag", Variant(VARIANT_TRUE).Get()), S_OK);
    ASSERT_EQ(ole::ReadBagValue(textBag.Get(), L"Flag", VT_BOOL, none.Get(), value), S_OK);
    EXPECT_EQ(V_BOOL(&value.Get()), VARIANT_TRUE);

    for (size_t length = 0; length < saved.size(); ++length) {
        EXPECT_TRUE(FAILED(Load(Bytes(saved.begin(), saved.begin() + length)))) << "cut at " << length;
    }
    const auto payload = static_cast<DWORD>(saved.size() - 12);
    const struct { Bytes bytes; HRESULT expected; const char* what; } cases[] = {
        {Patched(4, 2), STG_E_INVALIDHEADER, "a newer version"},
        {Patched(0, 0), STG_E_INVALIDHEADER, "not ours"},
        {Patched(kPayload, 0xFFFFFFF0), STG_E_DOCFILECORRUPT, "huge payload length"},
        {Patched(kPayload, payload + 12), STG_E_READFAULT, "payload past the end"},
        {Patched(12, 0x7FFFFFFF), STG_E_DOCFILECORRUPT, "huge entry count"},
        {Patched(16, 0x7FFFFFFF), STG_E_DOCFILECORRUPT, "huge name length"},
        // The first entry's name length, its 4 characters, then its type.
        {Patched(16 + 4 + 8, 0x42), STG_E_DOCFILECORRUPT, "no such value type"},
        {Patched(kPayload, payload - 1), STG_E_DOCFILECORRUPT, "payload too short"},
        {Patched(kPayload, payload - 4, 4), STG_E_DOCFILECORRUPT, "a value cut off with its payload"},
        {[&] { Bytes b = Patched(kPayload, payload + 2); b.resize(b.size() + 2); return b; }(), STG_E_DOCFILECORRUPT,
         "bytes left after the entries"}};
    for (const auto& c : cases) EXPECT_EQ(Load(c.bytes), c.expected) << c.what;

    // Random damage may load or fail, but never crashes or leaks; noise never loads.
    std::mt19937 random(4242);
    for (int round = 0; round < 300; ++round) {
        Bytes bytes = saved, noise(random() % 64);
        for (int i = 1 + random() % 8; i > 0; --i) bytes[12 + random() % (bytes.size() - 12)] = BYTE(random());
        for (BYTE& b : noise) b = BYTE(random());
        Load(bytes);
        EXPECT_TRUE(FAILED(Load(noise)));
    }
}

TEST(ByteReaderTest, AReadThatDoesNotFitFailsAndLeavesThePosition) {
    // Through a stream, so that the compiler cannot see the size and it is the check that speaks.
    const Bytes data = support::StreamBytes(support::StreamOf({1, 0, 0, 0, 2}).Get());
    ole::ByteReader reader(data.data(), data.size());
    DWORD first = 0;
    WORD second = 0;
    ASSERT_TRUE(reader.Get(first));
    EXPECT_FALSE(reader.Get(second)) << "2 bytes wanted, 1 left";
    EXPECT_EQ(reader.Left(), 1u);
}

TEST(SavedObjectTest, SavedObjectsOfUnlistedClassesAreNeverCreated) {
    ComPtr<MemoryPropertyBag> crafted, loaded;
    ASSERT_EQ(ole::MakeObject(crafted), S_OK);
    ASSERT_EQ(crafted->Add({L"Payload", Variant(), true, CLSID_TestControl, {}}), S_OK);
    // Loading must not create it even when it could.
    const support::RegisteredClass creatable{CLSID_TestControl, &ole::CreateInstanceOf<TestControl>};
    ASSERT_EQ(Load(Saved(*crafted.Get()), loaded), S_OK);
    TestControl::journal.clear();
    Variant value;
    EXPECT_EQ(ole::ReadBagValue(loaded.Get(), L"Payload", VT_DISPATCH, Variant().Get(), value), DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(TestControl::journal.empty()) << "no instance was made, not even for a moment";
}

// A stream of empty values named Key0, Key1, ..., then `extra` when given.
Bytes StreamOfKeys(DWORD count, const std::wstring& extra = {}) {
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i) names.push_back(L"Key" + std::to_wstring(i));
    if (!extra.empty()) names.push_back(extra);
    Bytes bytes(16);
    for (const std::wstring& name : names) {
        const DWORD length = static_cast<DWORD>(name.size());
        const auto* text = reinterpret_cast<const BYTE*>(name.data());
        bytes.insert(bytes.end(), reinterpret_cast<const BYTE*>(&length), reinterpret_cast<const BYTE*>(&length + 1));
        bytes.insert(bytes.end(), text, text + length * sizeof(wchar_t));
        bytes.insert(bytes.end(), {VT_EMPTY, 0});
    }
    const DWORD header[] = {0x47425049, 1, static_cast<DWORD>(bytes.size() - 12), static_cast<DWORD>(names.size())};
    std::memcpy(bytes.data(), header, sizeof(header));
    return bytes;
}

TEST(ManyKeysTest, MoreKeysThanAControlWritesAreCorruptAndLoadingNeverComparesEachWithEach) {
    EXPECT_EQ(Load(StreamOfKeys(4097)), STG_E_DOCFILECORRUPT);
    EXPECT_EQ(Load(StreamOfKeys(4095, L"KEY7")), STG_E_DOCFILECORRUPT) << "a name twice";
    ComPtr<MemoryPropertyBag> bag;
    ASSERT_EQ(Load(StreamOfKeys(4096), bag), S_OK);
    EXPECT_EQ(bag->Entries().size(), 4096u);
    // One search per key through all keys before it would be n^2/2, some 8 million comparisons;
    // a balanced tree's depth is at most 2 log2(n) = 24.
    EXPECT_LT(bag->NameComparisons(), 4096u * 24);
}

}  // namespace
