// The main window: start state, settings menus, message boxes, the exception
// handler, the usage panel's colour and the form's geometry.
#include "FileBrowser.h"
#include "Main.h"
#include "ReportList.h"
#include "StatusPanels.h"

#include "event_guard.h"
#include "file_dialog.h"
#include "io_error.h"
#include "message_box.h"
#include "program_folder.h"
#include "shell.h"

#include "test_support.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFontInfo>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

class Window : public ::testing::Test {
  protected:
    platform::ScriptedMessageBoxes boxes;
    TForm1 form;

    QStringList Panels() const {
        QStringList texts;
        for (int i = 0; i < form.StatusBar->PanelCount(); ++i)
            texts << form.StatusBar->PanelText(i);
        return texts;
    }

    QStringList Row(int row) const {
        return {form.List_Section->Caption(row), form.List_Section->SubItem(row, 0),
                form.List_Section->SubItem(row, 1), form.List_Section->SubItem(row, 2)};
    }

    // How many pixels of the usage panel are drawn mostly in blue, and how
    // many mostly in red.
    std::pair<int, int> UsageInk() {
        const QImage image = form.StatusBar->grab().toImage();
        const QRect area = form.StatusBar->PanelRect(3);
        int blue = 0, red = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.blue() > 180 && c.red() < 120 && c.green() < 120) ++blue;
                if (c.red() > 180 && c.blue() < 120 && c.green() < 120) ++red;
            }
        return {blue, red};
    }

    void ThrowThroughGuard(const std::function<void()>& thrower) {
        form.ApplicationEvents->Run(&form, thrower);
    }
};

} // namespace

TEST_F(Window, StartsWithTheDefaultProject) {
    EXPECT_EQ(form.windowTitle(), "KelvxxM Sound Editor");
    EXPECT_EQ(Panels(),
              QStringList({"Kelv32M", "Key Trigger", "PWM", "Usage: 66608 / 4194304 (1%)", ""}));
    EXPECT_EQ(form.Usage.GetCapacity(), 0x400000);
    EXPECT_EQ(form.Usage.GetUsed(), 66608);

    ASSERT_EQ(form.List_Section->ItemCount(), 256);
    EXPECT_EQ(Row(0), QStringList({"Section 0", "Level", "UnHoldable", "Retrigger"}));
    EXPECT_EQ(Row(255), QStringList({"Section 255", "Level", "UnHoldable", "Retrigger"}));
    EXPECT_EQ(form.List_Section->ItemIndex(), 0);
    EXPECT_EQ(form.List_File->ItemCount(), 0);
    EXPECT_EQ(form.List_Group->ItemCount(), 0);
    EXPECT_EQ(form.Files.Count(), 0);
    for (const Section& s : form.Sections) {
        EXPECT_FALSE(s.GetEdge());
        EXPECT_TRUE(s.IsEmpty());
    }

    EXPECT_TRUE(form.Menu_Device_32M->isChecked());
    EXPECT_TRUE(form.Menu_Mode_Key->isChecked());
    EXPECT_TRUE(form.Menu_Vout_PWM->isChecked());
    EXPECT_FALSE(form.Menu_Device_16M->isEnabled());
    EXPECT_FALSE(form.Menu_Device_64M->isEnabled());
    EXPECT_FALSE(form.Menu_Device_128M->isEnabled());
    EXPECT_TRUE(form.SE_Edge->isEnabled());
    for (QAction* item : {form.GL_Remove, form.GL_Up, form.GL_Down, form.GL_Busy})
        EXPECT_FALSE(item->isEnabled());

    auto [blue, red] = UsageInk();
    EXPECT_GT(blue, 20);
    EXPECT_EQ(red, 0);
    EXPECT_EQ(Form1, &form);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Window, MenusCarryTheirCaptions) {
    QStringList bar;
    for (QAction* a : form.MainMenu->actions())
        bar << a->text();
    EXPECT_EQ(bar, QStringList({"File", "Device", "Mode", "Vout", "Build", "About"}));
    EXPECT_EQ(form.Menu_Bulide->menu(), nullptr); // a command, not a menu

    auto captions = [](QMenu* menu) {
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << (a->isSeparator() ? "-" : a->text());
        return texts;
    };
    EXPECT_EQ(captions(form.Menu_File), QStringList({"Save", "Load"}));
    EXPECT_EQ(captions(form.Menu_Device),
              QStringList({" Kelv16M", " Kelv32M", " Kelv64M", " Kelv128M"}));
    EXPECT_EQ(captions(form.Menu_Mode),
              QStringList({" Key Trigger", " Sequential", " CPU Parallel", " CPU Serial", " MP3"}));
    EXPECT_EQ(captions(form.Menu_Vout), QStringList({" PWM", " DAC"}));
    EXPECT_EQ(captions(form.About1), QStringList({"Version: V1.1.0", "-", "Quenda Web Site"}));
    EXPECT_EQ(captions(form.PM_FileEdit), QStringList({"Remove"}));
    EXPECT_EQ(captions(form.PM_SectionEdit),
              QStringList({" Edge", " Level", "-", " Holdable", " UnHoldable", "-", " ReTrigger",
                           " Non-Retrigger"}));
    EXPECT_EQ(captions(form.PM_GroupEdit), QStringList({" Remove", " Up", " Down", " Busy"}));
    EXPECT_EQ(captions(form.PM_SetAllMenu_Edge),
              QStringList({"Set All Section To Edge", "Set All Section To Level"}));
    EXPECT_EQ(captions(form.PM_SetAllMenu_Hold),
              QStringList({"Set All Section To Holdable", "Set All Section To Unholdable"}));
    EXPECT_EQ(captions(form.PM_SetAllMenu_ReTrg),
              QStringList({"Set All Section To Retrigger", "Set All Section To Non-Retrigger"}));

    EXPECT_EQ(form.List_File->PopupMenu(), form.PM_FileEdit);
    EXPECT_EQ(form.List_Section->PopupMenu(), form.PM_SectionEdit);
    EXPECT_EQ(form.List_Group->PopupMenu(), form.PM_GroupEdit);
    EXPECT_EQ(form.Save->DefaultExt, ".log");
    EXPECT_EQ(form.Load->Filter, "KelvxxM Log File (*.log)|*.log");
}

