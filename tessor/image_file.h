// The Data Memory File as the run opens it and empties it.
#pragma once

#include <sys/stat.h>

// Opens `path` for writing into gen_state.image_file, creating it when it is
// missing, and keeps its status. What the file holds stays until pass 1 has
// ended (start_image_file): a voice file that turns out to be the image is
// still whole when pass 1 opens it. Never waits: a FIFO without a reader
// does not open. False when the file does not open.
bool open_image_file(const char* path);

// True when `status`, of a file the run reads, is the image's.
bool is_image_file(const struct stat& status);

// Empties the image once, when pass 1 has ended and before the first byte is
// written to it, whatever pass 1 found; unless a voice file was found to be
// the image, which then keeps its bytes. False when emptying it failed.
bool start_image_file();
