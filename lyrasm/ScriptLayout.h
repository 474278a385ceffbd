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
#include <functional>
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

// Lines 9 and 10 of a script file. They count even in a file found damaged
// before them: Vout when line 9 says Yes or No, the Mode's code when line 10
// holds one.
struct Settings {
    std::optional<bool> Dac;
    std::optional<int> FuncCode;
};

// A script file read the way the loader takes it: line by line up to each
// line feed (a carriage return before the line feed is dropped, and a last
// line without a line feed counts as a line too), in three steps that follow
// the file. Once a line fails a test, the voice and section steps read
// nothing more. The caller closes the file.
class Reader {
  public:
    explicit Reader(std::FILE* file) : File(file) {}

    // Lines 1 to 12.
    Settings Head();
    // The voice lines, each handed to `take` as soon as it is read. The first
    // one `take` refuses makes the file damaged, and nothing after it is read.
    void Voices(const std::function<bool(const Voice&)>& take);
    // The section lines, to the end of the file, set on `sections`.
    void Sections(SectionArray& sections);

    // Set by the first line that fails a test, and never cleared.
    bool Damaged() const { return IsDamaged; }

  private:
    std::FILE* File;
    bool IsDamaged = false;
};

// Why the voice line cannot carry `path`, or null when it can.
const char* PathFault(const QString& path);

// A number field as the script file and the list rows hold it: a decimal
// integer, optionally signed and preceded by blanks; `Default` for any
// other text and for numbers outside 32 bits.
int32_t StrToIntDef(const QString& Text, int32_t Default);

} // namespace ScriptLayout