TEST_F(Window, ModeAndVoutItemsCheckThemselvesAndWriteTheirPanel) {
    struct Case {
        QAction* item;
        int panel;
        const char* text;
    };
    const Case cases[] = {
        {form.Menu_Mode_Seq, 1, "Mode: Sequential"},
        {form.Menu_Mode_CPUP, 1, "Mode: CPU Parallel"},
        {form.Menu_Mode_CPUS, 1, "Mode: CPU Serial"},
        {form.Menu_Mode_MP3, 1, "Mode: MP3"},
        {form.Menu_Mode_Key, 1, "Mode: Key Trigger"},
        {form.Menu_Vout_DAC, 2, "Vout: DAC"},
        {form.Menu_Vout_PWM, 2, "Vout: PWM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        c.item->trigger(); // through the menu's own signal and the guard
        EXPECT_EQ(form.StatusBar->PanelText(c.panel), c.text);
        for (QAction* other : c.item->actionGroup()->actions())
            EXPECT_EQ(other->isChecked(), other == c.item);
    }
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 66608 / 4194304 (1%)");
    EXPECT_EQ(form.Usage.GetCapacity(), 0x400000);
}

TEST_F(Window, ChoosingTheCheckedItemKeepsItCheckedAndWritesThePrefix) {
    form.Menu_Mode_Key->trigger();
    form.Menu_Vout_PWM->trigger();
    form.Menu_Device_32M->trigger();
    EXPECT_TRUE(form.Menu_Mode_Key->isChecked());
    EXPECT_TRUE(form.Menu_Vout_PWM->isChecked());
    EXPECT_TRUE(form.Menu_Device_32M->isChecked());
    EXPECT_EQ(Panels(), QStringList({"Device: Kelv32M", "Mode: Key Trigger", "Vout: PWM",
                                     "Usage: 66608 / 4194304 (1%)", ""}));
    EXPECT_EQ(form.Usage.GetCapacity(), 0x400000);
}

TEST_F(Window, DeviceHandlersChangeTheCapacityButNotTheUsageText) {
    // The greyed sizes cannot be clicked; their handlers still work when called.
    form.Menu_Device_16M->trigger();
    EXPECT_EQ(form.Usage.GetCapacity(), 0x400000);

    form.Menu_Device_16MClick(nullptr);
    EXPECT_TRUE(form.Menu_Device_16M->isChecked());
    EXPECT_FALSE(form.Menu_Device_32M->isChecked());
    EXPECT_EQ(form.StatusBar->PanelText(0), "Device: Kelv16M");
    EXPECT_EQ(form.Usage.GetCapacity(), 0x200000);
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 66608 / 4194304 (1%)");

    form.Menu_Device_64MClick(nullptr);
    EXPECT_EQ(form.StatusBar->PanelText(0), "Device: Kelv64M");
    EXPECT_EQ(form.Usage.GetCapacity(), 0x800000);
    form.Menu_Device_128MClick(nullptr);
    EXPECT_EQ(form.StatusBar->PanelText(0), "Device: Kelv128M");
    EXPECT_EQ(form.Usage.GetCapacity(), 0x1000000);
    EXPECT_EQ(form.Usage.GetUsed(), 66608);
}

TEST_F(Window, SerialAndMp3ModesShowNoAttributes) {
    form.Sections[7].SetEdge(true);
    form.Menu_Mode_CPUS->trigger();
    for (int row : {0, 7, 255})
        EXPECT_EQ(Row(row).mid(1), QStringList({"N/A", "N/A", "N/A"}));
    for (QAction* item : {form.SE_Edge, form.SE_Level, form.SE_Hold, form.SE_UnHold, form.SE_ReTrg,
                          form.SE_NonReTrg})
        EXPECT_FALSE(item->isEnabled());
    EXPECT_TRUE(form.Sections[7].GetEdge()); // the stored flag stays

    form.Menu_Mode_MP3->trigger();
    EXPECT_EQ(Row(3).mid(1), QStringList({"N/A", "N/A", "N/A"}));

    form.Menu_Mode_Seq->trigger();
    EXPECT_EQ(Row(7), QStringList({"Section 7", "Edge", "UnHoldable", "Retrigger"}));
    EXPECT_EQ(Row(8), QStringList({"Section 8", "Level", "UnHoldable", "Retrigger"}));
    EXPECT_TRUE(form.SE_NonReTrg->isEnabled());
    EXPECT_EQ(form.List_Section->ItemIndex(), 0);
}

TEST_F(Window, MessageBoxKindsPickCaptionButtonsAndIcon) {
    struct Case {
        MessageKind kind;
        const char* caption;
        int flags;
        int answer;
    };
    const Case cases[] = {
        {1, "ERROR", 16, platform::IDOK},    {2, "WARNING", 48, platform::IDOK},
        {3, "Build", 64, platform::IDOK},    {4, "WARNING", 52, platform::IDNO},
        {4, "WARNING", 52, platform::IDYES}, {0, "", 0, platform::IDOK},
        {5, "", 0, platform::IDOK},          {-1, "", 0, platform::IDOK},
    };
    for (const Case& c : cases)
        boxes.Answer(c.answer);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(form.ShowMessageBox(QStringLiteral("text ") + QString::number(c.kind), c.kind),
                  c.answer);
        const platform::MessageBoxRequest& shown = boxes.Shown().back();
        EXPECT_EQ(shown.text, QStringLiteral("text ") + QString::number(c.kind));
        EXPECT_EQ(shown.caption, c.caption);
        EXPECT_EQ(shown.flags, c.flags);
    }
    // Unscripted, a box answers with its first button.
    EXPECT_EQ(form.ShowMessageBox("q", 4), platform::IDYES);
    EXPECT_EQ(form.ShowMessageBox("e", 1), platform::IDOK);
}

