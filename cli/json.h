/* JSON output through Qt's JSON classes: one compact object per line. */
#ifndef SPRIG_CLI_JSON_H
#define SPRIG_CLI_JSON_H

#include <string>

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

/* A file name as a JSON string: read as UTF-8 when it is valid UTF-8 (as Linux file names
 * usually are), as Latin-1 otherwise, so every name gives valid JSON. */
QJsonValue jsonFileName(const std::string &bytes);

/* The engine's ISO Latin 1 text as a JSON string. */
QJsonValue jsonLatin1(const std::string &bytes);

/* A float as the shortest decimal that reads back the same float; null when not finite (JSON
 * has no infinity or NaN). */
QJsonValue jsonNumber(float v);

/* The stored messages of the description text, each {"code", "line", "kind", "text"} ("line"
 * 1-based, or null for a message about no line). */
QJsonArray jsonMessages(const std::string &text);

/* The object as one line of compact JSON, newline included. */
std::string jsonLine(const QJsonObject &o);

#endif
