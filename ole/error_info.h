#pragma once

#include <windows.h>
#include <cguid.h>
#include <oaidl.h>

namespace ole {

// The HRESULT under which automation hosts see an error number below 65536: VB and VBA read
// Err.Number back as the number itself.
constexpr HRESULT ControlErrorHResult(WORD number) noexcept {
    return static_cast<HRESULT>(0x800A0000UL | number);
}

// Forgets the thread's pending error info, so a later reader cannot mistake it for its own.
void ClearErrorInfo() noexcept;

// Publishes an error with source and description (and help data, and the interface that
// failed) as the thread's error info.
void PublishErrorInfo(const wchar_t* source, const wchar_t* description, const wchar_t* helpFile = nullptr,
                      DWORD helpContext = 0, REFIID iid = GUID_NULL) noexcept;

// Turns the EXCEPINFO of a failed IDispatch::Invoke into the thread's error info and returns the
// HRESULT it stands for. The EXCEPINFO's strings are freed and the structure is zeroed.
HRESULT TakeException(EXCEPINFO& exception) noexcept;

}  // namespace ole
