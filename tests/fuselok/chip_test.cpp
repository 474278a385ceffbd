// The chip operations behind Erase, Write and Verify against the stand-in
// writer: what each button puts on the wire, what ends up on the chip and in
// the read-back file, the status texts, and what a missing chip, a late or
// short answer and a writer pulled out mid-stream leave behind.
#include "Main.h"
#include "StopSignals.h"
#include "WriterConnection.h"
#include "WriterStandIn.h"
#include "WriterWiring.h"

#include "file_dialog.h"
#include "message_box.h"

#include "held_controls.h"
#include "test_support.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using Strings = std::vector<std::string>;

const std::string kWarning = "WARNING: DO NOT connect power or battery to circuit board when "
                             "Kelv32M ereasing, writing, verifying or reading! \n"
                             "Did you already remove power or battery ?";

class Chip : public ::testing::Test {
  protected:
    testsupport::TempDir dir;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    StandInBus* bus = nullptr;
    std::shared_ptr<WriterStandIn> writer;
    WriterWiring wiring;
    std::unique_ptr<TForm1> form;
    std::vector<int> steps;

    // The window wired to a connected stand-in as the program wires it:
    // device changes reach it through its message processing.
    void SetUp() override {
        auto owned = std::make_unique<StandInBus>();
        bus = owned.get();
        UseWriterBus(std::move(owned));
        writer = bus->PlugWriter();
        form = std::make_unique<TForm1>(Folder(), [this](TForm1& f) { wiring.Start(f); });
        ASSERT_EQ(form->ED_WrtCnt->text(), "Writer Connect");
        QObject::connect(form->DM_Progress, &QProgressBar::valueChanged,
                         [this](int p) { steps.push_back(p); });
        writer->ClearWire();
    }
    void TearDown() override {
        // A stop leaves every later event loop of this process to return at
        // once; only the application's own loop clears that as it starts and
        // ends. Here, so that it runs however the test ended.
        if (form && form->Stopping()) {
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
        }
        EXPECT_TRUE(writer->Violations().empty()) << writer->Violations().front();
        wiring.Stop();
        form.reset();
        UseWriterBus(nullptr);
        WriterConnection.DevicePath.clear();
    }

    QString Folder() const { return QString::fromStdString(dir.path()) + '/'; }
    // A Data Memory File named in DM_Path, as a load leaves it.
    void Image(const std::string& bytes) {
        testsupport::write_file(dir.file("image.data"), bytes);
        form->DM_Path->setText(QString::fromStdString(dir.file("image.data")));
    }
    // One click with a clean record of the wire and the boxes.
    void Click(QPushButton* button) {
        writer->ClearWire();
        boxes.Clear();
        steps.clear();
        button->click();
    }
    std::string Event() const { return form->DM_Event->text().toStdString(); }
    Strings Boxes() const {
        Strings shown;
        for (const QString& box : boxes.Transcript())
            shown.push_back(box.toStdString());
        return shown;
    }
    // The commands, with runs of pages and of erase blocks from 0 counted.
    Strings Wire() const {
        Strings out;
        int run = 0;
        for (const std::string& c : writer->Commands()) {
            if (c == "ReadPage" || c == "WritePage") {
                if (!out.empty() && out.back().rfind(c + " x", 0) == 0)
                    out.back() = c + " x" + std::to_string(++run);
                else
                    out.push_back(c + " x" + std::to_string(run = 1));
            } else if (c == "EraseBlock " + std::to_string(run) && !out.empty() &&
                       out.back().rfind("EraseBlock 0-", 0) == 0) {
                out.back() = "EraseBlock 0-" + std::to_string(run++);
            } else if (c == "EraseBlock 0") {
                out.push_back("EraseBlock 0-0");
                run = 1;
            } else {
                out.push_back(c);
            }
        }
        return out;
    }
    std::vector<bool> Held() const { return HeldControls(*form); }
};

} // namespace

