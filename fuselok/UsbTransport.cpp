#include "UsbTransport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

timeval TimevalOf(Clock::duration span) {
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(span).count();
    if (us < 0) us = 0;
    timeval tv{};
    tv.tv_sec = static_cast<decltype(tv.tv_sec)>(us / 1000000);
    tv.tv_usec = static_cast<decltype(tv.tv_usec)>(us % 1000000);
    return tv;
}

std::optional<std::vector<UsbDeviceEntry>> ListUsbDevices(const LibUsbCalls& calls,
                                                          libusb_context* context) {
    libusb_device** list = nullptr;
    ssize_t count = calls.get_device_list(context, &list);
    if (count < 0) return std::nullopt;
    std::vector<UsbDeviceEntry> devices;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        // A device whose descriptor cannot be read has no hardware id and
        // cannot be the writer; it still counts as present.
        std::string id;
        if (calls.get_device_descriptor(list[i], &descriptor) == 0) id = UsbHardwareId(descriptor);
        devices.push_back(
            {id, UsbDevicePath(calls.get_bus_number(list[i]), calls.get_device_address(list[i]))});
    }
    calls.free_device_list(list, 1);
    return devices;
}

} // namespace

const LibUsbCalls& RealLibUsbCalls() {
    static const LibUsbCalls calls{
        &libusb_init,
        &libusb_exit,
        &libusb_get_device_list,
        &libusb_free_device_list,
        &libusb_get_device_descriptor,
        &libusb_get_bus_number,
        &libusb_get_device_address,
        &libusb_open,
        &libusb_close,
        &libusb_set_auto_detach_kernel_driver,
        &libusb_claim_interface,
        &libusb_release_interface,
        &libusb_alloc_transfer,
        &libusb_free_transfer,
        &libusb_submit_transfer,
        &libusb_cancel_transfer,
        &libusb_handle_events_timeout_completed,
        &libusb_has_capability,
        &libusb_hotplug_register_callback,
        &libusb_hotplug_deregister_callback,
        &libusb_interrupt_event_handler,
    };
    return calls;
}

std::string UsbHardwareId(const libusb_device_descriptor& descriptor) {
    char text[40];
    std::snprintf(text, sizeof text, "USB\\VID_%04X&PID_%04X&REV_%04X", descriptor.idVendor,
                  descriptor.idProduct, descriptor.bcdDevice);
    return text;
}

std::string UsbDevicePath(std::uint8_t bus, std::uint8_t address) {
    char text[32];
    std::snprintf(text, sizeof text, "/dev/bus/usb/%03u/%03u", static_cast<unsigned>(bus),
                  static_cast<unsigned>(address));
    return text;
}

// ---------------------------------------------------------------- the bus

UsbBus::UsbBus(const LibUsbCalls& calls) : calls_(calls) {
    ready_ = calls_.init(&context_) == 0;
}

UsbBus::~UsbBus() {
    if (ready_) calls_.exit(context_);
}

std::optional<std::vector<UsbDeviceEntry>> UsbBus::ListDevices() {
    if (!ready_) return std::nullopt;
    return ListUsbDevices(calls_, context_);
}

std::unique_ptr<WriterDeviceFile> UsbBus::Open(const std::string& path) {
    if (!ready_) return nullptr;
    libusb_device** list = nullptr;
    ssize_t count = calls_.get_device_list(context_, &list);
    if (count < 0) return nullptr;
    libusb_device_handle* handle = nullptr;
    for (ssize_t i = 0; i < count && !handle; ++i) {
        if (UsbDevicePath(calls_.get_bus_number(list[i]), calls_.get_device_address(list[i])) !=
            path)
            continue;
        const int opened = calls_.open(list[i], &handle);
        if (opened != 0) handle = nullptr;
        if (opened == LIBUSB_ERROR_ACCESS) ReportNoAccess(path);
        break;
    }
    // An open handle holds its own reference to the device.
    calls_.free_device_list(list, 1);
    if (!handle) return nullptr;
    return std::make_unique<UsbDeviceFile>(calls_, context_, handle);
}

void UsbBus::ReportNoAccess(const std::string& path) {
    // Every device change tries the writer again; one line says it all.
    if (access_reported_) return;
    access_reported_ = true;
    std::fprintf(stderr,
                 "fuselok: no permission to open the writer %s; install the udev rule "
                 "60-fuselok.rules (see README) and plug the writer in again\n",
                 path.c_str());
}

