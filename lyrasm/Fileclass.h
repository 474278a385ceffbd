// The project's ordered list of WAV files. Each entry has a positive file id
// by which the sections, the list views and the script file refer to it.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

struct FileStruce {
    int32_t Id;
    QString Path; // full path as it was chosen
    int32_t Rate; // sample rate in Hz from the header
    int32_t Size; // data size in bytes from the header
};

class FileList {
  public:
    void Clear() { Entries.clear(); }

    // Appends the file with a new id, one above the highest id present, and
    // returns it; returns 0 and changes nothing when the path is listed.
    int32_t Add(const QString& path, int32_t rate, int32_t size);

    // Appends an entry with the id given, testing nothing (script loading).
    void AddWithId(int32_t id, const QString& path, int32_t rate, int32_t size);

    // Removes the first entry with the id; no such entry changes nothing.
    void Remove(int32_t id);

    // Lookups act on the first entry with the id and throw std::out_of_range
    // when no entry has it.
    QString GetPath(int32_t id) const { return Find(id).Path; }
    int32_t GetRate(int32_t id) const { return Find(id).Rate; }
    int32_t GetSize(int32_t id) const { return Find(id).Size; }
    // The file name with its extension, without the folder.
    QString GetName(int32_t id) const { return NameOf(Find(id).Path); }
    static QString NameOf(const QString& path);
    // Size in percent of `capacity`.
    long double GetPercent(int32_t id, int32_t capacity) const;

    const std::vector<FileStruce>& Items() const { return Entries; }
    int Count() const { return static_cast<int>(Entries.size()); }

  private:
    const FileStruce& Find(int32_t id) const;

    std::vector<FileStruce> Entries;
};
