// CArchive: the class library's stored form, byte for byte (little-endian, no header, no padding).
//
// Scalars:  BYTE, char, signed char 1 byte; WORD, short 2; int, UINT, LONG, DWORD, COLORREF 4;
//           float 4 (IEEE single); double 8; POINT/CPoint 8 (x, y); SIZE/CSize 8 (cx, cy);
//           RECT/CRect 16 (left, top, right, bottom).
//           bool is stored as a 4-byte int 0 or 1 and read back as (int != 0). For a BYTE flag stored
//           as an int use WriteFlag / ReadFlag. `long`, `size_t` and pointers to non-objects do not
//           compile: say the width.
// Count:    n < 0xFFFF: WORD n; otherwise WORD 0xFFFF, DWORD n.
// CString:  length L < 255: BYTE L; L < 0xFFFE: BYTE 0xFF, WORD L; else BYTE 0xFF, WORD 0xFFFF,
//           DWORD L; then the L bytes. Read also accepts the wide form (BYTE 0xFF, WORD 0xFFFE, a second
//           prefix counting UTF-16 units, 2 bytes each), converted to Windows-1252 with '?' for every
//           character the code page lacks.
// Objects:  one numbering for classes and objects (0 = NULL, then 1, 2, ... in order of first
//           appearance; an object is numbered right after its class, before its fields, so its fields
//           may refer back to it). Tags: 0x0000 NULL; 0x0001-0x7FFE a numbered object; 0x7FFF then a
//           DWORD (a number, or 0x80000000 | class number for a new object of that class);
//           0x8000 | c a new object of class number c; 0xFFFF, WORD schema, WORD name length, the name,
//           then a new object of that new class.
//
// Writing a reference: ar << pObj (any CObject-derived pointer; NULL allowed) or WriteObject.
// Reading a reference: ar >> pObj where pObj is a C* reads an object that must be a C or derived
// from it (else CArchiveException::badClass), or ReadObject(RUNTIME_CLASS(C)) for a wider or narrower
// class, ReadObject(nullptr) for any class.
//
// Errors while loading throw CArchiveException (causes in afxexcept.h); the underlying file's errors
// throw CFileException; a failed object creation throws CMemoryException. Every length and count
// read from the stream is checked against the bytes left before anything is allocated for it.
//
// FREEING A FAILED LOAD. Every object this archive creates while loading is recorded, in creation order,
// from the moment it is created (before its Serialize runs). When a load throws, GetLoadedObjects()
// (or TakeLoadedObjects()) lists exactly the objects the failed load built, each once. The archive never
// deletes them. A half-read object's fields hold what its constructor set plus what was read so far, so
// its pointers lead only to NULL or to other objects of the same list (or to what its constructor
// built); the caller frees the graph by first making every listed object forget its links to other
// listed objects (without following them), then deleting each listed object once. The same list is
// there after a successful load (the objects then belong to the graph that was read).
#pragma once

#include <concepts>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/afx/afxexcept.h"
#include "platform/afx/afxfile.h"
#include "platform/afx/afxgeom.h"
#include "platform/afx/afxobj.h"
#include "platform/afx/afxstr.h"

class CArchive {
public:
    enum Mode : UINT { store = 0, load = 1, bNoFlushOnDelete = 2 };

