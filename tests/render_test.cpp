// Headless pictures: `lsys render` against the stored pictures of tests/data/render/golden.txt
// (SPRIG_UPDATE_GOLDEN=1 retakes them), growth animations among them; then what a stored
// picture cannot tell. The command's
// refusals are rows of the lsys run table.
#include "engine_test.h" // before Qt, which makes "emit" a macro

#include "render.h"

#include "camera.h"
#include "model_gl.h"
#include "offscreen.h"
#include "render_image.h"
#include "scene_gl.h"

#include <GL/gl.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <functional>

// Mesa keeps its allocations past exit: no leak report under the sanitizers.
extern "C" int __lsan_is_turned_off() {
    return 1;
}

namespace {

const bool kNoDisplay = !unsetenv("DISPLAY") && !unsetenv("WAYLAND_DISPLAY"); // render without one

const std::string kTests = SPRIG_TESTS_DIR, kExamples = SPRIG_EXAMPLES_DIR;
const std::string kData = kTests + "/data/render/";
// A scratch directory for the pictures of one test program run, removed at its end.
const QTemporaryDir gScratch(QDir::tempPath() + "/sprig-render-XXXXXX");
const std::string kScratch = gScratch.path().toStdString();

int render(std::vector<std::string> args) {
    args.insert(args.begin(), "render");
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return lsysRenderCommand((int)args.size(), argv.data());
}

// A pixel's channels, alpha last.
struct rgb_t {
    int r, g, b, a;
    // The largest difference in a channel.
    int operator-(rgb_t o) const {
        return std::max({abs(r - o.r), abs(g - o.g), abs(b - o.b), abs(a - o.a)});
    }
};
rgb_t at(const QImage &img, int x, int y) {
    const QRgb p = img.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p), qAlpha(p)};
}

// Pixels for which pred holds.
using pred_t = std::function<bool(int x, int y, rgb_t c)>;
int count(const QImage &img, const pred_t &pred) {
    int n = 0;
    for (int y = 0; y < img.height(); y++)
        for (int x = 0; x < img.width(); x++)
            n += pred(x, y, at(img, x, y));
    return n;
}
// The box of the pixels for which pred holds.
QRect box(const QImage &img, const pred_t &pred) {
    QRect b;
    count(img,
          [&](int x, int y, rgb_t c) { return pred(x, y, c) && (b |= QRect(x, y, 1, 1), true); });
    return b;
}
QRect drawnBox(const QImage &img) {
    return box(img, [&](int x, int y, rgb_t) { return qAlpha(img.pixel(x, y)) > 0; });
}
// A request for a picture without floor, background or frame: alpha 0 off the model.
render_request_t bare(int width = 400, int height = 300) {
    render_request_t r = renderRequestDefaults();
    r.width = width, r.height = height;
    r.style.axis = false;
    r.style.transparent = true;
    return r;
}

QImage draw(const std::string &text, const render_request_t &r = bare()) {
    std::string error;
    const QImage img = renderDescription(text.c_str(), r, nullTrace, &error);
    EXPECT_FALSE(img.isNull()) << error;
    return img;
}

