// The single-instance rule of a program, per user: the user's first process
// to take the lock named after the program runs; the user's second one finds
// it taken and steps back. The lock is an exclusive flock(2) on a lock file
// in the user's runtime folder, named after the program and the user id, so
// it goes away with the process that holds it, however it ends, and what
// other users' processes hold or left behind does not count.
#pragma once

#include <QString>

namespace platform {

// The user's runtime folder ($XDG_RUNTIME_DIR); the system's temporary folder
// where that is not set. Never ends in '/'.
QString runtime_folder();

class SingleInstance {
  public:
    // Tries to take the user's lock `name` in `folder`: the file
    // "<name>-<user id>.lock".
    explicit SingleInstance(const QString& name, const QString& folder = runtime_folder());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when another holder has the lock. Only that counts: when the lock
    // file cannot be made or locked at all, the program runs as if alone.
    bool AlreadyExists() const { return already_exists_; }
    // True while this object holds the lock.
    bool Owned() const { return fd_ >= 0; }
    // The lock file's path.
    const QString& LockPath() const { return path_; }

    // Gives the lock up before the object ends.
    void Release();

  private:
    QString path_;
    int fd_ = -1;
    bool already_exists_ = false;
};

} // namespace platform
