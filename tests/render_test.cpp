// Headless pictures against tests/golden (SPRIG_UPDATE_GOLDEN=1 renews them), and bad input.
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
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string kTests = SPRIG_TESTS_DIR, kExamples = SPRIG_EXAMPLES_DIR;
const std::string kTree = kTests + "/data/render-tree.ls";

// A scratch directory for the pictures of one test program run, removed at its end.
const std::string &scratch() {
    static const QTemporaryDir dir(QDir::tempPath() + "/sprig-render-XXXXXX");
    static const std::string path = dir.path().toStdString();
    return path;
}

int render(std::vector<std::string> args) {
    args.insert(args.begin(), "render");
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return lsysRenderCommand((int)args.size(), argv.data());
}

// Renders through the command (status 1: drawn with problems) and loads the picture.
QImage renderImage(const std::string &name, std::vector<std::string> args, int status = 0) {
    std::string out = scratch() + "/" + name + ".png";
    unlink(out.c_str());
    args.insert(args.end(), {"-o", out});
    EXPECT_EQ(render(args), status) << name;
    QImage img(QString::fromStdString(out));
    EXPECT_FALSE(img.isNull()) << out;
    return img.convertToFormat(QImage::Format_RGB32);
}

struct rgb_t {
    int r, g, b;
    // The largest difference in a channel.
    int operator-(rgb_t o) const { return std::max({abs(r - o.r), abs(g - o.g), abs(b - o.b)}); }
};
const auto at = [](const QImage &img, int x, int y) {
    return rgb_t{qRed(img.pixel(x, y)), qGreen(img.pixel(x, y)), qBlue(img.pixel(x, y))};
};
const auto grey = [](int g) { return rgb_t{g, g, g}; };
const auto near = [](rgb_t c, rgb_t want) { return c - want <= 2; };

// 8-bit greys of the fixed parts: 0.9 (clear colour, even squares), 0.8 (odd squares), 0.6 (frame).
const int kLight = 230, kDark = 204, kFrame = 153;
const auto checker = [](int x, int y) { return grey((x / 20 + y / 20) % 2 ? kDark : kLight); };

// Pixels in r (the whole picture if empty) for which pred holds.
using pred_t = std::function<bool(int x, int y, rgb_t c)>;
int count(const QImage &img, const pred_t &pred, QRect r = QRect()) {
    if (r.isNull()) r = img.rect();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); y++)
        for (int x = r.left(); x <= r.right(); x++)
            n += pred(x, y, at(img, x, y));
    return n;
}
// Pixels in r off the colour want(x, y); a negative red means any colour.
int off(const QImage &img, QRect r, const std::function<rgb_t(int, int)> &want) {
    return count(
        img, [&](int x, int y, rgb_t c) { return want(x, y).r >= 0 && !near(c, want(x, y)); }, r);
}
// The box of the pixels in r for which pred holds.
QRect box(const QImage &img, const pred_t &pred, QRect r) {
    QRect b;
    count(
        img, [&](int x, int y, rgb_t c) { return pred(x, y, c) && (b |= QRect(x, y, 1, 1), 1); },
        r);
    return b;
}
const pred_t isGreen = [](int, int, rgb_t c) {
    return c.g > 60 && c.g > 1.6 * c.r && c.g > 1.6 * c.b;
};

void expectFrame(const QImage &img) {
    const int w = img.width(), h = img.height();
    auto border = [&](int x, int y) {
        return x % (w - 1) && y % (h - 1) ? rgb_t{-1, 0, 0} : grey(kFrame);
    };
    EXPECT_EQ(off(img, img.rect(), border), 0) << "border pixels that are not the 0.6 grey frame";
    EXPECT_FALSE(near(at(img, 1, 1), grey(kFrame))) << "frame is one pixel wide";
}

