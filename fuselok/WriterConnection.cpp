#include "WriterConnection.h"

#include "WriterProtocol.h"

#include <optional>
#include <vector>

WriterConnectionState WriterConnection;

namespace {

WriterStateHook& StateHook() {
    static WriterStateHook hook;
    return hook;
}

// Device-change handling held back by running operations: every event is
// kept, since each one decides on its own whether the writer is connected or
// dropped (pulled out and put back in is two of them, and ends connected).
int operation_depth = 0;
unsigned changes_pending = 0;

void ReportState(bool connected, const std::string& major = {}, const std::string& minor = {}) {
    if (StateHook()) StateHook()(connected, major, minor);
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < part.size() && LowerAscii(text[at + i]) == LowerAscii(part[i]))
            ++i;
        if (i == part.size()) return true;
    }
    return false;
}

void Drop() {
    // The interface before the device it was claimed on.
    WriterConnection.UsbInterface.reset();
    WriterConnection.DeviceFile.reset();
    WriterConnection.Connected = 0;
}

// Open, claim, mark connected, ask for the version; whatever a failed attempt
// opened is released again so the next one starts from nothing open. Only
// tried once FindWriter has found the writer on the bus.
bool Connect(std::string& major, std::string& minor) {
    std::unique_ptr<WriterDeviceFile> file =
        WriterConnection.Bus->Open(WriterConnection.DevicePath);
    if (!file) return false;
    std::unique_ptr<WriterTransport> usb = file->Initialize();
    if (!usb) return false;
    WriterConnection.DeviceFile = std::move(file);
    WriterConnection.UsbInterface = std::move(usb);
    WriterConnection.Connected = 1;
    if (GetWriterVersion(major, minor)) return true;
    Drop();
    return false;
}

bool RunDeviceChange() {
    bool found = FindWriter();
    if (found && WriterConnection.Connected == 0) {
        std::string major, minor;
        if (Connect(major, minor)) {
            ReportState(true, major, minor);
            return true;
        }
    }
    // Connected already, not found, or the attempt failed: every handled
    // event while connected drops the connection; the next one connects anew.
    Drop();
    ReportState(false);
    return false;
}

} // namespace

WriterOperationGuard::WriterOperationGuard() {
    ++operation_depth;
}

WriterOperationGuard::~WriterOperationGuard() {
    if (operation_depth > 1) {
        --operation_depth;
        return;
    }
    // Held-back changes are handled one by one in the order they came, with
    // the depth still held, so that events arriving meanwhile (a message box
    // runs its own event loop) join the queue instead of nesting.
    while (changes_pending > 0) {
        --changes_pending;
        RunDeviceChange();
    }
    --operation_depth;
}

WriterStateHook SetWriterStateHook(WriterStateHook hook) {
    WriterStateHook previous = std::move(StateHook());
    StateHook() = std::move(hook);
    return previous;
}

bool FindWriter() {
    if (!WriterConnection.Bus) return false;
    std::optional<std::vector<UsbDeviceEntry>> devices = WriterConnection.Bus->ListDevices();
    if (!devices) return false;
    std::size_t others = 0;
    for (const UsbDeviceEntry& device : *devices) {
        // The first match in enumeration order wins.
        if (ContainsIgnoringCase(device.hardware_id, WriterHardwareId)) {
            WriterConnection.DevicePath = device.path;
            return true;
        }
        if (++others >= WriterSearchLimit) return false;
    }
    return false;
}

void StartWriterConnection() {
    WriterOperationGuard hold;
    std::string major, minor;
    if (FindWriter() && Connect(major, minor)) {
        ReportState(true, major, minor);
        return;
    }
    WriterConnection.Connected = 0;
    ReportState(false);
}

bool HandleDeviceChange(unsigned event) {
    if (!IsDeviceChange(event)) return false;
    if (operation_depth > 0) {
        ++changes_pending;
        return false;
    }
    WriterOperationGuard hold;
    return RunDeviceChange();
}

void DropWriterConnection() {
    Drop();
}

bool WriterGone() {
    return WriterConnection.Connected == 0 || !WriterConnection.UsbInterface ||
           WriterConnection.UsbInterface->DeviceGone();
}

std::unique_ptr<DeviceChangeWatch> WatchDeviceChanges(DeviceChangeSink sink) {
    if (!WriterConnection.Bus) return nullptr;
    return WriterConnection.Bus->Watch(std::move(sink));
}

void UseWriterBus(std::unique_ptr<WriterBus> bus) {
    Drop();
    WriterConnection.Bus = std::move(bus);
}
