#include "FileBrowser.h"

#include "FolderScan.h"

#include "code_page.h"
#include "event_guard.h"
#include "io_error.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

constexpr int kLevelRole = Qt::UserRole + 1; // indentation level of a folder row
constexpr int kPathRole = Qt::UserRole;      // full path of a folder row
constexpr int kIndent = 10;                  // pixels per folder level

int Indent(const QModelIndex& index) {
    return index.data(kLevelRole).toInt() * kIndent;
}

// Indents each folder row by its level, so the list reads as a tree. A row is
// as wide as its indent and name, so the list scrolls sideways to a deep one.
class IndentDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
    }

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.adjust(Indent(index), 0, 0, 0);
        option->state &= ~QStyle::State_HasFocus;
    }
};

// The name with every surrogate put as the replacement character: a lone one
// (a byte from_file_name escapes) cannot stand in a pattern match. Both halves
// of a character outside the basic plane go too, which no mask of ours
// ("*.wav") can tell.
QString Matchable(QString name) {
    for (QChar& c : name)
        if (c.isSurrogate()) c = QChar::ReplacementCharacter;
    return name;
}

} // namespace

// ---------------------------------------------------------------------------

DriveBox::DriveBox(QWidget* parent, platform::EventGuard* guard)
    : QComboBox(parent), Source(platform::mounted_volumes) {
    // Reached by mouse only, as the drive choice rarely changes.
    setFocusPolicy(Qt::ClickFocus);
    RefreshVolumes();
    guard->Connect(this, &QComboBox::activated, [this](int index) { OpenVolume(index); });
}

void DriveBox::SetVolumeSource(VolumeSource source) {
    Source = std::move(source);
    RefreshVolumes();
}

void DriveBox::RefreshVolumes() {
    const QString chosen = RootAt(currentIndex());
    VolumeList = Source ? Source() : QList<platform::Volume>();
    clear();
    const QIcon disk = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const platform::Volume& v : VolumeList)
        addItem(disk, QStringLiteral("%1:  %2").arg(v.letter, v.root));
    int index = IndexOfRoot(chosen);
    if (index < 0 && Folders) {
        if (const platform::Volume* v = platform::volume_of(VolumeList, Folders->Directory()))
            index = IndexOfRoot(v->root);
    }
    if (index < 0 && !VolumeList.isEmpty()) index = 0;
    setCurrentIndex(index);
    ShownRoot = RootAt(index);
}

int DriveBox::IndexOf(QChar letter) const {
    for (int i = 0; i < VolumeList.size(); ++i)
        if (VolumeList[i].letter == letter) return i;
    return -1;
}

int DriveBox::IndexOfRoot(const QString& root) const {
    for (int i = 0; i < VolumeList.size(); ++i)
        if (VolumeList[i].root == root) return i;
    return -1;
}

QString DriveBox::RootAt(int index) const {
    return index >= 0 && index < VolumeList.size() ? VolumeList[index].root : QString();
}

QChar DriveBox::Drive() const {
    int index = currentIndex();
    return index >= 0 && index < VolumeList.size() ? VolumeList[index].letter : QChar();
}

void DriveBox::SetDrive(QChar letter) {
    OpenVolume(IndexOf(letter.toUpper()));
}

void DriveBox::OpenVolume(int index) {
    if (index < 0 || index >= VolumeList.size()) return;
    const QString before = ShownRoot;
    setCurrentIndex(index);
    const platform::Volume volume = VolumeList[index];
    if (!CanListFolder(volume.root)) {
        // The failing drive stays chosen while the error is reported, so the
        // report can name it; then the box shows the folder list's drive again.
        if (!before.isEmpty() && before != volume.root) {
            QTimer::singleShot(0, this, [this, before] {
                const int shown = IndexOfRoot(before);
                if (shown < 0) return;
                setCurrentIndex(shown);
                ShownRoot = before;
            });
        }
        throw platform::io_error(platform::kIoNotReady);
    }
    ShownRoot = volume.root;
    if (!Folders) return;
    // The folder last visited there, while it still exists and still belongs
    // to that volume (a volume mounted inside it since would own it now); the
    // root itself was checked above.
    QString folder = LastFolder.value(volume.root, volume.root);
    const platform::Volume* holder = platform::volume_of(VolumeList, folder);
    if (folder != volume.root && (!holder || holder->root != volume.root || !CanListFolder(folder)))
        folder = volume.root;
    Folders->SetDirectory(folder);
}

