// Pictures of the window, rendered offscreen into the build folder, for a
// person to look at.
#include "Main.h"
#include "ReportList.h"
#include "StatusPanels.h"

#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

QString ShotPath(const char* name) {
    QDir().mkpath(QStringLiteral(LYRASM_SHOT_DIR));
    return QStringLiteral(LYRASM_SHOT_DIR "/") + QLatin1String(name);
}

} // namespace

TEST(WindowPicture, RendersStartStateToPng) {
    TForm1 form;
    form.show();
    QPixmap shot = form.grab();
    ASSERT_TRUE(shot.save(ShotPath("lyrasm-main.png")));
    EXPECT_EQ(shot.size(), form.size());
}

TEST(WindowPicture, RendersFilledListsAndMenusToPng) {
    TForm1 form;
    form.show();
    // Rows as the file and group commands will make them.
    form.List_File->AddItem("hello.wav", {"8000", "40000", "1.0%", "1"});
    form.List_File->AddItem("a much longer voice name.wav", {"22050", "123456", "2.9%", "2"});
    form.List_Group->AddItem("hello.wav", {"8000", "O"});
    form.List_Group->AddItem("a much longer voice name.wav", {"22050", "X"});
    form.List_Section->SetItemIndex(2);
    form.Usage.Add(4194304);
    form.ShowUsage();
    form.StatusBar->SetPanelText(4, "Building...");
    QPixmap shot = form.grab();

    // The menus beside the window, as they open.
    const QList<QMenu*> menus = {form.Menu_Device, form.Menu_Mode, form.PM_SectionEdit,
                                 form.PM_GroupEdit, form.About1};
    int width = shot.width(), height = shot.height();
    QList<QPixmap> pictures;
    for (QMenu* menu : menus) {
        menu->ensurePolished();
        menu->adjustSize();
        pictures << menu->grab();
        width += pictures.back().width() + 8;
    }
    QPixmap sheet(width + 8, height);
    sheet.fill(Qt::darkGray);
    QPainter painter(&sheet);
    painter.drawPixmap(0, 0, shot);
    int x = shot.width() + 8;
    for (const QPixmap& p : pictures) {
        painter.drawPixmap(x, 8, p);
        x += p.width() + 8;
    }
    painter.end();
    ASSERT_TRUE(sheet.save(ShotPath("lyrasm-filled.png")));
    ASSERT_TRUE(form.windowIcon().pixmap(64).save(ShotPath("lyrasm-icon.png")));
}
