// Mouse, wheel and spin arithmetic of the scene view, as scripts of events on a fresh 400 x 300
// view and what they answer and leave (tests/data/interaction/scripts.txt).
#include "interaction.h"

#include "rows.h"
#include "trackball.h"

#include <gtest/gtest.h>
#include <math.h>

#include <algorithm>
#include <map>

namespace {

// Numbers as the scripts write them: 5 significant digits, and 0 for anything below 1e-6.
template <class T> std::string nums(const T *v, int n) {
    std::string out;
    for (char buf[32]; n-- > 0; out += buf, v++)
        snprintf(buf, sizeof buf, n ? "%.5g " : "%.5g", fabs(*v) < 1e-6 ? 0.0 : (double)*v);
    return out;
}

// Runs the script (steps separated by ';') and returns the words its steps answer.
std::string run(const std::string &script) {
    scene_t s{};
    resetCamera(&s, nullptr, 0.0f);
    sceneResize(&s, 400, 300);
    gTrackball = gPan = gDolly = false;
    for (float &v : gTrackBallRotation)
        v = 0.0f;
    gTrackingViewInfo = nullptr;
    spin_t sp;
    spinInit(&sp, 50.0); // the clock starts at 50 s; tick gaps count from there
    const char *cursors[] = {"arrow", "crosshair", "hand", "updown"};
    std::string out, step;
    std::istringstream steps(script);
    while (std::getline(steps, step, ';')) {
        std::istringstream in(step);
        std::string op, a, b;
        double x = 0, y = 0, z = 0;
        in >> op;
        if (op == "press") {
            in >> a >> b >> x >> y;
            const int button = a == "left"    ? BUTTON_LEFT
                               : a == "right" ? BUTTON_RIGHT
                                              : BUTTON_OTHER;
            const int mods = (b.find("control") != std::string::npos ? MOD_CONTROL : 0) |
                             (b.find("option") != std::string::npos ? MOD_OPTION : 0);
            out += cursors[mousePress(&s, button, mods, (float)x, (float)y)];
        } else if (op == "drag") {
            bool projection = false;
            in >> x >> y;
            out += mouseDrag(&s, (float)x, (float)y, &projection) ? "redraw" : "still";
            out += projection ? " projection" : "";
        } else if (op == "release") {
            out += cursors[mouseRelease(&s)];
        } else if (op == "wheel") {
            in >> x >> y >> z;
            out += scrollWheel(&s, (float)x, (float)y, (float)z) ? "zoom" : "still";
        } else if (op == "eye") {
            in >> s.camera.viewPos.z;
        } else if (op == "spin") {
            in >> a;
            sp.fAnimate = a == "on";
        } else if (op == "velocity") {
            in >> sp.rVel[0] >> sp.rVel[1] >> sp.rVel[2];
        } else if (op == "tick") {
            in >> x;
            out += animationTick(&sp, &s, 50.0 + x) ? "frame" : "none";
        } else if (op == "drawn") {
            spinFrameDrawn(&sp);
        } else if (op == "steps") { // N steps of 1/60 s
            in >> x;
            while (x-- > 0)
                updateObjectRotationForTimeDelta(&sp, &s, 1.0 / 60.0);
        } else if (op == "drag?") {
            out += gTrackball ? "rotate" : gPan ? "pan" : gDolly ? "dolly" : "none";
            out += gTrackingViewInfo == (gTrackball || gPan || gDolly ? &s : nullptr) ? "" : "!";
        } else {
            const float *r = s.objectRotation;
            const std::map<std::string, std::string> shown = {
                {"eye?", nums(&s.camera.viewPos.x, 3) + " at " + nums(&s.camera.viewDir.z, 1)},
                {"start?", nums(gDollyPanStartPoint, 2)},
                {"aperture?", nums(&s.camera.aperture, 1)},
                {"world?", nums(s.worldRotation, 4)},
                {"live?", nums(s.trackRotation, 4) + " / " + nums(gTrackBallRotation, 4)},
                {"object?", nums(r, 4)},
                {"finite?", std::isfinite(r[0] + r[1] + r[2] + r[3]) ? "finite" : "not finite"},
                {"spin?", nums(&(x = sp.time - 50.0), 1) + " / " + nums(sp.rRot, 3) + " / " +
                              nums(sp.rVel, 3) + " / " + nums(sp.rAccel, 3)}};
            out += shown.count(op) ? shown.at(op) : "unknown step '" + op + "'";
        }
        if (!out.empty() && out.back() != ' ') out += " ";
    }
    return out.empty() ? out : out.substr(0, out.size() - 1);
}

TEST(Interaction, ScriptsAnswerAsTheTableSays) {
    for (const row_t &r : dataRows("interaction/scripts.txt"))
        EXPECT_EQ(run(r[1]), r[2]) << r[0];
}

} // namespace
