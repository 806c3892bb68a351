// Every picture the windows draw from, as the built program carries it.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "res/images.h"
#include "skin/ResourceImage.h"

namespace {

struct Gdiplus_ {
    Gdiplus_() {
        Gdiplus::GdiplusStartupInput in;
        Gdiplus::GdiplusStartup(&token, &in, nullptr);
    }
    ~Gdiplus_() { Gdiplus::GdiplusShutdown(token); }
    ULONG_PTR token = 0;
};

}  // namespace

TEST(Art, EveryImageHasItsSizeAndChannels) {
    Gdiplus_ gdiplus;
    int count = 0;
    for (const auto& spec : kSkinImages) {
        UINT id = spec.id;
        ++count;
        Gdiplus::Image* raw = nullptr;
        ASSERT_TRUE(LoadPngResource(id, raw)) << id;
        std::unique_ptr<Gdiplus::Image> image(raw);
        ASSERT_EQ(Gdiplus::Ok, image->GetLastStatus()) << id << " does not decode";
        EXPECT_EQ(spec.width, image->GetWidth()) << id;
        EXPECT_EQ(spec.height, image->GetHeight()) << id;
        Gdiplus::PixelFormat f = image->GetPixelFormat();
        EXPECT_EQ(spec.alpha, Gdiplus::IsAlphaPixelFormat(f) != FALSE) << id << " format " << f;
        EXPECT_EQ(spec.alpha ? 32u : 24u, Gdiplus::GetPixelFormatSize(f)) << id;
    }
    EXPECT_EQ(77, count);
}

TEST(Art, AgreementSheetEndsInATransparentStrip) {
    Gdiplus_ gdiplus;
    Gdiplus::Image* raw = nullptr;
    ASSERT_TRUE(LoadPngResource(IDP_AGREEMENT_SHEET, raw));
    std::unique_ptr<Gdiplus::Bitmap> sheet(static_cast<Gdiplus::Bitmap*>(raw));
    Gdiplus::Color c;
    for (int y = 391; y < 402; ++y)
        for (int x = 0; x < 541; x += 27) {
            sheet->GetPixel(x, y, &c);
            ASSERT_EQ(0, c.GetA()) << x << "," << y;
        }
    sheet->GetPixel(270, 200, &c);
    EXPECT_EQ(255, c.GetA());
}

TEST(Art, ScrollBarSkinIsAPalettedGridOfThirteenPixelCells) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(130), MAKEINTRESOURCEW(2));  // RT_BITMAP
    ASSERT_NE(nullptr, res);
    auto* header = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(module, res)));
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(117, header->biWidth);
    EXPECT_EQ(39, std::abs(header->biHeight));
    EXPECT_EQ(8, header->biBitCount);
    HBITMAP bitmap = static_cast<HBITMAP>(
        ::LoadImageW(module, MAKEINTRESOURCEW(130), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(nullptr, bitmap);
    BITMAP bm{};
    ::GetObjectW(bitmap, sizeof(bm), &bm);
    EXPECT_EQ(117 / 9, 13);
    EXPECT_EQ(117, bm.bmWidth);
    EXPECT_EQ(39, bm.bmHeight);
    ::DeleteObject(bitmap);
}

TEST(Art, IconHasAPrinterAtThreeSizes) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(128), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(nullptr, res);
#pragma pack(push, 2)
    struct Entry {
        BYTE width, height, colours, reserved;
        WORD planes, bits;
        DWORD bytes;
        WORD id;
    };
    struct Dir {
        WORD reserved, type, count;
        Entry entries[1];
    };
#pragma pack(pop)
    auto* dir = static_cast<const Dir*>(::LockResource(::LoadResource(module, res)));
    ASSERT_NE(nullptr, dir);
    std::set<int> sizes;
    for (int i = 0; i < dir->count; ++i) sizes.insert(dir->entries[i].width);
    EXPECT_EQ((std::set<int>{16, 32, 48}), sizes);
    for (int size : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, 0));
        EXPECT_NE(nullptr, icon) << size;
        if (icon) ::DestroyIcon(icon);
    }
}

namespace {
INT_PTR CALLBACK PlainProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

std::map<int, std::wstring> ControlsOf(UINT templateId) {
    std::map<int, std::wstring> out;
    HWND dlg = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, &PlainProc, 0);
    if (!dlg) return {{-1, L"no dialog"}};
    for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = {};
        ::GetClassNameW(c, cls, 64);
        out[::GetDlgCtrlID(c)] = cls;
    }
    ::DestroyWindow(dlg);
    return out;
}
}  // namespace

TEST(Art, DialogTemplatesCreateTheirControls) {
    ::LoadLibraryW(L"riched20.dll");
    using M = std::map<int, std::wstring>;
    for (UINT empty : {193u, 196u, 197u, 199u}) EXPECT_EQ(M{}, ControlsOf(empty)) << empty;
    EXPECT_EQ((M{{1009, L"RichEdit20W"}}), ControlsOf(194));
    EXPECT_EQ((M{{1011, L"Static"}, {1012, L"Static"}}), ControlsOf(195));
    EXPECT_EQ((M{{1013, L"Button"}, {1015, L"Button"}, {1018, L"Button"}, {1019, L"Static"}}), ControlsOf(198));
    EXPECT_EQ((M{{1015, L"Button"}, {1016, L"Button"}, {1017, L"Button"}, {1018, L"Button"}}), ControlsOf(200));
    EXPECT_EQ((M{{1002, L"Button"}, {1003, L"Button"}, {1004, L"Button"}, {1006, L"Static"}, {1008, L"Static"},
                 {1010, L"Button"}, {1012, L"Static"}, {1017, L"Button"}}),
              ControlsOf(190));
    // The rich edit folds WS_BORDER into its own frame once created, so the
    // template's own style is read from its bytes.
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(194), MAKEINTRESOURCEW(5));  // RT_DIALOG
    ASSERT_NE(nullptr, res);
    auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(module, res)));
    std::string data(reinterpret_cast<const char*>(bytes), ::SizeofResource(module, res));
    const DWORD style = 0x50A12804;
    EXPECT_NE(std::string::npos, data.find(std::string(reinterpret_cast<const char*>(&style), 4)));
}