    // The archive works on pFile from its current position. nBufSize is the size of the read-ahead
    // or write-behind buffer; lpBuf is accepted and ignored (the archive owns its buffer).
    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = nullptr);
    // A storing archive not closed yet is flushed (errors ignored) unless bNoFlushOnDelete was given.
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return m_bLoading ? TRUE : FALSE; }
    BOOL IsStoring() const { return m_bLoading ? FALSE : TRUE; }
    CFile* GetFile() const { return m_pFile; }
    // Storing: writes the buffer to the file. Loading: gives the read-ahead back to the file, so that
    // the file's position is the archive's.
    void Flush();
    // Flush, then detach from the file (which stays open). Using the archive afterwards throws generic.
    void Close();
    // Detach without flushing.
    void Abort();

    // Raw bytes. Read returns how many bytes it got (fewer at the end of the stream, no error).
    UINT Read(void* lpBuf, UINT nMax);
    void Write(const void* lpBuf, UINT nMax);
    // Loading: the bytes left in the stream (buffer and file).
    ULONGLONG GetBytesLeft();
    // Loading: throws endOfFile unless at least nBytes are left. For readers that allocate by a count.
    void RequireBytes(ULONGLONG nBytes);

    // Scalars.
    CArchive& operator<<(BYTE v);
    CArchive& operator<<(char v) { return *this << static_cast<BYTE>(v); }
    CArchive& operator<<(signed char v) { return *this << static_cast<BYTE>(v); }
    CArchive& operator<<(WORD v);
    CArchive& operator<<(short v) { return *this << static_cast<WORD>(v); }
    CArchive& operator<<(DWORD v);  // also UINT, COLORREF
    CArchive& operator<<(LONG v) { return *this << static_cast<DWORD>(v); }  // also int
    CArchive& operator<<(bool v) { return *this << static_cast<LONG>(v ? 1 : 0); }
    CArchive& operator<<(float v);
    CArchive& operator<<(double v);
    CArchive& operator<<(const POINT& v);
    CArchive& operator<<(const SIZE& v);
    CArchive& operator<<(const RECT& v);
    CArchive& operator<<(const CString& s);
    CArchive& operator<<(const char* psz);  // a string (NULL writes the empty string)
    CArchive& operator<<(char* psz) { return *this << static_cast<const char*>(psz); }

    CArchive& operator>>(BYTE& v);
    CArchive& operator>>(char& v);
    CArchive& operator>>(signed char& v);
    CArchive& operator>>(WORD& v);
    CArchive& operator>>(short& v);
    CArchive& operator>>(DWORD& v);
    CArchive& operator>>(LONG& v);
    CArchive& operator>>(bool& v);
    CArchive& operator>>(float& v);
    CArchive& operator>>(double& v);
    CArchive& operator>>(POINT& v);
    CArchive& operator>>(SIZE& v);
    CArchive& operator>>(RECT& v);
    CArchive& operator>>(CString& s);

    // A BYTE flag stored as a 4-byte int: writes 1 when b > 0, else 0; reads 1 when the int is not 0.
    void WriteFlag(BYTE b) { *this << static_cast<LONG>(b > 0 ? 1 : 0); }
    BYTE ReadFlag();

    // Object references.
    template <class T>
        requires std::derived_from<std::remove_cv_t<T>, CObject>
    CArchive& operator<<(T* pOb) {
        WriteObject(pOb);
        return *this;
    }
    template <class T>
        requires(!std::derived_from<std::remove_cv_t<T>, CObject> && !std::is_same_v<std::remove_cv_t<T>, char>)
    CArchive& operator<<(T* p) = delete;  // only objects are stored by reference
    template <class T>
        requires std::derived_from<std::remove_cv_t<T>, CObject>
    CArchive& operator>>(T*& pOb) {
        pOb = static_cast<T*>(ReadObject(RUNTIME_CLASS(std::remove_cv_t<T>)));
        return *this;
    }

    void WriteObject(const CObject* pOb);
    // pClassRefRequested NULL: any class.
    CObject* ReadObject(const CRuntimeClass* pClassRefRequested);

    void WriteCount(DWORD_PTR dwCount);  // above 0xFFFFFFFF throws generic
    DWORD ReadCount();

    // The objects created by this loading archive, in creation (number) order. See the top of this
    // file for freeing a failed load's objects.
    const std::vector<CObject*>& GetLoadedObjects() const { return m_loaded; }
    std::vector<CObject*> TakeLoadedObjects();

    // Nesting limit: how many new objects may be read or written each inside the fields of the one
    // before (a chain of sibling links stored one inside the other). Deeper graphs throw badIndex when
    // loading and genericException when storing instead of exhausting the stack; the same errors come
    // earlier if the thread's stack runs low first (large Serialize frames, sanitizer builds).
    static constexpr UINT kDefaultMaxDepth = 4096;
    void SetMaxDepth(UINT nDepth) { m_nMaxDepth = nDepth; }
    UINT GetMaxDepth() const { return m_nMaxDepth; }

    // For tests: the numbering starts at nFirst instead of 1. Numbers 1 .. nFirst - 1 count as given
    // but name nothing (a reference to one is a bad index). Call before the first reference.
    void SetFirstNumberForTesting(DWORD nFirst);
    // The number the next class or object will take.
    DWORD GetNextNumber() const { return m_nNext; }

    // The largest number the numbering may give is kMaxNumber - 1.
    static constexpr DWORD kMaxNumber = 0x3FFFFFFE;

    CString m_strFileName;  // the file's path, named in exceptions

private:
    enum class EntryKind : BYTE { Class, Object };
    struct LoadEntry {
        EntryKind kind;
        const void* p;
    };

    [[noreturn]] void Throw(int cause) const;
    void CheckStoring();
    void CheckLoading();
    void ReadExact(void* p, size_t n);  // endOfFile when the stream is shorter
    size_t ReadSome(void* p, size_t n);
    void FillBuffer();
    void FlushBuffer();
    DWORD TakeNumber();
    [[gnu::noinline]] bool WriteReferenceTag(const CObject* pOb);
    [[gnu::noinline]] const CRuntimeClass* ReadClassRecord();
    [[gnu::noinline]] CObject* ReadReferenceTag(const CRuntimeClass* pClassRefRequested,
                                                const CRuntimeClass** ppNewClass);
    [[gnu::noinline]] CObject* CreateLoadedObject(const CRuntimeClass* pClass);
    const LoadEntry& LookUp(DWORD nNumber) const;  // badIndex when out of range
    void ReadStringBody(CString& s, BYTE bFirst);

    CFile* m_pFile;
    bool m_bLoading;
    bool m_bNoFlushOnDelete;
    std::vector<BYTE> m_buf;
    size_t m_nBufPos = 0;  // loading: next byte; storing: bytes used
    size_t m_nBufEnd = 0;  // loading: end of valid bytes
    DWORD m_nNext = 1;
    DWORD m_nFirst = 1;
    UINT m_nDepth = 0;
    UINT m_nMaxDepth = kDefaultMaxDepth;
    std::unordered_map<const void*, DWORD> m_storeMap;  // classes and objects written
    std::vector<LoadEntry> m_loadMap;                   // index = number - m_nFirst
    std::vector<CObject*> m_loaded;
};
