// The system's 8-bit code page: what script files and file-system calls get
// from the windows' UTF-16 strings. Here it is the locale's narrow encoding,
// which Qt takes as UTF-8 on every Unix system.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The text in the 8-bit code page; characters it cannot hold are replaced.
QByteArray to_ansi(const QString& text);
// The bytes as text. Bytes the code page does not decode (a name copied from
// an old disk, a line written in another code page) each become one of the
// lone surrogates U+DC80 to U+DCFF: the text then shows a replacement
// character there, to_file_name gives back the exact bytes, and
// to_ansi_exact refuses it, so that it never reaches a script file or a
// call that would open some other file.
QString from_ansi(const QByteArray& bytes);

// Like to_ansi, but false (and `out` untouched) when some character does not
// survive the conversion, so that a file name is never silently turned into
// the name of another file.
bool to_ansi_exact(const QString& text, QByteArray& out);
// True when to_ansi_exact would take the text.
bool fits_code_page(const QString& text);

// A name as the file system holds it, for the windows to show and hand back:
// from_ansi's text, which to_file_name turns back into exactly those bytes.
inline QString from_file_name(const QByteArray& name) {
    return from_ansi(name);
}
QByteArray to_file_name(const QString& name);

} // namespace platform
