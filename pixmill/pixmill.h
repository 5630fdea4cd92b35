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
// - HDC, HBITMAP and HPALETTE are the drawing layer's handles (platform/gdi). A packed DIB is a
//   global-memory block holding a BITMAPINFOHEADER, its colour table (or bit-field masks) and the pixel
//   rows, bottom row first, each padded to a multiple of 4 bytes.
#pragma once

#include "platform/crt/wintypes.h"
#include "platform/gdi/handles.h"
#include "platform/kernel/globalmem.h"
#include "platform/kernel/resource.h"

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

// PNG, from the source's position. RGB reading composites alpha and transparency over the file's bKGD
// colour, else over the thread's background (SetPngBackground); both correct gamma for the thread's
// screen gamma (SetPngScreenGamma). They replace the thread's PNG texts and resolution read. A failed
// read returns no buffer.
BYTE* ReadPngToRgb(SourceHandle source, UINT* width, UINT* height);
// 4-byte pixels red, green, blue, alpha; an image without an alpha channel gets `filler` as alpha.
BYTE* ReadPngToRgba(SourceHandle source, UINT* width, UINT* height, BYTE filler);

// JPEG, from the source's position. They replace the thread's JPEG comments, APP1 to APP14 markers and
// density read. A failure while decoding rows returns the buffer as far as it was filled, with the
// error; data that ends inside the image still reads at full size, the decoder filling what is missing.
BYTE* ReadJpegToRgb(SourceHandle source, UINT* width, UINT* height);
// ReadJpegToRgb followed by ComputeOptimalPalette(result, width, height, n, palette), in one: the
// palette's histogram is counted on the work pool behind the decoder. The buffer, the palette, the
// progress reports and the JPEG state read are those of the two calls; the last error is the reader's.
// Without a buffer, or when the palette fails, the palette is left as it was. palette NULL: BadParam.
BYTE* ReadJpegToRgbWithPalette(SourceHandle source, UINT* width, UINT* height, UINT n, RGBQUAD* palette);
// One grey byte per pixel (colour images: 0.299 red + 0.587 green + 0.114 blue, truncated).
BYTE* ReadJpegToGray(SourceHandle source, UINT* width, UINT* height);

// TIFF: the data must begin at position 0 of the source (the readers rewind to it). Any page libtiff can
// convert to RGBA reads; the returned block is width x height x 4 bytes long, of which the first
// width x height x 3 hold the image. They replace the thread's TIFF resolution read.
BYTE* ReadTiffToRgb(SourceHandle source, UINT* width, UINT* height);
// page 0 is the first.
BYTE* ReadTiffPageToRgb(SourceHandle source, UINT* width, UINT* height, UINT page);
// The number of pages (low 16 bits), reading from the source's position; 0 on failure.
UINT GetTiffPageCount(SourceHandle source);

// Metafiles: an enhanced metafile (EMF) or a Windows metafile (WMF, with or without the 22-byte
// placeable header), played by the library's own record player onto a bitmap of the picture's size at
// the reference screen's 96 dots per inch, over the background colour. The path is read whole; a
// failure returns no buffer. The default extents (0.01 mm) are the size the reader would give a
// Windows metafile that has neither a placeable header nor a header of its own: since every Windows
// metafile the player accepts has one, they are kept for the interface and never used. A WMF without
// the placeable header plays at 1000 x 1000 (0.01 mm), one with it at its box.
BYTE* ReadMetafileToRgb(const char* path, UINT* width, UINT* height, UINT defaultExtentX, UINT defaultExtentY,
                        COLORREF background);

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
// PNG of bit depth 8 with the thread's background (bKGD), resolution (pHYs), texts to write and, for the
// 8-bit writer, palette transparency (SetPngPaletteAlpha); a gAMA chunk of `gamma` when it is above 0.
// A successful write empties the thread's list of texts to write.
UINT WriteRgbAsPng(SinkHandle sink, const BYTE* rgb, UINT width, UINT height, double gamma);
UINT Write8BitAsPng(SinkHandle sink, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
                    double gamma);
// JPEG with the thread's density, DCT method, comments and markers to write (kept for every later write
// until cleared). quality 1 to 100; progressive non-zero: a progressive file. A failure while finishing
// still returns the sink's size, with ErrorCode::BadJpeg.
UINT WriteRgbAsJpeg(SinkHandle sink, const BYTE* rgb, UINT width, UINT height, int quality, BOOL progressive);
UINT WriteGrayAsJpeg(SinkHandle sink, const BYTE* gray, UINT width, UINT height, int quality, BOOL progressive);
// Single-page TIFF with the thread's resolution and Compression tag value (the 8-bit writer stores JPEG,
// 7, uncompressed).
UINT WriteRgbAsTiff(SinkHandle sink, const BYTE* rgb, UINT width, UINT height);
UINT Write8BitAsTiff(SinkHandle sink, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette);

