// The writer window: start state, option flags, the connection display, the
// enabled states around loads and operations, device changes, the Tools and
// About menus, and the form's geometry.
#include "Main.h"

#include "file_dialog.h"
#include "message_box.h"
#include "shell.h"

#include "held_controls.h"
#include "test_support.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/stat.h>

namespace {

// Stands in for the desktop's opener of files, and records what it is given.
class DesktopOpener : public QObject {
    Q_OBJECT

  public:
    DesktopOpener() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~DesktopOpener() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> opened;

  public slots:
    void Open(const QUrl& url) { opened << url; }
};

class Window : public ::testing::Test {
  protected:
    testsupport::TempDir dir;
    platform::ScriptedMessageBoxes boxes;

    QString Folder() const { return QString::fromStdString(dir.path()) + '/'; }
    std::unique_ptr<TForm1> Make(const std::string& ini = "") {
        if (!ini.empty()) testsupport::write_file(dir.file("Setup.ini"), ini);
        return std::make_unique<TForm1>(Folder());
    }

    static QStringList Captions(QMenu* menu) {
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << (a->isSeparator() ? "-" : a->text());
        return texts;
    }
    static QColor Ink(const TForm1& f) { return f.ED_WrtCnt->palette().color(QPalette::Text); }
};

} // namespace

TEST_F(Window, StartsDisconnectedWithTheFormsMenusAndMarks) {
    auto form = Make();
    TForm1& f = *form;
    EXPECT_EQ(f.windowTitle(), "fuselok USB writer");
    EXPECT_EQ(f.ED_WrtCnt->text(), "Writer Disconnect");
    EXPECT_EQ(Ink(f), QColor(255, 0, 0));
    // Nothing that needs the writer can be pressed; the path and the other
    // menus can.
    EXPECT_EQ(HeldControls(f),
              std::vector<bool>({false, true, true, false, true, false, false, false}));
    EXPECT_FALSE(f.Busy());

    EXPECT_EQ(f.DM_Path->text(), "");
    EXPECT_EQ(f.DM_CheckSum->text(), "--");
    EXPECT_EQ(f.DM_Event->text(), "");
    EXPECT_EQ(f.DM_Percent->text(), "100%");
    EXPECT_EQ(f.DM_Progress->value(), 0);
    EXPECT_EQ(f.DM_Verify->text(), "Verify");
    EXPECT_EQ(f.DG_Save->FileName, "read.bin");
    EXPECT_EQ(f.DG_Save->Filter, "");

    QStringList bar;
    for (QAction* a : f.MainMenu->actions())
        bar << a->text();
    EXPECT_EQ(bar, QStringList({"Option", "Tools", "About"}));
    EXPECT_EQ(Captions(f.MainMenu_Option), QStringList({"Erase", "Write", "Verify"}));
    EXPECT_EQ(Captions(f.MainMenu_DME), QStringList({"Blank Check After Erase"}));
    EXPECT_EQ(Captions(f.MainMenu_DMW),
              QStringList({"Erase Data Before Write", "Verify Data After Write"}));
    EXPECT_EQ(Captions(f.MainMenu_DMV), QStringList({"Read As File"}));
    EXPECT_EQ(Captions(f.MainMenu_Tools), QStringList({" Editor"}));
    EXPECT_EQ(Captions(f.MainMenu_About),
              QStringList({"Writer Version: Unknow", "Software Version:Unknow",
                           "Device Supported: ", "-", "Quenda Web Site"}));
    EXPECT_TRUE(f.MainMenu_DBCAE->isChecked());
    EXPECT_TRUE(f.MainMenu_DEDBW->isChecked());
    EXPECT_TRUE(f.MainMenu_DVDAW->isChecked());
    EXPECT_FALSE(f.MainMenu_DRAF->isChecked());
    EXPECT_FALSE(f.MainMenu_DMV->menuAction()->isEnabled());
    EXPECT_FALSE(f.MainMenu_Tools_Editor->isEnabled());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Window, EachOptionClickFlipsItsMarkOnceAndMarksAreNotKept) {
    auto form = Make("[System]\nEngMode=1\n");
    for (QAction* item : {form->MainMenu_DBCAE, form->MainMenu_DEDBW, form->MainMenu_DVDAW}) {
        SCOPED_TRACE(item->text().toStdString());
        item->trigger(); // through Qt's own check handling and the guard
        EXPECT_FALSE(item->isChecked());
        item->trigger();
        EXPECT_TRUE(item->isChecked());
    }
    form->MainMenu_DRAF->trigger();
    EXPECT_TRUE(form->MainMenu_DRAF->isChecked());
    EXPECT_EQ(form->DM_Verify->text(), "Read");
    form->MainMenu_DRAF->trigger();
    EXPECT_FALSE(form->MainMenu_DRAF->isChecked());
    EXPECT_EQ(form->DM_Verify->text(), "Verify");

    form->MainMenu_DBCAE->trigger();
    form->MainMenu_DRAF->trigger();
    form.reset();
    auto next = Make();
    EXPECT_TRUE(next->MainMenu_DBCAE->isChecked());
    EXPECT_FALSE(next->MainMenu_DRAF->isChecked());
    EXPECT_EQ(next->DM_Verify->text(), "Verify");
}

