// What the WAV browser reads of a folder. Names come and go as the file system
// holds them (platform::from_file_name), so a name the code page cannot decode
// is still listed, and a folder of such a name can be opened.
#pragma once

#include <QString>
#include <QStringList>

// True when `folder` is a folder whose entries can be listed.
bool CanListFolder(const QString& folder);

struct FolderContent {
    QStringList Folders; // folders and links to them
    QStringList Files;   // regular files and links to them
};

// The entries of `folder` that the browser shows, each list in name order
// without regard to case. Hidden entries (a leading dot) and everything that
// is neither a folder nor a regular file (devices, pipes, broken links) are
// left out. Empty when the folder cannot be read.
FolderContent ReadFolder(const QString& folder);

// `folder` joined with `name` by one slash.
QString JoinPath(const QString& folder, const QString& name);

// The process's current folder; empty when it cannot be told.
QString CurrentFolder();
