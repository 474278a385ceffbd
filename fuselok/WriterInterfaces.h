// What the writer side's parts agree on, and nothing of how any of them
// works: the writer's bulk pipes, frame and page sizes and command codes, the
// interfaces a bus, an opened device and a claimed interface offer, and the
// device-change events a bus reports.
//
// The protocol (WriterProtocol.h) and the connection (WriterConnection.h)
// work on these interfaces only; libusb (UsbTransport.h) and the in-process
// stand-in (WriterStandIn.h) implement them. Which of the two the program
// uses is decided where the window is wired to the writer (WriterWiring.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Bulk pipes of the writer's interface.
inline constexpr std::uint8_t WriterPipeFrameOut = 0x01;
inline constexpr std::uint8_t WriterPipeFrameIn = 0x82;
inline constexpr std::uint8_t WriterPipePageOut = 0x03;
inline constexpr std::uint8_t WriterPipePageIn = 0x84;
// The bit that makes a pipe an in pipe (from the writer), as USB has it.
inline constexpr std::uint8_t WriterPipeIn = 0x80;

inline constexpr std::size_t WriterFrameSize = 16;
inline constexpr std::size_t WriterPageSize = 256;

// Command codes; 0x41 to 0x46 are the letters A to F.
inline constexpr std::uint8_t WriterCmdGetVersion = 0xFE;
inline constexpr std::uint8_t WriterCmdDetectChip = 0x40;
inline constexpr std::uint8_t WriterCmdEndOperation = 0x41;
inline constexpr std::uint8_t WriterCmdEraseBlock = 0x42;
inline constexpr std::uint8_t WriterCmdBeginWrite = 0x43;
inline constexpr std::uint8_t WriterCmdEndWrite = 0x44;
inline constexpr std::uint8_t WriterCmdBeginRead = 0x45;
inline constexpr std::uint8_t WriterCmdEndRead = 0x46;

enum class TransferStatus {
    Completed,  // the transfer finished, well or with an error of its own
    NotStarted, // it could not be queued
    TimedOut,   // it did not finish in time; it has been given up
};

struct TransferResult {
    TransferStatus status = TransferStatus::NotStarted;
    std::size_t received = 0; // bytes the device took in or delivered
    bool errored = false;     // it finished with an error status of its own
};

// One opened and claimed writer interface: the bulk pipes the protocol uses.
class WriterTransport {
  public:
    virtual ~WriterTransport() = default;

    // Starts one bulk transfer of `length` bytes on `pipe` and waits for it at
    // most `timeout_ms`. Out pipes (WriterPipeIn clear) send `data`; in pipes write
    // the bytes the device delivered to the front of `data` and leave the rest
    // as it was. A transfer that did not finish in time is cancelled and its
    // own buffer kept until the device side gives it back: `data` is never
    // touched after the call returns.
    virtual TransferResult BulkTransfer(std::uint8_t pipe, std::uint8_t* data, std::size_t length,
                                        unsigned timeout_ms) = 0;

    // True once the device has been found gone (unplugged): nothing more can
    // be sent to it through this interface.
    virtual bool DeviceGone() const = 0;

    // Set by the protocol once it has told the user that this interface's
    // device is gone, so that an operation running on does not raise one box
    // per page.
    bool loss_reported = false;
};

// The device-change events a bus reports and the window hands on (the codes
// Windows uses).
inline constexpr unsigned DeviceArrival = 0x8000;
inline constexpr unsigned DeviceRemovePending = 0x8003;
inline constexpr unsigned DeviceRemoveComplete = 0x8004;
inline constexpr unsigned DeviceConfigChanged = 0x0018;
// True for the four codes above, and for nothing else.
constexpr bool IsDeviceChange(unsigned event) {
    return event == DeviceArrival || event == DeviceRemovePending ||
           event == DeviceRemoveComplete || event == DeviceConfigChanged;
}

struct UsbDeviceEntry {
    std::string hardware_id; // USB\VID_04D8&PID_EF08&REV_0100
    std::string path;        // what WriterBus::Open takes
};

// Called with one of the four event codes above whenever a USB device comes
// or goes. A libusb watch calls it on a thread of its own: the window must
// carry the call over to its own thread before calling HandleDeviceChange.
using DeviceChangeSink = std::function<void(unsigned event)>;

// Watching lasts as long as this object.
class DeviceChangeWatch {
  public:
    virtual ~DeviceChangeWatch() = default;
};

// An opened device; destroying it closes the device.
class WriterDeviceFile {
  public:
    virtual ~WriterDeviceFile() = default;
    // Claims the writer's interface; null when that fails. The interface must
    // be destroyed before the file.
    virtual std::unique_ptr<WriterTransport> Initialize() = 0;
};

// Where the writer is looked for: the present USB devices with a hardware id
// text and a path, opening a path, and watching for devices coming and going.
class WriterBus {
  public:
    virtual ~WriterBus() = default;
    // The present USB devices in enumeration order; nullopt when the list
    // cannot be had.
    virtual std::optional<std::vector<UsbDeviceEntry>> ListDevices() = 0;
    // Opens the device at `path`; null when it is gone or cannot be opened.
    virtual std::unique_ptr<WriterDeviceFile> Open(const std::string& path) = 0;
    // Starts reporting arrivals and removals of every USB device to `sink`;
    // null when that is not possible.
    virtual std::unique_ptr<DeviceChangeWatch> Watch(DeviceChangeSink sink) = 0;
};
