#include "skin/ResourceImage.h"

HMODULE ResourceModule() { return ::GetModuleHandleW(nullptr); }

Gdiplus::Image* ImageFromResource(HMODULE module, UINT id, const wchar_t* type) {
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!res) return nullptr;
    DWORD size = ::SizeofResource(module, res);
    HGLOBAL data = ::LoadResource(module, res);
    const void* bytes = data ? ::LockResource(data) : nullptr;
    if (!bytes || size == 0) return nullptr;

    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    void* dst = ::GlobalLock(block);
    if (!dst) {
        ::GlobalFree(block);
        return nullptr;
    }
    memcpy(dst, bytes, size);
    ::GlobalUnlock(block);

    // The stream owns the block; the image keeps the stream as long as it
    // may still decode from it.
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(block, TRUE, &stream)) || !stream) {
        ::GlobalFree(block);
        return nullptr;
    }
    auto* image = new Gdiplus::Image(stream, FALSE);
    stream->Release();
    return image;
}

bool LoadPngResource(UINT id, Gdiplus::Image*& image) {
    Gdiplus::Image* loaded = ImageFromResource(ResourceModule(), id, L"PNG");
    if (!loaded) return false;
    image = loaded;
    return true;
}

bool LoadPngResource(UINT id, ImagePtr& image) {
    ImagePtr loaded(ImageFromResource(ResourceModule(), id, L"PNG"));
    if (!loaded) return false;
    image = std::move(loaded);
    return true;
}

void DrawImageStretched(Gdiplus::Graphics& g, Gdiplus::Image* image, const RECT& r) {
    if (!image) return;
    g.DrawImage(image, Gdiplus::Rect(r.left, r.top, r.right - r.left, r.bottom - r.top), 0, 0,
                static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()), Gdiplus::UnitPixel);
}
