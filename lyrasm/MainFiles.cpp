// The WAV browser and the project's file list: files come into the project
// from the browser and leave it through the file list's popup.
#include "Main.h"

void TForm1::FileSel_FileDblClick(QObject*) {
    // Adding the browsed file to the project comes with the file list commands.
}

void TForm1::PM_FileEditPopup(QObject*) {
    // Enabling "Remove" for a selected row comes with the file list commands.
}

void TForm1::FL_RemoveClick(QObject*) {
    // Removing a file from the project comes with the file list commands.
}
