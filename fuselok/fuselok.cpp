// The writer control: one window, started once per user session.
#include "Main.h"
#include "StopSignals.h"
#include "WriterWiring.h"

#include "message_box.h"
#include "program_folder.h"
#include "single_instance.h"

#include <QApplication>

#include <csignal>
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

    int stopSignal = 0;
    try {
        WriterWiring wiring;
        TForm1 form(platform::program_folder(), [&wiring](TForm1& f) { wiring.Start(f); });
        // Declared after the window, so it ends first, however main is left.
        struct StopWiring {
            WriterWiring& wiring;
            ~StopWiring() { wiring.Stop(); }
        } stop{wiring};
        // The session ending, or an interrupt, ends a running operation as a
        // failure (its closing commands sent, a read-back's new file removed),
        // then the program.
        const StopSignals stopSignals([&form] { form.Stop(); });
        form.show();
        QApplication::exec();
        stopSignal = StopSignals::Received();
    } catch (const std::exception& error) {
        platform::message_box(nullptr, QString::fromLocal8Bit(error.what()),
                              QStringLiteral("fuselok"), platform::MB_ICONERROR);
    } catch (...) {
        platform::message_box(nullptr, QString(), QStringLiteral("fuselok"),
                              platform::MB_ICONERROR);
    }
    // Everything is in order now: the process ends as the signal would have
    // ended it, so that whoever sent it sees it obeyed.
    if (stopSignal != 0) std::raise(stopSignal);
    return 0;
}