std::unique_ptr<DeviceChangeWatch> UsbBus::Watch(DeviceChangeSink sink) {
    auto watcher = std::make_unique<UsbDeviceWatcher>(calls_, std::move(sink));
    if (!watcher->Running()) return nullptr;
    return watcher;
}

// ---------------------------------------------------------------- the device

UsbDeviceFile::UsbDeviceFile(const LibUsbCalls& calls, libusb_context* context,
                             libusb_device_handle* handle)
    : calls_(calls), context_(context), handle_(handle) {}

UsbDeviceFile::~UsbDeviceFile() {
    calls_.close(handle_);
}

std::unique_ptr<WriterTransport> UsbDeviceFile::Initialize() {
    // A kernel driver bound to the interface would keep the claim from
    // succeeding; where detaching is not supported the claim tells.
    calls_.set_auto_detach_kernel_driver(handle_, 1);
    if (calls_.claim_interface(handle_, WriterInterfaceNumber) != 0) return nullptr;
    return std::make_unique<UsbTransport>(calls_, context_, handle_, WriterInterfaceNumber);
}

// ---------------------------------------------------------------- transfers

struct UsbTransport::Transfer {
    const LibUsbCalls* calls = nullptr;
    // Null once the transport is gone and the transfer left to itself.
    UsbTransport* owner = nullptr;
    libusb_transfer* transfer = nullptr;
    std::vector<unsigned char> buffer;
    int done = 0;
    bool abandoned = false;

    ~Transfer() {
        if (transfer) calls->free_transfer(transfer);
    }
};

UsbTransport::UsbTransport(const LibUsbCalls& calls, libusb_context* context,
                           libusb_device_handle* handle, int interface_number)
    : calls_(calls), context_(context), handle_(handle), interface_number_(interface_number) {}

UsbTransport::~UsbTransport() {
    // Everything still pending was cancelled when it timed out; libusb
    // reports each one back through its callback, which frees it.
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(CancelDrainMs);
    while (!pending_.empty() && Clock::now() < deadline) {
        timeval tv = TimevalOf(std::chrono::milliseconds(50));
        calls_.handle_events_timeout_completed(context_, &tv, nullptr);
    }
    // What libusb still holds keeps its buffer for good: a leak is harmless,
    // a transfer completing into freed memory is not.
    for (std::unique_ptr<Transfer>& left : pending_)
        left.release()->owner = nullptr;
    pending_.clear();
    calls_.release_interface(handle_, interface_number_);
}

std::size_t UsbTransport::Abandoned() const {
    return pending_.size();
}

void LIBUSB_CALL UsbTransport::Completed(libusb_transfer* transfer) {
    auto* record = static_cast<Transfer*>(transfer->user_data);
    record->done = 1;
    UsbTransport* owner = record->owner;
    if (!owner) {
        delete record;
        return;
    }
    if (transfer->status == LIBUSB_TRANSFER_NO_DEVICE) owner->gone_ = true;
    if (record->abandoned) {
        // Given up earlier: only its memory is left to free.
        owner->pending_.remove_if(
            [record](const std::unique_ptr<Transfer>& t) { return t.get() == record; });
    }
}

TransferResult UsbTransport::BulkTransfer(std::uint8_t pipe, std::uint8_t* data, std::size_t length,
                                          unsigned timeout_ms) {
    TransferResult result;
    if (gone_ || length > static_cast<std::size_t>(INT32_MAX)) return result;
    const bool in = (pipe & LIBUSB_ENDPOINT_IN) != 0;

    auto record = std::make_unique<Transfer>();
    record->calls = &calls_;
    record->owner = this;
    record->buffer.assign(length, 0);
    if (!in) std::copy(data, data + length, record->buffer.begin());
    record->transfer = calls_.alloc_transfer(0);
    if (!record->transfer) return result;

    libusb_transfer* t = record->transfer;
    t->dev_handle = handle_;
    t->flags = 0;
    t->endpoint = pipe;
    t->type = LIBUSB_TRANSFER_TYPE_BULK;
    t->timeout = 0; // the wait below bounds it
    t->buffer = record->buffer.data();
    t->length = static_cast<int>(length);
    t->callback = &UsbTransport::Completed;
    t->user_data = record.get();
    t->num_iso_packets = 0;

    int rc = calls_.submit_transfer(t);
    if (rc != 0) {
        if (rc == LIBUSB_ERROR_NO_DEVICE) gone_ = true;
        return result;
    }
    Transfer* current = record.get();
    pending_.push_back(std::move(record));

    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!current->done) {
        Clock::duration left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) break;
        timeval tv = TimevalOf(left);
        if (calls_.handle_events_timeout_completed(context_, &tv, &current->done) < 0 &&
            !current->done)
            // Event handling itself failed; do not spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    if (!current->done) {
        // Given up: cancel and keep it until libusb hands it back.
        current->abandoned = true;
        calls_.cancel_transfer(t);
        result.status = TransferStatus::TimedOut;
        return result;
    }

    std::size_t got = static_cast<std::size_t>(std::max(t->actual_length, 0));
    got = std::min(got, length);
    if (in) std::copy(current->buffer.begin(), current->buffer.begin() + got, data);
    result.status = TransferStatus::Completed;
    result.received = got;
    result.errored = t->status != LIBUSB_TRANSFER_COMPLETED;
    pending_.remove_if(
        [current](const std::unique_ptr<Transfer>& p) { return p.get() == current; });
    return result;
}

