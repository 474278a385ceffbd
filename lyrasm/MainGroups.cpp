// The group list of the selected section: files are added from the file list
// and edited through the group popup.
#include "Main.h"

#include "ReportList.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

#include <stdexcept>

void TForm1::RefreshGroupList() {
    List_Group->setUpdatesEnabled(false);
    List_Group->ClearItems();
    const int s = List_Section->ItemIndex();
    if (s >= 0) {
        const Section& section = Sections[static_cast<size_t>(s)];
        VocTb entry{};
        try {
            for (int j = 0; section.GetVoice(j, entry); ++j) {
                // The row comes first: an entry whose file is not in the file
                // list (only a loaded script can make one) keeps an empty row,
                // and the rows stop there.
                const int row = List_Group->AddItem(QString(), {});
                List_Group->item(row, 0)->setText(Files.GetName(entry.FileId));
                List_Group->SetSubItem(row, 0, QString::number(entry.Rate));
                List_Group->SetSubItem(row, 1,
                                       entry.Busy ? QStringLiteral("O") : QStringLiteral("X"));
            }
        } catch (const std::out_of_range&) {
            // Nothing to tell the user; the callers still finish their work
            // (the loader its usage text).
        }
    }
    List_Group->setUpdatesEnabled(true);
}

void TForm1::List_FileDblClick(QObject*) {
    const int s = List_Section->ItemIndex();
    const int row = List_File->ItemIndex();
    if (s < 0 || row < 0) return;
    // Only a double click in the list itself adds; one that reaches the list
    // while another control has the focus does not.
    if (!List_File->hasFocus()) return;
    const int32_t id = FileIdOfRow(row);
    if (id == 0) {
        ShowMessageBox(QStringLiteral("Failed To Add This File!"), mkError);
        return;
    }
    Sections[static_cast<size_t>(s)].AddVoice(id, Files.GetRate(id), true);
    RefreshGroupList();
}

void TForm1::List_GroupDblClick(QObject*) {
    PM_GroupEdit->popup(QCursor::pos());
}

void TForm1::PM_GroupEditPopup(QObject*) {
    for (QAction* item : {GL_Remove, GL_Up, GL_Down, GL_Busy})
        item->setEnabled(false);
    const int j = List_Group->ItemIndex();
    if (j < 0) return;
    GL_Remove->setEnabled(true);
    GL_Up->setEnabled(j > 0);
    GL_Down->setEnabled(j < List_Group->ItemCount() - 1);
    GL_Busy->setChecked(List_Group->SubItem(j, 1) == QLatin1String("O"));
    GL_Busy->setEnabled(true);
}

// The selected section and group row, or false when either is missing.
static bool SelectedEntry(const TForm1& form, int& s, int& j) {
    s = form.List_Section->ItemIndex();
    j = form.List_Group->ItemIndex();
    return s >= 0 && j >= 0;
}

void TForm1::GL_RemoveClick(QObject*) {
    int s, j;
    if (!SelectedEntry(*this, s, j)) return;
    Sections[static_cast<size_t>(s)].RemoveVoice(j);
    RefreshGroupList();
}

void TForm1::GL_UpClick(QObject*) {
    int s, j;
    if (!SelectedEntry(*this, s, j) || j == 0) return;
    Sections[static_cast<size_t>(s)].SwapVoices(j, j - 1);
    RefreshGroupList();
}

void TForm1::GL_DownClick(QObject*) {
    int s, j;
    if (!SelectedEntry(*this, s, j)) return;
    Section& section = Sections[static_cast<size_t>(s)];
    if (j + 1 >= section.Count()) return;
    section.SwapVoices(j, j + 1);
    RefreshGroupList();
}

void TForm1::GL_BusyClick(QObject*) {
    int s, j;
    if (!SelectedEntry(*this, s, j)) return;
    Section& section = Sections[static_cast<size_t>(s)];
    section.SetBusy(j, !section.GetBusy(j));
    RefreshGroupList();
}
