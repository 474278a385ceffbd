#include "WriterProtocol.h"

#include "WriterConnection.h"

#include <message_box.h>

#include <QString>

#include <algorithm>
#include <array>
#include <span>

namespace {

using Frame = std::array<std::uint8_t, WriterFrameSize>;

// An address or the chip id as the frames carry it: its low 24 bits, least
// significant byte first.
std::array<std::uint8_t, 3> Low24(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16)};
}

WriterMessageHook& MessageHook() {
    static WriterMessageHook hook;
    return hook;
}

void ShowUsbError(const char* text) {
    if (MessageHook()) {
        MessageHook()(text);
        return;
    }
    platform::message_box(nullptr, QString::fromLatin1(text), QStringLiteral("ERROR"),
                          platform::MB_OK);
}

WriterTransfers& LastTransfers() {
    static WriterTransfers last = WriterTransfers::Whole;
    return last;
}

// The writer was pulled out: say so once, then fail quietly, or an operation
// running on would raise one box for every page it has left.
WriterTransfers WriterLost(WriterTransport& usb) {
    if (!usb.loss_reported) {
        usb.loss_reported = true;
        ShowUsbError(UsbFailedText);
    }
    return WriterTransfers::Failed;
}

// One transfer with the failure reports every operation shares. A transfer
// that completed short or with an error of its own is no failure here: an
// answer that came short keeps the 0xFF its buffer was filled with.
WriterTransfers RunTransfer(std::uint8_t pipe, std::uint8_t* data, std::size_t length) {
    WriterTransport* usb = WriterConnection.UsbInterface.get();
    if (usb && usb->DeviceGone()) return WriterLost(*usb);
    TransferResult result;
    if (usb) result = usb->BulkTransfer(pipe, data, length, WriterTimeoutMs);
    switch (result.status) {
    case TransferStatus::Completed:
        // Completed because the writer went away while it was out.
        if (usb && usb->DeviceGone()) return WriterLost(*usb);
        return result.errored || result.received < length ? WriterTransfers::Partial
                                                          : WriterTransfers::Whole;
    case TransferStatus::NotStarted:
        if (usb && usb->DeviceGone()) return WriterLost(*usb);
        ShowUsbError(UsbFailedText);
        return WriterTransfers::Failed;
    case TransferStatus::TimedOut:
        ShowUsbError(UsbTimeOutText);
        return WriterTransfers::Failed;
    }
    return WriterTransfers::Failed;
}

// A page on its pipe; false only when the transfer failed.
bool RunPage(std::uint8_t pipe, std::uint8_t* data) {
    LastTransfers() = RunTransfer(pipe, data, WriterPageSize);
    return LastTransfers() != WriterTransfers::Failed;
}

// Request frame out, answer frame in. False when either transfer failed; the
// caller applies its own test to `answer`.
bool Exchange(std::uint8_t code, std::span<const std::uint8_t> arguments, Frame& answer) {
    Frame request;
    request.fill(0xFF);
    request[0] = code;
    std::copy(arguments.begin(), arguments.end(), request.begin() + 1);
    WriterTransfers& last = LastTransfers();
    last = RunTransfer(WriterPipeFrameOut, request.data(), request.size());
    if (last == WriterTransfers::Failed) return false;
    answer.fill(0xFF);
    last = std::max(last, RunTransfer(WriterPipeFrameIn, answer.data(), answer.size()));
    return last != WriterTransfers::Failed;
}

// The commands whose only test is the echoed code.
bool EchoCommand(std::uint8_t code, std::span<const std::uint8_t> arguments = {}) {
    WriterOperationGuard hold;
    Frame answer;
    return Exchange(code, arguments, answer) && answer[0] == code;
}

} // namespace

WriterTransfers LastWriterTransfers() {
    return LastTransfers();
}

WriterMessageHook SetWriterMessageHook(WriterMessageHook hook) {
    WriterMessageHook previous = std::move(MessageHook());
    MessageHook() = std::move(hook);
    return previous;
}

bool GetWriterVersion(std::string& major, std::string& minor) {
    WriterOperationGuard hold;
    Frame answer;
    // Byte 0 of this answer is not looked at.
    if (!Exchange(WriterCmdGetVersion, {}, answer) || answer[2] != 0x01) return false;
    major = std::to_string(answer[3]);
    minor = std::to_string(answer[4]);
    return true;
}

bool DetectChip(std::uint32_t chip_id) {
    WriterOperationGuard hold;
    Frame answer;
    return Exchange(WriterCmdDetectChip, Low24(chip_id), answer) &&
           answer[0] == WriterCmdDetectChip && answer[2] == 0x00;
}

bool EndOperation() {
    return EchoCommand(WriterCmdEndOperation);
}

bool EraseBlock(std::uint8_t index) {
    return EchoCommand(WriterCmdEraseBlock, std::span(&index, 1));
}

bool BeginWrite(std::uint32_t address) {
    return EchoCommand(WriterCmdBeginWrite, Low24(address));
}

bool WritePage(std::span<const std::uint8_t, WriterPageSize> page) {
    WriterOperationGuard hold;
    // The transport only reads from out buffers; a copy keeps the interface
    // one pointer type for both directions.
    std::array<std::uint8_t, WriterPageSize> out;
    std::copy(page.begin(), page.end(), out.begin());
    return RunPage(WriterPipePageOut, out.data());
}

bool EndWrite() {
    return EchoCommand(WriterCmdEndWrite);
}

bool BeginRead(std::uint32_t address) {
    return EchoCommand(WriterCmdBeginRead, Low24(address));
}

bool ReadPage(std::span<std::uint8_t, WriterPageSize> page) {
    WriterOperationGuard hold;
    return RunPage(WriterPipePageIn, page.data());
}

bool EndRead() {
    return EchoCommand(WriterCmdEndRead);
}
