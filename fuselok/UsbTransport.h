// The writer over libusb: the device list with hardware id texts, opening a
// device and claiming its interface, bulk transfers with a bounded wait, and
// watching for USB devices coming and going.
//
// Every libusb call goes through a LibUsbCalls table so that tests can put a
// double of libusb underneath.
#pragma once

#include "WriterInterfaces.h"

#include <libusb.h>

#include <cstdint>
#include <list>
#include <memory>
#include <string>

struct LibUsbCalls {
    decltype(&libusb_init) init;
    decltype(&libusb_exit) exit;
    decltype(&libusb_get_device_list) get_device_list;
    decltype(&libusb_free_device_list) free_device_list;
    decltype(&libusb_get_device_descriptor) get_device_descriptor;
    decltype(&libusb_get_bus_number) get_bus_number;
    decltype(&libusb_get_device_address) get_device_address;
    decltype(&libusb_open) open;
    decltype(&libusb_close) close;
    decltype(&libusb_set_auto_detach_kernel_driver) set_auto_detach_kernel_driver;
    decltype(&libusb_claim_interface) claim_interface;
    decltype(&libusb_release_interface) release_interface;
    decltype(&libusb_alloc_transfer) alloc_transfer;
    decltype(&libusb_free_transfer) free_transfer;
    decltype(&libusb_submit_transfer) submit_transfer;
    decltype(&libusb_cancel_transfer) cancel_transfer;
    decltype(&libusb_handle_events_timeout_completed) handle_events_timeout_completed;
    decltype(&libusb_has_capability) has_capability;
    decltype(&libusb_hotplug_register_callback) hotplug_register_callback;
    decltype(&libusb_hotplug_deregister_callback) hotplug_deregister_callback;
    decltype(&libusb_interrupt_event_handler) interrupt_event_handler;
};

// The table of the real libusb.
const LibUsbCalls& RealLibUsbCalls();

// The interface of the writer that carries its four bulk pipes.
inline constexpr int WriterInterfaceNumber = 0;
// How long a dropped interface waits for its cancelled transfers to come back.
inline constexpr unsigned CancelDrainMs = 2000;
// How often the device list is compared where libusb has no hot-plug events.
inline constexpr unsigned DevicePollMs = 500;

// USB\VID_04D8&PID_EF08&REV_0100 from a device descriptor.
std::string UsbHardwareId(const libusb_device_descriptor& descriptor);
// /dev/bus/usb/BBB/DDD: the device's node, stable while it stays plugged in.
std::string UsbDevicePath(std::uint8_t bus, std::uint8_t address);

class UsbBus : public WriterBus {
  public:
    explicit UsbBus(const LibUsbCalls& calls = RealLibUsbCalls());
    ~UsbBus() override;
    UsbBus(const UsbBus&) = delete;
    UsbBus& operator=(const UsbBus&) = delete;

    std::optional<std::vector<UsbDeviceEntry>> ListDevices() override;
    std::unique_ptr<WriterDeviceFile> Open(const std::string& path) override;
    std::unique_ptr<DeviceChangeWatch> Watch(DeviceChangeSink sink) override;

  private:
    // Without the udev rule the writer is listed but cannot be opened: the
    // window shows it disconnected, standard error says why, once per bus.
    void ReportNoAccess(const std::string& path);

    const LibUsbCalls& calls_;
    libusb_context* context_ = nullptr;
    bool ready_ = false;
    bool access_reported_ = false;
};

class UsbDeviceFile : public WriterDeviceFile {
  public:
    UsbDeviceFile(const LibUsbCalls& calls, libusb_context* context, libusb_device_handle* handle);
    ~UsbDeviceFile() override;
    UsbDeviceFile(const UsbDeviceFile&) = delete;
    UsbDeviceFile& operator=(const UsbDeviceFile&) = delete;

    std::unique_ptr<WriterTransport> Initialize() override;

  private:
    const LibUsbCalls& calls_;
    libusb_context* context_;
    libusb_device_handle* handle_;
};

// Bulk transfers on a claimed interface. Each transfer has a buffer of its
// own: out data is copied in before it starts, in data copied out once it
// completed. A transfer that timed out is cancelled and stays in `pending_`,
// buffer and all, until libusb hands it back through its callback; only
// then is it freed.
class UsbTransport : public WriterTransport {
  public:
    UsbTransport(const LibUsbCalls& calls, libusb_context* context, libusb_device_handle* handle,
                 int interface_number);
    // Waits for cancelled transfers to come back, then releases the interface.
    ~UsbTransport() override;
    UsbTransport(const UsbTransport&) = delete;
    UsbTransport& operator=(const UsbTransport&) = delete;

    TransferResult BulkTransfer(std::uint8_t pipe, std::uint8_t* data, std::size_t length,
                                unsigned timeout_ms) override;
    bool DeviceGone() const override { return gone_; }

    // Transfers given up but not yet handed back by libusb.
    std::size_t Abandoned() const;

  private:
    struct Transfer;
    static void Completed(libusb_transfer* transfer);

    const LibUsbCalls& calls_;
    libusb_context* context_;
    libusb_device_handle* handle_;
    int interface_number_;
    bool gone_ = false;
    std::list<std::unique_ptr<Transfer>> pending_;
};

// Reports every USB arrival and removal to a sink, on a thread of its own
// with a libusb context of its own: hot-plug callbacks where libusb has
// them, otherwise a comparison of the device list every DevicePollMs.
class UsbDeviceWatcher : public DeviceChangeWatch {
  public:
    UsbDeviceWatcher(const LibUsbCalls& calls, DeviceChangeSink sink,
                     unsigned poll_ms = DevicePollMs);
    ~UsbDeviceWatcher() override;
    UsbDeviceWatcher(const UsbDeviceWatcher&) = delete;
    UsbDeviceWatcher& operator=(const UsbDeviceWatcher&) = delete;

    // False when libusb could not be set up; nothing is reported then.
    bool Running() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};
