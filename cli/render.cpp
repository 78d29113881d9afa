/* `lsys render FILE -o OUT [--size WxH] [--aa] [--no-axis] [--background R,G,B|none]
 *  [--growth G | --growth A:B --frames N]`
 *
 * Renders the frame the editor's 3D view shows right after it loads FILE: the model in vertex
 * buffers, the camera centred on it, no rotation, the checkerboard background
 * (or a plain colour with --background, or none at all: alpha 0 where there is no model), the
 * floor and axis lines (unless --no-axis) and the one-pixel frame. It runs on EGL without a
 * display server. The description's problems go to standard error as `lsys check` lists them;
 * the picture is still written, and the exit status is then 1. OUT's extension chooses the
 * format (PNG, JPEG, WebP where Qt has it, SVG), or --format for an OUT without one
 * (/dev/stdout).
 *
 * A growth animation (--growth A:B --frames N) writes N frames, from growth A to B in equal
 * steps, under one camera framed for the last frame; OUT names them with one printf-style
 * number (%d, %4d, %04d), counted from 0.
 *
 * Under an address-space limit (ulimit -v) the picture's size is checked against what the limit
 * leaves before any GL work, so that a picture too large for it ends with status 2 and a message
 * rather than a crash inside the OpenGL library.
 */
#include "render.h"

#include "args.h"
#include "describe.h"
#include "frame_names.h"
#include "io.h"
#include "lsys.h"
#include "report.h"
#include "render_image.h"

#include <errno.h>
#include <float.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <string>

namespace {

/* Larger pictures need gigabytes (a 4096x4096 anti-aliased one takes about 0.9 GB). */
const int kMaxSide = 8192;

/* Frames of one animation at most. */
const int kMaxFrames = 100000;

const char kUsage[] =
    "usage: lsys render FILE -o OUT [--format FMT] [--size WxH] [--aa] [--no-axis]\n"
    "                   [--background R,G,B|none] [--growth G | --growth A:B --frames N]\n"
    "  -o, --output OUT    the picture; its extension chooses the format: .png, .jpg/.jpeg,\n"
    "                      .webp (where available), .svg\n"
    "  --format FMT        png, jpeg (or jpg), webp or svg, for an OUT whose extension does\n"
    "                      not name the format (/dev/stdout)\n"
    "  --size WxH          picture size in pixels (default 800x600, at most 8192 per side)\n"
    "  --aa                anti-aliasing (4 samples where available; not in SVG)\n"
    "  --no-axis           leave out the floor disc and axis lines\n"
    "  --background R,G,B  plain background colour, each component 0..1\n"
    "                      (default: the grey checkerboard)\n"
    "  --background none   no background and no frame: transparent where there is no model\n"
    "                      (PNG, WebP and SVG)\n"
    "  --growth G          growth factor applied to the recursion depth (default 1)\n"
    "  --growth A:B --frames N\n"
    "                      a growth animation: N pictures from growth A to B, one camera\n"
    "                      framed for the last; OUT holds one number such as %04d, counted\n"
    "                      from 0 (frames/f-%04d.png)\n";

struct render_opts_t {
    std::string input, output;
    QByteArray format; /* QImageWriter's name for it */
    int width = 800, height = 600;
    bool aa = false;
    bool axis = true;
    bool background = false;
    bool transparent = false;
    float color[3] = {0.9f, 0.9f, 0.9f};
    float growth = 1.0f;
    int frames = 0; /* 0: one picture at growth; else an animation from `from` to growth */
    float from = 0.0f;
    frame_names_t names; /* an animation's OUT, split around its frame number */
};

int usageError(const std::string &msg) {
    fprintf(stderr, "lsys: %s\nTry 'lsys help render' for more information.\n", msg.c_str());
    return 2;
}

/* The format of that name ("png", "JPG", ...), when this Qt can write it (SVG is our own);
 * empty otherwise. */
QByteArray formatNamed(const std::string &name) {
    QByteArray ext = QByteArray::fromStdString(name).toLower();
    if (ext == "jpg") ext = "jpeg";
    if (ext == "svg") return ext;
    if (ext != "png" && ext != "jpeg" && ext != "webp") return {};
    return QImageWriter::supportedImageFormats().contains(ext) ? ext : QByteArray();
}

/* --growth A:B: two growths of 0 or more, A up to B or down from it. */
bool readRange(const std::string &text, float *from, float *to) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    double a, b;
    if (!argsNumber(text.substr(0, colon).c_str(), &a) ||
        !argsNumber(text.substr(colon + 1).c_str(), &b) || a < 0 || b < 0 || a > FLT_MAX ||
        b > FLT_MAX)
        return false;
    *from = (float)a;
    *to = (float)b;
    return true;
}

