#include "document/doctest.h"

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "kinetype/ktglyph.h"

IMPLEMENT_SERIAL(CKTDocProbeBhvr, CKTBehavior, 0)

CKTBook* CKTDocProbeBhvr::s_pReadWith = nullptr;
BYTE CKTDocProbeBhvr::s_bReadLoading = 0;
CKTBook* CKTDocProbeBhvr::s_pDestroyedWith = nullptr;
int CKTDocProbeBhvr::s_nDestroyed = 0;

CKTDocProbeBhvr::~CKTDocProbeBhvr() {
    s_pDestroyedWith = g_pCurrentBook;
    s_nDestroyed++;
}

void CKTDocProbeBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsLoading()) {
        s_pReadWith = g_pCurrentBook;
        s_bReadLoading = g_bLoading;
    }
}

std::string TextOf(CKTBook& book) {
    std::string out;
    for (CKTElement* pPassage = book.GetRoot()->GetFirstChild(); pPassage; pPassage = pPassage->GetNextSibling()) {
        if (!out.empty()) out += '|';
        for (CKTElement* pWord = pPassage->GetFirstChild(); pWord; pWord = pWord->GetNextSibling())
            for (CKTElement* pGlyph = pWord->GetFirstChild(); pGlyph; pGlyph = pGlyph->GetNextSibling())
                out += static_cast<CKTGlyph*>(pGlyph)->GetChar();
    }
    return out;
}

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "qsdocXXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    const char* p = mkdtemp(buf.data());
    m_path = p ? p : tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::vector<std::string> TempDir::Names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(m_path)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

FzdBytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return FzdBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const FzdBytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
