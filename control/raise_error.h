#pragma once

#include <windows.h>
#include <oaidl.h>

#include <span>
#include <string>

// The control's one way to raise an error of its own making. Returns the HRESULT for the
// failing member to return, with the thread's error info set:
// - the description's placeholders %1, %2, ... are replaced by the text of the matching
//   argument, the highest number first, so that %12 is the twelfth argument;
// - the source is the library's file name without extension, ".", and "Inspecta";
// - number 0 raises `pending` again (an HRESULT with its error info still on the thread),
//   under this source;
// - an empty description gives automation's text for an error without one.
HRESULT RaiseError(long number, std::wstring description, std::span<const VARIANT> arguments = {},
                   HRESULT pending = E_FAIL) noexcept;

// The source the control's errors name: the library's file name without extension, ".Inspecta".
std::wstring ErrorSource();

// The description with its placeholders replaced, as RaiseError raises it.
std::wstring FormatErrorDescription(std::wstring description, std::span<const VARIANT> arguments);
