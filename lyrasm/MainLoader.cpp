// File > Load: a script file read back into the project.
#include "Main.h"

void TForm1::Menu_File_LoadClick(QObject*) {
    // Loading comes with the script file loader.
}

bool TForm1::LoadFileEntry(int32_t, const QString&) {
    return false;
}
