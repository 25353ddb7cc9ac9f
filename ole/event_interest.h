#pragma once

#include <windows.h>
#include <oaidl.h>

// Offered by an event sink that handles only some of the events of its dispinterface. A source
// that finds it when the sink connects calls the sink only for the events it answers S_OK for,
// and need not even make the arguments of an event no sink wants. A sink without it, or one
// reached through a proxy (which cannot carry it), is called for every event. The sink answers
// from its own state, without calling back into the source.
struct IEventInterest : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE IsInterestedIn(DISPID id) = 0;
};

__CRT_UUID_DECL(IEventInterest, 0x1b87637c, 0x7b3a, 0x4aaa, 0x8f, 0x4f, 0xdd, 0x10, 0xdc, 0x5e, 0xc3, 0xa1)
