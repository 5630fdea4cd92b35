// The image-file library's public interface: free functions over plain types.
//
// Conventions shared by every function:
// - Buffers: an RGB buffer holds width x height pixels of three bytes (red, green, blue), rows of exactly
//   width x 3 bytes, top row first; an 8-bit buffer holds one palette index per pixel, rows of width
//   bytes, with a palette of RGBQUAD entries (256 unless said otherwise).
// - A buffer that a function returns is a global-memory block that belongs to the caller, who frees it
//   with GlobalFree. 0 (NULL) means failure.
// - Every function that reads, writes, converts or transforms stores its outcome as the calling thread's
//   last error (GetLastErrorCode): 0 after success, an ErrorCode after a failure. Functions marked
//   "no error" leave the last error as it was.
// - Readers and writers check their handle first: a NULL handle is ErrorCode::BadParam, a handle that is
//   not open (closed already, never opened, or overwritten) is ErrorCode::InvalidHandle.
// - Nothing throws. Each thread has its own options, last error and progress callback.
#pragma once

#include "platform/crt/wintypes.h"
#include "platform/kernel/globalmem.h"

// The values of the last error.
enum class ErrorCode : int {
    None = 0,
    OutOfMemory = 1,        // an allocation failed, or a block would reach the allocation limit
    FileOpen = 2,           // a file failed to open or to be created
    FileRead = 3,           // a read returned fewer bytes than asked
    FileWrite = 4,          // a write to a sink failed
    BadParam = 5,           // a null handle or pointer, a zero size, an index or rectangle out of range
    BadBmp = 6,             // not a BMP file the reader accepts
    RleUnsupported = 7,     // an RLE variant the reader does not handle
    BadJpeg = 9,            // the JPEG codec reported an error
    DeviceContext = 10,     // a device context, brush or metafile DC was not obtained
    ResourceNotFound = 13,  // a bitmap resource was not found
    Aborted = 14,           // the progress callback stopped the operation
    BadPng = 15,            // the PNG codec reported an error
    PngInternal = 16,       // the PNG codec failed to set up
    Unexpected = 17,        // an internal step gave a result that should not occur
    BadTiff = 20,           // the TIFF codec failed to open or decode the data
    BadPcx = 22,            // not a PCX image the reader accepts
    CreateCompatibleBitmapFailed = 23,
    EndOfImage = 24,        // a row past the image's last row was requested
    GetDIBitsFailed = 25,
    DeviceUnsupported = 26,  // the device lacks a raster capability the operation needs
    BadMetafile = 27,
    WrongBitDepth = 28,     // the image is not of the bit depth the operation asked for
    BitBltFailed = 29,
    BadTga = 32,            // not a TGA image the reader accepts
    CreateDIBitmapFailed = 35,
    SelectObjectFailed = 37,
    InvalidHandle = 38,     // a source or sink handle that is not open
    CreateDIBSectionFailed = 39,
    MetafileConvert = 40,
};

// What DetectFileFormat recognises.
enum class FileFormat : int {
    Unknown = 0,
    Bmp = 1,
    Gif = 2,  // recognised, but the library has no GIF codec
    Jpeg = 3,
    Png = 4,
    Pcx = 5,
    Tiff = 6,
    Wmf = 7,
    Emf = 8,
};

// Progress: called with (done, total) by the operation that runs alone on its thread (never by one that
// another library operation called). Returning FALSE stops the operation with ErrorCode::Aborted; most
// operations also stop on a negative result.
typedef BOOL (*ProgressCallback)(UINT done, UINT total);

// A source (read from) or sink (written to): a file, a caller's memory block or the caller's callbacks.
struct StreamBlock;
typedef StreamBlock* SourceHandle;
typedef StreamBlock* SinkHandle;

