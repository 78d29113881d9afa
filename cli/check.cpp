/* lsys check: parse and draw each description and list its problems, as text lines or as one
 * JSON object per file. Unlike the editor, which keeps twelve messages, up to a thousand are
 * listed, then their count. */
#include "commands.h"

#include <stdio.h>

#include "describe.h"
#include "json.h"
#include "report.h"

static void countVertex(void *ctx, const float *) {
    ++*static_cast<unsigned long long *>(ctx);
}

static void countBatch(void *ctx, const float *, const float (*)[3], const float (*)[3],
                       const uint16_t *, int n, int) {
    *static_cast<unsigned long long *>(ctx) += (unsigned)n;
}

static std::string jsonReport(const std::string &file, const std::string &text, const lsys_t *l,
                              unsigned long long vertices) {
    QJsonObject o;
    o["file"] = jsonFileName(file);
    o["messages"] = jsonMessages(text);
    o["more_messages"] = (qint64)cliMessagesOmitted();
    o["polygon_count"] = (qint64)l->polygon_count;
    QJsonArray bounds;
    for (const float *b : {l->bounds.min, l->bounds.max})
        for (int i = 0; i < 3; i++)
            bounds.append(jsonNumber(b[i]));
    o["bounds"] = bounds;
    o["triangles"] = (qint64)(vertices / 3);
    return jsonLine(o);
}

/* Checks one file; returns its exit status. */
static int checkOne(const std::string &file, bool json, bool stats, float growth) {
    std::string text, err;
    if (!describeRead(file, &text, &err)) {
        fprintf(stderr, "lsys: %s: %s\n", file.c_str(), err.c_str());
        /* Standard output says which file failed too, so a reader of the JSON lines misses
         * nothing. */
        if (json)
            fputs(jsonLine({{"file", jsonFileName(file)}, {"error", jsonLatin1(err)}}).c_str(),
                  stdout);
        return EXIT_USAGE;
    }
    unsigned long long vertices = 0;
    emit_t counter = {&vertices, NULL, NULL, countVertex, countBatch};
    cliMessagesClear();
    lsys_t *l = describeDraw(text, growth, &counter);
    if (!l) {
        fprintf(stderr, "lsys: %s: out of memory\n", file.c_str());
        return EXIT_USAGE;
    }
    if (json)
        fputs(jsonReport(file, text, l, vertices).c_str(), stdout);
    else
        reportHumanAll(stdout, file, text, stats);
    lsysFree(l);
    return commandStatus();
}

int checkCommand(const std::vector<std::string> &files, bool json, bool stats, float growth) {
    int status = 0;
    for (const std::string &file : files) {
        int s = checkOne(file, json, stats, growth);
        if (s > status) status = s;
        /* A failed write ends the listing; lsysMain reports it. */
        if (fflush(stdout) != 0 || ferror(stdout)) break;
    }
    return status;
}
