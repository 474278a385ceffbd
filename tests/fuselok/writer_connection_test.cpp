// Finding, connecting and dropping the writer on the stand-in bus, the
// reaction to device changes, and device changes held back while a writer
// operation runs.
#include "writer_fixture.h"

#include <array>

namespace {

using WriterConnectionTest = WriterFixture;
using Log = std::vector<std::string>;

TEST_F(WriterConnectionTest, FindWriterMatchesVendorAndProductInAnyCaseFirstOneWins) {
    bus_->PlugOther("USB\\VID_046D&PID_C52B&REV_1211", "/dev/bus/usb/001/002");
    bus_->PlugOther("USB\\VID_04D8&PID_EF09&REV_0100", "/dev/bus/usb/001/003");
    EXPECT_FALSE(FindWriter());
    EXPECT_EQ(WriterConnection.DevicePath, "");

    auto first = bus_->PlugWriter("/dev/bus/usb/002/007");
    first->SetHardwareId("usb\\vid_04d8&pid_ef08&rev_0100");
    bus_->PlugWriter("/dev/bus/usb/002/008");
    EXPECT_TRUE(FindWriter());
    EXPECT_EQ(WriterConnection.DevicePath, "/dev/bus/usb/002/007");

    // A failed search keeps the path of the last successful one.
    bus_->SetListFails(true);
    EXPECT_FALSE(FindWriter());
    EXPECT_EQ(WriterConnection.DevicePath, "/dev/bus/usb/002/007");
}

TEST_F(WriterConnectionTest, StartShowsTheStateOnce) {
    StartWriterConnection();
    EXPECT_EQ(log_, Log{"disconnected"});
    EXPECT_EQ(WriterConnection.Connected, 0);

    log_.clear();
    auto writer = bus_->PlugWriter();
    StartWriterConnection();
    EXPECT_EQ(log_, Log{"connected 1.5"});
    EXPECT_EQ(WriterConnection.Connected, 1);
    EXPECT_EQ(writer->Commands(), Log{"GetWriterVersion"});
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WriterConnectionTest, FailedAttemptsLeaveNothingOpen) {
    auto writer = bus_->PlugWriter();
    auto attempt = [&] {
        log_.clear();
        StartWriterConnection();
        EXPECT_EQ(WriterConnection.Connected, 0);
        EXPECT_EQ(writer->OpenFiles(), 0);
        EXPECT_EQ(writer->ClaimedInterfaces(), 0);
        EXPECT_EQ(log_, Log{"disconnected"});
    };
    writer->SetOpenFails(true);
    attempt();
    writer->SetOpenFails(false);
    writer->SetInitializeFails(true);
    attempt();
    writer->SetInitializeFails(false);
    writer->InjectFault({StandInFault::WrongStatus, WriterPipeFrameIn, 0, 1, 1, 0x02});
    attempt();
    EXPECT_TRUE(Boxes().empty()); // a wrong answer shows nothing

    // A version query lost in transport shows its box before the state.
    std::vector<std::string> order;
    SetWriterMessageHook([&](const char* text) { order.push_back(text); });
    SetWriterStateHook([&](bool connected, const std::string&, const std::string&) {
        order.push_back(connected ? "connected" : "disconnected");
    });
    writer->InjectFault({StandInFault::NoAnswer, WriterPipeFrameIn});
    StartWriterConnection();
    EXPECT_EQ(order, (Log{"USB Time-Out!", "disconnected"}));
    EXPECT_EQ(writer->OpenFiles(), 0);
}

TEST_F(WriterConnectionTest, EveryHandledEventWhileConnectedDropsTheNextOneReconnects) {
    StartWriterConnection();
    log_.clear();

    auto writer = bus_->PlugWriter();
    EXPECT_TRUE(HandleDeviceChange(DeviceArrival));
    EXPECT_EQ(writer->ClaimedInterfaces(), 1);

    // Another device comes: the writer is dropped although still attached.
    bus_->PlugOther("USB\\VID_046D&PID_C52B&REV_1211");
    EXPECT_FALSE(HandleDeviceChange(DeviceArrival));
    EXPECT_EQ(writer->OpenFiles(), 0);
    EXPECT_TRUE(HandleDeviceChange(DeviceConfigChanged));
    EXPECT_FALSE(HandleDeviceChange(DeviceRemovePending));

    // Codes other than the four are not looked at.
    EXPECT_FALSE(HandleDeviceChange(0x0007));
    EXPECT_FALSE(HandleDeviceChange(0x8001));

    EXPECT_TRUE(HandleDeviceChange(DeviceArrival));
    bus_->Unplug(writer);
    EXPECT_FALSE(HandleDeviceChange(DeviceRemoveComplete));
    EXPECT_FALSE(HandleDeviceChange(DeviceRemoveComplete));
    EXPECT_EQ(WriterConnection.Connected, 0);
    EXPECT_EQ(writer->ClaimedInterfaces(), 0);
    EXPECT_EQ(log_, (Log{"connected 1.5", "disconnected", "connected 1.5", "disconnected",
                         "connected 1.5", "disconnected", "disconnected"}));
}

TEST_F(WriterConnectionTest, DeviceChangesWaitForTheRunningOperation) {
    auto writer = Connected();
    {
        WriterOperationGuard operation;
        EXPECT_FALSE(HandleDeviceChange(DeviceRemovePending));
        EXPECT_FALSE(HandleDeviceChange(DeviceArrival));
        // The interface stays usable to the end of the operation.
        EXPECT_EQ(WriterConnection.Connected, 1);
        EXPECT_TRUE(DetectChip(StandInChipId));
        EXPECT_TRUE(EndOperation());
        EXPECT_TRUE(log_.empty());
    }
    // Held-back events are handled when the operation ends, each as it would
    // have been at once: the first drops the connection, the second finds
    // the writer not connected and connects it again.
    EXPECT_EQ(log_, (Log{"disconnected", "connected 1.5"}));
    EXPECT_EQ(writer->Commands(), (Log{"DetectChip 469D7F", "EndOperation", "GetWriterVersion"}));

    // Pulled out and put back in while an operation runs: connected again
    // once it has ended, not left shown disconnected with the writer present.
    log_.clear();
    {
        WriterOperationGuard operation;
        bus_->Unplug(writer);
        EXPECT_FALSE(HandleDeviceChange(DeviceRemoveComplete));
        writer = bus_->PlugWriter();
        EXPECT_FALSE(HandleDeviceChange(DeviceArrival));
        EXPECT_TRUE(log_.empty());
    }
    EXPECT_EQ(log_, (Log{"disconnected", "connected 1.5"}));
    EXPECT_EQ(WriterConnection.Connected, 1);
    EXPECT_EQ(writer->ClaimedInterfaces(), 1);
}

TEST_F(WriterConnectionTest, WriterPulledOutDuringAnOperation) {
    auto writer = Connected();
    // The window hands every device change straight on, as it would from
    // its message processing between two pages.
    auto watch = WatchDeviceChanges([](unsigned event) { HandleDeviceChange(event); });
    ASSERT_TRUE(watch);
    writer->InjectFault({StandInFault::Removal, WriterPipePageIn, 3, 1});

    int pages = 0;
    {
        WriterOperationGuard operation;
        ASSERT_TRUE(DetectChip(StandInChipId));
        BeginRead(0);
        std::array<std::uint8_t, WriterPageSize> page;
        for (int i = 0; i < 100 && !WriterGone(); ++i)
            pages += ReadPage(page) ? 1 : 0;
        EndRead();
        EndOperation();
        EXPECT_EQ(WriterConnection.Connected, 1);
        EXPECT_TRUE(log_.empty());
    }
    EXPECT_EQ(pages, 3);
    EXPECT_EQ(log_, Log{"disconnected"});
    EXPECT_EQ(WriterConnection.Connected, 0);
    EXPECT_EQ(writer->OpenFiles(), 0);
    EXPECT_EQ(Boxes(), Log{"ERROR: USB Failed!"});

    // Plugged in again: connected on its arrival.
    log_.clear();
    auto again = bus_->PlugWriter();
    EXPECT_EQ(log_, Log{"connected 1.5"});
}

} // namespace
