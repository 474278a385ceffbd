// Loading a Data Memory File: the size limit, the checksum, the progress, the
// status texts, and what a failed or cancelled load leaves.
#include "Main.h"

#include "file_dialog.h"
#include "message_box.h"

#include "test_support.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class ImageLoad : public ::testing::Test {
  protected:
    testsupport::TempDir dir;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    TForm1 form{QString::fromStdString(dir.path()) + '/'};

    void SetUp() override { form.ShowWriterState(true, "1", "0"); }

    QString File(const std::string& name, const std::string& content) {
        testsupport::write_file(dir.file(name), content);
        return QString::fromStdString(dir.file(name));
    }
    void Load(const QString& path) {
        dialogs.Choose(path);
        form.DM_Load->click(); // through the button and the guard
    }
    QStringList Shown() const {
        return {form.DM_Event->text(), form.DM_Path->text(), form.DM_CheckSum->text(),
                form.DM_Percent->text()};
    }
};

} // namespace

TEST_F(ImageLoad, SumsEveryByteAndShowsTheLow16BitsWithProgress) {
    std::vector<int> steps;
    QObject::connect(form.DM_Progress, &QProgressBar::valueChanged, [&](int p) {
        steps.push_back(p);
        // Every step runs with the controls held and the window kept open.
        EXPECT_TRUE(form.Busy());
        EXPECT_FALSE(form.DM_Load->isEnabled());
        EXPECT_FALSE(form.MainMenu_About->isEnabled());
        EXPECT_FALSE(form.close());
    });
    const QString abc = File("abc.data", "abc");
    Load(abc);
    EXPECT_EQ(Shown(), QStringList({"Load Completed!", abc, "0126", "100%"}));
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].kind, platform::FileDialogKind::Open);
    EXPECT_EQ(dialogs.Shown()[0].filter, "Data Memory File (*.data)|*.data");

    steps.clear();
    const QString p300 = File("300.data", std::string(300, '\x01'));
    Load(p300);
    EXPECT_EQ(steps, std::vector<int>({85, 100}));
    EXPECT_EQ(Shown(), QStringList({"Load Completed!", p300, "012C", "100%"}));
    // 129 bytes of 0xFF: all sixteen bits count.
    Load(File("high.data", std::string(129, '\xFF')));
    EXPECT_EQ(form.DM_CheckSum->text(), "807F");
    EXPECT_FALSE(form.Busy());
    EXPECT_TRUE(form.DM_Load->isEnabled());
    EXPECT_TRUE(form.MainMenu_About->isEnabled());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ImageLoad, AnEmptyFileLoadsWithoutTouchingTheProgress) {
    form.ShowProgress(37);
    const QString empty = File("empty.data", "");
    Load(empty);
    EXPECT_EQ(Shown(), QStringList({"Load Completed!", empty, "0000", "37%"}));
    EXPECT_EQ(form.DM_Progress->value(), 37);
}

TEST_F(ImageLoad, TheWholeChipLoadsAndOneByteMoreIsRefused) {
    std::string chip(ChipSize, '\0');
    chip.front() = '\x01';
    chip.back() = '\x5A'; // the last byte of the last block counts
    const QString full = File("full.data", chip);
    Load(full);
    EXPECT_EQ(Shown(), QStringList({"Load Completed!", full, "005B", "100%"}));

    // All erased: the sum 0x3FC00000 keeps no low bits.
    Load(File("ff.data", std::string(ChipSize, '\xFF')));
    EXPECT_EQ(form.DM_CheckSum->text(), "0000");

    form.ShowProgress(12);
    Load(File("big.data", std::string(ChipSize + 1, '\0')));
    EXPECT_EQ(Shown(), QStringList({"Failed! File Size Need To Smaller Then 8MB! ",
                                    QString::fromStdString(dir.file("ff.data")), "0000", "12%"}));
}

TEST_F(ImageLoad, CancelledAndFailedLoadsKeepTheFileLoadedBefore) {
    const QString abc = File("abc.data", "abc");
    Load(abc);
    const QStringList kept = Shown().mid(1);

    dialogs.Cancel();
    form.DM_Load->click();
    EXPECT_EQ(form.DM_Event->text(), "Cancelled!");
    EXPECT_EQ(Shown().mid(1), kept);

    // Gone since it was chosen, a folder, a pipe (which must not block), and
    // a name the 8-bit code page cannot hold.
    ::mkfifo(dir.file("pipe.data").c_str(), 0644);
    const QString unopened[] = {QString::fromStdString(dir.file("gone.data")),
                                QString::fromStdString(dir.path()),
                                QString::fromStdString(dir.file("pipe.data")),
                                QString::fromStdString(dir.path()) + "/x" + QChar(0xDC00)};
    for (const QString& name : unopened) {
        SCOPED_TRACE(name.toStdString());
        Load(name);
        EXPECT_EQ(form.DM_Event->text(), "Failed To Open File: " + name);
        EXPECT_EQ(Shown().mid(1), kept);
    }

    // The status line shows a file name as it is written, even one that
    // reads like markup.
    const QString marked = QString::fromStdString(dir.path()) + "/<b>gone</b>.data";
    Load(marked);
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(form.DM_Event)->text(QAccessible::Name).toStdString(),
        ("Failed To Open File: " + marked).toStdString());

    // Opens, but its length cannot be taken: no checksum passes for it.
    Load("/proc/self/mem");
    EXPECT_EQ(form.DM_Event->text(), "Failed To Read File: /proc/self/mem");
    EXPECT_EQ(Shown().mid(1), kept);
    EXPECT_FALSE(form.Busy());
    EXPECT_TRUE(form.DM_Load->isEnabled());
    EXPECT_TRUE(boxes.Shown().empty());
}
