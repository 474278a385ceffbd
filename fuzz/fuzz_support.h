// Helpers shared by the fuzz harnesses.
#pragma once

namespace fuzzsupport {

// Creates a fresh folder (in /dev/shm when there is one, else the temporary
// folder), removed when the process exits.
void make_private_folder(const char* prefix);

// Makes the private folder the current one for its lifetime, so that the
// relative names of a run resolve there while libFuzzer's own paths (corpus,
// artifacts) keep resolving against the folder it was started in.
class InPrivateFolder {
  public:
    InPrivateFolder();
    ~InPrivateFolder();
    InPrivateFolder(const InPrivateFolder&) = delete;
    InPrivateFolder& operator=(const InPrivateFolder&) = delete;

  private:
    int home_;
};

// Sends standard output to /dev/null and reads standard input from it, so
// that the compile's console lines cost nothing and nothing can wait on input.
void silence_console();

// Sends standard output to `path` (replacing the file), or back to /dev/null
// when `path` is null.
void redirect_stdout(const char* path);

// A digest of a file that may be sparse (an image whose voices lie far
// behind its header): its size and a hash of its data regions with their
// offsets; holes are skipped rather than read. Zero for a missing file.
struct FileDigest {
    long long size = 0;
    unsigned long long hash = 0;
    bool operator==(const FileDigest&) const = default;
};
FileDigest digest_file(const char* path);

// The number of open file descriptors of this process.
int open_descriptor_count();

} // namespace fuzzsupport
