// CPoint, CSize and CRect with the class library's rules: a rectangle's right and bottom edges lie
// outside it; an empty intersection is (0, 0, 0, 0); equality is exact on all four edges.
#pragma once

#include "platform/crt/wintypes.h"

class CSize : public SIZE {
public:
    CSize() { cx = cy = 0; }
    CSize(int x, int y) {
        cx = x;
        cy = y;
    }
    CSize(SIZE s) {
        cx = s.cx;
        cy = s.cy;
    }
    bool operator==(SIZE s) const { return cx == s.cx && cy == s.cy; }
    bool operator!=(SIZE s) const { return !(*this == s); }
    CSize operator+(SIZE s) const { return CSize(cx + s.cx, cy + s.cy); }
    CSize operator-(SIZE s) const { return CSize(cx - s.cx, cy - s.cy); }
    CSize operator-() const { return CSize(-cx, -cy); }
};

class CPoint : public POINT {
public:
    CPoint() { x = y = 0; }
    CPoint(int ax, int ay) {
        x = ax;
        y = ay;
    }
    CPoint(POINT p) {
        x = p.x;
        y = p.y;
    }
    void Offset(int dx, int dy) {
        x += dx;
        y += dy;
    }
    void Offset(POINT p) { Offset(p.x, p.y); }
    void Offset(SIZE s) { Offset(s.cx, s.cy); }
    void SetPoint(int ax, int ay) {
        x = ax;
        y = ay;
    }
    bool operator==(POINT p) const { return x == p.x && y == p.y; }
    bool operator!=(POINT p) const { return !(*this == p); }
    CPoint& operator+=(SIZE s) {
        x += s.cx;
        y += s.cy;
        return *this;
    }
    CPoint& operator-=(SIZE s) {
        x -= s.cx;
        y -= s.cy;
        return *this;
    }
    CPoint& operator+=(POINT p) {
        x += p.x;
        y += p.y;
        return *this;
    }
    CPoint& operator-=(POINT p) {
        x -= p.x;
        y -= p.y;
        return *this;
    }
    CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
    CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
    CPoint operator+(POINT p) const { return CPoint(x + p.x, y + p.y); }
    // Point minus point is a size, as in the class library.
    CSize operator-(POINT p) const { return CSize(x - p.x, y - p.y); }
    CPoint operator-() const { return CPoint(-x, -y); }
};

class CRect : public RECT {
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    CRect(const RECT& r) {
        left = r.left;
        top = r.top;
        right = r.right;
        bottom = r.bottom;
    }
    CRect(POINT topLeft, SIZE size) {
        left = topLeft.x;
        top = topLeft.y;
        right = left + size.cx;
        bottom = top + size.cy;
    }
    CRect(POINT topLeft, POINT bottomRight) {
        left = topLeft.x;
        top = topLeft.y;
        right = bottomRight.x;
        bottom = bottomRight.y;
    }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    // Integer division of the sums, truncating toward zero as C does.
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

    // Empty: width or height zero or negative.
    BOOL IsRectEmpty() const { return (left >= right || top >= bottom) ? TRUE : FALSE; }
    BOOL IsRectNull() const { return (left == 0 && right == 0 && top == 0 && bottom == 0) ? TRUE : FALSE; }
    // Right and bottom are outside.
    BOOL PtInRect(POINT p) const {
        return (p.x >= left && p.x < right && p.y >= top && p.y < bottom) ? TRUE : FALSE;
    }

    void SetRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() { left = top = right = bottom = 0; }
    void CopyRect(LPCRECT r) { *static_cast<RECT*>(this) = *r; }
    BOOL EqualRect(LPCRECT r) const {
        return (left == r->left && top == r->top && right == r->right && bottom == r->bottom) ? TRUE : FALSE;
    }

    void InflateRect(int dx, int dy) {
        left -= dx;
        top -= dy;
        right += dx;
        bottom += dy;
    }
    void InflateRect(SIZE s) { InflateRect(s.cx, s.cy); }
    void InflateRect(int l, int t, int r, int b) {
        left -= l;
        top -= t;
        right += r;
        bottom += b;
    }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void DeflateRect(SIZE s) { InflateRect(-s.cx, -s.cy); }
    void DeflateRect(int l, int t, int r, int b) {
        left += l;
        top += t;
        right -= r;
        bottom -= b;
    }
    void OffsetRect(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
    void OffsetRect(SIZE s) { OffsetRect(s.cx, s.cy); }
    void MoveToXY(int x, int y) {
        right += x - left;
        bottom += y - top;
        left = x;
        top = y;
    }
    void NormalizeRect() {
        if (left > right) {
            LONG t = left;
            left = right;
            right = t;
        }
        if (top > bottom) {
            LONG t = top;
            top = bottom;
            bottom = t;
        }
    }

    // The overlap of a and b; FALSE and (0, 0, 0, 0) when it is empty.
    BOOL IntersectRect(LPCRECT a, LPCRECT b) {
        LONG l = a->left > b->left ? a->left : b->left;
        LONG t = a->top > b->top ? a->top : b->top;
        LONG r = a->right < b->right ? a->right : b->right;
        LONG bm = a->bottom < b->bottom ? a->bottom : b->bottom;
        if (l >= r || t >= bm) {
            SetRectEmpty();
            return FALSE;
        }
        SetRect(l, t, r, bm);
        return TRUE;
    }
    // The smallest rectangle holding both; empty rectangles take no part. FALSE when the result is empty.
    BOOL UnionRect(LPCRECT a, LPCRECT b) {
        bool ea = a->left >= a->right || a->top >= a->bottom;
        bool eb = b->left >= b->right || b->top >= b->bottom;
        if (ea && eb) {
            SetRectEmpty();
            return FALSE;
        }
        if (ea) {
            CopyRect(b);
            return TRUE;
        }
        if (eb) {
            CopyRect(a);
            return TRUE;
        }
        SetRect(a->left < b->left ? a->left : b->left, a->top < b->top ? a->top : b->top,
                a->right > b->right ? a->right : b->right, a->bottom > b->bottom ? a->bottom : b->bottom);
        return TRUE;
    }

    bool operator==(const RECT& r) const {
        return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
    }
    bool operator!=(const RECT& r) const { return !(*this == r); }
    CRect& operator=(const RECT& r) {
        CopyRect(&r);
        return *this;
    }
    CRect& operator&=(const RECT& r) {
        CRect a(*this);
        IntersectRect(&a, &r);
        return *this;
    }
    CRect& operator|=(const RECT& r) {
        CRect a(*this);
        UnionRect(&a, &r);
        return *this;
    }
    CRect operator&(const RECT& r) const {
        CRect out;
        out.IntersectRect(this, &r);
        return out;
    }
    CRect operator|(const RECT& r) const {
        CRect out;
        out.UnionRect(this, &r);
        return out;
    }
    CRect& operator+=(POINT p) {
        OffsetRect(p);
        return *this;
    }
    CRect& operator-=(POINT p) {
        OffsetRect(-p.x, -p.y);
        return *this;
    }
    CRect operator+(POINT p) const {
        CRect r(*this);
        r.OffsetRect(p);
        return r;
    }
    CRect operator-(POINT p) const {
        CRect r(*this);
        r.OffsetRect(-p.x, -p.y);
        return r;
    }

    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};
