/* libFuzzer entry point over lsys's command line: one input is one argument list (arguments
 * separated by newlines), run through the whole program in a scratch folder that holds two
 * small descriptions. A '/' becomes '_', so no argument can name a file outside that folder. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"

namespace {

std::string gDir;

void writeFile(const char *name, const char *text) {
    FILE *f = fopen((gDir + "/" + name).c_str(), "w");
    if (f) fputs(text, f), fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    char tmpl[] = "/tmp/fuzz_args.XXXXXX";
    if (!mkdtemp(tmpl) || chdir(tmpl) != 0) abort();
    gDir = tmpl;
    atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(gDir, ec);
    });
    /* The program's output is not what is tested; the sanitizers still report on fd 2. */
    if (!freopen("/dev/null", "w", stdout)) return 0;
    stderr = fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    /* Small descriptions (the argument handling is under test, not the engine's budgets). */
    writeFile("d.ls", "recursion 2\naxiom F[+F]X\nrule X=F-X\ncolour 1\n");
    writeFile("t.ls", "axiom F\n");
    std::vector<std::string> args{"lsys"};
    std::string arg;
    for (size_t i = 0; i <= size && args.size() < 16; i++) {
        if (i == size || data[i] == '\n') {
            args.push_back(arg);
            arg.clear();
        } else {
            arg += data[i] == '/' ? '_' : data[i] ? (char)data[i] : ' ';
        }
    }
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(NULL);
    int status = lsysMain((int)args.size(), argv.data());
    if (status < 0 || status > 2) abort(); /* the documented statuses only */
    /* Leave only the two descriptions for the next input. */
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(gDir, ec))
        if (e.path().filename() != "d.ls" && e.path().filename() != "t.ls")
            std::filesystem::remove_all(e.path(), ec);
    return 0;
}
