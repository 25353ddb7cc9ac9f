// The collection's name index, fed keys that fight over its slots.
#include "proplist/item_key_index.h"

#include <gtest/gtest.h>

namespace proplist_tests {

using proplist::ItemKey;
using proplist::ItemKeyIndex;

// Names whose keys all start probing at the index's last slot, so that each one filed after the
// first walks past the others and wraps round to the first slot.
std::vector<std::wstring> NamesInLastSlot(const ItemKeyIndex& index, size_t count) {
    const uint32_t mask = static_cast<uint32_t>(index.SlotCount() - 1);
    std::vector<std::wstring> names;
    const wchar_t* stems[] = {L"Prop", L"\u00e9tat", L"Gr\u00f6\u00dfe"};
    for (unsigned i = 0; names.size() < count; ++i) {
        std::wstring name = stems[i % 3] + std::to_wstring(i);
        if ((ItemKeyIndex::HashOf(ItemKey(name)) & mask) == mask) names.push_back(std::move(name));
    }
    return names;
}

TEST(ItemKeyIndexTest, CollidingKeysAreEachFoundInAnyCaseAndTheFirstOfASharedKeyAnswers) {
    ItemKeyIndex index;
    index.Reserve(7);
    const size_t slots = index.SlotCount();
    const std::vector<std::wstring> names = NamesInLastSlot(index, 6);
    for (size_t i = 0; i < 5; ++i) index.Add(names[i], i);
    // A second item under a key already filed, spelt in other capitals.
    index.Add(ItemKey(names[2]), 9);
    // Keys whose whole hashes are equal: only the keys themselves tell them apart.
    ASSERT_EQ(ItemKeyIndex::HashOf(L"KB291EB91BF"), ItemKeyIndex::HashOf(L"KD92514C49F"));
    index.Add(L"kb291eb91bf", 5);
    ASSERT_EQ(index.SlotCount(), slots) << "the keys must collide in the table they were chosen for";

    struct Case {
        std::wstring looked;
        size_t position;
    };
    const Case cases[] = {
        {names[0], 0},       {ItemKey(names[1]), 1}, {names[2], 2}, {ItemKey(names[3]), 3},
        {names[4], 4},       {names[5], ItemKeyIndex::kNotFound},   {names[4] + L"x", ItemKeyIndex::kNotFound},
        {L"", ItemKeyIndex::kNotFound},     {L"Kb291eB91BF", 5},    {L"KD92514C49F", ItemKeyIndex::kNotFound},
    };
    for (const Case& which : cases) EXPECT_EQ(index.Find(which.looked), which.position) << which.looked;

    index.Clear();
    EXPECT_EQ(index.Find(names[0]), ItemKeyIndex::kNotFound);
    index.Add(names[1], 0);
    EXPECT_EQ(index.Find(names[1]), 0u);
}

}  // namespace proplist_tests
