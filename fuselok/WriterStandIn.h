// An in-process writer: a 4 MiB chip that reads 0xFF when erased, the chip
// id 7F 9D 46 and a firmware version, answering the command frames and page
// streams as the real writer does, with faults to order. It sits on a
// StandInBus, which lists it (and any other devices a test plugs in) the way
// libusb lists real ones, so FindWriter, the connect sequence, the protocol
// and the chip operations run on it unchanged.
//
// Time is not spent: a transfer that would time out returns at once as
// timed out, and the time it stood for is added to WaitedMs().
#pragma once

#include "WriterInterfaces.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::uint32_t StandInChipSize = 0x400000;
inline constexpr std::uint32_t StandInBlockSize = 0x10000;
inline constexpr std::uint32_t StandInBlockCount = StandInChipSize / StandInBlockSize;
inline constexpr std::uint32_t StandInChipId = 0x469D7F;
inline constexpr const char* StandInHardwareId = "USB\\VID_04D8&PID_EF08&REV_0100";

// What goes wrong, on which transfers.
struct StandInFault {
    enum Kind {
        StartFails,    // the transfer is not started
        NoAnswer,      // the transfer never completes (it times out)
        ShortAnswer,   // an answer frame or page of only `length` bytes
        WrongStatus,   // an answer frame whose status byte (byte 2) is `status`
        WrongCode,     // an answer frame whose code byte (byte 0) is `status`
        TransferError, // the transfer completes with an error: nothing is moved
        Removal,       // the writer is unplugged as this transfer starts
    };
    Kind kind = StartFails;
    std::uint8_t pipe = 0;  // the pipe it hits; 0: any pipe
    int skip = 0;           // transfers on that pipe let through before it hits
    int times = 1;          // transfers it hits; -1: every one from then on
    std::size_t length = 1; // ShortAnswer
    std::uint8_t status = 0xEE;
};

// One transfer as the stand-in saw it. Frames keep their bytes, pages not.
struct StandInTransfer {
    std::uint8_t pipe = 0;
    std::vector<std::uint8_t> bytes;
    TransferStatus status = TransferStatus::Completed;
    bool delivered = false; // the writer took it in or answered with it
};

class WriterStandIn {
  public:
    WriterStandIn();

    // The chip's content (StandInChipSize bytes); tests may change it.
    std::vector<std::uint8_t>& Chip() { return chip_; }
    void SetChipId(std::uint32_t id) { chip_id_ = id; }
    void SetVersion(std::uint8_t major, std::uint8_t minor);
    void SetHardwareId(std::string id) { hardware_id_ = std::move(id); }
    const std::string& HardwareId() const { return hardware_id_; }

    void SetOpenFails(bool fails) { open_fails_ = fails; }
    void SetInitializeFails(bool fails) { initialize_fails_ = fails; }
    void InjectFault(const StandInFault& fault) { faults_.push_back(fault); }
    void ClearFaults() { faults_.clear(); }
    // Makes every transfer take this long in earnest (for watching a try-out).
    void SetTransferDelay(std::chrono::microseconds delay) { delay_ = delay; }

    // The record of transfers; off, nothing is kept.
    void SetRecording(bool on) { recording_ = on; }
    const std::vector<StandInTransfer>& Wire() const { return wire_; }
    void ClearWire() { wire_.clear(); }
    // The commands and page transfers that reached the writer, in order:
    // "GetWriterVersion", "DetectChip 469D7F", "EndOperation", "EraseBlock 63",
    // "BeginWrite 3FFF00", "WritePage", "EndWrite", "BeginRead 000000",
    // "ReadPage", "EndRead"; an unknown code as "Command 7A".
    std::vector<std::string> Commands() const;
    // Things the writer was asked that break the protocol's rules (a chip
    // command before DetectChip, a page outside its stream, a frame of the
    // wrong size, ...), in words.
    const std::vector<std::string>& Violations() const { return violations_; }

    // The time that transfers which timed out stood for.
    unsigned long long WaitedMs() const { return waited_ms_; }

    bool Removed() const { return removed_; }
    int OpenFiles() const { return open_files_; }
    int ClaimedInterfaces() const { return claimed_; }

    // The device side of one bulk transfer.
    TransferResult Transfer(std::uint8_t pipe, std::uint8_t* data, std::size_t length,
                            unsigned timeout_ms);

  private:
    friend class StandInBus;
    friend class StandInDeviceFile;
    friend class StandInTransport;

    enum class Stream { None, Writing, Reading };

