// The window's WAV browser: a drive box feeding a folder list feeding a file
// box, with an invisible filter box that sets the file box's mask. Drives are
// the mounted volumes (platform/volumes.h). The browser opens in the
// process's current folder.
#pragma once

#include "volumes.h"

#include <QComboBox>
#include <QHash>
#include <QListWidget>

#include <functional>

class QFileSystemWatcher;
class FolderList;
class WaveFileBox;

namespace platform {
class EventGuard;
}

class DriveBox : public QComboBox {
  public:
    using VolumeSource = std::function<QList<platform::Volume>()>;

    DriveBox(QWidget* parent, platform::EventGuard* guard);

    // Where the volumes come from (the mount table unless a test says so);
    // reads them at once.
    void SetVolumeSource(VolumeSource source);
    // Reads the volumes again, keeping the chosen drive where it still exists.
    void RefreshVolumes();
    const QList<platform::Volume>& Volumes() const { return VolumeList; }

    // The letter of the chosen drive.
    QChar Drive() const;
    // Chooses a drive and opens its volume's last visited folder (its root
    // the first time) in the folder list. A drive whose root cannot be listed
    // raises platform::io_error "I/O error 21"; the box then returns to the
    // former drive once the error has been handled.
    void SetDrive(QChar letter);

    void SetFolderList(FolderList* list) { Folders = list; }
    // Shows the drive of `folder` without moving the folder list (the folder
    // list calls it when it moves).
    void ShowDriveOf(const QString& folder);

  protected:
    void showPopup() override;

  private:
    int IndexOf(QChar letter) const;
    int IndexOfRoot(const QString& root) const;
    // The mount root of entry `index`; empty when there is no such entry.
    QString RootAt(int index) const;
    void OpenVolume(int index);

    VolumeSource Source;
    QList<platform::Volume> VolumeList;
    FolderList* Folders = nullptr;
    // Volumes are known by their mount roots. A letter is only a label: the
    // letters are handed out again at every read of the mount table and move
    // when a volume is mounted at a point that sorts before another.
    QHash<QString, QString> LastFolder; // the last folder visited, by root
    QString ShownRoot;                  // the volume shown before the current choice
};

class FolderList : public QListWidget {
  public:
    FolderList(QWidget* parent, platform::EventGuard* guard);

    QString Directory() const { return Current; }
    // Opens `path`: its ancestors from the volume root down, then its
    // subfolders. A folder that cannot be listed raises platform::io_error
    // "I/O error 5" and the list stays where it was.
    void SetDirectory(const QString& path);
    // Lists the current folder again (after a change on disk); a folder that
    // is gone gives way to its nearest existing parent.
    void Reload();

    void SetDriveBox(DriveBox* box) { Drives = box; }
    void SetFileBox(WaveFileBox* box) { Files = box; }

  private:
    // Lists the way down to the open folder and `subfolders`, the folders in it.
    void Fill(const QStringList& subfolders);
    // Scrolls sideways so that the name of the open folder, indented by its
    // depth, can be read.
    void ShowOpenFolder(QListWidgetItem* item);

    QString Current;
    DriveBox* Drives = nullptr;
    WaveFileBox* Files = nullptr;
    QFileSystemWatcher* Watcher;
};

class WaveFileBox : public QListWidget {
    Q_OBJECT

  public:
    explicit WaveFileBox(QWidget* parent);

    void SetMask(const QString& mask);
    QString Mask() const { return FileMask; }
    // Shows `files`, the regular files of `folder` as ReadFolder gives them,
    // through the mask.
    void SetDirectory(const QString& folder, const QStringList& files);
    QString Directory() const { return Folder; }
    // Lists the folder again, keeping the selected file where it still exists;
    // the first form reads it, the second is given its files.
    void Reload();
    void Reload(const QStringList& files);
    // The selected file's full path; empty when no file is selected.
    QString FileName() const;
    // Selects the file of that name (tests and keyboard-less use).
    bool SelectFile(const QString& name);

  signals:
    // A double click anywhere in the box, on a file or not.
    void DblClick();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QString Folder;
    QString FileMask = QStringLiteral("*.*");
};

// Holds "Description|*.ext|..." pairs and gives the chosen pair's patterns to
// its file box as the mask.
class FilterBox : public QComboBox {
  public:
    FilterBox(QWidget* parent, platform::EventGuard* guard);

    void SetFilter(const QString& filter);
    QString Filter() const { return FilterText; }
    QString Mask() const;
    void SetFileBox(WaveFileBox* box);

  private:
    QString FilterText;
    WaveFileBox* Files = nullptr;
};
