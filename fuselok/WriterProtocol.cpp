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

// Not failed: the transfers completed, whole or not, and what came back may
// be tested.
bool Done(WriterTransfers transfers) {
    return transfers != WriterTransfers::Failed;
}

// A page on its pipe; it fails only when the transfer failed.
WriterResult RunPage(std::uint8_t pipe, std::uint8_t* data) {
    const WriterTransfers transfers = RunTransfer(pipe, data, WriterPageSize);
    return {Done(transfers), transfers};
}

// Request frame out, answer frame in: what the two did, the worse of them.
// When they were done the caller applies its own test to `answer`; after a
// failed request no answer is read.
WriterTransfers Exchange(std::uint8_t code, std::span<const std::uint8_t> arguments,
                         Frame& answer) {
    Frame request;
    request.fill(0xFF);
    request[0] = code;
    std::copy(arguments.begin(), arguments.end(), request.begin() + 1);
    const WriterTransfers sent = RunTransfer(WriterPipeFrameOut, request.data(), request.size());
    if (!Done(sent)) return sent;
    answer.fill(0xFF);
    return std::max(sent, RunTransfer(WriterPipeFrameIn, answer.data(), answer.size()));
}

// The commands whose only test is the echoed code.
WriterResult EchoCommand(std::uint8_t code, std::span<const std::uint8_t> arguments = {}) {
    WriterOperationGuard hold;
    Frame answer;
    const WriterTransfers transfers = Exchange(code, arguments, answer);
    return {Done(transfers) && answer[0] == code, transfers};
}

} // namespace

WriterMessageHook SetWriterMessageHook(WriterMessageHook hook) {
    WriterMessageHook previous = std::move(MessageHook());
    MessageHook() = std::move(hook);
    return previous;
}

WriterResult GetWriterVersion(std::string& major, std::string& minor) {
    WriterOperationGuard hold;
    Frame answer;
    const WriterTransfers transfers = Exchange(WriterCmdGetVersion, {}, answer);
    // Byte 0 of this answer is not looked at.
    if (!Done(transfers) || answer[2] != 0x01) return {false, transfers};
    major = std::to_string(answer[3]);
    minor = std::to_string(answer[4]);
    return {true, transfers};
}

WriterResult DetectChip(std::uint32_t chip_id) {
    WriterOperationGuard hold;
    Frame answer;
    const WriterTransfers transfers = Exchange(WriterCmdDetectChip, Low24(chip_id), answer);
    return {Done(transfers) && answer[0] == WriterCmdDetectChip && answer[2] == 0x00, transfers};
}

WriterResult EndOperation() {
    return EchoCommand(WriterCmdEndOperation);
}

WriterResult EraseBlock(std::uint8_t index) {
    return EchoCommand(WriterCmdEraseBlock, std::span(&index, 1));
}

WriterResult BeginWrite(std::uint32_t address) {
    return EchoCommand(WriterCmdBeginWrite, Low24(address));
}

WriterResult WritePage(std::span<const std::uint8_t, WriterPageSize> page) {
    WriterOperationGuard hold;
    // The transport only reads from out buffers; a copy keeps the interface
    // one pointer type for both directions.
    std::array<std::uint8_t, WriterPageSize> out;
    std::copy(page.begin(), page.end(), out.begin());
    return RunPage(WriterPipePageOut, out.data());
}

WriterResult EndWrite() {
    return EchoCommand(WriterCmdEndWrite);
}

WriterResult BeginRead(std::uint32_t address) {
    return EchoCommand(WriterCmdBeginRead, Low24(address));
}

WriterResult ReadPage(std::span<std::uint8_t, WriterPageSize> page) {
    WriterOperationGuard hold;
    return RunPage(WriterPipePageIn, page.data());
}

WriterResult EndRead() {
    return EchoCommand(WriterCmdEndRead);
}
