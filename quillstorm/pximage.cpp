#include "quillstorm/pximage.h"

#include <climits>
#include <cstring>
#include <string>
#include <utility>

#include "platform/afx/afxobj.h"

namespace {

constexpr int kDefaultDpi = 96;
// The largest buffer an image may have: its width x 3 x height must stay a valid block size and its
// rows addressable by int arithmetic in the drawing layer.
constexpr unsigned long long kMaxBufferBytes = 1ull << 31;

// JPEG density units, PNG pHYs units and TIFF ResolutionUnit values.
constexpr UINT kJpegDotsPerInch = 1;
constexpr UINT kJpegDotsPerCm = 2;
constexpr UINT kPngPixelsPerMetre = 1;
constexpr UINT kTiffInch = 2;
constexpr UINT kTiffCentimetre = 3;

// The first marker code of APPn.
[[maybe_unused]] constexpr UINT kApp0 = 0xE0;  // used by the traces only

// Multiplies a resolution by scale and truncates it toward zero; FALSE when it does not fit an int.
BOOL ScaleToInt(double value, double scale, int* pResult) {
    const double v = value * scale;
    if (!(v >= 0.0) || v > static_cast<double>(INT_MAX)) return FALSE;
    *pResult = static_cast<int>(v);
    return TRUE;
}

}  // namespace

const CRgbImage::FileTypeRow CRgbImage::FileTypeTable[12] = {
    {IFT_NONE, static_cast<int>(FileFormat::Unknown), ""},
    {IFT_BMP, static_cast<int>(FileFormat::Bmp), ".BMP"},
    {IFT_JPEG, static_cast<int>(FileFormat::Jpeg), ".JPG"},
    {IFT_JPEG, static_cast<int>(FileFormat::Jpeg), ".JPEG"},
    {IFT_PNG, static_cast<int>(FileFormat::Png), ".PNG"},
    {IFT_PCX, static_cast<int>(FileFormat::Pcx), ".PCX"},
    {IFT_TIFF, static_cast<int>(FileFormat::Tiff), ".TIF"},
    {IFT_TIFF, static_cast<int>(FileFormat::Tiff), ".TIFF"},
    {IFT_WMF, static_cast<int>(FileFormat::Wmf), ".WMF"},
    {IFT_EMF, static_cast<int>(FileFormat::Emf), ".EMF"},
    {IFT_TGA, -1, ".TGA"},
    {IFT_NONE, static_cast<int>(FileFormat::Unknown), nullptr},
};

CRgbImage::CRgbImage() : m_size(0, 0), m_resolution(kDefaultDpi, kDefaultDpi) {}

CRgbImage::~CRgbImage() { Clear(); }

// ---- buffer ------------------------------------------------------------------------------------------

void CRgbImage::Clear() {
    if (m_hBuffer) {
        ASSERT(m_nLock == 0);
        m_nLock = 0;
        GlobalFree(m_hBuffer);
        m_hBuffer = nullptr;
        m_size = CSize(0, 0);
    }
    if (m_palette.IsCreated()) m_palette.DeleteObject();
}

int CRgbImage::Allocate(CSize size) {
    Clear();
    const long long w = size.cx;
    const long long h = size.cy;
    const unsigned long long bytes =
        w < 0 || h < 0 ? ~0ull : static_cast<unsigned long long>(w) * 3ull * static_cast<unsigned long long>(h);
    HGLOBAL hBuffer = bytes <= kMaxBufferBytes ? GlobalAlloc(GPTR, static_cast<SIZE_T>(bytes ? bytes : 1)) : nullptr;
    if (!hBuffer) {
        TRACE("Failed to allocate %u BYTEs\n", static_cast<unsigned>(bytes));
        return PX_OUT_OF_MEMORY;
    }
    m_hBuffer = hBuffer;
    m_size = size;
    return PX_NO_ERROR;
}

BYTE* CRgbImage::Lock() {
    if (!m_hBuffer) return nullptr;
    ++m_nLock;
    return static_cast<BYTE*>(m_hBuffer);
}

void CRgbImage::Unlock() {
    if (m_nLock > 0) --m_nLock;
}