// The image as a metafile of one 24-bit DIB drawn at 96 dots per inch: its frame is the image's size on
// the reference screen in 0.01 mm (width x 2540 / 96, truncated). The placeable header of a WMF gives
// that frame in 1/1000 inch when it fits the header's 16-bit fields, else in the largest unit that does.
// A WMF holds 16-bit coordinates: images wider or taller than 32767 pixels are ErrorCode::BadParam.
UINT WriteRgbAsEmf(SinkHandle sink, const BYTE* rgb, UINT width, UINT height);
UINT WriteRgbAsWmf(SinkHandle sink, const BYTE* rgb, UINT width, UINT height, BOOL placeable);

// ---- Format options and the lists of the last read and of the next writes ----
// All of them leave the last error as it was. Strings and data they hand out are copies in new global
// memory that the caller frees with GlobalFree.

// PNG. The screen gamma (default 2.9) of reading; a file without gAMA is taken to suit the screen.
void SetPngScreenGamma(double gamma);
// The background of reading (the colour that alpha composites over when the file has no bKGD) and of
// writing (the bKGD chunk): a palette index, red, green, blue and grey.
void SetPngBackground(BYTE index, WORD red, WORD green, WORD blue, WORD gray);
// Write8BitAsPng writes the palette entries' fourth bytes as their transparency when flag is non-zero.
void SetPngPaletteAlpha(BOOL flag);
// The pHYs chunk written: pixels per unit in x and y, unit 0 unknown (an aspect ratio) or 1 metre.
void SetPngResolution(UINT x, UINT y, UINT unit);
// pHYs of the last read; FALSE (and 0xFFFFFFFF in all three) when it had none.
BOOL GetPngResolution(UINT* x, UINT* y, UINT* unit);
// Texts of the last read in file order (tEXt, zTXt and iTXt chunks; an iTXt's text as the file's UTF-8
// bytes); compressed is 1 for a zTXt chunk and a compressed iTXt. GetPngText gives copies of the key and
// text; an index out of range gives NULL copies, flag 0 and FALSE.
UINT GetPngTextCount();
BOOL GetPngText(UINT index, char** key, char** text, DWORD* compressed);
BOOL ClearPngTexts();
// Texts for the next PNG write (compressed non-zero: zTXt). AddPngText refuses an empty key.
UINT GetPngWriteTextCount();
BOOL GetPngWriteText(UINT index, char** key, char** text, DWORD* compressed);
BOOL AddPngText(const char* text, const char* key, DWORD compressed);
BOOL ClearPngWriteTexts();

// JPEG. DCT method of writing: 1 slow integer, 2 fast integer, 3 floating point, any other value the
// library's default. Reading always uses the library's default.
void SetJpegDctMethod(int method);
// The JFIF density written: x, y and unit (0 an aspect ratio, 1 dots per inch, 2 dots per centimetre).
void SetJpegDensity(UINT x, UINT y, UINT unit);
// Density of the last read (1, 1, 0 for a file without JFIF); FALSE before any read.
BOOL GetJpegDensity(UINT* x, UINT* y, UINT* unit);
// Comments (COM) and APP1 to APP14 markers of the last read, in file order.
UINT GetJpegCommentCount();
char* GetJpegComment(UINT index);  // NULL when out of range
BOOL ClearJpegComments();
UINT GetJpegMarkerCount();
// A copy of the marker's data, its length and its code (0xE1 to 0xEE); FALSE when out of range.
BOOL GetJpegMarker(UINT index, BYTE** data, UINT* length, UINT* code);
BOOL ClearJpegMarkers();
// Comments and markers written into every JPEG written on the thread until cleared.
UINT GetJpegWriteCommentCount();
char* GetJpegWriteComment(UINT index);  // NULL when out of range
BOOL AddJpegComment(const char* text);
BOOL ClearJpegWriteComments();
UINT GetJpegWriteMarkerCount();
BOOL AddJpegMarker(const BYTE* data, UINT length, UINT code);
BOOL ClearJpegWriteMarkers();

// TIFF. The resolution written (XResolution, YResolution, ResolutionUnit) and the Compression tag value
// of the writers (1 none, 5 LZW, 7 JPEG, 8 Deflate, 32773 PackBits, ...).
void SetTiffResolution(UINT x, UINT y, UINT unit);
void SetTiffCompression(UINT compression);
// Resolution of the last read, truncated to whole numbers; FALSE when it had no usable XResolution.
BOOL GetTiffResolution(UINT* x, UINT* y, UINT* unit);

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

// ---- Bitmaps, DIBs, palettes and device contexts ----
// Bitmaps and palettes returned belong to the caller (DeleteObject); DIBs and RGB buffers are global
// memory (GlobalFree). A NULL DC argument means the reference screen where a function allows it.

