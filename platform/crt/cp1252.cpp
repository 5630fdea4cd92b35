#include "platform/crt/cp1252.h"

namespace crt {

namespace {

// 0x80..0x9F. The undefined bytes hold their own numbers.
constexpr uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(uint32_t u, std::string& out) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

}  // namespace

uint32_t Cp1252ToUnicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kHigh[c - 0x80];
    return c;
}

int UnicodeToCp1252(uint32_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<int>(u);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == u) return 0x80 + i;
    }
    return -1;
}

std::string Cp1252ToUtf8(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char ch : s) AppendUtf8(Cp1252ToUnicode(static_cast<unsigned char>(ch)), out);
    return out;
}

bool Utf8ToCp1252(const std::string& utf8, std::string* out) {
    out->clear();
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        uint32_t u;
        size_t len;
        if (b < 0x80) {
            u = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            u = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            u = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            u = b & 0x07;
            len = 4;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            const unsigned char cb = static_cast<unsigned char>(utf8[i + k]);
            if ((cb & 0xC0) != 0x80) return false;
            u = (u << 6) | (cb & 0x3F);
        }
        i += len;
        int c = UnicodeToCp1252(u);
        if (c < 0) return false;
        *out += static_cast<char>(c);
    }
    return true;
}

std::string Utf16ToCp1252(const std::u16string& w) {
    std::string out;
    out.reserve(w.size());
    for (size_t i = 0; i < w.size(); i++) {
        const char16_t u = w[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
            out += '?';
            i++;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out += '?';
        } else {
            const int c = UnicodeToCp1252(u);
            out += c < 0 ? '?' : static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace crt
