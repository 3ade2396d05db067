#include "SimText.h"

#include <QStringEncoder>

#include "base/HexDigits.h"

std::optional<QByteArray> simulatorBytes(const QString& text, QString& error) {
    QByteArray bytes;
    QStringEncoder sjis("Shift_JIS");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\')) {
            if (c.unicode() < 0x80) {
                bytes += static_cast<char>(c.unicode());
                continue;
            }
            // A character with its surrogate partner, if it has one.
            const qsizetype length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const QByteArray encoded = sjis.encode(text.mid(i, length));
            if (sjis.hasError() || encoded.isEmpty() || encoded.contains('?')) {
                error = QStringLiteral("Shift_JISで送れない文字です: %1").arg(text.mid(i, length));
                return std::nullopt;
            }
            bytes += encoded;
            i += length - 1;
            continue;
        }
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (next == QLatin1Char('r')) {
            bytes += '\r';
        } else if (next == QLatin1Char('n')) {
            bytes += '\n';
        } else if (next == QLatin1Char('t')) {
            bytes += '\t';
        } else if (next == QLatin1Char('\\')) {
            bytes += '\\';
        } else if (next == QLatin1Char('x') && i + 3 < text.size() &&
                   hexPair(text[i + 2].unicode(), text[i + 3].unicode()) >= 0) {
            bytes += static_cast<char>(hexPair(text[i + 2].unicode(), text[i + 3].unicode()));
            i += 2;
        } else {
            error = QStringLiteral("使えないエスケープです (\\r \\n \\t \\\\ \\xHH)");
            return std::nullopt;
        }
        ++i;
    }
    return bytes;
}
