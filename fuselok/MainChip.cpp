// The chip operations behind Erase, Write and Verify (Read): the power
// warning, each button's sequence, and the workers that drive the writer
// block by block or page by page with their progress and result shown in the
// status line.
//
// Every worker detects the chip first and ends with EndOperation on every way
// out. In between, one rule decides where a fault of the writer leads:
// - A transfer that was not started or not completed in time, or a writer
//   that has gone, fails the worker (its box has been shown) and ends its
//   loop: a writer that stopped answering would otherwise cost a time-out
//   and a box for every block or page left. The closing commands are still
//   sent, and the rest of the button's sequence does not run.
// - A wrong or missing answer to a command whose answer nothing depends on
//   (all but DetectChip's) is let pass and the worker goes on: the blank
//   check and the verification find what it left undone.
// - A page that did not move whole and cleanly fails Write and Read As File
//   at that page; Blank Check and Verify see it in their comparison.
#include "Main.h"
#include "ReadBackFile.h"

#include "WriterConnection.h"
#include "WriterProtocol.h"

#include "file_dialog.h"
#include "message_box.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

using Page = std::array<std::uint8_t, WriterPageSize>;

// Whole-chip streams count their progress against the chip's last page.
constexpr unsigned LastChipPage = ChipPageCount - 1;

unsigned Percent(int64_t step, int64_t divisor) {
    // A one-page file has nothing to divide by: its only page is its last.
    if (divisor <= 0) return 100;
    return static_cast<unsigned>(step * 100 / divisor);
}

// The page count a whole-chip stream takes: never past the chip's end, where
// the writer's addresses would wrap round to page 0.
int PagesOnChip(int PageCount) {
    return std::clamp(PageCount, 0, static_cast<int>(ChipPageCount));
}

enum class DetectReport { Box, StatusLine };

// One worker's conversation with the writer, from detection to EndOperation.
class ChipSession {
  public:
    ChipSession(TForm1& form, const char* failureText) : form(form), failureText(failureText) {}
    ~ChipSession() {
        // The closing command is sent however the worker ends; to a writer
        // that has gone it could only raise one more box.
        if (!WriterGone()) EndOperation();
    }
    ChipSession(const ChipSession&) = delete;
    ChipSession& operator=(const ChipSession&) = delete;

    bool Detect(DetectReport report) {
        // The program is leaving: nothing new is started on the chip.
        if (form.Stopping()) return false;
        if (DetectChip(ExpectedChipId)) return true;
        if (WriterGone()) {
            // Not a chip missing but the writer: its box has been shown.
            Fail();
        } else if (report == DetectReport::Box) {
            platform::message_box(&form, QStringLiteral("Chip detect failed!"),
                                  QStringLiteral("ERROR"), platform::MB_OK);
        } else {
            form.ShowEvent(QStringLiteral("Chip Detect Failed!"));
        }
        return false;
    }

    // Sent and Moved apply the rule at the head of this file to the operation
    // whose result they are given. What its transfers did decides, not its
    // success flag: a wrong answer is let pass.
    // Sent is for a command, or a page that is compared: false only when its
    // transfers failed.
    bool Sent(WriterResult result) { return Passed(result.Transfers() != WriterTransfers::Failed); }
    // For a page that is kept: false unless it moved whole and cleanly.
    bool Moved(WriterResult result) { return Passed(result.Transfers() == WriterTransfers::Whole); }
    // A worker that was stopped did not reach its end either.
    bool Broken() const { return failed || WriterGone() || form.Stopping(); }

    // Runs `step(index)` for index 0 to count - 1. Before each step the
    // window's pending messages are processed (a removal or a signal to stop
    // arrives among them) and the progress is shown against `lastIndex`. The
    // loop stops when a step returns false, when the writer has gone, so that
    // it does not run on through the rest of the chip with nobody listening,
    // and when the program is stopping, which fails the worker.
    template <class F> void Steps(int64_t count, int64_t lastIndex, F step) {
        for (int64_t index = 0; index < count; ++index) {
            QCoreApplication::processEvents();
            if (Broken()) return;
            form.ShowProgress(Percent(index, lastIndex));
            if (!step(index)) return;
        }
    }