// Callbacks of a callback source or sink; `user` is the value given when it was opened. Seek origins:
// 0 start, 1 current position, 2 end.
typedef BOOL (*StreamOpenProc)(DWORD_PTR user);
typedef UINT (*StreamReadProc)(void* buffer, UINT count, DWORD_PTR user);          // bytes read
typedef UINT (*StreamWriteProc)(const void* buffer, UINT count, DWORD_PTR user);   // non-zero: written
typedef BOOL (*StreamSeekProc)(LONG offset, int origin, DWORD_PTR user);
typedef UINT (*StreamTellProc)(DWORD_PTR user);
typedef UINT (*StreamSizeProc)(DWORD_PTR user);
typedef BOOL (*StreamEofProc)(DWORD_PTR user);
typedef BOOL (*StreamCloseProc)(DWORD_PTR user);

// ---- Library core ----

// The calling thread's last error (an ErrorCode value).
int GetLastErrorCode();
// Sets the calling thread's progress callback (NULL: none). No error.
void SetProgressCallback(ProgressCallback callback);
// Copies the version string into buffer as strncpy with a count of 20 does. No error.
void GetLibraryVersion(char* buffer);
// Bitmaps made on this thread become DIB sections when flag is 1. No error.
void SetUseDibSection(BOOL flag);

// ---- Sources and sinks ----
// The open functions return 0 on failure: FileOpen for a file that cannot be opened, BadParam for a
// null or empty argument or an open callback that refused, OutOfMemory.

SourceHandle OpenFileSource(const char* path);
SourceHandle OpenMemorySource(const void* data, UINT size);
SourceHandle OpenCallbackSource(StreamOpenProc open, StreamReadProc read, StreamSeekProc seek, StreamTellProc tell,
                                StreamSizeProc size, StreamEofProc eof, StreamCloseProc close, DWORD_PTR user);
SinkHandle OpenFileSink(const char* path);
// A memory sink writes into the caller's block of `capacity` bytes and holds at most capacity - 1 bytes.
SinkHandle OpenMemorySink(void* data, UINT capacity);
SinkHandle OpenCallbackSink(StreamOpenProc open, StreamWriteProc write, StreamSeekProc seek, StreamTellProc tell,
                            StreamSizeProc size, StreamEofProc eof, StreamCloseProc close, DWORD_PTR user);

// These set the last error only for a bad handle (BadParam for NULL, InvalidHandle for one not open).
UINT ReadStream(StreamBlock* handle, void* buffer, UINT count);         // bytes read; 0 on a sink
BOOL WriteStream(StreamBlock* handle, const void* buffer, UINT count);  // 1 on success; 0 on a source
BOOL SeekStream(StreamBlock* handle, LONG offset, int origin);          // 1 on success
UINT TellStream(StreamBlock* handle);
UINT GetStreamSize(StreamBlock* handle);                                // a sink: the bytes written
BOOL IsStreamAtEnd(StreamBlock* handle);
// Close the handle and free it; they return the position (source) or the size (sink) at closing.
UINT CloseSource(SourceHandle handle);
UINT CloseSink(SinkHandle handle);

// ---- Readers ----
// Each sets *width and *height (0 on failure) and returns the new buffer. The BMP and PCX readers return
// a partly filled buffer together with an error when rows fail or the callback aborts; the caller owns
// it. The BMP and TGA readers start at the source's position, the PCX readers at position 0.

BYTE* ReadBmpToRgb(SourceHandle source, UINT* width, UINT* height);
// palette: 256 entries, filled from the file (entries the file lacks are black).
BYTE* ReadBmpTo8Bit(SourceHandle source, UINT* width, UINT* height, RGBQUAD* palette);
BYTE* ReadPcxToRgb(SourceHandle source, UINT* width, UINT* height);
BYTE* ReadPcxTo8Bit(SourceHandle source, UINT* width, UINT* height, RGBQUAD* palette);
BYTE* ReadTgaToRgb(SourceHandle source, UINT* width, UINT* height);
BYTE* ReadTgaTo8Bit(SourceHandle source, UINT* width, UINT* height, RGBQUAD* palette);

// The format of the 44 bytes at the source's position (the source is left after them). Fewer than 44
// bytes is ErrorCode::FileRead; an unknown format is FileFormat::Unknown with the last error 0.
FileFormat DetectFileFormat(SourceHandle source);

