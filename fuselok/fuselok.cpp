// The writer control: one window, started once per user session.
#include "Main.h"
#include "WriterWiring.h"

#include "message_box.h"
#include "program_folder.h"
#include "single_instance.h"

#include <QApplication>

#include <exception>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fuselok"));

    // Two writer programs on one writer would interleave their command
    // streams. The lock lasts as long as this process.
    platform::SingleInstance instance(QStringLiteral("Kelv44W"));
    if (instance.AlreadyExists()) {
        platform::message_box(nullptr, QStringLiteral("Program has already started!"),
                              QStringLiteral("Program Starts Failure!"),
                              platform::MB_OK | platform::MB_ICONWARNING);
        return 0;
    }

    try {
        WriterWiring wiring;
        TForm1 form(platform::program_folder(), [&wiring](TForm1& f) { wiring.Start(f); });
        // Declared after the window, so it ends first, however main is left.
        struct StopWiring {
            WriterWiring& wiring;
            ~StopWiring() { wiring.Stop(); }
        } stop{wiring};
        form.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        platform::message_box(nullptr, QString::fromLocal8Bit(error.what()),
                              QStringLiteral("fuselok"), platform::MB_ICONERROR);
    } catch (...) {
        platform::message_box(nullptr, QString(), QStringLiteral("fuselok"),
                              platform::MB_ICONERROR);
    }
    return 0;
}
