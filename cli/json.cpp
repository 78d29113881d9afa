/* JSON values (see json.h). */
#include "json.h"

#include <math.h>
#include <stdlib.h>

#include <QJsonDocument>
#include <QStringDecoder>

#include "lsys.h"
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
    /* Nine significant digits identify a float; read back as a double they print no longer. */
    char buf[32];
    lsysFormatf(buf, sizeof buf, "%.9g", (double)v);
    return strtod(buf, NULL);
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
