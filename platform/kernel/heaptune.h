// How the C library's heap keeps memory. By default it maps a large block of its own and unmaps it
// when freed, but each such free raises the size from which blocks are mapped (up to 32 MiB on
// 64-bit systems); from then on the large blocks of a long run (glyph masks and glyph pixels at big
// sizes, born and dying every second) come from the heap itself, whose freed room stays with the
// process at the highest mark it ever reached.
#pragma once

namespace kernel {

// Fixes the size from which blocks are mapped at kMappedBlockBytes (and with it the heap's trim
// threshold at its default), so that large blocks go back to the system when freed, however many
// came before. Call once at start-up. Returns whether the C library took the setting (false on a C
// library without it, or an allocator of its own such as a sanitizer's).
bool LimitHeapRetention();
constexpr int kMappedBlockBytes = 128 * 1024;

}  // namespace kernel
