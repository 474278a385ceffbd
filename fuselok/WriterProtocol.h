// The writer's command protocol. Everything fuselok asks of the writer is one
// of ten operations: eight commands that send a 16-byte request frame on pipe
// 0x01 and read a 16-byte answer on pipe 0x82, and two page transfers that
// move one 256-byte page on pipe 0x03 (to the chip) or 0x84 (from the chip).
//
// Every operation is synchronous, runs on the user-interface thread, uses the
// transport of the one writer connection (WriterConnection.UsbInterface) and
// returns its success with what its transfers did (WriterResult). A transfer
// that cannot be started shows "USB Failed!", one that does not complete
// within 10000 ms "USB Time-Out!", both in a box captioned "ERROR"; a wrong
// answer only makes the result false.
#pragma once

#include "WriterInterfaces.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

// The longest wait for one transfer.
inline constexpr unsigned WriterTimeoutMs = 10000;

// Texts of the transport failures.
inline constexpr const char* UsbFailedText = "USB Failed!";
inline constexpr const char* UsbTimeOutText = "USB Time-Out!";

// Shows a transport failure to the user. The default is a modal box with the
// text, the caption "ERROR" and an OK button and no owner window.
using WriterMessageHook = std::function<void(const char* text)>;

// Installs `hook` (an empty one restores the default); returns the one before.
WriterMessageHook SetWriterMessageHook(WriterMessageHook hook);

// What an operation's transfers did. Its success flag folds a failed
// transfer and a wrong answer together, and a page that completed short or
// with an error of its own still counts as done; a caller that must tell
// these apart looks here. Ordered from best to worst: an exchange of two
// transfers is as good as the worse of them.
enum class WriterTransfers {
    Whole,   // every transfer completed and moved all its bytes
    Partial, // one completed short, or with an error status of its own
    Failed,  // one was not started or not completed in time, or the writer
             // is gone: its box has been shown
};

// The outcome of one operation: tested as a flag (`if (!DetectChip(id))`)
// it is the operation's success, and it carries what its transfers did.
class WriterResult {
  public:
    constexpr WriterResult(bool succeeded, WriterTransfers transfers)
        : succeeded_(succeeded), transfers_(transfers) {}
    constexpr explicit operator bool() const { return succeeded_; }
    constexpr WriterTransfers Transfers() const { return transfers_; }

  private:
    bool succeeded_;
    WriterTransfers transfers_;
};

// The ten operations. Addresses and the chip id are sent as their low 24 bits,
// least significant byte first.
WriterResult GetWriterVersion(std::string& major, std::string& minor);
WriterResult DetectChip(std::uint32_t chip_id);
WriterResult EndOperation();
WriterResult EraseBlock(std::uint8_t index);
WriterResult BeginWrite(std::uint32_t address);
WriterResult WritePage(std::span<const std::uint8_t, WriterPageSize> page);
WriterResult EndWrite();
WriterResult BeginRead(std::uint32_t address);
// Fills the front of `page` with what the writer delivers; bytes it does not
// deliver keep the caller's content.
WriterResult ReadPage(std::span<std::uint8_t, WriterPageSize> page);
WriterResult EndRead();
