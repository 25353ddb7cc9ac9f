#include "tests/support/com_helpers.h"

#include "ole/bstr.h"

#include <gtest/gtest.h>

namespace support {

ole::ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
    ole::ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    if (!stream) return stream;
    if (!bytes.empty()) {
        EXPECT_EQ(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr), S_OK);
    }
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
    return stream;
}

std::vector<BYTE> StreamBytes(IStream* stream) {
    STATSTG status{};
    EXPECT_EQ(stream->Stat(&status, STATFLAG_NONAME), S_OK);
    std::vector<BYTE> bytes(static_cast<size_t>(status.cbSize.QuadPart));
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
    ULONG read = 0;
    if (!bytes.empty()) {
        EXPECT_EQ(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read), S_OK);
    }
    bytes.resize(read);
    return bytes;
}

RECT RectIn(HWND window, HWND parent) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

ole::ComPtr<IFontDisp> MakeFont(const wchar_t* name, LONG points, bool bold) {
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(name), CY{{static_cast<ULONG>(points * 10000), 0}},
                         static_cast<SHORT>(bold ? FW_BOLD : FW_NORMAL), ANSI_CHARSET, FALSE, FALSE, FALSE};
    ole::ComPtr<IFontDisp> font;
    EXPECT_EQ(OleCreateFontIndirect(&description, IID_IFontDisp, font.PutVoid()), S_OK);
    return font;
}

RaisedError TakeErrorInfo() {
    ole::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return {};
    ole::Bstr source, description;
    info->GetSource(source.Out());
    info->GetDescription(description.Out());
    return {true, std::wstring(source.View()), std::wstring(description.View())};
}

}  // namespace support
