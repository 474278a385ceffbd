// The window itself: its components and menus, the start state, the settings
// of Setup.ini (read through IniFile), the option flags, the Tools and About
// menus, the connection display, the enabled states during loads and
// operations, and device changes.
#include "IniFile.h"
#include "Main.h"
#include "WriterIcon.h"

#include "code_page.h"
#include "event_guard.h"
#include "file_dialog.h"
#include "message_box.h"
#include "program_folder.h"
#include "shell.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>

namespace {

// The page "Quenda Web Site" opens: the writer's own page, installed beside
// the program, so it opens without a network.
const char* const kWebSitePage = "doc/fuselok.html";

// The form's font is Tahoma; where it is missing the nearest narrow sans
// fonts stand in, at the same pixel height.
QFont UiFont(int pixelHeight, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"),
                      QStringLiteral("Liberation Sans Narrow"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Sans Serif")});
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

// Return and keypad Enter press the focused button of the Writer tab, as
// space does: the buttons' keys on the desktop the form was made for. A held
// key repeats nothing, and a disabled button ignores the click. Installed on
// push buttons only.
class ReturnPressesButton : public QObject {
  public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if (!key->isAutoRepeat()) static_cast<QPushButton*>(watched)->click();
        return true;
    }
};

QAction* AddCheckItem(QMenu* menu, const QString& caption, bool checked) {
    QAction* item = menu->addAction(caption);
    item->setCheckable(true);
    item->setChecked(checked);
    return item;
}

} // namespace

// ---------------------------------------------------------------------------
// Start and end

TForm1::TForm1(QWidget* parent) : TForm1(platform::program_folder(), {}, parent) {}

TForm1::TForm1(const QString& Folder, std::function<void(TForm1&)> ConnectWriter, QWidget* parent)
    : QMainWindow(parent), Folder(Folder) {
    ApplicationEvents = new platform::EventGuard(this);
    ApplicationEvents->OnException = [this](QObject* sender, const std::exception& error) {
        ApplicationEventsException(sender, error);
    };
    CreateComponents();
    ConnectEvents();

    // The designed "Writer Disconnect!" is never seen: the connection state
    // replaces it before the window shows.
    ShowWriterState(false);
    if (ConnectWriter) ApplicationEvents->Run(this, [&] { ConnectWriter(*this); });

    // The settings are read only once the connection state is shown.
    ApplicationEvents->Run(this, [this] { FormCreate(this); });
}

TForm1::~TForm1() {
    // No late signal may reach a handler of a half-destroyed window.
    OnDeviceChange = nullptr;
    delete ApplicationEvents;
    ApplicationEvents = nullptr;
}

void TForm1::FormCreate(QObject*) {
    const IniFile ini(Folder + QStringLiteral("Setup.ini"));

    const bool engMode = ini.ReadBool(QStringLiteral("System"), QStringLiteral("EngMode"), false);
    const bool readMode = ini.ReadBool(QStringLiteral("Option"), QStringLiteral("ReadMode"), false);
    if (engMode || readMode) MainMenu_DMV->setEnabled(true);

    const QString version = ini.ReadString(QStringLiteral("System"), QStringLiteral("Version"),
                                           QStringLiteral("Unknow"));
    MainMenu_SwVer->setText(QStringLiteral("Software Version:") + version);

    const QString editor = ini.ReadString(QStringLiteral("Path"), QStringLiteral("Editor"), {});
    if (editor.isEmpty())
        MainMenu_Tools_Editor->setEnabled(false);
    else
        EditorPath = editor;
}

void TForm1::Stop() {
    stopping = true;
    // Unlike quit(), which a busy window refuses, this ends every event loop,
    // the modal ones included, and makes every later one return at once.
    QCoreApplication::exit(0);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A load or an operation is still running on the stack below this event:
    // closing now would hide a chip half erased or half written.
    if (busy)
        event->ignore();
    else
        QMainWindow::closeEvent(event);
}

// ---------------------------------------------------------------------------
// Components

void TForm1::CreateComponents() {
    setWindowTitle(QStringLiteral("fuselok USB writer"));
    setWindowIcon(WriterIcon());
    setFont(UiFont(13));
    // Fixed single border with system menu and minimize only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    auto* client = new QWidget(this);
    client->setFixedSize(549, 143);
    client->setAutoFillBackground(true);
    QPalette face = client->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    client->setPalette(face);
    setCentralWidget(client);

    PG_Main = new QTabWidget(client);
    PG_Main->setObjectName(QStringLiteral("PG_Main"));
    PG_Main->setGeometry(0, 0, 549, 143);
    CreateWriterTab();

    // On the form itself, over the empty right end of the tab row.
    ED_WrtCnt = new QLineEdit(client);
    ED_WrtCnt->setObjectName(QStringLiteral("ED_WrtCnt"));
    ED_WrtCnt->setGeometry(415, 2, 130, 20);
    ED_WrtCnt->setReadOnly(true);
    ED_WrtCnt->setAlignment(Qt::AlignCenter);
    ED_WrtCnt->setFont(UiFont(13, true));
    ED_WrtCnt->setCursor(Qt::ArrowCursor);
    ED_WrtCnt->setFocusPolicy(Qt::ClickFocus);
    ED_WrtCnt->setText(QStringLiteral("Writer Disconnect!"));
    ED_WrtCnt->raise();

    CreateMainMenu();

    DG_Load = new platform::FileDialog(platform::FileDialogKind::Open, this);
    DG_Save = new platform::FileDialog(platform::FileDialogKind::Save, this);
    DG_Save->FileName = QStringLiteral("read.bin");

    // The window takes the size of its client area and menu bar, and keeps it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TForm1::CreateWriterTab() {
    Writer = new QWidget;
    Writer->setObjectName(QStringLiteral("Writer"));
    PG_Main->addTab(Writer, QStringLiteral("Writer"));

    auto button = [this](const char* name, const QString& caption, const QRect& place) {
        auto* b = new QPushButton(caption, Writer);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(place);
        return b;
    };
    auto edit = [this](const char* name, const QRect& place) {
        auto* e = new QLineEdit(Writer);
        e->setObjectName(QLatin1String(name));
        e->setGeometry(place);
        e->setReadOnly(true);
        // Read-only and out of the tab order, but its text can be selected.
        e->setFocusPolicy(Qt::ClickFocus);
        return e;
    };
    auto label = [this](const char* name, const QRect& place, Qt::Alignment alignment) {
        auto* l = new QLabel(Writer);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(place);
        l->setFont(UiFont(13, true));
        l->setAlignment(alignment);
        // The status line carries file names; they are shown as written,
        // never taken for markup.
        l->setTextFormat(Qt::PlainText);
        return l;
    };

    DM_Erase = button("DM_Erase", QStringLiteral("Erase"), {5, 10, 100, 25});
    DM_CheckSum = edit("DM_CheckSum", {115, 10, 40, 25});
    DM_CheckSum->setAlignment(Qt::AlignCenter);
    DM_CheckSum->setText(QStringLiteral("--"));
    DM_Path = edit("DM_Path", {160, 10, 350, 25});
    DM_Load = button("DM_Load", QStringLiteral("..."), {510, 10, 25, 25});
    DM_Program = button("DM_Program", QStringLiteral("Write"), {5, 45, 100, 25});
    DM_Event = label("DM_Event", {115, 45, 419, 25}, Qt::AlignLeft | Qt::AlignVCenter);
    DM_Verify = button("DM_Verify", QStringLiteral("Verify"), {5, 80, 100, 25});

    DM_Progress = new QProgressBar(Writer);
    DM_Progress->setObjectName(QStringLiteral("DM_Progress"));
    DM_Progress->setGeometry(115, 80, 370, 25);
    DM_Progress->setRange(0, 100);
    DM_Progress->setValue(0);
    // The percentage has a label of its own beside the bar.
    DM_Progress->setTextVisible(false);

    DM_Percent = label("DM_Percent", {485, 80, 50, 25}, Qt::AlignCenter);
    DM_Percent->setText(QStringLiteral("100%"));

    auto* returnKey = new ReturnPressesButton(Writer);
    for (QPushButton* b : {DM_Erase, DM_Load, DM_Program, DM_Verify})
        b->installEventFilter(returnKey);

    QWidget::setTabOrder(DM_Erase, DM_Load);
    QWidget::setTabOrder(DM_Load, DM_Program);
    QWidget::setTabOrder(DM_Program, DM_Verify);
}

void TForm1::CreateMainMenu() {
    MainMenu = new QMenuBar(this);
    setMenuBar(MainMenu);

    // The check marks are plain ones that only their handlers change.
    MainMenu_Option = MainMenu->addMenu(QStringLiteral("Option"));
    MainMenu_DME = MainMenu_Option->addMenu(QStringLiteral("Erase"));
    MainMenu_DBCAE = AddCheckItem(MainMenu_DME, QStringLiteral("Blank Check After Erase"), true);
    MainMenu_DMW = MainMenu_Option->addMenu(QStringLiteral("Write"));
    MainMenu_DEDBW = AddCheckItem(MainMenu_DMW, QStringLiteral("Erase Data Before Write"), true);
    MainMenu_DVDAW = AddCheckItem(MainMenu_DMW, QStringLiteral("Verify Data After Write"), true);
    MainMenu_DMV = MainMenu_Option->addMenu(QStringLiteral("Verify"));
    MainMenu_DRAF = AddCheckItem(MainMenu_DMV, QStringLiteral("Read As File"), false);
    // Read-back is for the engineering set-up; Setup.ini opens it.
    MainMenu_DMV->setEnabled(false);

    MainMenu_Tools = MainMenu->addMenu(QStringLiteral("Tools"));
    MainMenu_Tools_Editor = MainMenu_Tools->addAction(QStringLiteral(" Editor"));

    MainMenu_About = MainMenu->addMenu(QStringLiteral("About"));
    MainMenu_HwVer = MainMenu_About->addAction(QStringLiteral("Writer Version: "));
    MainMenu_SwVer = MainMenu_About->addAction(QStringLiteral("Software Version: "));
    MainMenu_Supp = MainMenu_About->addAction(QStringLiteral("Device Supported: "));
    N3 = MainMenu_About->addSeparator();
    MainMenu_WebSite = MainMenu_About->addAction(QStringLiteral("Quenda Web Site"));
}

void TForm1::OnClick(QAction* item, void (TForm1::*handler)(QObject*)) {
    if (item->isCheckable()) {
        // Qt flips a check mark before it reports the click; the handler is
        // the one that flips it here, so Qt's flip is taken back first.
        ApplicationEvents->Connect(item, &QAction::triggered, [this, item, handler](bool checked) {
            {
                const QSignalBlocker quiet(item);
                item->setChecked(!checked);
            }
            (this->*handler)(item);
        });
    } else {
        ApplicationEvents->Connect(item, &QAction::triggered,
                                   [this, item, handler] { (this->*handler)(item); });
    }
}

void TForm1::OnClick(QPushButton* button, void (TForm1::*handler)(QObject*)) {
    ApplicationEvents->Connect(button, &QPushButton::clicked,
                               [this, button, handler] { (this->*handler)(button); });
}

void TForm1::ConnectEvents() {
    OnClick(DM_Erase, &TForm1::DM_EraseClick);
    OnClick(DM_Load, &TForm1::DM_LoadClick);
    OnClick(DM_Program, &TForm1::DM_ProgramClick);
    OnClick(DM_Verify, &TForm1::DM_VerifyClick);
    OnClick(MainMenu_DBCAE, &TForm1::MainMenu_DBCAEClick);
    OnClick(MainMenu_DEDBW, &TForm1::MainMenu_DEDBWClick);
    OnClick(MainMenu_DVDAW, &TForm1::MainMenu_DVDAWClick);
    OnClick(MainMenu_DRAF, &TForm1::MainMenu_DRAFClick);
    OnClick(MainMenu_Tools_Editor, &TForm1::MainMenu_Tools_EditorClick);
    OnClick(MainMenu_WebSite, &TForm1::MainMenu_WebSiteClick);
}

// ---------------------------------------------------------------------------
// Options, Tools and About

void TForm1::MainMenu_DBCAEClick(QObject*) {
    MainMenu_DBCAE->setChecked(!MainMenu_DBCAE->isChecked());
}

void TForm1::MainMenu_DEDBWClick(QObject*) {
    MainMenu_DEDBW->setChecked(!MainMenu_DEDBW->isChecked());
}

void TForm1::MainMenu_DVDAWClick(QObject*) {
    MainMenu_DVDAW->setChecked(!MainMenu_DVDAW->isChecked());
}

void TForm1::MainMenu_DRAFClick(QObject*) {
    MainMenu_DRAF->setChecked(!MainMenu_DRAF->isChecked());
    DM_Verify->setText(MainMenu_DRAF->isChecked() ? QStringLiteral("Read")
                                                  : QStringLiteral("Verify"));
}

void TForm1::MainMenu_Tools_EditorClick(QObject*) {
    // The folder and the path are joined as they stand; the editor takes no
    // arguments. A failed start shows nothing.
    const QString target = Folder + EditorPath;
    if (!platform::fits_code_page(target)) return;
    platform::shell_open(target);
}

void TForm1::MainMenu_WebSiteClick(QObject*) {
    platform::shell_open(Folder + QLatin1String(kWebSitePage));
}

// ---------------------------------------------------------------------------
// Connection display, enabled states and device changes

void TForm1::ShowWriterState(bool Connected, const QString& Major, const QString& Minor) {
    writerConnected = Connected;
    QPalette palette = ED_WrtCnt->palette();
    const QColor ink = Connected ? QColor(0, 0, 255) : QColor(255, 0, 0);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Text, ink);
    ED_WrtCnt->setPalette(palette);
    if (Connected) {
        ED_WrtCnt->setText(QStringLiteral("Writer Connect"));
        MainMenu_HwVer->setText(QStringLiteral("Writer Version: ") + Major + QLatin1Char('.') +
                                Minor);
    } else {
        ED_WrtCnt->setText(QStringLiteral("Writer Disconnect"));
        MainMenu_HwVer->setText(QStringLiteral("Writer Version: Unknow"));
    }
    // While a load or an operation holds the controls, its end applies the
    // state.
    if (!busy) ApplyWriterState();
}

