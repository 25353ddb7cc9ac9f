#include "about/picture.h"

#include <utility>

namespace about {

Picture Picture::FromBitmap(HBITMAP bitmap) noexcept {
    Picture picture;
    picture.bitmap_ = bitmap;
    return picture;
}

Picture Picture::FromIcon(HICON icon) noexcept {
    Picture picture;
    picture.icon_ = icon;
    return picture;
}

Picture::Picture(Picture&& other) noexcept
    : bitmap_(std::exchange(other.bitmap_, nullptr)), icon_(std::exchange(other.icon_, nullptr)) {}

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        Reset();
        bitmap_ = std::exchange(other.bitmap_, nullptr);
        icon_ = std::exchange(other.icon_, nullptr);
    }
    return *this;
}

Picture::~Picture() { Reset(); }

void Picture::Reset() noexcept {
    if (HBITMAP bitmap = std::exchange(bitmap_, nullptr)) DeleteObject(bitmap);
    if (HICON icon = std::exchange(icon_, nullptr)) DestroyIcon(icon);
}

Extent Picture::Size() const noexcept {
    if (bitmap_) {
        BITMAP info{};
        if (GetObjectW(bitmap_, sizeof info, &info)) return Extent{info.bmWidth, info.bmHeight};
    } else if (icon_) {
        ICONINFO info{};
        if (GetIconInfo(icon_, &info)) {
            BITMAP mask{};
            GetObjectW(info.hbmMask, sizeof mask, &mask);
            const Extent size{mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
            if (info.hbmColor) DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            return size;
        }
    }
    return Extent{};
}

void Picture::Draw(HDC dc, int x, int y) const noexcept {
    if (icon_) {
        DrawIconEx(dc, x, y, icon_, 0, 0, 0, nullptr, DI_NORMAL);
    } else if (bitmap_) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(source, bitmap_);
        const Extent size = Size();
        BitBlt(dc, x, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
}

Picture LoadBitmapResource(HMODULE module, const wchar_t* name) noexcept {
    return Picture::FromBitmap(
        static_cast<HBITMAP>(LoadImageW(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

Picture LoadIconResource(HMODULE module, const wchar_t* name) noexcept {
    return Picture::FromIcon(static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR)));
}

}  // namespace about
