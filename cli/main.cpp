/* lsys: Sprig's command-line tool. Checks, exports, picks and (in GUI builds) renders L-system
 * descriptions without a window. This file reads the command line and dispatches; the work is
 * done by the plain functions of commands.h. */
#include <float.h>
#include <math.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "args.h"
#include "commands.h"
#include "export.h"

#ifdef SPRIG_HAVE_RENDER
int lsysRenderCommand(int argc, char **argv);
#endif

static const char kUsage[] =
    "usage: lsys COMMAND [OPTIONS] ...\n"
    "\n"
    "Commands:\n"
    "  check [--json] [--stats] [--growth G] FILE...\n"
    "      List each description's problems. --stats adds the drawing statistics;\n"
    "      --json prints one JSON object per file.\n"
    "  export FILE -o OUT [--growth G]\n"
    "      Write the drawn model as a mesh; OUT's extension names the format:\n"
    "      .glb .gltf (glTF 2.0, y up), .3mf, .ply, .obj (+ .mtl), .stl.\n"
    "  pick FILE X Y Z [--growth G]\n"
    "      Print the derivation of the element at the model-space point (X, Y, Z).\n"
    "  render ...\n"
    "      Draw a description to an image without a window (see 'lsys render --help';\n"
    "      only in builds with the 3D view).\n"
    "\n"
    "--growth G multiplies the description's recursion depth, as the editor's growth\n"
    "control does (G >= 0, default 1).\n"
    "\n"
    "Exit status: 0 no problem, 1 a description has problems, 2 usage or file error.\n"
    "\n"
    "Options: -h, --help   show this help;  --version   show the version.\n";

static int usageError(const std::string &message) {
    fprintf(stderr, "lsys: %s\nTry 'lsys --help' for more information.\n", message.c_str());
    return EXIT_USAGE;
}

/* The --growth value, 1 when absent; false after reporting a bad one. */
static bool growthOf(const args_t &a, float *growth) {
    *growth = 1.0f;
    if (a.growth.empty()) return true;
    double g;
    if (!argsNumber(a.growth.c_str(), &g) || g < 0 || g > FLT_MAX) {
        usageError("--growth needs a finite number of 0 or more, not '" + a.growth + "'");
        return false;
    }
    *growth = (float)g;
    return true;
}

static int runCheck(int argc, char **argv) {
    args_t a = argsScan(argc, argv, 2, {"growth", "json", "stats"});
    if (!a.error.empty()) return usageError(a.error);
    if (a.help) return fputs(kUsage, stdout), 0;
    float growth;
    if (!growthOf(a, &growth)) return EXIT_USAGE;
    if (a.operands.empty()) return usageError("check needs at least one FILE");
    return checkCommand(a.operands, a.json, a.stats, growth);
}

static int runExport(int argc, char **argv) {
    args_t a = argsScan(argc, argv, 2, {"growth", "output"});
    if (!a.error.empty()) return usageError(a.error);
    if (a.help) return fputs(kUsage, stdout), 0;
    float growth;
    if (!growthOf(a, &growth)) return EXIT_USAGE;
    if (a.operands.size() != 1) return usageError("export needs exactly one FILE");
    if (a.output.empty()) return usageError("export needs -o OUT");
    if (exportFormatOf(a.output) == EXPORT_UNKNOWN)
        return usageError("cannot tell the format of '" + a.output +
                          "': use .glb, .gltf, .3mf, .ply, .obj or .stl");
    return exportCommand(a.operands[0], a.output, growth);
}

static int runPick(int argc, char **argv) {
    args_t a = argsScan(argc, argv, 2, {"growth"});
    if (!a.error.empty()) return usageError(a.error);
    if (a.help) return fputs(kUsage, stdout), 0;
    float growth;
    if (!growthOf(a, &growth)) return EXIT_USAGE;
    if (a.operands.size() != 4) return usageError("pick needs FILE X Y Z");
    float p[3];
    for (int i = 0; i < 3; i++) {
        double v;
        const std::string &text = a.operands[1 + i];
        if (!argsNumber(text.c_str(), &v) || fabs(v) > FLT_MAX)
            return usageError(std::string(1, "XYZ"[i]) + " must be a finite number, not '" + text +
                              "'");
        p[i] = (float)v;
    }
    return pickCommand(a.operands[0], p, growth);
}

int main(int argc, char **argv) {
    if (argc < 2) return usageError("no command given");
    std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") return fputs(kUsage, stdout), 0;
    if (cmd == "--version") return printf("lsys (Sprig) %s\n", SPRIG_VERSION), 0;
    if (cmd == "check") return runCheck(argc, argv);
    if (cmd == "export") return runExport(argc, argv);
    if (cmd == "pick") return runPick(argc, argv);
    if (cmd == "render") {
#ifdef SPRIG_HAVE_RENDER
        return lsysRenderCommand(argc - 1, argv + 1);
#else
        fprintf(stderr, "lsys: render is not available in this build\n");
        return EXIT_USAGE;
#endif
    }
    return usageError("unknown command '" + cmd + "'");
}
