#include "platform/crt/crt.h"

#include <cstdio>

namespace crt {

namespace {
uint32_t g_seed = 1;
}

int rand() {
    g_seed = g_seed * 214013u + 2531011u;
    return static_cast<int>((g_seed >> 16) & 0x7FFF);
}

void srand(unsigned seed) { g_seed = seed; }
void reset_rand() { g_seed = 1; }
uint32_t rand_state() { return g_seed; }
void set_rand_state(uint32_t state) { g_seed = state; }
void skip_rand(uint64_t k) { g_seed = rand_jump(g_seed, k); }

bool isupper(int c) { return c >= 'A' && c <= 'Z'; }
bool islower(int c) { return c >= 'a' && c <= 'z'; }
bool isalpha(int c) { return isupper(c) || islower(c); }
bool isdigit(int c) { return c >= '0' && c <= '9'; }
bool isalnum(int c) { return isalpha(c) || isdigit(c); }
bool isspace(int c) { return c == ' ' || (c >= 9 && c <= 13); }
bool isgraph(int c) { return c >= 33 && c <= 126; }
bool isprint(int c) { return c >= 32 && c <= 126; }
bool ispunct(int c) { return isgraph(c) && !isalnum(c); }
bool iscntrl(int c) { return (c >= 0 && c < 32) || c == 127; }
int toupper(int c) { return islower(c) ? c - 'a' + 'A' : c; }
int tolower(int c) { return isupper(c) ? c - 'A' + 'a' : c; }

std::string text_mode(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        out.push_back(bytes[i]);
    }
    return out;
}

bool read_text_file(const std::string& path, std::string& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::string bytes;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) return false;
    out = text_mode(bytes);
    return true;
}

}  // namespace crt