// Each row: the picture's name, the exit status, the arguments ($EXAMPLES and $DATA stand for
// the folders). With --frames N the pictures are NAME-0 to NAME-(N-1), and no more.
TEST(Render, MatchesStoredPictures) {
    const char *update = getenv("SPRIG_UPDATE_GOLDEN");
    const bool updating = update && *update && strcmp(update, "0") != 0;
    for (const row_t &r : dataRows("render/golden.txt")) {
        SCOPED_TRACE(r[0]);
        std::vector<std::string> args;
        for (const QString &w : QString::fromStdString(r[2]).split(' ', Qt::SkipEmptyParts))
            args.push_back(QString(w)
                               .replace("$EXAMPLES", QString::fromStdString(kExamples))
                               .replace("$DATA", QString::fromStdString(kTests + "/data/render"))
                               .toStdString());
        const auto option = std::find(args.begin(), args.end(), "--frames");
        const int frames = option == args.end() ? 0 : atoi(option[1].c_str());
        const std::string out = kScratch + "/" + r[0];
        args.insert(args.end(), {"-o", out + (frames ? "-%d.png" : ".png")});
        EXPECT_EQ(render(args), atoi(r[1].c_str()));
        EXPECT_FALSE(
            QFile::exists(QString::fromStdString(out + "-" + std::to_string(frames) + ".png")));
        for (int i = 0; i < std::max(frames, 1); i++) {
            const std::string name = r[0] + (frames ? "-" + std::to_string(i) : "");
            const QImage got = QImage(QString::fromStdString(kScratch + "/" + name + ".png"))
                                   .convertToFormat(QImage::Format_ARGB32);
            const std::string golden = kTests + "/golden/" + name + ".png";
            if (updating) {
                ASSERT_TRUE(got.save(QString::fromStdString(golden), "PNG")) << golden;
                continue;
            }
            const QImage want =
                QImage(QString::fromStdString(golden)).convertToFormat(QImage::Format_ARGB32);
            ASSERT_FALSE(want.isNull()) << golden << " missing: run with SPRIG_UPDATE_GOLDEN=1";
            ASSERT_EQ(got.size(), want.size());
            // Rasterisers may round an edge pixel differently; a change of the drawing moves
            // whole areas. Allow 0.5% of pixels off by more than 24 levels in a channel.
            long total = 0;
            const int off = count(got, [&](int x, int y, rgb_t a) {
                total += a - at(want, x, y);
                return a - at(want, x, y) > 24;
            });
            const int pixels = got.width() * got.height();
            EXPECT_LE(off, pixels / 200) << "pixels that differ from " << golden;
            EXPECT_LT((double)total / pixels, 1.5) << "mean difference from " << golden;
        }
    }
}

// Segments thinner than a pixel still show: the outline is one connected piece of pixels, on
// nothing where there is no model (no background, no frame).
TEST(RenderImage, ThinSegmentsStayConnected) {
    const QImage img = draw(readFile(kData + "thin-curve.ls"));
    const auto drawn = [&](QPoint p) { return img.rect().contains(p) && qAlpha(img.pixel(p)); };
    QImage reached(img.size(), QImage::Format_Mono);
    reached.fill(0);
    std::vector<QPoint> todo;
    const int pixels = count(img, [&](int x, int y, rgb_t) {
        if (drawn({x, y}) && todo.empty()) todo.push_back({x, y});
        return drawn({x, y});
    });
    int connected = 0;
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        if (!drawn(p) || reached.pixelIndex(p)) continue;
        reached.setPixel(p, 1), ++connected;
        for (int d = 0; d < 9; d++)
            todo.push_back(p + QPoint(d % 3 - 1, d / 3 - 1));
    }
    EXPECT_FALSE(drawn({0, 0}));
    EXPECT_GT(pixels, 2000);
    EXPECT_EQ(connected, pixels);
}

// The SVG holds every triangle of a model in view, each filled with the colour the picture
// shows at its centre: painted back in order, it is the picture.
TEST(RenderImage, SvgMatchesThePicture) {
    const std::string text = readFile(kData + "flat-prisms.ls");
    const QImage png = draw(text);
    std::string svg, error;
    ASSERT_TRUE(renderDescriptionSvg(text.c_str(), bare(), nullTrace, &svg, &error)) << error;
    model_arrays_t arrays;
    const emit_t sink = modelArraysEmit(&arrays);
    lsys_job_t job = {text.c_str(), 1.0f, nullptr, &sink, nullptr, 1, 0};
    lsysFree(lsysBuild(&job, nullTrace));

    QImage painted(png.size(), QImage::Format_ARGB32);
    painted.fill(Qt::transparent);
    QPainter paint(&painted);
    paint.setPen(Qt::NoPen);
    QXmlStreamReader xml(QByteArray::fromStdString(svg));
    size_t polygons = 0;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"polygon") {
            QPolygonF shape;
            for (const QString &xy : xml.attributes().value("points").toString().split(' '))
                shape << QPointF(xy.section(',', 0, 0).toDouble(), xy.section(',', 1).toDouble());
            paint.setBrush(QColor(xml.attributes().value("fill").toString()));
            paint.drawPolygon(shape);
            ++polygons;
        }
    paint.end();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(polygons, arrays.triangles.count / 3);
    int model = 0;
    const int off = count(png, [&](int x, int y, rgb_t c) {
        model += qAlpha(png.pixel(x, y)) == 255;
        return qAlpha(png.pixel(x, y)) == 255 && c - at(painted, x, y) > 3;
    });
    EXPECT_GT(model, 2000);
    EXPECT_LT(off, model / 50);
}

