#include "WriterStandIn.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

// What a transfer that the writer did not take up leaves for the record: the
// bytes sent on an out pipe; an in pipe's buffer holds nothing of the writer.
const std::uint8_t* SentBytes(std::uint8_t pipe, const std::uint8_t* data) {
    return (pipe & WriterPipeIn) != 0 ? nullptr : data;
}

// The bytes a transfer moves: all of them, unless a fault cuts it short.
std::size_t Deliverable(const StandInFault* fault, std::size_t length) {
    if (fault && fault->kind == StandInFault::ShortAnswer) return std::min(length, fault->length);
    return length;
}

std::uint32_t Low24(const std::uint8_t* frame, std::size_t length) {
    auto byte = [&](std::size_t i) -> std::uint32_t { return i < length ? frame[i] : 0xFF; };
    return byte(1) | byte(2) << 8 | byte(3) << 16;
}

} // namespace

// ---------------------------------------------------------------- the writer

WriterStandIn::WriterStandIn() : chip_(StandInChipSize, 0xFF) {}

void WriterStandIn::SetVersion(std::uint8_t major, std::uint8_t minor) {
    major_ = major;
    minor_ = minor;
}

const StandInFault* WriterStandIn::FaultFor(std::uint8_t pipe) {
    const StandInFault* hit = nullptr;
    // Every fault on this pipe counts the transfer; the first one due hits.
    for (auto it = faults_.begin(); it != faults_.end();) {
        StandInFault& fault = *it;
        const bool on_pipe = fault.pipe == 0 || fault.pipe == pipe;
        if (on_pipe && fault.skip > 0) {
            --fault.skip;
        } else if (on_pipe && !hit) {
            if (fault.times != -1 && --fault.times <= 0) {
                // Used up: keep a copy where the caller can read it.
                spent_ = fault;
                hit = &spent_;
                it = faults_.erase(it);
                continue;
            }
            hit = &fault;
        }
        ++it;
    }
    return hit;
}

void WriterStandIn::Record(std::uint8_t pipe, const std::uint8_t* data, std::size_t length,
                           TransferStatus status, bool delivered) {
    if (!recording_) return;
    StandInTransfer transfer;
    transfer.pipe = pipe;
    transfer.status = status;
    transfer.delivered = delivered;
    // Pages would make the record as large as the chip.
    if (data && (pipe == WriterPipeFrameOut || pipe == WriterPipeFrameIn))
        transfer.bytes.assign(data, data + length);
    wire_.push_back(std::move(transfer));
}

void WriterStandIn::Answer(std::uint8_t code, std::uint8_t status, std::uint8_t b3,
                           std::uint8_t b4) {
    answer_.assign(WriterFrameSize, 0x00);
    answer_[0] = code;
    answer_[2] = status;
    answer_[3] = b3;
    answer_[4] = b4;
    answer_ready_ = true;
}

void WriterStandIn::Command(const std::uint8_t* frame, std::size_t length) {
    if (length != WriterFrameSize) Violation("frame of " + std::to_string(length) + " bytes");
    if (length == 0) return;
    const std::uint8_t code = frame[0];
    const std::uint32_t argument = Low24(frame, length);

    const bool ends_stream = (stream_ == Stream::Writing && code == WriterCmdEndWrite) ||
                             (stream_ == Stream::Reading && code == WriterCmdEndRead);
    if (stream_ != Stream::None && !ends_stream)
        Violation("command " + Hex(code, 2) + " inside a page stream");
    const bool touches_chip = code >= WriterCmdEraseBlock && code <= WriterCmdEndRead;
    if (touches_chip && !detected_) Violation("command " + Hex(code, 2) + " before DetectChip");

    switch (code) {
    case WriterCmdGetVersion:
        Answer(code, 0x01, major_, minor_);
        break;
    case WriterCmdDetectChip:
        detected_ = argument == chip_id_;
        Answer(code, detected_ ? 0x00 : 0x01);
        break;
    case WriterCmdEndOperation:
        detected_ = false;
        stream_ = Stream::None;
        Answer(code, 0x00);
        break;
    case WriterCmdEraseBlock: {
        const std::uint32_t block = length >= 2 ? frame[1] : 0xFF;
        if (block >= StandInBlockCount) {
            Violation("erase of block " + std::to_string(block));
            Answer(code, 0x01);
            break;
        }
        std::fill_n(chip_.begin() + block * StandInBlockSize, StandInBlockSize, 0xFF);
        Answer(code, 0x00);
        break;
    }
    case WriterCmdBeginWrite:
    case WriterCmdBeginRead:
        stream_ = code == WriterCmdBeginWrite ? Stream::Writing : Stream::Reading;
        // The chip's address lines end at its size: higher addresses wrap.
        stream_address_ = argument % StandInChipSize;
        Answer(code, 0x00);
        break;
    case WriterCmdEndWrite:
    case WriterCmdEndRead:
        if (!ends_stream) Violation("command " + Hex(code, 2) + " without its stream");
        stream_ = Stream::None;
        Answer(code, 0x00);
        break;
    default:
        Violation("unknown command " + Hex(code, 2));
        Answer(code, 0xFF);
        break;
    }
}

