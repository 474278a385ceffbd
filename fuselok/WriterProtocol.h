// The writer's command protocol. Everything fuselok asks of the writer is one
// of ten operations: eight commands that send a 16-byte request frame on pipe
// 0x01 and read a 16-byte answer on pipe 0x82, and two page transfers that
// move one 256-byte page on pipe 0x03 (to the chip) or 0x84 (from the chip).
//
// Every operation is synchronous, runs on the user-interface thread, uses the
// transport of the one writer connection (WriterConnection.UsbInterface) and
// returns true on success. A transfer that cannot be started shows
// "USB Failed!", one that does not complete within 10000 ms "USB Time-Out!",
// both in a box captioned "ERROR"; a wrong answer only makes the result false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

// Bulk pipes of the writer's interface.
inline constexpr std::uint8_t WriterPipeFrameOut = 0x01;
inline constexpr std::uint8_t WriterPipeFrameIn = 0x82;
inline constexpr std::uint8_t WriterPipePageOut = 0x03;
inline constexpr std::uint8_t WriterPipePageIn = 0x84;

inline constexpr std::size_t WriterFrameSize = 16;
inline constexpr std::size_t WriterPageSize = 256;
// The longest wait for one transfer.
inline constexpr unsigned WriterTimeoutMs = 10000;

// Command codes; 0x41 to 0x46 are the letters A to F.
inline constexpr std::uint8_t WriterCmdGetVersion = 0xFE;
inline constexpr std::uint8_t WriterCmdDetectChip = 0x40;
inline constexpr std::uint8_t WriterCmdEndOperation = 0x41;
inline constexpr std::uint8_t WriterCmdEraseBlock = 0x42;
inline constexpr std::uint8_t WriterCmdBeginWrite = 0x43;
inline constexpr std::uint8_t WriterCmdEndWrite = 0x44;
inline constexpr std::uint8_t WriterCmdBeginRead = 0x45;
inline constexpr std::uint8_t WriterCmdEndRead = 0x46;

// Texts of the transport failures.
inline constexpr const char* UsbFailedText = "USB Failed!";
inline constexpr const char* UsbTimeOutText = "USB Time-Out!";

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
    // most `timeout_ms`. Out pipes (top bit clear) send `data`; in pipes write
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

// Shows a transport failure to the user. The default is a modal box with the
// text, the caption "ERROR" and an OK button and no owner window.
using WriterMessageHook = std::function<void(const char* text)>;

// Installs `hook` (an empty one restores the default); returns the one before.
WriterMessageHook SetWriterMessageHook(WriterMessageHook hook);

// How the transfers of the last operation went. Its result folds a failed
// transfer and a wrong answer together, and a page that completed short or
// with an error of its own still counts as done; a caller that must tell
// these apart asks here right after the operation. Ordered from best to
// worst: an exchange of two transfers is as good as the worse of them.
enum class WriterTransfers {
    Whole,   // every transfer completed and moved all its bytes
    Partial, // one completed short, or with an error status of its own
    Failed,  // one was not started or not completed in time, or the writer
             // is gone: its box has been shown
};
WriterTransfers LastWriterTransfers();

// The ten operations. Addresses and the chip id are sent as their low 24 bits,
// least significant byte first.
bool GetWriterVersion(std::string& major, std::string& minor);
bool DetectChip(std::uint32_t chip_id);
bool EndOperation();
bool EraseBlock(std::uint8_t index);
bool BeginWrite(std::uint32_t address);
bool WritePage(std::span<const std::uint8_t, WriterPageSize> page);
bool EndWrite();
bool BeginRead(std::uint32_t address);
// Fills the front of `page` with what the writer delivers; bytes it does not
// deliver keep the caller's content.
bool ReadPage(std::span<std::uint8_t, WriterPageSize> page);
bool EndRead();
