/* lsys pick: replay the drawing as hit tests against a model-space point and let lsysSelect
 * print the derivation of the element found. Standard output carries only that printout; the
 * description's own problems go to standard error. */
#include "commands.h"

#include <stdio.h>
#include <stdlib.h>

#include "describe.h"
#include "report.h"

int pickCommand(const std::string &file, const float p[3], float growth) {
    std::string text, err;
    if (!describeRead(file, &text, &err)) {
        fprintf(stderr, "lsys: %s: %s\n", file.c_str(), err.c_str());
        return EXIT_USAGE;
    }
    cliMessagesClear();
    lsys_t *l = describeParse(text, growth);
    if (!l) {
        fprintf(stderr, "lsys: %s: out of memory\n", file.c_str());
        return EXIT_USAGE;
    }
    reportHumanAll(stderr, file, text, cliMessages(), false);
    /* describeParse seeded the generator; the replay must draw the same shape as the
     * editor's refresh, so nothing may call rand() in between. */
    fflush(stdout);
    lsysSelect(l, p);
    fflush(stdout);
    lsysFree(l);
    return 0;
}
