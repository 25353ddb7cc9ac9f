#pragma once

#include "ole/com_ptr.h"
#include "ole/enumeration.h"
#include "ole/runtime_errors.h"

#include "kavella.h"

#include <windows.h>
#include <oaidl.h>

// The list's item collection, read by name ("PropertyItems"), as an object; error 91 when no
// list is given.
HRESULT GetPropertyItems(IDispatch* list, ole::ComPtr<IDispatch>& items) noexcept;

// An element of the collection taken as an item; type mismatch when it is none.
HRESULT AsPropertyItem(const VARIANT& element, ole::ComPtr<IPropertyItem>& item) noexcept;

// Whether `item` is in the list's PropertyItems (the item its name finds there). The list also
// shows the properties of objects nested in the client's, as items of their own outside it.
HRESULT IsListItem(IDispatch* list, IPropertyItem* item, bool& inList) noexcept;

// Visits each item of the list's PropertyItems in the collection's order; `visit` takes an
// IPropertyItem* and returns an HRESULT. The first failure ends the walk and is returned.
template <typename Visit>
HRESULT ForEachPropertyItem(IDispatch* list, Visit&& visit) noexcept {
    ole::ComPtr<IDispatch> items;
    RETURN_IF_FAILED(GetPropertyItems(list, items));
    return ole::ForEachElement(items.Get(), [&](const VARIANT& element) -> HRESULT {
        ole::ComPtr<IPropertyItem> item;
        RETURN_IF_FAILED(AsPropertyItem(element, item));
        return visit(item.Get());
    });
}

// True when an item's modified marker equals Boolean True as automation compares variants:
// Empty, Null, False and anything else unequal to True count as not modified.
bool IsMarkedModified(const VARIANT& marker) noexcept;
