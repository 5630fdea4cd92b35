#include "platform/afx/afxstr.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/afx/afxobj.h"
#include "platform/crt/crt.h"

namespace {

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

bool InSet(const char* pszSet, char ch) {
    return pszSet && ch != '\0' && std::strchr(pszSet, ch) != nullptr;
}

}  // namespace

CString::CString(const char* psz) : m_s(psz ? psz : "") {}

CString::CString(const char* pch, int nLength) {
    if (pch && nLength > 0) m_s.assign(pch, static_cast<size_t>(nLength));
}

CString::CString(char ch, int nRepeat) {
    if (nRepeat > 0) m_s.assign(static_cast<size_t>(nRepeat), ch);
}

CString& CString::operator=(const char* psz) {
    m_s = psz ? psz : "";
    return *this;
}

CString& CString::operator=(char ch) {
    m_s.assign(1, ch);
    return *this;
}

char CString::GetAt(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetLength()) AfxFatal("CString index out of range", __FILE__, __LINE__);
    return m_s[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch) {
    if (nIndex < 0 || nIndex >= GetLength()) AfxFatal("CString index out of range", __FILE__, __LINE__);
    m_s[static_cast<size_t>(nIndex)] = ch;
}

CString& CString::operator+=(const CString& s) {
    m_s += s.m_s;
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz) m_s += psz;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_s += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, const char* b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const char* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, char b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(char a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

int CString::Compare(const char* psz) const { return Sign(m_s.compare(psz ? psz : "")); }

int CString::Compare(const CString& s) const { return Sign(m_s.compare(s.m_s)); }

int CString::CompareNoCase(const char* psz) const {
    if (!psz) psz = "";
    size_t n = std::strlen(psz);
    size_t m = std::min(n, m_s.size());
    for (size_t i = 0; i < m; i++) {
        int a = crt::tolower(static_cast<unsigned char>(m_s[i]));
        int b = crt::tolower(static_cast<unsigned char>(psz[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    return m_s.size() < n ? -1 : (m_s.size() > n ? 1 : 0);
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength() - std::max(nFirst, 0)); }

CString CString::Mid(int nFirst, int nCount) const {
    int len = GetLength();
    if (nFirst < 0) nFirst = 0;
    if (nCount < 0) nCount = 0;
    if (nFirst > len) nFirst = len;
    if (nCount > len - nFirst) nCount = len - nFirst;
    return CString(std::string_view(m_s).substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount)));
}

CString CString::Left(int nCount) const { return Mid(0, nCount); }

CString CString::Right(int nCount) const {
    int len = GetLength();
    nCount = std::clamp(nCount, 0, len);
    return Mid(len - nCount, nCount);
}

CString CString::SpanIncluding(const char* pszCharSet) const {
    size_t i = 0;
    while (i < m_s.size() && InSet(pszCharSet, m_s[i])) i++;
    return CString(std::string_view(m_s).substr(0, i));
}

CString CString::SpanExcluding(const char* pszCharSet) const {
    size_t i = 0;
    while (i < m_s.size() && !InSet(pszCharSet, m_s[i])) i++;
    return CString(std::string_view(m_s).substr(0, i));
}

int CString::Find(char ch) const { return Find(ch, 0); }

int CString::Find(char ch, int nStart) const {
    if (nStart < 0 || nStart >= GetLength()) return -1;
    size_t p = m_s.find(ch, static_cast<size_t>(nStart));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const char* pszSub) const { return Find(pszSub, 0); }

int CString::Find(const char* pszSub, int nStart) const {
    if (!pszSub || nStart < 0 || nStart > GetLength()) return -1;
    size_t p = m_s.find(pszSub, static_cast<size_t>(nStart));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(char ch) const {
    size_t p = m_s.rfind(ch);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(const char* pszCharSet) const {
    for (size_t i = 0; i < m_s.size(); i++)
        if (InSet(pszCharSet, m_s[i])) return static_cast<int>(i);
    return -1;
}

void CString::MakeUpper() {
    for (char& c : m_s) c = static_cast<char>(crt::toupper(static_cast<unsigned char>(c)));
}

void CString::MakeLower() {
    for (char& c : m_s) c = static_cast<char>(crt::tolower(static_cast<unsigned char>(c)));
}

void CString::MakeReverse() { std::reverse(m_s.begin(), m_s.end()); }

void CString::TrimLeft() {
    size_t i = 0;
    while (i < m_s.size() && crt::isspace(static_cast<unsigned char>(m_s[i]))) i++;
    m_s.erase(0, i);
}

void CString::TrimRight() {
    size_t n = m_s.size();
    while (n > 0 && crt::isspace(static_cast<unsigned char>(m_s[n - 1]))) n--;
    m_s.resize(n);
}

void CString::Trim() {
    TrimRight();
    TrimLeft();
}

void CString::TrimLeft(char ch) {
    size_t i = 0;
    while (i < m_s.size() && m_s[i] == ch) i++;
    m_s.erase(0, i);
}

void CString::TrimRight(char ch) {
    size_t n = m_s.size();
    while (n > 0 && m_s[n - 1] == ch) n--;
    m_s.resize(n);
}

void CString::TrimLeft(const char* pszTargets) {
    size_t i = 0;
    while (i < m_s.size() && InSet(pszTargets, m_s[i])) i++;
    m_s.erase(0, i);
}

void CString::TrimRight(const char* pszTargets) {
    size_t n = m_s.size();
    while (n > 0 && InSet(pszTargets, m_s[n - 1])) n--;
    m_s.resize(n);
}

int CString::Replace(char chOld, char chNew) {
    int n = 0;
    for (char& c : m_s)
        if (c == chOld) {
            c = chNew;
            n++;
        }
    return n;
}

int CString::Replace(const char* pszOld, const char* pszNew) {
    if (!pszOld || !*pszOld) return 0;
    std::string_view from(pszOld), to(pszNew ? pszNew : "");
    std::string out;
    int n = 0;
    size_t pos = 0;
    for (;;) {
        size_t hit = m_s.find(from, pos);
        if (hit == std::string::npos) break;
        out.append(m_s, pos, hit - pos);
        out.append(to);
        pos = hit + from.size();
        n++;
    }
    if (n) {
        out.append(m_s, pos, std::string::npos);
        m_s.swap(out);
    }
    return n;
}

int CString::Remove(char ch) {
    size_t before = m_s.size();
    m_s.erase(std::remove(m_s.begin(), m_s.end(), ch), m_s.end());
    return static_cast<int>(before - m_s.size());
}

int CString::Insert(int nIndex, char ch) {
    nIndex = std::clamp(nIndex, 0, GetLength());
    m_s.insert(static_cast<size_t>(nIndex), 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, const char* psz) {
    nIndex = std::clamp(nIndex, 0, GetLength());
    if (psz) m_s.insert(static_cast<size_t>(nIndex), psz);
    return GetLength();
}

int CString::Delete(int nIndex, int nCount) {
    if (nIndex < 0) nIndex = 0;
    if (nCount > 0 && nIndex < GetLength()) {
        int n = std::min(nCount, GetLength() - nIndex);
        m_s.erase(static_cast<size_t>(nIndex), static_cast<size_t>(n));
    }
    return GetLength();
}

void CString::FormatV(const char* pszFormat, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    if (n < 0) {
        m_s.clear();
        return;
    }
    std::string out(static_cast<size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, pszFormat, args);
    m_s.swap(out);
}

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormat(const char* pszFormat, ...) {
    CString tail;
    va_list args;
    va_start(args, pszFormat);
    tail.FormatV(pszFormat, args);
    va_end(args);
    m_s += tail.m_s;
}

char* CString::GetBuffer(int nMinBufLength) {
    if (nMinBufLength > GetLength()) m_s.resize(static_cast<size_t>(nMinBufLength), '\0');
    return m_s.data();
}

char* CString::GetBufferSetLength(int nNewLength) {
    m_s.resize(static_cast<size_t>(std::max(nNewLength, 0)), '\0');
    return m_s.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0)
        m_s.resize(strnlen(m_s.data(), m_s.size()));
    else
        m_s.resize(std::min(static_cast<size_t>(nNewLength), m_s.size()));
}
