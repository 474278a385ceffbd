// A stand-in writer on a stand-in bus installed as the program's bus, with
// every message box and every reported connection state recorded in one log.
#pragma once

#include "WriterConnection.h"
#include "WriterProtocol.h"
#include "WriterStandIn.h"
#include "message_box.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class WriterFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        auto bus = std::make_unique<StandInBus>();
        bus_ = bus.get();
        UseWriterBus(std::move(bus));
        boxes_ = std::make_unique<platform::ScriptedMessageBoxes>();
        SetWriterMessageHook({});
        SetWriterStateHook(
            [this](bool connected, const std::string& major, const std::string& minor) {
                log_.push_back(connected ? "connected " + major + "." + minor : "disconnected");
            });
    }

    void TearDown() override {
        SetWriterStateHook({});
        UseWriterBus(nullptr);
        WriterConnection.DevicePath.clear();
        boxes_.reset();
    }

    // Plugs in a writer and connects it, with a clean record.
    std::shared_ptr<WriterStandIn> Connected() {
        auto writer = bus_->PlugWriter();
        StartWriterConnection();
        EXPECT_EQ(WriterConnection.Connected, 1);
        writer->ClearWire();
        log_.clear();
        return writer;
    }

    // The boxes shown, as "caption: text", in the order shown.
    std::vector<std::string> Boxes() const {
        for (const auto& box : boxes_->Shown())
            EXPECT_EQ(box.flags, platform::MB_OK);
        std::vector<std::string> shown;
        for (const QString& box : boxes_->Transcript())
            shown.push_back(box.toStdString());
        return shown;
    }

    StandInBus* bus_ = nullptr;
    std::unique_ptr<platform::ScriptedMessageBoxes> boxes_;
    std::vector<std::string> log_;
};
