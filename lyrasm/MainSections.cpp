// The section list: the attribute columns of the 256 sections, the
// section-edit popup and the set-all popups on the column headers.
#include "Main.h"

#include "ReportList.h"

#include "message_box.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QTimer>

namespace {

// Which attribute a command sets, and the list column that shows it.
enum class Attribute { Edge, Hold, ReTrg };

QString Apply(Section& s, Attribute attribute, bool value) {
    switch (attribute) {
    case Attribute::Edge:
        return s.SetEdge(value);
    case Attribute::Hold:
        return s.SetHold(value);
    case Attribute::ReTrg:
        break;
    }
    return s.SetReTrg(value);
}

int SubItemOf(Attribute attribute) {
    switch (attribute) {
    case Attribute::Edge:
        return 0;
    case Attribute::Hold:
        return 1;
    case Attribute::ReTrg:
        break;
    }
    return 2;
}

} // namespace

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

void TForm1::List_SectionChange(QObject*, int) {
    RefreshGroupList();
}

void TForm1::List_SectionColumnClick(QObject*, int Column) {
    QMenu* menu = nullptr;
    switch (Column) {
    case 1:
        menu = PM_SetAllMenu_Edge;
        break;
    case 2:
        menu = PM_SetAllMenu_Hold;
        break;
    case 3:
        menu = PM_SetAllMenu_ReTrg;
        break;
    default: // "Section No." has nothing to set
        return;
    }
    menu->popup(QCursor::pos());
}

void TForm1::List_SectionDblClick(QObject*) {
    if (List_Section->ItemIndex() < 0) return;
    PM_SectionEdit->popup(QCursor::pos());
}

void TForm1::PM_SectionEditPopup(QObject*) {
    const int i = List_Section->ItemIndex();
    if (i < 0) {
        // A right click can open the popup while no section is selected; it
        // has nothing to edit then, so it closes again before it is used.
        QTimer::singleShot(0, PM_SectionEdit, &QMenu::close);
        return;
    }
    const Section& s = Sections[static_cast<size_t>(i)];
    // Each pair is a radio group: checking one item clears the other.
    (s.GetEdge() ? SE_Edge : SE_Level)->setChecked(true);
    (s.GetHold() ? SE_Hold : SE_UnHold)->setChecked(true);
    (s.GetReTrg() ? SE_ReTrg : SE_NonReTrg)->setChecked(true);
}

// Sets one attribute of the selected section and rewrites only its cell.
static void SetSelected(TForm1& form, Attribute attribute, bool value) {
    const int i = form.List_Section->ItemIndex();
    if (i < 0) return;
    const QString text = Apply(form.Sections[static_cast<size_t>(i)], attribute, value);
    form.List_Section->SetSubItem(i, SubItemOf(attribute), text);
}

void TForm1::SE_EdgeClick(QObject*) {
    SetSelected(*this, Attribute::Edge, true);
}

void TForm1::SE_LevelClick(QObject*) {
    SetSelected(*this, Attribute::Edge, false);
}

void TForm1::SE_HoldClick(QObject*) {
    SetSelected(*this, Attribute::Hold, true);
}

void TForm1::SE_UnHoldClick(QObject*) {
    SetSelected(*this, Attribute::Hold, false);
}

void TForm1::SE_ReTrgClick(QObject*) {
    SetSelected(*this, Attribute::ReTrg, true);
}

void TForm1::SE_NonReTrgClick(QObject*) {
    SetSelected(*this, Attribute::ReTrg, false);
}

// Sets one attribute in all 256 sections once the user has confirmed it.
static void SetAll(TForm1& form, Attribute attribute, bool value, const char* shown) {
    const QString question = QStringLiteral("All sections will be set to \"") +
                             QLatin1String(shown) + QStringLiteral("\", are you sure?");
    if (form.ShowMessageBox(question, TForm1::mkConfirm) == platform::IDNO) return;
    for (Section& s : form.Sections)
        Apply(s, attribute, value);
    form.RefreshSectionList();
}

void TForm1::PM_SetAll_EdgeClick(QObject*) {
    SetAll(*this, Attribute::Edge, true, "Edge");
}

void TForm1::PM_SetAll_LevelClick(QObject*) {
    SetAll(*this, Attribute::Edge, false, "Level");
}

void TForm1::PM_SetAll_HoldClick(QObject*) {
    SetAll(*this, Attribute::Hold, true, "Holdable");
}

void TForm1::PM_SetAll_UnHoldClick(QObject*) {
    SetAll(*this, Attribute::Hold, false, "UnHoldable");
}

void TForm1::PM_SetAll_ReTrgClick(QObject*) {
    SetAll(*this, Attribute::ReTrg, true, "Retrigger");
}

void TForm1::PM_SetAll_NonReTrgClick(QObject*) {
    SetAll(*this, Attribute::ReTrg, false, "Non-Retrigger");
}
