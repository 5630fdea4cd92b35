// Reading metafiles: the three kinds of file, the picture's frame and raster, and the play onto a bitmap
// of the reference screen.
#include "pixmill/pxmetafile.h"

#include <unistd.h>

#include "pixmill/pxbitmap.h"
#include "pixmill/pxbytes.h"
#include "pixmill/pxmfrecords.h"

namespace px {

namespace {

constexpr DWORD kEmfSignature = 0x464D4520;  // " EMF"
constexpr size_t kEmfHeaderBytes = 88;
constexpr size_t kWmfHeaderBytes = 18;
// A Windows metafile without a placeable header plays at this size (0.01 mm), as the platform converts it.
constexpr int64_t kWmfExtent = 1000;

// A metafile ready to play: its records, its frame (0.01 mm) and the reference device that converts
// the frame to pixels.
struct Picture {
    bool bEmf = false;
    bool bFromBytes = false;  // a placeable WMF: errors are MetafileConvert
    const BYTE* records = nullptr;
    size_t size = 0;
    uint64_t claimedSize = 0;  // the size the header gives (bytes)
    int64_t frame[4] = {0, 0, 0, 0};
    int64_t devicePixels[2] = {1920, 1440};
    int64_t deviceMillimetres[2] = {508, 381};
    mf::PlaySetup setup;
};

bool IsWmfHeader(const BYTE* p, size_t n) {
    if (n < kWmfHeaderBytes) return false;
    const WORD type = GetLe16(p), words = GetLe16(p + 2), version = GetLe16(p + 4);
    return (type == 1 || type == 2) && words == 9 && (version == 0x0100 || version == 0x0300);
}

ErrorCode LoadPicture(const BYTE* data, size_t n, Picture& pic) {
    if (n >= kEmfHeaderBytes && GetLe32(data) == 1 && GetLe32(data + 40) == kEmfSignature) {
        // An enhanced metafile: its frame and reference device come from its header.
        const DWORD headerBytes = GetLe32(data + 4);
        if (headerBytes < kEmfHeaderBytes || headerBytes > n) return ErrorCode::BadMetafile;
        pic.claimedSize = GetLe32(data + 48);
        pic.bEmf = true;
        for (int i = 0; i < 4; ++i) pic.frame[i] = GetLeLong(data + 24 + 4 * i);
        pic.devicePixels[0] = GetLeLong(data + 72);
        pic.devicePixels[1] = GetLeLong(data + 76);
        pic.deviceMillimetres[0] = GetLeLong(data + 80);
        pic.deviceMillimetres[1] = GetLeLong(data + 84);
        if (pic.devicePixels[0] <= 0 || pic.devicePixels[1] <= 0 || pic.deviceMillimetres[0] <= 0 ||
            pic.deviceMillimetres[1] <= 0)
            return ErrorCode::BadMetafile;
        pic.records = data;
        pic.size = n;
        pic.setup.objectSlots = std::min<size_t>(GetLe16(data + 56), mf::kMaxEmfObjects);
        return ErrorCode::None;
    }
    // A Windows metafile, with its own header or behind a placeable one. Its window (the logical space
    // that covers the frame) starts as the placeable box, or as the frame in 0.01 mm.
    int64_t box[4] = {0, 0, kWmfExtent, kWmfExtent};
    int64_t extent[2] = {kWmfExtent, kWmfExtent};
    size_t at = 0;
    if (!IsWmfHeader(data, n)) {
        // Converted from the bytes: a placeable header with a usable box, and a metafile after it.
        pic.bFromBytes = true;
        if (n < kPlaceableBytes || GetLe32(data) != kPlaceableKey) return ErrorCode::MetafileConvert;
        for (int i = 0; i < 4; ++i) box[i] = static_cast<int16_t>(GetLe16(data + 6 + 2 * i));
        const int64_t unitsPerInch = GetLe16(data + 14);
        if (unitsPerInch == 0 || box[2] <= box[0] || box[3] <= box[1]) return ErrorCode::MetafileConvert;
        extent[0] = (box[2] - box[0]) * 2540 / unitsPerInch;
        extent[1] = (box[3] - box[1]) * 2540 / unitsPerInch;
        at = kPlaceableBytes;
        if (!IsWmfHeader(data + at, n - at)) return ErrorCode::MetafileConvert;
        box[2] -= box[0];
        box[3] -= box[1];
    }
    pic.claimedSize = uint64_t{GetLe32(data + at + 6)} * 2;
    pic.records = data + at;
    pic.size = n - at;
    pic.frame[2] = extent[0];
    pic.frame[3] = extent[1];
    pic.setup.objectSlots = GetLe16(pic.records + 10);
    pic.setup.mapMode = mf::kMmAnisotropic;
    pic.setup.windowOrgX = static_cast<double>(box[0]);
    pic.setup.windowOrgY = static_cast<double>(box[1]);
    pic.setup.windowExtX = static_cast<double>(box[2]);
    pic.setup.windowExtY = static_cast<double>(box[3]);
    return ErrorCode::None;
}

// The frame's edge in reference pixels: edge x pixels / (millimetres x 100), truncated.
int64_t EdgePixels(int64_t edge, int64_t pixels, int64_t millimetres) { return edge * pixels / (millimetres * 100); }
double EdgePixelsExact(int64_t edge, int64_t pixels, int64_t millimetres) {
    return static_cast<double>(edge) * static_cast<double>(pixels) / (static_cast<double>(millimetres) * 100);
}

// Steps 3 to 7 of a read: the picture's raster, the bitmap filled with the background, the play, and the
// bitmap's pixels.
BYTE* Render(ErrorCode& err, const BYTE* data, size_t size, UINT* width, UINT* height, COLORREF background) {
    Picture pic;
    err = LoadPicture(data, size, pic);
    if (err != ErrorCode::None) return nullptr;
    const ErrorCode badFile = pic.bFromBytes ? ErrorCode::MetafileConvert : ErrorCode::BadMetafile;

    // The raster: each edge of the frame in reference pixels, truncated.
    const int64_t* px = pic.devicePixels;
    const int64_t* mm = pic.deviceMillimetres;
    const int64_t left = EdgePixels(pic.frame[0], px[0], mm[0]), top = EdgePixels(pic.frame[1], px[1], mm[1]);
    const int64_t right = EdgePixels(pic.frame[2], px[0], mm[0]), bottom = EdgePixels(pic.frame[3], px[1], mm[1]);
    const int64_t w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0) {
        err = badFile;
        return nullptr;
    }
    if (SizeMul(static_cast<uint64_t>(w), static_cast<uint64_t>(h), 4) >= AllocationLimit()) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    mf::PlaySetup& setup = pic.setup;
    setup.reference = {double(px[0]), double(px[1]), double(mm[0]), double(mm[1])};
    setup.frameLeft = EdgePixelsExact(pic.frame[0], px[0], mm[0]);
    setup.frameTop = EdgePixelsExact(pic.frame[1], px[1], mm[1]);
    setup.frameRight = EdgePixelsExact(pic.frame[2], px[0], mm[0]);
    setup.frameBottom = EdgePixelsExact(pic.frame[3], px[1], mm[1]);
    if (!pic.bEmf) {
        // A Windows metafile's window covers the frame.
        setup.viewportExtX = setup.frameRight - setup.frameLeft;
        setup.viewportExtY = setup.frameBottom - setup.frameTop;
    }

