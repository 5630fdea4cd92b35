// Windows-1252, the 8-bit character set of every text in the scene, documents and font names.
// FreeType, fontconfig, the windowing toolkit and wide strings in stored files see Unicode only at
// the edge, through these.
#pragma once

#include <cstdint>
#include <string>

namespace crt {

// The Unicode code point of a Windows-1252 byte: 0x00-0x7F and 0xA0-0xFF are the same numbers,
// 0x80-0x9F go through the code page's table. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the code points of the same number, both ways, so every
// byte survives a round trip.
uint32_t Cp1252ToUnicode(unsigned char c);
// The Windows-1252 byte of a code point, or -1 when the code page has none.
int UnicodeToCp1252(uint32_t u);

// Conversions of whole strings. Utf8ToCp1252 fails (returning false, out unspecified) on malformed
// UTF-8 and on characters the code page cannot hold.
std::string Cp1252ToUtf8(const std::string& s);
bool Utf8ToCp1252(const std::string& utf8, std::string* out);
// UTF-16 (native order) to Windows-1252 with '?' for every character the code page lacks; a
// surrogate pair is one character and gives one '?', and so does a lone surrogate.
std::string Utf16ToCp1252(const std::u16string& w);

}  // namespace crt
