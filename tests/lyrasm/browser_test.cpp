// The WAV browser: drives, folders and the "*.wav" file box following them.
#include "FileBrowser.h"
#include "Main.h"

#include "io_error.h"
#include "message_box.h"
#include "volumes.h"

#include "ordinary_user.h"
#include "qstring_print.h"
#include "test_support.h"

#include <QDir>
#include <QListWidget>

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

using testsupport::TempDir;

namespace {

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

class Browser : public ::testing::Test {
  protected:
    Browser() {
        std::filesystem::create_directories(tmp.file("voices/b"));
        std::filesystem::create_directories(tmp.file("voices/a"));
        std::filesystem::create_directories(tmp.file("voices/.cache"));
        for (const char* name :
             {"voices/x.wav", "voices/Y.WAV", "voices/notes.txt", "voices/a/inner.wav"})
            testsupport::write_file(tmp.file(name), "");
        root = QString::fromStdString(tmp.path());
        voices = root + "/voices";
    }

    TempDir tmp;
    QString root, voices;
    platform::ScriptedMessageBoxes boxes;
};

} // namespace

TEST_F(Browser, FileBoxListsTheWavFilesOfTheOpenFolder) {
    TForm1 form;
    form.FileSel_Dir->SetDirectory(voices);
    EXPECT_EQ(form.FileSel_Dir->Directory(), voices);
    EXPECT_EQ(Texts(form.FileSel_File), QStringList({"x.wav", "Y.WAV"}));
    EXPECT_EQ(form.FileSel_File->FileName(), ""); // nothing selected yet

    ASSERT_TRUE(form.FileSel_File->SelectFile("Y.WAV"));
    EXPECT_EQ(form.FileSel_File->FileName(), voices + "/Y.WAV");

    // The folder list shows the way down from the root, then the subfolders.
    const QStringList rows = Texts(form.FileSel_Dir);
    ASSERT_GE(rows.size(), 4);
    EXPECT_EQ(rows.first(), "/");
    EXPECT_EQ(rows.mid(rows.size() - 3), QStringList({"voices", "a", "b"}));

    // Opening a subfolder as a person would (double click or Enter).
    QListWidgetItem* a = form.FileSel_Dir->item(rows.size() - 2);
    emit form.FileSel_Dir->itemActivated(a);
    EXPECT_EQ(form.FileSel_Dir->Directory(), voices + "/a");
    EXPECT_EQ(Texts(form.FileSel_File), QStringList({"inner.wav"}));
    EXPECT_EQ(form.FileSel_File->FileName(), "");
}

TEST_F(Browser, FolderThatCannotBeListedLeavesTheBrowserWhereItWas) {
    TForm1 form;
    form.FileSel_Dir->SetDirectory(voices);
    EXPECT_THROW(form.FileSel_Dir->SetDirectory(voices + "/missing"), platform::io_error);
    // One whose names can be read but not opened, met as an ordinary user.
    std::filesystem::create_directory(tmp.file("voices/locked"));
    ASSERT_EQ(::chmod(tmp.file("voices/locked").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tmp.file("voices").c_str(), 0755), 0);
    {
        const testsupport::AsOrdinaryUser user;
        EXPECT_THROW(form.FileSel_Dir->SetDirectory(voices + "/locked"), platform::io_error);
    }
    EXPECT_EQ(form.FileSel_Dir->Directory(), voices);
    EXPECT_EQ(form.FileSel_File->count(), 2);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Browser, OpensInTheCurrentFolder) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(voices));
    TForm1 form;
    QDir::setCurrent(before);
    EXPECT_EQ(form.FileSel_Dir->Directory(), voices);
    EXPECT_EQ(form.FileSel_File->count(), 2);
    EXPECT_EQ(form.FileSel_Dev->Drive(), QLatin1Char('C'));
}

TEST_F(Browser, DrivesRememberTheirFolder) {
    TForm1 form;
    form.FileSel_Dev->SetVolumeSource([&] {
        return QList<platform::Volume>{{QLatin1Char('C'), "/"}, {QLatin1Char('D'), voices}};
    });
    form.FileSel_Dir->SetDirectory(root);
    EXPECT_EQ(form.FileSel_Dev->Drive(), QLatin1Char('C'));

    form.FileSel_Dev->SetDrive(QLatin1Char('D'));
    EXPECT_EQ(form.FileSel_Dir->Directory(), voices);
    EXPECT_EQ(Texts(form.FileSel_Dir), QStringList({voices, "a", "b"}));
    EXPECT_EQ(Texts(form.FileSel_File), QStringList({"x.wav", "Y.WAV"}));

    form.FileSel_Dev->SetDrive(QLatin1Char('C'));
    EXPECT_EQ(form.FileSel_Dir->Directory(), root);

    // Walking into the other volume's folder shows its drive.
    form.FileSel_Dir->SetDirectory(voices + "/b");
    EXPECT_EQ(form.FileSel_Dev->Drive(), QLatin1Char('D'));
}

