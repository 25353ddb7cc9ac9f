#pragma once

#include "proplist/item_style.h"

#include <windows.h>
#include <oaidl.h>

#include <vector>

namespace proplist {

// Gives each property its category's name when `object` sorts its properties into categories
// (ICategorizeProperties); leaves them without one otherwise. Properties the object puts in no
// category are filed under the miscellaneous one, so that every row of a grouped view has a
// header above it. `ids` are the properties' member ids, in the same order.
void AssignCategories(IDispatch* object, const std::vector<MEMBERID>& ids,
                      std::vector<ItemDescription>& properties) noexcept;

}  // namespace proplist