TEST_F(Chip, EraseWithBlankCheckHoldsTheWindowAndCoversTheWholeChip) {
    writer->Chip()[0] = 0x00;
    writer->Chip()[ChipSize - 1] = 0x12;
    bool checked = false;
    QObject::connect(form->DM_Progress, &QProgressBar::valueChanged, [&] {
        if (checked) return;
        checked = true;
        EXPECT_EQ(Held(), std::vector<bool>(8, false));
        EXPECT_FALSE(form->close());
        form->DM_ProgramClick(nullptr); // a second operation does not start
    });
    Click(form->DM_Erase);
    EXPECT_TRUE(checked);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(Boxes()[0], kWarning);
    EXPECT_EQ(boxes.Shown()[0].flags, 0x34);
    EXPECT_EQ(Wire(),
              (Strings{"DetectChip 469D7F", "EraseBlock 0-63", "EndOperation", "DetectChip 469D7F",
                       "BeginRead 000000", "ReadPage x16384", "EndRead", "EndOperation"}));
    EXPECT_EQ(std::count(writer->Chip().begin(), writer->Chip().end(), 0xFF), ChipSize);
    EXPECT_EQ(Event(), "Blank check completed!");
    EXPECT_EQ(form->DM_Percent->text(), "100%");
    EXPECT_EQ(Held(), std::vector<bool>(8, true));
    EXPECT_FALSE(form->Busy());

    // No in the warning: nothing is sent.
    boxes.Answer(platform::IDNO);
    Click(form->DM_Program);
    EXPECT_EQ(Event(), "Cancelled!");
    EXPECT_TRUE(Wire().empty());

    // Without "Blank Check After Erase" the erase is all.
    form->MainMenu_DBCAE->trigger();
    Click(form->DM_Erase);
    EXPECT_EQ(Wire(), (Strings{"DetectChip 469D7F", "EraseBlock 0-63", "EndOperation"}));
}

TEST_F(Chip, BlankCheckStopsAtThePageThatIsNotOrMayNotBeBlank) {
    const WriterOperationGuard operation;
    writer->Chip()[500 * 256 + 7] = 0x7F;
    EXPECT_FALSE(form->BlankCheck(ChipPageCount));
    EXPECT_EQ(Event(), "Chip Is Not Blank!");
    ASSERT_GE(Wire().size(), 3u);
    EXPECT_EQ(Wire()[2], "ReadPage x501");
    EXPECT_EQ(form->DM_Percent->text(), "3%");

    // A page that arrives short cannot be taken for an erased one.
    writer->Chip()[500 * 256 + 7] = 0xFF;
    writer->InjectFault({StandInFault::ShortAnswer, WriterPipePageIn, 10, 1, 100});
    writer->ClearWire();
    EXPECT_FALSE(form->BlankCheck(ChipPageCount));
    EXPECT_EQ(Event(), "Chip Is Not Blank!");
    ASSERT_GE(Wire().size(), 3u);
    EXPECT_EQ(Wire()[2], "ReadPage x11");
}

TEST_F(Chip, WriteVerifyAndReadBackOfAnImageWithAShortLastPage) {
    std::string bytes(300, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + 1);
    Image(bytes);
    writer->Chip()[400] = 0x00; // erased before the write
    Click(form->DM_Program);
    EXPECT_EQ(Wire(), (Strings{"DetectChip 469D7F", "EraseBlock 0-63", "EndOperation",
                               "DetectChip 469D7F", "BeginWrite 000000", "WritePage x2", "EndWrite",
                               "EndOperation", "DetectChip 469D7F", "BeginRead 000000",
                               "ReadPage x2", "EndRead", "EndOperation"}));
    EXPECT_EQ(std::string(writer->Chip().begin(), writer->Chip().begin() + 300), bytes);
    EXPECT_EQ(std::count(writer->Chip().begin() + 300, writer->Chip().end(), 0xFF), ChipSize - 300);
    EXPECT_EQ(Event(), "Verify completed!");
    ASSERT_GE(steps.size(), 4u);
    EXPECT_EQ(std::vector<int>(steps.end() - 4, steps.end()), (std::vector<int>{0, 100, 0, 100}));
    EXPECT_EQ(Boxes(), Strings{kWarning});

    // Past the file's end the chip must read as erased.
    writer->Chip()[400] = 0x00;
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Data Is Different With File!");
    // So must bytes the writer never delivered.
    writer->Chip()[400] = 0xFF;
    writer->InjectFault({StandInFault::ShortAnswer, WriterPipePageIn, 1, 1, 100});
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Data Is Different With File!");

    // Read back into a file of that name, replacing it.
    form->MainMenu_DRAF->trigger();
    const std::string readBack = dir.file("read.bin");
    testsupport::write_file(readBack, "older content");
    dialogs.Choose(QString::fromStdString(readBack));
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Read completed!");
    EXPECT_EQ(Wire(), (Strings{"DetectChip 469D7F", "BeginRead 000000", "ReadPage x16384",
                               "EndRead", "EndOperation"}));
    EXPECT_TRUE(testsupport::read_file(readBack) ==
                std::string(writer->Chip().begin(), writer->Chip().end()));

    dialogs.Cancel();
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Read completed!");
    EXPECT_EQ(Wire(), Strings{"EndOperation"});
}

