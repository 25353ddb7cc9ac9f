// Renders the library's default box the way a person would see it and keeps the picture as
// build/about.png, checking on the way that the painted pixels are where the layout put them.
#include "about/frm_about.h"

#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "tests/about/about_doubles.h"

#include <gtest/gtest.h>
#include <wincodec.h>

#include <string>
#include <vector>

namespace {

using about::frmAbout;

// A 32-bit top-down bitmap of a window's client area, painted through WM_PRINTCLIENT: the form
// first, then each visible child from the bottom of the z-order up.
class ClientRendering {
public:
    explicit ClientRendering(HWND window) {
        RECT client{};
        GetClientRect(window, &client);
        width = client.right;
        height = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<const DWORD*>(bits);
        previous_ = SelectObject(dc_, bitmap_);

        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT | PRF_ERASEBKGND);
        HWND child = GetWindow(window, GW_CHILD);
        for (child = child ? GetWindow(child, GW_HWNDLAST) : nullptr; child; child = GetWindow(child, GW_HWNDPREV)) {
            if (!IsWindowVisible(child) && (GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) == 0) continue;
            RECT bounds{};
            GetWindowRect(child, &bounds);
            MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&bounds), 2);
            // Each child paints into its own bitmap over a copy of what lies beneath it, as
            // controls expect their device origin at their own top-left corner.
            const int w = bounds.right - bounds.left;
            const int h = bounds.bottom - bounds.top;
            HDC childDc = CreateCompatibleDC(dc_);
            HBITMAP childBitmap = CreateCompatibleBitmap(dc_, w, h);
            HGDIOBJ old = SelectObject(childDc, childBitmap);
            BitBlt(childDc, 0, 0, w, h, dc_, bounds.left, bounds.top, SRCCOPY);
            SendMessageW(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(childDc), PRF_CLIENT | PRF_ERASEBKGND);
            BitBlt(dc_, bounds.left, bounds.top, w, h, childDc, 0, 0, SRCCOPY);
            SelectObject(childDc, old);
            DeleteObject(childBitmap);
            DeleteDC(childDc);
        }
        GdiFlush();
    }
    ~ClientRendering() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }

    COLORREF At(int x, int y) const {
        const DWORD pixel = pixels_[y * width + x];
        return RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF);
    }
    template <typename Test>
    int Count(const RECT& area, Test test) const {
        int count = 0;
        for (int y = area.top; y < area.bottom && y < height; ++y)
            for (int x = area.left; x < area.right && x < width; ++x) count += test(At(x, y)) ? 1 : 0;
        return count;
    }

    HRESULT SavePng(const std::wstring& path) const {
        ole::ComPtr<IWICImagingFactory> factory;
        RETURN_IF_FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IWICImagingFactory, factory.PutVoid()));
        ole::ComPtr<IWICStream> stream;
        RETURN_IF_FAILED(factory->CreateStream(stream.Put()));
        RETURN_IF_FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
        ole::ComPtr<IWICBitmapEncoder> encoder;
        RETURN_IF_FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put()));
        RETURN_IF_FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
        ole::ComPtr<IWICBitmapFrameEncode> frame;
        RETURN_IF_FAILED(encoder->CreateNewFrame(frame.Put(), nullptr));
        RETURN_IF_FAILED(frame->Initialize(nullptr));
        RETURN_IF_FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)));
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
        RETURN_IF_FAILED(frame->SetPixelFormat(&format));
        if (format != GUID_WICPixelFormat32bppBGR) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
        const UINT stride = static_cast<UINT>(width) * 4;
        RETURN_IF_FAILED(frame->WritePixels(static_cast<UINT>(height), stride, stride * static_cast<UINT>(height),
                                            reinterpret_cast<BYTE*>(const_cast<DWORD*>(pixels_))));
        RETURN_IF_FAILED(frame->Commit());
        return encoder->Commit();
    }

    int width = 0;
    int height = 0;

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const DWORD* pixels_ = nullptr;
};

// build/about.png, beside the build/x64 tree this program runs from.
std::wstring PicturePath() {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path = module;
    for (int level = 0; level < 3; ++level) path = path.substr(0, path.find_last_of(L"\\/"));
    return path + L"\\about.png";
}

bool IsDark(COLORREF color) { return GetRValue(color) < 96 && GetGValue(color) < 96 && GetBValue(color) < 96; }
bool IsBlue(COLORREF color) { return GetBValue(color) > 160 && GetRValue(color) < 96 && GetGValue(color) < 96; }

TEST(AboutRenderingTest, DefaultBoxPaintsWhereItIsLaidOutAndIsSavedAsPng) {
    doubles::CallLog log;
    doubles::RecordingDesktop desktop(&log);
    doubles::RecordingAboutEvents events(&log);
    frmAbout box(GetModuleHandleW(nullptr), desktop, &events);
    HRESULT saved = E_UNEXPECTED;
    events.onBeforeShow = [&](frmAbout& shown) {
        // On screen early, as the system's button does not paint while hidden.
        ShowWindow(shown.Handle(), SW_SHOWNA);
        const ClientRendering picture(shown.Handle());
        const about::AboutLayout& layout = shown.Layout();
        ASSERT_EQ(picture.width, layout.clientWidth);
        ASSERT_EQ(picture.height, layout.clientHeight);
        EXPECT_GT(picture.Count(layout.logo, [](COLORREF c) { return c != RGB(255, 255, 255); }), 500);
        EXPECT_GT(picture.Count(layout.product, IsDark), 20);
        EXPECT_GT(picture.Count(layout.notice, IsDark), 100);
        EXPECT_GT(picture.Count(layout.secondLink, IsBlue), 20);
        EXPECT_EQ(picture.Count(layout.product, IsBlue), 0);
        EXPECT_EQ(picture.At(layout.upperSeparator.x1, layout.upperSeparator.y), RGB(192, 192, 192));
        EXPECT_EQ(picture.At(layout.upperSeparator.x1, layout.upperSeparator.y - 1), RGB(255, 255, 255));
        EXPECT_GT(picture.Count(layout.closeButton, IsDark), 10);
        saved = picture.SavePng(PicturePath());
        PostMessageW(shown.Handle(), WM_CLOSE, 0, 0);
    };
    ASSERT_EQ(box.Show(), S_OK);
    EXPECT_EQ(saved, S_OK);
}

}  // namespace
