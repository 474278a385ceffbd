// Build: the project written as a script file and compiled by the generator.
#include "Main.h"

void TForm1::Menu_BulideClick(QObject*) {
    // Building comes with the generator runner.
}