TEST_F(Browser, DrivesKeepTheirVolumeWhenALetterMoves) {
    TForm1 form;
    QList<platform::Volume> volumes = {{QLatin1Char('C'), "/"}, {QLatin1Char('D'), voices}};
    form.FileSel_Dev->SetVolumeSource([&] { return volumes; });
    form.FileSel_Dir->SetDirectory(voices + "/b");
    // A stick mounted at a point that sorts first takes the letter D.
    volumes = {{QLatin1Char('C'), "/"}, {QLatin1Char('D'), root}, {QLatin1Char('E'), voices}};
    form.FileSel_Dev->RefreshVolumes();
    EXPECT_EQ(form.FileSel_Dev->Drive(), QLatin1Char('E'));

    form.FileSel_Dev->SetDrive(QLatin1Char('D'));
    EXPECT_EQ(form.FileSel_Dir->Directory(), root);
    EXPECT_EQ(form.FileSel_Dev->Drive(), QLatin1Char('D'));
    form.FileSel_Dev->SetDrive(QLatin1Char('E'));
    EXPECT_EQ(form.FileSel_Dir->Directory(), voices + "/b");
    EXPECT_EQ(form.FileSel_Dev->Drive(), QLatin1Char('E'));
}

TEST_F(Browser, NamesOutsideTheCodePageAreListedAndRefused) {
    // Names copied from an old disk, in a code page of their own.
    const std::string odd = tmp.file("voices/dir\xe9");
    std::filesystem::create_directories(odd);
    testsupport::write_wav(odd + "/caf\xe9.wav", std::vector<uint8_t>(10, 0x80));
    testsupport::write_wav(odd + "/ok.wav", std::vector<uint8_t>(10, 0x80));
    // A link to a device is neither a folder nor a WAV file.
    std::filesystem::create_symlink("/dev/zero", tmp.file("voices/dev.wav"));
    TForm1 form;
    form.FileSel_Dir->SetDirectory(voices);
    const QString shown = QString("dir") + QChar(0xDCE9);
    EXPECT_EQ(Texts(form.FileSel_Dir).mid(Texts(form.FileSel_Dir).indexOf("voices")),
              QStringList({"voices", "a", "b", shown}));
    EXPECT_EQ(Texts(form.FileSel_File), QStringList({"x.wav", "Y.WAV"}));

    const QList<QListWidgetItem*> folder = form.FileSel_Dir->findItems(shown, Qt::MatchExactly);
    ASSERT_EQ(folder.size(), 1);
    emit form.FileSel_Dir->itemActivated(folder[0]);
    const QString name = QString("caf") + QChar(0xDCE9) + ".wav";
    EXPECT_EQ(Texts(form.FileSel_File), QStringList({name, "ok.wav"}));
    ASSERT_TRUE(form.FileSel_File->SelectFile(name));
    emit form.FileSel_File->DblClick();
    EXPECT_EQ(boxes.Transcript(),
              QStringList({"ERROR: The File: \"" + voices + "/" + shown + "/" + name +
                           "\" can't be saved in a log file: its path holds a character outside "
                           "the code page!"}));
    EXPECT_EQ(form.Files.Count(), 0);
}

