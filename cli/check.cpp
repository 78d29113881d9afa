/* lsys check: parse and draw each description and list its problems, as text lines or as one
 * JSON object per file. Unlike the editor, which keeps twelve messages, every message is
 * listed. */
#include "commands.h"

#include <stdio.h>

#include "describe.h"
#include "json.h"
#include "report.h"

static void countVertex(void *ctx, const float *) {
    ++*static_cast<unsigned long long *>(ctx);
}

static std::string jsonReport(const std::string &file, const lsys_t *l,
                              const std::vector<cli_msg_t> &msgs, unsigned long long vertices) {
    std::string out = "{\"file\": " + jsonFileName(file) + ", \"messages\": [";
    for (size_t i = 0; i < msgs.size(); i++) {
        if (i) out += ", ";
        out += "{\"code\": " + std::to_string(msgs[i].code) +
               ", \"text\": " + jsonLatin1(msgs[i].text) + "}";
    }
    out += "], \"polygon_count\": " + std::to_string(l->polygon_count) + ", \"bounds\": [";
    const float *b[6] = {&l->bounds.min[0], &l->bounds.min[1], &l->bounds.min[2],
                         &l->bounds.max[0], &l->bounds.max[1], &l->bounds.max[2]};
    for (int i = 0; i < 6; i++)
        out += (i ? ", " : "") + jsonNumber(*b[i]);
    out += "], \"triangles\": " + std::to_string(vertices / 3) + "}\n";
    return out;
}

/* Checks one file; returns its exit status. */
static int checkOne(const std::string &file, bool json, bool stats, float growth) {
    std::string text, err;
    if (!describeRead(file, &text, &err)) {
        fprintf(stderr, "lsys: %s: %s\n", file.c_str(), err.c_str());
        if (json)
            printf("{\"file\": %s, \"error\": %s}\n", jsonFileName(file).c_str(),
                   jsonLatin1(err).c_str());
        return EXIT_USAGE;
    }
    unsigned long long vertices = 0;
    emit_t counter = {&vertices, NULL, NULL, countVertex};
    cliMessagesClear();
    lsys_t *l = describeDraw(text, growth, &counter);
    if (!l) {
        fprintf(stderr, "lsys: %s: out of memory\n", file.c_str());
        return EXIT_USAGE;
    }
    const std::vector<cli_msg_t> &msgs = cliMessages();
    if (json)
        fputs(jsonReport(file, l, msgs, vertices).c_str(), stdout);
    else
        reportHumanAll(stdout, file, text, msgs, stats);
    lsysFree(l);

    for (const cli_msg_t &m : msgs)
        if (reportIsProblem(m)) return EXIT_PROBLEMS;
    return 0;
}

int checkCommand(const std::vector<std::string> &files, bool json, bool stats, float growth) {
    int status = 0;
    for (const std::string &file : files) {
        int s = checkOne(file, json, stats, growth);
        if (s > status) status = s;
        fflush(stdout);
    }
    return status;
}
