// File > Load: a script file read back into the project. The loader does not
// parse the script language: ScriptLayout reads the lines the writer makes,
// by their columns, and takes every other file as damaged; the window
// applies each part as it is read.
#include "Main.h"

#include "ReportList.h"
#include "ScriptLayout.h"
#include "Waveanalysis.h"

#include "file_dialog.h"
#include "regular_file.h"

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

// Opens a regular file for reading; null otherwise. A pipe or a device named
// like a script must neither block the window nor be read without end.
std::FILE* OpenScript(const QString& path) {
    const int fd = platform::open_regular_file(path);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) ::close(fd);
    return file;
}

} // namespace

void TForm1::ClearProject() {
    for (Section& s : Sections)
        s.Reset();
    for (const FileStruce& entry : Files.Items())
        Usage.Sub(entry.Size);
    Files.Clear();
    List_File->ClearItems();
}

bool TForm1::LoadFileEntry(int32_t Id, const QString& Path) {
    // A double quote or a lone carriage return inside the quotes reads back
    // here, but such a project could not be saved again. The refusal makes
    // the file damaged, and that is all the user is told.
    if (ScriptLayout::PathFault(Path)) return false;
    WaveHeader header;
    if (!header.Load(Path) || !header.IsPcm8Mono()) return false;
    // A data size of 2 GiB or more reads negative and would lower the usage.
    if (header.GetDataSize() < 0) return false;
    Files.AddWithId(Id, Path, header.GetSampleRate(), header.GetDataSize());
    AddFileRow(Files.Items().back());
    Usage.Add(header.GetDataSize());
    return true;
}

void TForm1::Menu_File_LoadClick(QObject*) {
    if (!Load->Execute(this)) return;
    const QString path = Load->FileName;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenScript(path), &std::fclose);
    if (!file) {
        ShowMessageBox(QStringLiteral("Failed To Open File: \"") + path + QLatin1Char('"'),
                       mkError);
        return;
    }

    // From here on the former project is gone, whatever the file holds.
    ClearProject();
    ScriptLayout::Reader script(file.get());

    // Vout and Mode are applied even in a file already found damaged.
    const ScriptLayout::Settings settings = script.Head();
    if (settings.Dac) {
        if (*settings.Dac)
            Menu_Vout_DACClick(Menu_Vout_DAC);
        else
            Menu_Vout_PWMClick(Menu_Vout_PWM);
    }
    for (const ModeCode& mode : ModeCodes())
        if (settings.FuncCode == mode.Code) (this->*mode.Click)(mode.Item);

    // Each voice is taken as its line is read: the first one refused makes
    // the file damaged, and nothing after it is read.
    script.Voices(
        [this](const ScriptLayout::Voice& voice) { return LoadFileEntry(voice.Id, voice.Path); });
    script.Sections(Sections);
    // A damaged file leaves an empty project rather than part of one. The
    // user is told with the lists already emptied; the usage text follows
    // once the message is closed, as after every load.
    const bool damaged = script.Damaged();
    if (damaged) ClearProject();
    RefreshSectionList();
    RefreshGroupList();
    if (damaged) ShowMessageBox(QStringLiteral("This log file is damage!"), mkError);
    ShowUsage();
}
