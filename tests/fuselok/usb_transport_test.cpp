// The libusb side on a double of the libusb calls: device list and hardware
// ids, opening and claiming, bulk transfers with their time-outs and the
// buffers of given-up transfers, and the device watch.
#include "UsbTransport.h"
#include "WriterConnection.h"
#include "WriterProtocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

namespace {

struct FakeDevice {
    std::uint16_t vendor = 0x04D8, product = 0xEF08, release = 0x0100;
    std::uint8_t bus = 1, address = 4;
    bool descriptor_fails = false;
};

// What the double of libusb holds; one at a time, reached through `fake`.
struct FakeUsb {
    std::mutex mutex;
    std::vector<FakeDevice> devices;
    int init_result = 0;
    int open_result = 0;
    int claim_result = 0;
    int submit_result = 0;
    bool hotplug = false;
    bool answer = true; // complete transfers on the next event handling
    libusb_transfer_status completion = LIBUSB_TRANSFER_COMPLETED; // how they complete
    bool error_moves_all = false; // one that completes with an error still moved every byte
    std::vector<std::uint8_t> reply = {0xFE, 0x00, 0x01, 3, 7};
    std::vector<std::string> calls;
    std::vector<libusb_transfer*> in_flight;
    std::vector<libusb_transfer*> cancelled;
    std::vector<std::vector<std::uint8_t>> sent;
    int allocated = 0, freed = 0;
    libusb_hotplug_callback_fn hotplug_callback = nullptr;
    void* hotplug_user = nullptr;
};
FakeUsb* fake = nullptr;
int context_tag;

void Note(const std::string& call) {
    std::lock_guard<std::mutex> lock(fake->mutex);
    fake->calls.push_back(call);
}

const FakeDevice& Dev(libusb_device* d) {
    return *reinterpret_cast<FakeDevice*>(d);
}

// Completes what is due: cancelled transfers come back as cancelled with
// junk in their buffer, the others with the device's reply.
int HandleEvents(libusb_context*, timeval*, int*) {
    std::vector<libusb_transfer*> due;
    {
        std::lock_guard<std::mutex> lock(fake->mutex);
        for (libusb_transfer* t : fake->cancelled)
            due.push_back(t);
        fake->cancelled.clear();
        if (fake->answer) {
            due.insert(due.end(), fake->in_flight.begin(), fake->in_flight.end());
            fake->in_flight.clear();
        }
    }
    for (libusb_transfer* t : due) {
        if (t->status == LIBUSB_TRANSFER_CANCELLED) {
            std::memset(t->buffer, 0xAB, t->length);
        } else if (fake->completion != LIBUSB_TRANSFER_COMPLETED) {
            t->actual_length = fake->error_moves_all ? t->length : 0;
            t->status = fake->completion;
        } else if (t->endpoint & LIBUSB_ENDPOINT_IN) {
            int n = std::min<int>(t->length, static_cast<int>(fake->reply.size()));
            std::memcpy(t->buffer, fake->reply.data(), n);
            t->actual_length = n;
            t->status = LIBUSB_TRANSFER_COMPLETED;
        } else {
            fake->sent.emplace_back(t->buffer, t->buffer + t->length);
            t->actual_length = t->length;
            t->status = LIBUSB_TRANSFER_COMPLETED;
        }
        t->callback(t);
    }
    if (due.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
}

const LibUsbCalls& FakeCalls() {
    static const LibUsbCalls calls{
        [](libusb_context** c) {
            *c = reinterpret_cast<libusb_context*>(&context_tag);
            Note("init");
            return fake->init_result;
        },
        [](libusb_context*) { Note("exit"); },
        [](libusb_context*, libusb_device*** list) -> ssize_t {
            std::lock_guard<std::mutex> lock(fake->mutex);
            auto** out = new libusb_device*[fake->devices.size() + 1];
            for (std::size_t i = 0; i < fake->devices.size(); ++i)
                out[i] = reinterpret_cast<libusb_device*>(new FakeDevice(fake->devices[i]));
            out[fake->devices.size()] = nullptr;
            *list = out;
            return static_cast<ssize_t>(fake->devices.size());
        },
        [](libusb_device** list, int) {
            for (libusb_device** d = list; *d; ++d)
                delete reinterpret_cast<FakeDevice*>(*d);
            delete[] list;
        },
        [](libusb_device* d, libusb_device_descriptor* desc) {
            if (Dev(d).descriptor_fails) return static_cast<int>(LIBUSB_ERROR_IO);
            *desc = {};
            desc->idVendor = Dev(d).vendor;
            desc->idProduct = Dev(d).product;
            desc->bcdDevice = Dev(d).release;
            return 0;
        },
        [](libusb_device* d) { return Dev(d).bus; },
        [](libusb_device* d) { return Dev(d).address; },
        [](libusb_device* d, libusb_device_handle** h) {
            Note("open " + std::to_string(Dev(d).address));
            *h = reinterpret_cast<libusb_device_handle*>(&context_tag);
            return fake->open_result;
        },
        [](libusb_device_handle*) { Note("close"); },
        [](libusb_device_handle*, int on) {
            Note("auto-detach " + std::to_string(on));
            return 0;
        },
        [](libusb_device_handle*, int n) {
            Note("claim " + std::to_string(n));
            return fake->claim_result;
        },
        [](libusb_device_handle*, int n) {
            Note("release " + std::to_string(n));
            return 0;
        },
        [](int) {
            ++fake->allocated;
            return static_cast<libusb_transfer*>(std::calloc(1, sizeof(libusb_transfer)));
        },
        [](libusb_transfer* t) {
            ++fake->freed;
            std::free(t);
        },
        [](libusb_transfer* t) {
            if (fake->submit_result != 0) return fake->submit_result;
            std::lock_guard<std::mutex> lock(fake->mutex);
            fake->in_flight.push_back(t);
            return 0;
        },
        [](libusb_transfer* t) {
            std::lock_guard<std::mutex> lock(fake->mutex);
            std::erase(fake->in_flight, t);
            t->status = LIBUSB_TRANSFER_CANCELLED;
            fake->cancelled.push_back(t);
            return 0;
        },
        &HandleEvents,
        [](std::uint32_t capability) {
            return capability == LIBUSB_CAP_HAS_HOTPLUG && fake->hotplug ? 1 : 0;
        },
        [](libusb_context*, int, int, int, int, int, libusb_hotplug_callback_fn cb, void* user,
           libusb_hotplug_callback_handle* handle) {
            fake->hotplug_callback = cb;
            fake->hotplug_user = user;
            *handle = 1;
            return static_cast<int>(LIBUSB_SUCCESS);
        },
        [](libusb_context*, libusb_hotplug_callback_handle) { Note("deregister"); },
        [](libusb_context*) {},
    };
    return calls;
}

class UsbTransportTest : public ::testing::Test {
  protected:
    void SetUp() override { fake = &usb_; }
    void TearDown() override {
        file_.reset();
        fake = nullptr;
    }

    // Opened and claimed on the fake: the writer at /dev/bus/usb/001/004.
    std::unique_ptr<WriterTransport> Claimed(UsbBus& bus) {
        file_ = bus.Open("/dev/bus/usb/001/004");
        if (!file_) return nullptr;
        return file_->Initialize();
    }

    FakeUsb usb_;
    std::unique_ptr<WriterDeviceFile> file_;
};

TEST_F(UsbTransportTest, DeviceListGivesHardwareIdsAndPaths) {
    usb_.devices = {{0x046D, 0xC52B, 0x1211, 3, 17, false}, {}, {0, 0, 0, 2, 9, true}};
    UsbBus bus(FakeCalls());
    auto devices = bus.ListDevices();
    ASSERT_TRUE(devices);
    ASSERT_EQ(devices->size(), 3u);
    EXPECT_EQ((*devices)[0].hardware_id, "USB\\VID_046D&PID_C52B&REV_1211");
    EXPECT_EQ((*devices)[0].path, "/dev/bus/usb/003/017");
    EXPECT_EQ((*devices)[1].hardware_id, "USB\\VID_04D8&PID_EF08&REV_0100");
    EXPECT_EQ((*devices)[2].hardware_id, "");

    usb_.init_result = LIBUSB_ERROR_OTHER;
    UsbBus broken(FakeCalls());
    EXPECT_FALSE(broken.ListDevices());
    EXPECT_FALSE(broken.Open("/dev/bus/usb/001/004"));
}

TEST_F(UsbTransportTest, OpensThePathClaimsInterfaceZeroAndReleasesBeforeClosing) {
    usb_.devices = {{0x046D, 0xC52B, 0x1211, 1, 3, false}, {}};
    {
        UsbBus bus(FakeCalls());
        EXPECT_FALSE(bus.Open("/dev/bus/usb/001/005"));
        auto usb = Claimed(bus);
        ASSERT_TRUE(usb);
        usb.reset();
        file_.reset();
    }
    EXPECT_EQ(usb_.calls, (std::vector<std::string>{"init", "open 4", "auto-detach 1", "claim 0",
                                                    "release 0", "close", "exit"}));

    usb_.calls.clear();
    usb_.claim_result = LIBUSB_ERROR_BUSY;
    UsbBus bus(FakeCalls());
    EXPECT_FALSE(Claimed(bus));
    usb_.open_result = LIBUSB_ERROR_ACCESS;
    EXPECT_FALSE(bus.Open("/dev/bus/usb/001/004"));
}

TEST_F(UsbTransportTest, WriterWithoutPermissionNamesTheUdevRuleOnceOnStandardError) {
    usb_.devices = {{}};
    UsbBus bus(FakeCalls());
    testing::internal::CaptureStderr();
    usb_.open_result = LIBUSB_ERROR_BUSY;
    EXPECT_FALSE(bus.Open("/dev/bus/usb/001/004"));
    usb_.open_result = LIBUSB_ERROR_ACCESS;
    EXPECT_FALSE(bus.Open("/dev/bus/usb/001/004"));
    EXPECT_FALSE(bus.Open("/dev/bus/usb/001/004"));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("/dev/bus/usb/001/004"), std::string::npos) << said;
    EXPECT_NE(said.find("60-fuselok.rules"), std::string::npos) << said;
}

TEST_F(UsbTransportTest, TransfersCopyTheirDataAndDeliverShortAnswers) {
    usb_.devices = {{}};
    UsbBus bus(FakeCalls());
    auto usb = Claimed(bus);
    ASSERT_TRUE(usb);

    std::array<std::uint8_t, 16> frame;
    frame.fill(0xFF);
    frame[0] = 0xFE;
    TransferResult sent = usb->BulkTransfer(WriterPipeFrameOut, frame.data(), frame.size(), 1000);
    EXPECT_EQ(sent.status, TransferStatus::Completed);
    ASSERT_EQ(usb_.sent.size(), 1u);
    EXPECT_EQ(usb_.sent[0], std::vector<std::uint8_t>(frame.begin(), frame.end()));

    frame.fill(0xFF);
    TransferResult got = usb->BulkTransfer(WriterPipeFrameIn, frame.data(), frame.size(), 1000);
    EXPECT_EQ(got.status, TransferStatus::Completed);
    EXPECT_EQ(got.received, 5u);
    EXPECT_EQ(frame[4], 7);
    EXPECT_EQ(frame[5], 0xFF); // not delivered: as the caller left it
    EXPECT_EQ(usb_.allocated, usb_.freed);
}

TEST_F(UsbTransportTest, TimedOutTransferIsCancelledAndKeepsItsBufferUntilLibusbGivesItBack) {
    usb_.devices = {{}};
    UsbBus bus(FakeCalls());
    auto usb = Claimed(bus);
    ASSERT_TRUE(usb);
    auto* transport = static_cast<UsbTransport*>(usb.get());

    usb_.answer = false;
    std::array<std::uint8_t, WriterPageSize> page;
    page.fill(0x11);
    auto start = std::chrono::steady_clock::now();
    TransferResult r = usb->BulkTransfer(WriterPipePageIn, page.data(), page.size(), 30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    EXPECT_EQ(r.status, TransferStatus::TimedOut);
    EXPECT_EQ(usb_.cancelled.size(), 1u);
    EXPECT_EQ(transport->Abandoned(), 1u);
    EXPECT_EQ(usb_.freed, 0);

    // The next transfer's wait lets libusb hand the cancelled one back; it
    // writes into its own buffer (the sanitizer watches), not the caller's.
    usb_.answer = true;
    std::array<std::uint8_t, 16> frame{};
    EXPECT_EQ(usb->BulkTransfer(WriterPipeFrameOut, frame.data(), frame.size(), 1000).status,
              TransferStatus::Completed);
    EXPECT_EQ(transport->Abandoned(), 0u);
    EXPECT_EQ(page[0], 0x11);
    EXPECT_EQ(usb_.allocated, usb_.freed);

    // Dropped while one is still out: it is waited for before the release.
    usb_.answer = false;
    usb->BulkTransfer(WriterPipePageIn, page.data(), page.size(), 5);
    usb_.calls.clear();
    usb.reset();
    EXPECT_EQ(usb_.allocated, usb_.freed);
    EXPECT_EQ(usb_.calls, std::vector<std::string>{"release 0"});
}

TEST_F(UsbTransportTest, VanishedDeviceIsReportedGone) {
    usb_.devices = {{}};
    UsbBus bus(FakeCalls());
    auto usb = Claimed(bus);
    ASSERT_TRUE(usb);
    std::array<std::uint8_t, 16> frame{};
    usb_.submit_result = LIBUSB_ERROR_IO;
    EXPECT_EQ(usb->BulkTransfer(WriterPipeFrameOut, frame.data(), 16, 100).status,
              TransferStatus::NotStarted);
    EXPECT_FALSE(usb->DeviceGone());
    usb_.submit_result = LIBUSB_ERROR_NO_DEVICE;
    EXPECT_EQ(usb->BulkTransfer(WriterPipeFrameOut, frame.data(), 16, 100).status,
              TransferStatus::NotStarted);
    EXPECT_TRUE(usb->DeviceGone());
    usb_.submit_result = 0;
    EXPECT_EQ(usb->BulkTransfer(WriterPipeFrameOut, frame.data(), 16, 100).status,
              TransferStatus::NotStarted);
    EXPECT_EQ(usb_.allocated, usb_.freed);
}

TEST_F(UsbTransportTest, WriterPulledOutWhileAPageIsInFlightFailsThatPage) {
    usb_.devices = {{}};
    UseWriterBus(std::make_unique<UsbBus>(FakeCalls()));
    std::vector<std::string> texts;
    SetWriterMessageHook([&](const char* text) { texts.push_back(text); });
    StartWriterConnection();
    ASSERT_EQ(WriterConnection.Connected, 1);
    std::array<std::uint8_t, WriterPageSize> page{};
    // Moved whole, but with an error status of its own: no page done.
    usb_.completion = LIBUSB_TRANSFER_ERROR;
    usb_.error_moves_all = true;
    EXPECT_EQ(WritePage(page).Transfers(), WriterTransfers::Partial);

    usb_.completion = LIBUSB_TRANSFER_NO_DEVICE;
    EXPECT_FALSE(ReadPage(page));
    EXPECT_TRUE(WriterGone());
    EXPECT_FALSE(EndRead()); // sends nothing more, and says it once
    EXPECT_EQ(texts, std::vector<std::string>{"USB Failed!"});
    EXPECT_EQ(usb_.allocated, usb_.freed);
    SetWriterMessageHook({});
    UseWriterBus(nullptr);
    WriterConnection.DevicePath.clear();
}

TEST_F(UsbTransportTest, ConnectionFindsAndConnectsTheWriterThroughLibusb) {
    usb_.devices = {{0x046D, 0xC52B, 0x1211, 1, 3, false}, {}};
    UseWriterBus(std::make_unique<UsbBus>(FakeCalls()));
    std::vector<std::string> log;
    SetWriterStateHook([&](bool connected, const std::string& major, const std::string& minor) {
        log.push_back(connected ? major + "." + minor : "disconnected");
    });
    StartWriterConnection();
    EXPECT_EQ(log, std::vector<std::string>{"3.7"});
    EXPECT_EQ(WriterConnection.DevicePath, "/dev/bus/usb/001/004");
    ASSERT_EQ(usb_.sent.size(), 1u);
    EXPECT_EQ(usb_.sent[0][0], 0xFE);
    SetWriterStateHook({});
    UseWriterBus(nullptr);
    WriterConnection.DevicePath.clear();
}

TEST_F(UsbTransportTest, WatcherReportsArrivalsAndRemovals) {
    std::mutex mutex;
    std::vector<unsigned> events;
    auto sink = [&](unsigned event) {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(event);
    };
    auto wait_for = [&](std::size_t count) {
        for (int i = 0; i < 400; ++i) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (events.size() >= count) return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };

    // Without hot-plug events: the device list is compared.
    {
        usb_.devices = {{}};
        UsbDeviceWatcher watcher(FakeCalls(), sink, 5);
        ASSERT_TRUE(watcher.Running());
        {
            std::lock_guard<std::mutex> lock(usb_.mutex);
            usb_.devices.push_back({0x046D, 0xC52B, 0x1211, 1, 9, false});
        }
        wait_for(1);
        {
            std::lock_guard<std::mutex> lock(usb_.mutex);
            usb_.devices.erase(usb_.devices.begin());
        }
        wait_for(2);
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(events, (std::vector<unsigned>{DeviceArrival, DeviceRemoveComplete}));
        events.clear();
    }

    // With them: libusb's callback maps straight to the two events.
    usb_.hotplug = true;
    usb_.calls.clear();
    {
        UsbDeviceWatcher watcher(FakeCalls(), sink);
        ASSERT_TRUE(usb_.hotplug_callback);
        usb_.hotplug_callback(nullptr, nullptr, LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
                              usb_.hotplug_user);
        usb_.hotplug_callback(nullptr, nullptr, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED,
                              usb_.hotplug_user);
    }
    EXPECT_EQ(events, (std::vector<unsigned>{DeviceRemoveComplete, DeviceArrival}));
    EXPECT_EQ(usb_.calls, (std::vector<std::string>{"init", "deregister", "exit"}));
}

} // namespace
