#pragma once

#include "ole/com_ptr.h"
#include "proplist/property_item.h"

#include <windows.h>
#include <oaidl.h>

#include <vector>

namespace proplist {

// The type description of an object's properties: what IDispatch::GetTypeInfo gives, or else
// the default interface of the class that IProvideClassInfo names. Fails (with error info)
// for an object that describes itself neither way.
HRESULT ObjectTypeInfo(IDispatch* object, ole::ComPtr<ITypeInfo>& info) noexcept;

// One item for each property of `info` that can be read without arguments, in declaration
// order (base interfaces first), with no values yet. Restricted and hidden members are left out;
// a property is writable when it has a put or a putref.
HRESULT DescribeProperties(ITypeInfo* info, std::vector<ItemDescription>& properties,
                           std::vector<MEMBERID>& ids) noexcept;

class DescriptionCache;

enum class ItemValues { kRead, kLeftEmpty };

// The items for `object`'s properties, each holding the value read from the object (Empty
// when the read fails, or with kLeftEmpty). With `descriptions`, a type information walked
// before is not walked again. An item of `previous` in the same place with the same description
// that nobody else holds is renewed rather than made again: a refresh of the same object makes
// no new items.
HRESULT GenerateItems(IDispatch* object, std::vector<ole::ComPtr<PropertyItem>>& items,
                      DescriptionCache* descriptions = nullptr, ItemValues values = ItemValues::kRead,
                      std::vector<ole::ComPtr<PropertyItem>> previous = {}) noexcept;

}  // namespace proplist
