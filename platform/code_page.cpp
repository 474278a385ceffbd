#include "code_page.h"

#include <QStringDecoder>

namespace platform {

namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0 when the byte
// there starts none (a stray continuation byte, an overlong form, a
// surrogate, a value past U+10FFFF or a sequence cut short).
qsizetype utf8_sequence(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    qsizetype length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (qsizetype i = at + 2; i < at + length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

constexpr char16_t kEscapeBase = 0xDC00;

bool is_escape(QChar c) {
    return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF;
}

// Bytes that are all well-formed sequences, as text. Every byte is part of
// the text: a leading EF BB BF is the character U+FEFF of a name or a line,
// not a mark to drop, or a name starting with it would open its twin
// without it.
QString decode(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::System, QStringConverter::Flag::ConvertInitialBom);
    return decoder(bytes);
}

} // namespace

QByteArray to_ansi(const QString& text) {
    return text.toLocal8Bit();
}

QString from_ansi(const QByteArray& bytes) {
    QString text;
    qsizetype run = 0; // start of the bytes that decode
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype length = utf8_sequence(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        text += decode(bytes.mid(run, at - run));
        text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
        run = ++at;
    }
    return text + decode(bytes.mid(run));
}

bool to_ansi_exact(const QString& text, QByteArray& out) {
    QByteArray bytes = text.toLocal8Bit();
    if (from_ansi(bytes) != text) return false;
    out = std::move(bytes);
    return true;
}

bool fits_code_page(const QString& text) {
    QByteArray unused;
    return to_ansi_exact(text, unused);
}

QByteArray to_file_name(const QString& name) {
    QByteArray bytes;
    qsizetype run = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        // A low surrogate after a high one is half of a character, not an
        // escaped byte.
        if (!is_escape(name[i]) || (i > 0 && name[i - 1].isHighSurrogate())) continue;
        bytes += to_ansi(name.mid(run, i - run));
        bytes += static_cast<char>(name[i].unicode() - kEscapeBase);
        run = i + 1;
    }
    return bytes + to_ansi(name.mid(run));
}

} // namespace platform
