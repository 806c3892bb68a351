#pragma once
#include <memory>

#include "skin/Gdiplus.h"

using ImagePtr = std::unique_ptr<Gdiplus::Image>;

// Loads the "PNG" resource `id` of this program into a new image owned by the
// caller. False (and `image` untouched) when there is no such resource; an
// image whose data GDI+ cannot decode is still returned and draws nothing.
bool LoadPngResource(UINT id, Gdiplus::Image*& image);
// The same into an owner, which then frees what it held before.
bool LoadPngResource(UINT id, ImagePtr& image);

// The same for any module and resource type; null on any failure.
Gdiplus::Image* ImageFromResource(HMODULE module, UINT id, const wchar_t* type);

// The module whose resources the program draws from.
HMODULE ResourceModule();

// Draws the whole image stretched into `r`, in pixels.
void DrawImageStretched(Gdiplus::Graphics& g, Gdiplus::Image* image, const RECT& r);
