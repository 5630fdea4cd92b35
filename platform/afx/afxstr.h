// CString: the class library's 8-bit string (Windows-1252 bytes; any byte value, embedded zeros
// included, may be held). Indices and lengths are int, as in the class library.
//
// Character classes (MakeUpper, MakeLower, the Trim family, CompareNoCase) are the ASCII ones of the
// C locale: bytes from 128 up are never changed or trimmed.
//
// Passing a CString through "..." (Format, printf) does not compile here: pass s.GetString() or
// (const char*)s for a %s.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "platform/crt/wintypes.h"

class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(const char* psz);                 // NULL gives the empty string
    CString(const char* pch, int nLength);    // exactly nLength bytes (zeros included)
    explicit CString(char ch, int nRepeat = 1);
    explicit CString(std::string_view sv) : m_s(sv) {}
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* psz);
    CString& operator=(char ch);

    // Size and access.
    int GetLength() const { return static_cast<int>(m_s.size()); }
    BOOL IsEmpty() const { return m_s.empty() ? TRUE : FALSE; }
    void Empty() { m_s.clear(); }
    // Index must be in [0, GetLength()); a bad index is a fatal error (never an out-of-bounds read).
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch);
    operator const char*() const { return m_s.c_str(); }
    const char* GetString() const { return m_s.c_str(); }
    // The bytes as a standard string (for code at the edge: fonts, files, the windowing toolkit).
    const std::string& str() const { return m_s; }

    // Concatenation.
    CString& operator+=(const CString& s);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, char b);
    friend CString operator+(char a, const CString& b);

    // Comparison: byte-wise as unsigned char (strcmp order); <0, 0, >0.
    int Compare(const char* psz) const;
    int Compare(const CString& s) const;
    int CompareNoCase(const char* psz) const;  // ASCII case folding
    friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
    friend bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator!=(const char* a, const CString& b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
    friend bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
    friend bool operator<(const char* a, const CString& b) { return b.Compare(a) > 0; }
    friend bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
    friend bool operator>(const CString& a, const char* b) { return a.Compare(b) > 0; }
    friend bool operator>(const char* a, const CString& b) { return b.Compare(a) < 0; }
    friend bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
    friend bool operator<=(const CString& a, const char* b) { return a.Compare(b) <= 0; }
    friend bool operator<=(const char* a, const CString& b) { return b.Compare(a) >= 0; }
    friend bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
    friend bool operator>=(const CString& a, const char* b) { return a.Compare(b) >= 0; }
    friend bool operator>=(const char* a, const CString& b) { return b.Compare(a) <= 0; }

    // Extraction. Arguments out of range are clamped as the class library does: a negative start
    // counts as 0, a count beyond the end stops at the end, a negative count gives the empty string.
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(const char* pszCharSet) const;  // leading run of bytes in the set
    CString SpanExcluding(const char* pszCharSet) const;  // leading run of bytes not in the set

    // Searching: the index of the first match, or -1. nStart is the index to start at.
    int Find(char ch) const;
    int Find(char ch, int nStart) const;
    int Find(const char* pszSub) const;
    int Find(const char* pszSub, int nStart) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* pszCharSet) const;

    // Changing in place.
    void MakeUpper();
    void MakeLower();
    void MakeReverse();
    void TrimLeft();   // ASCII white space: space, \t, \n, \v, \f, \r
    void TrimRight();
    void Trim();
    void TrimLeft(char ch);
    void TrimRight(char ch);
    void TrimLeft(const char* pszTargets);
    void TrimRight(const char* pszTargets);
    int Replace(char chOld, char chNew);                    // number replaced
    int Replace(const char* pszOld, const char* pszNew);    // number replaced; an empty pszOld does nothing
    int Remove(char ch);                                     // number removed
    int Insert(int nIndex, char ch);                         // new length; index clamped to [0, len]
    int Insert(int nIndex, const char* psz);
    int Delete(int nIndex, int nCount = 1);                  // new length

    // printf-style formatting in the C locale's rules for %d, %s, %f ... (replaces the contents).
    void Format(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* pszFormat, va_list args);
    void AppendFormat(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));

    // Direct buffer access. GetBuffer(n) returns a writable buffer of at least n bytes plus a
    // terminator holding the current contents; ReleaseBuffer(-1) then takes the length up to the first
    // zero byte, ReleaseBuffer(n) takes exactly n bytes (n is clamped to the buffer). Between the two
    // calls no other member may be used.
    char* GetBuffer(int nMinBufLength = 0);
    char* GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    std::string m_s;
};
