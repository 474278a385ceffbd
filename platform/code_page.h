// The system's 8-bit code page: what script files and file-system calls get
// from the windows' UTF-16 strings. Here it is the locale's narrow encoding.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The text in the 8-bit code page; characters it cannot hold are replaced.
QByteArray to_ansi(const QString& text);
QString from_ansi(const QByteArray& bytes);

// Like to_ansi, but false (and `out` untouched) when some character does not
// survive the conversion, so that a file name is never silently turned into
// the name of another file.
bool to_ansi_exact(const QString& text, QByteArray& out);

} // namespace platform
