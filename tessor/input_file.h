// Opening the files the compile reads: the script and the WAV voice files.
#pragma once

#include <cstdio>
#include <sys/stat.h>

// Opens `path` for reading as a stream, or returns null. Only a regular file
// opens: the script is read twice and each voice file once per pass, which a
// pipe cannot give; a FIFO without a writer would block the open and one
// without end the reads; a folder or a device holds no script or samples.
// `status` receives the status of what the path opened (its st_mode 0 when
// nothing opened), so that a caller can tell a path that is no regular file
// from one that does not open, and knows the file's identity and size without
// asking again.
FILE* open_input_file(const char* path, struct stat& status);

// True when both name one file: the same device and inode.
inline bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
