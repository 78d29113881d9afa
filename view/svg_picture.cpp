/* SVG pictures through GL's feedback mode: GL hands back every primitive as it would rasterise
 * it (window coordinates, depth 0 near to 1 far, colour after lighting), so the vector picture
 * shows the same lit, projected and clipped model as the pixels do, from the same drawing code.
 */
#include "svg_picture.h"

#include "lsys.h"

#include <GL/gl.h>
#include <math.h>
#include <stdarg.h>

#include <algorithm>
#include <functional>
#include <new>
#include <vector>

namespace {

/* Values per vertex of GL_3D_COLOR in RGBA mode: x, y, z, r, g, b, a. */
const int kVertex = 7;

/* The largest feedback buffer tried, in values (1 GB of floats). */
const size_t kMaxFeedback = size_t(1) << 28;

/* One polygon or line: its points (x, y pairs in xy from first on, SVG's y down), its colour
 * and its mean depth. */
struct prim_t {
    double depth;
    size_t first;
    int points;
    unsigned char rgb[3];
    bool line;
};

struct prims_t {
    std::vector<prim_t> list;
    std::vector<float> xy;
};

/* Runs draw in feedback mode into a buffer of at least expect values, doubled while GL
 * reports it too small. False when even the largest buffer is too small or memory runs out. */
bool feedback(const std::function<void()> &draw, size_t expect, std::vector<float> *out) {
    for (size_t size = std::max<size_t>(expect, 4096); size <= kMaxFeedback; size *= 2) {
        try {
            out->assign(size, 0.0f);
        } catch (const std::bad_alloc &) {
            return false;
        }
        glFeedbackBuffer((GLsizei)size, GL_3D_COLOR, out->data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint used = glRenderMode(GL_RENDER);
        if (used >= 0) {
            out->resize((size_t)used);
            return true;
        }
    }
    return false;
}

unsigned char channel(float c) {
    return (unsigned char)lrintf(fminf(fmaxf(c, 0.0f), 1.0f) * 255.0f);
}

/* The polygons and lines of a feedback buffer (points, bitmaps and pixel copies are not
 * drawn by the scene and are skipped). */
void collect(const std::vector<float> &fb, int height, prims_t *out) {
    size_t i = 0;
    while (i < fb.size()) {
        const GLenum token = (GLenum)fb[i++];
        int n = 0;
        if (token == GL_POLYGON_TOKEN && i < fb.size())
            n = (int)fb[i++];
        else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN)
            n = 2;
        else if (token == GL_PASS_THROUGH_TOKEN) {
            i++;
            continue;
        } else {
            i += kVertex; /* a point, a bitmap or a pixel rectangle: one vertex */
            continue;
        }
        if (n < 2 || i + (size_t)n * kVertex > fb.size()) break;
        prim_t p = {0.0, out->xy.size(), n, {0, 0, 0}, token != GL_POLYGON_TOKEN};
        float rgb[3] = {0.0f, 0.0f, 0.0f};
        for (int k = 0; k < n; k++, i += kVertex) {
            out->xy.push_back(fb[i]);
            out->xy.push_back((float)height - fb[i + 1]);
            p.depth += fb[i + 2] / n;
            for (int c = 0; c < 3; c++)
                rgb[c] += fb[i + 3 + c] / (float)n;
        }
        for (int c = 0; c < 3; c++)
            p.rgb[c] = channel(rgb[c]);
        out->list.push_back(p);
    }
}

void appendf(std::string *s, const char *fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    const int n = lsysFormat(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n > 0) s->append(buf, (size_t)std::min(n, (int)sizeof buf - 1));
}

/* Writes the primitives in their order; stroked adds an outline in the fill colour, which
 * closes the hairline seams that anti-aliased renderers leave between neighbouring pieces. */
void write(std::string *svg, const prims_t &p, bool stroked) {
    for (const prim_t &q : p.list) {
        const float *xy = &p.xy[q.first];
        char colour[8];
        lsysFormatf(colour, sizeof colour, "#%02x%02x%02x", q.rgb[0], q.rgb[1], q.rgb[2]);
        if (q.line) {
            appendf(svg,
                    "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"%s\" "
                    "stroke-width=\"1\"/>\n",
                    xy[0], xy[1], xy[2], xy[3], colour);
            continue;
        }
        svg->append("<polygon points=\"");
        for (int k = 0; k < q.points; k++)
            appendf(svg, k ? " %.2f,%.2f" : "%.2f,%.2f", xy[2 * k], xy[2 * k + 1]);
        appendf(svg, stroked ? "\" fill=\"%s\" stroke=\"%s\"/>\n" : "\" fill=\"%s\"/>\n", colour,
                colour);
    }
}

} // namespace

size_t svgFeedbackGuess(size_t triangles, size_t lines) {
    return triangles * (2 + 3 * kVertex) + lines * (1 + 2 * kVertex) + 4096;
}

bool sceneSvg(scene_t *s, const scene_style_t *style, scene_draw_fn drawModel,
              scene_draw_fn drawFloor, void *ctx, size_t expect, std::string *svg,
              std::string *error) {
    const int w = s->camera.viewWidth, h = s->camera.viewHeight;
    const bool board = !style->transparent && !style->background;
    std::vector<float> fb;
    prims_t background, scene, frame;
    bool ok = !board || feedback([s] { drawBackground(s); }, 4096, &fb);
    if (ok && board) collect(fb, h, &background);
    ok = ok && feedback(
                   [&] {
                       setCameraAndLight(s);
                       if (drawModel) drawModel(ctx);
                       if (style->axis && drawFloor) drawFloor(ctx);
                   },
                   expect, &fb);
    if (ok) collect(fb, h, &scene);
    ok = ok && (style->transparent || feedback([s] { drawInfo(s); }, 4096, &fb));
    if (!ok) {
        *error = "the picture has too many pieces for an SVG file";
        return false;
    }
    if (!style->transparent) collect(fb, h, &frame);
    /* Back to front; pieces at the same depth keep the order they were drawn in. */
    std::stable_sort(scene.list.begin(), scene.list.end(),
                     [](const prim_t &a, const prim_t &b) { return a.depth > b.depth; });

    svg->clear();
    appendf(svg,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
            "viewBox=\"0 0 %d %d\">\n",
            w, h, w, h);
    if (!style->transparent) {
        float rgba[4];
        sceneClearColor(style, rgba);
        appendf(svg,
                "<rect id=\"background\" width=\"%d\" height=\"%d\" fill=\"#%02x%02x%02x\"/>\n", w,
                h, channel(rgba[0]), channel(rgba[1]), channel(rgba[2]));
        if (board) {
            svg->append("<g id=\"checkerboard\" shape-rendering=\"crispEdges\">\n");
            write(svg, background, false);
            svg->append("</g>\n");
        }
    }
    svg->append("<g id=\"model\" stroke-width=\"0.25\" stroke-linejoin=\"round\">\n");
    write(svg, scene, true);
    svg->append("</g>\n");
    if (!style->transparent) {
        svg->append("<g id=\"frame\" shape-rendering=\"crispEdges\">\n");
        write(svg, frame, false);
        svg->append("</g>\n");
    }
    svg->append("</svg>\n");
    return true;
}