TEST_F(Browser, NamesStartingWithAByteOrderMarkOpenTheirOwnFile) {
    const std::string mark = "\xEF\xBB\xBF";
    testsupport::write_wav(tmp.file("voices/" + mark + "x.wav"), std::vector<uint8_t>(10, 0x80),
                           {.rate = 11025});
    std::filesystem::create_directories(tmp.file("voices/" + mark + "c"));
    TForm1 form;
    form.FileSel_Dir->SetDirectory(voices);
    const QString marked = QChar(0xFEFF) + QString("x.wav");
    EXPECT_EQ(Texts(form.FileSel_File), QStringList({"x.wav", "Y.WAV", marked}));
    ASSERT_TRUE(form.FileSel_File->SelectFile(marked));
    emit form.FileSel_File->DblClick();
    ASSERT_EQ(form.Files.Count(), 1);
    EXPECT_EQ(form.Files.Items()[0].Path, voices + "/" + marked);
    EXPECT_EQ(form.Files.Items()[0].Rate, 11025);

    const QString folder = QChar(0xFEFF) + QString("c");
    const QList<QListWidgetItem*> rows = form.FileSel_Dir->findItems(folder, Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 1);
    emit form.FileSel_Dir->itemActivated(rows[0]);
    EXPECT_EQ(form.FileSel_Dir->Directory(), voices + "/" + folder);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Browser, LinksCountAsWhatTheyLeadTo) {
    testsupport::WavFormat format;
    format.rate = 11025;
    testsupport::write_wav(tmp.file("voices/a/inner.wav"), std::vector<uint8_t>(10, 0x80), format);
    testsupport::write_file(tmp.file("voices/b/in-b.wav"), "");
    std::filesystem::create_symlink("a/inner.wav", tmp.file("voices/link.wav"));
    std::filesystem::create_symlink("b", tmp.file("voices/linked"));
    TForm1 form;
    form.FileSel_Dir->SetDirectory(voices);
    EXPECT_EQ(Texts(form.FileSel_File), QStringList({"link.wav", "x.wav", "Y.WAV"}));

    // Added under the link's own path, with what the file it leads to holds.
    ASSERT_TRUE(form.FileSel_File->SelectFile("link.wav"));
    emit form.FileSel_File->DblClick();
    ASSERT_EQ(form.Files.Count(), 1);
    const FileStruce& added = form.Files.Items()[0];
    EXPECT_EQ(QString("%1 %2 %3").arg(added.Path).arg(added.Rate).arg(added.Size),
              voices + "/link.wav 11025 10");

    const QStringList rows = Texts(form.FileSel_Dir);
    EXPECT_EQ(rows.mid(rows.size() - 4), QStringList({"voices", "a", "b", "linked"}));
    emit form.FileSel_Dir->itemActivated(form.FileSel_Dir->item(rows.size() - 1));
    EXPECT_EQ(form.FileSel_Dir->Directory(), voices + "/linked");
    EXPECT_EQ(Texts(form.FileSel_File), QStringList({"in-b.wav"}));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Browser, VolumeMountedAtANameOutsideTheCodePageOpens) {
    const std::string point = tmp.file("card\xe9");
    std::filesystem::create_directories(point);
    testsupport::write_file(point + "/take.wav", "");
    TForm1 form;
    form.FileSel_Dev->SetVolumeSource([&] {
        return platform::volumes_from_mount_table("/dev/sdd1 " + QByteArray(point.c_str()) +
                                                  " vfat rw 0 0\n");
    });
    ASSERT_NO_THROW(form.FileSel_Dev->SetDrive(QLatin1Char('D')));
    EXPECT_EQ(form.FileSel_Dir->Directory(), root + "/card" + QChar(0xDCE9));
    EXPECT_EQ(form.FileSel_Dev->Drive(), QLatin1Char('D'));
    EXPECT_EQ(Texts(form.FileSel_File), QStringList({"take.wav"}));
}

TEST(Volumes, MountTableGivesLettersToUserVolumesOnly) {
    const QByteArray table = "proc /proc proc rw 0 0\n"
                             "sysfs /sys sysfs rw 0 0\n"
                             "overlay / overlay rw 0 0\n"
                             "tmpfs /run tmpfs rw 0 0\n"
                             "/dev/sda1 /boot ext4 rw 0 0\n"
                             "/dev/sda3 /home ext4 rw 0 0\n"
                             "/dev/sda3 /etc/hosts ext4 rw 0 0\n"
                             "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
                             "/dev/sdc1 /run/media/me/CARD exfat rw 0 0\n"
                             "tmpfs /mnt/scratch tmpfs rw 0 0\n"
                             "server:/export /mnt/share nfs4 rw 0 0\n"
                             "/dev/sdd1 /srv/disk\\040 ext4 rw 0 0\n";
    const QList<platform::Volume> volumes = platform::volumes_from_mount_table(table);
    const QList<platform::Volume> expected = {
        {QLatin1Char('C'), "/"},
        {QLatin1Char('D'), "/home"},
        {QLatin1Char('E'), "/media/usb stick"},
        {QLatin1Char('F'), "/mnt/share"},
        {QLatin1Char('G'), "/run/media/me/CARD"},
        {QLatin1Char('H'), "/srv/disk "}, // the escape is the point's last character
    };
    EXPECT_EQ(volumes, expected);

    EXPECT_EQ(platform::volume_of(volumes, "/home/me/a.wav")->letter, QLatin1Char('D'));
    EXPECT_EQ(platform::volume_of(volumes, "/homework")->letter, QLatin1Char('C'));
    EXPECT_EQ(platform::volume_of(volumes, "/media/usb stick")->letter, QLatin1Char('E'));
    EXPECT_EQ(platform::volume_of(volumes, "relative"), nullptr);

    EXPECT_EQ(platform::volumes_from_mount_table(""), QList<platform::Volume>({{'C', "/"}}));
    EXPECT_FALSE(platform::mounted_volumes().isEmpty());
}