TEST_F(Chip, WhatWriteTakesFromTheFile) {
    // The whole chip.
    std::string full(ChipSize, '\0');
    std::mt19937 random(7);
    for (char& c : full)
        c = static_cast<char>(random());
    Image(full);
    Click(form->DM_Program);
    EXPECT_EQ(Event(), "Verify completed!");
    ASSERT_EQ(Wire().size(), 13u);
    EXPECT_EQ(Wire()[5], "WritePage x16384");
    EXPECT_EQ(Wire()[10], "ReadPage x16384");
    EXPECT_EQ(std::memcmp(full.data(), writer->Chip().data(), ChipSize), 0);

    // Nothing loaded: the erase runs, nothing more.
    form->DM_Path->clear();
    Click(form->DM_Program);
    EXPECT_EQ(Event(), "Failed To Open File: ");
    EXPECT_EQ(Wire(),
              (Strings{"DetectChip 469D7F", "EraseBlock 0-63", "EndOperation", "EndOperation"}));

    form->MainMenu_DEDBW->trigger();
    form->MainMenu_DVDAW->trigger();
    form->ShowProgress(0);
    Image("x"); // one page: no progress step to divide into
    Click(form->DM_Program);
    EXPECT_EQ(Wire(), (Strings{"DetectChip 469D7F", "BeginWrite 000000", "WritePage x1", "EndWrite",
                               "EndOperation"}));
    EXPECT_EQ(steps, std::vector<int>{100});
    // Written again without an erase: programming only clears bits, so 87h
    // over the 78h of "x" leaves 00h, and the verify says so.
    form->MainMenu_DVDAW->trigger();
    Image("\x87");
    Click(form->DM_Program);
    EXPECT_EQ(writer->Chip()[0], 0x00);
    EXPECT_EQ(Event(), "Data Is Different With File!");

    // Grown past the chip since it was loaded: it would wrap onto page 0.
    Image(std::string(ChipSize + 1, '\0'));
    Click(form->DM_Program);
    EXPECT_EQ(Event(), "Failed! File Size Need To Smaller Then 8MB! ");
    EXPECT_EQ(Wire(), Strings{"EndOperation"});
}

