// Code pages of fonts' character sets: which page a set names, and 8-bit text read as Unicode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/crt/codepage.h"

TEST(CodePage, CharacterSetsNameTheirPages) {
    const struct {
        unsigned char charset;
        unsigned page;
    } cases[] = {{0, 1252},   {1, 1252},   {2, crt::kSymbolCodePage}, {77, 10000}, {128, 932}, {129, 949},
                 {130, 1361}, {134, 936},  {136, 950},  {161, 1253},  {162, 1254}, {163, 1258}, {177, 1255},
                 {178, 1256}, {186, 1257}, {204, 1251}, {222, 874},   {238, 1250}, {255, 437},  {99, 1252}};
    for (const auto& c : cases) EXPECT_EQ(crt::CodePageOfCharset(c.charset), c.page) << int(c.charset);
}

TEST(CodePage, BytesReadAsTheirPagesCharacters) {
    const struct {
        unsigned page;
        std::string bytes;
        std::vector<uint32_t> chars;
        std::vector<size_t> first;
    } cases[] = {
        {1253, "A\xD9\xE1", {'A', 0x03A9, 0x03B1}, {0, 1, 2}},
        {1251, "\xC6\xE8", {0x0416, 0x0438}, {0, 1}},
        {1250, "\xA3\xF3", {0x0141, 0x00F3}, {0, 1}},
        {1254, "\xDE", {0x015E}, {0}},
        {1255, "\xE0", {0x05D0}, {0}},
        {1256, "\xC7", {0x0627}, {0}},
        {1257, "\xC0", {0x0104}, {0}},
        {1258, "\xD5", {0x01A0}, {0}},
        {874, "\xA1", {0x0E01}, {0}},
        // Bytes a page leaves undefined are no character.
        {1253, "\xAA" "a", {0, 'a'}, {0, 1}},
        {874, "\xFC", {0}, {0}},
        // Symbol text: each byte is its symbol code.
        {crt::kSymbolCodePage, "\x41\xD7", {0xF041, 0xF0D7}, {0, 1}},
        // iconv's pages: double-byte characters take two bytes, ASCII one.
        {932, "a\x83\xB6" "b", {'a', 0x03A9, 'b'}, {0, 1, 3}},
        {936, "\xA6\xB8", {0x03A9}, {0}},
        {949, "\xA5\xD8", {0x03A9}, {0}},
        {950, "\xA3\x5B", {0x03A9}, {0}},
        {1361, "\xDB\x68", {0x03A9}, {0}},
        {10000, "\xBD", {0x03A9}, {0}},
        {437, "\xE4", {0x03A3}, {0}},
        // A lead byte without its trail byte, and a pair the page does not define.
        {932, "a\x83", {'a', 0}, {0, 1}},
        {932, "\x85\x40" "c", {0, 'c'}, {0, 2}},
        // A page nobody knows reads as Windows-1252.
        {12345, "\x80" "e", {0x20AC, 'e'}, {0, 1}},
    };
    for (const auto& c : cases) {
        std::vector<uint32_t> chars;
        std::vector<size_t> first;
        crt::DecodeCodePage(c.page, reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size(), &chars, &first);
        EXPECT_EQ(chars, c.chars) << c.page;
        EXPECT_EQ(first, c.first) << c.page;
    }
}