    ScreenIfNull screen(nullptr);
    if (!screen.Get()) {
        err = ErrorCode::DeviceContext;
        return nullptr;
    }
    if (ProgressStops(1, 4, AbortRule::OnFalse)) {
        err = ErrorCode::Aborted;
        return nullptr;
    }
    MemoryDc mem(screen.Get());
    HBITMAP bitmap = SelectWorkBitmap(err, mem, screen.Get(), static_cast<int>(w), static_cast<int>(h));
    if (!bitmap) return nullptr;
    OwnedObject<HBRUSH> brush(CreateSolidBrush(background));
    if (!brush.Get()) {
        err = ErrorCode::DeviceContext;
        return nullptr;
    }
    const RECT all{0, 0, static_cast<LONG>(w), static_cast<LONG>(h)};
    FillRect(mem.Get(), &all, brush.Get());
    if (ProgressStops(2, 4, AbortRule::OnFalse)) {
        err = ErrorCode::Aborted;
        return nullptr;
    }
    {
        mf::Player player(*mem.Get(), static_cast<int>(w), static_cast<int>(h), setup);
        bool bEof = false;
        err = pic.bEmf ? mf::PlayEmfRecords(player, pic.records, pic.size, &bEof)
                       : mf::PlayWmfRecords(player, pic.records, pic.size, &bEof);
        // Data that ends before the end-of-file record, short of the size its header gives, was cut
        // short. (Some writers count more bytes than they write, and end with the record all the same.)
        if (err == ErrorCode::None && !bEof && pic.claimedSize > pic.size) err = badFile;
    }
    if (err != ErrorCode::None) return nullptr;
    if (ProgressStops(3, 4, AbortRule::OnFalse)) {
        err = ErrorCode::Aborted;
        return nullptr;
    }
    mem.Deselect();
    return DdbToRgb(err, bitmap, width, height, screen.Get(), nullptr);
}

// Step 1 of a read: the arguments and the first progress report.
bool Begin(ErrorCode& err, const void* source, UINT* width, UINT* height) {
    if (width) *width = 0;
    if (height) *height = 0;
    if (!RequireNonNull(err, source, width, height)) return false;
    if (ProgressStops(0, 4, AbortRule::OnFalse)) {
        err = ErrorCode::Aborted;
        return false;
    }
    return true;
}

}  // namespace

BYTE* ReadMetafileFromMemory(ErrorCode& err, const BYTE* data, size_t size, UINT* width, UINT* height,
                             UINT /*defaultExtentX*/, UINT /*defaultExtentY*/, COLORREF background) {
    DepthGuard depth;
    if (!Begin(err, data, width, height)) return nullptr;
    return Render(err, data, size, width, height, background);
}

BYTE* ReadMetafileFile(ErrorCode& err, const char* path, UINT* width, UINT* height, COLORREF background) {
    DepthGuard depth;
    if (!Begin(err, path, width, height)) return nullptr;
    if (access(path, F_OK) != 0) {
        err = ErrorCode::FileOpen;
        return nullptr;
    }
    // The whole file, then its bytes as one of the three kinds.
    Stream file;
    if (!file.OpenFile(path, FALSE)) {
        err = ErrorCode::FileOpen;
        return nullptr;
    }
    const UINT size = file.Size();
    if (size == 0) {
        err = ErrorCode::BadMetafile;
        return nullptr;
    }
    GlobalBuffer bytes(size);
    if (!bytes) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    if (!file.ReadExact(bytes.Get(), size)) {
        err = ErrorCode::FileRead;
        return nullptr;
    }
    return Render(err, bytes.Get(), size, width, height, background);
}

}  // namespace px

BYTE* ReadMetafileToRgb(const char* path, UINT* width, UINT* height, UINT /*defaultExtentX*/,
                        UINT /*defaultExtentY*/, COLORREF background) {
    return px::RunWorker([&](ErrorCode& err) { return px::ReadMetafileFile(err, path, width, height, background); });
}
