#include "ole/property_bag.h"
#include "ole/property_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace runtime_tests {
namespace {

using ole::ComPtr;
using ole::MemoryPropertyBag;

std::vector<std::wstring> Keys(DWORD count) {
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i) names.push_back(L"Key" + std::to_wstring(i));
    return names;
}

// A saved bag of these names, each holding nothing, as a crafted document may hold them; the
// header is the one an empty bag is saved with.
ComPtr<IStream> StreamOfKeys(const std::vector<std::wstring>& names) {
    std::vector<BYTE> payload;
    auto put = [&](const void* data, size_t size) {
        payload.insert(payload.end(), static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    };
    const DWORD count = static_cast<DWORD>(names.size());
    put(&count, sizeof(count));
    for (const std::wstring& name : names) {
        const DWORD length = static_cast<DWORD>(name.size());
        const WORD type = VT_EMPTY;
        put(&length, sizeof(length));
        put(name.data(), length * sizeof(wchar_t));
        put(&type, sizeof(type));
    }
    ComPtr<MemoryPropertyBag> empty;
    ComPtr<IStream> stream;
    EXPECT_EQ(ole::MakeObject(empty), S_OK);
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    EXPECT_EQ(ole::SavePropertyBag(*empty.Get(), stream.Get()), S_OK);
    // The empty bag's magic, version and flags; then this payload's length and the payload.
    stream->SetSize(ULARGE_INTEGER{{8, 0}});
    stream->Seek(LARGE_INTEGER{{8, 0}}, STREAM_SEEK_SET, nullptr);
    const DWORD length = static_cast<DWORD>(payload.size());
    stream->Write(&length, sizeof(length), nullptr);
    stream->Write(payload.data(), length, nullptr);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    return stream;
}

TEST(ManyKeysTest, MoreKeysThanAControlWritesAreCorruptAndLoadingNeverComparesEachWithEach) {
    ComPtr<MemoryPropertyBag> bag;
    EXPECT_EQ(ole::LoadPropertyBag(StreamOfKeys(Keys(4097)).Get(), bag), STG_E_DOCFILECORRUPT);
    std::vector<std::wstring> twice = Keys(4095);
    twice.push_back(L"KEY7");
    EXPECT_EQ(ole::LoadPropertyBag(StreamOfKeys(twice).Get(), bag), STG_E_DOCFILECORRUPT) << "a name twice";
    ASSERT_EQ(ole::LoadPropertyBag(StreamOfKeys(Keys(4096)).Get(), bag), S_OK);
    EXPECT_EQ(bag->Entries().size(), 4096u);
    // One search per key through all keys before it would be n^2/2, some 8 million comparisons;
    // a balanced tree's depth is at most 2 log2(n) = 24.
    EXPECT_LT(bag->NameComparisons(), 4096u * 24);
}

}  // namespace
}  // namespace runtime_tests
