// The section list: the attribute columns of the 256 sections, the
// section-edit popup and the set-all popups on the column headers.
#include "Main.h"

#include "ReportList.h"

#include <QAction>

void TForm1::RefreshSectionList() {
    // Serial and MP3 triggering have no trigger attributes: the flags stay
    // stored (and are saved), but the list shows them as not applicable and
    // they cannot be edited.
    const bool notApplicable = Menu_Mode_CPUS->isChecked() || Menu_Mode_MP3->isChecked();
    const QString na = QStringLiteral("N/A");
    List_Section->setUpdatesEnabled(false);
    for (int i = 0; i < static_cast<int>(Sections.size()); ++i) {
        const Section& s = Sections[static_cast<size_t>(i)];
        List_Section->SetSubItem(i, 0, notApplicable ? na : s.EdgeText());
        List_Section->SetSubItem(i, 1, notApplicable ? na : s.HoldText());
        List_Section->SetSubItem(i, 2, notApplicable ? na : s.ReTrgText());
    }
    List_Section->setUpdatesEnabled(true);
    for (QAction* item : {SE_Edge, SE_Level, SE_Hold, SE_UnHold, SE_ReTrg, SE_NonReTrg})
        item->setEnabled(!notApplicable);
}

// The handlers below are filled in with the section editing commands.

void TForm1::List_SectionChange(QObject*, int) {}

void TForm1::List_SectionColumnClick(QObject*, int) {}

void TForm1::List_SectionDblClick(QObject*) {}

void TForm1::PM_SectionEditPopup(QObject*) {}

void TForm1::SE_EdgeClick(QObject*) {}

void TForm1::SE_LevelClick(QObject*) {}

void TForm1::SE_HoldClick(QObject*) {}

void TForm1::SE_UnHoldClick(QObject*) {}

void TForm1::SE_ReTrgClick(QObject*) {}

void TForm1::SE_NonReTrgClick(QObject*) {}

void TForm1::PM_SetAll_EdgeClick(QObject*) {}

void TForm1::PM_SetAll_LevelClick(QObject*) {}

void TForm1::PM_SetAll_HoldClick(QObject*) {}

void TForm1::PM_SetAll_UnHoldClick(QObject*) {}

void TForm1::PM_SetAll_ReTrgClick(QObject*) {}

void TForm1::PM_SetAll_NonReTrgClick(QObject*) {}