// A bitmap of the image for hdc: a device-dependent bitmap, or a 24-bit DIB section when the thread
// asked for DIB sections (SetUseDibSection). palette may be NULL.
HBITMAP CreateDdbFromRgb(const BYTE* rgb, UINT width, UINT height, HPALETTE palette, HDC hdc);
// A bitmap of the packed DIB (its reads stay within the DIB's global-memory block). hdc may be NULL.
HBITMAP CreateDdbFromDib(const BYTE* dib, HPALETTE palette, HDC hdc);
// Packed DIBs: 24 bits without a colour table, or 8 bits with the 256 entries of `palette`.
BYTE* CreateDibFromRgb(const BYTE* rgb, UINT width, UINT height);
BYTE* CreateDibFrom8Bit(const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette);
// A packed DIB of the bitmap's own depth (uncompressed), through the palette (NULL: the default one).
BYTE* CreateDibFromDdb(HBITMAP bitmap, HPALETTE palette);
// The RGB image of a packed DIB (uncompressed, RLE8 or RLE4), read within its global-memory block.
BYTE* DibToRgb(const BYTE* dib, UINT* width, UINT* height);
// The same from the parts of a DIB: the pixel rows, the header and its colour table. For 1 to 8 bits
// only the entries the header declares are read (its colours used, else 2 to the power of the bit
// count, at most 256) and an index past them reads black; for more bits the table may be NULL.
BYTE* DibBitsToRgb(const BYTE* bits, const BITMAPINFOHEADER* header, const RGBQUAD* colorTable, UINT* width,
                   UINT* height);
// The RGB image of a bitmap; hdc must have RC_DI_BITMAP. palette may be NULL.
BYTE* DdbToRgb(HBITMAP bitmap, UINT* width, UINT* height, HDC hdc, HPALETTE palette);
// The pixels of a rectangle of a DC (which needs RC_BITBLT and RC_BITMAP64).
BYTE* CaptureDcToRgb(HDC hdc, int x, int y, UINT width, UINT height);
// A logical palette of the first n (1 to 256) entries.
HPALETTE CreatePaletteFromRgbQuads(const RGBQUAD* palette, UINT n);
// A bitmap of the packed DIB registered as the RT_BITMAP resource `name` of `instance`
// (RegisterResource); ErrorCode::ResourceNotFound when there is none.
HBITMAP LoadBitmapResource(HINSTANCE instance, const char* name, HPALETTE palette);

// ---- Drawing ----
// Each returns 1 on success, 0 on failure. Palettes may be NULL. The Region variants draw the source
// rectangle (src x, src y, src w, src h), which must lie inside the image, at its own size.

// BitBlt of width x height pixels of the bitmap from (0, 0) / (srcX, srcY) to (x, y).
BOOL DrawBitmap(HDC hdc, HBITMAP bitmap, int x, int y, UINT width, UINT height, HPALETTE palette);
BOOL DrawBitmapRegion(HDC hdc, HBITMAP bitmap, int x, int y, int srcX, int srcY, UINT width, UINT height,
                      HPALETTE palette);
// The whole bitmap at (x, y), leaving the destination as it is wherever the bitmap has the colour.
BOOL DrawBitmapTransparent(HDC hdc, HBITMAP bitmap, int x, int y, COLORREF transparent);
// The packed DIB stretched onto width x height pixels at (x, y).
BOOL StretchDrawDib(HDC hdc, const BYTE* dib, int x, int y, UINT width, UINT height);
// An RGB image as a bitmap: w x h pixels of it at (x, y), unstretched.
BOOL DrawRgb(HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, UINT w, UINT h, HPALETTE palette);
BOOL DrawRgbRegion(HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, int srcX, int srcY, UINT srcW,
                   UINT srcH, HPALETTE palette);
BOOL DrawRgbTransparent(HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, COLORREF transparent);
// An RGB image stretched onto w x h pixels at (x, y).
BOOL StretchDrawRgb(HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, UINT w, UINT h);
BOOL StretchDrawRgbRegion(HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, int srcX, int srcY,
                          UINT srcW, UINT srcH);
// 8-bit images with their 256-entry palette, as RGB images are drawn.
BOOL Draw8Bit(HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette, int x, int y, UINT w,
              UINT h, HPALETTE hPalette);
BOOL Draw8BitRegion(HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette, int x, int y,
                    int srcX, int srcY, UINT srcW, UINT srcH, HPALETTE hPalette);
BOOL StretchDraw8Bit(HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette, int x, int y,
                     UINT w, UINT h);
BOOL StretchDraw8BitRegion(HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette, int x,
                           int y, int srcX, int srcY, UINT srcW, UINT srcH);
