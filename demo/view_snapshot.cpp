#include "demo/view_snapshot.h"

#include "ole/com_ptr.h"
#include "ole/hresult.h"

#include <ocidl.h>
#include <wincodec.h>

namespace demo {

HRESULT DrawControl(IUnknown* control, SIZE size, Snapshot& snapshot) noexcept {
    if (!control) return E_POINTER;
    if (size.cx <= 0 || size.cy <= 0) return E_INVALIDARG;
    ole::ComPtr<IViewObject> view;
    RETURN_IF_FAILED(control->QueryInterface(IID_IViewObject, view.PutVoid()));
    return ole::Guarded([&]() -> HRESULT {
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = size.cx;
        format.bmiHeader.biHeight = -size.cy;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        if (!dc) return E_OUTOFMEMORY;
        HBITMAP bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap) {
            DeleteDC(dc);
            return E_OUTOFMEMORY;
        }
        HGDIOBJ previous = SelectObject(dc, bitmap);
        const RECT page{0, 0, size.cx, size.cy};
        FillRect(dc, &page, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        const RECTL bounds{0, 0, size.cx, size.cy};
        const HRESULT drawn = view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                                         nullptr, 0);
        GdiFlush();
        if (SUCCEEDED(drawn)) {
            const auto* first = static_cast<const std::uint32_t*>(bits);
            snapshot.width = static_cast<UINT>(size.cx);
            snapshot.height = static_cast<UINT>(size.cy);
            snapshot.pixels.assign(first, first + static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy));
        }
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return drawn;
    });
}

HRESULT SavePng(const Snapshot& snapshot, const std::wstring& path) noexcept {
    const size_t expected = static_cast<size_t>(snapshot.width) * snapshot.height;
    if (snapshot.width == 0 || snapshot.height == 0 || snapshot.pixels.size() != expected) return E_INVALIDARG;
    ole::ComPtr<IWICImagingFactory> factory;
    RETURN_IF_FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      factory.PutVoid()));
    ole::ComPtr<IWICStream> stream;
    RETURN_IF_FAILED(factory->CreateStream(stream.Put()));
    RETURN_IF_FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
    ole::ComPtr<IWICBitmapEncoder> encoder;
    RETURN_IF_FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put()));
    RETURN_IF_FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    ole::ComPtr<IWICBitmapFrameEncode> frame;
    RETURN_IF_FAILED(encoder->CreateNewFrame(frame.Put(), nullptr));
    RETURN_IF_FAILED(frame->Initialize(nullptr));
    RETURN_IF_FAILED(frame->SetSize(snapshot.width, snapshot.height));
    WICPixelFormatGUID pixelFormat = GUID_WICPixelFormat32bppBGR;
    RETURN_IF_FAILED(frame->SetPixelFormat(&pixelFormat));
    if (pixelFormat != GUID_WICPixelFormat32bppBGR) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    const UINT stride = snapshot.width * 4;
    RETURN_IF_FAILED(frame->WritePixels(snapshot.height, stride, stride * snapshot.height,
                                        reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(snapshot.pixels.data()))));
    RETURN_IF_FAILED(frame->Commit());
    return encoder->Commit();
}

}  // namespace demo
