/* `lsys render FILE -o OUT.png [--size WxH] [--aa] [--no-axis] [--background R,G,B]
 *  [--growth G]`
 *
 * Renders the frame the editor's 3D view shows right after it loads FILE: the model recorded
 * into a display list, the camera centred on it, no rotation, the checkerboard background
 * (or a plain colour with --background), the floor and axis lines (unless --no-axis) and the
 * one-pixel frame. It runs on EGL without a display server. Engine messages other than the
 * drawing statistics go to standard error as "FILE:LINE: text" (or "FILE: text" when the
 * message is about no single line); they never make the command fail.
 */
#include "render.h"

#include "args.h"
#include "describe.h"
#include "report.h"
#include "lsys.h"
#include "render_image.h"

#include <errno.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

/* Larger pictures need gigabytes (a 4096x4096 anti-aliased one takes about 0.9 GB). */
const int kMaxSide = 8192;

const char kUsage[] =
    "usage: lsys render FILE -o OUT.png [--size WxH] [--aa] [--no-axis]\n"
    "                   [--background R,G,B] [--growth G]\n"
    "  --size WxH          picture size in pixels (default 800x600, at most 8192 per side)\n"
    "  --aa                anti-aliasing (4 samples where available)\n"
    "  --no-axis           leave out the floor disc and axis lines\n"
    "  --background R,G,B  plain background colour, each component 0..1\n"
    "                      (default: the grey checkerboard)\n"
    "  --growth G          growth factor applied to the recursion depth (default 1)\n";

struct render_opts_t {
    std::string input, output;
    int width = 800, height = 600;
    bool aa = false;
    bool axis = true;
    bool background = false;
    float color[3] = {0.9f, 0.9f, 0.9f};
    float growth = 1.0f;
};

int usageError(const std::string &msg) {
    fprintf(stderr, "lsys render: %s\n%s", msg.c_str(), kUsage);
    return 2;
}

/* A whole-string finite number in the C locale that also fits a float. */
bool readFloat(const char *text, float *out) {
    double v;
    if (!argsNumber(text, &v) || !isfinite((float)v)) return false;
    *out = (float)v;
    return true;
}

bool readSize(const char *text, int *w, int *h) {
    long a, b;
    char *end;
    errno = 0;
    a = strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X') || errno) return false;
    const char *second = end + 1;
    b = strtol(second, &end, 10);
    if (end == second || *end || errno) return false;
    if (a < 1 || b < 1 || a > kMaxSide || b > kMaxSide) return false;
    *w = (int)a;
    *h = (int)b;
    return true;
}

bool readColor(const char *text, float rgb[3]) {
    std::string s(text);
    size_t start = 0;
    for (int i = 0; i < 3; i++) {
        size_t comma = s.find(',', start);
        if ((i < 2) != (comma != std::string::npos)) return false;
        std::string part = s.substr(start, i < 2 ? comma - start : std::string::npos);
        if (part.empty() || !readFloat(part.c_str(), &rgb[i]) || rgb[i] < 0 || rgb[i] > 1)
            return false;
        start = comma + 1;
    }
    return true;
}

/* Returns -1 when the options are complete, else the exit status to return at once. */
int parseOptions(int argc, char **argv, render_opts_t *o) {
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        /* The option's argument, or NULL when the command line ends first. */
        auto value = [&](const char *) -> const char * {
            return i + 1 < argc ? argv[++i] : nullptr;
        };
        if (!strcmp(a, "-h") || !strcmp(a, "--help")) {
            fputs(kUsage, stdout);
            return 0;
        } else if (!strcmp(a, "-o") || !strcmp(a, "--output")) {
            const char *v = value(a);
            if (!v || !*v) return usageError(std::string(a) + " needs a file name");
            o->output = v;
        } else if (!strcmp(a, "--size")) {
            const char *v = value(a);
            if (!v || !readSize(v, &o->width, &o->height))
                return usageError("--size needs WIDTHxHEIGHT, each 1 to 8192");
        } else if (!strcmp(a, "--aa")) {
            o->aa = true;
        } else if (!strcmp(a, "--no-axis")) {
            o->axis = false;
        } else if (!strcmp(a, "--background")) {
            const char *v = value(a);
            if (!v || !readColor(v, o->color))
                return usageError("--background needs R,G,B with each component from 0 to 1");
            o->background = true;
        } else if (!strcmp(a, "--growth")) {
            const char *v = value(a);
            if (!v || !readFloat(v, &o->growth) || o->growth < 0)
                return usageError("--growth needs a number of 0 or more");
        } else if (a[0] == '-' && a[1]) {
            return usageError(std::string("unknown option ") + a);
        } else if (o->input.empty()) {
            o->input = a;
        } else {
            return usageError(std::string("more than one description given: ") + a);
        }
    }
    if (o->input.empty()) return usageError("no description file given");
    if (o->output.empty()) return usageError("no output file given (-o OUT.png)");
    return -1;
}

/* Writes under a temporary name beside the target and renames it into place, so a failed
 * write never leaves a truncated picture. */
bool savePng(const QImage &img, const std::string &path) {
    std::string temp = path + ".tmp" + std::to_string((long)getpid());
    if (!img.save(QString::fromLocal8Bit(temp.c_str()), "PNG")) {
        unlink(temp.c_str());
        return false;
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace

int lsysRenderCommand(int argc, char **argv) {
    render_opts_t o;
    int status = parseOptions(argc, argv, &o);
    if (status >= 0) return status;

    std::string text, error;
    if (!describeRead(o.input, &text, &error)) {
        fprintf(stderr, "lsys render: cannot read %s: %s\n", o.input.c_str(), error.c_str());
        return 2;
    }

    render_request_t request = renderRequestDefaults();
    request.width = o.width;
    request.height = o.height;
    request.aa = o.aa;
    request.growth = o.growth;
    request.style.axis = o.axis;
    request.style.background = o.background;
    request.style.hasBackgroundColor = o.background;
    for (int i = 0; i < 3; i++)
        request.style.backgroundColor[i] = o.color[i];
    /* The text stops at its first NUL byte, as the editor's would. */
    cliMessagesClear();
    QImage img = renderDescription(text.c_str(), request, cliTrace, &error);
    if (img.isNull()) {
        fprintf(stderr, "lsys render: no OpenGL available: %s\n", error.c_str());
        return 2;
    }
    reportHumanAll(stderr, o.input, text, cliMessages(), false);

    if (!savePng(img, o.output)) {
        fprintf(stderr, "lsys render: cannot write %s\n", o.output.c_str());
        return 2;
    }
    return 0;
}
