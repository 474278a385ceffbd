// Ties the window to the writer connection for as long as it lives: the
// connection reports its state to the window, device changes reach the
// window's procedure on its own thread, and nothing of the connection
// outlives the window.
#pragma once

#include "WriterConnection.h"

#include <memory>

class TForm1;

class WriterWiring {
  public:
    // Wires `form` and runs the start-up search for the writer; the window's
    // ConnectWriter.
    void Start(TForm1& form);

    // Must run before the window goes: the watch reports to it and the
    // connection shows its state in it.
    void Stop();
    ~WriterWiring() { Stop(); }

  private:
    std::unique_ptr<DeviceChangeWatch> watch;
};
