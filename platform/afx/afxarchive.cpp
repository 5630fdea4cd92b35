#include "platform/afx/afxarchive.h"

#include <pthread.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "platform/crt/cp1252.h"

namespace {

constexpr WORD kNullTag = 0x0000;
constexpr WORD kBigObjectTag = 0x7FFF;   // a DWORD follows
constexpr WORD kNewClassTag = 0xFFFF;    // a class record follows
constexpr WORD kClassTag = 0x8000;       // | class number
constexpr DWORD kBigClassTag = 0x80000000;
constexpr WORD kMaxSmallNumber = 0x7FFE;
constexpr WORD kWideMarker = 0xFFFE;
constexpr size_t kMaxClassName = 64;     // a stored name is shorter than this

}  // namespace

// The lowest stack address the archive lets nesting reach on this thread (NULL when unknown). The
// margin above the stack's end leaves room for the deepest Serialize body, for unwinding an exception
// and for a sanitizer's report.
[[gnu::noinline]] static const char* StackLimit() {
    const char* limit = nullptr;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        void* addr = nullptr;
        size_t size = 0;
        if (pthread_attr_getstack(&attr, &addr, &size) == 0 && addr && size) {
            size_t margin = std::max<size_t>(size / 8, 256 * 1024);
            if (margin < size) limit = static_cast<const char*>(addr) + margin;
        }
        pthread_attr_destroy(&attr);
    }
    return limit;
}

// True when the calling thread's stack is down to its margin.
[[gnu::noinline]] static bool StackNearlyExhausted() {
    thread_local const char* s_pLimit = StackLimit();
    const char* sp = static_cast<const char*>(__builtin_frame_address(0));
    return s_pLimit && sp < s_pLimit;
}

// Counts new objects nested in other objects' fields; throws when that passes the archive's limit
// or when the stack runs low, whichever comes first.
class CArchiveDepthGuard {
public:
    CArchiveDepthGuard(UINT& nDepth, UINT nMax, CArchive& ar, int cause) : m_nDepth(nDepth) {
        if (nDepth >= nMax || StackNearlyExhausted()) Fail(ar, cause);
        ++m_nDepth;
    }
    ~CArchiveDepthGuard() { --m_nDepth; }
    [[noreturn, gnu::noinline, gnu::cold]] static void Fail(CArchive& ar, int cause) {
        AfxThrowArchiveException(cause, ar.m_strFileName);
    }
    CArchiveDepthGuard(const CArchiveDepthGuard&) = delete;
    CArchiveDepthGuard& operator=(const CArchiveDepthGuard&) = delete;

private:
    UINT& m_nDepth;
};

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void* lpBuf)
    : m_pFile(pFile),
      m_bLoading((nMode & load) != 0),
      m_bNoFlushOnDelete((nMode & bNoFlushOnDelete) != 0),
      m_buf(static_cast<size_t>(std::max(nBufSize, 128))) {
    (void)lpBuf;
    if (m_pFile) m_strFileName = m_pFile->GetFilePath();
}

CArchive::~CArchive() {
    if (m_pFile && !m_bLoading && !m_bNoFlushOnDelete) {
        try {
            FlushBuffer();
        } catch (...) {
        }
    }
}

void CArchive::Throw(int cause) const { AfxThrowArchiveException(cause, m_strFileName); }

void CArchive::CheckStoring() {
    if (!m_pFile) Throw(CArchiveException::genericException);
    if (m_bLoading) Throw(CArchiveException::readOnly);
}

void CArchive::CheckLoading() {
    if (!m_pFile) Throw(CArchiveException::genericException);
    if (!m_bLoading) Throw(CArchiveException::writeOnly);
}

void CArchive::Flush() {
    if (!m_pFile) return;
    if (m_bLoading) {
        size_t unread = m_nBufEnd - m_nBufPos;
        m_nBufPos = m_nBufEnd = 0;
        if (unread) m_pFile->Seek(-static_cast<LONGLONG>(unread), CFile::current);
    } else {
        FlushBuffer();
    }
}

void CArchive::Close() {
    Flush();
    m_pFile = nullptr;
}

void CArchive::Abort() { m_pFile = nullptr; }

void CArchive::FlushBuffer() {
    if (m_nBufPos) {
        size_t n = m_nBufPos;
        m_nBufPos = 0;
        m_pFile->Write(m_buf.data(), static_cast<UINT>(n));
    }
}

void CArchive::FillBuffer() {
    m_nBufPos = 0;
    m_nBufEnd = m_pFile->Read(m_buf.data(), static_cast<UINT>(m_buf.size()));
}

