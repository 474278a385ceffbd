#include "FileBrowser.h"

#include "event_guard.h"
#include "io_error.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

constexpr int kLevelRole = Qt::UserRole + 1; // indentation level of a folder row
constexpr int kPathRole = Qt::UserRole;      // full path of a folder row
constexpr int kIndent = 10;                  // pixels per folder level

// Indents each folder row by its level, so the list reads as a tree.
class IndentDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.adjust(index.data(kLevelRole).toInt() * kIndent, 0, 0, 0);
        option->state &= ~QStyle::State_HasFocus;
    }
};

QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

bool CanList(const QString& folder) {
    QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

} // namespace

// ---------------------------------------------------------------------------

DriveBox::DriveBox(QWidget* parent, platform::EventGuard* guard)
    : QComboBox(parent), Source(platform::mounted_volumes) {
    // Reached by mouse only, as the drive choice rarely changes.
    setFocusPolicy(Qt::ClickFocus);
    RefreshVolumes();
    guard->Connect(this, &QComboBox::activated, [this](int index) {
        if (index >= 0 && index < VolumeList.size()) SetDrive(VolumeList[index].letter);
    });
}

void DriveBox::SetVolumeSource(VolumeSource source) {
    Source = std::move(source);
    RefreshVolumes();
}

void DriveBox::RefreshVolumes() {
    QChar chosen = Drive();
    VolumeList = Source ? Source() : QList<platform::Volume>();
    clear();
    const QIcon disk = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const platform::Volume& v : VolumeList)
        addItem(disk, QStringLiteral("%1:  %2").arg(v.letter, v.root));
    int index = IndexOf(chosen);
    if (index < 0 && Folders) {
        if (const platform::Volume* v = platform::volume_of(VolumeList, Folders->Directory()))
            index = IndexOf(v->letter);
    }
    if (index < 0 && !VolumeList.isEmpty()) index = 0;
    setCurrentIndex(index);
    Shown = index;
}

int DriveBox::IndexOf(QChar letter) const {
    for (int i = 0; i < VolumeList.size(); ++i)
        if (VolumeList[i].letter == letter) return i;
    return -1;
}

QChar DriveBox::Drive() const {
    int index = currentIndex();
    return index >= 0 && index < VolumeList.size() ? VolumeList[index].letter : QChar();
}

void DriveBox::SetDrive(QChar letter) {
    int index = IndexOf(letter.toUpper());
    if (index < 0) return;
    const int before = Shown;
    setCurrentIndex(index);
    const platform::Volume volume = VolumeList[index];
    if (!CanList(volume.root)) {
        // The failing drive stays chosen while the error is reported, so the
        // report can name it; then the box shows the folder list's drive again.
        if (before >= 0 && before != index) {
            QTimer::singleShot(0, this, [this, before] {
                if (before < count()) {
                    setCurrentIndex(before);
                    Shown = before;
                }
            });
        }
        throw platform::io_error(platform::kIoNotReady);
    }
    Shown = index;
    if (!Folders) return;
    QString folder = LastFolder.value(volume.letter, volume.root);
    if (!CanList(folder)) folder = volume.root;
    Folders->SetDirectory(folder);
}

void DriveBox::ShowDriveOf(const QString& folder) {
    const platform::Volume* v = platform::volume_of(VolumeList, folder);
    if (!v) return;
    LastFolder.insert(v->letter, folder);
    int index = IndexOf(v->letter);
    setCurrentIndex(index);
    Shown = index;
}

void DriveBox::showPopup() {
    // Volumes come and go while the program runs.
    RefreshVolumes();
    QComboBox::showPopup();
}

// ---------------------------------------------------------------------------

FolderList::FolderList(QWidget* parent, platform::EventGuard* guard)
    : QListWidget(parent), Watcher(new QFileSystemWatcher(this)) {
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    guard->Connect(this, &QListWidget::itemActivated, [this](QListWidgetItem* item) {
        if (item) SetDirectory(item->data(kPathRole).toString());
    });
    // Files saved or deleted in the open folder show up without a new visit.
    guard->Connect(Watcher, &QFileSystemWatcher::directoryChanged, [this] { Reload(); });
}

