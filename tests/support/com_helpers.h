#pragma once

#include "ole/bstr.h"
#include "ole/class_factory.h"
#include "ole/com_ptr.h"

#include <gtest/gtest.h>
#include <windows.h>
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

// Connects `sink` to the connection point of `source` for `events`, for as long as the source lives.
template <typename Source>
void Advise(const Source& source, REFIID events, IUnknown* sink) {
    ole::ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    ASSERT_EQ(QueryAs<IConnectionPointContainer>(source)->FindConnectionPoint(events, point.Put()), S_OK);
    EXPECT_EQ(point->Advise(sink, &cookie), S_OK);
}

// A memory stream holding `bytes`, positioned at its start.
inline ole::ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
    ole::ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    if (!stream) return stream;
    EXPECT_EQ(bytes.empty() ? S_OK : stream->Write(bytes.data(), ULONG(bytes.size()), nullptr), S_OK);
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
    return stream;
}

// Everything a stream holds, whatever its position; the position is left at the end.
inline std::vector<BYTE> StreamBytes(IStream* stream) {
    STATSTG status{};
    EXPECT_EQ(stream->Stat(&status, STATFLAG_NONAME), S_OK);
    std::vector<BYTE> bytes(static_cast<size_t>(status.cbSize.QuadPart));
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
    ULONG read = 0;
    EXPECT_EQ(bytes.empty() ? S_OK : stream->Read(bytes.data(), ULONG(bytes.size()), &read), S_OK);
    bytes.resize(read);
    return bytes;
}

// Where a window sits in another's client area, in pixels.
inline RECT RectIn(HWND window, HWND parent) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The standard font object.
inline ole::ComPtr<IFontDisp> MakeFont(const wchar_t* name, LONG points, bool bold = false) {
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(name), CY{{static_cast<ULONG>(points * 10000), 0}},
                         static_cast<SHORT>(bold ? FW_BOLD : FW_NORMAL), ANSI_CHARSET, FALSE, FALSE, FALSE};
    ole::ComPtr<IFontDisp> font;
    EXPECT_EQ(OleCreateFontIndirect(&description, IID_IFontDisp, font.PutVoid()), S_OK);
    return font;
}

// A class registered in this process while this lives, through the runtime's class factory, so that
// what is created by that class id is made by `create`: a test's control or double.
class RegisteredClass {
public:
    RegisteredClass(REFCLSID classId, ole::CreateInstanceFunction create) {
        const ole::ServedClass served[] = {{&classId, create}};
        ole::ComPtr<IClassFactory> factory;
        EXPECT_EQ(ole::GetClassObject(served, classId, IID_IClassFactory, factory.PutVoid()), S_OK);
        EXPECT_EQ(CoRegisterClassObject(classId, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_),
                  S_OK);
    }
    ~RegisteredClass() { CoRevokeClassObject(cookie_); }

private:
    DWORD cookie_ = 0;
};

// The source, description and interface of the error info on the thread (taken off it), empty when none.
struct RaisedError {
    bool present = false;
    std::wstring source, description;
    GUID guid{};
};
inline RaisedError TakeErrorInfo() {
    ole::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return {};
    ole::Bstr source, description;
    GUID guid{};
    info->GetSource(source.Out());
    info->GetDescription(description.Out());
    info->GetGUID(&guid);
    return {true, std::wstring(source.View()), std::wstring(description.View()), guid};
}

}  // namespace support
