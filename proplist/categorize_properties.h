#pragma once

#include <windows.h>
#include <oaidl.h>

// The interface through which an object sorts its properties into categories. mingw-w64's
// headers do not declare it.
using PROPCAT = int;

constexpr PROPCAT PROPCAT_Nil = -1;
constexpr PROPCAT PROPCAT_Misc = -2;
constexpr PROPCAT PROPCAT_Font = -3;
constexpr PROPCAT PROPCAT_Position = -4;
constexpr PROPCAT PROPCAT_Appearance = -5;
constexpr PROPCAT PROPCAT_Behavior = -6;
constexpr PROPCAT PROPCAT_Data = -7;
constexpr PROPCAT PROPCAT_List = -8;
constexpr PROPCAT PROPCAT_Text = -9;
constexpr PROPCAT PROPCAT_Scale = -10;
constexpr PROPCAT PROPCAT_DDE = -11;

struct ICategorizeProperties : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE MapPropertyToCategory(DISPID id, PROPCAT* category) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCategoryName(PROPCAT category, LCID locale, BSTR* name) = 0;
};

__CRT_UUID_DECL(ICategorizeProperties, 0x4d07fc10, 0xf931, 0x11ce, 0xb0, 0x01, 0x00, 0xaa, 0x00, 0x68, 0x84, 0xe5)
