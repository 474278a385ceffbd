// File > Save: the project written as a script file. The lines and their
// columns are fixed: the loader reads them back by column, and the generator
// compiles them.
#include "Main.h"

#include "FileReplace.h"
#include "ReportList.h"
#include "Waveanalysis.h"

#include "code_page.h"
#include "file_dialog.h"

#include <QAction>
#include <QDateTime>

namespace {

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

// A directive line: the keyword field to column 14, the name field to
// column 24, "= " and the value from column 27.
QString Directive(const QString& keyword, const QString& name, const QString& value) {
    return keyword.leftJustified(14) + name.leftJustified(10) + QStringLiteral("= ") + value;
}

QString SectionKeyword(int number) {
    return QStringLiteral(".Section[") + Number(number, 3, QLatin1Char(' ')) + QStringLiteral("] ");
}

QString YesNo(bool value) {
    return value ? QStringLiteral("\"Yes\"") : QStringLiteral("\"No\"");
}

QString BlockSeparator() {
    return QLatin1Char(';') + QStringLiteral("=-").repeated(49) + QLatin1Char('=');
}

// ";", 53 blanks, then the time as hh:mm:ss, yyyy/MM/dd. in fixed digits,
// whatever the system's date settings.
QString TimeStampLine(const QDateTime& now) {
    const QDate d = now.date();
    const QTime t = now.time();
    const QChar zero = QLatin1Char('0');
    return QLatin1Char(';') + QString(53, QLatin1Char(' ')) +
           QStringLiteral("The file was built up at ") + Number(t.hour(), 2, zero) +
           QLatin1Char(':') + Number(t.minute(), 2, zero) + QLatin1Char(':') +
           Number(t.second(), 2, zero) + QStringLiteral(", ") + Number(d.year(), 4, zero) +
           QLatin1Char('/') + Number(d.month(), 2, zero) + QLatin1Char('/') +
           Number(d.day(), 2, zero) + QLatin1Char('.');
}

// The path of the file in List_File row `row` with the id `id`. Rows and
// file list entries stand in the same order, so the row's own entry is
// taken: a loaded script may list one id twice, and each row keeps its
// file. Otherwise the lookup by id decides (and fails for an unknown id).
QString RowPath(const FileList& files, int row, int32_t id) {
    if (row < files.Count() && files.Items()[static_cast<size_t>(row)].Id == id)
        return files.Items()[static_cast<size_t>(row)].Path;
    return files.GetPath(id);
}

} // namespace

void TForm1::Menu_File_SaveClick(QObject*) {
    if (!Save->Execute(this)) return;
    const QString path = Save->FileName;
    if (ReplaceRefused(path)) return;
    // The writer checks the project before it writes anything, and keeps the
    // old file whole until the new one is complete wherever it can make a new
    // file beside it.
    WriteScriptFile(path);
}

