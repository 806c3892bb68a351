#include <gtest/gtest.h>

#include <memory>

#include "skin/ResourceImage.h"

namespace {
struct GdiplusScope {
    GdiplusScope() {
        Gdiplus::GdiplusStartupInput in;
        Gdiplus::GdiplusStartup(&token, &in, nullptr);
    }
    ~GdiplusScope() { Gdiplus::GdiplusShutdown(token); }
    ULONG_PTR token = 0;
};
}

TEST(ResourceImage, MissingIdGivesNothing) {
    GdiplusScope gdiplus;
    Gdiplus::Image* image = nullptr;
    EXPECT_FALSE(LoadPngResource(4242, image));
    EXPECT_EQ(nullptr, image);
    EXPECT_EQ(nullptr, ImageFromResource(ResourceModule(), 4242, L"PNG"));
}

TEST(ResourceImage, NotAPngGivesAnImageThatDrawsNothing) {
    GdiplusScope gdiplus;
    Gdiplus::Image* raw = nullptr;
    ASSERT_TRUE(LoadPngResource(9999, raw));
    std::unique_ptr<Gdiplus::Image> image(raw);
    ASSERT_NE(nullptr, image);
    EXPECT_NE(Gdiplus::Ok, image->GetLastStatus());

    Gdiplus::Bitmap target(8, 8, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&target);
        g.Clear(Gdiplus::Color(255, 1, 2, 3));
        g.DrawImage(image.get(), 0, 0, 8, 8);
    }
    Gdiplus::Color c;
    target.GetPixel(4, 4, &c);
    EXPECT_EQ(Gdiplus::Color(255, 1, 2, 3).GetValue(), c.GetValue());
}

TEST(ResourceImage, TwoLoadsGiveTwoIndependentImages) {
    GdiplusScope gdiplus;
    Gdiplus::Image* a = nullptr;
    Gdiplus::Image* b = nullptr;
    ASSERT_TRUE(LoadPngResource(141, a));
    ASSERT_TRUE(LoadPngResource(141, b));
    std::unique_ptr<Gdiplus::Image> first(a), second(b);
    EXPECT_NE(a, b);
    first.reset();
    // The second still decodes after the first is gone.
    EXPECT_EQ(410u, second->GetWidth());
    EXPECT_EQ(611u, second->GetHeight());
    std::unique_ptr<Gdiplus::Image> viaModule(ImageFromResource(ResourceModule(), 142, L"PNG"));
    ASSERT_NE(nullptr, viaModule);
    EXPECT_EQ(400u, viaModule->GetWidth());
}
