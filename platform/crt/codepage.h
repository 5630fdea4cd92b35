// 8-bit text in the code page of a font's character set: the strings of Windows metafiles and the
// 8-bit strings of enhanced ones. Windows-1252 itself is cp1252.h; this reads the others as Unicode
// code points for the font engine, which sees Unicode only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace crt {

// The code page symbol fonts' text is in: each byte b is the character U+F000 + b, which a symbol
// font's character map holds.
constexpr unsigned kSymbolCodePage = 42;

// The Windows code page of a LOGFONT character set: ANSI (0) and DEFAULT (1) give 1252, SYMBOL (2)
// kSymbolCodePage, MAC (77) 10000, SHIFTJIS (128) 932, HANGUL (129) 949, JOHAB (130) 1361, GB2312
// (134) 936, CHINESEBIG5 (136) 950, GREEK (161) 1253, TURKISH (162) 1254, VIETNAMESE (163) 1258,
// HEBREW (177) 1255, ARABIC (178) 1256, BALTIC (186) 1257, RUSSIAN (204) 1251, THAI (222) 874,
// EASTEUROPE (238) 1250, OEM (255) 437. Any other set gives 1252.
unsigned CodePageOfCharset(unsigned char charset);

// The characters of n bytes in a code page, and for each the index of its first byte (a double-byte
// character takes two). The single-byte pages 874 and 1250 to 1258 come from tables of this file;
// 437, 10000 and the double-byte pages 932, 936, 949, 950 and 1361 go through glibc's iconv, one
// character at a time. A byte a page leaves undefined, a lead byte without its trail byte and a pair
// iconv cannot convert each give the character 0 (no character: the font's missing glyph). A page
// this file does not know, or one iconv cannot open, reads as Windows-1252.
void DecodeCodePage(unsigned codePage, const unsigned char* s, size_t n, std::vector<uint32_t>* chars,
                    std::vector<size_t>* firstByte);

}  // namespace crt
