#include "WriterWiring.h"

#include "Main.h"

#include <QMetaObject>
#include <QString>

void WriterWiring::Start(TForm1& form) {
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
