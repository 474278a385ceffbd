// The writer control: one window, started once per user session.
#include "Main.h"
#include "WriterConnection.h"

#include "message_box.h"
#include "program_folder.h"
#include "single_instance.h"

#include <QApplication>
#include <QMetaObject>

#include <exception>
#include <memory>

namespace {

// Ties the window to the writer connection for as long as it lives: the
// connection reports its state to the window, device changes reach the
// window's procedure on its own thread, and nothing of the connection
// outlives the window.
class WriterWiring {
  public:
    void Start(TForm1& form) {
        SetWriterStateHook(
            [&form](bool connected, const std::string& major, const std::string& minor) {
                form.ShowWriterState(connected, QString::fromLocal8Bit(major.c_str()),
                                     QString::fromLocal8Bit(minor.c_str()));
            });
        form.OnDeviceChange = [](unsigned event) { HandleDeviceChange(event); };
        // The watch reports from a thread of its own; the window is the
        // context, so a report still queued when it goes is dropped with it.
        watch = WatchDeviceChanges([&form](unsigned event) {
            QMetaObject::invokeMethod(
                &form, [&form, event] { form.WndProc(event); }, Qt::QueuedConnection);
        });
        StartWriterConnection();
    }

    // Must run before the window goes: the watch reports to it and the
    // connection shows its state in it.
    void Stop() {
        watch.reset();
        SetWriterStateHook({});
        DropWriterConnection();
    }
    ~WriterWiring() { Stop(); }

  private:
    std::unique_ptr<DeviceChangeWatch> watch;
};

} // namespace

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