TransferResult WriterStandIn::Transfer(std::uint8_t pipe, std::uint8_t* data, std::size_t length,
                                       unsigned timeout_ms) {
    if (delay_.count() > 0) std::this_thread::sleep_for(delay_);
    if (removed_) return NotStarted(pipe, data, length);
    const StandInFault* fault = FaultFor(pipe);
    if (fault) {
        if (std::optional<TransferResult> ended = EndedBy(*fault, pipe, data, length, timeout_ms))
            return *ended;
    }
    const std::size_t deliver = Deliverable(fault, length);
    switch (pipe) {
    case WriterPipeFrameOut:
        return FrameOut(data, length);
    case WriterPipeFrameIn:
        return AnswerIn(data, length, deliver, fault, timeout_ms);
    case WriterPipePageOut:
    case WriterPipePageIn:
        return PageMove(pipe, data, length, deliver, timeout_ms);
    default:
        Violation("transfer on pipe " + Hex(pipe, 2));
        Record(pipe, nullptr, length, TransferStatus::NotStarted, false);
        return {};
    }
}

TransferResult WriterStandIn::NotStarted(std::uint8_t pipe, const std::uint8_t* data,
                                         std::size_t length) {
    Record(pipe, SentBytes(pipe, data), length, TransferStatus::NotStarted, false);
    return {};
}

TransferResult WriterStandIn::TimedOut(std::uint8_t pipe, const std::uint8_t* data,
                                       std::size_t length, unsigned timeout_ms) {
    waited_ms_ += timeout_ms;
    Record(pipe, data, length, TransferStatus::TimedOut, false);
    return {TransferStatus::TimedOut};
}

std::optional<TransferResult> WriterStandIn::EndedBy(const StandInFault& fault, std::uint8_t pipe,
                                                     std::uint8_t* data, std::size_t length,
                                                     unsigned timeout_ms) {
    switch (fault.kind) {
    case StandInFault::StartFails:
        return NotStarted(pipe, data, length);
    case StandInFault::Removal: {
        TransferResult result = NotStarted(pipe, data, length);
        Remove();
        return result;
    }
    case StandInFault::NoAnswer:
        // A cancelled answer is lost with its transfer.
        if (pipe == WriterPipeFrameIn) answer_ready_ = false;
        return TimedOut(pipe, data, length, timeout_ms);
    case StandInFault::TransferError:
        if (pipe == WriterPipeFrameIn) answer_ready_ = false;
        Record(pipe, SentBytes(pipe, data), length, TransferStatus::Completed, false);
        return TransferResult{TransferStatus::Completed, 0, true};
    case StandInFault::ShortAnswer:
    case StandInFault::WrongStatus:
    case StandInFault::WrongCode:
        break;
    }
    return std::nullopt;
}

TransferResult WriterStandIn::FrameOut(const std::uint8_t* data, std::size_t length) {
    Record(WriterPipeFrameOut, data, length, TransferStatus::Completed, true);
    Command(data, length);
    return {TransferStatus::Completed, length};
}

