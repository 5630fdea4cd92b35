// Windows-1252, the 8-bit character set of every text in the scene, documents and font names.
// FreeType, fontconfig and the windowing toolkit see Unicode only at the edge, through these.
#pragma once

#include <cstdint>
#include <string>

namespace gdi {

// The Unicode code point of a Windows-1252 byte: 0x00-0x7F and 0xA0-0xFF are the same numbers,
// 0x80-0x9F go through the code page's table. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) give 0.
uint32_t Cp1252ToUnicode(unsigned char c);
// The Windows-1252 byte of a code point, or -1 when the code page has none.
int UnicodeToCp1252(uint32_t u);

// Conversions of whole strings. Cp1252ToUtf8 drops undefined bytes. Utf8ToCp1252 fails (returning
// false, out unspecified) on malformed UTF-8 and on characters the code page cannot hold.
std::string Cp1252ToUtf8(const std::string& s);
bool Utf8ToCp1252(const std::string& utf8, std::string* out);

}  // namespace gdi
