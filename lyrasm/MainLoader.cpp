// File > Load: a script file read back into the project. The loader does not
// parse the script language: it reads the lines the writer makes, by their
// columns, and takes every other file as damaged.
#include "Main.h"

#include "ReportList.h"
#include "Waveanalysis.h"

#include "code_page.h"
#include "file_dialog.h"
#include "regular_file.h"

#include <cstdio>

#include <unistd.h>

namespace {

// The longest line taken, line feed excluded. The writer's longest line is a
// voice line: 28 characters and the closing quote around a path, which the
// file system limits to 4096 bytes. Anything longer is no line of ours, and
// reading it whole could fill the memory.
constexpr size_t kMaxLine = 8192;

// Reads a script file line by line, up to each line feed; a carriage return
// before the line feed is dropped. A last line without a line feed counts
// as a line too.
class LineReader {
  public:
    explicit LineReader(std::FILE* file) : File(file) {}
    ~LineReader() { std::fclose(File); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False at the end of the file. `tooLong` is set for a line past
    // kMaxLine; its text is then empty.
    bool Next(QString& line, bool& tooLong) {
        QByteArray bytes;
        tooLong = false;
        int c = std::getc(File);
        if (c == EOF) return false;
        for (; c != EOF && c != '\n'; c = std::getc(File)) {
            if (tooLong) continue;
            if (static_cast<size_t>(bytes.size()) == kMaxLine)
                tooLong = true;
            else
                bytes.append(static_cast<char>(c));
        }
        if (tooLong) bytes.clear();
        if (bytes.endsWith('\r')) bytes.chop(1);
        line = platform::from_ansi(bytes);
        return true;
    }

  private:
    std::FILE* File;
};

// Opens a regular file for reading; null otherwise. A pipe or a device named
// like a script must neither block the window nor be read without end.
std::FILE* OpenScript(const QString& path) {
    const int fd = platform::open_regular_file(path);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) ::close(fd);
    return file;
}

// The characters of columns `first` to `last` (1-based) that the line has.
QString Columns(const QString& line, int first, int last) {
    return line.mid(first - 1, last - first + 1);
}

} // namespace

void TForm1::ClearProject() {
    for (Section& s : Sections)
        s.Reset();
    for (const FileStruce& entry : Files.Items())
        Usage.Sub(entry.Size);
    Files.Clear();
    List_File->ClearItems();
}

bool TForm1::LoadFileEntry(int32_t Id, const QString& Path) {
    // A double quote or a lone carriage return inside the quotes reads back
    // here, but such a project could not be saved again. The refusal makes
    // the file damaged, and that is all the user is told.
    if (ScriptPathFault(Path)) return false;
    WaveHeader header;
    if (!header.Load(Path) || !header.IsPcm8Mono()) return false;
    // A data size of 2 GiB or more reads negative and would lower the usage.
    if (header.GetDataSize() < 0) return false;
    Files.AddWithId(Id, Path, header.GetSampleRate(), header.GetDataSize());
    AddFileRow(Files.Items().back());
    Usage.Add(header.GetDataSize());
    return true;
}

