#pragma once

// The control's automation surface as C++ sees it: the dual interface `_Inspecta` with its
// members in slot order, the event interface and the identities of the library and the class.
// The type library is written by typelib/typelib_writer.cpp; the typelib tests invoke every member of
// the written library on an object of this interface, so the two cannot drift apart.
#include <windows.h>
#include <ocidl.h>

#include "kavella.h"

extern "C" {
extern const GUID LIBID_InspectaCtl;
extern const IID IID__Inspecta;
extern const IID DIID___Inspecta;
extern const CLSID CLSID_Inspecta;
}

// Help contexts and the library's version, shared by the writer and the tests.
constexpr WORD kInspectaLibraryMajor = 8;
constexpr WORD kInspectaLibraryMinor = 0;
constexpr DWORD kInspectaLibraryHelpContext = 6652;
constexpr DWORD kInspectaTypeHelpContext = 6646;

// _Inspecta's dispatch ids and its events', for the type library's writer, the control's
// notifications and the tests alike.
constexpr DISPID kDispidClientObject = 0x68030000;
constexpr DISPID kDispidFont = 0x68030001;
constexpr DISPID kDispidHideReadOnlyItems = 0x68030002;
constexpr DISPID kDispidHideCustomItems = 0x68030003;
constexpr DISPID kDispidEnabled = 0x68030004;
constexpr DISPID kDispidItem = 0x68030005;
constexpr DISPID kDispidAutoPopulate = 0x68030006;
constexpr DISPID kDispidAutoWriteProperties = 0x68030007;
constexpr DISPID kDispidRefreshValues = 0x6003000C;
constexpr DISPID kDispidAfterPopulateEvent = 1;
constexpr DISPID kDispidPropertyChangedEvent = 2;

struct _Inspecta : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_AutoWriteProperties(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AutoWriteProperties(VARIANT_BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AutoPopulate(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AutoPopulate(VARIANT_BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Item(BSTR Key, IPropertyItem** item) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HideCustomItems(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_HideCustomItems(VARIANT_BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE About() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HideReadOnlyItems(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_HideReadOnlyItems(VARIANT_BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Font(IFontDisp** font) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_Font(IFontDisp* font) = 0;
    virtual HRESULT STDMETHODCALLTYPE RefreshValues() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ClientObject(IDispatch** client) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_ClientObject(IDispatch* client) = 0;
};

// Events reach hosts through IDispatch only; the type exists for __uuidof.
struct __Inspecta : public IDispatch {};

__CRT_UUID_DECL(_Inspecta, 0x1f7d07d5, 0x3f79, 0x4bd8, 0xb7, 0x07, 0x47, 0x43, 0x34, 0x1f, 0xaf, 0x61)
__CRT_UUID_DECL(__Inspecta, 0x2a12982b, 0xd9c7, 0x4632, 0xba, 0x4a, 0x0a, 0x15, 0x32, 0x63, 0x44, 0x09)
