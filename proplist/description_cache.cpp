#include "proplist/description_cache.h"

#include "ole/hresult.h"
#include "proplist/item_generator.h"

#include <algorithm>

namespace proplist {

HRESULT DescriptionCache::Describe(ITypeInfo* info, std::vector<ItemDescription>& properties,
                                   std::vector<MEMBERID>& ids) noexcept {
    properties.clear();
    ids.clear();
    if (!info) return E_POINTER;
    return ole::Guarded([&]() -> HRESULT {
        const auto known = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const Entry& entry) { return entry.info.Get() == info; });
        if (known != entries_.end()) {
            std::rotate(entries_.begin(), known, known + 1);
        } else {
            Entry walked{info, {}, {}};
            RETURN_IF_FAILED(DescribeProperties(info, walked.properties, walked.ids));
            if (entries_.size() == kEntries) entries_.pop_back();
            entries_.insert(entries_.begin(), std::move(walked));
        }
        properties = entries_.front().properties;
        ids = entries_.front().ids;
        return S_OK;
    });
}

}  // namespace proplist