BOOL CRgbImage::Adopt(BYTE* pBuffer, UINT nWidth, UINT nHeight, const RGBQUAD* pPalette) {
    if (!pBuffer) return FALSE;
    Clear();
    // A size beyond int cannot be laid out (the readers' allocation limit never lets one through).
    if (nWidth > static_cast<UINT>(INT_MAX) || nHeight > static_cast<UINT>(INT_MAX)) {
        GlobalFree(pBuffer);
        return FALSE;
    }
    m_hBuffer = pBuffer;
    m_size = CSize(static_cast<int>(nWidth), static_cast<int>(nHeight));
    BuildPalette(pPalette);
    return TRUE;
}

int CRgbImage::TypeOfFormat(int nFormat) {
    for (const FileTypeRow* p = FileTypeTable; p->pszExtension; ++p)
        if (p->nFormat == nFormat) return p->nType;
    return IFT_NONE;
}

int CRgbImage::Result(int nCode) const {
    return nCode == PX_NO_ERROR && !m_hBuffer ? PX_EMPTY_IMAGE : nCode;
}

// ---- the load path ------------------------------------------------------------------------------------

int CRgbImage::Load(LPCTSTR lpszPath) {
    int nType = DetectFormatByFile(lpszPath);
    if (nType == IFT_NONE) nType = FormatFromExtension(lpszPath);
    return Result(LoadFile(lpszPath, nType));
}

int CRgbImage::LoadFromMemory(const void* pData, UINT nSize) {
    Clear();
    SourceHandle source = OpenMemorySource(pData, nSize);
    if (!source) return Result(GetLastErrorCode());
    const int nType = TypeOfFormat(static_cast<int>(DetectFileFormat(source)));
    int nCode = GetLastErrorCode();
    if (nType != IFT_NONE && nType != IFT_WMF && nType != IFT_EMF && SeekStream(source, 0, 0))
        nCode = ReadImage(source, nType);
    CloseSource(source);
    return Result(nCode);
}

int CRgbImage::DetectFormatByFile(LPCTSTR lpszPath) {
    SourceHandle source = OpenFileSource(lpszPath);
    if (!source) return IFT_NONE;
    const int nType = TypeOfFormat(static_cast<int>(DetectFileFormat(source)));
    CloseSource(source);
    return nType;
}

int CRgbImage::FormatFromExtension(LPCTSTR lpszPath) {
    if (!lpszPath) return IFT_NONE;
    // The file name's part from its first dot: a dot in a folder's name does not count.
    const char* pszName = std::strrchr(lpszPath, '/');
    pszName = pszName ? pszName + 1 : lpszPath;
    const char* pszDot = std::strchr(pszName, '.');
    CString strExtension(pszDot ? pszDot : "");
    strExtension.TrimRight();
    for (const FileTypeRow* p = FileTypeTable; p->pszExtension; ++p)
        if (strExtension == p->pszExtension) return p->nType;
    return IFT_NONE;
}

int CRgbImage::LoadFile(LPCTSTR lpszPath, int nType) {
    Clear();
    if (nType == IFT_WMF || nType == IFT_EMF) {
        UINT nWidth = 0, nHeight = 0;
        // Metafiles without a box of their own get 100 x 100 (0.01 mm), over mid-grey.
        BYTE* pBuffer = ReadMetafileToRgb(lpszPath, &nWidth, &nHeight, 100, 100, 0x808080);
        const int nCode = GetLastErrorCode();
        if (nCode != PX_NO_ERROR) TRACE("%s\n", GetErrorText(nCode).GetString());
        Adopt(pBuffer, nWidth, nHeight);
        return nCode;
    }
    if (nType == IFT_NONE) return GetLastErrorCode();
    SourceHandle source = OpenFileSource(lpszPath);
    if (!source) return GetLastErrorCode();
    const int nCode = ReadImage(source, nType);
    CloseSource(source);
    return nCode;
}

