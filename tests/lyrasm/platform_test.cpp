// The platform layer: dialogs, the event guard, the code page and the
// program folder.
#include "code_page.h"
#include "event_guard.h"
#include "file_dialog.h"
#include "io_error.h"
#include "message_box.h"
#include "program_folder.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

TEST(FileDialog, TranslatesFiltersAndAddsTheDefaultExtension) {
    EXPECT_EQ(platform::qt_name_filters("KelvxxM Log File (*.log)|*.log"),
              QStringList({"KelvxxM Log File (*.log)"}));
    EXPECT_EQ(platform::qt_name_filters("Wave File(*.wav)|*.wav|Any|*.wav;*.raw"),
              QStringList({"Wave File (*.wav)", "Any (*.wav *.raw)"}));

    EXPECT_EQ(platform::with_default_ext("/p/a", ".log"), "/p/a.log");
    EXPECT_EQ(platform::with_default_ext("/p.d/a", "log"), "/p.d/a.log");
    EXPECT_EQ(platform::with_default_ext("/p/a.txt", ".log"), "/p/a.txt");
    EXPECT_EQ(platform::with_default_ext("/p/a", ""), "/p/a");

    platform::ScriptedFileDialogs answers;
    platform::FileDialog save(platform::FileDialogKind::Save);
    save.DefaultExt = ".log";
    save.Filter = "KelvxxM Log File (*.log)|*.log";
    save.FileName = "/old.log";
    answers.Cancel();
    answers.Choose("/p/project");
    EXPECT_FALSE(save.Execute());
    EXPECT_EQ(save.FileName, "/old.log");
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, "/p/project.log");
    EXPECT_FALSE(save.Execute()); // nothing scripted: cancelled
    ASSERT_EQ(answers.Shown().size(), 3u);
    EXPECT_EQ(answers.Shown()[0].kind, platform::FileDialogKind::Save);
    EXPECT_EQ(answers.Shown()[0].filter, "KelvxxM Log File (*.log)|*.log");
    EXPECT_EQ(answers.Shown()[1].file_name, "/old.log");
}

TEST(MessageBox, ScriptedAnswersAndDefaultButtons) {
    EXPECT_EQ(platform::default_result(platform::MB_OK | platform::MB_ICONERROR), platform::IDOK);
    EXPECT_EQ(platform::default_result(platform::MB_YESNO), platform::IDYES);
    EXPECT_EQ(platform::default_result(platform::MB_OKCANCEL), platform::IDOK);
    {
        platform::ScriptedMessageBoxes boxes;
        boxes.Answer(platform::IDNO);
        EXPECT_EQ(platform::message_box(nullptr, "a?", "Q", platform::MB_YESNO), platform::IDNO);
        EXPECT_EQ(platform::message_box(nullptr, "b", "", 0), platform::IDOK);
        ASSERT_EQ(boxes.Shown().size(), 2u);
        EXPECT_EQ(boxes.Shown()[0].caption, "Q");
        {
            // A nested responder takes over and hands back on its end.
            platform::ScriptedMessageBoxes inner;
            platform::message_box(nullptr, "c", "", 0);
            EXPECT_EQ(inner.Shown().size(), 1u);
        }
        platform::message_box(nullptr, "d", "", 0);
        EXPECT_EQ(boxes.Shown().size(), 3u);
    }
}

// Shows a real box and, once it is up, hands it to `act`; returns the result.
template <typename Act> int answer_real_box(const QString& caption, int flags, Act act) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll.stop();
            act(*box);
        }
    });
    poll.start(10);
    return platform::message_box(nullptr, "text", caption, flags);
}

TEST(MessageBox, RealBoxHasACloseButtonAloneAndRoomForItsCaption) {
    const QString caption = "Program Starts Failure!";
    Qt::WindowFlags flags;
    int width = 0, needed = 0;
    answer_real_box(caption, platform::MB_OK | platform::MB_ICONWARNING, [&](QMessageBox& box) {
        flags = box.windowFlags();
        width = box.width();
        QFont bold = box.font();
        bold.setBold(true);
        // The caption in bold beside openbox's window icon and its three
        // title bar buttons, which take 110 pixels of the width.
        needed = QFontMetrics(bold).horizontalAdvance(caption) + 110;
        box.close();
    });
    // Exactly the hints asked for, not the window system's defaults.
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_GE(width, needed);

    // A Yes/No box has no cancel: Escape and the close button answer No.
    const int yesNo = platform::MB_YESNO | platform::MB_ICONWARNING;
    EXPECT_EQ(answer_real_box("WARNING", yesNo,
                              [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
              platform::IDNO);
    EXPECT_EQ(answer_real_box("WARNING", yesNo, [](QMessageBox& box) { box.close(); }),
              platform::IDNO);
}

TEST(EventGuard, HandsEveryEscapingExceptionToTheHandler) {
    platform::EventGuard guard;
    QStringList seen;
    guard.OnException = [&](QObject*, const std::exception& e) {
        seen << QString::fromLocal8Bit(e.what());
        throw std::runtime_error("the handler fails too"); // must not escape
    };
    QAction action;
    int steps = 0;
    guard.Connect(&action, &QAction::triggered, [&] {
        ++steps;
        throw platform::io_error(21);
    });
    bool lastChecked = false;
    guard.Connect(&action, &QAction::triggered, [&](bool checked) { lastChecked = checked; });
    action.setCheckable(true);
    action.trigger();
    EXPECT_EQ(steps, 1);
    EXPECT_TRUE(lastChecked); // the second handler ran after the first failed

    guard.Run(nullptr, [] { throw 42; });
    guard.Run(nullptr, [] { throw std::out_of_range("index"); });
    EXPECT_EQ(seen, QStringList({"I/O error 21", "", "index"}));

    guard.OnException = nullptr;
    guard.Run(nullptr, [] { throw 1; }); // nobody listening: dropped
}

TEST(CodePage, RefusesNamesItCannotHold) {
    QByteArray out = "keep";
    EXPECT_TRUE(platform::to_ansi_exact("/tmp/voix é.wav", out));
    EXPECT_EQ(platform::from_ansi(out), "/tmp/voix é.wav");
    EXPECT_TRUE(platform::to_ansi_exact(QChar(0xFEFF) + QString("v.wav"), out));
    EXPECT_EQ(out, "\xEF\xBB\xBFv.wav");
    QByteArray untouched = "keep";
    EXPECT_FALSE(platform::to_ansi_exact(QString("a") + QChar(0xDC00), untouched));
    // Bytes that do not decode (Latin-1, a surrogate, a sequence cut short)
    // come back as themselves or not at all, never as EF BF BD.
    for (const char* bytes : {"caf\xE9.wav", "\xED\xA0\x80.wav", "cut\xE2\x82.wav"})
        EXPECT_FALSE(platform::to_ansi_exact(platform::from_ansi(bytes), untouched)) << bytes;
    EXPECT_EQ(untouched, "keep");
}

TEST(ProgramFolder, IsTheFolderOfTheRunningProgram) {
    const QString folder = platform::program_folder();
    EXPECT_TRUE(folder.endsWith('/'));
    EXPECT_EQ(folder, QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath() + "/");
}