TEST_F(Window, OnlyIoError21IsReported) {
    testsupport::TempDir e;
    form.FileSel_Dev->SetVolumeSource([&] {
        return QList<platform::Volume>{{QLatin1Char('C'), "/"},
                                       {QLatin1Char('E'), QString::fromStdString(e.path())}};
    });
    form.FileSel_Dev->SetDrive(QLatin1Char('E'));
    ASSERT_EQ(form.FileSel_Dev->Drive(), QLatin1Char('E'));

    ThrowThroughGuard([] { throw platform::io_error(21); });
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Can't Find CD In The \"E:\\\" !");
    EXPECT_EQ(boxes.Shown()[0].caption, "ERROR");
    EXPECT_EQ(boxes.Shown()[0].flags, 16);

    bool before = false, after = false;
    ThrowThroughGuard([&] {
        before = true;
        throw std::out_of_range("file id 9 is not in the file list");
        after = true;
    });
    EXPECT_TRUE(before); // what ran before the throw stays done
    EXPECT_FALSE(after);
    ThrowThroughGuard([] { throw platform::io_error(5); });
    ThrowThroughGuard([] { throw std::runtime_error("I/O error 210"); });
    ThrowThroughGuard([] { throw std::runtime_error("I/O error 21 "); });
    ThrowThroughGuard([] { throw 21; });
    EXPECT_EQ(boxes.Shown().size(), 1u);
}

TEST_F(Window, ChoosingADriveWithoutMediumReportsItAndStepsBack) {
    testsupport::TempDir tmp;
    const QString gone = QString::fromStdString(tmp.file("not-mounted"));
    form.FileSel_Dev->SetVolumeSource([&] {
        return QList<platform::Volume>{{QLatin1Char('C'), "/"}, {QLatin1Char('F'), gone}};
    });
    const QString folder = form.FileSel_Dir->Directory();
    emit form.FileSel_Dev->activated(1); // as a person choosing "F:"
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Can't Find CD In The \"F:\\\" !");
    QApplication::processEvents();
    EXPECT_EQ(form.FileSel_Dev->Drive(), QLatin1Char('C'));
    EXPECT_EQ(form.FileSel_Dir->Directory(), folder);
}

