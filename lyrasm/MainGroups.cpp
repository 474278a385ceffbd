// The group list of the selected section: files are added from the file list
// and edited through the group popup.
#include "Main.h"

// The handlers below are filled in with the group list editing commands.

void TForm1::List_FileDblClick(QObject*) {}

void TForm1::List_GroupDblClick(QObject*) {}

void TForm1::PM_GroupEditPopup(QObject*) {}

void TForm1::GL_RemoveClick(QObject*) {}

void TForm1::GL_UpClick(QObject*) {}

void TForm1::GL_DownClick(QObject*) {}

void TForm1::GL_BusyClick(QObject*) {}

void TForm1::RefreshGroupList() {}
