#include "WriterWiring.h"

#include "Main.h"
#include "UsbTransport.h"
#include "WriterConnection.h"
#include "WriterStandIn.h"

#include <QMetaObject>
#include <QString>

#include <cstdlib>

namespace {

// The program's bus: libusb, or, when the environment variable
// FUSELOK_STANDIN is set and not empty, the in-process stand-in with one
// writer attached (for trying the program without the hardware).
std::unique_ptr<WriterBus> DefaultWriterBus() {
    const char* standin = std::getenv("FUSELOK_STANDIN");
    if (standin && *standin) {
        auto bus = std::make_unique<StandInBus>();
        std::shared_ptr<WriterStandIn> writer = bus->PlugWriter();
        // A try-out runs for hours; the wire record is for tests.
        writer->SetRecording(false);
        return bus;
    }
    return std::make_unique<UsbBus>();
}

} // namespace

void WriterWiring::Start(TForm1& form) {
    // Tests install a bus of their own before the window is made.
    if (!WriterConnection.Bus) UseWriterBus(DefaultWriterBus());
    SetWriterStateHook([&form](bool connected, const std::string& major, const std::string& minor) {
        form.ShowWriterState(connected, QString::fromLocal8Bit(major.c_str()),
                             QString::fromLocal8Bit(minor.c_str()));
    });
    form.OnDeviceChange = [](unsigned event) { HandleDeviceChange(event); };
    // The watch reports from a thread of its own; the window is the context,
    // so a report still queued when it goes is dropped with it.
    watch = WatchDeviceChanges([&form](unsigned event) {
        QMetaObject::invokeMethod(
            &form, [&form, event] { form.WndProc(event); }, Qt::QueuedConnection);
    });
    StartWriterConnection();
}

void WriterWiring::Stop() {
    watch.reset();
    SetWriterStateHook({});
    DropWriterConnection();
}
