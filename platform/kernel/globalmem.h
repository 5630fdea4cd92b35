// Global memory: the blocks that image buffers, packed DIBs and copied strings travel in between a
// library and its caller, who frees them with GlobalFree.
//
// Every block is fixed: its handle is its address, and GlobalLock is not needed. GlobalSize returns the
// size that was asked for. A block's size is kept in a small header in front of it.
#pragma once

#include <cstddef>

#include "platform/crt/wintypes.h"

typedef void* HGLOBAL;
typedef size_t SIZE_T;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// A new block of dwBytes bytes (zero-filled with GMEM_ZEROINIT), or NULL when it cannot be had.
// GMEM_MOVEABLE is accepted and gives a fixed block as well.
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// Resizes a block. With GMEM_MOVEABLE the block may move and the new handle is returned; without it
// the block stays where it is, so only a shrink (or the same size) succeeds. GMEM_ZEROINIT zero-fills
// the bytes a growth adds. NULL on failure, the old block untouched.
HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
// The block's size in bytes; 0 for NULL.
SIZE_T GlobalSize(HGLOBAL hMem);
// Frees the block. NULL on success (and for a NULL handle); the handle itself when the header in front
// of it does not mark a live block. That test is a debugging aid: passing a pointer that GlobalAlloc
// did not return, or freeing a block twice, is the caller's error.
HGLOBAL GlobalFree(HGLOBAL hMem);