int CRgbImage::ReadImage(SourceHandle source, int nType) {
    m_resolution = CSize(kDefaultDpi, kDefaultDpi);
    UINT nWidth = 0, nHeight = 0;
    BYTE* pBuffer = nullptr;
    // A reader that computes the palette as it reads: the palette of the buffer it returned, or all
    // entries black when that failed, as ComputeOptimalPalette leaves them.
    RGBQUAD readPalette[256] = {};
    const RGBQUAD* pReadPalette = nullptr;
    // The resolution, comments and markers are read after the pixels; their calls leave the reader's
    // code as it was.
    switch (nType) {
        case IFT_BMP: pBuffer = ReadBmpToRgb(source, &nWidth, &nHeight); break;
        case IFT_JPEG: {
            // The palette's histogram is counted behind the decoder, on the work pool.
            pBuffer = ReadJpegToRgbWithPalette(source, &nWidth, &nHeight, 256, readPalette);
            pReadPalette = readPalette;
            UINT x = 0, y = 0, nUnit = 0;
            if (GetJpegDensity(&x, &y, &nUnit)) SetResolution(IFT_JPEG, x, y, nUnit);
            for (UINT i = 0, n = GetJpegCommentCount(); i < n; ++i) {
                char* pszComment = GetJpegComment(i);
                if (!pszComment) continue;
                TRACE("Read JPG comment : %s\n", pszComment);
                GlobalFree(pszComment);
            }
            for (UINT i = 0, n = GetJpegMarkerCount(); i < n; ++i) {
                BYTE* pData = nullptr;
                UINT nLength = 0, nCode = 0;
                if (!GetJpegMarker(i, &pData, &nLength, &nCode)) continue;
                TRACE("Read %d bytes in JPEG_APP%d tag : %s\n", static_cast<int>(nLength),
                      static_cast<int>(nCode - kApp0), MarkerDataText(pData, nLength).GetString());
                if (pData) GlobalFree(pData);
            }
            break;
        }
        case IFT_PNG: {
            pBuffer = ReadPngToRgb(source, &nWidth, &nHeight);
            UINT x = 0, y = 0, nUnit = 0;
            if (GetPngResolution(&x, &y, &nUnit)) SetResolution(IFT_PNG, x, y, nUnit);
            for (UINT i = 0, n = GetPngTextCount(); i < n; ++i) {
                char* pszKey = nullptr;
                char* pszText = nullptr;
                DWORD dwCompressed = 0;
                GetPngText(i, &pszKey, &pszText, &dwCompressed);
                if (pszKey) {
                    TRACE("Read PNG comment : [%s]", pszKey);
                    if (pszText) TRACE(" %s %s", pszText, dwCompressed ? "(compressed)" : "");
                    TRACE("\n");
                }
                if (pszKey) GlobalFree(pszKey);
                if (pszText) GlobalFree(pszText);
            }
            break;
        }
        case IFT_PCX: pBuffer = ReadPcxToRgb(source, &nWidth, &nHeight); break;
        case IFT_TGA: pBuffer = ReadTgaToRgb(source, &nWidth, &nHeight); break;
        case IFT_TIFF: {
            pBuffer = ReadTiffToRgb(source, &nWidth, &nHeight);
            UINT x = 0, y = 0, nUnit = 0;
            if (GetTiffResolution(&x, &y, &nUnit)) SetResolution(IFT_TIFF, x, y, nUnit);
            break;
        }
        default: break;
    }
    // The reader's own code: building the palette below must not turn a failed read into a success.
    const int nCode = GetLastErrorCode();
    if (nCode != PX_NO_ERROR) TRACE("** %s\n", GetErrorText(nCode).GetString());
    // A reader may return a partly filled buffer together with its error: it is kept.
    if (!Adopt(pBuffer, nWidth, nHeight, pReadPalette) && pBuffer && nCode == PX_NO_ERROR) return PX_OUT_OF_MEMORY;
    return nCode;
}

void CRgbImage::SetResolution(int nType, UINT x, UINT y, UINT nUnit) {
    // Conversions truncate toward zero.
    double scale = 0.0;
    double dx = x, dy = y;
    if (nType == IFT_JPEG && nUnit == kJpegDotsPerInch) {
        scale = 1.0;
    } else if (nType == IFT_JPEG && nUnit == kJpegDotsPerCm) {
        scale = 2.54;
    } else if (nType == IFT_PNG && nUnit == kPngPixelsPerMetre) {
        dx = x / 100;  // pixels per centimetre, in integers
        dy = y / 100;
        scale = 2.54;
    } else if (nType == IFT_TIFF && nUnit == kTiffInch) {
        scale = 1.0;
    } else if (nType == IFT_TIFF && nUnit == kTiffCentimetre) {
        scale = 2.54;
    }
    int cx = 0, cy = 0;
    if (scale > 0.0 && ScaleToInt(dx, scale, &cx) && ScaleToInt(dy, scale, &cy))
        m_resolution = CSize(cx, cy);
    else
        m_resolution = CSize(kDefaultDpi, kDefaultDpi);
}

