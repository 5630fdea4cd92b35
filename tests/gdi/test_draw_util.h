// Helpers of the drawing tests: small surfaces drawn as text pictures.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/gdi/dc.h"

namespace drawtest {

constexpr COLORREF kBack = RGB(255, 255, 255);
constexpr COLORREF kPen = RGB(200, 0, 0);
constexpr COLORREF kBrush = RGB(0, 0, 200);

// A memory DC with a width x height bitmap filled with kBack.
struct Canvas {
    CDC dc;
    CBitmap bitmap;
    CBitmap* old = nullptr;

    Canvas(int width, int height, COLORREF fill = kBack) {
        EXPECT_TRUE(dc.CreateCompatibleDC(nullptr));
        EXPECT_TRUE(bitmap.CreateCompatibleBitmap(&dc, width, height));
        old = dc.SelectObject(&bitmap);
        EXPECT_NE(old, nullptr);
        Fill(fill);
    }
    ~Canvas() { dc.SelectObject(old); }

    void Fill(COLORREF c) {
        gdi::Surface& s = bitmap.GetSurface();
        for (int y = 0; y < s.Height(); ++y)
            for (int x = 0; x < s.Width(); ++x) s.Row(y)[x] = gdi::ColorToPixel(c);
    }
    COLORREF At(int x, int y) const { return gdi::PixelToColor(bitmap.GetSurface().Row(y)[x]); }
    int Width() const { return bitmap.GetSurface().Width(); }
    int Height() const { return bitmap.GetSurface().Height(); }

    // One line per row: '.' kBack, '#' kPen, 'o' kBrush, '?' anything else.
    std::string Picture() const {
        std::string out;
        for (int y = 0; y < Height(); ++y) {
            for (int x = 0; x < Width(); ++x) {
                const COLORREF c = At(x, y);
                out += c == kBack ? '.' : c == kPen ? '#' : c == kBrush ? 'o' : '?';
            }
            out += '\n';
        }
        return out;
    }

    // Selects a pen and a brush for the drawing of one test (restored by the destructor of Tools).
    struct Tools {
        CDC& dc;
        CPen pen;
        CBrush brush;
        CPen* oldPen;
        CBrush* oldBrush;
        Tools(CDC& d, int penStyle, bool solidBrush) : dc(d) {
            pen.CreatePen(penStyle, 1, kPen);
            brush.CreateBrush(solidBrush ? BS_SOLID : BS_NULL, kBrush);
            oldPen = dc.SelectObject(&pen);
            oldBrush = dc.SelectObject(&brush);
        }
        ~Tools() {
            dc.SelectObject(oldPen);
            dc.SelectObject(oldBrush);
        }
    };
};

// Joins rows given one per argument into a picture with a newline after each.
inline std::string Rows(std::initializer_list<const char*> rows) {
    std::string out;
    for (const char* r : rows) {
        out += r;
        out += '\n';
    }
    return out;
}

}  // namespace drawtest
