// The writer control's one window: the Writer tab with the three operation
// buttons, the loaded Data Memory File with its checksum, the status line and
// the progress display; the Option, Tools and About menus; the connection
// display in the corner of the tab row. The settings come from Setup.ini in
// the program's folder and are only read.
#pragma once

#include "WriterInterfaces.h"

#include <QMainWindow>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>

class QAction;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace platform {
class EventGuard;
class FileDialog;
} // namespace platform

// The one chip size the writer handles: the largest Data Memory File that
// loads, and the span every whole-chip operation covers.
inline constexpr uint32_t ChipSize = 0x400000;
// The chip is written and read in pages of 256 bytes, page k at chip address
// k * 256, and erased in blocks of 64 KiB: 0x4000 pages, 64 blocks.
inline constexpr uint32_t ChipPageCount = ChipSize / 256;
inline constexpr uint32_t EraseBlockCount = ChipSize / 0x10000;
// The chip the writer is asked to find before every operation (7F 9D 46 on
// the wire).
inline constexpr uint32_t ExpectedChipId = 0x469D7F;

// A Data Memory File opened for reading as raw chip content: file byte k
// belongs at chip address k. Loading and the chip operations read it the
// same way.
class ImageFile {
  public:
    ImageFile() = default;
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // Opens `Path`, its name converted to the 8-bit code page. Only a
    // regular file opens: a name the code page cannot hold, a folder, a
    // device or a pipe does not (a pipe would block the window).
    bool Open(const QString& Path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // The file's length, taken by seeking to its end (the position stays
    // there); -1 when it cannot be taken.
    int64_t Size();
    // Back to byte 0; false when the file cannot seek.
    bool Rewind();
    // Reads up to `Count` bytes; fewer only at the end of the file or after
    // a read error, which ReadFailed() then reports.
    size_t Read(void* Buffer, size_t Count);
    bool ReadFailed() const { return read_failed_; }

  private:
    int fd_ = -1;
    bool read_failed_ = false;
};

class TForm1 : public QMainWindow {
  public:
    // `Folder` is the program's folder, ending in '/': Setup.ini is read from
    // it and the sound editor is found in it. `ConnectWriter` is the start-up
    // search for the writer; it shows its outcome through ShowWriterState.
    // Without it the window starts disconnected.
    explicit TForm1(const QString& Folder, std::function<void(TForm1&)> ConnectWriter = {},
                    QWidget* parent = nullptr);
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Components, in the form's order (owned by Qt through their parents).
    platform::FileDialog* DG_Load;
    platform::FileDialog* DG_Save;
    QLineEdit* ED_WrtCnt;
    QWidget* Writer;
    QLabel* DM_Percent;
    QLabel* DM_Event;
    QPushButton* DM_Verify;
    QPushButton* DM_Program;
    QPushButton* DM_Erase;
    QProgressBar* DM_Progress;
    QLineEdit* DM_Path;
    QPushButton* DM_Load;
    QLineEdit* DM_CheckSum;
    QTabWidget* PG_Main;
    QMenuBar* MainMenu;
    QMenu* MainMenu_Option;
    QMenu* MainMenu_About;
    QMenu* MainMenu_DME;
    QAction* MainMenu_DBCAE;
    QMenu* MainMenu_DMW;
    QAction* MainMenu_DEDBW;
    QAction* MainMenu_DVDAW;
    QMenu* MainMenu_DMV;
    QAction* MainMenu_DRAF;
    QMenu* MainMenu_Tools;
    QAction* MainMenu_SwVer;
    QAction* MainMenu_Supp;
    QAction* MainMenu_WebSite;
    QAction* N3;
    QAction* MainMenu_Tools_Editor;
    QAction* MainMenu_HwVer;
    platform::EventGuard* ApplicationEvents;

    // The sound editor's path relative to the program's folder ([Path]
    // Editor of Setup.ini); empty until FormCreate has read it.
    QString EditorPath;

    // The program's folder, ending in '/'.
    const QString& ProgramFolder() const { return Folder; }

    // Enables or disables, in this order, the Option, Tools and About menus,
    // "...", the path, Erase, Write and Verify. Every load and every
    // operation calls it with false at its start and with true at its end.
    // While they are held disabled the window counts as busy: closing is
    // refused, and a connection change shown meanwhile enables nothing. With
    // true the connection state is applied again to the controls that follow
    // it, so that they match the connection after every load and operation.
    void EnableControls(bool Enable);
    bool Busy() const { return busy; }

