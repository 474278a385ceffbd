// The enabled state of the eight controls EnableControls sets, in its order:
// the Option, Tools and About menus, "...", the path, Erase, Write, Verify.
#pragma once

#include "Main.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <vector>

inline std::vector<bool> HeldControls(const TForm1& f) {
    return {f.MainMenu_Option->isEnabled(), f.MainMenu_Tools->isEnabled(),
            f.MainMenu_About->isEnabled(),  f.DM_Load->isEnabled(),
            f.DM_Path->isEnabled(),         f.DM_Erase->isEnabled(),
            f.DM_Program->isEnabled(),      f.DM_Verify->isEnabled()};
}
