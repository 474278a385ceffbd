// Opening a file that a window names, for reading.
#pragma once

#include <QString>

struct stat;

namespace platform {

// Opens `path` (converted to the 8-bit code page) for reading and returns its
// descriptor, or -1. Only a regular file opens: a folder or a device named
// like a data file is refused, and a pipe can neither block the window on
// open nor be read without end. A name the code page cannot hold would name
// some other file and is refused too. `info`, when given, receives the file's
// status.
int open_regular_file(const QString& path, struct stat* info = nullptr);

} // namespace platform