    // The page stream from chip address 0: `begin`, the steps, `end`.
    template <class F>
    void Stream(WriterResult (*begin)(std::uint32_t), WriterResult (*end)(), int64_t count,
                int64_t lastIndex, F step) {
        if (Sent(begin(0))) Steps(count, lastIndex, step);
        Sent(end());
    }

    // Shows the worker's failure text; returns the worker's result.
    bool Fail() {
        form.ShowEvent(QLatin1String(failureText));
        return false;
    }

  private:
    bool Passed(bool ok) {
        if (!ok) failed = true;
        return ok;
    }

    TForm1& form;
    const char* failureText;
    bool failed = false;
};

// The Data Memory File of DM_Path, as Write and Verify take it when they run,
// at its start, with its last page index (-1 for an empty file). Shows why
// when it cannot be used.
bool OpenImage(TForm1& form, ImageFile& file, int64_t& lastPage) {
    const QString path = form.DM_Path->text();
    if (!file.Open(path)) {
        form.ShowEvent(QStringLiteral("Failed To Open File: ") + path);
        return false;
    }
    // Grown past the chip since it was loaded, its pages past the end would
    // wrap round and overwrite the start of the image.
    const int64_t size = form.ImageSize(file, path);
    if (size < 0) return false;
    const int64_t pageSize = static_cast<int64_t>(WriterPageSize);
    lastPage = size % pageSize != 0 ? size / pageSize : size / pageSize - 1;
    return true;
}

// The next page of the image; past the file's end it holds 0xFF, as an
// erased chip does. False on a read error.
bool ReadImagePage(ImageFile& file, Page& page) {
    page.fill(0xFF);
    file.Read(page.data(), page.size());
    return !file.ReadFailed();
}

// The power warning before anything is sent; true to go on.
bool PowerRemoved(TForm1& form) {
    const int answer = platform::message_box(
        &form,
        QStringLiteral("DO NOT connect power or battery to circuit board when Kelv32M ereasing, "
                       "writing, verifying or reading! \n"
                       "Did you already remove power or battery ?"),
        QStringLiteral("WARNING"), platform::MB_YESNO | platform::MB_ICONWARNING);
    if (answer == platform::IDYES) return true;
    form.ShowEvent(QStringLiteral("Cancelled!"));
    return false;
}

} // namespace

// ---------------------------------------------------------------------------
// The buttons
//
// Each holds device changes back for its whole sequence, so that the message
// processing between pages cannot drop the connection under a page stream.
// The guard is declared first and so let go last: by then the controls are
// released, and the held-back handling shows the state that is to stay.

void TForm1::DM_EraseClick(QObject*) {
    // One operation at a time, however the click got here.
    if (Busy()) return;
    const WriterOperationGuard writer;
    const OperationScope hold(*this);
    if (!PowerRemoved(*this)) return;
    if (EraseChip() && MainMenu_DBCAE->isChecked()) BlankCheck(ChipPageCount);
}

void TForm1::DM_ProgramClick(QObject*) {
    if (Busy()) return;
    const WriterOperationGuard writer;
    const OperationScope hold(*this);
    if (!PowerRemoved(*this)) return;
    // The erase here is never followed by a blank check.
    if (MainMenu_DEDBW->isChecked() && !EraseChip()) return;
    if (ProgramChip() && MainMenu_DVDAW->isChecked()) VerifyChip();
}

void TForm1::DM_VerifyClick(QObject*) {
    if (Busy()) return;
    const WriterOperationGuard writer;
    const OperationScope hold(*this);
    if (!PowerRemoved(*this)) return;
    if (MainMenu_DRAF->isChecked())
        ReadChipToFile(ChipPageCount);
    else
        VerifyChip();
}

// ---------------------------------------------------------------------------
// The workers

bool TForm1::EraseChip() {
    ChipSession session(*this, "Erase Failed!");
    if (!session.Detect(DetectReport::Box)) return false;

    ShowEvent(QStringLiteral("Erasing..."));
    session.Steps(EraseBlockCount, EraseBlockCount - 1, [&](int64_t block) {
        return session.Sent(EraseBlock(static_cast<std::uint8_t>(block)));
    });
    if (session.Broken()) return session.Fail();
    ShowEvent(QStringLiteral("Erase completed!"));
    return true;
}

