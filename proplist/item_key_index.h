#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace proplist {

// The key under which a name is held: names that differ only in case share it.
std::wstring ItemKey(std::wstring_view name);

// Where each item of a collection stands, found by its name without regard to case. Open
// addressing over one array of slots, each keeping its key's hash beside where the key is kept
// (one buffer of all keys), so that a lookup touches the slots and that buffer but never the items.
class ItemKeyIndex {
public:
    static constexpr size_t kNotFound = static_cast<size_t>(-1);

    // Forgets every key but keeps the memory, since a list is refilled with as many items again.
    void Clear() noexcept;
    // Makes room for `count` keys in all.
    void Reserve(size_t count);
    // Files `position` under `name`'s key unless the key is filed already: the first item
    // with a name answers to it.
    void Add(std::wstring_view name, size_t position);
    // The position filed under `name`'s key, or kNotFound.
    size_t Find(std::wstring_view name) const;

    // The hash of a key as the index files it; exposed so that tests can choose keys that collide.
    static uint32_t HashOf(std::wstring_view key) noexcept;
    size_t SlotCount() const noexcept { return slots_.size(); }

private:
    static constexpr uint32_t kEmpty = UINT32_MAX;
    struct Slot {
        uint32_t hash;
        uint32_t position = kEmpty;
        uint32_t keyStart;
        uint32_t keyLength;
    };

    size_t FindFolded(std::wstring_view key, uint32_t hash) const noexcept;
    void Resize(size_t slotCount);

    std::vector<Slot> slots_;  // a power of two in number, never more than half of them used
    std::wstring keys_;
    size_t used_ = 0;
};

}  // namespace proplist
