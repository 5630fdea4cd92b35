// A file dialog's chosen name taken back to the file system's bytes.
//
// The toolkit holds file names as text and reads a name's bytes as UTF-8 whatever the locale: each
// byte that is not part of valid UTF-8 becomes U+FFFD. A name that is not UTF-8 (a Latin-1 "été",
// bytes from another system) is therefore shown in a file dialog, and handed back by it, as a name
// that does not exist; writing that name would make a new file beside the one meant.
//
// ResolveDialogFileName finds the bytes the chosen text stands for:
// - text without U+FFFD that the toolkit converts to bytes and back unchanged: those bytes;
// - otherwise the path the dialog was filled from, when the dialog shows it as the chosen text;
// - otherwise, folder by folder from the root, the one entry of each folder shown as that component
//   (a component without U+FFFD stands for its own bytes, so a new name in such a folder resolves);
// - otherwise nothing: no name in the folder is shown as the text (a name edited around its U+FFFD),
//   or more than one is and the text cannot tell which.
#pragma once

#include <string>

class QString;

enum class DialogFileNameStatus {
    exact,      // the text's own bytes
    matched,    // the bytes of the proposed path or of existing names that the dialog showed as the text
    unknown,    // a component stands for no name in its folder
    ambiguous,  // more than one name in a folder is shown as the component
};

struct CDialogFileName {
    DialogFileNameStatus status = DialogFileNameStatus::unknown;
    std::string strPath;  // the bytes (exact, matched); "" otherwise
};

// strChosen: the dialog's chosen path as the toolkit gives it (absolute; a relative one is taken in
// the current directory). strProposed: the bytes of the path the dialog was filled from ("" none; a
// relative one is taken in the current directory).
CDialogFileName ResolveDialogFileName(const QString& strChosen, const std::string& strProposed);