// ---------------------------------------------------------------- device changes

struct UsbDeviceWatcher::State {
    const LibUsbCalls& calls;
    DeviceChangeSink sink;
    unsigned poll_ms;
    libusb_context* context = nullptr;
    bool ready = false;
    bool hotplug = false;
    libusb_hotplug_callback_handle callback{};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable wake;
    std::thread thread;

    State(const LibUsbCalls& c, DeviceChangeSink s, unsigned p)
        : calls(c), sink(std::move(s)), poll_ms(p) {}

    static int LIBUSB_CALL OnHotplug(libusb_context*, libusb_device*, libusb_hotplug_event event,
                                     void* user) {
        auto* state = static_cast<State*>(user);
        if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED)
            state->sink(DeviceArrival);
        else if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT)
            state->sink(DeviceRemoveComplete);
        return 0; // stay registered
    }

    void RunHotplug() {
        while (!stop.load()) {
            timeval tv = TimevalOf(std::chrono::milliseconds(250));
            calls.handle_events_timeout_completed(context, &tv, nullptr);
        }
    }

    std::set<std::string> Snapshot() {
        std::set<std::string> present;
        if (auto devices = ListUsbDevices(calls, context))
            for (const UsbDeviceEntry& d : *devices)
                present.insert(d.path + ' ' + d.hardware_id);
        return present;
    }

    // `before` is taken by the constructor: whatever changes once it has
    // returned is reported.
    void RunPolling(std::set<std::string> before) {
        std::unique_lock<std::mutex> lock(mutex);
        while (!stop.load()) {
            wake.wait_for(lock, std::chrono::milliseconds(poll_ms), [this] { return stop.load(); });
            if (stop.load()) break;
            lock.unlock();
            std::set<std::string> now = Snapshot();
            for (const std::string& d : now)
                if (!before.count(d)) sink(DeviceArrival);
            for (const std::string& d : before)
                if (!now.count(d)) sink(DeviceRemoveComplete);
            before = std::move(now);
            lock.lock();
        }
    }
};

UsbDeviceWatcher::UsbDeviceWatcher(const LibUsbCalls& calls, DeviceChangeSink sink,
                                   unsigned poll_ms)
    : state_(std::make_unique<State>(calls, std::move(sink), poll_ms)) {
    State& s = *state_;
    s.ready = calls.init(&s.context) == 0;
    if (!s.ready) return;
    if (calls.has_capability(LIBUSB_CAP_HAS_HOTPLUG) &&
        calls.hotplug_register_callback(
            s.context, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT, 0,
            LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
            &State::OnHotplug, &s, &s.callback) == LIBUSB_SUCCESS) {
        s.hotplug = true;
        s.thread = std::thread([&s] { s.RunHotplug(); });
    } else {
        s.thread = std::thread([&s, before = s.Snapshot()] { s.RunPolling(before); });
    }
}

UsbDeviceWatcher::~UsbDeviceWatcher() {
    State& s = *state_;
    if (!s.ready) return;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.stop.store(true);
    }
    s.wake.notify_all();
    if (s.hotplug) s.calls.interrupt_event_handler(s.context);
    s.thread.join();
    if (s.hotplug) s.calls.hotplug_deregister_callback(s.context, s.callback);
    s.calls.exit(s.context);
}

bool UsbDeviceWatcher::Running() const {
    return state_->ready;
}