void CRgbImage::BuildPalette(const RGBQUAD* pComputed) {
    constexpr int kEntries = 256;
    const size_t bytes = sizeof(LOGPALETTE) + (kEntries - 1) * sizeof(PALETTEENTRY);
    HGLOBAL hLog = GlobalAlloc(GPTR, bytes);
    if (!hLog) return;  // the palette stays as it was
    auto* pLog = static_cast<LOGPALETTE*>(hLog);
    pLog->palVersion = 0x300;
    pLog->palNumEntries = kEntries;
    RGBQUAD quads[kEntries] = {};
    if (pComputed) {
        std::memcpy(quads, pComputed, sizeof(quads));
    } else {
        const BYTE* pBits = Lock();
        if (pBits)
            ComputeOptimalPalette(pBits, static_cast<UINT>(m_size.cx), static_cast<UINT>(m_size.cy), kEntries, quads);
        Unlock();
    }
    for (int i = 0; i < kEntries; ++i) {
        pLog->palPalEntry[i].peRed = quads[i].rgbRed;
        pLog->palPalEntry[i].peGreen = quads[i].rgbGreen;
        pLog->palPalEntry[i].peBlue = quads[i].rgbBlue;
        pLog->palPalEntry[i].peFlags = 0;
    }
    if (m_palette.IsCreated()) m_palette.DeleteObject();
    m_palette.CreatePalette(pLog);
    GlobalFree(hLog);
}

CString CRgbImage::MarkerDataText(const BYTE* pData, UINT nLength) {
    constexpr UINT kShown = 20;
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    const UINT n = pData ? (nLength < kShown ? nLength : kShown) : 0;
    for (UINT i = 0; i < n; ++i) {
        text += kDigits[pData[i] >> 4];
        text += kDigits[pData[i] & 0xF];
    }
    if (nLength > kShown) text += "...";
    return CString(text.c_str());
}

CString CRgbImage::GetErrorText(int nCode) {
    static const struct {
        int nCode;
        const char* pszText;
    } kTexts[] = {
        {0, "no err"},
        {1, "out of memory"},
        {2, "error on file open"},
        {3, "error on file read"},
        {4, "error on file write"},
        {5, "bad user param"},
        {6, "bad BMP file"},
        {7, "some RLE variations are not supported"},
        {9, "bad JPG file"},
        {10, "error with device context"},
        {11, "problem with a GetDIBits call"},
        {13, "resource not found"},
        {14, "callback returned FALSE - operation aborted"},
        {15, "bad PNG file"},
        {16, "internal PNG lib behavior - contact tin lantern s.w."},
        {17, "misc unexpected behavior error - contact tin lantern s.w."},
        {18, "trouble creating a font object"},
        {19, "misc internal TIFF error"},
        {20, "invalid TIFF file"},
        {22, "invalid PCX image"},
        {23, "a call to the fn CreateCompatibleBitmap failed"},
        {24, "end of an image while using single-line de/compression"},
        {25, "error during a call to GetDIBits"},
        {26, "device does not support an operation required by this function"},
        {27, "invalid windows metafile"},
        {28, "the file was not of the requested bit-depth"},
        {29, "a call to BitBlt failed."},
        {30, "output buffer is too small for this operation"},
        {31, "not enough room in the output palette to store the colors from this image"},
        {32, "bad TGA File"},
        {35, "a call to the fn CreateDIBitmap failed"},
    };
    for (const auto& t : kTexts)
        if (t.nCode == nCode) return CString(t.pszText);
    CString s;
    s.Format("Error #%u!", static_cast<unsigned>(nCode));
    return s;
}

// ---- the bitmap -------------------------------------------------------------------------------------

int CRgbImage::CreateBitmap(CBitmap* pBitmap, HPALETTE hPal) {
    const BYTE* pBits = Lock();
    if (!pBits || !pBitmap) {
        if (pBits) Unlock();
        return PX_EMPTY_IMAGE;
    }
    HPALETTE hPalette = hPal ? hPal : static_cast<HPALETTE>(m_palette);
    HDC hScreen = GetDC(nullptr);
    CBitmap* pNew =
        CreateDdbFromRgb(pBits, static_cast<UINT>(m_size.cx), static_cast<UINT>(m_size.cy), hPalette, hScreen);
    const int nCode = GetLastErrorCode();
    ReleaseDC(nullptr, hScreen);
    Unlock();
    if (pNew) {
        // The new bitmap's pixels move into pBitmap, which holds them from now on.
        pBitmap->DeleteObject();
        if (pBitmap->CreateCompatibleBitmap(nullptr, 0, 0)) std::swap(pBitmap->GetSurface(), pNew->GetSurface());
        DeleteObject(pNew);
    }
    return nCode;
}
