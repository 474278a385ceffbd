// The whole chain as a user goes through it: WAV files into the editor, Build
// with the real generator, the image loaded into the writer control, erased,
// written, verified and read back from the stand-in writer's chip through the
// real protocol and connection. The chip must then hold the image, padded
// with erased bytes, and play from each section the voices put there.
#include "Main.h"
#include "WriterConnection.h"
#include "WriterStandIn.h"
#include "WriterWiring.h"

#include "file_dialog.h"
#include "message_box.h"

#include "chain_project.h"
#include "test_support.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

// One link of a section as the chip holds it.
struct Link {
    uint8_t flags; // voice type and busy bit; the end mark is taken off
    uint8_t rate;
    uint32_t count;
    std::string samples; // what the link points at; none for silence
    bool operator==(const Link&) const = default;
};

void PrintTo(const Link& link, std::ostream* out) {
    *out << "{flags " << int(link.flags) << ", rate " << int(link.rate) << ", count " << link.count
         << ", " << link.samples.size() << " samples: " << testsupport::hex(link.samples, 0, 8)
         << " ...}";
}

uint32_t Word24(const std::vector<uint8_t>& chip, size_t at) {
    return chip.at(at) | chip.at(at + 1) << 8 | chip.at(at + 2) << 16;
}

// A section's attribute bits and its links.
using Trigger = std::pair<int, std::vector<Link>>;

// What a player of the chip finds for section `number` (0 to 255), followed
// from the header's section table to the voice bytes. An address outside
// the chip throws.
Trigger Play(const std::vector<uint8_t>& chip, int number) {
    const size_t entry = Word24(chip, 5) + 4 * size_t(number);
    std::vector<Link> links;
    for (size_t at = Word24(chip, entry + 1); links.size() < 16; at += 8) {
        const uint8_t flags = chip.at(at);
        const size_t start = Word24(chip, at + 2);
        const uint32_t count = (0x1000000 - Word24(chip, at + 5)) & 0xFFFFFF; // stored negated
        std::string samples;
        if ((flags & 7) != 0)
            for (size_t k = 0; k < count; ++k)
                samples += char(chip.at(start + k));
        links.push_back({uint8_t(flags & 0x7F), chip.at(at + 1), count, samples});
        if (flags & 0x80) break;
    }
    return {chip.at(entry), links};
}

// What the project put there: its PCM voices, or the editor's silence in a
// section left alone (Level, UnHoldable, Retrigger).
Trigger Planned(int number) {
    for (const chain::Section& s : chain::kSections) {
        if (s.number != number) continue;
        // PCM links (type 1); the rate byte is the 1 MHz sample clock of the
        // editor's 8 MHz over the rate.
        std::vector<Link> links;
        for (const chain::Group& g : s.groups) {
            const std::vector<uint8_t> samples = chain::WaveSamples(g.wave);
            links.push_back(
                {uint8_t(g.busy ? 0x41 : 0x01), uint8_t(1000000 / chain::kWaves[g.wave].rate),
                 uint32_t(samples.size()), std::string(samples.begin(), samples.end())});
        }
        return {s.edge | s.hold << 1 | s.retrg << 2, links};
    }
    return {4, {{0, 125, 8, ""}}};
}

class Chain : public ::testing::Test {
  protected:
    testsupport::TempDir dir;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    std::shared_ptr<WriterStandIn> writer;
    WriterWiring wiring;
    std::unique_ptr<TForm1> form;

    void SetUp() override {
        auto bus = std::make_unique<StandInBus>();
        writer = bus->PlugWriter();
        UseWriterBus(std::move(bus));
    }
    void TearDown() override {
        wiring.Stop();
        form.reset();
        UseWriterBus(nullptr);
        WriterConnection.DevicePath.clear();
    }

    std::string Event() const { return form->DM_Event->text().toStdString(); }
};

} // namespace

TEST_F(Chain, WavFilesToTheChipAndBack) {
    for (size_t i = 0; i < chain::kWaves.size(); ++i)
        testsupport::write_wav(dir.file(chain::kWaves[i].name), chain::WaveSamples(i),
                               {chain::kWaves[i].rate});

    // The editor, in the project's folder.
    const auto editor = testsupport::run_program({CHAIN_EDITOR_SESSION}, dir.path());
    ASSERT_EQ(editor.status, 0) << editor.out << editor.err;
    const std::string data = dir.file("project.data");
    const std::string image = testsupport::read_file(data);
    ASSERT_GT(image.size(), 3000u);
    ASSERT_LE(image.size(), ChipSize);

    // The writer control with the writer plugged in, its chip holding an
    // older image.
    std::fill(writer->Chip().begin(), writer->Chip().end(), 0x5A);
    form = std::make_unique<TForm1>(QString::fromStdString(dir.path()) + '/',
                                    [this](TForm1& f) { wiring.Start(f); });
    ASSERT_EQ(form->ED_WrtCnt->text(), "Writer Connect");

    dialogs.Choose(QString::fromStdString(data));
    form->DM_Load->click();
    EXPECT_EQ(Event(), "Load Completed!");
    unsigned sum = 0;
    for (char c : image)
        sum += uint8_t(c);
    char shown[5];
    std::snprintf(shown, sizeof shown, "%04X", sum & 0xFFFF);
    EXPECT_EQ(form->DM_CheckSum->text().toStdString(), shown);

    for (QAction* option : {form->MainMenu_DBCAE, form->MainMenu_DEDBW, form->MainMenu_DVDAW})
        ASSERT_TRUE(option->isChecked()) << option->text().toStdString();
    form->DM_Erase->click();
    EXPECT_EQ(Event(), "Blank check completed!");
    form->DM_Program->click();
    EXPECT_EQ(Event(), "Verify completed!");

    form->MainMenu_DRAF->trigger();
    const std::string readBack = dir.file("read.bin");
    dialogs.Choose(QString::fromStdString(readBack));
    form->DM_Verify->click();
    EXPECT_EQ(Event(), "Read completed!");

    // Only the power warning before each of the three buttons.
    EXPECT_EQ(boxes.Shown().size(), 3u);
    for (const auto& box : boxes.Shown())
        EXPECT_EQ(box.caption, "WARNING");
    EXPECT_TRUE(writer->Violations().empty()) << writer->Violations().front();

    std::string padded = image;
    padded.resize(ChipSize, '\xFF');
    const std::vector<uint8_t>& chip = writer->Chip();
    EXPECT_TRUE(std::string(chip.begin(), chip.end()) == padded);
    EXPECT_TRUE(testsupport::read_file(readBack) == padded);

    // Played from the chip: the mode, the last section used, and each
    // section's attributes and voices as the project set them.
    EXPECT_EQ(chip[0], chain::kModeByte);
    EXPECT_EQ(Word24(chip, 1) & 0xFFFF, 255u);
    for (int number = 0; number < 256; ++number) {
        Trigger played;
        ASSERT_NO_THROW(played = Play(chip, number)) << "section " << number;
        ASSERT_EQ(played, Planned(number)) << "section " << number;
    }
}
