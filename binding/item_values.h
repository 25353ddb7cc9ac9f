#pragma once

#include "ole/com_ptr.h"

#include "kavella.h"

#include <windows.h>
#include <oaidl.h>

#include <functional>

// Reads the client's property named by the item into the item's value, late-bound by name. When
// that fails, the same property is read from the object that the client's member "object"
// returns (a control placed on a form answers there). Failures of both are swallowed: the item
// keeps its value. `client` is asked afresh for each attempt, since reading an item may run code
// that rebinds it.
void ReadItemValue(const std::function<ole::ComPtr<IDispatch>()>& client, IPropertyItem* item) noexcept;
