/* JSON values (see json.h). */
#include "json.h"

#include <math.h>

#include <charconv>

#include <QJsonDocument>
#include <QStringDecoder>

#include "report.h"

QJsonValue jsonFileName(const std::string &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(QByteArrayView(bytes.data(), (qsizetype)bytes.size()));
    if (utf8.hasError()) return jsonLatin1(bytes);
    return s;
}

QJsonValue jsonLatin1(const std::string &bytes) {
    return QString::fromLatin1(bytes.data(), (qsizetype)bytes.size());
}

QJsonValue jsonNumber(float v) {
    if (!isfinite(v)) return QJsonValue(QJsonValue::Null);
    /* The fewest digits that read back as this float (0.1f is 0.1), held as the double of that
     * decimal: Qt writes a double with the fewest digits that read back as the double, which
     * for a decimal of at most nine digits are those digits. (Qt chooses the notation: fixed,
     * with trailing zeros, up to about 1e16.) */
    char buf[32];
    double d = 0;
    const std::to_chars_result r =
        std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::from_chars(buf, r.ptr, d);
    return d;
}

QJsonArray jsonMessages(const std::string &text) {
    const LineIndex lines(text);
    QJsonArray out;
    for (const cli_msg_t &m : cliMessages()) {
        QJsonObject o;
        o["code"] = m.code;
        o["line"] = m.code >= 0 ? QJsonValue((qint64)lines.line((size_t)m.code)) : QJsonValue();
        o["kind"] = reportKind(m.code);
        o["text"] = jsonLatin1(m.text);
        out.append(o);
    }
    return out;
}

std::string jsonLine(const QJsonObject &o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() + "\n";
}
