#include "ole/byte_reader.h"
#include "ole/property_bag.h"
#include "ole/property_stream.h"
#include "ole/bstr.h"
#include "tests/doubles/recording_property_bag.h"
#include "tests/ole/test_controls.h"
#include "tests/support/com_helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace runtime_tests {
namespace {

using ole::ComPtr;
using ole::MemoryPropertyBag;
using ole::Variant;

HRESULT Load(const std::vector<BYTE>& bytes, ComPtr<MemoryPropertyBag>& loaded) {
    const HRESULT hr = ole::LoadPropertyBag(support::StreamOf(bytes).Get(), loaded);
    EXPECT_EQ(FAILED(hr), !loaded) << "a bag exactly when the load succeeds";
    return hr;
}

HRESULT Load(const std::vector<BYTE>& bytes) {
    ComPtr<MemoryPropertyBag> loaded;
    return Load(bytes, loaded);
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
        ComPtr<IStream> stream = support::StreamOf({});
        ASSERT_EQ(ole::SavePropertyBag(*bag.Get(), stream.Get()), S_OK);
        saved = support::StreamBytes(stream.Get());
    }

    std::vector<BYTE> Patched(size_t offset, DWORD value) const {
        std::vector<BYTE> bytes = saved;
        std::memcpy(&bytes[offset], &value, sizeof(value));
        return bytes;
    }
    // The stream without its last `count` bytes, its header's payload length agreeing.
    std::vector<BYTE> Shortened(size_t count) const {
        std::vector<BYTE> bytes = Patched(8, static_cast<DWORD>(saved.size() - kHeaderSize - count));
        bytes.resize(bytes.size() - count);
        return bytes;
    }

    static constexpr size_t kHeaderSize = 12;
    std::vector<std::pair<const wchar_t*, Variant>> values;
    ComPtr<IFontDisp> font = support::MakeFont(L"Arial", 12, true);
    ComPtr<MemoryPropertyBag> bag;
    std::vector<BYTE> saved;
};

TEST_F(PropertyStreamTest, EveryKindOfValueSurvivesTheRoundTripAsItWasAtSaveTime) {
    // The font as it was saved is what a loaded copy must be; a later change must not reach it.
    auto original = support::QueryAs<IFont>(font);
    CY savedSize{};
    ASSERT_EQ(original->get_Size(&savedSize), S_OK);
    ASSERT_EQ(original->put_Size(CY{{200000, 0}}), S_OK);

    std::vector<BYTE> withTrailer = saved;  // data of the container after ours stays where it is
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
        EXPECT_EQ(VarCmp(const_cast<VARIANT*>(&value.Get()), const_cast<VARIANT*>(&expected.Get()),
                         LOCALE_USER_DEFAULT, 0),
                  VARCMP_EQ)
            << name;
    }
    ASSERT_EQ(ole::ReadBagValue(loaded.Get(), L"font", VT_DISPATCH, none.Get(), value), S_OK);
    ComPtr<IFont> restored;
    ASSERT_EQ(V_DISPATCH(&value.Get())->QueryInterface(IID_IFont, restored.PutVoid()), S_OK);
    CY size{};
    ASSERT_EQ(restored->get_Size(&size), S_OK);
    EXPECT_EQ(size.int64, savedSize.int64) << "the size as saved";

    ASSERT_EQ(ole::ReadBagValue(loaded.Get(), L"Missing", VT_I4, Variant(LONG{99}).Get(), value), S_OK);
    EXPECT_EQ(V_I4(&value.Get()), 99);
    EXPECT_EQ(ole::ReadBagValue(loaded.Get(), L"Text", VT_I4, none.Get(), value), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ole::ReadBagValue(loaded.Get(), L"Text", VT_DISPATCH, none.Get(), value), DISP_E_TYPEMISMATCH);
    auto textBag = doubles::RecordingPropertyBag::Create(true);
    ASSERT_EQ(ole::WriteBagValue(textBag.Get(), L"Flag", Variant(VARIANT_TRUE).Get()), S_OK);
    ASSERT_EQ(ole::ReadBagValue(textBag.Get(), L"Flag", VT_BOOL, none.Get(), value), S_OK);
    EXPECT_EQ(V_BOOL(&value.Get()), VARIANT_TRUE);
}

