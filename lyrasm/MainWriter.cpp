// File > Save: the project written as a script file.
#include "Main.h"

void TForm1::Menu_File_SaveClick(QObject*) {
    // Saving comes with the script file writer.
}
