// Opening the files the compile reads: the script and the WAV voice files.
#pragma once

#include <cstdio>

// Opens `path` for reading as a stream, or returns null. Only a regular file
// opens: the script is read twice and each voice file once per pass, which a
// pipe cannot give; a FIFO without a writer would block the open and one
// without end the reads; a folder or a device holds no script or samples.
// `not_regular`, when given, is set when the path opened but named no
// regular file.
FILE* open_input_file(const char* path, bool* not_regular = nullptr);
