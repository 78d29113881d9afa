/* lsys pick: replay the drawing as hit tests against a model-space point and print the
 * derivation of the element found, as lsysSelect prints it, or (--json) the same facts as one
 * JSON object. Standard output carries only that; the description's own problems go to
 * standard error. */
#include "commands.h"

#include <stdio.h>
#include <stdlib.h>

#include "describe.h"
#include "json.h"
#include "report.h"

namespace {

/* One level of the derivation: the production's body and the token marked in it, the command
 * that drew the element at the deepest level and the rule symbol read at the others (the same
 * facts lsysSelect prints). */
QJsonObject level(const lsys_t *l, const pick_result_t &r, int i) {
    QJsonObject o;
    o["level"] = i;
    const pick_level_t at = r.level[i];
    if (at.slot < 0) { /* printed as "??" */
        o["axiom"] = false;
        o["rule"] = o["body"] = o["mark"] = QJsonValue();
        return o;
    }
    o["axiom"] = at.slot == LSYS_AXIOM;
    o["rule"] = at.slot == LSYS_AXIOM ? QJsonValue() : QJsonValue(QString(QChar(at.slot)));
    std::string body;
    for (const tok_t *u = l->rules[at.slot]; u->cmd; u++) {
        body += (char)u->cmd;
        if (u->cmd == '(') {
            char buf[64];
            lsysFormatf(buf, sizeof buf, "%0.1f)", u->param);
            body += buf;
        }
    }
    o["body"] = jsonLatin1(body);
    o["mark"] = (qint64)at.token;
    return o;
}

} // namespace

int pickCommand(const std::string &file, const float p[3], float growth, bool json) {
    std::string text;
    if (!commandRead(file, &text)) return EXIT_USAGE;
    cliMessagesClear();
    /* Drawn once for the description's problems, as the other commands list them. */
    lsys_t *l = describeDraw(text, growth, NULL);
    if (!l) {
        fprintf(stderr, "lsys: %s: out of memory\n", file.c_str());
        return EXIT_USAGE;
    }
    reportHumanAll(stderr, file, text, false);
    /* The replay must draw the same shape as the editor's refresh: the same seed, and nothing
     * may call rand() in between. */
    srand(0);
    fflush(stdout);
    if (json) {
        static pick_result_t r; /* 832 bytes; picking is not reentrant anyway */
        lsysPick(l, p, &r);
        QJsonObject o;
        o["file"] = jsonFileName(file);
        const bool hit = r.hit != 0;
        o["hit"] = hit;
        o["err"] = hit ? jsonNumber(r.err) : QJsonValue();
        o["sp"] = hit ? QJsonValue((int)r.levels) : QJsonValue();
        QJsonArray levels;
        for (int i = hit ? r.levels - 1 : -1; i >= 0; i--)
            levels.append(level(l, r, i));
        o["levels"] = levels;
        fputs(jsonLine(o).c_str(), stdout);
    } else {
        lsysSelect(l, p);
    }
    fflush(stdout);
    lsysFree(l);
    return commandStatus();
}