size_t CArchive::ReadSome(void* p, size_t n) {
    BYTE* out = static_cast<BYTE*>(p);
    size_t done = 0;
    while (done < n) {
        if (m_nBufPos == m_nBufEnd) {
            if (n - done >= m_buf.size()) {
                // Large blocks go straight from the file.
                UINT chunk = static_cast<UINT>(std::min<size_t>(n - done, 0x40000000));
                UINT got = m_pFile->Read(out + done, chunk);
                done += got;
                if (got < chunk) break;
                continue;
            }
            FillBuffer();
            if (m_nBufEnd == 0) break;
        }
        size_t k = std::min(n - done, m_nBufEnd - m_nBufPos);
        std::memcpy(out + done, m_buf.data() + m_nBufPos, k);
        m_nBufPos += k;
        done += k;
    }
    return done;
}

void CArchive::ReadExact(void* p, size_t n) {
    CheckLoading();
    if (n == 0) return;
    if (m_nBufEnd - m_nBufPos >= n) {
        std::memcpy(p, m_buf.data() + m_nBufPos, n);
        m_nBufPos += n;
        return;
    }
    if (ReadSome(p, n) < n) Throw(CArchiveException::endOfFile);
}

UINT CArchive::Read(void* lpBuf, UINT nMax) {
    CheckLoading();
    return static_cast<UINT>(ReadSome(lpBuf, nMax));
}

void CArchive::Write(const void* lpBuf, UINT nMax) {
    CheckStoring();
    if (nMax == 0) return;
    const BYTE* in = static_cast<const BYTE*>(lpBuf);
    if (nMax > m_buf.size() - m_nBufPos) {
        FlushBuffer();
        if (nMax >= m_buf.size()) {
            m_pFile->Write(in, nMax);
            return;
        }
    }
    std::memcpy(m_buf.data() + m_nBufPos, in, nMax);
    m_nBufPos += nMax;
}

ULONGLONG CArchive::GetBytesLeft() {
    CheckLoading();
    ULONGLONG len = m_pFile->GetLength();
    ULONGLONG pos = m_pFile->GetPosition();
    return (m_nBufEnd - m_nBufPos) + (len > pos ? len - pos : 0);
}

void CArchive::RequireBytes(ULONGLONG nBytes) {
    if (GetBytesLeft() < nBytes) Throw(CArchiveException::endOfFile);
}

// ---------------------------------------------------------------------------------------------------
// Scalars (the host is little-endian, as the stored form; afxcoll.h checks).

CArchive& CArchive::operator<<(BYTE v) {
    Write(&v, 1);
    return *this;
}
CArchive& CArchive::operator<<(WORD v) {
    Write(&v, 2);
    return *this;
}
CArchive& CArchive::operator<<(DWORD v) {
    Write(&v, 4);
    return *this;
}
CArchive& CArchive::operator<<(float v) {
    Write(&v, 4);
    return *this;
}
CArchive& CArchive::operator<<(double v) {
    Write(&v, 8);
    return *this;
}
CArchive& CArchive::operator<<(const POINT& v) { return *this << v.x << v.y; }
CArchive& CArchive::operator<<(const SIZE& v) { return *this << v.cx << v.cy; }
CArchive& CArchive::operator<<(const RECT& v) { return *this << v.left << v.top << v.right << v.bottom; }

CArchive& CArchive::operator>>(BYTE& v) {
    ReadExact(&v, 1);
    return *this;
}
CArchive& CArchive::operator>>(char& v) {
    ReadExact(&v, 1);
    return *this;
}
CArchive& CArchive::operator>>(signed char& v) {
    ReadExact(&v, 1);
    return *this;
}
CArchive& CArchive::operator>>(WORD& v) {
    ReadExact(&v, 2);
    return *this;
}
CArchive& CArchive::operator>>(short& v) {
    ReadExact(&v, 2);
    return *this;
}
CArchive& CArchive::operator>>(DWORD& v) {
    ReadExact(&v, 4);
    return *this;
}
CArchive& CArchive::operator>>(LONG& v) {
    ReadExact(&v, 4);
    return *this;
}
CArchive& CArchive::operator>>(bool& v) {
    LONG n;
    *this >> n;
    v = n != 0;
    return *this;
}
CArchive& CArchive::operator>>(float& v) {
    ReadExact(&v, 4);
    return *this;
}
CArchive& CArchive::operator>>(double& v) {
    ReadExact(&v, 8);
    return *this;
}
CArchive& CArchive::operator>>(POINT& v) { return *this >> v.x >> v.y; }
CArchive& CArchive::operator>>(SIZE& v) { return *this >> v.cx >> v.cy; }
CArchive& CArchive::operator>>(RECT& v) { return *this >> v.left >> v.top >> v.right >> v.bottom; }

