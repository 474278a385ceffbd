// The sound editor's one window: the WAV browser, the project's file list,
// the 256 trigger sections with the group list of the selected one, the
// Device, Mode and Vout settings in the main menu, and the status bar. The
// window owns the project model.
#pragma once

#include "Fileclass.h"
#include "Memory.h"
#include "ScriptLayout.h"
#include "Sectionclass.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <exception>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QPainter;
class DriveBox;
class FilterBox;
class FolderList;
class ReportList;
class StatusPanels;
class WaveFileBox;

namespace platform {
class EventGuard;
class FileDialog;
} // namespace platform

// The kind of a message box: 1 error, 2 warning, 3 build information,
// 4 confirmation (Yes/No); any other value gives a plain box.
using MessageKind = int;

class TForm1 : public QMainWindow {
  public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Components (owned by Qt through their parents).
    DriveBox* FileSel_Dev;
    FolderList* FileSel_Dir;
    WaveFileBox* FileSel_File;
    QMenuBar* MainMenu;
    QMenu* About1;
    QAction* Menu_Bulide;
    StatusPanels* StatusBar;
    ReportList* List_Section;
    QMenu* Menu_Device;
    ReportList* List_File;
    ReportList* List_Group;
    FilterBox* FileSel_Filter;
    platform::EventGuard* ApplicationEvents;
    QAction* Menu_Device_32M;
    QMenu* PM_FileEdit;
    QAction* FL_Remove;
    QMenu* PM_SectionEdit;
    QAction* SE_Edge;
    QAction* SE_Hold;
    QAction* SE_ReTrg;
    QMenu* PM_GroupEdit;
    QAction* GL_Remove;
    QAction* GL_Up;
    QAction* GL_Down;
    QAction* GL_Busy;
    QAction* Menu_Device_16M;
    QAction* Menu_Device_64M;
    QAction* Menu_Device_128M;
    platform::FileDialog* Save;
    QAction* Menu_Version;
    QAction* N2;
    QAction* Menu_WebSite;
    QMenu* Menu_Vout;
    QMenu* Menu_Mode;
    QAction* Menu_Mode_Key;
    QAction* Menu_Mode_CPUP;
    QAction* Menu_Mode_CPUS;
    QAction* Menu_Mode_Seq;
    QAction* Menu_Vout_DAC;
    QAction* Menu_Vout_PWM;
    QAction* Menu_Mode_MP3;
    QMenu* Menu_File;
    QAction* Menu_File_Save;
    QAction* Menu_File_Load;
    QMenu* PM_SetAllMenu_Edge;
    QAction* PM_SetAll_Edge;
    QAction* PM_SetAll_Level;
    QMenu* PM_SetAllMenu_Hold;
    QAction* PM_SetAll_Hold;
    QAction* PM_SetAll_UnHold;
    QMenu* PM_SetAllMenu_ReTrg;
    QAction* PM_SetAll_ReTrg;
    QAction* PM_SetAll_NonReTrg;
    QAction* N1;
    QAction* SE_Level;
    QAction* N3;
    QAction* SE_UnHold;
    QAction* SE_NonReTrg;
    platform::FileDialog* Load;

    // The project model, alive exactly as long as the window.
    MemoryUsage Usage;
    ScriptLayout::SectionArray Sections;
    FileList Files;

    // Bytes every image needs besides the voices; added once at start.
    static constexpr int32_t BaseUsage = 66608;

    static constexpr MessageKind mkError = 1;
    static constexpr MessageKind mkWarning = 2;
    static constexpr MessageKind mkBuild = 3;
    static constexpr MessageKind mkConfirm = 4;

    // Shows `Text` in a modal box of `Kind`; returns 1 for OK, 6 Yes, 7 No.
    int ShowMessageBox(const QString& Text, MessageKind Kind);
    // True when a file exists at `Path` and the user answers No to replacing
    // it; false (nothing asked) when there is no such file.
    bool ReplaceRefused(const QString& Path);

    // "Usage: <used> / <capacity> (<percent>%)"
    QString UsageText() const;
    // Writes the usage text into status panel 3.
    void ShowUsage();

    // Writes the three attribute columns of every section row, or "N/A" in
    // the modes that have no trigger attributes.
    void RefreshSectionList();
    // Rebuilds List_Group from the group list of the selected section.
    void RefreshGroupList();

    // Checks the project's WAV files and writes the project as a script file
    // at `path`. True when the file was written; false after a failure that
    // has already been reported to the user. Shows nothing on success.
    bool WriteScriptFile(const QString& path);
    // Adds the WAV file at `path` with the file id of a loaded script file to
    // the file list and List_File; false (nothing added) when it is refused.
    bool LoadFileEntry(int32_t Id, const QString& Path);

    // The file id a List_File row holds in its hidden column; 0 when the row
    // does not exist or its text is not a number.
    int32_t FileIdOfRow(int Row) const;
    // True, after an error box that names the file and says why, when the
    // script file cannot carry `Path`.
    bool PathRefusedByScript(const QString& Path);
    // Appends the List_File row of a file list entry: name, rate, size,
    // share of the current capacity and the id in the hidden column.
    void AddFileRow(const FileStruce& Entry);
    // Empties the project: sections at their defaults, no files (List_File
    // emptied too), the usage back to BaseUsage. The section and group lists
    // and the usage text are left to the caller.
    void ClearProject();