TEST_F(PropertyStreamTest, TruncatedCorruptedAndForeignStreamsFailCleanly) {
    for (size_t length = 0; length < saved.size(); ++length) {
        EXPECT_TRUE(FAILED(Load(std::vector<BYTE>(saved.begin(), saved.begin() + length)))) << "cut at " << length;
    }
    const struct {
        std::vector<BYTE> bytes;
        HRESULT expected;
        const char* what;
    } cases[] = {
        {Patched(4, 2), STG_E_INVALIDHEADER, "a newer version"},
        {Patched(0, 0), STG_E_INVALIDHEADER, "not ours"},
        {Patched(8, 0xFFFFFFF0), STG_E_DOCFILECORRUPT, "huge payload length"},
        {Patched(8, static_cast<DWORD>(saved.size())), STG_E_READFAULT, "payload past the end"},
        {Patched(12, 0x7FFFFFFF), STG_E_DOCFILECORRUPT, "huge entry count"},
        {Patched(16, 0x7FFFFFFF), STG_E_DOCFILECORRUPT, "huge name length"},
        // The first entry's name length, its 4 characters, then its type.
        {Patched(16 + 4 + 8, 0x42), STG_E_DOCFILECORRUPT, "no such value type"},
        {Patched(8, static_cast<DWORD>(saved.size() - kHeaderSize - 1)), STG_E_DOCFILECORRUPT, "payload too short"},
        {Shortened(sizeof(LONG)), STG_E_DOCFILECORRUPT, "a value cut off with its payload"},
    };
    for (const auto& c : cases) EXPECT_EQ(Load(c.bytes), c.expected) << c.what;

    // Random damage may load or fail, but never crashes or leaks; noise never loads.
    std::mt19937 random(4242);
    for (int round = 0; round < 300; ++round) {
        std::vector<BYTE> bytes = saved;
        for (int i = 1 + random() % 8; i > 0; --i) bytes[12 + random() % (bytes.size() - 12)] = BYTE(random());
        Load(bytes);
        std::vector<BYTE> noise(random() % 64);
        for (BYTE& b : noise) b = BYTE(random());
        EXPECT_TRUE(FAILED(Load(noise)));
    }
}

TEST(ByteReaderTest, AReadThatDoesNotFitFailsAndLeavesThePosition) {
    // Through a stream, so that the compiler cannot see the size and it is the check that speaks.
    const std::vector<BYTE> data = support::StreamBytes(support::StreamOf({1, 0, 0, 0, 2}).Get());
    ole::ByteReader reader(data.data(), data.size());
    DWORD first = 0;
    WORD second = 0;
    ASSERT_TRUE(reader.Get(first));
    EXPECT_FALSE(reader.Get(second)) << "2 bytes wanted, 1 left";
    EXPECT_EQ(reader.Left(), 1u);
}

TEST_F(PropertyStreamTest, SavedObjectsOfUnlistedClassesAreNeverCreated) {
    ComPtr<MemoryPropertyBag> crafted;
    ASSERT_EQ(ole::MakeObject(crafted), S_OK);
    MemoryPropertyBag::Entry hostile{L"Payload", Variant(), true, CLSID_TestControl, {}};
    ASSERT_EQ(crafted->Add(std::move(hostile)), S_OK);
    ComPtr<IStream> output = support::StreamOf({});
    ASSERT_EQ(ole::SavePropertyBag(*crafted.Get(), output.Get()), S_OK);

    const RegisteredTestControlClass creatable;  // loading must still not create it
    ComPtr<MemoryPropertyBag> loaded;
    ASSERT_EQ(Load(support::StreamBytes(output.Get()), loaded), S_OK);
    TestControl::Journal().clear();
    Variant value;
    EXPECT_EQ(ole::ReadBagValue(loaded.Get(), L"Payload", VT_DISPATCH, Variant().Get(), value),
              DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(TestControl::Journal().empty()) << "no instance was made, not even for a moment";
}

// A crafted stream of `count` empty keys, Key0 on, and `extra` when given.
std::vector<BYTE> StreamOfKeys(DWORD count, const std::wstring& extra = {}) {
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i) names.push_back(L"Key" + std::to_wstring(i));
    if (!extra.empty()) names.push_back(extra);
    std::u16string units;
    const auto appendDword = [&](size_t value) { units += {char16_t(value), char16_t(value >> 16)}; };
    appendDword(names.size());
    for (const std::wstring& name : names) {
        appendDword(name.size());
        units.append(name.begin(), name.end());
        units += char16_t{VT_EMPTY};
    }
    const DWORD header[] = {0x47425049, 1, static_cast<DWORD>(units.size() * sizeof(char16_t))};
    std::vector<BYTE> bytes(sizeof(header) + units.size() * sizeof(char16_t));
    std::memcpy(bytes.data(), header, sizeof(header));
    std::memcpy(bytes.data() + sizeof(header), units.data(), units.size() * sizeof(char16_t));
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
}  // namespace runtime_tests
