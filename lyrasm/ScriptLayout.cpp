// The script file's lines and columns, for the writer and the loader alike.
#include "ScriptLayout.h"

#include "code_page.h"

#include <QStringList>

#include <limits>

namespace ScriptLayout {
namespace {

// ---------------------------------------------------------------------------
// The column grid. Columns count from 1; a field runs from First to Last.

struct Field {
    int First;
    int Last;
    constexpr int Width() const { return Last - First + 1; }
};

// Every directive line: the keyword field (columns 1-14), the name field
// (15-24), "=", a blank, and the value from column 27.
constexpr int kNameColumn = 15;
constexpr int kEqualsColumn = 25;
constexpr int kValueColumn = 27;

// A "Yes" or "No" value is told by its first letter, after the quote.
constexpr int kYesNoColumn = kValueColumn + 1;
// The two digits of the $FuncCode value.
constexpr Field kFuncCode{kValueColumn, kValueColumn + 1};

// Voice line: "V" and the file id fill the name field; the path stands in
// quotes as the value. The columns up to the "V" tell a voice line from the
// block separator that ends the voices.
constexpr Field kVoiceLead{1, kNameColumn};
constexpr Field kVoiceId{kNameColumn + 1, kNameColumn + 4};
constexpr int kPathColumn = kValueColumn + 1;
// The longest path the generator reads: its quoted text holds at most 1023
// bytes, the two quotes included.
constexpr qsizetype kMaxPath = 1021;

// Section lines: ".Section[", the section number and "] " fill the keyword
// field; the first columns tell them from the section rule between them.
constexpr char kSectionOpen[] = ".Section[";
constexpr Field kSectionNumber{10, 12};
constexpr Field kSectionLead{1, kSectionNumber.First - 1};
static_assert(sizeof kSectionOpen - 1 == kSectionLead.Width());
static_assert(kSectionNumber.Last + 2 == kNameColumn - 1); // "] "
// The name field's columns that tell the option of a section line.
constexpr Field kOption{kNameColumn, kNameColumn + 6};

// Group line value: "V" and the file id, "(" rate ")", ":" and the busy
// digit. An empty group list has its own line, whose value starts "DefSil".
constexpr Field kGroupId{kValueColumn + 1, kValueColumn + 4};
constexpr int kRateOpen = 34;
constexpr Field kGroupRate{kRateOpen + 1, kRateOpen + 5};
constexpr int kBusyColon = 42;
constexpr int kBusyColumn = kBusyColon + 1;
constexpr char kSilence[] = "DefSil";
constexpr Field kEmptyGroup{kValueColumn, kValueColumn + sizeof kSilence - 2};

// The names in the name field.
constexpr char kEdge[] = "$Edge";
constexpr char kHold[] = "$Hold";
constexpr char kReTrg[] = "$ReTrg";
constexpr char kGroups[] = "$Groups";

// The characters of `field` that the line has.
QString Cut(const QString& line, Field field) {
    return line.mid(field.First - 1, field.Width());
}

QString Blanks(int count) {
    return QString(count, QLatin1Char(' '));
}

// ---------------------------------------------------------------------------
// Number fields

// `value` in decimal, right-aligned in at least `width` characters; with a
// '0' fill the sign stays in front of the zeros, so the field reads back as
// the same number.
QString Number(int64_t value, int width, QChar fill) {
    const QString digits = QString::number(value < 0 ? -value : value);
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    const int pad = width - static_cast<int>(sign.size() + digits.size());
    if (pad <= 0) return sign + digits;
    if (fill == QLatin1Char('0')) return sign + QString(pad, fill) + digits;
    return QString(pad, fill) + sign + digits;
}

// ---------------------------------------------------------------------------
// Lines

// A directive line: the keyword field, the name field, "= " and the value.
QString Directive(const QString& keyword, const QString& name, const QString& value) {
    return keyword.leftJustified(kNameColumn - 1) +
           name.leftJustified(kEqualsColumn - kNameColumn) + QLatin1Char('=') +
           Blanks(kValueColumn - kEqualsColumn - 1) + value;
}

// A global line: one of the settings for the whole chip.
QString GlobalLine(const QString& name, const QString& value) {
    return Directive(QStringLiteral(".Global"), name, value);
}

QString TopRule() {
    return QLatin1Char(';') + QString(99, QLatin1Char('='));
}

QString TitleLine() {
    return QStringLiteral("; KelvxxM Standard Code Log File Ver: 1.0");
}

// ";", 53 blanks, then the time as hh:mm:ss, yyyy/MM/dd. in fixed digits,
// whatever the system's date settings.
QString TimeStampLine(const QDateTime& now) {
    const QDate d = now.date();
    const QTime t = now.time();
    const QChar zero = QLatin1Char('0');
    return QLatin1Char(';') + Blanks(53) + QStringLiteral("The file was built up at ") +
           Number(t.hour(), 2, zero) + QLatin1Char(':') + Number(t.minute(), 2, zero) +
           QLatin1Char(':') + Number(t.second(), 2, zero) + QStringLiteral(", ") +
           Number(d.year(), 4, zero) + QLatin1Char('/') + Number(d.month(), 2, zero) +
           QLatin1Char('/') + Number(d.day(), 2, zero) + QLatin1Char('.');
}

QString BlockSeparator() {
    return QLatin1Char(';') + QStringLiteral("=-").repeated(49) + QLatin1Char('=');
}

QString SectionRule() {
    return QLatin1Char(';') + QString(99, QLatin1Char('-'));
}

// Lines 5 to 8: the silence line and the global lines of $Rck, $Encoder and
// $Offset, the same in every file.
std::array<QString, 4> FixedLines() {
    return {
        Directive(QStringLiteral(".Silence"), QLatin1String(kSilence), QStringLiteral("8")),
        GlobalLine(QStringLiteral("$Rck"), QStringLiteral("8000000")),
        GlobalLine(QStringLiteral("$Encoder"), QStringLiteral("5 \"EQ01\" 26")),
        GlobalLine(QStringLiteral("$Offset"), QStringLiteral("0000h")),
    };
}

QString YesNo(bool value) {
    return value ? QStringLiteral("\"Yes\"") : QStringLiteral("\"No\"");
}

QString RampEnLine(bool dac) {
    return GlobalLine(QStringLiteral("$RampEn"), YesNo(dac));
}

QString FuncCodeLine(int code) {
    return GlobalLine(QStringLiteral("$FuncCode"), QString::number(code));
}

// One past the last section that plays anything; 0 when none does.
QString SbtMaxLine(const SectionArray& sections) {
    int sbtMax = 0;
    for (int i = kSectionCount - 1; i >= 0; --i)
        if (!sections[static_cast<size_t>(i)].IsEmpty()) {
            sbtMax = i + 1;
            break;
        }
    return GlobalLine(QStringLiteral("$SbtMax"), QString::number(sbtMax));
}

// The columns up to the "V" of a voice line.
QString VoiceLead() {
    return QStringLiteral(".PCM").leftJustified(kNameColumn - 1) + QLatin1Char('V');
}

// A file id past four digits moves the rest of the line to the right,
// blanks and all.
QString VoiceLine(const Voice& voice) {
    return VoiceLead() + Number(voice.Id, kVoiceId.Width(), QLatin1Char('0')) +
           Blanks(kEqualsColumn - kVoiceId.Last - 1) + QLatin1Char('=') +
           Blanks(kValueColumn - kEqualsColumn - 1) + QLatin1Char('"') + voice.Path +
           QLatin1Char('"');
}

// The keyword field of the section with the number `number` (1 to 256).
QString SectionKeyword(int number) {
    return QLatin1String(kSectionOpen) + Number(number, kSectionNumber.Width(), QLatin1Char(' ')) +
           QStringLiteral("] ");
}

// The Edge, Hold and ReTrg lines.
QString OptionLine(const QString& keyword, const char* option, bool value) {
    return Directive(keyword, QLatin1String(option), YesNo(value));
}

// The group line of the silence voice, for an empty group list.
QString EmptyGroupLine(const QString& keyword) {
    return Directive(keyword, QLatin1String(kGroups),
                     QLatin1String(kSilence) + QStringLiteral(" (8000) :0"));
}

// An id past four digits or a rate past five moves the rest of the line.
QString GroupLine(const QString& keyword, const VocTb& entry) {
    return Directive(keyword, QLatin1String(kGroups),
                     QLatin1Char('V') + Number(entry.FileId, kGroupId.Width(), QLatin1Char('0')) +
                         Blanks(kRateOpen - kGroupId.Last - 1) + QLatin1Char('(') +
                         Number(entry.Rate, kGroupRate.Width(), QLatin1Char(' ')) +
                         QLatin1Char(')') + Blanks(kBusyColon - kGroupRate.Last - 2) +
                         QLatin1Char(':') + (entry.Busy ? QLatin1Char('1') : QLatin1Char('0')));
}

// The section block of the section at `index`: its option lines, its group
// lines (or the empty-group line) and the section rule.
void AppendSectionBlock(QStringList& lines, int index, const Section& s) {
    const QString keyword = SectionKeyword(index + 1);
    lines << OptionLine(keyword, kEdge, s.GetEdge()) << OptionLine(keyword, kHold, s.GetHold())
          << OptionLine(keyword, kReTrg, s.GetReTrg());
    if (s.IsEmpty()) lines << EmptyGroupLine(keyword);
    VocTb entry{};
    for (int j = 0; s.GetVoice(j, entry); ++j)
        lines << GroupLine(keyword, entry);
    lines << SectionRule();
}

// ---------------------------------------------------------------------------
// Reading

// The longest line taken, line feed excluded. The writer's longest line is a
// voice line: 28 characters, a path of at most kMaxPath bytes and the closing
// quote. Anything much longer is no line of ours, and reading it whole could
// fill the memory.
constexpr size_t kMaxLine = 8192;

// The lines of a file as the loader takes them, keeping the verdict: every
// line past the limit makes the file damaged.
class Lines {
  public:
    Lines(std::FILE* file, bool& damaged) : File(file), Damaged(damaged) {}