    // Event handlers. Each is connected through ApplicationEvents, so an
    // exception ends only the handler it arose in.
    void FileSel_FileDblClick(QObject* Sender);
    void List_FileDblClick(QObject* Sender);
    void List_SectionChange(QObject* Sender, int Item);
    void List_SectionColumnClick(QObject* Sender, int Column);
    void List_SectionDblClick(QObject* Sender);
    void List_GroupDblClick(QObject* Sender);
    void StatusBarDrawPanel(StatusPanels* Sender, int Panel, QPainter& Canvas, const QRect& Rect);
    void ApplicationEventsException(QObject* Sender, const std::exception& E);

    void Menu_File_SaveClick(QObject* Sender);
    void Menu_File_LoadClick(QObject* Sender);
    void Menu_Device_16MClick(QObject* Sender);
    void Menu_Device_32MClick(QObject* Sender);
    void Menu_Device_64MClick(QObject* Sender);
    void Menu_Device_128MClick(QObject* Sender);
    void Menu_Mode_KeyClick(QObject* Sender);
    void Menu_Mode_SeqClick(QObject* Sender);
    void Menu_Mode_CPUPClick(QObject* Sender);
    void Menu_Mode_CPUSClick(QObject* Sender);
    void Menu_Mode_MP3Click(QObject* Sender);
    void Menu_Vout_PWMClick(QObject* Sender);
    void Menu_Vout_DACClick(QObject* Sender);
    void Menu_BulideClick(QObject* Sender);
    void Menu_WebSiteClick(QObject* Sender);

    void PM_FileEditPopup(QObject* Sender);
    void FL_RemoveClick(QObject* Sender);

    void PM_SectionEditPopup(QObject* Sender);
    void SE_EdgeClick(QObject* Sender);
    void SE_LevelClick(QObject* Sender);
    void SE_HoldClick(QObject* Sender);
    void SE_UnHoldClick(QObject* Sender);
    void SE_ReTrgClick(QObject* Sender);
    void SE_NonReTrgClick(QObject* Sender);

    void PM_GroupEditPopup(QObject* Sender);
    void GL_RemoveClick(QObject* Sender);
    void GL_UpClick(QObject* Sender);
    void GL_DownClick(QObject* Sender);
    void GL_BusyClick(QObject* Sender);

    void PM_SetAll_EdgeClick(QObject* Sender);
    void PM_SetAll_LevelClick(QObject* Sender);
    void PM_SetAll_HoldClick(QObject* Sender);
    void PM_SetAll_UnHoldClick(QObject* Sender);
    void PM_SetAll_ReTrgClick(QObject* Sender);
    void PM_SetAll_NonReTrgClick(QObject* Sender);

  private:
    void CreateComponents();
    void CreateMainMenu();
    void CreatePopupMenus();
    void CreateFileBrowser(QWidget* client);
    void ConnectEvents();
    QAction* AddRadioItem(QMenu* menu, QActionGroup* group, const QString& caption);
    void OnClick(QAction* item, void (TForm1::*handler)(QObject*));
    void SetDevice(QAction* item, const QString& name, int32_t capacity);
    void SetMode(QAction* item, const QString& name);
    // Each Mode item with its click handler and the $FuncCode the script
    // file gives it; the writer and the loader both go by this table.
    struct ModeCode {
        QAction* Item;
        void (TForm1::*Click)(QObject*);
        int Code;
    };
    std::array<ModeCode, 5> ModeCodes() const;
    void SetVout(QAction* item, const QString& name);

    // The radio groups of the Device, Mode and Vout menus and of the
    // section-edit popup.
    QActionGroup* DeviceGroup;
    QActionGroup* ModeGroup;
    QActionGroup* VoutGroup;
    QActionGroup* EdgeGroup;
    QActionGroup* HoldGroup;
    QActionGroup* ReTrgGroup;

    // Build (MainBuild.cpp) ---------------------------------------------------
  public:
    // The data memory file of a script file: the script path with the
    // extension of its file name replaced by ".data", or ".data" appended to
    // a name without one.
    static QString ImagePathOf(const QString& ScriptPath);
    // The generator's command line: the generator's file, the script path
    // and the image path as three double-quoted words.
    static QString GeneratorCommandLine(const QString& Generator, const QString& ScriptPath,
                                        const QString& ImagePath);

    // The folder whose bin/tessor Build runs; empty: the program's own
    // folder. Tests point it at the built generator or at stand-ins.
    QString GeneratorFolder;
    // How long Build waits for the generator, in milliseconds.
    int GeneratorTimeout = 30000;

  private:
    // Set while a Build command runs.
    bool Building = false;

    // Build's steps, in the order Menu_BulideClick takes them. Each shows
    // its own message where the user is told anything.
    // True, after the "too long" message, when the used bytes are not below
    // the chip's capacity.
    bool BuildRefusedForSize();
    // True, after an error box, when the image path is the script path.
    bool ImagePathRefused(const QString& ScriptPath, const QString& ImagePath);
    // Asks before replacing each file that exists, the script first, and
    // deletes it; false when the user keeps one.
    bool DeleteFormerBuildFiles(const QString& ScriptPath, const QString& ImagePath);
    // Writes the script file; false, with neither file left, when the writer
    // failed (it has said why).
    bool WriteBuildScript(const QString& ScriptPath, const QString& ImagePath);
    // How a run of the generator ended, as Build tells it.
    enum class BuildOutcome { Success, FailedProgress, FailedScript };
    // Runs the generator on a worker thread while the window stays live and
    // the build-state panel says "Building...".
    BuildOutcome RunGeneratorOnWorker(const QString& ScriptPath, const QString& ImagePath);
    // Tells the user the outcome; after a failure neither file is left.
    void ReportBuild(BuildOutcome Outcome, const QString& ScriptPath, const QString& ImagePath);
};

// The one window of the program while it runs.
extern TForm1* Form1;
