// Setup.ini: what each key does, its default, and how values are read, by
// the window and by IniFile alone.
#include "IniFile.h"
#include "Main.h"

#include "message_box.h"

#include "test_support.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct Seen {
    bool verifyMenu;
    QString version;
    QString editor;
    bool editorItem;
};

Seen Start(const testsupport::TempDir& dir) {
    TForm1 form(QString::fromStdString(dir.path()) + '/');
    return {form.MainMenu_DMV->menuAction()->isEnabled(), form.MainMenu_SwVer->text(),
            form.EditorPath, form.MainMenu_Tools_Editor->isEnabled()};
}

Seen StartWith(const std::string& ini) {
    testsupport::TempDir dir;
    testsupport::write_file(dir.file("Setup.ini"), ini);
    return Start(dir);
}

} // namespace

TEST(Settings, WithoutSetupIniEverythingTakesItsDefault) {
    platform::ScriptedMessageBoxes boxes;
    testsupport::TempDir dir;
    const Seen s = Start(dir);
    EXPECT_FALSE(s.verifyMenu);
    EXPECT_EQ(s.version, "Software Version:Unknow");
    EXPECT_EQ(s.editor, "");
    EXPECT_FALSE(s.editorItem);

    // A folder or a pipe of that name reads as no file, and does not block.
    ::mkdir(dir.file("Setup.ini").c_str(), 0755);
    EXPECT_EQ(Start(dir).version, "Software Version:Unknow");
    ::rmdir(dir.file("Setup.ini").c_str());
    ASSERT_EQ(::mkfifo(dir.file("Setup.ini").c_str(), 0644), 0);
    EXPECT_EQ(Start(dir).version, "Software Version:Unknow");
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(Settings, EitherModeFlagOpensTheVerifyMenuWhenItReadsAsANonzeroInteger) {
    struct Case {
        const char* ini;
        bool open;
    };
    const Case cases[] = {
        {"[System]\nEngMode=1\n", true},
        {"[Option]\nReadMode=1\n", true},
        {"[System]\nEngMode=0\n[Option]\nReadMode=0\n", false},
        {"[SYSTEM]\r\nengmode = 2\r\n", true}, // names match without regard to case
        {"[System]\nEngMode=-1\n", true},
        {"[System]\nEngMode=0x10\n", true},
        {"[System]\nEngMode=\"1\"\n", true},
        {"[System]\nEngMode=abc\n", false},
        {"[System]\nEngMode=1.0\n", false},
        {"[System]\nEngMode=1 ; on\n", false}, // no comments after a value
        {"[System]\nEngMode=99999999999\n", false},
        // Integers are 32 bits wide.
        {"[System]\nEngMode=2147483647\n", true},
        {"[System]\nEngMode=-2147483648\n", true},
        {"[System]\nEngMode=2147483648\n", false},
        {"[System]\nEngMode=-2147483649\n", false},
        {"[System]\nEngMode=\n", false},
        {"[System]\nReadMode=1\n[Option]\nEngMode=1\n", false}, // wrong sections
        {"[System]\nEngMode=0\nEngMode=1\n", false},            // the first entry wins
        {"[System]\nEngMode:1\n", false},                       // only '=' gives a value
        // A vertical tab or a form feed is white space, to the parser as well.
        {"[System]\nEngMode=0\n\v\f[Option]\nReadMode=1\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        EXPECT_EQ(StartWith(c.ini).verifyMenu, c.open);
    }
}

TEST(Settings, VersionAndEditorPathAreTakenAsWritten) {
    Seen s = StartWith("[System]\nVersion=1.0\n[Path]\nEditor=lyrasm\n");
    EXPECT_EQ(s.version, "Software Version:1.0");
    EXPECT_EQ(s.editor, "lyrasm");
    EXPECT_TRUE(s.editorItem);

    s = StartWith("[System]\r\nVersion=\"V 2 beta\"\r\n[Path]\r\nEditor=\r\n");
    EXPECT_EQ(s.version, "Software Version:V 2 beta");
    EXPECT_FALSE(s.editorItem);
    EXPECT_EQ(StartWith("[System]\nVersion=\n").version, "Software Version:");
    // A name ends at its '=' only.
    EXPECT_FALSE(StartWith("[Path]\nEditor:lyrasm\n").editorItem);
    EXPECT_EQ(StartWith("[System]\nVersion:1=2\nVersion=3:4\n").version, "Software Version:3:4");

    // A long path is read whole, and a broken line does not stop the rest.
    const std::string longPath = "tools/" + std::string(600, 'e') + "/lyrasm";
    s = StartWith("garbage line\n[Path]\nEditor=" + longPath + "\n  indented=1\n");
    EXPECT_EQ(s.editor.toStdString(), longPath);
}

TEST(Settings, TheInstalledSetupIniNamesTheEditorBesideTheProgram) {
    testsupport::TempDir dir;
    testsupport::write_file(dir.file("Setup.ini"), testsupport::read_file(FUSELOK_SETUP_INI));
    const Seen s = Start(dir);
    EXPECT_EQ(s.editor, "lyrasm");
    EXPECT_TRUE(s.editorItem);
    EXPECT_EQ(s.version, "Software Version:V1.0.0");
    EXPECT_FALSE(s.verifyMenu);
}

TEST(IniFile, AByteOrderMarkBeforeTheFirstSectionIsSkipped) {
    testsupport::TempDir dir;
    testsupport::write_file(dir.file("Setup.ini"),
                            "\xEF\xBB\xBF[System]\r\nEngMode=1\r\nVersion=V2.5\r\n");
    const IniFile ini(QString::fromStdString(dir.file("Setup.ini")));
    EXPECT_TRUE(ini.ReadBool("System", "EngMode", false));
    EXPECT_EQ(ini.ReadString("System", "Version", "Unknow"), "V2.5");
}