TransferResult WriterStandIn::AnswerIn(std::uint8_t* data, std::size_t length, std::size_t deliver,
                                       const StandInFault* fault, unsigned timeout_ms) {
    if (!answer_ready_) return TimedOut(WriterPipeFrameIn, data, length, timeout_ms);
    answer_ready_ = false;
    std::vector<std::uint8_t> answer = answer_;
    if (fault && fault->kind == StandInFault::WrongStatus) answer[2] = fault->status;
    if (fault && fault->kind == StandInFault::WrongCode) answer[0] = fault->status;
    const std::size_t moved = std::min(deliver, answer.size());
    std::copy_n(answer.begin(), moved, data);
    Record(WriterPipeFrameIn, data, moved, TransferStatus::Completed, true);
    return {TransferStatus::Completed, moved};
}

TransferResult WriterStandIn::PageMove(std::uint8_t pipe, std::uint8_t* data, std::size_t length,
                                       std::size_t deliver, unsigned timeout_ms) {
    const bool writing = pipe == WriterPipePageOut;
    if (stream_ != (writing ? Stream::Writing : Stream::Reading)) {
        Violation(writing ? "page written outside a write stream"
                          : "page read outside a read stream");
        return TimedOut(pipe, data, length, timeout_ms);
    }
    if (length != WriterPageSize) Violation("page of " + std::to_string(length) + " bytes");
    for (std::size_t i = 0; i < deliver; ++i) {
        std::uint8_t& cell = chip_[(stream_address_ + i) % StandInChipSize];
        // Programming only clears bits; only an erase sets them again.
        if (writing)
            cell &= data[i];
        else
            data[i] = cell;
    }
    stream_address_ = (stream_address_ + WriterPageSize) % StandInChipSize;
    Record(pipe, data, length, TransferStatus::Completed, true);
    return {TransferStatus::Completed, deliver};
}

std::vector<std::string> WriterStandIn::Commands() const {
    std::vector<std::string> names;
    for (const StandInTransfer& t : wire_) {
        if (!t.delivered) continue;
        if (t.pipe == WriterPipePageOut) {
            names.push_back("WritePage");
        } else if (t.pipe == WriterPipePageIn) {
            names.push_back("ReadPage");
        } else if (t.pipe == WriterPipeFrameOut && !t.bytes.empty()) {
            const std::uint32_t argument = Low24(t.bytes.data(), t.bytes.size());
            switch (t.bytes[0]) {
            case WriterCmdGetVersion:
                names.push_back("GetWriterVersion");
                break;
            case WriterCmdDetectChip:
                names.push_back("DetectChip " + Hex(argument, 6));
                break;
            case WriterCmdEndOperation:
                names.push_back("EndOperation");
                break;
            case WriterCmdEraseBlock:
                names.push_back("EraseBlock " + std::to_string(argument & 0xFF));
                break;
            case WriterCmdBeginWrite:
                names.push_back("BeginWrite " + Hex(argument, 6));
                break;
            case WriterCmdEndWrite:
                names.push_back("EndWrite");
                break;
            case WriterCmdBeginRead:
                names.push_back("BeginRead " + Hex(argument, 6));
                break;
            case WriterCmdEndRead:
                names.push_back("EndRead");
                break;
            default:
                names.push_back("Command " + Hex(t.bytes[0], 2));
                break;
            }
        }
    }
    return names;
}

void WriterStandIn::Remove() {
    removed_ = true;
    stream_ = Stream::None;
    answer_ready_ = false;
    // The bus's callback may drop the bus's hold on it; take it out first.
    std::function<void()> notify = std::move(on_removed_);
    on_removed_ = nullptr;
    if (notify) notify();
}

// ---------------------------------------------------------------- device and interface

class StandInTransport : public WriterTransport {
  public:
    explicit StandInTransport(std::shared_ptr<WriterStandIn> writer) : writer_(std::move(writer)) {
        ++writer_->claimed_;
    }
    ~StandInTransport() override { --writer_->claimed_; }

