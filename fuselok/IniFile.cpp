#include "IniFile.h"

#include "code_page.h"
#include "regular_file.h"

#include <QByteArray>

#include <ini.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// A settings file is a few lines; anything much larger is not one.
constexpr int kMaxFile = 1 << 20;

// The parser would also end a name at ':'. Here only '=' does: a ':' before
// it belongs to the name, carried through the parser as this character.
constexpr char kNameColon = '\x1F';

// White space as the parser takes it: it trims lines and names with
// isspace(), so a vertical tab or a form feed before a section header is no
// part of the line, for the pass below as for the parser.
bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// inih's settings are the whole process's: they are set for one parse and
// put back as they were.
class ParserSettings {
  public:
    ParserSettings()
        : multiline(ini_allow_multiline), inlineComments(ini_allow_inline_comments),
          useStack(ini_use_stack), realloc(ini_allow_realloc), maxLine(ini_max_line) {
        ini_allow_multiline = false;
        ini_allow_inline_comments = false;
        // Lines of any length (a long editor path) are read whole.
        ini_use_stack = false;
        ini_allow_realloc = true;
        ini_max_line = kMaxFile + 3;
    }
    ~ParserSettings() {
        ini_allow_multiline = multiline;
        ini_allow_inline_comments = inlineComments;
        ini_use_stack = useStack;
        ini_allow_realloc = realloc;
        ini_max_line = maxLine;
    }
    ParserSettings(const ParserSettings&) = delete;
    ParserSettings& operator=(const ParserSettings&) = delete;

  private:
    const bool multiline, inlineComments, useStack, realloc;
    const int maxLine;
};

bool ReadText(const QString& path, std::string& text) {
    struct stat info {};
    const int fd = platform::open_regular_file(path, &info);
    if (fd < 0) return false;
    if (info.st_size > kMaxFile) {
        ::close(fd);
        return false;
    }
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<size_t>(n));
            if (text.size() > static_cast<size_t>(kMaxFile)) break;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    ::close(fd);
    // Several Windows editors start a UTF-8 file with a byte order mark; it
    // is no part of the first line.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) text.erase(0, kByteOrderMark.size());
    // The text ends at a NUL byte, as the parser reads it.
    text.resize(std::min(text.size(), text.find('\0')));
    return true;
}

// A line without '=' gives no value at all; a ':' before the '=' is kept
// in the name.
void OnlyEqualsEndsAName(std::string& text) {
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        size_t first = start;
        while (first < end && IsBlank(text[first]))
            ++first;
        if (first < end && text[first] != '[' && text[first] != ';' && text[first] != '#') {
            const size_t equals = text.find('=', first);
            if (equals >= end) {
                std::fill(text.begin() + first, text.begin() + end, ' ');
            } else {
                std::replace(text.begin() + first, text.begin() + equals, ':', kNameColon);
            }
        }
        start = end + 1;
    }
}

// Decimal with an optional sign, or hexadecimal after "$" or "0x" (and the
// optional sign): a decimal value must fit a signed 32-bit integer, the
// digits of a hexadecimal one 32 bits.
bool ParseInteger(const QString& text, long long& value) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.front() == QLatin1Char('-');
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t.remove(0, 1);
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty()) return false;
    for (QChar c : t) {
        const bool digit = base == 10 ? (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                                      : QStringLiteral("0123456789abcdefABCDEF").contains(c);
        if (!digit) return false;
    }
    bool ok = false;
    unsigned long long magnitude = t.toULongLong(&ok, base);
    if (!ok) return false;
    if (base == 10 ? magnitude > (negative ? 2147483648ULL : 2147483647ULL)
                   : magnitude > 0xFFFFFFFFULL)
        return false;
    value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

} // namespace

IniFile::IniFile(const QString& path) {
    std::string text;
    if (!ReadText(path, text)) return;
    OnlyEqualsEndsAName(text);
    const ParserSettings settings;
    ini_parse_string(text.c_str(), &IniFile::Entry, this);
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& fallback) const {
    for (const Item& item : items)
        if (item.section.compare(section, Qt::CaseInsensitive) == 0 &&
            item.key.compare(key, Qt::CaseInsensitive) == 0)
            return item.value;
    return fallback;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool fallback) const {
    long long value = 0;
    if (!ParseInteger(ReadString(section, key, QString()), value)) return fallback;
    return value != 0;
}

int IniFile::Entry(void* user, const char* section, const char* key, const char* value) {
    auto* self = static_cast<IniFile*>(user);
    QByteArray name(key);
    name.replace(kNameColon, ':');
    QString v = platform::from_ansi(QByteArray(value));
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
        v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    self->items.push_back(
        {platform::from_ansi(QByteArray(section)), platform::from_ansi(name), std::move(v)});
    return 1;
}