TEST_F(Window, ConnectionStateDrivesTheDisplayAndTheWriterControls) {
    bool connectedBeforeSettings = false;
    TForm1 f(Folder(), [&](TForm1& form) {
        // The constructor's search runs before Setup.ini is read.
        EXPECT_EQ(form.ED_WrtCnt->text(), "Writer Disconnect");
        EXPECT_TRUE(form.EditorPath.isEmpty());
        form.ShowWriterState(true, "1", "5");
        connectedBeforeSettings = true;
    });
    ASSERT_TRUE(connectedBeforeSettings);
    EXPECT_EQ(f.ED_WrtCnt->text(), "Writer Connect");
    EXPECT_EQ(Ink(f), QColor(0, 0, 255));
    EXPECT_EQ(f.MainMenu_HwVer->text(), "Writer Version: 1.5");
    EXPECT_EQ(HeldControls(f), std::vector<bool>(8, true));
}

TEST_F(Window, HeldControlsFollowTheConnectionWhenReleased) {
    auto form = Make("[System]\nEngMode=1\n[Path]\nEditor=lyrasm\n");
    TForm1& f = *form;
    f.ShowWriterState(true, "1", "0");

    f.EnableControls(false);
    EXPECT_EQ(HeldControls(f), std::vector<bool>(8, false));
    EXPECT_TRUE(f.Busy());
    // Not in EnableControls' list: it keeps what Setup.ini gave it.
    EXPECT_TRUE(f.MainMenu_Tools_Editor->isEnabled());
    // The writer goes away mid-operation: shown at once, but nothing enabled.
    f.ShowWriterState(false);
    EXPECT_EQ(f.ED_WrtCnt->text(), "Writer Disconnect");
    EXPECT_EQ(HeldControls(f), std::vector<bool>(8, false));
    EXPECT_FALSE(f.close()); // a running operation keeps the window

    f.EnableControls(true);
    EXPECT_FALSE(f.Busy());
    EXPECT_EQ(HeldControls(f),
              std::vector<bool>({false, true, true, false, true, false, false, false}));

    f.ShowWriterState(true, "1", "0");
    f.EnableControls(false);
    f.EnableControls(true);
    EXPECT_EQ(HeldControls(f), std::vector<bool>(8, true));
    EXPECT_TRUE(f.MainMenu_DMV->menuAction()->isEnabled());
    EXPECT_TRUE(f.close());
}