BYTE CArchive::ReadFlag() {
    LONG n;
    *this >> n;
    return n != 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------------
// Counts and strings.

void CArchive::WriteCount(DWORD_PTR dwCount) {
    if (dwCount < 0xFFFF) {
        *this << static_cast<WORD>(dwCount);
    } else {
        if (dwCount > 0xFFFFFFFFu) Throw(CArchiveException::genericException);
        *this << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(dwCount);
    }
}

DWORD CArchive::ReadCount() {
    WORD w;
    *this >> w;
    if (w < 0xFFFF) return w;
    DWORD n;
    *this >> n;
    return n;
}

CArchive& CArchive::operator<<(const CString& s) {
    CheckStoring();
    size_t len = static_cast<size_t>(s.GetLength());
    if (len < 255) {
        *this << static_cast<BYTE>(len);
    } else if (len < 0xFFFE) {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(len);
    } else {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(len);
    }
    Write(s.GetString(), static_cast<UINT>(len));
    return *this;
}

CArchive& CArchive::operator<<(const char* psz) { return *this << CString(psz); }

CArchive& CArchive::operator>>(CString& s) {
    BYTE b;
    *this >> b;
    ReadStringBody(s, b);
    return *this;
}

void CArchive::ReadStringBody(CString& s, BYTE bFirst) {
    DWORD len = bFirst;
    bool wide = false;
    if (bFirst == 0xFF) {
        WORD w;
        *this >> w;
        if (w == kWideMarker) {
            // The wide form: a second prefix counting 16-bit units.
            wide = true;
            BYTE b2;
            *this >> b2;
            len = b2;
            if (b2 == 0xFF) {
                WORD w2;
                *this >> w2;
                len = w2;
                if (w2 == 0xFFFF) *this >> len;
            }
        } else if (w < 0xFFFF) {
            len = w;
        } else {
            *this >> len;
        }
    }
    if (wide) {
        RequireBytes(static_cast<ULONGLONG>(len) * 2);
        std::u16string units(len, u'\0');
        if (len) ReadExact(units.data(), static_cast<size_t>(len) * 2);
        s = CString(std::string_view(crt::Utf16ToCp1252(units)));
    } else {
        RequireBytes(len);
        std::string bytes(len, '\0');
        if (len) ReadExact(bytes.data(), len);
        s = CString(std::string_view(bytes));
    }
}

// ---------------------------------------------------------------------------------------------------
// Objects.

void CArchive::SetFirstNumberForTesting(DWORD nFirst) {
    if (nFirst < 1) nFirst = 1;
    m_nFirst = m_nNext = nFirst;
}

DWORD CArchive::TakeNumber() {
    if (m_nNext >= kMaxNumber) Throw(CArchiveException::badIndex);
    return m_nNext++;
}

std::vector<CObject*> CArchive::TakeLoadedObjects() {
    std::vector<CObject*> out;
    out.swap(m_loaded);
    return out;
}

// WriteObject and ReadObject recurse through Serialize once per nested object, so they keep their
// own frames small: the tag and class-record work lives in the helpers below, which are not inlined.

// Writes the reference's tag (and a class record when the class is new). True when pOb is a new
// object whose fields must follow.
bool CArchive::WriteReferenceTag(const CObject* pOb) {
    if (!pOb) {
        *this << kNullTag;
        return false;
    }
    auto it = m_storeMap.find(pOb);
    if (it != m_storeMap.end()) {
        DWORD k = it->second;
        if (k <= kMaxSmallNumber)
            *this << static_cast<WORD>(k);
        else
            *this << kBigObjectTag << k;
        return false;
    }
    const CRuntimeClass* pClass = pOb->GetRuntimeClass();
    if (pClass->m_wSchema == 0xFFFF) Throw(CArchiveException::badClass);
    auto ct = m_storeMap.find(pClass);
    if (ct != m_storeMap.end()) {
        DWORD c = ct->second;
        if (c <= kMaxSmallNumber)
            *this << static_cast<WORD>(kClassTag | c);
        else
            *this << kBigObjectTag << static_cast<DWORD>(kBigClassTag | c);
    } else {
        size_t n = std::strlen(pClass->m_lpszClassName);
        if (n >= kMaxClassName) Throw(CArchiveException::badClass);
        *this << kNewClassTag << static_cast<WORD>(pClass->m_wSchema) << static_cast<WORD>(n);
        Write(pClass->m_lpszClassName, static_cast<UINT>(n));
        m_storeMap.emplace(pClass, TakeNumber());
    }
    m_storeMap.emplace(pOb, TakeNumber());
    return true;
}

void CArchive::WriteObject(const CObject* pOb) {
    CheckStoring();
    if (!WriteReferenceTag(pOb)) return;
    CArchiveDepthGuard guard(m_nDepth, m_nMaxDepth, *this, CArchiveException::genericException);
    const_cast<CObject*>(pOb)->Serialize(*this);
}

const CArchive::LoadEntry& CArchive::LookUp(DWORD nNumber) const {
    if (nNumber < m_nFirst || nNumber >= m_nNext) Throw(CArchiveException::badIndex);
    return m_loadMap[nNumber - m_nFirst];
}

const CRuntimeClass* CArchive::ReadClassRecord() {
    WORD wSchema, n;
    *this >> wSchema >> n;
    if (n >= kMaxClassName) Throw(CArchiveException::badClass);
    char name[kMaxClassName];
    if (ReadSome(name, n) < n) Throw(CArchiveException::badClass);
    const CRuntimeClass* pClass = AfxFindClass(name, n);
    if (!pClass || !pClass->m_pfnCreateObject || pClass->m_wSchema == 0xFFFF) Throw(CArchiveException::badClass);
    if (wSchema != pClass->m_wSchema) Throw(CArchiveException::badSchema);
    return pClass;
}

// Reads a reference's tag and, for a new object, its class (record or number). Returns the object a
// back-reference names (NULL for the null reference) with *ppNewClass NULL, or NULL with *ppNewClass
// the class of a new object to create.
CObject* CArchive::ReadReferenceTag(const CRuntimeClass* pClassRefRequested, const CRuntimeClass** ppNewClass) {
    *ppNewClass = nullptr;
    WORD w;
    *this >> w;
    DWORD t;
    if (w == kBigObjectTag)
        *this >> t;
    else
        t = (static_cast<DWORD>(w & 0x8000) << 16) | (w & 0x7FFF);

    if (!(t & kBigClassTag)) {
        if (t == 0) return nullptr;
        const LoadEntry& e = LookUp(t);
        if (e.kind != EntryKind::Object) Throw(CArchiveException::badIndex);
        CObject* pOb = static_cast<CObject*>(const_cast<void*>(e.p));
        if (pClassRefRequested && !pOb->IsKindOf(pClassRefRequested)) Throw(CArchiveException::badClass);
        return pOb;
    }

    const CRuntimeClass* pClass;
    if (w == kNewClassTag) {
        pClass = ReadClassRecord();
        TakeNumber();
        m_loadMap.push_back({EntryKind::Class, pClass});
    } else {
        DWORD c = t & ~kBigClassTag;
        if (c == 0) Throw(CArchiveException::badIndex);
        const LoadEntry& e = LookUp(c);
        if (e.kind != EntryKind::Class) Throw(CArchiveException::badIndex);
        pClass = static_cast<const CRuntimeClass*>(e.p);
    }
    if (pClassRefRequested && !pClass->IsDerivedFrom(pClassRefRequested)) Throw(CArchiveException::badClass);
    *ppNewClass = pClass;
    return nullptr;
}

// Creates and numbers a new object of the class, recording it before its fields are read.
CObject* CArchive::CreateLoadedObject(const CRuntimeClass* pClass) {
    if (m_nNext >= kMaxNumber) Throw(CArchiveException::badIndex);
    // Room first, so that a created object is always recorded (growing geometrically: reserving one
    // more each time would copy both lists at every object).
    if (m_loaded.size() == m_loaded.capacity()) m_loaded.reserve(std::max<size_t>(64, m_loaded.capacity() * 2));
    if (m_loadMap.size() == m_loadMap.capacity()) m_loadMap.reserve(std::max<size_t>(64, m_loadMap.capacity() * 2));
    CObject* pOb = nullptr;
    try {
        pOb = pClass->CreateObject();
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
    if (!pOb) AfxThrowMemoryException();
    m_loaded.push_back(pOb);
    TakeNumber();
    m_loadMap.push_back({EntryKind::Object, pOb});
    return pOb;
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested) {
    CheckLoading();
    const CRuntimeClass* pClass;
    CObject* pOb = ReadReferenceTag(pClassRefRequested, &pClass);
    if (!pClass) return pOb;
    CArchiveDepthGuard guard(m_nDepth, m_nMaxDepth, *this, CArchiveException::badIndex);
    pOb = CreateLoadedObject(pClass);
    pOb->Serialize(*this);
    return pOb;
}