    // The fault that hits this transfer on `pipe`, if any; counts the
    // transfer against every fault on the pipe.
    const StandInFault* FaultFor(std::uint8_t pipe);
    // Ends the transfer as `fault` has it (not started, timed out, failed
    // in transit, or the writer pulled out); nullopt for a fault that lets it
    // through and only changes what it moves.
    std::optional<TransferResult> EndedBy(const StandInFault& fault, std::uint8_t pipe,
                                          std::uint8_t* data, std::size_t length,
                                          unsigned timeout_ms);
    // A transfer the writer never took up, and one it let time out.
    TransferResult NotStarted(std::uint8_t pipe, const std::uint8_t* data, std::size_t length);
    TransferResult TimedOut(std::uint8_t pipe, const std::uint8_t* data, std::size_t length,
                            unsigned timeout_ms);
    // The frame pipes and the page pipes. `deliver` is the most the transfer
    // moves: all `length` bytes unless a fault cut it short. `fault`, the one
    // that let the transfer through, if any, may also change the answer's
    // status or code byte.
    TransferResult FrameOut(const std::uint8_t* data, std::size_t length);
    TransferResult AnswerIn(std::uint8_t* data, std::size_t length, std::size_t deliver,
                            const StandInFault* fault, unsigned timeout_ms);
    // A page written (WriterPipePageOut) or read (WriterPipePageIn). Outside
    // the pipe's stream the page is a violation and nothing takes it up; one
    // of the wrong size is a violation too, but moves.
    TransferResult PageMove(std::uint8_t pipe, std::uint8_t* data, std::size_t length,
                            std::size_t deliver, unsigned timeout_ms);
    // Adds the transfer to the wire record.
    void Record(std::uint8_t pipe, const std::uint8_t* data, std::size_t length,
                TransferStatus status, bool delivered);
    void Command(const std::uint8_t* frame, std::size_t length);
    void Answer(std::uint8_t code, std::uint8_t status, std::uint8_t b3 = 0, std::uint8_t b4 = 0);
    void Violation(std::string what) { violations_.push_back(std::move(what)); }
    void Remove();

    std::vector<std::uint8_t> chip_;
    std::uint32_t chip_id_ = StandInChipId;
    std::uint8_t major_ = 1;
    std::uint8_t minor_ = 5;
    std::string hardware_id_ = StandInHardwareId;
    bool open_fails_ = false;
    bool initialize_fails_ = false;
    std::chrono::microseconds delay_{0};

    std::deque<StandInFault> faults_;
    StandInFault spent_; // the last fault that was used up

    bool detected_ = false;
    Stream stream_ = Stream::None;
    std::uint32_t stream_address_ = 0;
    bool answer_ready_ = false;
    std::vector<std::uint8_t> answer_;

    bool recording_ = true;
    std::vector<StandInTransfer> wire_;
    std::vector<std::string> violations_;
    unsigned long long waited_ms_ = 0;

    bool removed_ = false;
    int open_files_ = 0;
    int claimed_ = 0;
    // Set by the bus the writer is plugged into.
    std::function<void()> on_removed_;
};

// A USB bus of stand-in devices. Plugging and unplugging tell the sink of a
// watch (DeviceArrival, DeviceRemoveComplete) at once, on the calling thread.
class StandInBus : public WriterBus {
  public:
    StandInBus() = default;
    ~StandInBus() override;
    StandInBus(const StandInBus&) = delete;
    StandInBus& operator=(const StandInBus&) = delete;

    // Plugs in a new writer; an empty path gives the next free one.
    std::shared_ptr<WriterStandIn> PlugWriter(std::string path = {});
    // Plugs in a device that is not a writer.
    void PlugOther(const std::string& hardware_id, std::string path = {});
    void Unplug(const std::shared_ptr<WriterStandIn>& writer);
    void UnplugPath(const std::string& path);
    // ListDevices fails while this is set.
    void SetListFails(bool fails) { list_fails_ = fails; }

    std::optional<std::vector<UsbDeviceEntry>> ListDevices() override;
    std::unique_ptr<WriterDeviceFile> Open(const std::string& path) override;
    std::unique_ptr<DeviceChangeWatch> Watch(DeviceChangeSink sink) override;

  private:
    struct Entry {
        std::string hardware_id;
        std::string path;
        std::shared_ptr<WriterStandIn> writer; // null for other devices
    };
    class BusWatch;

    std::string NextPath();
    void Post(unsigned event);

    std::vector<Entry> entries_;
    int next_address_ = 1;
    bool list_fails_ = false;
    std::vector<BusWatch*> watches_;
};