TEST_F(Window, UsagePanelTurnsRedWhenTheChipIsFull) {
    form.Usage.Add(form.Usage.GetCapacity() - form.Usage.GetUsed() - 1);
    form.ShowUsage();
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 4194303 / 4194304 (99%)");
    auto [blue, red] = UsageInk();
    EXPECT_GT(blue, 20);
    EXPECT_EQ(red, 0);

    form.Usage.Add(1);
    form.ShowUsage();
    std::tie(blue, red) = UsageInk();
    EXPECT_EQ(blue, 0);
    EXPECT_GT(red, 20);

    // The colour follows the capacity even while the text is older.
    form.Menu_Device_128MClick(nullptr);
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 4194304 / 4194304 (100%)");
    std::tie(blue, red) = UsageInk();
    EXPECT_GT(blue, 20);
    EXPECT_EQ(red, 0);
}

TEST_F(Window, ComponentsSitWhereTheFormPutsThem) {
    struct Place {
        QWidget* widget;
        QRect rect;
    };
    const Place places[] = {
        {form.FileSel_Dev, {5, 5, 195, 20}},     {form.FileSel_Dir, {5, 30, 195, 200}},
        {form.FileSel_File, {205, 5, 195, 225}}, {form.FileSel_Filter, {205, 210, 195, 21}},
        {form.List_File, {5, 235, 395, 290}},    {form.List_Section, {406, 4, 385, 250}},
        {form.List_Group, {405, 260, 385, 265}}, {form.StatusBar, {0, 529, 794, 19}},
    };
    for (const Place& p : places) {
        SCOPED_TRACE(p.widget->objectName().toStdString());
        EXPECT_EQ(p.widget->geometry(), p.rect);
        EXPECT_EQ(p.widget->parentWidget(), form.centralWidget());
    }
    EXPECT_EQ(form.centralWidget()->size(), QSize(794, 548));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(form.FileSel_Filter->isVisibleTo(&form));
    EXPECT_EQ(form.FileSel_Filter->Filter(), "Wave File(*.wav)|*.wav");
    EXPECT_EQ(form.FileSel_File->Mask(), "*.wav");
    EXPECT_EQ(form.FileSel_Dev->focusPolicy() & Qt::TabFocus, 0);
    EXPECT_EQ(QFontInfo(form.font()).pixelSize(), 11);
    EXPECT_EQ(form.FileSel_Dev->font().pixelSize(), 12);

    const int panelWidths[] = {110, 120, 80, 210};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form.StatusBar->PanelRect(i).width(), panelWidths[i]);

    struct Columns {
        ReportList* list;
        std::vector<int> widths;
        QColor colour;
    };
    const Columns lists[] = {
        {form.List_File, {150, 80, 80, 60, 0}, QColor(166, 202, 240)},
        {form.List_Section, {90, 90, 90, 90}, QColor(192, 220, 192)},
        {form.List_Group, {200, 80, 80}, QColor(192, 220, 192)},
    };
    for (const Columns& l : lists) {
        SCOPED_TRACE(l.list->objectName().toStdString());
        ASSERT_EQ(l.list->columnCount(), static_cast<int>(l.widths.size()));
        for (int c = 0; c < l.list->columnCount(); ++c) {
            EXPECT_EQ(l.list->horizontalHeader()->sectionResizeMode(c), QHeaderView::Fixed);
            if (l.widths[c]) {
                EXPECT_EQ(l.list->columnWidth(c), l.widths[c]);
            }
        }
        EXPECT_EQ(l.list->palette().color(QPalette::Base), l.colour);
        EXPECT_EQ(l.list->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(l.list->selectionMode(), QAbstractItemView::SingleSelection);
        EXPECT_EQ(l.list->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_TRUE(l.list->showGrid());
        EXPECT_EQ(l.list->palette().color(QPalette::Inactive, QPalette::Highlight),
                  l.list->palette().color(QPalette::Active, QPalette::Highlight));
    }
    EXPECT_TRUE(form.List_File->isColumnHidden(4));
    EXPECT_EQ(form.List_File->horizontalHeaderItem(4)->text(), "Path");
}

TEST_F(Window, WebSiteItemOpensTheEditorsPage) {
    platform::RecordedShell shell;
    form.Menu_WebSite->trigger();
    ASSERT_EQ(shell.Opened().size(), 1u);
    EXPECT_EQ(shell.Opened()[0], platform::program_folder() + "doc/lyrasm.html");
    EXPECT_TRUE(boxes.Shown().empty());
}
