// The script file's layout without a window: what the writer formats, the
// loader's parse reads back.
#include "ScriptLayout.h"

#include "qstring_print.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

QString Dump(const ScriptLayout::SectionArray& sections) {
    QString s;
    for (const Section& sec : sections) {
        s += QString("\n%1%2%3").arg(sec.GetEdge()).arg(sec.GetHold()).arg(sec.GetReTrg());
        VocTb v{};
        for (int j = 0; sec.GetVoice(j, v); ++j)
            s += QString(" %1/%2/%3").arg(v.FileId).arg(v.Rate).arg(v.Busy);
    }
    return s;
}

} // namespace

TEST(ScriptLayout, ParsingAFormattedProjectGivesItBack) {
    ScriptLayout::Project project;
    project.Voices = {{9999, "/w/a b/one.wav"}, {2, "/w/two.wav"}, {2, "/w/twin.wav"}};
    project.Dac = true;
    project.FuncCode = ScriptLayout::kCpuSerial;
    project.Sections[0].AddVoice(9999, 99999, true);
    project.Sections[0].AddVoice(2, 8000, false);
    project.Sections[5].SetEdge(true);
    project.Sections[6].SetHold(true);
    project.Sections[7].SetReTrg(false);
    project.Sections[255].AddVoice(2, 22050, true);

    QByteArray text = ScriptLayout::Format(project, QDateTime::currentDateTime());
    std::FILE* file = ::fmemopen(text.data(), static_cast<size_t>(text.size()), "rb");
    ASSERT_NE(file, nullptr);
    ScriptLayout::Reader read(file);
    const ScriptLayout::Settings settings = read.Head();
    std::vector<ScriptLayout::Voice> voices;
    read.Voices([&](const ScriptLayout::Voice& voice) {
        voices.push_back(voice);
        return true;
    });
    ScriptLayout::SectionArray sections;
    read.Sections(sections);
    std::fclose(file);

    EXPECT_FALSE(read.Damaged());
    EXPECT_EQ(settings.Dac, std::optional<bool>(true));
    EXPECT_EQ(settings.FuncCode, std::optional<int>(ScriptLayout::kCpuSerial));
    ASSERT_EQ(voices.size(), project.Voices.size());
    for (size_t i = 0; i < voices.size(); ++i) {
        EXPECT_EQ(voices[i].Id, project.Voices[i].Id);
        EXPECT_EQ(voices[i].Path, project.Voices[i].Path);
    }
    EXPECT_EQ(Dump(sections), Dump(project.Sections));
}

TEST(NumberField, ReadsLikeTheScriptFile) {
    const std::pair<const char*, int32_t> cases[] = {{"12", 12},
                                                     {"  0012", 12},
                                                     {"-5", -5},
                                                     {"12 ", -1},
                                                     {"", -1},
                                                     {"  ", -1},
                                                     {"0x10", -1},
                                                     {"2147483647", INT32_MAX},
                                                     {"2147483648", -1},
                                                     {"-2147483648", INT32_MIN},
                                                     {"99999999999999999999", -1}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ScriptLayout::StrToIntDef(text, -1), value) << text;
}
