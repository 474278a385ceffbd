// The program's one connection to the writer: finding it among the USB
// devices, opening and claiming it, reading its firmware version, dropping it
// again, and the reaction to device changes.
//
// Where the writer is found: the installed WriterBus (WriterInterfaces.h)
// lists the present USB devices with a hardware id text and a path, opens a
// path, and watches for devices coming and going. The program installs
// libusb (UsbTransport.h) when it wires its window (WriterWiring.h); tests
// and a try-out without hardware use the in-process stand-in
// (WriterStandIn.h).
//
// How the writer is told apart: libusb knows nothing like a device-interface
// class, so every USB device is a candidate. Each is given the hardware id
// text USB\VID_xxxx&PID_xxxx&REV_xxxx from its device descriptor, and the
// writer is the first whose text contains "Vid_04d8&Pid_EF08" in any mix of
// case.
//
// Everything here runs on the user-interface thread, except the sink of a
// device watch (see WatchDeviceChanges).
#pragma once

#include "WriterInterfaces.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

// The writer's vendor and product id as they appear in its hardware id.
inline constexpr const char* WriterHardwareId = "Vid_04d8&Pid_EF08";
// At most this many devices that are not the writer are looked at in one search.
inline constexpr std::size_t WriterSearchLimit = 10000000;

struct WriterConnectionState {
    // Where the writer is looked for (UseWriterBus); without one no writer is
    // found and nothing is watched. Declared first so that it outlives the
    // device it opened.
    std::unique_ptr<WriterBus> Bus;
    // 1 while the writer is open and its interface claimed (set before the
    // version query; an attempt whose query fails ends with 0).
    int Connected = 0;
    std::unique_ptr<WriterDeviceFile> DeviceFile;
    // The pipes every protocol operation uses.
    std::unique_ptr<WriterTransport> UsbInterface;
    // The writer's path: replaced by every successful FindWriter.
    std::string DevicePath;
};

extern WriterConnectionState WriterConnection;

// Reports the connection state to the window (its ShowWriterState); major and
// minor are the firmware version texts and only meaningful when connected.
using WriterStateHook =
    std::function<void(bool connected, const std::string& major, const std::string& minor)>;

// Installs the hook (empty: nothing is reported); returns the one before. The
// window must clear it before it is destroyed.
WriterStateHook SetWriterStateHook(WriterStateHook hook);

// Searches the bus for the writer; true when found, DevicePath then holds its
// path. A failed search leaves DevicePath as it was.
bool FindWriter();

// The window's start-up: search, connect, read the version, and report the
// state through the hook. A version query that fails by transport shows its
// box before the state is reported.
void StartWriterConnection();

// The window's reaction to a device change. The four device-change codes make
// it search for the writer: it connects when the writer is found and not
// connected, and in every other case drops the connection; either way the
// state is reported through the hook. Every other code is ignored.
//
// While a writer operation runs (WriterOperationGuard) the handling is held
// back and done, event by event, when the operation ends, so that the
// interface is never released under an operation's feet or a version query
// sent into a page stream.
//
// Returns true only when this call connected the writer (the window then
// does not pass the event on).
bool HandleDeviceChange(unsigned event);

// Releases the interface and the device and marks the connection dropped,
// without reporting anything; for the window's destruction.
void DropWriterConnection();

// True when nothing can be sent to the writer: not connected, or the device
// was found gone during the running operation. A chip operation stops its
// loop on it instead of working through the rest of the chip.
bool WriterGone();

// Holds device-change handling back while it lives; nests. Every protocol
// operation holds one; a chip operation holds one from its first to its last
// command, and should let it go only after it has re-enabled its controls,
// since the held-back handling then reports the state that is to be shown.
class WriterOperationGuard {
  public:
    WriterOperationGuard();
    ~WriterOperationGuard();
    WriterOperationGuard(const WriterOperationGuard&) = delete;
    WriterOperationGuard& operator=(const WriterOperationGuard&) = delete;
};

// Starts watching the installed bus for device changes (see DeviceChangeSink);
// null when there is no bus or it cannot watch.
std::unique_ptr<DeviceChangeWatch> WatchDeviceChanges(DeviceChangeSink sink);

// Replaces the bus, dropping the connection first.
void UseWriterBus(std::unique_ptr<WriterBus> bus);
