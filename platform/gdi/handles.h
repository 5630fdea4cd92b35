// The drawing layer's handles: each is a pointer to the object itself (an HDC is a CDC*). Headers that
// only pass handles around (the image library's public header) include this instead of dc.h.
#pragma once

class CDC;
class CGdiObject;
class CPen;
class CBrush;
class CBitmap;
class CRgn;
class CPalette;
class CFont;

typedef CDC* HDC;
typedef CGdiObject* HGDIOBJ;
typedef CPen* HPEN;
typedef CBrush* HBRUSH;
typedef CBitmap* HBITMAP;
typedef CRgn* HRGN;
typedef CPalette* HPALETTE;
typedef CFont* HFONT;