// ---- Writers ----
// Each returns the sink's size after writing, 0 on failure. Palettes have 256 entries.

UINT WriteRgbAsBmp(SinkHandle sink, const BYTE* rgb, UINT width, UINT height);
UINT Write8BitAsBmp(SinkHandle sink, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette);
UINT WriteRgbAsPcx(SinkHandle sink, const BYTE* rgb, UINT width, UINT height);
UINT Write8BitAsPcx(SinkHandle sink, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette);
UINT WriteRgbAsTga(SinkHandle sink, const BYTE* rgb, UINT width, UINT height);
UINT Write8BitAsTga(SinkHandle sink, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette);

// ---- Buffer operations ----

// grey = 0.299 red + 0.587 green + 0.114 blue, truncated; out holds width x height bytes.
BOOL RgbToGray(const BYTE* rgb, UINT width, UINT height, BYTE* out);
BOOL DesaturateRgb(BYTE* rgb, UINT width, UINT height);
BOOL SwapRedBlue(BYTE* rgb, UINT width, UINT height);
// The fifth argument is not used.
BOOL Expand8BitToRgb(const BYTE* pixels, BYTE* rgb, UINT width, UINT height, UINT unused, const RGBQUAD* palette);
// The number of distinct colours; `large` picks the bigger (two-band) bit table.
UINT CountRgbColors(const BYTE* rgb, UINT width, UINT height, BOOL large);
// from and to are COLORREF values.
BOOL ReplaceRgbColor(BYTE* rgb, UINT width, UINT height, COLORREF from, COLORREF to);
// Each pixel's nearest of the n (at most 256) palette entries.
BOOL MapRgbToPalette(const BYTE* rgb, UINT width, UINT height, BYTE* out, UINT n, const RGBQUAD* palette);
// Octree quantisation to n colours (clamped to 1 to 256) and error-diffused mapping into out.
BOOL ReduceRgbTo8Bit(const BYTE* rgb, UINT width, UINT height, BYTE* out, UINT n, RGBQUAD* palette);
BOOL ComputeOptimalPalette(const BYTE* rgb, UINT width, UINT height, UINT n, RGBQUAD* palette);
// Bilinear resampling of 3-byte (ResizeRgb) or bytesPerPixel-byte pixels.
BOOL ResizeRgb(const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth, UINT dstHeight);
BOOL ResizeImage(const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth, UINT dstHeight,
                 UINT bytesPerPixel);
// Bilinear resampling that never blends the key colour (COLORREF; 0xFFFFFFFF: none).
BOOL ResizeRgbKeyed(const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth, UINT dstHeight,
                    COLORREF key);
// Box-filter reduction.
BOOL ShrinkRgbByAveraging(const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth, UINT dstHeight);
BOOL FlipVertical(BYTE* buffer, UINT rowBytes, UINT rows);
BOOL MirrorHorizontal(BYTE* rgb, UINT width, UINT height);
BOOL CopyRows(const BYTE* src, UINT srcStride, UINT rows, UINT dstStride, BYTE* dst);
BOOL SplitRgbPlanes(const BYTE* rgb, UINT width, UINT height, BYTE* red, BYTE* green, BYTE* blue);
BOOL MergeRgbPlanes(BYTE* rgb, UINT width, UINT height, const BYTE* red, const BYTE* green, const BYTE* blue);
// 4-byte pixels (red, green, blue, alpha) into an RGB buffer, an alpha plane, or both (either may be NULL).
BOOL SplitRgba(const BYTE* rgba, UINT width, UINT height, BYTE* rgb, BYTE* alpha);
BOOL SetAlphaChannel(BYTE* rgba, UINT width, UINT height, const BYTE* alpha);
BOOL RgbToRgba(const BYTE* rgb, UINT width, UINT height, BYTE alpha, BYTE* rgba);
// Values masked to `bits` (1 to 8) bits, packed most significant bit first into one stream over all rows.
BOOL PackIndices(const BYTE* pixels, UINT width, UINT height, BYTE* out, UINT bits);
