// The editor's script file: the lines File > Save writes and File > Load
// reads back, at fixed columns. Formatting and parsing both go by the one
// column grid and the one set of line texts in ScriptLayout.cpp, so what the
// writer puts in a column is what the loader looks for there. The generator
// compiles the same lines as a script; this unit knows only the editor's own
// subset of that language, and nothing of the window.
#pragma once

#include "Sectionclass.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace ScriptLayout {

constexpr int kSectionCount = 256;
using SectionArray = std::array<Section, kSectionCount>;

// The $FuncCode of each Mode.
enum : int {
    kKeyTrigger = 16,
    kSequential = 32,
    kCpuParallel = 48,
    kMp3 = 64,
    kCpuSerial = 80,
};

// One file of the project: a voice line.
struct Voice {
    int32_t Id;
    QString Path;
};

// Everything a script file keeps of a project.
struct Project {
    std::vector<Voice> Voices; // in the file list's row order
    bool Dac = false;          // Vout: DAC ($RampEn "Yes") or PWM ("No")
    int FuncCode = kKeyTrigger;
    SectionArray Sections;
};

// The whole file for `project`, written at `now`: every line, the last one
// included, ends in CR LF, and the text is in the 8-bit code page.
QByteArray Format(const Project& project, const QDateTime& now);

// What a script file holds, read the way the loader takes it: line by line;
// the voice and section lines stop at the first damage.
struct Reading {
    // Lines 9 and 10 count even in a file found damaged before them: Vout
    // when line 9 says Yes or No, the Mode's code when line 10 holds one.
    std::optional<bool> Dac;
    std::optional<int> FuncCode;
    // The voice lines in file order, up to the first damage; none when the
    // file was damaged before them.
    std::vector<Voice> Voices;
    // What the section lines set; the whole of them only in a sound file.
    SectionArray Sections;
    // Set by the first line that fails a test, and never cleared.
    bool Damaged = false;
};

// Reads `file` to its end, line by line up to each line feed; a carriage
// return before the line feed is dropped, and a last line without a line
// feed counts as a line too. The caller closes the file.
Reading Parse(std::FILE* file);

// Why the voice line cannot carry `path`, or null when it can.
const char* PathFault(const QString& path);

// A number field as the script file and the list rows hold it: a decimal
// integer, optionally signed and preceded by blanks; `Default` for any
// other text and for numbers outside 32 bits.
int32_t StrToIntDef(const QString& Text, int32_t Default);

} // namespace ScriptLayout
