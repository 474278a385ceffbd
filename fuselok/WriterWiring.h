// Ties the window to the writer connection for as long as it lives: the
// connection reports its state to the window, device changes reach the
// window's procedure on its own thread, and nothing of the connection
// outlives the window. Here, too, the program chooses where the writer is
// looked for.
#pragma once

#include "WriterInterfaces.h"

#include <memory>

class TForm1;

class WriterWiring {
  public:
    // Wires `form` and runs the start-up search for the writer; the window's
    // ConnectWriter. The search runs on the installed bus; when none is
    // installed yet, on the program's own (libusb, or the stand-in under
    // FUSELOK_STANDIN).
    void Start(TForm1& form);

    // Must run before the window goes: the watch reports to it and the
    // connection shows its state in it.
    void Stop();
    ~WriterWiring() { Stop(); }

  private:
    std::unique_ptr<DeviceChangeWatch> watch;
};