bool TForm1::WriteScriptFile(const QString& path) {
    // Every WAV file must have a path the script file can carry, must still
    // be there and still be 8-bit mono PCM; the first one that fails ends
    // the save before anything is written.
    for (int row = 0; row < List_File->ItemCount(); ++row) {
        const int32_t id = FileIdOfRow(row);
        if (id == 0)
            ShowMessageBox(QStringLiteral("Failed To Build  File: ") + List_File->Caption(row),
                           mkError);
        // No file has the id 0: its lookup ends the save here.
        const QString wav = RowPath(Files, row, id);
        if (PathRefusedByScript(wav)) return false;
        WaveHeader header;
        if (!header.Load(wav)) {
            ShowMessageBox(QStringLiteral("The File: \"") + wav +
                               QStringLiteral("\" does not exist!"),
                           mkError);
            return false;
        }
        if (!header.IsPcm8Mono()) {
            ShowMessageBox(QStringLiteral("The File: \"") + wav +
                               QStringLiteral("\" is Not A PCM, 8-BIT, MONO, WAVE File!"),
                           mkError);
            return false;
        }
    }

    QStringList lines;
    lines << QLatin1Char(';') + QString(99, QLatin1Char('='));
    lines << QStringLiteral("; KelvxxM Standard Code Log File Ver: 1.0");
    lines << TimeStampLine(QDateTime::currentDateTime());
    lines << BlockSeparator();
    lines << Directive(QStringLiteral(".Silence"), QStringLiteral("DefSil"), QStringLiteral("8"));
    const QString global = QStringLiteral(".Global");
    lines << Directive(global, QStringLiteral("$Rck"), QStringLiteral("8000000"));
    lines << Directive(global, QStringLiteral("$Encoder"), QStringLiteral("5 \"EQ01\" 26"));
    lines << Directive(global, QStringLiteral("$Offset"), QStringLiteral("0000h"));
    lines << Directive(global, QStringLiteral("$RampEn"), YesNo(Menu_Vout_DAC->isChecked()));
    int funcCode = ModeCodes()[0].Code; // Key Trigger when no item is checked
    for (const ModeCode& mode : ModeCodes())
        if (mode.Item->isChecked()) funcCode = mode.Code;
    lines << Directive(global, QStringLiteral("$FuncCode"), QString::number(funcCode));
    // One past the last section that plays anything; 0 when none does.
    int sbtMax = 0;
    for (int i = static_cast<int>(Sections.size()) - 1; i >= 0; --i)
        if (!Sections[static_cast<size_t>(i)].IsEmpty()) {
            sbtMax = i + 1;
            break;
        }
    lines << Directive(global, QStringLiteral("$SbtMax"), QString::number(sbtMax));
    lines << BlockSeparator();

    for (int row = 0; row < List_File->ItemCount(); ++row) {
        const int32_t id = FileIdOfRow(row);
        lines << QStringLiteral(".PCM          V") + Number(id, 4, QLatin1Char('0')) +
                     QStringLiteral("     = \"") + RowPath(Files, row, id) + QLatin1Char('"');
    }
    lines << BlockSeparator();

    const QString sectionRule = QLatin1Char(';') + QString(99, QLatin1Char('-'));
    for (int i = 0; i < static_cast<int>(Sections.size()); ++i) {
        const Section& s = Sections[static_cast<size_t>(i)];
        const QString keyword = SectionKeyword(i + 1);
        lines << Directive(keyword, QStringLiteral("$Edge"), YesNo(s.GetEdge()));
        lines << Directive(keyword, QStringLiteral("$Hold"), YesNo(s.GetHold()));
        lines << Directive(keyword, QStringLiteral("$ReTrg"), YesNo(s.GetReTrg()));
        const QString groups = QStringLiteral("$Groups");
        if (s.IsEmpty()) lines << Directive(keyword, groups, QStringLiteral("DefSil (8000) :0"));
        VocTb entry{};
        for (int j = 0; s.GetVoice(j, entry); ++j)
            lines << Directive(keyword, groups,
                               QLatin1Char('V') + Number(entry.FileId, 4, QLatin1Char('0')) +
                                   QStringLiteral("  (") + Number(entry.Rate, 5, QLatin1Char(' ')) +
                                   (entry.Busy ? QStringLiteral(") :1") : QStringLiteral(") :0")));
        lines << sectionRule;
    }

    // Paths go out in the 8-bit code page like every other character.
    const QByteArray text =
        platform::to_ansi(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    switch (ReplaceFile(path, text)) {
    case ReplaceResult::Written:
        return true;
    case ReplaceResult::NotCreated:
        ShowMessageBox(QStringLiteral("Failed To Create Log File!"), mkError);
        return false;
    case ReplaceResult::NotWritten:
        // A full disk or a failed close must not pass for a saved project.
        ShowMessageBox(QStringLiteral("Failed To Write Log File!"), mkError);
        return false;
    }
    return false;
}
