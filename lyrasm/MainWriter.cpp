// File > Save: the project written as a script file. The window checks the
// project's WAV files and gathers what the file keeps; ScriptLayout makes
// the lines, at the columns the loader reads them back by.
#include "Main.h"

#include "FileReplace.h"
#include "ReportList.h"
#include "ScriptLayout.h"
#include "Waveanalysis.h"

#include "file_dialog.h"

#include <QAction>
#include <QDateTime>

namespace {

// The path of the file in List_File row `row` with the id `id`. Rows and
// file list entries stand in the same order, so the row's own entry is
// taken: a loaded script may list one id twice, and each row keeps its
// file. Otherwise the lookup by id decides (and fails for an unknown id).
QString RowPath(const FileList& files, int row, int32_t id) {
    if (row < files.Count() && files.Items()[static_cast<size_t>(row)].Id == id)
        return files.Items()[static_cast<size_t>(row)].Path;
    return files.GetPath(id);
}

} // namespace

void TForm1::Menu_File_SaveClick(QObject*) {
    if (!Save->Execute(this)) return;
    const QString path = Save->FileName;
    if (ReplaceRefused(path)) return;
    // The writer checks the project before it writes anything, and keeps the
    // old file whole until the new one is complete wherever it can make a new
    // file beside it.
    WriteScriptFile(path);
}

bool TForm1::WriteScriptFile(const QString& path) {
    // Every WAV file must have a path the script file can carry, must still
    // be there and still be 8-bit mono PCM; the first one that fails ends
    // the save before anything is written.
    ScriptLayout::Project project;
    for (int row = 0; row < List_File->ItemCount(); ++row) {
        const int32_t id = FileIdOfRow(row);
        if (id == 0)
            ShowMessageBox(QStringLiteral("Failed To Build  File: ") + List_File->Caption(row),
                           mkError);
        // No file has the id 0: its lookup ends the save here.
        const QString wav = RowPath(Files, row, id);
        if (PathRefusedByScript(wav)) return false;
        WaveHeader header;
        if (!header.Load(wav)) {
            ShowMessageBox(QStringLiteral("The File: \"") + wav +
                               QStringLiteral("\" does not exist!"),
                           mkError);
            return false;
        }
        if (!header.IsPcm8Mono()) {
            ShowMessageBox(QStringLiteral("The File: \"") + wav +
                               QStringLiteral("\" is Not A PCM, 8-BIT, MONO, WAVE File!"),
                           mkError);
            return false;
        }
        project.Voices.push_back({id, wav});
    }
    project.Dac = Menu_Vout_DAC->isChecked();
    // Key Trigger, the project's default, when no item is checked.
    for (const ModeCode& mode : ModeCodes())
        if (mode.Item->isChecked()) project.FuncCode = mode.Code;
    project.Sections = Sections;

    switch (ReplaceFile(path, ScriptLayout::Format(project, QDateTime::currentDateTime()))) {
    case ReplaceResult::Written:
        return true;
    case ReplaceResult::NotCreated:
        ShowMessageBox(QStringLiteral("Failed To Create Log File!"), mkError);
        return false;
    case ReplaceResult::NotWritten:
        // A full disk or a failed close must not pass for a saved project.
        ShowMessageBox(QStringLiteral("Failed To Write Log File!"), mkError);
        return false;
    }
    return false;
}