TEST_F(Chip, FailuresNeverEndInSuccess) {
    Image(std::string(1024, 'a'));
    writer->SetChipId(0x123456);
    Click(form->DM_Program);
    EXPECT_EQ(Boxes(), (Strings{kWarning, "ERROR: Chip detect failed!"}));
    EXPECT_EQ(Wire(), (Strings{"DetectChip 469D7F", "EndOperation"}));

    // The read-back says so in the status line.
    form->MainMenu_DRAF->trigger();
    dialogs.Choose(QString::fromStdString(dir.file("read.bin")));
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Chip Detect Failed!");
    EXPECT_EQ(Boxes(), Strings{kWarning});
    writer->SetChipId(StandInChipId);

    // A pipe nobody reads is not waited on.
    const std::string pipe = dir.file("pipe.bin");
    ::mkfifo(pipe.c_str(), 0644);
    dialogs.Choose(QString::fromStdString(pipe));
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Failed To Create File: " + pipe);
    EXPECT_EQ(Wire(), Strings{"EndOperation"});

    // A file system that keeps only the first MiB of the chip.
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit before = limit;
    limit.rlim_cur = 0x100000;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    dialogs.Choose(QString::fromStdString(dir.file("read.bin")));
    Click(form->DM_Verify);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(Event(), "Failed To Write File: " + dir.file("read.bin"));
    EXPECT_EQ(Wire(), (Strings{"DetectChip 469D7F", "BeginRead 000000", "ReadPage x4097", "EndRead",
                               "EndOperation"}));

    // A folder takes the chosen name while the chip is read: the new file
    // cannot be put in its place.
    const std::string taken = dir.file("taken.bin");
    const auto makeFolder = QObject::connect(form->DM_Progress, &QProgressBar::valueChanged,
                                             [&] { ::mkdir(taken.c_str(), 0755); });
    dialogs.Choose(QString::fromStdString(taken));
    Click(form->DM_Verify);
    QObject::disconnect(makeFolder);
    EXPECT_EQ(Event(), "Failed To Write File: " + taken);
    form->MainMenu_DRAF->trigger();

    // A detection answer cut short is no detection.
    writer->InjectFault({StandInFault::ShortAnswer, WriterPipeFrameIn, 0, 1, 1});
    Click(form->DM_Verify);
    EXPECT_EQ(Boxes(), (Strings{kWarning, "ERROR: Chip detect failed!"}));

    // A page lost to a time-out ends the stream there: the write fails and
    // no verify follows.
    form->MainMenu_DEDBW->trigger();
    writer->InjectFault({StandInFault::NoAnswer, WriterPipePageOut, 1});
    Click(form->DM_Program);
    EXPECT_EQ(Boxes(), (Strings{kWarning, "ERROR: USB Time-Out!"}));
    EXPECT_EQ(Wire(), (Strings{"DetectChip 469D7F", "BeginWrite 000000", "WritePage x1", "EndWrite",
                               "EndOperation"}));
    EXPECT_EQ(Event(), "Program Failed!");

    EXPECT_EQ(WriterConnection.Connected, 1);
}

TEST_F(Chip, WriterPulledOutMidStreamStopsTheSequence) {
    Image(std::string(0x10000, 'b'));
    form->MainMenu_DEDBW->trigger();
    writer->InjectFault({StandInFault::Removal, WriterPipePageOut, 100});
    Click(form->DM_Program);
    EXPECT_EQ(Boxes(), (Strings{kWarning, "ERROR: USB Failed!"}));
    EXPECT_EQ(Wire(), (Strings{"DetectChip 469D7F", "BeginWrite 000000", "WritePage x100"}));
    EXPECT_EQ(Event(), "Program Failed!");
    EXPECT_EQ(form->DM_Percent->text(), "39%"); // the loop ended with the writer
    // The removal held back during the write is shown once the window's
    // events run again.
    QCoreApplication::processEvents();
    EXPECT_EQ(form->ED_WrtCnt->text(), "Writer Disconnect");
    EXPECT_EQ(Held(), std::vector<bool>({false, true, true, false, true, false, false, false}));
    EXPECT_EQ(writer->OpenFiles(), 0);
}

TEST_F(Chip, WriterThatStopsAnsweringCostsOneTimeOut) {
    Image(std::string(0x10000, 'c'));
    form->MainMenu_DEDBW->trigger();
    // Every page from the third on goes unanswered.
    writer->InjectFault({StandInFault::NoAnswer, WriterPipePageOut, 2, 1000});
    Click(form->DM_Program);
    EXPECT_EQ(Boxes(), (Strings{kWarning, "ERROR: USB Time-Out!"}));
    EXPECT_EQ(Wire(), (Strings{"DetectChip 469D7F", "BeginWrite 000000", "WritePage x2", "EndWrite",
                               "EndOperation"}));
    EXPECT_EQ(Event(), "Program Failed!");
}

TEST_F(Chip, ReadAsFileFailsOnAPageThatCameShortOrWithAnErrorAndLeavesNoFile) {
    form->MainMenu_DRAF->trigger();
    const std::string readBack = dir.file("read.bin");
    for (StandInFault::Kind kind : {StandInFault::ShortAnswer, StandInFault::TransferError}) {
        SCOPED_TRACE(kind);
        writer->InjectFault({kind, WriterPipePageIn, 10, 1, 156});
        dialogs.Choose(QString::fromStdString(readBack));
        Click(form->DM_Verify);
        EXPECT_EQ(Event(), "Read Failed!");
        EXPECT_FALSE(testsupport::file_exists(readBack));
    }
}