void TForm1::Menu_File_LoadClick(QObject*) {
    if (!Load->Execute(this)) return;
    const QString path = Load->FileName;
    std::FILE* file = OpenScript(path);
    if (!file) {
        ShowMessageBox(QStringLiteral("Failed To Open File: \"") + path + QLatin1Char('"'),
                       mkError);
        return;
    }
    LineReader reader(file);

    // From here on the former project is gone, whatever the file holds.
    ClearProject();

    bool damaged = false;
    QString line;
    bool tooLong = false;
    // The next line; an empty one at the end of the file. Every line past
    // the limit makes the file damaged.
    auto next = [&]() -> bool {
        if (!reader.Next(line, tooLong)) {
            line.clear();
            return false;
        }
        if (tooLong) damaged = true;
        return true;
    };

    for (int i = 0; i < 4; ++i) // rules, title and time stamp
        next();
    static const char* const kFixed[] = {
        ".Silence      DefSil    = 8",
        ".Global       $Rck      = 8000000",
        ".Global       $Encoder  = 5 \"EQ01\" 26",
        ".Global       $Offset   = 0000h",
    };
    for (const char* expected : kFixed) {
        next();
        if (line != QLatin1String(expected)) damaged = true;
    }

    // Vout and Mode are applied even in a file already found damaged.
    next();
    const QString ramp = Columns(line, 28, 28);
    if (ramp == QLatin1String("Y"))
        Menu_Vout_DACClick(Menu_Vout_DAC);
    else if (ramp == QLatin1String("N"))
        Menu_Vout_PWMClick(Menu_Vout_PWM);
    else
        damaged = true;

    next();
    const QString code = Columns(line, 27, 28);
    bool modeKnown = false;
    for (const ModeCode& mode : ModeCodes()) {
        if (code != QString::number(mode.Code)) continue;
        (this->*mode.Click)(mode.Item);
        modeKnown = true;
    }
    if (!modeKnown) damaged = true;

    next(); // $SbtMax: the generator works it out again
    next(); // block separator

    // Voice lines up to the next block separator. At the end of the file
    // the reader keeps answering "no line", which ends the sections too.
    while (!damaged) {
        if (!next() || damaged) break;
        if (Columns(line, 1, 15) == QLatin1String(";=-=-=-=-=-=-=-")) break;
        if (Columns(line, 1, 15) == QLatin1String(".PCM          V")) {
            const int32_t id = StrToIntDef(Columns(line, 16, 19), 0);
            // The path runs from column 28 up to the closing quote, the last
            // character, whatever it is.
            const QString wav = line.size() > 28 ? line.mid(27, line.size() - 28) : QString();
            if (id != 0 && LoadFileEntry(id, wav)) continue;
        }
        damaged = true;
    }

    // Section lines, in any order, to the end of the file.
    while (!damaged && next()) {
        if (damaged) break;
        if (Columns(line, 1, 9) == QLatin1String(";--------")) continue;
        if (Columns(line, 1, 9) != QLatin1String(".Section[")) {
            damaged = true;
            break;
        }
        const int32_t number = StrToIntDef(Columns(line, 10, 12), 0);
        if (number < 1 || number > static_cast<int32_t>(Sections.size())) {
            damaged = true;
            break;
        }
        Section& s = Sections[static_cast<size_t>(number - 1)];
        const QString kind = Columns(line, 15, 21);
        const QString flag = Columns(line, 28, 28);
        const bool yes = flag == QLatin1String("Y");
        const bool flagValid = yes || flag == QLatin1String("N");
        if (kind == QLatin1String("$Edge  ") && flagValid) {
            s.SetEdge(yes);
        } else if (kind == QLatin1String("$Hold  ") && flagValid) {
            s.SetHold(yes);
        } else if (kind == QLatin1String("$ReTrg ") && flagValid) {
            s.SetReTrg(yes);
        } else if (kind == QLatin1String("$Groups")) {
            if (Columns(line, 27, 32) == QLatin1String("DefSil")) continue; // an empty list
            const int32_t id = StrToIntDef(Columns(line, 28, 31), 0);
            const int32_t rate = StrToIntDef(Columns(line, 35, 39), 0);
            const int32_t busy = StrToIntDef(Columns(line, 43, 43), 2);
            if (id != 0 && rate != 0 && (busy == 0 || busy == 1))
                s.AddVoice(id, rate, busy == 1);
            else
                damaged = true;
        } else {
            damaged = true;
        }
    }

    // A damaged file leaves an empty project rather than part of one. The
    // user is told with the lists already emptied; the usage text follows
    // once the message is closed, as after every load.
    if (damaged) ClearProject();
    RefreshSectionList();
    RefreshGroupList();
    if (damaged) ShowMessageBox(QStringLiteral("This log file is damage!"), mkError);
    ShowUsage();
}