void FolderList::SetDirectory(const QString& path) {
    QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!CanList(folder)) throw platform::io_error(platform::kIoAccessDenied);
    if (!Current.isEmpty() && Current != folder) Watcher->removePath(Current);
    Current = folder;
    if (!Watcher->directories().contains(Current)) Watcher->addPath(Current);
    Fill();
    if (Drives) Drives->ShowDriveOf(Current);
    if (Files) Files->SetDirectory(Current);
}

void FolderList::Reload() {
    QString folder = Current;
    while (!CanList(folder) && folder != QLatin1String("/") && !folder.isEmpty())
        folder = QFileInfo(folder).absolutePath();
    if (folder != Current) {
        if (CanList(folder)) SetDirectory(folder);
        return;
    }
    Fill();
    if (Files) Files->Reload();
}

void FolderList::Fill() {
    clear();
    QString root = QStringLiteral("/");
    if (Drives) {
        if (const platform::Volume* v = platform::volume_of(Drives->Volumes(), Current))
            root = v->root;
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The way down from the volume root to the open folder...
    QStringList way;
    for (QString f = Current; f != root && f.size() > root.size(); f = QFileInfo(f).absolutePath())
        way.prepend(f);
    way.prepend(root);
    int level = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& folder : way) {
        QString name = level == 0 ? folder : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(open, name, this);
        item->setData(kPathRole, folder);
        item->setData(kLevelRole, level++);
        current = item;
    }
    // ...then the folders inside it.
    const QStringList subfolders = QDir(Current).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(closed, name, this);
        item->setData(kPathRole, JoinPath(Current, name));
        item->setData(kLevelRole, level);
    }
    setCurrentItem(current);
}

// ---------------------------------------------------------------------------

WaveFileBox::WaveFileBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

void WaveFileBox::SetMask(const QString& mask) {
    FileMask = mask.isEmpty() ? QStringLiteral("*.*") : mask;
    Reload();
}

void WaveFileBox::SetDirectory(const QString& folder) {
    Folder = folder;
    clear();
    Reload();
}

void WaveFileBox::Reload() {
    QString selected;
    if (!selectedItems().isEmpty()) selected = selectedItems().front()->text();
    clear();
    if (Folder.isEmpty()) return;
    // Masks match without regard to case, as "*.wav" should find "A.WAV".
    const QStringList names =
        QDir(Folder).entryList(FileMask.split(QLatin1Char(';'), Qt::SkipEmptyParts), QDir::Files,
                               QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    addItems(names);
    if (!selected.isEmpty()) SelectFile(selected);
}

QString WaveFileBox::FileName() const {
    const QList<QListWidgetItem*> chosen = selectedItems();
    if (chosen.isEmpty() || Folder.isEmpty()) return QString();
    return JoinPath(Folder, chosen.front()->text());
}

bool WaveFileBox::SelectFile(const QString& name) {
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    setCurrentItem(found.front());
    found.front()->setSelected(true);
    return true;
}

void WaveFileBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit DblClick();
    event->accept();
}

// ---------------------------------------------------------------------------

FilterBox::FilterBox(QWidget* parent, platform::EventGuard* guard) : QComboBox(parent) {
    guard->Connect(this, &QComboBox::currentIndexChanged, [this] {
        if (Files) Files->SetMask(Mask());
    });
}

void FilterBox::SetFilter(const QString& filter) {
    FilterText = filter;
    {
        // The file box takes the new mask once, below, rather than at every
        // step of the rebuild.
        const QSignalBlocker quiet(this);
        clear();
        const QStringList parts = filter.split(QLatin1Char('|'));
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
            addItem(parts[i], parts[i + 1]);
    }
    if (Files) Files->SetMask(Mask());
}

QString FilterBox::Mask() const {
    return currentData().toString();
}

void FilterBox::SetFileBox(WaveFileBox* box) {
    Files = box;
    if (Files) Files->SetMask(Mask());
}
