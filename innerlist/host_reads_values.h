#pragma once

#include <windows.h>
#include <unknwn.h>

// Offered by our own list. A host that reads every value into the items itself right after the
// list fills from an object (as the engine's refresh does) says so, and the list leaves the new
// items' values empty instead of reading each property first. Other lists do not offer it; their
// hosts lose nothing.
struct IHostReadsValues : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetHostReadsValues(BOOL reads) = 0;
};

__CRT_UUID_DECL(IHostReadsValues, 0x10e3b2c6, 0xb70e, 0x4c85, 0xbd, 0x05, 0x0b, 0x2d, 0xf1, 0x90, 0xb4, 0x1a)
