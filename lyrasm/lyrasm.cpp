// The sound editor: one window, no command line, no settings.
#include "Main.h"

#include "message_box.h"

#include <QApplication>

#include <exception>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lyrasm"));
    try {
        TForm1 form;
        form.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        platform::message_box(nullptr, QString::fromLocal8Bit(error.what()),
                              QStringLiteral("lyrasm"), platform::MB_ICONERROR);
    } catch (...) {
        platform::message_box(nullptr, QString(), QStringLiteral("lyrasm"), platform::MB_ICONERROR);
    }
    return 0;
}
