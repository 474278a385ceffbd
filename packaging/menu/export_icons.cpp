// Writes the icons the two windows draw as PNG files of the hicolor icon
// theme, for the desktop's application menu:
//   export_icons OUTDIR SIZE...  ->  OUTDIR/<SIZE>x<SIZE>/apps/{lyrasm,fuselok}.png
#include "EditorIcon.h"
#include "WriterIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: export_icons OUTDIR SIZE...\n");
        return 2;
    }
    // Drawing needs no screen, and the build may have none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about the session it runs in (no runtime folder in a build)
    // are no concern here; a failed save is reported below.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QGuiApplication application(argc, argv);

    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out, QString::number(size));
        if (size <= 0 || !QDir().mkpath(folder) ||
            !EditorIconPixmap(size).save(folder + QStringLiteral("/lyrasm.png")) ||
            !WriterIconPixmap(size).save(folder + QStringLiteral("/fuselok.png"))) {
            std::fprintf(stderr, "export_icons: cannot write the %s pixel icons to %s\n", argv[i],
                         qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
