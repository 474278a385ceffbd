// Pictures of the writer window, rendered offscreen into the build folder,
// for a person to look at.
#include "Main.h"

#include "test_support.h"

#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

QString ShotPath(const char* name) {
    QDir().mkpath(QStringLiteral(FUSELOK_SHOT_DIR));
    return QStringLiteral(FUSELOK_SHOT_DIR "/") + QLatin1String(name);
}

// The window with its menus opened beside it.
QPixmap Sheet(TForm1& form, const QList<QMenu*>& menus) {
    QPixmap shot = form.grab();
    int width = shot.width();
    QList<QPixmap> pictures;
    for (QMenu* menu : menus) {
        menu->ensurePolished();
        menu->adjustSize();
        pictures << menu->grab();
        width += pictures.back().width() + 8;
    }
    QPixmap sheet(width + 8, std::max(shot.height(), 160));
    sheet.fill(Qt::darkGray);
    QPainter painter(&sheet);
    painter.drawPixmap(0, 0, shot);
    int x = shot.width() + 8;
    for (const QPixmap& p : pictures) {
        painter.drawPixmap(x, 8, p);
        x += p.width() + 8;
    }
    return sheet;
}

} // namespace

TEST(WindowPicture, RendersStartAndLoadedStatesToPng) {
    testsupport::TempDir dir;
    testsupport::write_file(dir.file("Setup.ini"),
                            "[System]\nVersion=V1.0.0\nEngMode=1\n[Path]\nEditor=lyrasm\n");
    TForm1 form(QString::fromStdString(dir.path()) + '/');
    form.show();
    QPixmap start = form.grab();
    ASSERT_TRUE(start.save(ShotPath("fuselok-start.png")));
    EXPECT_EQ(start.size(), form.size());

    form.ShowWriterState(true, "1", "5");
    form.DM_Path->setText("/home/user/voices/demo.data");
    form.DM_CheckSum->setText("3A7F");
    form.ShowEvent("Programming...");
    form.ShowProgress(42);
    ASSERT_TRUE(Sheet(form, {form.MainMenu_Option, form.MainMenu_DMW, form.MainMenu_Tools,
                             form.MainMenu_About})
                    .save(ShotPath("fuselok-connected.png")));
    ASSERT_TRUE(form.windowIcon().pixmap(64).save(ShotPath("fuselok-icon.png")));
}
