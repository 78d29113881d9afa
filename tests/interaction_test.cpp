// Mouse, wheel and spin arithmetic of the scene view, as scripts of events on a fresh 400 x 300
// view and what they answer and leave (tests/data/interaction/scripts.txt, which lists the steps).
#include "interaction.h"

#include "rows.h"
#include "trackball.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <map>

namespace {

std::string run(const std::string &script) {
    scene_t s{};
    resetCamera(&s, nullptr, 0.0f);
    sceneResize(&s, 400, 300);
    gTrackball = gPan = gDolly = false, gTrackingViewInfo = nullptr;
    memset(gTrackBallRotation, 0, sizeof gTrackBallRotation);
    spin_t sp;
    spinInit(&sp, 50.0); // the clock starts at 50 s; tick gaps count from there
    const char *cursors[] = {"arrow", "crosshair", "hand", "updown"},
               *drags[] = {"none", "rotate", "pan", "dolly"};
    return runScript(script, [&](const std::string &op, std::istream &in) -> std::string {
        std::string a, b;
        if (op == "press" && in >> a >> b) {
            const int button = a == "left"    ? BUTTON_LEFT
                               : a == "right" ? BUTTON_RIGHT
                                              : BUTTON_OTHER;
            const int mods = (b.find("control") != std::string::npos ? MOD_CONTROL : 0) |
                             (b.find("option") != std::string::npos ? MOD_OPTION : 0);
            const float x = (float)readNumber(in);
            return cursors[mousePress(&s, button, mods, x, (float)readNumber(in))];
        }
        const float x = (float)readNumber(in), y = (float)readNumber(in), z = (float)readNumber(in);
        bool projection = false;
        if (op == "drag") {
            const bool moved = mouseDrag(&s, x, y, &projection);
            return std::string(moved ? "redraw" : "still") + (projection ? " projection" : "");
        }
        if (op == "release") return cursors[mouseRelease(&s)];
        if (op == "wheel") return scrollWheel(&s, x, y, z) ? "zoom" : "still";
        if (op == "tick") return animationTick(&sp, &s, 50.0 + x) ? "frame" : "none";
        if (op == "eye") s.camera.viewPos.z = x;
        if (op == "spin") sp.fAnimate = x != 0;
        if (op == "velocity") sp.rVel[0] = x, sp.rVel[1] = y, sp.rVel[2] = z;
        if (op == "drawn") spinFrameDrawn(&sp);
        for (int n = op == "steps" ? (int)x : 0; n > 0; n--)
            updateObjectRotationForTimeDelta(&sp, &s, 1.0 / 60.0);
        const float *r = s.objectRotation, clock = (float)(sp.time - 50.0);
        const std::map<std::string, std::string> shown = {
            {"drag?",
             std::string(drags[(gTrackball + 2 * gPan + 3 * gDolly) & 3]) + // one at most
                 (gTrackingViewInfo == (gTrackball || gPan || gDolly ? &s : nullptr) ? "" : "!")},
            {"eye?", rowText(&s.camera.viewPos.x, 3) + " at " + rowText(&s.camera.viewDir.z, 1)},
            {"start?", rowText(gDollyPanStartPoint, 2)},
            {"aperture?", rowText(&s.camera.aperture, 1)},
            {"world?", rowText(s.worldRotation, 4)},
            {"live?", rowText(s.trackRotation, 4) + " / " + rowText(gTrackBallRotation, 4)},
            {"object?", rowText(r, 4)},
            {"finite?", std::isfinite(r[0] + r[1] + r[2] + r[3]) ? "finite" : "not finite"},
            {"spin?", rowText(&clock, 1) + " / " + rowText(sp.rRot, 3) + " / " +
                          rowText(sp.rVel, 3) + " / " + rowText(sp.rAccel, 3)}};
        return shown.count(op) ? shown.at(op) : "";
    });
}

TEST(Interaction, ScriptsAnswerAsTheTableSays) {
    for (const row_t &r : dataRows("interaction/scripts.txt"))
        EXPECT_EQ(run(r[1]), r[2]) << r[0];
}

} // namespace
