/* The lsys program: reads the command line and dispatches to the subcommands of commands.h.
 * Also the entry point of the argument fuzzer. */
#include "commands.h"

#include <float.h>
#include <math.h>
#include <stdio.h>

#include <new>
#include <string>
#include <vector>

#include "args.h"
#include "describe.h"
#include "export.h"
#include "report.h"

#ifdef SPRIG_HAVE_RENDER
#include "render.h"
#endif

#ifndef SPRIG_VERSION
#define SPRIG_VERSION "unknown"
#endif

namespace {

const char kUsage[] =
    "usage: lsys COMMAND [OPTIONS] ...\n"
    "\n"
    "Commands:\n"
    "  check [--json] [--stats] [--growth G] FILE...\n"
    "      List each description's problems.\n"
    "  export FILE -o OUT [--growth G]\n"
    "      Write the drawn model as a mesh (.glb .gltf .3mf .ply .obj .stl).\n"
    "  pick FILE X Y Z [--json] [--growth G]\n"
    "      Print the derivation of the element at the model-space point (X, Y, Z).\n"
    "  render FILE -o OUT [OPTIONS]\n"
    "      Draw a description to a picture without a window (builds with the 3D view).\n"
    "  help [COMMAND]\n"
    "      Show this help, or a command's.\n"
    "\n"
    "--growth G multiplies the description's recursion depth, as the editor's growth\n"
    "control does (G >= 0, default 1).\n"
    "\n"
    "Exit status: 0 clean; 1 a description had problems (the output is still written);\n"
    "2 usage, file, memory or OpenGL failure.\n"
    "\n"
    "Options: -h, --help   show this help;  --version   show the version.\n";

const char kCheckHelp[] =
    "usage: lsys check [--json] [--stats] [--growth G] FILE...\n"
    "List each description's problems as FILE:LINE: text (or FILE: text, FILE: exec: text,\n"
    "FILE: unknown: text), at most 1000 per file and then how many more there were.\n"
    "  --stats      add the drawing statistics as FILE: info: text\n"
    "  --json       one JSON object per file: file, messages (code, line, kind, text),\n"
    "               more_messages, polygon_count, bounds, triangles\n"
    "  --growth G   multiply the recursion depth by G (default 1)\n";

const char kExportHelp[] =
    "usage: lsys export FILE -o OUT [--growth G]\n"
    "Write the drawn model in the format of OUT's extension: .glb .gltf (glTF 2.0, y up),\n"
    ".3mf, .ply, .obj (with a .mtl beside it), .stl. OUT is replaced only when complete.\n"
    "  -o, --output OUT   the file to write\n"
    "  --growth G         multiply the recursion depth by G (default 1)\n";

const char kPickHelp[] =
    "usage: lsys pick FILE X Y Z [--json] [--growth G]\n"
    "Print the derivation of the element at the model-space point (X, Y, Z), or \"nothing\".\n"
    "Use -- before a negative first coordinate if it could read as an option.\n"
    "  --json       one JSON object: file, hit, err, sp, levels (level, axiom, rule, body,\n"
    "               mark: the index of the marked token in body)\n"
    "  --growth G   multiply the recursion depth by G (default 1)\n";

int usageError(const std::string &command, const std::string &message) {
    fprintf(stderr, "lsys: %s\nTry 'lsys help%s' for more information.\n", message.c_str(),
            command.empty() ? "" : (" " + command).c_str());
    return EXIT_USAGE;
}

int runCheck(int argc, char **argv) {
    args_t a = argsScan(argc, argv, 2, {{"growth", "G"}, {"json", NULL}, {"stats", NULL}});
    if (!a.error.empty()) return usageError("check", a.error);
    if (a.help) return fputs(kCheckHelp, stdout), 0;
    float growth;
    std::string err;
    if (!argsGrowth(a, &growth, &err)) return usageError("check", err);
    if (a.operands.empty()) return usageError("check", "check needs at least one FILE");
    return checkCommand(a.operands, a.has("json"), a.has("stats"), growth);
}

int runExport(int argc, char **argv) {
    args_t a = argsScan(argc, argv, 2, {{"growth", "G"}, {"o,output", "OUT"}});
    if (!a.error.empty()) return usageError("export", a.error);
    if (a.help) return fputs(kExportHelp, stdout), 0;
    float growth;
    std::string err, out = a.value("output");
    if (!argsGrowth(a, &growth, &err)) return usageError("export", err);
    if (a.operands.size() != 1) return usageError("export", "export needs exactly one FILE");
    if (out.empty()) return usageError("export", "export needs -o OUT");
    if (exportFormatOf(out) == EXPORT_UNKNOWN)
        return usageError("export", "cannot tell the format of '" + out +
                                        "': use .glb, .gltf, .3mf, .ply, .obj or .stl");
    return exportCommand(a.operands[0], out, growth);
}

int runPick(int argc, char **argv) {
    args_t a = argsScan(argc, argv, 2, {{"growth", "G"}, {"json", NULL}});
    if (!a.error.empty()) return usageError("pick", a.error);
    if (a.help) return fputs(kPickHelp, stdout), 0;
    float growth;
    std::string err;
    if (!argsGrowth(a, &growth, &err)) return usageError("pick", err);
    if (a.operands.size() != 4) return usageError("pick", "pick needs FILE X Y Z");
    float p[3];
    for (int i = 0; i < 3; i++) {
        double v;
        const std::string &text = a.operands[1 + i];
        if (!argsNumber(text.c_str(), &v) || fabs(v) > FLT_MAX)
            return usageError("pick", std::string(1, "XYZ"[i]) + " must be a finite number, not '" +
                                          text + "'");
        p[i] = (float)v;
    }
    return pickCommand(a.operands[0], p, growth, a.has("json"));
}

int runRender(int argc, char **argv) {
#ifdef SPRIG_HAVE_RENDER
    return lsysRenderCommand(argc - 1, argv + 1);
#else
    (void)argc, (void)argv;
    fprintf(stderr, "lsys: render is not available in this build\n");
    return EXIT_USAGE;
#endif
}

int help(const std::string &command) {
    if (command.empty()) return fputs(kUsage, stdout), 0;
    if (command == "check") return fputs(kCheckHelp, stdout), 0;
    if (command == "export") return fputs(kExportHelp, stdout), 0;
    if (command == "pick") return fputs(kPickHelp, stdout), 0;
    if (command == "help") return fputs(kUsage, stdout), 0;
    if (command == "render") {
        char name[] = "render", flag[] = "--help";
        char *args[] = {NULL, name, flag, NULL};
        return runRender(3, args);
    }
    return usageError("", "unknown command '" + command + "'");
}

int dispatch(int argc, char **argv) {
    if (argc < 2) return usageError("", "no command given");
    const std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h") return help("");
    if (cmd == "help") {
        if (argc > 3) return usageError("", "help takes at most one COMMAND");
        return help(argc == 3 ? argv[2] : "");
    }
    if (cmd == "--version") return printf("lsys (Sprig) %s\n", SPRIG_VERSION), 0;
    if (cmd == "check") return runCheck(argc, argv);
    if (cmd == "export") return runExport(argc, argv);
    if (cmd == "pick") return runPick(argc, argv);
    if (cmd == "render") return runRender(argc, argv);
    return usageError("", "unknown command '" + cmd + "'");
}

} // namespace

bool commandRead(const std::string &file, std::string *text) {
    std::string err;
    if (describeRead(file, text, &err)) return true;
    fprintf(stderr, "lsys: %s: %s\n", file.c_str(), err.c_str());
    return false;
}

int commandStatus() {
    return cliHadProblems() ? EXIT_PROBLEMS : 0;
}

int lsysMain(int argc, char **argv) {
    try {
        return dispatch(argc, argv);
    } catch (const std::bad_alloc &) {
        /* Every output is written through the safe writer, whose unwinding removes the
         * unfinished file: nothing partial is left. */
        fflush(stdout);
        fputs("lsys: out of memory\n", stderr);
        return EXIT_USAGE;
    }
}