TEST_F(Chip, AReadBackThatDoesNotFinishLeavesTheEarlierFileAsItWas) {
    form->MainMenu_DRAF->trigger();
    // The chosen name, and another name of the same file.
    const std::string earlier = dir.file("read.bin"), other = dir.file("other.bin");
    testsupport::write_file(earlier, "earlier content");
    ASSERT_EQ(::link(earlier.c_str(), other.c_str()), 0);
    auto asItWas = [&] {
        return testsupport::read_file(earlier) == "earlier content" &&
               testsupport::read_file(other) == "earlier content" &&
               std::distance(std::filesystem::directory_iterator(dir.path()),
                             std::filesystem::directory_iterator()) == 2;
    };

    writer->SetChipId(0x123456);
    dialogs.Choose(QString::fromStdString(earlier));
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Chip Detect Failed!");
    EXPECT_TRUE(asItWas());
    writer->SetChipId(StandInChipId);

    writer->InjectFault({StandInFault::TransferError, WriterPipePageIn, 5000});
    dialogs.Choose(QString::fromStdString(earlier));
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Read Failed!");
    EXPECT_TRUE(asItWas());

    // The session ends (SIGTERM) a third of the way in: the read ends as a
    // failure with its closing commands, and the program is told to leave.
    const StopSignals stopSignals([this] { form->Stop(); });
    QObject::connect(form->DM_Progress, &QProgressBar::valueChanged, [](int p) {
        if (p == 33) std::raise(SIGTERM);
    });
    dialogs.Choose(QString::fromStdString(earlier));
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Read Failed!");
    const Strings wire = Wire();
    ASSERT_GE(wire.size(), 2u);
    EXPECT_EQ(Strings(wire.end() - 2, wire.end()), (Strings{"EndRead", "EndOperation"}));
    EXPECT_TRUE(asItWas());
    EXPECT_EQ(StopSignals::Received(), SIGTERM);
}

TEST_F(Chip, ReadBackIntoASymlinkReplacesTheFileItPointsToAndKeepsTheLink) {
    form->MainMenu_DRAF->trigger();
    const std::string target = dir.file("target.bin"), link = dir.file("link.bin");
    testsupport::write_file(target, "target content");
    ASSERT_EQ(::symlink("target.bin", link.c_str()), 0);
    auto linkTarget = [&] {
        std::error_code error;
        return std::filesystem::read_symlink(link, error).string();
    };

    writer->InjectFault({StandInFault::TransferError, WriterPipePageIn, 10});
    dialogs.Choose(QString::fromStdString(link));
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Read Failed!");
    EXPECT_EQ(linkTarget(), "target.bin");
    EXPECT_EQ(testsupport::read_file(target), "target content");

    dialogs.Choose(QString::fromStdString(link));
    Click(form->DM_Verify);
    EXPECT_EQ(Event(), "Read completed!");
    EXPECT_EQ(linkTarget(), "target.bin");
    EXPECT_TRUE(testsupport::read_file(target) ==
                std::string(writer->Chip().begin(), writer->Chip().end()));
}

TEST_F(Chip, WriteWithoutVerificationFailsOnAPageThatCompletedWithAnError) {
    Image(std::string(0x1000, 'd'));
    form->MainMenu_DEDBW->trigger();
    form->MainMenu_DVDAW->trigger();
    writer->InjectFault({StandInFault::TransferError, WriterPipePageOut, 3});
    Click(form->DM_Program);
    EXPECT_EQ(Event(), "Program Failed!");
    EXPECT_EQ(Wire(), (Strings{"DetectChip 469D7F", "BeginWrite 000000", "WritePage x3", "EndWrite",
                               "EndOperation"}));
}

TEST_F(Chip, EraseGoesOnPastAWrongEchoAndLeavesItToTheBlankCheck) {
    // The answer to EraseBlock 0, after DetectChip's, carries another code.
    writer->InjectFault({StandInFault::WrongCode, WriterPipeFrameIn, 1, 1, 1, 0x24});
    Click(form->DM_Erase);
    EXPECT_EQ(Wire(),
              (Strings{"DetectChip 469D7F", "EraseBlock 0-63", "EndOperation", "DetectChip 469D7F",
                       "BeginRead 000000", "ReadPage x16384", "EndRead", "EndOperation"}));
    EXPECT_EQ(Event(), "Blank check completed!");
    EXPECT_EQ(Boxes(), Strings{kWarning});
}
