#include "quillstorm/dialogfilename.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <dirent.h>

#include <vector>

#include "quillstorm/shellintegration.h"

namespace {

std::string Bytes(const QByteArray& b) { return std::string(b.constData(), static_cast<size_t>(b.size())); }

// What the toolkit shows for a name's bytes.
QString Shown(const std::string& bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// The text stands for its own bytes: nothing in it replaced a byte, and it survives the conversion
// to bytes and back.
bool IsExactText(const QString& s) {
    return !s.contains(QChar::ReplacementCharacter) && QFile::decodeName(QFile::encodeName(s)) == s;
}

// The names in strFolder that the toolkit shows as strShown.
std::vector<std::string> NamesShownAs(const std::string& strFolder, const QString& strShown) {
    std::vector<std::string> out;
    DIR* pDir = ::opendir(strFolder.c_str());
    if (!pDir) return out;
    while (const dirent* e = ::readdir(pDir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (Shown(name) == strShown) out.push_back(name);
    }
    ::closedir(pDir);
    return out;
}

}  // namespace

CDialogFileName ResolveDialogFileName(const QString& strChosen, const std::string& strProposed) {
    if (IsExactText(strChosen)) return {DialogFileNameStatus::exact, Bytes(QFile::encodeName(strChosen))};

    // The name the dialog was filled with, handed back as it was shown (the file may be gone since).
    if (!strProposed.empty()) {
        const std::string proposed = ShellAbsolutePath(strProposed);
        if (Shown(proposed) == strChosen) return {DialogFileNameStatus::matched, proposed};
    }

    // Folder by folder: a component with a replaced byte stands for the one entry shown as it.
    std::string path = strChosen.startsWith('/') ? "/" : "";
    for (const QString& part : strChosen.split('/', Qt::SkipEmptyParts)) {
        std::string name;
        if (IsExactText(part)) {
            name = Bytes(QFile::encodeName(part));
        } else {
            const std::vector<std::string> names = NamesShownAs(path.empty() ? "." : path, part);
            if (names.empty()) return {DialogFileNameStatus::unknown, {}};
            if (names.size() > 1) return {DialogFileNameStatus::ambiguous, {}};
            name = names.front();
        }
        if (!path.empty() && path.back() != '/') path += '/';
        path += name;
    }
    return {DialogFileNameStatus::matched, path};
}