/* The format named by the path's extension; empty when it names none this Qt can write. */
QByteArray formatOf(const std::string &path) {
    size_t slash = path.find_last_of('/'), dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return formatNamed(path.substr(dot + 1));
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
    args_t a = argsScan(argc, argv, 1,
                        {{"o,output", "OUT"},
                         {"size", "WxH"},
                         {"aa", NULL},
                         {"no-axis", NULL},
                         {"background", "R,G,B"},
                         {"growth", "G"},
                         {"frames", "N"},
                         {"format", "FMT"}});
    if (!a.error.empty()) return usageError(a.error);
    if (a.help) return fputs(kUsage, stdout), 0;
    std::string err;
    if (a.values.count("frames")) {
        double n;
        if (!argsNumber(a.value("frames").c_str(), &n) || n != floor(n) || n < 1 || n > kMaxFrames)
            return usageError("--frames needs a whole number from 1 to " +
                              std::to_string(kMaxFrames));
        o->frames = (int)n;
        if (!readRange(a.value("growth"), &o->from, &o->growth))
            return usageError("--frames needs --growth A:B, two growths of 0 or more");
    } else if (a.value("growth").find(':') != std::string::npos) {
        return usageError("--growth A:B needs --frames N");
    } else if (!argsGrowth(a, &o->growth, &err)) {
        return usageError(err);
    }
    o->aa = a.has("aa");
    o->axis = !a.has("no-axis");
    if (a.values.count("size") && !readSize(a.value("size").c_str(), &o->width, &o->height))
        return usageError("--size needs WIDTHxHEIGHT, each 1 to 8192");
    if (a.value("background") == "none") {
        o->transparent = true;
    } else if (a.values.count("background")) {
        if (!readColor(a.value("background").c_str(), o->color))
            return usageError("--background needs R,G,B with each component from 0 to 1, or "
                              "none");
        o->background = true;
    }
    if (a.operands.empty()) return usageError("no description file given");
    if (a.operands.size() > 1)
        return usageError("more than one description given: " + a.operands[1]);
    o->input = a.operands[0];
    o->output = a.value("output");
    if (o->output.empty()) return usageError("no output file given (-o OUT)");
    const std::string webp = formatNamed("webp").isEmpty() ? "" : ", .webp";
    if (a.values.count("format")) {
        o->format = formatNamed(a.value("format"));
        if (o->format.isEmpty())
            return usageError("unknown picture format '" + a.value("format") +
                              "': use png, jpeg, svg" + (webp.empty() ? "" : " or webp"));
    } else {
        o->format = formatOf(o->output);
        if (o->format.isEmpty())
            return usageError("cannot tell the picture format of '" + o->output +
                              "': use .png, .jpg" + webp + ", .svg, or --format FMT");
    }
    if (o->transparent && o->format == "jpeg")
        return usageError("JPEG pictures cannot be transparent: use PNG, WebP or SVG");
    if (o->frames && !frameNamesRead(o->output, &o->names))
        return usageError("an animation's OUT needs one frame number such as %04d in '" +
                          o->output + "' (%% for a percent sign)");
    return -1;
}

/* Address space a picture costs, measured with Mesa 22's llvmpipe drawing on one thread (a
 * little more than measured): per pixel, the colour and depth buffers (four samples each with
 * anti-aliasing), the read-back copies and the encoder's, plus what grows with them; and before
 * any picture, Mesa's libraries and context (about 180 MB), plus each worker thread's stack and
 * malloc arena when it has threads. */
const double kMB = 1 << 20;
const double kPerPixel = 20, kPerPixelAA = 50, kPictureBase = 24 * kMB, kPictureBaseAA = 64 * kMB;
const double kMesaBase = 200 * kMB, kMesaPerThread = 72 * kMB;

/* The address space in use now, in bytes (0 when it cannot be read). */
double addressSpaceInUse() {
    unsigned long pages = 0;
    FILE *f = fopen("/proc/self/statm", "r");
    if (f) {
        if (fscanf(f, "%lu", &pages) != 1) pages = 0;
        fclose(f);
    }
    return (double)pages * (double)sysconf(_SC_PAGESIZE);
}

/* What can be known before the GL work: the picture's buffers and Mesa's usual needs against
 * the address-space and data limits, and a trial allocation of the buffers' size. False with
 * the reason when the picture cannot be drawn.
 *
 * Under a limit, Mesa's software renderer is asked to draw on this thread alone (unless
 * LP_NUM_THREADS says otherwise): its worker threads reserve memory in amounts that depend on
 * the processor count and on how the C library places their arenas, and under a tight limit
 * they made Mesa fail at random, some limits crashing where lower ones worked. */
