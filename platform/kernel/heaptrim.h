// Giving the heap's free memory back to the system. The C library keeps the pages of freed blocks
// for later allocations; in a long run whose live memory swings (glyphs and masks of changing sizes
// born and dying every second), the pages kept climb to the highest swing ever seen and stay there.
#pragma once

namespace kernel {

// Returns the heap's wholly free pages to the system (they read as zero when touched again). Takes a
// few milliseconds on a heap of some tens of megabytes; nothing on a C library without the call.
void ReturnFreeHeapPages();

}  // namespace kernel
