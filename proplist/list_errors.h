#pragma once

#include <windows.h>

namespace proplist {

// The errors the list raises to its callers, as automation error numbers that VB and script
// hosts know.
enum ListError {
    kErrorNoSuchItem,         // 9: no item has that name or position
    kErrorInvalidValue,       // 380: a property given a value it cannot take
    kErrorObjectRequired,     // 424: PopulateFromObject given something that is not an object
    kErrorNoTypeInformation,  // 438: the object does not describe its properties
};

// Publishes the error (source "KavellaCtl.Kavella") and returns its HRESULT.
HRESULT RaiseListError(ListError error, REFIID iid) noexcept;

}  // namespace proplist
