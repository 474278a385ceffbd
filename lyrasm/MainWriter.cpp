// File > Save: the project written as a script file.
#include "Main.h"

void TForm1::Menu_File_SaveClick(QObject*) {
    // Saving comes with the script file writer.
}

bool TForm1::WriteScriptFile(const QString&) {
    // The script file writer is not in yet: nothing is written.
    return false;
}
