// The pieces of the C runtime whose exact behaviour the scene depends on.
#pragma once

#include <climits>
#include <cstdint>
#include <string>

namespace crt {

// The runtime's generator: seed = seed * 214013 + 2531011, result bits 16..30 (0..32767).
// One generator for the process, first seed 1. Call it once per statement: the order of draws matters.
constexpr int RAND_MAX_VALUE = 32767;
int rand();
void srand(unsigned seed);
// Back to the state of a fresh process (seed 1). For tests.
void reset_rand();
// The current seed, for tests that pin a sequence, and for work that takes a range of draws apart.
uint32_t rand_state();
// Puts the generator at a state rand_state() gave.
void set_rand_state(uint32_t state);
// Moves the generator past k draws at once, as k calls of rand() would (O(log k)).
void skip_rand(uint64_t k);

// The state k steps of the generator after state: the map x -> x * 214013 + 2531011 composed k times
// (mod 2^32), by squaring.
constexpr uint32_t rand_jump(uint32_t state, uint64_t k) {
    uint32_t mul = 214013u, add = 2531011u;  // the map applied 2^i times
    uint32_t accMul = 1u, accAdd = 0u;       // the maps taken so far
    for (; k; k >>= 1) {
        if (k & 1) {
            accMul = accMul * mul;
            accAdd = accAdd * mul + add;
        }
        add = add * mul + add;
        mul = mul * mul;
    }
    return state * accMul + accAdd;
}

// A copy of the generator for a range of draws handed out apart from the global one: it starts at the
// state where the range begins and yields the values rand() would have yielded there. Touches nothing
// global, so a worker thread may use it.
class RandStream {
public:
    explicit RandStream(uint32_t state) : m_state(state) {}
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFF);
    }
    uint32_t State() const { return m_state; }

private:
    uint32_t m_state;
};

// ASCII character classes of the C locale on a byte value (0..255). Bytes from 128 up belong to no class.
bool isalpha(int c);
bool isdigit(int c);
bool isalnum(int c);
bool isspace(int c);
bool isgraph(int c);
bool isprint(int c);
bool ispunct(int c);
bool isupper(int c);
bool islower(int c);
bool iscntrl(int c);
int toupper(int c);
int tolower(int c);

// Reads a whole file in text mode: every CR LF pair becomes LF (a lone CR stays).
// Returns false when the file cannot be opened or read.
bool read_text_file(const std::string& path, std::string& out);
// The text-mode conversion itself, for bytes already in memory.
std::string text_mode(const std::string& bytes);

}  // namespace crt

// Conversion toward zero, as the C cast does, but defined for every input: NaN and values outside the
// int range give INT_MIN (the value the platform's conversion instruction produced), never undefined
// behaviour. Inline: positions and bounds convert through it several times per element per frame.
inline int TruncToInt(double v) {
    // The bounds lie one past the int range, so -2147483648.9 and 2147483647.9 still convert.
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;  // NaN fails both comparisons
    return static_cast<int>(v);
}