// Options the stored pictures do not show, against the tree drawn at the same size without them.
TEST(Render, OptionsChangeThePicture) {
    const auto small = [](const char *name, std::vector<std::string> args, int status = 0) {
        args.insert(args.end(), {"--size", "200x150", "--no-axis"});
        const QImage img = renderImage(name, args, status);
        expectFrame(img);
        return img;
    };
    const QImage base = small("base", {kTree});
    // Channels in order (white in the stored picture would not tell).
    const QImage blue = small("background", {kTree, "--background", "0.2,0.4,1"});
    EXPECT_EQ(off(blue, QRect(1, 1, 198, 19), [](int, int) { return rgb_t{51, 102, 255}; }), 0);
    const QImage half = small("growth", {kTree, "--growth", "0.5"});
    EXPECT_LT(count(half, isGreen), count(base, isGreen) * 3 / 4);
    // No model: the camera centres on the origin; a partial row of squares at the bottom.
    const std::string empty = scratch() + "/empty.ls";
    std::ofstream(empty) << "# nothing to draw\n";
    const QImage none = small("empty", {empty}, 1); // 1: "no axiom"
    EXPECT_EQ(off(none, QRect(1, 1, 198, 148), checker), 0);
}

const std::string kData = kTests + "/data/render/";

std::string readText(const std::string &path) {
    std::ifstream f(path);
    return std::string(std::istreambuf_iterator<char>(f), {});
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

// Segments thinner than a pixel still show: the outline is one connected piece of pixels, on
// nothing where there is no model (no background, no frame).
TEST(RenderImage, ThinSegmentsStayConnected) {
    const QImage img = draw(readText(kData + "thin-curve.ls"));
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
    std::vector<QPoint> todo;
    std::vector<char> reached(size_t(img.width() * img.height()), 0);
    const int drawn = count(img, [&](int x, int y, rgb_t) {
        const bool in = qAlpha(img.pixel(x, y)) > 0;
        if (in && todo.empty()) todo.push_back(QPoint(x, y)), reached[y * img.width() + x] = 1;
        return in;
    });
    int connected = 0;
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        ++connected;
        for (int dy = -1; dy <= 1; dy++)
            for (int dx = -1; dx <= 1; dx++) {
                const QPoint q = p + QPoint(dx, dy);
                if (!img.rect().contains(q) || qAlpha(img.pixel(q)) == 0) continue;
                char &seen = reached[q.y() * img.width() + q.x()];
                if (!seen) seen = 1, todo.push_back(q);
            }
    }
    EXPECT_GT(drawn, 2000);
    EXPECT_EQ(connected, drawn);
}

// The SVG holds every triangle of a model in view, each filled with the colour the picture
// shows at its centre: painted back in order, it is the picture.
TEST(RenderImage, SvgMatchesThePicture) {
    const std::string text = readText(kData + "flat-prisms.ls");
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

// A growth animation: a picture per step, named from 0, transparent as asked, under one
// camera: the red marker that every growth draws stays where it is while the plant grows.
TEST(Render, GrowthAnimationKeepsItsCamera) {
    const std::string frames = scratch() + "/frames";
    mkdir(frames.c_str(), 0777);
    ASSERT_EQ(render({kData + "growth-marker.ls", "-o", frames + "/f-%02d.png", "--growth", "0:1",
                      "--frames", "4", "--size", "200x150", "--no-axis", "--background", "none"}),
              0);
    QRect marker;
    int green = -1;
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        const QImage img(QString::fromStdString(frames + "/f-0" + std::to_string(i) + ".png"));
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
        const QRect red = box(
            img, [](int, int, rgb_t c) { return c.r > 2 * c.g + 40; }, img.rect());
        EXPECT_TRUE(i == 0 ? !(marker = red).isEmpty() : red == marker);
        EXPECT_GT(count(img, isGreen), green);
        green = count(img, isGreen);
    }
    EXPECT_NE(access((frames + "/f-04.png").c_str(), F_OK), 0);
}

