/* Headless renders (`lsys render`): pictures of gallery descriptions compared with stored
 * ones, and checks of what any correct picture must show: the checkerboard's two greys, the
 * 0.6 grey frame, the model's own colours, the floor, plain backgrounds, anti-aliasing; and
 * the command's handling of bad options and missing GL.
 *
 * Stored pictures live in tests/golden. To regenerate them after an intended change of the
 * drawing, run the test with SPRIG_UPDATE_GOLDEN=1 and look at the new files before
 * committing them.
 */
#include "render.h"

#include "camera.h"
#include "model_gl.h"
#include "offscreen.h"
#include "scene_gl.h"

#include <GL/gl.h>

#include <QImage>
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string kTests = SPRIG_TESTS_DIR;
const std::string kExamples = SPRIG_EXAMPLES_DIR;

/* A scratch directory for the pictures of one test program run. */
const std::string &scratch() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/sprig-render-XXXXXX";
        const char *d = mkdtemp(tmpl);
        return std::string(d ? d : "/tmp");
    }();
    return dir;
}

int render(std::vector<std::string> args) {
    args.insert(args.begin(), "render");
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return lsysRenderCommand((int)args.size(), argv.data());
}

/* Renders and loads the picture; fails the test when either step fails. */
QImage renderImage(const std::string &name, std::vector<std::string> args) {
    std::string out = scratch() + "/" + name + ".png";
    unlink(out.c_str());
    args.push_back("-o");
    args.push_back(out);
    int rc = render(args);
    EXPECT_EQ(rc, 0) << name;
    QImage img(QString::fromStdString(out));
    EXPECT_FALSE(img.isNull()) << out;
    return img.convertToFormat(QImage::Format_RGB32);
}

struct rgb_t {
    int r, g, b;
};

