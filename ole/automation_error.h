#pragma once

#include <windows.h>
#include <cguid.h>

namespace ole {

// The HRESULT under which an automation error number reaches its host: numbers 1 to 65535 are
// offset into the control facility (0x800A0000 + number) so that VB and VBA read Err.Number as
// the number itself; a failure HRESULT passes unchanged; anything else is not an error number
// and becomes E_FAIL.
HRESULT AutomationErrorHResult(long number) noexcept;

// Publishes the thread's error info (source, description, the interface `iid` that failed)
// and returns the HRESULT for `number`, for the failing method to return:
//     return RaiseAutomationError(380, L"Lib.Control", L"Invalid property value", IID_IMine);
HRESULT RaiseAutomationError(long number, const wchar_t* source, const wchar_t* description,
                             REFIID iid = GUID_NULL) noexcept;

}  // namespace ole
