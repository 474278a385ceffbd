#include "code_page.h"

namespace platform {

QByteArray to_ansi(const QString& text) {
    return text.toLocal8Bit();
}

QString from_ansi(const QByteArray& bytes) {
    return QString::fromLocal8Bit(bytes);
}

bool to_ansi_exact(const QString& text, QByteArray& out) {
    QByteArray bytes = text.toLocal8Bit();
    if (QString::fromLocal8Bit(bytes) != text) return false;
    out = std::move(bytes);
    return true;
}

} // namespace platform
