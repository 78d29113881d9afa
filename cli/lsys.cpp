/* The lsys program: reads the command line and dispatches to the subcommands of commands.h.
 * Also the entry point of the argument fuzzer. */
#include "commands.h"

#include <errno.h>
#include <float.h>
#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "args.h"
#include "describe.h"
#include "export.h"
#include "io.h"

#ifdef SPRIG_HAVE_RENDER
#include "render.h"
#endif

#ifndef SPRIG_VERSION
#define SPRIG_VERSION "unknown"
#endif

namespace {

/* The export formats, from the exporters' table: "glb, gltf, 3mf, ply, obj, stl". */
std::string formatNames() {
    size_t n;
    const export_format_info_t *f = exportFormats(&n);
    std::string out;
    for (size_t i = 0; i < n; i++)
        out += std::string(i ? ", " : "") + f[i].name;
    return out;
}

std::string usageText() {
    return "usage: lsys COMMAND [OPTIONS] ...\n"
           "\n"
           "Commands:\n"
           "  check [--json] [--stats] [--growth G] FILE...\n"
           "      List each description's problems.\n"
           "  export FILE -o OUT [--format FMT] [--growth G]\n"
           "      Write the drawn model as a mesh (" +
           formatNames() +
           ").\n"
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
           "2 usage, file, memory or OpenGL failure, or a failed write (standard output too).\n"
           "\n"
           "Options: -h, --help   show this help;  --version   show the version.\n";
}

const char kCheckHelp[] =
    "usage: lsys check [--json] [--stats] [--growth G] FILE...\n"
    "List each description's problems as FILE:LINE: text (or FILE: text, FILE: exec: text,\n"
    "FILE: unknown: text), at most 1000 per file and then how many more there were.\n"
    "  --stats      add the drawing statistics as FILE: info: text\n"
    "  --json       one JSON object per file: file, messages (code, line, kind, text),\n"
    "               more_messages, polygon_count, bounds, triangles\n"
    "  --growth G   multiply the recursion depth by G (default 1)\n";

std::string exportHelp() {
    size_t n;
    const export_format_info_t *f = exportFormats(&n);
    std::string formats;
    for (size_t i = 0; i < n; i++) {
        const std::string name = f[i].name;
        formats += "    " + name + std::string(name.size() < 8 ? 8 - name.size() : 1, ' ') +
                   f[i].description + "\n";
    }
    return "usage: lsys export FILE -o OUT [--format FMT] [--growth G]\n"
           "Write the drawn model in the format of OUT's extension, or FMT:\n" +
           formats +
           "glTF is turned y up; an OBJ gets its .mtl beside it. OUT is replaced only when\n"
           "complete; a device or FIFO (/dev/stdout) is written into.\n"
           "  -o, --output OUT   the file to write\n"
           "  --format FMT       the format, for an OUT whose extension does not name it\n"
           "  --growth G         multiply the recursion depth by G (default 1)\n";
}

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
    args_t a = argsScan(argc, argv, 2, {{"growth", "G"}, {"o,output", "OUT"}, {"format", "FMT"}});
    if (!a.error.empty()) return usageError("export", a.error);
    if (a.help) return fputs(exportHelp().c_str(), stdout), 0;
    float growth;
    std::string err, out = a.value("output"), name = a.value("format");
    if (!argsGrowth(a, &growth, &err)) return usageError("export", err);
    if (a.operands.size() != 1) return usageError("export", "export needs exactly one FILE");
    if (out.empty()) return usageError("export", "export needs -o OUT");
    const export_format_t format =
        a.values.count("format") ? exportFormatNamed(name) : exportFormatOf(out);
    if (format == EXPORT_UNKNOWN && a.values.count("format"))
        return usageError("export", "unknown format '" + name + "': use one of " + formatNames());
    if (format == EXPORT_UNKNOWN)
        return usageError("export", "cannot tell the format of '" + out + "': use " +
                                        exportExtensionList() + ", or --format FMT");
    return exportCommand(a.operands[0], out, format, growth);
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
    if (command.empty()) return fputs(usageText().c_str(), stdout), 0;
    if (command == "check") return fputs(kCheckHelp, stdout), 0;
    if (command == "export") return fputs(exportHelp().c_str(), stdout), 0;
    if (command == "pick") return fputs(kPickHelp, stdout), 0;
    if (command == "help") return fputs(usageText().c_str(), stdout), 0;
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
    /* A reader that went away and a file-size limit are write errors to report, not signals
     * that end the program without a word (or, for SIGXFSZ, with a core dump). */
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    /* Standard output through a stream that keeps the reason of a failed write, whoever writes
     * (the engine's pick trace prints with printf); glibc lets a program replace stdout. */
    static io_stream_t out;
    static FILE *checked = [] {
        fflush(stdout);
        out.fd = STDOUT_FILENO;
        FILE *f = ioStreamOpen(&out);
        if (f && isatty(STDOUT_FILENO)) setvbuf(f, NULL, _IOLBF, 1 << 16);
        return f;
    }();
    if (checked) {
        stdout = checked;
        clearerr(stdout);
        out.error = 0;
    }
    int status;
    try {
        status = dispatch(argc, argv);
    } catch (const std::bad_alloc &) {
        /* Every output is written through the safe writer, whose unwinding removes the
         * unfinished file: nothing partial is left. */
        fflush(stdout);
        fputs("lsys: out of memory\n", stderr);
        status = EXIT_USAGE;
    }
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "lsys: cannot write to standard output: %s\n",
                strerror(out.error ? out.error : EIO));
        status = EXIT_USAGE;
    }
    return status;
}

int lsysExit(int status) {
    /* Some file systems (NFS) report a failed write only when the file is closed. */
    if (close(STDOUT_FILENO) != 0 && errno != EBADF) {
        fprintf(stderr, "lsys: cannot write to standard output: %s\n", strerror(errno));
        return EXIT_USAGE;
    }
    return status;
}