// Every gallery description opens whole, not tiny, and not seen edge-on as a mere line.
TEST(RenderImage, EveryGalleryExampleOpensWholeAndFacing) {
    const render_request_t r = bare(200, 150);
    const QStringList names = QDir(QString::fromStdString(kExamples)).entryList({"*.ls"});
    ASSERT_GE(names.size(), 10);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QRect b = drawnBox(draw(readFile(kExamples + "/" + name.toStdString()), r));
        EXPECT_TRUE(QRect(2, 2, r.width - 4, r.height - 4).contains(b))
            << "cut at the edge: " << b.x() << "," << b.y() << " " << b.width() << "x"
            << b.height();
        EXPECT_TRUE(b.width() > r.width / 6 || b.height() > r.height / 6) << "too small";
        EXPECT_GT(b.width(), r.width / 12) << "seen edge-on";
    }
}

// A given rotation is drawn: a vertical tube seen from the top is round, not tall.
TEST(RenderImage, FollowsAGivenView) {
    scene_t top = {};
    const float centre[3] = {0, 0, 50};
    resetCamera(&top, centre, 100);
    top.worldRotation[0] = -90, top.worldRotation[1] = 1;
    render_request_t r = bare();
    r.view = &top;
    const QRect b = drawnBox(draw("thickness 50\naxiom F\n", r));
    ASSERT_GT(b.width(), 10);
    EXPECT_GT(double(b.height()) / b.width(), 0.8);
    EXPECT_LT(double(b.height()) / b.width(), 1.25);
}

std::vector<std::string> gLogged;

// GL errors are logged one per call; an upload replaces the model in its buffers.
TEST(SceneGL, ErrorsAndBuffers) {
    std::string error;
    const std::unique_ptr<offscreen_t, void (*)(offscreen_t *)> gl(
        offscreenCreate(8, 8, false, &error), offscreenFree);
    ASSERT_NE(gl, nullptr) << error;
    sceneSetLog([](const char *line) { gLogged.push_back(line); });
    EXPECT_EQ(glReportError(), 0u);
    glEnable(0x7fff);
    EXPECT_EQ(glReportError(), (unsigned)GL_INVALID_ENUM);
    EXPECT_EQ(glReportError(), 0u);
    sceneSetLog(NULL);
    EXPECT_EQ(gLogged, std::vector<std::string>({"glError: invalid enumerant"}));

    model_gl_t model = {};
    for (const char *text : {"axiom F\n", "axiom FF\n"}) {
        model_arrays_t arrays;
        const emit_t sink = modelArraysEmit(&arrays);
        lsys_job_t job = {text, 1.0f, nullptr, &sink, nullptr, 1, 0};
        lsysFree(lsysBuild(&job, nullTrace));
        ASSERT_TRUE(modelUpload(&model, &arrays));
        EXPECT_EQ(model.indexCount, arrays.triangles.count);
        EXPECT_TRUE(modelBuffersValid(&model));
    }
    modelDelete(&model);
    EXPECT_FALSE(modelBuffersValid(&model));
    EXPECT_EQ(glReportError(), 0u);
}

} // namespace
