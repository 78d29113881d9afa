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

/* The engine's "no hit" error: a replay that finds nothing better leaves it in place. */
const float kNoHit = 3.0f;

/* One level of the derivation: the production's body and the token its read position marks. */
QJsonObject level(const lsys_t *l, int i) {
    QJsonObject o;
    o["level"] = i;
    const tok_t *t = gPick.selStack[i] - 1;
    const int slot = findProd(l, t);
    if (slot < 0) { /* printed as "??" */
        o["axiom"] = false;
        o["rule"] = o["body"] = o["mark"] = QJsonValue();
        return o;
    }
    o["axiom"] = slot == LSYS_AXIOM;
    o["rule"] = slot == LSYS_AXIOM ? QJsonValue() : QJsonValue(QString(QChar(slot)));
    std::string body;
    const tok_t *first = l->rules[slot];
    for (const tok_t *u = first; u->cmd; u++) {
        body += (char)u->cmd;
        if (u->cmd == '(') {
            char buf[64];
            lsysFormatf(buf, sizeof buf, "%0.1f)", u->param);
            body += buf;
        }
    }
    o["body"] = jsonLatin1(body);
    o["mark"] = (qint64)(t - first);
    return o;
}

/* The replay lsysSelect does, without its printout; the result stays in gPick. */
void replay(lsys_t *l, const float p[3]) {
    for (int i = 0; i < 3; i++)
        gPick.selIp[i] = p[i];
    gPick.select = 1;
    gPick.selErr = kNoHit;
    gPick.selSp = -1;
    lsysDraw(l, nullTrace);
    gPick.select = 0;
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
        replay(l, p);
        QJsonObject o;
        o["file"] = jsonFileName(file);
        const bool hit = gPick.selErr < kNoHit;
        o["hit"] = hit;
        o["err"] = hit ? jsonNumber(gPick.selErr) : QJsonValue();
        o["sp"] = hit ? QJsonValue((int)gPick.selSp) : QJsonValue();
        QJsonArray levels;
        for (int i = hit ? gPick.selSp - 1 : -1; i >= 0; i--)
            levels.append(level(l, i));
        o["levels"] = levels;
        fputs(jsonLine(o).c_str(), stdout);
    } else {
        lsysSelect(l, p);
    }
    fflush(stdout);
    lsysFree(l);
    return commandStatus();
}