void TForm1::ApplyWriterState() {
    DM_Erase->setEnabled(writerConnected);
    DM_Program->setEnabled(writerConnected);
    DM_Verify->setEnabled(writerConnected);
    DM_Load->setEnabled(writerConnected);
    MainMenu_Option->setEnabled(writerConnected);
}

void TForm1::EnableControls(bool Enable) {
    MainMenu_Option->setEnabled(Enable);
    MainMenu_Tools->setEnabled(Enable);
    MainMenu_About->setEnabled(Enable);
    DM_Load->setEnabled(Enable);
    DM_Path->setEnabled(Enable);
    DM_Erase->setEnabled(Enable);
    DM_Program->setEnabled(Enable);
    DM_Verify->setEnabled(Enable);
    if (!Enable) {
        busy = true;
        return;
    }
    busy = false;
    // The buttons that need the writer follow the connection, also when it
    // changed while they were held.
    ApplyWriterState();
}

void TForm1::WndProc(unsigned EventCode) {
    if (!IsDeviceChange(EventCode)) return;
    if (OnDeviceChange) ApplicationEvents->Run(this, [&] { OnDeviceChange(EventCode); });
}

void TForm1::ShowEvent(const QString& Text) {
    DM_Event->setText(Text);
}

void TForm1::ShowProgress(unsigned Percent) {
    DM_Progress->setValue(static_cast<int>(Percent));
    DM_Percent->setText(QString::number(Percent) + QLatin1Char('%'));
}

// ---------------------------------------------------------------------------
// Exceptions

void TForm1::ApplicationEventsException(QObject*, const std::exception& E) {
    // What escapes a handler is shown, as the toolkit shows it, and the
    // program goes on.
    platform::message_box(this, QString::fromLocal8Bit(E.what()), QStringLiteral("fuselok"),
                          platform::MB_OK | platform::MB_ICONERROR);
}
