// Trackball: scripts of presses, rolls and compositions (tests/data/trackball/scripts.txt).
#include "rows.h"
#include "trackball.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

namespace {

// v turned by the angle-axis rotation r (Rodrigues), in double precision.
void rotate(const float r[4], const double v[3], double out[3]) {
    double a = r[0] * M_PI / 180, n = sqrt(r[1] * r[1] + r[2] * r[2] + r[3] * r[3]);
    double k[3] = {r[1] / n, r[2] / n, r[3] / n}, c = cos(a), s = sin(a);
    if (a == 0 || n == 0) k[0] = k[1] = k[2] = 0, c = 1, s = 0;
    double d = k[0] * v[0] + k[1] * v[1] + k[2] * v[2];
    double cr[3] = {k[1] * v[2] - k[2] * v[1], k[2] * v[0] - k[0] * v[2],
                    k[0] * v[1] - k[1] * v[0]};
    for (int i = 0; i < 3; i++)
        out[i] = v[i] * c + cr[i] * s + k[i] * d * (1 - c);
}

// Steps: "start X Y ORIGINX ORIGINY WIDTH HEIGHT", "rot A X Y Z" (sets the rotation), "roll X Y"
// (into the rotation), "add A X Y Z" (composes it after the rotation); "ball?" answers the
// centre, the radius and the lifted press point, "rot?" the rotation, "turns?" whether the last
// composition turns vectors as its two rotations in turn (within 1e-4).
std::string run(const std::string &script) {
    float rot[4] = {0, 0, 0, 0}, before[4], added[4];
    return runScript(script, [&](const std::string &op, std::istream &in) -> std::string {
        float v[6];
        for (float &x : v)
            x = (float)readNumber(in);
        if (op == "start")
            startTrackball((int)v[0], (int)v[1], (int)v[2], (int)v[3], (int)v[4], (int)v[5]);
        if (op == "rot") memcpy(rot, v, sizeof rot);
        if (op == "roll") rollToTrackball((int)v[0], (int)v[1], rot);
        if (op == "add") memcpy(before, rot, sizeof rot), memcpy(added, v, sizeof added);
        if (op == "add") addToRotationTrackball(added, rot);
        if (op == "rot?") return rowText(rot, 4);
        if (op == "ball?")
            return rowText(&gXCenterTrackball, 1) + " " + rowText(&gYCenterTrackball, 1) + " " +
                   rowText(&gRadiusTrackball, 1) + " / " + rowText(gStartPtTrackball, 3);
        if (op != "turns?") return "";
        const double probes[][3] = {{1, 0, 0}, {0, 1, 0}, {0.3, -0.5, 0.8}};
        for (const auto &p : probes) {
            double step[3], twice[3], once[3];
            rotate(before, p, step), rotate(added, step, twice), rotate(rot, p, once);
            for (int i = 0; i < 3; i++)
                if (fabs(once[i] - twice[i]) > 1e-4) return "turns otherwise";
        }
        return "turns so";
    });
}

TEST(Trackball, ScriptsAnswerAsTheTableSays) {
    for (const row_t &r : dataRows("trackball/scripts.txt"))
        EXPECT_EQ(run(r[1]), r[2]) << r[0];
}

} // namespace
