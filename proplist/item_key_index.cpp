#include "proplist/item_key_index.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <utility>

namespace proplist {

namespace {

// Writes `name` in capitals to `folded` (as long as `name`). Names are nearly always ASCII,
// which is folded here; any other name goes to the system's invariant mapping whole.
void FoldCase(std::wstring_view name, wchar_t* folded) noexcept {
    bool ascii = true;
    for (size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        ascii = ascii && c < 0x80;
        folded[i] = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - (L'a' - L'A')) : c;
    }
    if (!ascii) {
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.data(), static_cast<int>(name.size()), folded,
                      static_cast<int>(name.size()), nullptr, nullptr, 0);
    }
}

}  // namespace

std::wstring ItemKey(std::wstring_view name) {
    std::wstring key(name.size(), L'\0');
    FoldCase(name, key.data());
    return key;
}

uint32_t ItemKeyIndex::HashOf(std::wstring_view key) noexcept {
    // FNV-1a over the characters, then a finaliser that spreads every bit into the low ones,
    // which pick the slot.
    uint32_t hash = 2166136261u;
    for (const wchar_t c : key) hash = (hash ^ static_cast<uint16_t>(c)) * 16777619u;
    hash ^= hash >> 16;
    hash *= 0x85EBCA6Bu;
    hash ^= hash >> 13;
    hash *= 0xC2B2AE35u;
    return hash ^ (hash >> 16);
}

void ItemKeyIndex::Clear() noexcept {
    std::fill(slots_.begin(), slots_.end(), Slot{});
    keys_.clear();
    used_ = 0;
}

void ItemKeyIndex::Reserve(size_t count) {
    size_t wanted = 16;
    while (wanted < count * 2) wanted *= 2;
    if (wanted > slots_.size()) Resize(wanted);
}

void ItemKeyIndex::Resize(size_t slotCount) {
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(slotCount));
    const size_t mask = slotCount - 1;
    // Refiled by the hashes they keep: no key is read again.
    for (const Slot& slot : old) {
        if (slot.position == kEmpty) continue;
        size_t at = slot.hash & mask;
        while (slots_[at].position != kEmpty) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

void ItemKeyIndex::Add(std::wstring_view name, size_t position) {
    if ((used_ + 1) * 2 > slots_.size()) Reserve(std::max<size_t>(used_ + 1, slots_.size()));
    const size_t keyStart = keys_.size();
    keys_.resize(keyStart + name.size());
    FoldCase(name, keys_.data() + keyStart);
    const std::wstring_view key(keys_.data() + keyStart, name.size());
    const uint32_t hash = HashOf(key);
    const size_t mask = slots_.size() - 1;
    size_t at = hash & mask;
    for (; slots_[at].position != kEmpty; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.hash == hash && slot.keyLength == key.size() &&
            std::wmemcmp(keys_.data() + slot.keyStart, key.data(), key.size()) == 0) {
            keys_.resize(keyStart);
            return;
        }
    }
    slots_[at] = {hash, static_cast<uint32_t>(position), static_cast<uint32_t>(keyStart),
                  static_cast<uint32_t>(key.size())};
    ++used_;
}

size_t ItemKeyIndex::Find(std::wstring_view name) const {
    // Names of ordinary length are folded on the stack; only a long one costs an allocation.
    wchar_t folded[64];
    if (name.size() <= std::size(folded)) {
        FoldCase(name, folded);
        const std::wstring_view key(folded, name.size());
        return FindFolded(key, HashOf(key));
    }
    const std::wstring key = ItemKey(name);
    return FindFolded(key, HashOf(key));
}

size_t ItemKeyIndex::FindFolded(std::wstring_view key, uint32_t hash) const noexcept {
    if (slots_.empty()) return kNotFound;
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.position == kEmpty) return kNotFound;
        if (slot.hash == hash && slot.keyLength == key.size() &&
            std::wmemcmp(keys_.data() + slot.keyStart, key.data(), key.size()) == 0) {
            return slot.position;
        }
    }
}

}  // namespace proplist
