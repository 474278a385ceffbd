// The file Read As File fills with the chip. The chip goes into a new file
// beside the chosen one, which takes the chosen name in one rename only once
// all of it is in and stored: a read-back that does not finish, however it
// ends, removes only the new file and leaves the chosen name, and every other
// name of the file it names, as it was. A chosen name that is a symbolic link
// stays one; the file it points to is the one replaced, as the sound editor's
// Save replaces it.
#pragma once

#include <QSaveFile>
#include <QString>

#include <cstdint>
#include <span>

class ReadBackFile {
  public:
    // Starts the new file for `path`; false when it cannot be made. Only a
    // regular file is replaced: a pipe, a device or a folder of that name is
    // refused, and so is a name the 8-bit code page cannot hold, which would
    // name some other file.
    bool Create(const QString& path);

    // Appends `bytes`; false when they could not all be stored.
    bool Write(std::span<const std::uint8_t> bytes);

    // Flushes and closes the new file and puts it in place of the chosen
    // name; false, and nothing kept, when any of that failed.
    bool Keep();

    // A new file that was not kept is removed when this object goes.

  private:
    QSaveFile file;
};
