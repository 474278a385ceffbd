// Pictures of the writer window, rendered offscreen into the build folder,
// for a person to look at; each checks what a person would look for in it:
// every caption whole and every menu item shown.
#include "Main.h"
#include "WriterConnection.h"
#include "WriterStandIn.h"
#include "WriterWiring.h"

#include "message_box.h"
#include "test_support.h"
#include "window_captions.h"
#include "window_sheet.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

QString ShotPath(const char* name) {
    QDir().mkpath(QStringLiteral(FUSELOK_SHOT_DIR));
    return QStringLiteral(FUSELOK_SHOT_DIR "/") + QLatin1String(name);
}

} // namespace

TEST(WindowPicture, RendersStartAndLoadedStatesToPng) {
    testsupport::TempDir dir;
    testsupport::write_file(dir.file("Setup.ini"),
                            "[System]\nVersion=V1.0.0\nEngMode=1\n[Path]\nEditor=lyrasm\n");
    TForm1 form(QString::fromStdString(dir.path()) + '/');
    form.show();
    ASSERT_TRUE(form.grab().save(ShotPath("fuselok-start.png")));
    EXPECT_EQ(testsupport::cut_captions(form), "");

    form.ShowWriterState(true, "1", "5");
    form.DM_Path->setText("/home/user/voices/demo.data");
    form.DM_CheckSum->setText("3A7F");
    form.ShowEvent("Programming...");
    form.ShowProgress(42);
    ASSERT_TRUE(testsupport::window_sheet(form, {form.MainMenu_Option, form.MainMenu_DMW,
                                                 form.MainMenu_Tools, form.MainMenu_About})
                    .save(ShotPath("fuselok-connected.png")));
    EXPECT_EQ(testsupport::cut_captions(form), "");
    ASSERT_TRUE(form.windowIcon().pixmap(64).save(ShotPath("fuselok-icon.png")));
}

TEST(WindowPicture, RendersAWriteWhileItRunsAndAfterItEnded) {
    testsupport::TempDir dir;
    platform::ScriptedMessageBoxes boxes;
    auto bus = std::make_unique<StandInBus>();
    bus->PlugWriter();
    UseWriterBus(std::move(bus));
    WriterWiring wiring;
    TForm1 form(QString::fromStdString(dir.path()) + '/', [&](TForm1& f) { wiring.Start(f); });
    testsupport::write_file(dir.file("demo.data"), std::string(0x10000, '\x5A'));
    form.DM_Path->setText(QString::fromStdString(dir.file("demo.data")));
    form.DM_CheckSum->setText("0000");
    form.show();

    // Taken at the next round of message processing, when the step has
    // shown both the bar and the percentage.
    QPixmap during;
    std::string duringCuts;
    QObject::connect(form.DM_Progress, &QProgressBar::valueChanged, [&](int p) {
        if (during.isNull() && p >= 42 && form.DM_Event->text() == "Programming...")
            QMetaObject::invokeMethod(
                &form,
                [&] {
                    during = form.grab();
                    duringCuts = testsupport::cut_captions(form);
                },
                Qt::QueuedConnection);
    });
    form.DM_Program->click();
    wiring.Stop();
    UseWriterBus(nullptr);
    WriterConnection.DevicePath.clear();

    EXPECT_EQ(form.DM_Event->text(), "Verify completed!");
    ASSERT_FALSE(during.isNull());
    ASSERT_TRUE(during.save(ShotPath("fuselok-writing.png")));
    EXPECT_EQ(duringCuts, "");
    ASSERT_TRUE(form.grab().save(ShotPath("fuselok-written.png")));
    EXPECT_EQ(testsupport::cut_captions(form), "");
}
