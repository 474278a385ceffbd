// Pictures of the window, rendered offscreen into the build folder, for a
// person to look at.
#include "Main.h"
#include "ReportList.h"

#include <QDir>
#include <QPixmap>

#include <gtest/gtest.h>

TEST(WindowPicture, RendersStartStateToPng) {
    TForm1 form;
    form.show();
    QDir().mkpath(QStringLiteral(LYRASM_SHOT_DIR));
    const QString path = QStringLiteral(LYRASM_SHOT_DIR "/lyrasm-main.png");
    QPixmap shot = form.grab();
    ASSERT_TRUE(shot.save(path));
    EXPECT_EQ(shot.size(), form.size());
}