    // Holds the controls disabled for its lifetime: EnableControls(false) now,
    // EnableControls(true) at its end, however the load or operation ends.
    class OperationScope {
      public:
        explicit OperationScope(TForm1& Form) : form(Form) { form.EnableControls(false); }
        ~OperationScope() { form.EnableControls(true); }
        OperationScope(const OperationScope&) = delete;
        OperationScope& operator=(const OperationScope&) = delete;

      private:
        TForm1& form;
    };

    // Ends the program's run from outside the window (a signal to stop). A
    // chip operation that runs ends at its next step as a failure, its
    // closing commands still sent; every box or dialog that is open, or that
    // opens from now on, answers as if cancelled; the event loop ends once
    // the running handler has returned.
    void Stop();
    bool Stopping() const { return stopping; }

    // Shows the writer's connection: the connection display, the "Writer
    // Version: " item, and the enabled state of Erase, Write, Verify, "..."
    // and the Option menu. Major and minor count only when connected. The
    // only place that writes the display and the version item.
    void ShowWriterState(bool Connected, const QString& Major = QString(),
                         const QString& Minor = QString());
    bool WriterShownConnected() const { return writerConnected; }

    // The status line and the progress display every load and operation use.
    void ShowEvent(const QString& Text);
    // Sets the progress bar to `Percent` and the percentage to "<Percent>%".
    void ShowProgress(unsigned Percent);

    // The size of the opened Data Memory File `File` (named `Path`), with the
    // file back at its start. When it cannot be used, as a load and as Write
    // and Verify take it, the status line says why and the result is -1:
    // larger than the chip, or its length cannot be taken or it cannot seek.
    int64_t ImageSize(ImageFile& File, const QString& Path);

    // Device-change events the window reacts to (any USB device), under the
    // names its procedure knows them by: the codes a device watch reports.
    static constexpr unsigned DBT_CONFIGCHANGED = DeviceConfigChanged;
    static constexpr unsigned DBT_DEVICEARRIVAL = DeviceArrival;
    static constexpr unsigned DBT_DEVICEREMOVEPENDING = DeviceRemovePending;
    static constexpr unsigned DBT_DEVICEREMOVECOMPLETE = DeviceRemoveComplete;

    // The window procedure for device changes: the hot-plug watcher calls it
    // on the window's thread with the event code. The four handled codes go
    // to OnDeviceChange (the writer search with its connect or drop, which
    // holds itself back while a writer operation runs); every other code is
    // ignored.
    void WndProc(unsigned EventCode);
    std::function<void(unsigned EventCode)> OnDeviceChange;

    // Event handlers, each connected through ApplicationEvents.
    void FormCreate(QObject* Sender);
    void DM_VerifyClick(QObject* Sender);
    void DM_ProgramClick(QObject* Sender);
    void DM_LoadClick(QObject* Sender);
    void DM_EraseClick(QObject* Sender);
    void MainMenu_DBCAEClick(QObject* Sender);
    void MainMenu_DEDBWClick(QObject* Sender);
    void MainMenu_DVDAWClick(QObject* Sender);
    void MainMenu_DRAFClick(QObject* Sender);
    void MainMenu_WebSiteClick(QObject* Sender);
    void MainMenu_Tools_EditorClick(QObject* Sender);
    void ApplicationEventsException(QObject* Sender, const std::exception& E);

    // The chip operations behind the three buttons. Each detects the chip
    // first and ends with EndOperation, whatever happened in between; the
    // result only decides whether the next one of a button's sequence runs.
    // False when the chip was not detected, or the operation did not reach
    // its end (a transfer failed or a page of Write or Read As File did not
    // move whole, the writer was removed, a file could not be read or
    // written); BlankCheck and VerifyChip also give false for a page that is
    // not blank or that differs from the file.
    bool EraseChip();
    bool BlankCheck(int PageCount);
    bool ProgramChip();
    bool VerifyChip();
    bool ReadChipToFile(int PageCount);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateComponents();
    void CreateWriterTab();
    void CreateMainMenu();
    void ConnectEvents();
    void OnClick(QAction* item, void (TForm1::*handler)(QObject*));
    void OnClick(QPushButton* button, void (TForm1::*handler)(QObject*));
    void ApplyWriterState();

    QString Folder;
    bool busy = false;
    bool stopping = false;
    bool writerConnected = false;
};