    // The next line; false at the end of the file (and from then on) and
    // for a line past the limit, and the text is then empty.
    bool Next() {
        QByteArray bytes;
        bool tooLong = false;
        int c = std::getc(File);
        if (c == EOF) {
            Line.clear();
            return false;
        }
        for (; c != EOF && c != '\n'; c = std::getc(File)) {
            if (tooLong) continue;
            if (static_cast<size_t>(bytes.size()) == kMaxLine)
                tooLong = true;
            else
                bytes.append(static_cast<char>(c));
        }
        if (tooLong) {
            Line.clear();
            Damaged = true;
            return false;
        }
        if (bytes.endsWith('\r')) bytes.chop(1);
        Line = platform::from_ansi(bytes);
        return true;
    }
    const QString& Text() const { return Line; }
    QString Cut(Field field) const { return ScriptLayout::Cut(Line, field); }

  private:
    std::FILE* File;
    bool& Damaged;
    QString Line;
};

// Lines 9 and 10.
Settings ParseSettings(Lines& lines, bool& damaged) {
    Settings settings;
    lines.Next();
    const QString ramp = lines.Cut({kYesNoColumn, kYesNoColumn});
    if (ramp == QLatin1String("Y"))
        settings.Dac = true;
    else if (ramp == QLatin1String("N"))
        settings.Dac = false;
    else
        damaged = true;

    lines.Next();
    const QString code = lines.Cut(kFuncCode);
    for (const int known : {kKeyTrigger, kSequential, kCpuParallel, kMp3, kCpuSerial})
        if (code == QString::number(known)) settings.FuncCode = known;
    if (!settings.FuncCode) damaged = true;
    return settings;
}

// One Edge, Hold, ReTrg or group line of the section `s`; false when the
// line is none of them.
bool ParseSectionLine(const Lines& lines, Section& s) {
    const QString option = lines.Cut(kOption);
    const QString flag = lines.Cut({kYesNoColumn, kYesNoColumn});
    const bool yes = flag == QLatin1String("Y");
    const bool flagValid = yes || flag == QLatin1String("N");
    auto is = [&](const char* name) {
        return option == QString::fromLatin1(name).leftJustified(kOption.Width());
    };
    if (is(kEdge) && flagValid) {
        s.SetEdge(yes);
    } else if (is(kHold) && flagValid) {
        s.SetHold(yes);
    } else if (is(kReTrg) && flagValid) {
        s.SetReTrg(yes);
    } else if (is(kGroups)) {
        if (lines.Cut(kEmptyGroup) == QLatin1String(kSilence)) return true; // an empty list
        const int32_t id = StrToIntDef(lines.Cut(kGroupId), 0);
        const int32_t rate = StrToIntDef(lines.Cut(kGroupRate), 0);
        const int32_t busy = StrToIntDef(lines.Cut({kBusyColumn, kBusyColumn}), 2);
        if (id == 0 || rate == 0 || (busy != 0 && busy != 1)) return false;
        s.AddVoice(id, rate, busy == 1);
    } else {
        return false;
    }
    return true;
}

} // namespace

QByteArray Format(const Project& project, const QDateTime& now) {
    QStringList lines;
    lines << TopRule() << TitleLine() << TimeStampLine(now) << BlockSeparator();
    for (const QString& line : FixedLines())
        lines << line;
    lines << RampEnLine(project.Dac) << FuncCodeLine(project.FuncCode)
          << SbtMaxLine(project.Sections) << BlockSeparator();
    for (const Voice& voice : project.Voices)
        lines << VoiceLine(voice);
    lines << BlockSeparator();
    for (int i = 0; i < kSectionCount; ++i)
        AppendSectionBlock(lines, i, project.Sections[static_cast<size_t>(i)]);
    // Paths go out in the 8-bit code page like every other character.
    return platform::to_ansi(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

Settings Reader::Head() {
    Lines lines(File, IsDamaged);
    for (int i = 0; i < 4; ++i) // top rule, title, time stamp, block separator
        lines.Next();
    for (const QString& expected : FixedLines()) {
        lines.Next();
        if (lines.Text() != expected) IsDamaged = true;
    }
    const Settings settings = ParseSettings(lines, IsDamaged);
    lines.Next(); // $SbtMax: the generator works it out again
    lines.Next(); // block separator
    return settings;
}

// Voice lines up to the next block separator. At the end of the file the
// reader keeps answering "no line", which ends the sections too.
void Reader::Voices(const std::function<bool(const Voice&)>& take) {
    Lines lines(File, IsDamaged);
    const QString separator = Cut(BlockSeparator(), kVoiceLead);
    const QString lead = VoiceLead();
    while (!IsDamaged && lines.Next()) {
        if (lines.Cut(kVoiceLead) == separator) break;
        if (lines.Cut(kVoiceLead) == lead) {
            const int32_t id = StrToIntDef(lines.Cut(kVoiceId), 0);
            // The path runs from its column up to the closing quote, the
            // last character, whatever it is.
            const QString& line = lines.Text();
            const QString path = line.size() > kPathColumn
                                     ? line.mid(kPathColumn - 1, line.size() - kPathColumn)
                                     : QString();
            if (id != 0 && take({id, path})) continue;
        }
        IsDamaged = true;
    }
}

// Section lines, in any order, to the end of the file.
void Reader::Sections(SectionArray& sections) {
    Lines lines(File, IsDamaged);
    const QString rule = Cut(SectionRule(), kSectionLead);
    while (!IsDamaged && lines.Next()) {
        if (lines.Cut(kSectionLead) == rule) continue;
        if (lines.Cut(kSectionLead) != QLatin1String(kSectionOpen)) {
            IsDamaged = true;
            break;
        }
        const int32_t number = StrToIntDef(lines.Cut(kSectionNumber), 0);
        if (number < 1 || number > kSectionCount) {
            IsDamaged = true;
            break;
        }
        if (!ParseSectionLine(lines, sections[static_cast<size_t>(number - 1)])) IsDamaged = true;
    }
}

const char* PathFault(const QString& path) {
    // The path stands between double quotes on one line, in the 8-bit code
    // page: a line feed or a carriage return breaks the line, a double quote
    // ends the text early, a NUL ends the name that is opened, a character
    // the code page lacks would come back as another file's name, and the
    // generator stops at a text longer than its buffer.
    if (path.contains(QLatin1Char('\n'))) return "a line feed";
    if (path.contains(QLatin1Char('\r'))) return "a carriage return";
    if (path.contains(QLatin1Char('"'))) return "a double quote";
    if (path.contains(QChar(0))) return "a NUL character";
    QByteArray bytes;
    if (!platform::to_ansi_exact(path, bytes)) return "a character outside the code page";
    if (bytes.size() > kMaxPath) return "more than 1021 bytes";
    return nullptr;
}

int32_t StrToIntDef(const QString& Text, int32_t Default) {
    qsizetype i = 0;
    while (i < Text.size() && Text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < Text.size() && (Text[i] == QLatin1Char('-') || Text[i] == QLatin1Char('+'))) {
        negative = Text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == Text.size()) return Default;
    int64_t value = 0;
    for (; i < Text.size(); ++i) {
        const char16_t c = Text[i].unicode();
        if (c < u'0' || c > u'9') return Default;
        value = value * 10 + (c - u'0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return Default;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return Default;
    return static_cast<int32_t>(value);
}

} // namespace ScriptLayout