// Every gallery description opens whole, not tiny, and not seen edge-on as a mere line.
TEST(RenderImage, EveryGalleryExampleOpensWholeAndFacing) {
    const render_request_t r = bare(200, 150);
    const QStringList names = QDir(QString::fromStdString(kExamples)).entryList({"*.ls"});
    ASSERT_GE(names.size(), 10);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QImage img = draw(readText(kExamples + "/" + name.toStdString()), r);
        const QRect b = box(
            img, [&](int x, int y, rgb_t) { return qAlpha(img.pixel(x, y)) > 0; }, img.rect());
        EXPECT_TRUE(img.rect().adjusted(2, 2, -2, -2).contains(b))
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
    const QImage img = draw("thickness 50\naxiom F\n", r);
    const QRect red = box(
        img, [&](int x, int y, rgb_t) { return qAlpha(img.pixel(x, y)) > 0; }, img.rect());
    ASSERT_GT(red.width(), 10);
    EXPECT_GT(double(red.height()) / red.width(), 0.8);
    EXPECT_LT(double(red.height()) / red.width(), 1.25);
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

TEST(Render, MatchesStoredPictures) {
    const char *update = getenv("SPRIG_UPDATE_GOLDEN");
    const bool updating = update && *update && strcmp(update, "0") != 0;
    const struct {
        const char *name;
        std::vector<std::string> args;
    } cases[] = {
        {"tree", {kExamples + "/tree.ls", "--size", "320x240"}},
        {"color-helix-aa", {kExamples + "/color-helix.ls", "--size", "320x240", "--aa"}},
        {"hilbert-3d-plain",
         {kExamples + "/hilbert-3d.ls", "--size", "240x320", "--no-axis", "--background", "1,1,1"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QImage got = renderImage(std::string("golden-") + c.name, c.args);
        std::string golden = kTests + "/golden/" + c.name + ".png";
        if (updating) {
            mkdir((kTests + "/golden").c_str(), 0777);
            ASSERT_TRUE(got.save(QString::fromStdString(golden), "PNG")) << golden;
            continue;
        }
        QImage want(QString::fromStdString(golden));
        ASSERT_FALSE(want.isNull()) << golden << " missing: run with SPRIG_UPDATE_GOLDEN=1";
        want = want.convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(got.size(), want.size());
        // Rasterisers may round an edge pixel differently; a change of the drawing moves
        // whole areas. Allow 0.5% of pixels off by more than 24 levels in a channel.
        long total = 0;
        const int off = count(got, [&](int x, int y, rgb_t a) {
            total += a - at(want, x, y);
            return a - at(want, x, y) > 24;
        });
        int pixels = got.width() * got.height();
        EXPECT_LE(off, pixels / 200) << "pixels that differ from " << golden;
        EXPECT_LT((double)total / pixels, 1.5) << "mean difference from " << golden;
    }
}

TEST(Render, RejectsBadOptionsAndFiles) {
    const std::string out = scratch() + "/bad.png";
    // IN, OUT and MISSING stand for the tree, the picture and an unreadable description.
    std::vector<std::string> bad = {"IN", "-o OUT", "IN IN -o OUT", "MISSING -o OUT",
                                    "IN -o OUT --size"};
    for (const char *option :
         {"--size 0x10", "--size 10x", "--size axb", "--size 8193x10", "--size 10x10x10",
          "--background 1,2", "--background 0.5,0.5,2", "--background a,b,c",
          "--background 0.1,0.2,0.3,0.4", "--growth -1", "--frames 3", "--growth 0:1",
          "--growth 0:1 --frames 0", "--growth 0:1 --frames 2", "--format jpeg --background none"})
        bad.push_back(std::string("IN -o OUT ") + option);
    for (const std::string &shown : bad) {
        SCOPED_TRACE(shown);
        std::vector<std::string> args;
        for (const QString &w : QString::fromStdString(shown).split(' '))
            args.push_back(w == "IN"        ? kTree
                           : w == "OUT"     ? out
                           : w == "MISSING" ? scratch() + "/missing.ls"
                                            : w.toStdString());
        unlink(out.c_str());
        EXPECT_EQ(render(args), 2);
        EXPECT_NE(access(out.c_str(), F_OK), 0) << "no picture on bad options";
    }
    EXPECT_EQ(render({"--help"}), 0);
    EXPECT_EQ(render({kTree, "-o", scratch() + "/no/such/dir/x.png", "--size", "8x8"}), 2);
}

TEST(RenderDeathTest, NoOpenGLExitsWithStatus2) {
    // Point the GL dispatch library at no EGL driver at all, in a fresh child process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/egl-vendor.json", 1);
            exit(render({kTree, "-o", scratch() + "/nogl.png", "--size", "8x8"}));
        },
        ::testing::ExitedWithCode(2), "no OpenGL available");
}

} // namespace

int main(int argc, char **argv) {
    unsetenv("DISPLAY"); // rendering must not need a display server
    unsetenv("WAYLAND_DISPLAY");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
