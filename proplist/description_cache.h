#pragma once

#include "ole/com_ptr.h"
#include "proplist/item_style.h"

#include <windows.h>
#include <oaidl.h>

#include <vector>

namespace proplist {

// The properties described for the last few type informations a list was filled from. A refresh
// fills the list from the same object again, and walking its type information is the largest
// part of filling (the runtime finds each member's name by a search through all of them).
// A type information held here cannot be freed, so its address names the same description.
class DescriptionCache {
public:
    // What DescribeProperties gives for `info`, walked once while `info` stays among the last few.
    HRESULT Describe(ITypeInfo* info, std::vector<ItemDescription>& properties, std::vector<MEMBERID>& ids) noexcept;
    // Lets every type information go, so that the list keeps no library loaded it no longer shows.
    void Forget() noexcept { entries_.clear(); }

private:
    struct Entry {
        ole::ComPtr<ITypeInfo> info;
        std::vector<ItemDescription> properties;
        std::vector<MEMBERID> ids;
    };
    static constexpr size_t kEntries = 4;

    std::vector<Entry> entries_;  // the most recently used first
};

}  // namespace proplist