TEST_F(Window, ReturnAndKeypadEnterPressTheFocusedButton) {
    platform::ScriptedFileDialogs dialogs;
    auto form = Make();
    form->ShowWriterState(true, "1", "0");
    form->show();
    QApplication::setActiveWindow(form.get());
    form->DM_Load->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), form->DM_Load);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dialogs.Shown().size(), 1u);
    form->DM_Erase->setFocus();
    boxes.Answer(platform::IDNO);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(form->DM_Event->text(), "Cancelled!");
    // A button that is disabled stays dead.
    form->ShowWriterState(false);
    QTest::keyClick(form->DM_Erase, Qt::Key_Return);
    EXPECT_EQ(boxes.Shown().size(), 1u);
}

TEST_F(Window, OnlyTheFourDeviceEventsReachTheConnection) {
    auto form = Make();
    std::vector<unsigned> seen;
    form->OnDeviceChange = [&](unsigned code) {
        seen.push_back(code);
        if (code == TForm1::DBT_CONFIGCHANGED) throw std::runtime_error("search failed");
    };
    for (unsigned code : {0x8000u, 0x0007u, 0x8003u, 0x8001u, 0x8004u, 0x0018u, 0u})
        form->WndProc(code);
    EXPECT_EQ(seen, std::vector<unsigned>({0x8000, 0x8003, 0x8004, 0x0018}));
    // What escapes the connection code is shown, not carried into Qt.
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "search failed");
    EXPECT_EQ(boxes.Shown()[0].caption, "fuselok");
}

TEST_F(Window, ToolsEditorStartsTheEditorBesideTheProgram) {
    {
        platform::RecordedShell shell;
        auto form = Make("[Path]\nEditor=../tools/ed\n");
        EXPECT_EQ(form->EditorPath, "../tools/ed");
        form->MainMenu_Tools_Editor->trigger();
        form->MainMenu_WebSite->trigger();
        ASSERT_EQ(shell.Opened().size(), 2u);
        EXPECT_EQ(shell.Opened()[0], Folder() + "../tools/ed"); // joined as it stands
        EXPECT_EQ(shell.Opened()[1], Folder() + "doc/fuselok.html");
    }
    // Through the real shell: the editor is a program and is started in the
    // writer program's current folder, not its own.
    testsupport::write_file(dir.file("ed"), "#!/bin/sh\nd=$(dirname \"$0\")\n"
                                            "pwd -P >\"$d/cwd\" && mv \"$d/cwd\" \"$d/started\"\n");
    ::chmod(dir.file("ed").c_str(), 0755);
    auto form = Make("[Path]\nEditor=ed\n");
    form->MainMenu_Tools_Editor->trigger();
    QDeadlineTimer deadline(10000);
    while (!testsupport::file_exists(dir.file("started")) && !deadline.hasExpired())
        QThread::msleep(20);
    ASSERT_TRUE(testsupport::file_exists(dir.file("started")));
    EXPECT_EQ(testsupport::read_file(dir.file("started")),
              QDir::current().canonicalPath().toStdString() + "\n");
    EXPECT_TRUE(boxes.Shown().empty());

    // Not a program: not started, but handed to the desktop.
    ::chmod(dir.file("ed").c_str(), 0644);
    const DesktopOpener desktop;
    form->MainMenu_Tools_Editor->trigger();
    EXPECT_EQ(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(Folder() + "ed")});
}

TEST_F(Window, TheTabSheetHoldsItsComponentsAndTheDisplayClearsTheTab) {
    auto form = Make();
    form->show();
    for (QWidget* w : form->Writer->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(form->Writer->rect().contains(w->geometry())) << w->objectName().toStdString();
    const QRect tab = form->PG_Main->tabBar()->tabRect(0).translated(
        form->PG_Main->tabBar()->mapTo(form->centralWidget(), QPoint(0, 0)));
    EXPECT_FALSE(tab.intersects(form->ED_WrtCnt->geometry()));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
}

#include "window_test.moc"
