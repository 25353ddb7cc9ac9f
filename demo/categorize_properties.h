#pragma once

#include <windows.h>
#include <oaidl.h>

// How an object sorts its properties into categories for a property browser. The system headers
// do not declare it; the guard is the one a header generated from IDL uses, so another
// declaration of the same interface wins over this one.
#ifndef __ICategorizeProperties_INTERFACE_DEFINED__
#define __ICategorizeProperties_INTERFACE_DEFINED__

typedef int PROPCAT;

MIDL_INTERFACE("4D07FC10-F931-11CE-B001-00AA006884E5")
ICategorizeProperties : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE MapPropertyToCategory(DISPID id, PROPCAT* category) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCategoryName(PROPCAT category, LCID locale, BSTR* name) = 0;
};
__CRT_UUID_DECL(ICategorizeProperties, 0x4D07FC10, 0xF931, 0x11CE, 0xB0, 0x01, 0x00, 0xAA, 0x00, 0x68, 0x84, 0xE5)

#endif

// The categories every browser names itself; an object names only its own (positive) ones.
#ifndef PROPCAT_Nil
#define PROPCAT_Nil (-1)
#define PROPCAT_Misc (-2)
#define PROPCAT_Font (-3)
#define PROPCAT_Position (-4)
#define PROPCAT_Appearance (-5)
#define PROPCAT_Behavior (-6)
#define PROPCAT_Data (-7)
#define PROPCAT_List (-8)
#define PROPCAT_Text (-9)
#define PROPCAT_Scale (-10)
#define PROPCAT_DDE (-11)
#endif
