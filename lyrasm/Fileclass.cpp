#include "Fileclass.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

int32_t FileList::Add(const QString& path, int32_t rate, int32_t size) {
    int32_t highest = 0;
    for (const FileStruce& entry : Entries) {
        if (entry.Path == path) return 0;
        if (entry.Id >= highest) highest = entry.Id;
    }
    // Only a loaded script could bring the highest id to the top of the
    // range; one more would wrap into the negative ids.
    if (highest == std::numeric_limits<int32_t>::max())
        throw std::out_of_range("no file id left above " + std::to_string(highest));
    Entries.push_back({highest + 1, path, rate, size});
    return highest + 1;
}

void FileList::AddWithId(int32_t id, const QString& path, int32_t rate, int32_t size) {
    Entries.push_back({id, path, rate, size});
}

void FileList::Remove(int32_t id) {
    auto it = std::find_if(Entries.begin(), Entries.end(),
                           [id](const FileStruce& entry) { return entry.Id == id; });
    if (it != Entries.end()) Entries.erase(it);
}

const FileStruce& FileList::Find(int32_t id) const {
    for (const FileStruce& entry : Entries)
        if (entry.Id == id) return entry;
    throw std::out_of_range("file id " + std::to_string(id) + " is not in the file list");
}

QString FileList::NameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

long double FileList::GetPercent(int32_t id, int32_t capacity) const {
    return static_cast<long double>(Find(id).Size) / static_cast<long double>(capacity) * 100.0L;
}