bool TForm1::BlankCheck(int PageCount) {
    ChipSession session(*this, "Blank Check Failed!");
    if (!session.Detect(DetectReport::Box)) return false;

    Page expected;
    expected.fill(0xFF);
    ShowEvent(QStringLiteral("Blank checking..."));
    bool blank = true;
    Page read;
    session.Stream(BeginRead, EndRead, PagesOnChip(PageCount), LastChipPage, [&](int64_t) {
        // A byte the writer did not deliver must not pass for an erased one.
        read.fill(0x00);
        if (!session.Sent(ReadPage(read))) return false;
        blank = read == expected;
        return blank;
    });
    if (session.Broken()) return session.Fail();
    ShowEvent(blank ? QStringLiteral("Blank check completed!")
                    : QStringLiteral("Chip Is Not Blank!"));
    return blank;
}

bool TForm1::ProgramChip() {
    ImageFile file;
    ChipSession session(*this, "Program Failed!");
    int64_t lastPage = -1;
    if (!OpenImage(*this, file, lastPage)) return false;
    if (!session.Detect(DetectReport::Box)) return false;

    const QString readFailure = QStringLiteral("Failed To Read File: ") + DM_Path->text();
    ShowEvent(QStringLiteral("Programming..."));
    bool fileRead = true;
    Page page;
    session.Stream(BeginWrite, EndWrite, lastPage + 1, lastPage, [&](int64_t) {
        // Bytes that never arrived from the file are not written as 0xFF.
        fileRead = ReadImagePage(file, page);
        return fileRead && session.Moved(WritePage(page));
    });
    if (!fileRead) {
        ShowEvent(readFailure);
        return false;
    }
    if (session.Broken()) return session.Fail();
    ShowEvent(QStringLiteral("Program completed!"));
    return true;
}

bool TForm1::VerifyChip() {
    ImageFile file;
    ChipSession session(*this, "Verify Failed!");
    int64_t lastPage = -1;
    if (!OpenImage(*this, file, lastPage)) return false;
    if (!session.Detect(DetectReport::Box)) return false;

    const QString readFailure = QStringLiteral("Failed To Read File: ") + DM_Path->text();
    ShowEvent(QStringLiteral("Verifying..."));
    bool fileRead = true;
    bool same = true;
    Page chip, image;
    session.Stream(BeginRead, EndRead, lastPage + 1, lastPage, [&](int64_t) {
        fileRead = ReadImagePage(file, image);
        if (!fileRead) return false;
        // Bytes the writer did not deliver keep what the buffer held: the
        // complement of the file's own can never pass for them.
        std::transform(image.begin(), image.end(), chip.begin(),
                       [](std::uint8_t b) { return static_cast<std::uint8_t>(~b); });
        if (!session.Sent(ReadPage(chip))) return false;
        same = chip == image;
        return same;
    });
    if (!fileRead) {
        ShowEvent(readFailure);
        return false;
    }
    if (session.Broken()) return session.Fail();
    ShowEvent(same ? QStringLiteral("Verify completed!")
                   : QStringLiteral("Data Is Different With File!"));
    return same;
}

bool TForm1::ReadChipToFile(int PageCount) {
    ReadBackFile out;
    ChipSession session(*this, "Read Failed!");
    if (!DG_Save->Execute(this)) return false;
    const QString name = DG_Save->FileName;
    if (!out.Create(name)) {
        ShowEvent(QStringLiteral("Failed To Create File: ") + name);
        return false;
    }
    if (!session.Detect(DetectReport::StatusLine)) return false;

    ShowEvent(QStringLiteral("Reading..."));
    bool stored = true;
    Page page;
    session.Stream(BeginRead, EndRead, PagesOnChip(PageCount), LastChipPage, [&](int64_t) {
        page.fill(0xFF);
        if (!session.Moved(ReadPage(page))) return false;
        stored = out.Write(page);
        return stored;
    });
    // Put in place of the chosen name only when the whole chip came in, and
    // only once it is stored: data the file system could not keep is
    // reported, and the chosen name keeps what it held.
    if (stored && !session.Broken()) stored = out.Keep();
    if (!stored) {
        ShowEvent(QStringLiteral("Failed To Write File: ") + name);
        return false;
    }
    if (session.Broken()) return session.Fail();
    ShowEvent(QStringLiteral("Read completed!"));
    return true;
}
