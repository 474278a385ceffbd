// The window itself: its components and menus, the start state, the Device,
// Mode and Vout settings, the usage panel, message boxes and the
// application-wide exception handler.
#include "Main.h"

#include "EditorIcon.h"
#include "FileBrowser.h"
#include "FolderScan.h"
#include "ReportList.h"
#include "ScriptLayout.h"
#include "StatusPanels.h"

#include "event_guard.h"
#include "file_dialog.h"
#include "io_error.h"
#include "message_box.h"
#include "program_folder.h"
#include "shell.h"

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>

TForm1* Form1 = nullptr;

namespace {

// The page "Quenda Web Site" opens: the editor's own page, installed beside
// the program, so it opens without a network.
const char* const kWebSitePage = "doc/lyrasm.html";

// The form's font is Tahoma; where it is missing the nearest narrow sans
// fonts stand in, at the same pixel height.
QFont UiFont(int pixelHeight) {
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"),
                      QStringLiteral("Liberation Sans Narrow"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Sans Serif")});
    font.setPixelSize(pixelHeight);
    return font;
}

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    ApplicationEvents = new platform::EventGuard(this);
    ApplicationEvents->OnException = [this](QObject* sender, const std::exception& error) {
        ApplicationEventsException(sender, error);
    };
    CreateComponents();
    ConnectEvents();

    // One row per section, numbered from 0 as the window counts them.
    for (int i = 0; i < static_cast<int>(Sections.size()); ++i) {
        const Section& s = Sections[static_cast<size_t>(i)];
        List_Section->AddItem(QStringLiteral("Section ") + QString::number(i),
                              {s.EdgeText(), s.HoldText(), s.ReTrgText()});
    }
    List_Section->SetItemIndex(0);

    StatusBar->SetPanelText(0, QStringLiteral("Kelv32M"));
    StatusBar->SetPanelText(1, QStringLiteral("Key Trigger"));
    StatusBar->SetPanelText(2, QStringLiteral("PWM"));
    Usage.SetCapacity(0x400000);
    Usage.Add(BaseUsage);
    ShowUsage();

    Form1 = this;
}

TForm1::~TForm1() {
    if (Form1 == this) Form1 = nullptr;
    // The model members die before Qt deletes the components; with the guard
    // gone first, no late signal can reach a handler of a half-destroyed form.
    StatusBar->OnDrawPanel = nullptr;
    delete ApplicationEvents;
    ApplicationEvents = nullptr;
}

// ---------------------------------------------------------------------------
// Components

void TForm1::CreateComponents() {
    setWindowTitle(QStringLiteral("KelvxxM Sound Editor"));
    setWindowIcon(EditorIcon());
    setFont(UiFont(11));
    // Fixed single border: no maximize, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    // The client area below the menu bar; every component sits in it at the
    // place the form gives it.
    auto* client = new QWidget(this);
    client->setFixedSize(794, 548);
    client->setAutoFillBackground(true);
    QPalette face = client->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    client->setPalette(face);
    setCentralWidget(client);

    CreateFileBrowser(client);

    List_File = new ReportList(client, QColor(166, 202, 240),
                               {{QStringLiteral("File Name"), 150},
                                {QStringLiteral("Rate"), 80},
                                {QStringLiteral("Size"), 80},
                                {QStringLiteral("%"), 60},
                                {QStringLiteral("Path"), 0, true}});
    List_File->setObjectName(QStringLiteral("List_File"));
    List_File->setGeometry(5, 235, 395, 290);

    const QColor moneyGreen(192, 220, 192);
    List_Section = new ReportList(client, moneyGreen,
                                  {{QStringLiteral("Section No."), 90},
                                   {QStringLiteral("Edge"), 90},
                                   {QStringLiteral("Holdable"), 90},
                                   {QStringLiteral("Retrigger"), 90}});
    List_Section->setObjectName(QStringLiteral("List_Section"));
    List_Section->setGeometry(406, 4, 385, 250);
    // The group list always shows the group list of a selected section.
    List_Section->SetKeepsSelection(true);

    List_Group = new ReportList(client, moneyGreen,
                                {{QStringLiteral("File Name"), 200},
                                 {QStringLiteral("Rate"), 80},
                                 {QStringLiteral("Busy"), 80}});
    List_Group->setObjectName(QStringLiteral("List_Group"));
    List_Group->setGeometry(405, 260, 385, 265);

    StatusBar = new StatusPanels(client);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setGeometry(0, 529, 794, 19);
    StatusBar->AddPanel(110);       // device
    StatusBar->AddPanel(120);       // mode
    StatusBar->AddPanel(80);        // output stage
    StatusBar->AddPanel(210, true); // usage, coloured by the fill level
    StatusBar->AddPanel(50);        // build state

    CreateMainMenu();
    CreatePopupMenus();

    Save = new platform::FileDialog(platform::FileDialogKind::Save, this);
    Load = new platform::FileDialog(platform::FileDialogKind::Open, this);
    for (platform::FileDialog* dialog : {Save, Load}) {
        dialog->DefaultExt = QStringLiteral(".log");
        dialog->Filter = QStringLiteral("KelvxxM Log File (*.log)|*.log");
    }

    // The window takes the size of its client area and menu bar, and keeps it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TForm1::CreateFileBrowser(QWidget* client) {
    FileSel_Dev = new DriveBox(client, ApplicationEvents);
    FileSel_Dev->setObjectName(QStringLiteral("FileSel_Dev"));
    FileSel_Dev->setFont(UiFont(12));
    FileSel_Dev->setGeometry(5, 5, 195, 20);

    FileSel_Dir = new FolderList(client, ApplicationEvents);
    FileSel_Dir->setObjectName(QStringLiteral("FileSel_Dir"));
    FileSel_Dir->setGeometry(5, 30, 195, 200);

    FileSel_File = new WaveFileBox(client);
    FileSel_File->setObjectName(QStringLiteral("FileSel_File"));
    FileSel_File->setGeometry(205, 5, 195, 225);

    FileSel_Filter = new FilterBox(client, ApplicationEvents);
    FileSel_Filter->setObjectName(QStringLiteral("FileSel_Filter"));
    FileSel_Filter->setGeometry(205, 210, 195, 21);
    FileSel_Filter->setVisible(false);

    FileSel_Dev->SetFolderList(FileSel_Dir);
    FileSel_Dir->SetDriveBox(FileSel_Dev);
    FileSel_Dir->SetFileBox(FileSel_File);
    FileSel_Filter->SetFileBox(FileSel_File);
    FileSel_Filter->SetFilter(QStringLiteral("Wave File(*.wav)|*.wav"));

    // The browser opens where the program was started; a folder that cannot
    // be listed leaves it at the root of its volume.
    try {
        FileSel_Dir->SetDirectory(CurrentFolder());
    } catch (const std::exception&) {
        try {
            FileSel_Dir->SetDirectory(QStringLiteral("/"));
        } catch (const std::exception&) {
        }
    }
}

QAction* TForm1::AddRadioItem(QMenu* menu, QActionGroup* group, const QString& caption) {
    QAction* item = menu->addAction(caption);
    item->setCheckable(true);
    group->addAction(item);
    return item;
}

void TForm1::CreateMainMenu() {
    MainMenu = new QMenuBar(this);
    setMenuBar(MainMenu);

    Menu_File = MainMenu->addMenu(QStringLiteral("File"));
    Menu_File_Save = Menu_File->addAction(QStringLiteral("Save"));
    Menu_File_Load = Menu_File->addAction(QStringLiteral("Load"));

    // Only the 32 Mbit chip can be chosen; the other sizes stay greyed.
    Menu_Device = MainMenu->addMenu(QStringLiteral("Device"));
    DeviceGroup = new QActionGroup(this);
    Menu_Device_16M = AddRadioItem(Menu_Device, DeviceGroup, QStringLiteral(" Kelv16M"));
    Menu_Device_32M = AddRadioItem(Menu_Device, DeviceGroup, QStringLiteral(" Kelv32M"));
    Menu_Device_64M = AddRadioItem(Menu_Device, DeviceGroup, QStringLiteral(" Kelv64M"));
    Menu_Device_128M = AddRadioItem(Menu_Device, DeviceGroup, QStringLiteral(" Kelv128M"));
    Menu_Device_16M->setEnabled(false);
    Menu_Device_64M->setEnabled(false);
    Menu_Device_128M->setEnabled(false);
    Menu_Device_32M->setChecked(true);

    Menu_Mode = MainMenu->addMenu(QStringLiteral("Mode"));
    ModeGroup = new QActionGroup(this);
    Menu_Mode_Key = AddRadioItem(Menu_Mode, ModeGroup, QStringLiteral(" Key Trigger"));
    Menu_Mode_Seq = AddRadioItem(Menu_Mode, ModeGroup, QStringLiteral(" Sequential"));
    Menu_Mode_CPUP = AddRadioItem(Menu_Mode, ModeGroup, QStringLiteral(" CPU Parallel"));
    Menu_Mode_CPUS = AddRadioItem(Menu_Mode, ModeGroup, QStringLiteral(" CPU Serial"));
    Menu_Mode_MP3 = AddRadioItem(Menu_Mode, ModeGroup, QStringLiteral(" MP3"));
    Menu_Mode_Key->setChecked(true);

    Menu_Vout = MainMenu->addMenu(QStringLiteral("Vout"));
    VoutGroup = new QActionGroup(this);
    Menu_Vout_PWM = AddRadioItem(Menu_Vout, VoutGroup, QStringLiteral(" PWM"));
    Menu_Vout_DAC = AddRadioItem(Menu_Vout, VoutGroup, QStringLiteral(" DAC"));
    Menu_Vout_PWM->setChecked(true);

    // Build is a command on the menu bar itself.
    Menu_Bulide = MainMenu->addAction(QStringLiteral("Build"));

    About1 = MainMenu->addMenu(QStringLiteral("About"));
    Menu_Version = About1->addAction(QStringLiteral("Version: V1.1.0"));
    N2 = About1->addSeparator();
    Menu_WebSite = About1->addAction(QStringLiteral("Quenda Web Site"));
}

void TForm1::CreatePopupMenus() {
    PM_FileEdit = new QMenu(this);
    FL_Remove = PM_FileEdit->addAction(QStringLiteral("Remove"));
    List_File->SetPopupMenu(PM_FileEdit);

    // The check marks of the section popup follow the selected section; they
    // are set each time it opens, never by a click.
    PM_SectionEdit = new QMenu(this);
    EdgeGroup = new QActionGroup(this);
    HoldGroup = new QActionGroup(this);
    ReTrgGroup = new QActionGroup(this);
    SE_Edge = AddRadioItem(PM_SectionEdit, EdgeGroup, QStringLiteral(" Edge"));
    SE_Level = AddRadioItem(PM_SectionEdit, EdgeGroup, QStringLiteral(" Level"));
    N1 = PM_SectionEdit->addSeparator();
    SE_Hold = AddRadioItem(PM_SectionEdit, HoldGroup, QStringLiteral(" Holdable"));
    SE_UnHold = AddRadioItem(PM_SectionEdit, HoldGroup, QStringLiteral(" UnHoldable"));
    N3 = PM_SectionEdit->addSeparator();
    SE_ReTrg = AddRadioItem(PM_SectionEdit, ReTrgGroup, QStringLiteral(" ReTrigger"));
    SE_NonReTrg = AddRadioItem(PM_SectionEdit, ReTrgGroup, QStringLiteral(" Non-Retrigger"));
    SE_Edge->setChecked(true);
    SE_Hold->setChecked(true);
    SE_ReTrg->setChecked(true);
    List_Section->SetPopupMenu(PM_SectionEdit);

    PM_GroupEdit = new QMenu(this);
    GL_Remove = PM_GroupEdit->addAction(QStringLiteral(" Remove"));
    GL_Up = PM_GroupEdit->addAction(QStringLiteral(" Up"));
    GL_Down = PM_GroupEdit->addAction(QStringLiteral(" Down"));
    GL_Busy = PM_GroupEdit->addAction(QStringLiteral(" Busy"));
    GL_Busy->setCheckable(true);
    for (QAction* item : {GL_Remove, GL_Up, GL_Down, GL_Busy})
        item->setEnabled(false);
    List_Group->SetPopupMenu(PM_GroupEdit);

    PM_SetAllMenu_Edge = new QMenu(this);
    PM_SetAll_Edge = PM_SetAllMenu_Edge->addAction(QStringLiteral("Set All Section To Edge"));
    PM_SetAll_Level = PM_SetAllMenu_Edge->addAction(QStringLiteral("Set All Section To Level"));
    PM_SetAllMenu_Hold = new QMenu(this);
    PM_SetAll_Hold = PM_SetAllMenu_Hold->addAction(QStringLiteral("Set All Section To Holdable"));
    PM_SetAll_UnHold =
        PM_SetAllMenu_Hold->addAction(QStringLiteral("Set All Section To Unholdable"));
    PM_SetAllMenu_ReTrg = new QMenu(this);
    PM_SetAll_ReTrg =
        PM_SetAllMenu_ReTrg->addAction(QStringLiteral("Set All Section To Retrigger"));
    PM_SetAll_NonReTrg =
        PM_SetAllMenu_ReTrg->addAction(QStringLiteral("Set All Section To Non-Retrigger"));
}

void TForm1::OnClick(QAction* item, void (TForm1::*handler)(QObject*)) {
    ApplicationEvents->Connect(item, &QAction::triggered,
                               [this, item, handler] { (this->*handler)(item); });
}

void TForm1::ConnectEvents() {
    OnClick(Menu_File_Save, &TForm1::Menu_File_SaveClick);
    OnClick(Menu_File_Load, &TForm1::Menu_File_LoadClick);
    OnClick(Menu_Device_16M, &TForm1::Menu_Device_16MClick);
    OnClick(Menu_Device_32M, &TForm1::Menu_Device_32MClick);
    OnClick(Menu_Device_64M, &TForm1::Menu_Device_64MClick);
    OnClick(Menu_Device_128M, &TForm1::Menu_Device_128MClick);
    OnClick(Menu_Mode_Key, &TForm1::Menu_Mode_KeyClick);
    OnClick(Menu_Mode_Seq, &TForm1::Menu_Mode_SeqClick);
    OnClick(Menu_Mode_CPUP, &TForm1::Menu_Mode_CPUPClick);
    OnClick(Menu_Mode_CPUS, &TForm1::Menu_Mode_CPUSClick);
    OnClick(Menu_Mode_MP3, &TForm1::Menu_Mode_MP3Click);
    OnClick(Menu_Vout_PWM, &TForm1::Menu_Vout_PWMClick);
    OnClick(Menu_Vout_DAC, &TForm1::Menu_Vout_DACClick);
    OnClick(Menu_Bulide, &TForm1::Menu_BulideClick);
    OnClick(Menu_WebSite, &TForm1::Menu_WebSiteClick);

    OnClick(FL_Remove, &TForm1::FL_RemoveClick);
    OnClick(SE_Edge, &TForm1::SE_EdgeClick);
    OnClick(SE_Level, &TForm1::SE_LevelClick);
    OnClick(SE_Hold, &TForm1::SE_HoldClick);
    OnClick(SE_UnHold, &TForm1::SE_UnHoldClick);
    OnClick(SE_ReTrg, &TForm1::SE_ReTrgClick);
    OnClick(SE_NonReTrg, &TForm1::SE_NonReTrgClick);
    OnClick(GL_Remove, &TForm1::GL_RemoveClick);
    OnClick(GL_Up, &TForm1::GL_UpClick);
    OnClick(GL_Down, &TForm1::GL_DownClick);
    OnClick(GL_Busy, &TForm1::GL_BusyClick);
    OnClick(PM_SetAll_Edge, &TForm1::PM_SetAll_EdgeClick);
    OnClick(PM_SetAll_Level, &TForm1::PM_SetAll_LevelClick);
    OnClick(PM_SetAll_Hold, &TForm1::PM_SetAll_HoldClick);
    OnClick(PM_SetAll_UnHold, &TForm1::PM_SetAll_UnHoldClick);
    OnClick(PM_SetAll_ReTrg, &TForm1::PM_SetAll_ReTrgClick);
    OnClick(PM_SetAll_NonReTrg, &TForm1::PM_SetAll_NonReTrgClick);

    platform::EventGuard* guard = ApplicationEvents;
    guard->Connect(PM_FileEdit, &QMenu::aboutToShow, [this] { PM_FileEditPopup(PM_FileEdit); });
    guard->Connect(PM_SectionEdit, &QMenu::aboutToShow,
                   [this] { PM_SectionEditPopup(PM_SectionEdit); });
    guard->Connect(PM_GroupEdit, &QMenu::aboutToShow, [this] { PM_GroupEditPopup(PM_GroupEdit); });

    guard->Connect(FileSel_File, &WaveFileBox::DblClick,
                   [this] { FileSel_FileDblClick(FileSel_File); });
    guard->Connect(List_File, &ReportList::DblClick, [this] { List_FileDblClick(List_File); });
    guard->Connect(List_Section, &ReportList::DblClick,
                   [this] { List_SectionDblClick(List_Section); });
    guard->Connect(List_Section, &ReportList::ColumnClick,
                   [this](int column) { List_SectionColumnClick(List_Section, column); });
    guard->Connect(List_Section, &QTableWidget::itemSelectionChanged,
                   [this] { List_SectionChange(List_Section, List_Section->ItemIndex()); });
    guard->Connect(List_Group, &ReportList::DblClick, [this] { List_GroupDblClick(List_Group); });

    // Painting is an event like any other: a failure in it must not reach Qt.
    StatusBar->OnDrawPanel = [this](StatusPanels* bar, int panel, QPainter& canvas,
                                    const QRect& rect) {
        ApplicationEvents->Run(bar, [&] { StatusBarDrawPanel(bar, panel, canvas, rect); });
    };
}

// ---------------------------------------------------------------------------
// Settings menus

void TForm1::SetDevice(QAction* item, const QString& name, int32_t capacity) {
    item->setChecked(true);
    StatusBar->SetPanelText(0, QStringLiteral("Device: ") + name);
    // The usage text keeps the former capacity until its next rebuild; the
    // panel's colour follows the new one at once.
    Usage.SetCapacity(capacity);
}

void TForm1::Menu_Device_16MClick(QObject*) {
    SetDevice(Menu_Device_16M, QStringLiteral("Kelv16M"), 0x200000);
}

void TForm1::Menu_Device_32MClick(QObject*) {
    SetDevice(Menu_Device_32M, QStringLiteral("Kelv32M"), 0x400000);
}

void TForm1::Menu_Device_64MClick(QObject*) {
    SetDevice(Menu_Device_64M, QStringLiteral("Kelv64M"), 0x800000);
}

void TForm1::Menu_Device_128MClick(QObject*) {
    SetDevice(Menu_Device_128M, QStringLiteral("Kelv128M"), 0x1000000);
}

void TForm1::SetMode(QAction* item, const QString& name) {
    item->setChecked(true);
    RefreshSectionList();
    StatusBar->SetPanelText(1, QStringLiteral("Mode: ") + name);
}

void TForm1::Menu_Mode_KeyClick(QObject*) {
    SetMode(Menu_Mode_Key, QStringLiteral("Key Trigger"));
}

void TForm1::Menu_Mode_SeqClick(QObject*) {
    SetMode(Menu_Mode_Seq, QStringLiteral("Sequential"));
}

void TForm1::Menu_Mode_CPUPClick(QObject*) {
    SetMode(Menu_Mode_CPUP, QStringLiteral("CPU Parallel"));
}

void TForm1::Menu_Mode_CPUSClick(QObject*) {
    SetMode(Menu_Mode_CPUS, QStringLiteral("CPU Serial"));
}

void TForm1::Menu_Mode_MP3Click(QObject*) {
    SetMode(Menu_Mode_MP3, QStringLiteral("MP3"));
}

std::array<TForm1::ModeCode, 5> TForm1::ModeCodes() const {
    return {{
        {Menu_Mode_Key, &TForm1::Menu_Mode_KeyClick, ScriptLayout::kKeyTrigger},
        {Menu_Mode_Seq, &TForm1::Menu_Mode_SeqClick, ScriptLayout::kSequential},
        {Menu_Mode_CPUP, &TForm1::Menu_Mode_CPUPClick, ScriptLayout::kCpuParallel},
        {Menu_Mode_MP3, &TForm1::Menu_Mode_MP3Click, ScriptLayout::kMp3},
        {Menu_Mode_CPUS, &TForm1::Menu_Mode_CPUSClick, ScriptLayout::kCpuSerial},
    }};
}

void TForm1::SetVout(QAction* item, const QString& name) {
    item->setChecked(true);
    StatusBar->SetPanelText(2, QStringLiteral("Vout: ") + name);
}

void TForm1::Menu_Vout_PWMClick(QObject*) {
    SetVout(Menu_Vout_PWM, QStringLiteral("PWM"));
}

void TForm1::Menu_Vout_DACClick(QObject*) {
    SetVout(Menu_Vout_DAC, QStringLiteral("DAC"));
}

void TForm1::Menu_WebSiteClick(QObject*) {
    // Whether the page opened is not looked at: there is nothing to report.
    platform::shell_open(platform::program_folder() + QLatin1String(kWebSitePage));
}

// ---------------------------------------------------------------------------
// Usage panel

QString TForm1::UsageText() const {
    return QStringLiteral("Usage: %1 / %2 (%3%)")
        .arg(Usage.GetUsed())
        .arg(Usage.GetCapacity())
        .arg(Usage.GetPercent());
}

void TForm1::ShowUsage() {
    StatusBar->SetPanelText(3, UsageText());
}

void TForm1::StatusBarDrawPanel(StatusPanels* Sender, int Panel, QPainter& Canvas,
                                const QRect& Rect) {
    if (Panel != 3) return;
    // Decided at every paint: the capacity may have changed since the text
    // was made.
    Canvas.setPen(Usage.GetUsed() < Usage.GetCapacity() ? QColor(0, 0, 255) : QColor(255, 0, 0));
    Canvas.drawText(Rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Sender->PanelText(3));
}

// ---------------------------------------------------------------------------
// Messages and exceptions

int TForm1::ShowMessageBox(const QString& Text, MessageKind Kind) {
    QString caption;
    int flags = platform::MB_OK;
    switch (Kind) {
    case mkError:
        caption = QStringLiteral("ERROR");
        flags = platform::MB_OK | platform::MB_ICONERROR;
        break;
    case mkWarning:
        caption = QStringLiteral("WARNING");
        flags = platform::MB_OK | platform::MB_ICONWARNING;
        break;
    case mkBuild:
        caption = QStringLiteral("Build");
        flags = platform::MB_OK | platform::MB_ICONINFORMATION;
        break;
    case mkConfirm:
        caption = QStringLiteral("WARNING");
        flags = platform::MB_YESNO | platform::MB_ICONWARNING;
        break;
    default:
        break;
    }
    return platform::message_box(this, Text, caption, flags);
}

bool TForm1::ReplaceRefused(const QString& Path) {
    return QFileInfo::exists(Path) &&
           ShowMessageBox(QStringLiteral("The File \"") + Path +
                              QStringLiteral("\"Already Exists, Do You Want To Replace It?"),
                          mkConfirm) == platform::IDNO;
}

void TForm1::ApplicationEventsException(QObject*, const std::exception& E) {
    // Only a drive without a readable medium is worth telling the user; every
    // other failure just ends the handler it arose in.
    const auto* io = dynamic_cast<const platform::io_error*>(&E);
    if (!io || io->code() != platform::kIoNotReady) return;
    ShowMessageBox(QStringLiteral("Can't Find CD In The \"") + QString(FileSel_Dev->Drive()) +
                       QStringLiteral(":\\\" !"),
                   mkError);
}
