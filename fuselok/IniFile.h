// Setup.ini as the window reads it: every entry of an INI file, with section
// and key names matched without regard to case, the first entry of a name
// winning, a value in matching quotes losing them, and nothing else special
// (no comments after a value, no continuation lines). The file is never
// written.
#pragma once

#include <QString>

#include <vector>

class IniFile {
  public:
    // Reads the file at once. A missing or unreadable file, or anything but a
    // regular file, reads as empty.
    explicit IniFile(const QString& path);

    QString ReadString(const QString& section, const QString& key, const QString& fallback) const;

    // A boolean is stored as an integer: nonzero is true; a value that is
    // not an integer reads as the default.
    bool ReadBool(const QString& section, const QString& key, bool fallback) const;

  private:
    struct Item {
        QString section, key, value;
    };
    std::vector<Item> items;

    static int Entry(void* user, const char* section, const char* key, const char* value);
};
