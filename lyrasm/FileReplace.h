// Writing a file that the user names, over the file that may be there.
#pragma once

#include <QByteArray>
#include <QString>

enum class ReplaceResult {
    Written,    // the file at the path holds the content
    NotCreated, // no file could be opened for writing; nothing changed
    NotWritten, // the content did not all reach the file
};

// Writes `content` as the file at `path`. Wherever a new file can be made
// beside the earlier one, the earlier file stays whole until the new one is
// complete, and a failure leaves it as it was. A read-only earlier file in a
// folder that takes new files is replaced by a new file, as deleting it and
// creating another would. In a folder that takes no new file, a writable
// earlier file is written over where it is.
ReplaceResult ReplaceFile(const QString& path, const QByteArray& content);