    TransferResult BulkTransfer(std::uint8_t pipe, std::uint8_t* data, std::size_t length,
                                unsigned timeout_ms) override {
        return writer_->Transfer(pipe, data, length, timeout_ms);
    }
    bool DeviceGone() const override { return writer_->removed_; }

  private:
    std::shared_ptr<WriterStandIn> writer_;
};

class StandInDeviceFile : public WriterDeviceFile {
  public:
    explicit StandInDeviceFile(std::shared_ptr<WriterStandIn> writer) : writer_(std::move(writer)) {
        ++writer_->open_files_;
    }
    ~StandInDeviceFile() override { --writer_->open_files_; }

    std::unique_ptr<WriterTransport> Initialize() override {
        if (writer_->removed_ || writer_->initialize_fails_) return nullptr;
        return std::make_unique<StandInTransport>(writer_);
    }

  private:
    std::shared_ptr<WriterStandIn> writer_;
};

// ---------------------------------------------------------------- the bus

class StandInBus::BusWatch : public DeviceChangeWatch {
  public:
    BusWatch(StandInBus* bus, DeviceChangeSink sink) : bus_(bus), sink_(std::move(sink)) {
        bus_->watches_.push_back(this);
    }
    ~BusWatch() override {
        if (bus_) std::erase(bus_->watches_, this);
    }

    StandInBus* bus_;
    DeviceChangeSink sink_;
};

StandInBus::~StandInBus() {
    for (BusWatch* watch : watches_)
        watch->bus_ = nullptr;
    for (Entry& entry : entries_)
        if (entry.writer) entry.writer->on_removed_ = nullptr;
}

std::string StandInBus::NextPath() {
    char text[32];
    // Shaped like the libusb bus's paths; nothing reads them but Open.
    std::snprintf(text, sizeof text, "/dev/bus/usb/001/%03d", next_address_++);
    return text;
}

void StandInBus::Post(unsigned event) {
    std::vector<BusWatch*> watches = watches_;
    for (BusWatch* watch : watches)
        watch->sink_(event);
}

std::shared_ptr<WriterStandIn> StandInBus::PlugWriter(std::string path) {
    auto writer = std::make_shared<WriterStandIn>();
    if (path.empty()) path = NextPath();
    std::weak_ptr<WriterStandIn> weak = writer;
    writer->on_removed_ = [this, weak] {
        if (auto w = weak.lock()) Unplug(w);
    };
    entries_.push_back({writer->HardwareId(), path, writer});
    Post(DeviceArrival);
    return writer;
}

void StandInBus::PlugOther(const std::string& hardware_id, std::string path) {
    if (path.empty()) path = NextPath();
    entries_.push_back({hardware_id, path, nullptr});
    Post(DeviceArrival);
}

void StandInBus::Unplug(const std::shared_ptr<WriterStandIn>& writer) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.writer == writer; });
    if (it == entries_.end()) return;
    entries_.erase(it);
    if (!writer->removed_) writer->Remove();
    Post(DeviceRemoveComplete);
}

void StandInBus::UnplugPath(const std::string& path) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.path == path; });
    if (it == entries_.end()) return;
    if (it->writer) {
        Unplug(std::shared_ptr<WriterStandIn>(it->writer));
        return;
    }
    entries_.erase(it);
    Post(DeviceRemoveComplete);
}

std::optional<std::vector<UsbDeviceEntry>> StandInBus::ListDevices() {
    if (list_fails_) return std::nullopt;
    std::vector<UsbDeviceEntry> devices;
    for (const Entry& entry : entries_)
        devices.push_back(
            {entry.writer ? entry.writer->HardwareId() : entry.hardware_id, entry.path});
    return devices;
}

std::unique_ptr<WriterDeviceFile> StandInBus::Open(const std::string& path) {
    for (const Entry& entry : entries_) {
        if (entry.path != path) continue;
        if (!entry.writer || entry.writer->open_fails_) return nullptr;
        return std::make_unique<StandInDeviceFile>(entry.writer);
    }
    return nullptr;
}

std::unique_ptr<DeviceChangeWatch> StandInBus::Watch(DeviceChangeSink sink) {
    return std::make_unique<BusWatch>(this, std::move(sink));
}
