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

// A saved bag of these names, each holding nothing, as a crafted document may hold them: the
// header (magic, version 1, flags 0, payload length), the count, then each name and its type.
ComPtr<IStream> StreamOfKeys(const std::vector<std::wstring>& names) {
    std::vector<DWORD> words{0x47425049, 1, 0, static_cast<DWORD>(names.size())};
    std::vector<BYTE> bytes;
    for (const std::wstring& name : names) {
        const DWORD length = static_cast<DWORD>(name.size());
        bytes.insert(bytes.end(), reinterpret_cast<const BYTE*>(&length), reinterpret_cast<const BYTE*>(&length + 1));
        bytes.insert(bytes.end(), reinterpret_cast<const BYTE*>(name.data()),
                     reinterpret_cast<const BYTE*>(name.data() + length));
        bytes.insert(bytes.end(), {VT_EMPTY, 0});
    }
    words[2] = static_cast<DWORD>(sizeof(DWORD) + bytes.size());
    ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    stream->Write(words.data(), static_cast<ULONG>(words.size() * sizeof(DWORD)), nullptr);
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
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