rgb_t at(const QImage &img, int x, int y) {
    QRgb p = img.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

bool near(rgb_t c, int r, int g, int b, int tol = 2) {
    return abs(c.r - r) <= tol && abs(c.g - g) <= tol && abs(c.b - b) <= tol;
}

::testing::AssertionResult pixelIs(const QImage &img, int x, int y, int r, int g, int b) {
    rgb_t c = at(img, x, y);
    if (near(c, r, g, b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << "," << y << ") is (" << c.r << "," << c.g << "," << c.b
           << "), expected (" << r << "," << g << "," << b << ")";
}

/* Grey levels of the picture's fixed parts in 8 bits. */
const int kLight = 230; /* 0.9: clear colour, even squares */
const int kDark = 204;  /* 0.8: odd squares */
const int kFrame = 153; /* 0.6: the one-pixel frame */

int checkerGrey(int x, int y) {
    return ((x / 20 * 20 + y / 20 * 20) / 20) % 2 ? kDark : kLight;
}

/* Counts pixels matching a predicate. */
template <class F> int count(const QImage &img, F pred) {
    int n = 0;
    for (int y = 0; y < img.height(); y++)
        for (int x = 0; x < img.width(); x++)
            n += pred(at(img, x, y));
    return n;
}

bool isRed(rgb_t c) {
    return c.r > 60 && c.r > 2 * c.g && c.r > 2 * c.b;
}
bool isGreen(rgb_t c) {
    return c.g > 60 && c.g > 1.6 * c.r && c.g > 1.6 * c.b;
}
bool isBlue(rgb_t c) {
    return c.b > 60 && c.b > 2 * c.r && c.b > 2 * c.g;
}

const std::string kTree = kTests + "/data/render-tree.ls";

void expectFrame(const QImage &img) {
    int w = img.width(), h = img.height(), bad = 0;
    for (int x = 0; x < w; x++)
        bad += !near(at(img, x, 0), kFrame, kFrame, kFrame);
    for (int x = 0; x < w; x++)
        bad += !near(at(img, x, h - 1), kFrame, kFrame, kFrame);
    for (int y = 0; y < h; y++)
        bad += !near(at(img, 0, y), kFrame, kFrame, kFrame);
    for (int y = 0; y < h; y++)
        bad += !near(at(img, w - 1, y), kFrame, kFrame, kFrame);
    EXPECT_EQ(bad, 0) << "border pixels that are not the 0.6 grey frame";
    EXPECT_FALSE(near(at(img, 1, 1), kFrame, kFrame, kFrame)) << "frame is one pixel wide";
}

TEST(Render, TreeOverCheckerboardWithFloorAndFrame) {
    QImage img = renderImage("tree", {kTree, "--size", "400x300"});
    ASSERT_EQ(img.size(), QSize(400, 300));
    expectFrame(img);

    /* The top band is above the model: pure checkerboard, top-left square light. */
    EXPECT_TRUE(pixelIs(img, 5, 5, kLight, kLight, kLight));
    EXPECT_TRUE(pixelIs(img, 25, 5, kDark, kDark, kDark));
    EXPECT_TRUE(pixelIs(img, 5, 25, kDark, kDark, kDark));
    EXPECT_TRUE(pixelIs(img, 25, 25, kLight, kLight, kLight));
    int wrong = 0;
    for (int y = 1; y < 40; y++)
        for (int x = 1; x < 399; x++)
            wrong += !near(at(img, x, y), checkerGrey(x, y), checkerGrey(x, y), checkerGrey(x, y));
    EXPECT_EQ(wrong, 0) << "pixels of the top band that are not the checkerboard";

    /* The model's own colours, lit: the red trunk and the green branches. */
    QImage bare = renderImage("tree-no-axis", {kTree, "--size", "400x300", "--no-axis"});
    EXPECT_GT(count(bare, isRed), 300);
    EXPECT_GT(count(bare, isGreen), 3000);
    EXPECT_EQ(count(bare, isBlue), 0);

    /* The floor: disc and axis lines, only with the axis setting on. The blue axis points
     * down from the floor, below the trunk. */
    EXPECT_GT(count(img, isBlue), 20);
    int changed = 0;
    for (int y = 0; y < 300; y++)
        for (int x = 0; x < 400; x++)
            changed += img.pixel(x, y) != bare.pixel(x, y);
    EXPECT_GT(changed, 400 * 300 / 50) << "the floor disc covers a visible area";
    int changedAbove = 0;
    for (int y = 0; y < 100; y++)
        for (int x = 0; x < 400; x++)
            changedAbove += img.pixel(x, y) != bare.pixel(x, y);
    EXPECT_EQ(changedAbove, 0) << "the floor lies under the model";
}

TEST(Render, PlainBackgroundReplacesTheCheckerboard) {
    QImage img = renderImage(
        "tree-plain", {kTree, "--size", "200x150", "--background", "0.2,0.4,1", "--no-axis"});
    expectFrame(img);
    int wrong = 0;
    for (int y = 1; y < 20; y++)
        for (int x = 1; x < 199; x++)
            wrong += !near(at(img, x, y), 51, 102, 255);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(count(img, isGreen), 300);
}

TEST(Render, EmptyDescriptionShowsTheDefaultFloor) {
    std::string empty = scratch() + "/empty.ls";
    FILE *f = fopen(empty.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("# nothing to draw\n", f);
    fclose(f);
    QImage img = renderImage("empty", {empty, "--size", "160x120"});
    expectFrame(img);
    EXPECT_TRUE(pixelIs(img, 5, 5, kLight, kLight, kLight));
    /* No model: the camera centres on the origin, the disc of radius 300 lies just below
     * the eye, seen edge-on, and the blue axis points down the middle. */
    EXPECT_GT(count(img, isBlue), 5);
}

TEST(Render, AntiAliasingSmoothsEdges) {
    QImage plain = renderImage("tree-plain-edges", {kTree, "--size", "200x150", "--no-axis"});
    QImage smooth = renderImage("tree-aa", {kTree, "--size", "200x150", "--no-axis", "--aa"});
    /* Multisampling blends edge pixels: many more distinct colours than a hard-edged picture
     * of the same scene, which is otherwise nearly the same picture. */
    auto distinct = [](const QImage &img) {
        std::vector<QRgb> all;
        for (int y = 0; y < img.height(); y++)
            for (int x = 0; x < img.width(); x++)
                all.push_back(img.pixel(x, y));
        std::sort(all.begin(), all.end());
        return (int)(std::unique(all.begin(), all.end()) - all.begin());
    };
    EXPECT_GT(distinct(smooth), distinct(plain) * 5 / 4);
    int far = 0;
    for (int y = 0; y < 150; y++)
        for (int x = 0; x < 200; x++) {
            rgb_t a = at(plain, x, y), b = at(smooth, x, y);
            far += abs(a.r - b.r) + abs(a.g - b.g) + abs(a.b - b.b) > 120;
        }
    EXPECT_LT(far, 200 * 150 / 20);
    expectFrame(smooth);
}

TEST(Render, GrowthScalesTheRecursion) {
    QImage full = renderImage("tree-grown", {kTree, "--size", "200x150", "--no-axis"});
    QImage half =
        renderImage("tree-half", {kTree, "--size", "200x150", "--no-axis", "--growth", "0.5"});
    EXPECT_LT(count(half, isGreen), count(full, isGreen) * 3 / 4);
}

/* ---- Frame pieces drawn directly (the print picture, the checkerboard, GL errors) ---- */

std::string readText(const std::string &path) {
    std::string text;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    fclose(f);
    return text;
}

/* A headless context with the view's fixed state and a w x h viewport. */
struct gl_fixture_t {
    offscreen_t *gl;
    scene_t scene = {};
    gl_fixture_t(int w, int h) {
        std::string error;
        gl = offscreenCreate(w, h, false, &error);
        EXPECT_NE(gl, nullptr) << error;
        if (!gl) return;
        prepareOpenGL();
        resetCamera(&scene, NULL, 0);
        resizeOpenGL(&scene, w, h);
    }
    ~gl_fixture_t() { offscreenFree(gl); }
};

TEST(SceneGL, PrintPictureIsTheModelAloneOnWhite) {
    gl_fixture_t f(200, 150);
    ASSERT_NE(f.gl, nullptr);
    model_gl_t model = {};
    modelRefresh(&model, readText(kTree).c_str(), 1.0f, nullTrace);
    EXPECT_EQ(model.gen->sink, nullptr) << "no GL sink left armed in the model";
    float c[3], r;
    modelCenter(model.gen, c, &r);
    resetCamera(&f.scene, c, r);
    drawPrintImage(&f.scene, modelDrawCallback, &model);
    QImage img = offscreenRead(f.gl);
    /* No frame, no checkerboard, no floor: white everywhere the model is not. */
    for (int x = 0; x < 200; x++) {
        EXPECT_TRUE(pixelIs(img, x, 0, 255, 255, 255));
        EXPECT_TRUE(pixelIs(img, x, 149, 255, 255, 255));
    }
    EXPECT_TRUE(pixelIs(img, 25, 5, 255, 255, 255));
    EXPECT_GT(count(img, isGreen), 300);
    EXPECT_GT(count(img, isRed), 30);
    EXPECT_EQ(count(img, isBlue), 0);
    modelRelease(&model);
}

TEST(SceneGL, CheckerboardOfASmallViewIsClippedAtTheEdges) {
    gl_fixture_t f(45, 25);
    ASSERT_NE(f.gl, nullptr);
    scene_style_t style = sceneStyleDefaults();
    drawScene(&f.scene, &style, NULL, NULL, NULL);
    QImage img = offscreenRead(f.gl);
    /* Dark squares at (20, 0), (0, 20) and (40, 20) only; the frame on the border. */
    int wrong = 0;
    for (int y = 1; y < 24; y++)
        for (int x = 1; x < 44; x++) {
            bool dark =
                (x >= 20 && x < 40 && y < 20) || (x < 20 && y >= 20) || (x >= 40 && y >= 20);
            int g = dark ? kDark : kLight;
            wrong += !near(at(img, x, y), g, g, g);
        }
    EXPECT_EQ(wrong, 0);
    expectFrame(img);
}

std::vector<std::string> gLogged;
void logLine(const char *line) {
    gLogged.push_back(line);
}

TEST(SceneGL, ReportsOneGLErrorPerCall) {
    gl_fixture_t f(8, 8);
    ASSERT_NE(f.gl, nullptr);
    sceneSetLog(logLine);
    gLogged.clear();
    EXPECT_EQ(glReportError(), 0u);
    glEnable(0x7fff); /* GL_INVALID_ENUM */
    EXPECT_EQ(glReportError(), (unsigned)GL_INVALID_ENUM);
    EXPECT_EQ(glReportError(), 0u);
    glLineWidth(-1.0f); /* GL_INVALID_VALUE */
    EXPECT_EQ(glReportError(), (unsigned)GL_INVALID_VALUE);
    sceneSetLog(NULL);
    ASSERT_EQ(gLogged.size(), 2u);
    EXPECT_EQ(gLogged[0], "glError: invalid enumerant");
    EXPECT_EQ(gLogged[1], "glError: invalid value");
}

TEST(SceneGL, RefreshReplacesTheDisplayList) {
    gl_fixture_t f(8, 8);
    ASSERT_NE(f.gl, nullptr);
    model_gl_t model = {};
    modelRefresh(&model, "axiom F\n", 1.0f, nullTrace);
    unsigned first = model.list;
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(glIsList(first));
    modelRefresh(&model, "axiom FF\n", 1.0f, nullTrace);
    EXPECT_NE(model.list, 0u);
    EXPECT_TRUE(glIsList(model.list));
    if (model.list != first) {
        EXPECT_FALSE(glIsList(first)) << "old list deleted";
    }
    /* The new model: two joined tube segments, 8 sides each, a start and an end cap. */
    EXPECT_EQ(model.gen->polygon_count, 32u);
    modelDropList(&model);
    EXPECT_EQ(model.list, 0u);
    EXPECT_NE(model.gen, nullptr);
    modelRelease(&model);
    EXPECT_EQ(model.gen, nullptr);
    EXPECT_EQ(glReportError(), 0u);
}

/* ---- Golden pictures ---- */

struct golden_case_t {
    const char *name;
    std::string file;
    std::vector<std::string> args;
};

bool updating() {
    const char *v = getenv("SPRIG_UPDATE_GOLDEN");
    return v && *v && strcmp(v, "0") != 0;
}

TEST(Render, MatchesStoredPictures) {
    const golden_case_t cases[] = {
        {"tree", kExamples + "/tree.ls", {"--size", "320x240"}},
        {"color-helix-aa", kExamples + "/color-helix.ls", {"--size", "320x240", "--aa"}},
        {"hilbert-3d-plain",
         kExamples + "/hilbert-3d.ls",
         {"--size", "240x320", "--no-axis", "--background", "1,1,1"}},
        {"render-tree", kTree, {"--size", "320x240"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), c.file);
        QImage got = renderImage(std::string("golden-") + c.name, args);
        std::string golden = kTests + "/golden/" + c.name + ".png";
        if (updating()) {
            mkdir((kTests + "/golden").c_str(), 0777);
            ASSERT_TRUE(got.save(QString::fromStdString(golden), "PNG")) << golden;
            continue;
        }
        QImage want(QString::fromStdString(golden));
        ASSERT_FALSE(want.isNull()) << golden << " missing: run with SPRIG_UPDATE_GOLDEN=1";
        want = want.convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(got.size(), want.size());
        /* Rasterisers may round an edge pixel differently; a change of the drawing moves
         * whole areas. Allow 0.5% of pixels off by more than 24 levels in a channel. */
        int off = 0;
        long total = 0;
        for (int y = 0; y < got.height(); y++)
            for (int x = 0; x < got.width(); x++) {
                rgb_t a = at(got, x, y), b = at(want, x, y);
                int d = std::max({abs(a.r - b.r), abs(a.g - b.g), abs(a.b - b.b)});
                off += d > 24;
                total += d;
            }
        int pixels = got.width() * got.height();
        EXPECT_LE(off, pixels / 200) << "pixels that differ from " << golden;
        EXPECT_LT((double)total / pixels, 1.5) << "mean difference from " << golden;
    }
}

/* ---- The command ---- */

TEST(Render, RejectsBadOptions) {
    const std::string out = scratch() + "/bad.png";
    const std::vector<std::vector<std::string>> cases = {
        {kTree},                      /* no output */
        {"-o", out},                  /* no input */
        {kTree, kTree, "-o", out},    /* two inputs */
        {kTree, "-o"},                /* -o without a name */
        {kTree, "-o", out, "--size"}, /* --size without a value */
        {kTree, "-o", out, "--size", "0x10"},
        {kTree, "-o", out, "--size", "10x"},
        {kTree, "-o", out, "--size", "axb"},
        {kTree, "-o", out, "--size", "8193x10"},
        {kTree, "-o", out, "--size", "10x10x10"},
        {kTree, "-o", out, "--size", "99999999999999999999x10"},
        {kTree, "-o", out, "--background", "1,2"},
        {kTree, "-o", out, "--background", "0.5,0.5,2"},
        {kTree, "-o", out, "--background", "a,b,c"},
        {kTree, "-o", out, "--background", "0.1,0.2,0.3,0.4"},
        {kTree, "-o", out, "--background", ",,"},
        {kTree, "-o", out, "--growth", "-1"},
        {kTree, "-o", out, "--growth", "nan"},
        {kTree, "-o", out, "--growth", "1x"},
        {kTree, "-o", out, "--frobnicate"},
    };
    for (const auto &args : cases) {
        std::string shown;
        for (const auto &a : args)
            shown += a + " ";
        SCOPED_TRACE(shown);
        unlink(out.c_str());
        EXPECT_EQ(render(args), 2);
        EXPECT_NE(access(out.c_str(), F_OK), 0) << "no picture on bad options";
    }
    EXPECT_EQ(render({"--help"}), 0);
}

TEST(Render, ReportsUnreadableInputAndUnwritableOutput) {
    const std::string out = scratch() + "/never.png";
    EXPECT_EQ(render({scratch() + "/missing.ls", "-o", out}), 2);
    EXPECT_NE(access(out.c_str(), F_OK), 0);
    EXPECT_EQ(render({kTree, "-o", scratch() + "/no/such/dir/x.png", "--size", "8x8"}), 2);
    /* Writing over an existing picture replaces it whole. */
    ASSERT_EQ(render({kTree, "-o", out, "--size", "8x8"}), 0);
    ASSERT_EQ(render({kTree, "-o", out, "--size", "16x12"}), 0);
    EXPECT_EQ(QImage(QString::fromStdString(out)).size(), QSize(16, 12));
}

TEST(RenderDeathTest, NoOpenGLExitsWithStatus2) {
    /* Point the GL dispatch library at no EGL driver at all, in a fresh child process. */
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/egl-vendor.json", 1);
            exit(render({kTree, "-o", scratch() + "/nogl.png", "--size", "8x8"}));
        },
        ::testing::ExitedWithCode(2), "no OpenGL available");
}

TEST(Render, CommandLineToolRendersWithoutDisplay) {
    const std::string binary = SPRIG_LSYS_BINARY;
    if (binary.empty()) GTEST_SKIP() << "the lsys tool is not part of this build";
    std::string out = scratch() + "/via-tool.png";
    std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY '" + binary + "' render '" + kTree +
                      "' -o '" + out + "' --size 200x150 --no-axis";
    int status = system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    QImage viaTool(QString::fromStdString(out));
    QImage inProcess = renderImage("in-process", {kTree, "--size", "200x150", "--no-axis"});
    ASSERT_FALSE(viaTool.isNull());
    EXPECT_EQ(viaTool.convertToFormat(QImage::Format_RGB32), inProcess);
}

} // namespace

int main(int argc, char **argv) {
    unsetenv("DISPLAY"); /* rendering must not need a display server */
    unsetenv("WAYLAND_DISPLAY");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
