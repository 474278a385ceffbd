// The WAV browser and the project's file list: files come into the project
// from the browser and leave it through the file list's popup.
#include "Main.h"

#include "FileBrowser.h"
#include "ReportList.h"
#include "ScriptLayout.h"
#include "Waveanalysis.h"

#include "code_page.h"

#include <QAction>
#include <QLocale>

int32_t TForm1::FileIdOfRow(int Row) const {
    if (Row < 0 || Row >= List_File->ItemCount()) return 0;
    return ScriptLayout::StrToIntDef(List_File->SubItem(Row, 3), 0);
}

bool TForm1::PathRefusedByScript(const QString& Path) {
    const char* fault = ScriptLayout::PathFault(Path);
    if (!fault) return false;
    ShowMessageBox(QStringLiteral("The File: \"") + Path +
                       QStringLiteral("\" can't be saved in a log file: its path holds ") +
                       QLatin1String(fault) + QLatin1Char('!'),
                   mkError);
    return true;
}

void TForm1::AddFileRow(const FileStruce& Entry) {
    // The share is worked out once, for the chip chosen now; a later change
    // of chip leaves the row as it is.
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const double percent =
        static_cast<double>(Entry.Size) / static_cast<double>(Usage.GetCapacity()) * 100.0;
    List_File->AddItem(FileList::NameOf(Entry.Path),
                       {QString::number(Entry.Rate), QString::number(Entry.Size),
                        locale.toString(percent, 'f', 1) + QLatin1Char('%'),
                        QString::number(Entry.Id)});
}

void TForm1::FileSel_FileDblClick(QObject*) {
    const QString path = FileSel_File->FileName();
    // A file the project could not save is kept out of it from the start.
    if (!path.isEmpty() && PathRefusedByScript(path)) return;
    WaveHeader header;
    if (path.isEmpty() || !header.Load(path) || !header.IsPcm8Mono()) {
        ShowMessageBox(QStringLiteral("This File Is Not A PCM, 8-BIT, MONO, WAVE File!"), mkError);
        return;
    }
    // The header's data size is a signed word: 2 GiB or more reads as a
    // negative size, which would lower the usage meter instead of raising it.
    if (header.GetDataSize() < 0) {
        ShowMessageBox(QStringLiteral("The Data Size Of This File Is Too Large!"), mkError);
        return;
    }
    const int32_t id = Files.Add(path, header.GetSampleRate(), header.GetDataSize());
    if (id == 0) {
        ShowMessageBox(QStringLiteral("This File Already Exists In File List!"), mkWarning);
        return;
    }
    AddFileRow(Files.Items().back());
    Usage.Add(Files.GetSize(id));
    ShowUsage();
}

void TForm1::PM_FileEditPopup(QObject*) {
    FL_Remove->setEnabled(List_File->ItemIndex() >= 0);
}

void TForm1::FL_RemoveClick(QObject*) {
    const int32_t id = FileIdOfRow(List_File->ItemIndex());
    if (id == 0) {
        ShowMessageBox(QStringLiteral("Failed To Remove This File!"), mkError);
        return;
    }
    for (Section& s : Sections)
        s.RemoveFile(id);
    // A loaded script may list one id twice. Both rows name the same voice,
    // and no section refers to it any more, so every entry and row of the id
    // goes; the list rows keep matching the file list entries.
    for (int row = List_File->ItemCount() - 1; row >= 0; --row) {
        if (FileIdOfRow(row) != id) continue;
        Usage.Sub(Files.GetSize(id));
        Files.Remove(id);
        List_File->DeleteItem(row);
    }
    ShowUsage();
    RefreshGroupList();
}