void DriveBox::ShowDriveOf(const QString& folder) {
    const platform::Volume* v = platform::volume_of(VolumeList, folder);
    if (!v) return;
    LastFolder.insert(v->root, folder);
    setCurrentIndex(IndexOfRoot(v->root));
    ShownRoot = v->root;
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
    // Rows differ in width by their indent.
    setUniformItemSizes(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    guard->Connect(this, &QListWidget::itemActivated, [this](QListWidgetItem* item) {
        if (item) SetDirectory(item->data(kPathRole).toString());
    });
    // Files saved or deleted in the open folder show up without a new visit.
    guard->Connect(Watcher, &QFileSystemWatcher::directoryChanged, [this] { Reload(); });
}

void FolderList::SetDirectory(const QString& path) {
    const QString folder =
        QDir::cleanPath(QDir::isAbsolutePath(path) ? path : JoinPath(CurrentFolder(), path));
    if (!CanListFolder(folder)) throw platform::io_error(platform::kIoAccessDenied);
    if (!Current.isEmpty() && Current != folder) Watcher->removePath(Current);
    Current = folder;
    // The watcher is one of Qt's file classes, which would turn a name the
    // code page cannot hold into another name: such a folder is not watched,
    // and shows changes made on disk at the next visit.
    if (platform::fits_code_page(Current) && !Watcher->directories().contains(Current))
        Watcher->addPath(Current);
    const FolderContent content = ReadFolder(Current);
    Fill(content.Folders);
    if (Drives) Drives->ShowDriveOf(Current);
    if (Files) Files->SetDirectory(Current, content.Files);
}

void FolderList::Reload() {
    QString folder = Current;
    while (!CanListFolder(folder) && folder != QLatin1String("/") && !folder.isEmpty())
        folder = QFileInfo(folder).absolutePath();
    if (folder != Current) {
        if (CanListFolder(folder)) SetDirectory(folder);
        return;
    }
    const FolderContent content = ReadFolder(Current);
    Fill(content.Folders);
    if (Files) Files->Reload(content.Files);
}

void FolderList::Fill(const QStringList& subfolders) {
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
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(closed, name, this);
        item->setData(kPathRole, JoinPath(Current, name));
        item->setData(kLevelRole, level);
    }
    setCurrentItem(current);
    ShowOpenFolder(current);
}

void FolderList::ShowOpenFolder(QListWidgetItem* item) {
    if (!item) return;
    executeDelayedItemsLayout();
    scrollToItem(item);
    // The row's end, or its name's start where the name alone is wider than
    // the list.
    QScrollBar* bar = horizontalScrollBar();
    const int nameStart = Indent(indexFromItem(item));
    const int rowEnd = visualItemRect(item).right() + 1 + bar->value();
    bar->setValue(qMin(nameStart, qMax(0, rowEnd - viewport()->width())));
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

void WaveFileBox::SetDirectory(const QString& folder, const QStringList& files) {
    Folder = folder;
    clear();
    Reload(files);
}

void WaveFileBox::Reload() {
    Reload(Folder.isEmpty() ? QStringList() : ReadFolder(Folder).Files);
}

void WaveFileBox::Reload(const QStringList& files) {
    QString selected;
    if (!selectedItems().isEmpty()) selected = selectedItems().front()->text();
    clear();
    if (Folder.isEmpty()) return;
    // Masks match without regard to case, as "*.wav" should find "A.WAV".
    const QStringList masks = FileMask.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& name : files)
        if (QDir::match(masks, Matchable(name))) addItem(name);
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
