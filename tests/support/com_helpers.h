#pragma once

#include "ole/com_ptr.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

// What several test programs need from COM, written once.
namespace support {

// `object`'s `Interface`, failing the test when it has none.
template <typename Interface, typename Object>
ole::ComPtr<Interface> QueryAs(const Object& object) {
    ole::ComPtr<Interface> result;
    EXPECT_EQ(object->QueryInterface(__uuidof(Interface), result.PutVoid()), S_OK);
    return result;
}

// A memory stream holding `bytes`, positioned at its start.
ole::ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes);
// Everything a stream holds, whatever its position; the position is left at the end.
std::vector<BYTE> StreamBytes(IStream* stream);

// Where a window sits in another's client area, in pixels.
RECT RectIn(HWND window, HWND parent);

// The standard font object.
ole::ComPtr<IFontDisp> MakeFont(const wchar_t* name, LONG points, bool bold = false);

// The source and description of the error info on the thread (taken off it), empty when none.
struct RaisedError {
    bool present = false;
    std::wstring source;
    std::wstring description;
};
RaisedError TakeErrorInfo();

}  // namespace support