bool memoryAllows(const render_opts_t &o, std::string *err) {
    double limit = INFINITY;
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        struct rlimit r;
        if (getrlimit(resource, &r) == 0 && r.rlim_cur != RLIM_INFINITY)
            limit = std::min(limit, (double)r.rlim_cur);
    }
    if (isfinite(limit) && !getenv("LP_NUM_THREADS")) setenv("LP_NUM_THREADS", "0", 1);
    const char *threads = getenv("LP_NUM_THREADS");
    const double buffers = (double)o.width * o.height * (o.aa ? kPerPixelAA : kPerPixel) +
                           (o.aa ? kPictureBaseAA : kPictureBase);
    const double need =
        buffers + kMesaBase +
        kMesaPerThread * (threads ? atof(threads) : (double)sysconf(_SC_NPROCESSORS_ONLN));
    const double left = limit - addressSpaceInUse();
    char buf[256];
    if (need > left) {
        snprintf(buf, sizeof buf,
                 "not enough memory for a %dx%d picture: drawing it takes about %.0f MB, and the "
                 "memory limit (ulimit -v) leaves %.0f MB",
                 o.width, o.height, need / kMB, std::max(left, 0.0) / kMB);
        *err = buf;
        return false;
    }
    void *trial = malloc((size_t)buffers);
    if (!trial) {
        snprintf(buf, sizeof buf, "not enough memory for a %dx%d picture (about %.0f MB)", o.width,
                 o.height, buffers / kMB);
        *err = buf;
        return false;
    }
    free(trial);
    return true;
}

/* Encodes the picture in memory (SVG is already text) and writes it to path through the safe
 * writer: a failed write never leaves a truncated picture, and *err names the reason. */
bool savePicture(const QImage &img, const std::string &svg, const render_opts_t &o,
                 const std::string &path, io_written_t *written, std::string *err) {
    if (o.format == "svg") return ioWriteFile(path, svg.data(), svg.size(), err, written);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, o.format);
    if (!writer.write(img)) {
        *err = "cannot encode the picture: " + writer.errorString().toStdString();
        return false;
    }
    return ioWriteFile(path, bytes.constData(), (size_t)bytes.size(), err, written);
}

/* Writes the frames of an animation as they are drawn; the first that cannot be written ends
 * it with status 2. */
int renderAnimation(const std::string &text, const render_opts_t &o,
                    const render_request_t &request) {
    std::string error, failed;
    const bool svg = o.format == "svg";
    const bool done = renderGrowthFrames(
        text.c_str(), request, o.from, o.growth, o.frames, svg, cliTrace,
        [&](int i, float, const QImage &img, const std::string &picture) {
            const std::string path = frameName(o.names, i);
            io_written_t written;
            std::string why;
            if (!savePicture(img, picture, o, path, &written, &why)) {
                failed = path + ": " + why;
                return false;
            }
            reportWritten(path, written);
            return true;
        },
        &error);
    reportHumanAll(stderr, o.input, text, false);
    if (!done) {
        if (!failed.empty())
            fprintf(stderr, "lsys: %s\n", failed.c_str());
        else
            fprintf(stderr, "lsys: cannot draw the picture: %s\n", error.c_str());
        return 2;
    }
    return cliHadProblems() ? 1 : 0;
}

} // namespace

int lsysRenderCommand(int argc, char **argv) {
    render_opts_t o;
    int status = parseOptions(argc, argv, &o);
    if (status >= 0) return status;

    std::string text, error;
    if (!describeRead(o.input, &text, &error)) {
        fprintf(stderr, "lsys: %s: %s\n", o.input.c_str(), error.c_str());
        return 2;
    }
    if (!memoryAllows(o, &error)) {
        fprintf(stderr, "lsys: %s\n", error.c_str());
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
    request.style.transparent = o.transparent;
    for (int i = 0; i < 3; i++)
        request.style.backgroundColor[i] = o.color[i];
    /* The text stops at its first NUL byte, as the editor's would. */
    cliMessagesClear();
    if (o.frames) return renderAnimation(text, o, request);
    QImage img;
    std::string svg;
    const bool drawn =
        o.format == "svg"
            ? renderDescriptionSvg(text.c_str(), request, cliTrace, &svg, &error)
            : !(img = renderDescription(text.c_str(), request, cliTrace, &error)).isNull();
    if (!drawn) {
        fprintf(stderr, "lsys: cannot draw the picture: %s\n", error.c_str());
        return 2;
    }
    reportHumanAll(stderr, o.input, text, false);
    const int problems = cliHadProblems() ? 1 : 0;

    io_written_t written;
    if (!savePicture(img, svg, o, o.output, &written, &error)) {
        fprintf(stderr, "lsys: %s: %s\n", o.output.c_str(), error.c_str());
        return 2;
    }
    reportWritten(o.output, written);
    return problems;
}
