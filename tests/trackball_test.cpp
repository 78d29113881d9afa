// Trackball: scripts of presses, rolls and compositions (tests/data/trackball/scripts.txt), and
// that a composition turns vectors as its two rotations in turn (compose.txt).
#include "rows.h"
#include "trackball.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

// Numbers as the scripts write them: 5 significant digits, and 0 for anything below 1e-6.
template <class T> std::string nums(const T *v, int n) {
    std::string out;
    for (char buf[32]; n-- > 0; out += buf, v++)
        snprintf(buf, sizeof buf, n ? "%.5g " : "%.5g", fabs(*v) < 1e-6 ? 0.0 : (double)*v);
    return out;
}

// Steps separated by ';': "start X Y ORIGINX ORIGINY WIDTH HEIGHT", "rot A X Y Z" (sets the
// rotation), "roll X Y" (into the rotation), "add A X Y Z" (composes it after the rotation);
// "ball?" answers the centre, the radius and the lifted press point, "rot?" the rotation.
std::string run(const std::string &script) {
    float rot[4] = {0, 0, 0, 0}, added[4];
    int v[6];
    std::string out, step, op;
    std::istringstream steps(script);
    while (std::getline(steps, step, ';')) {
        std::istringstream in(step);
        in >> op;
        if (op == "start" && in >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5])
            startTrackball(v[0], v[1], v[2], v[3], v[4], v[5]);
        else if (op == "rot")
            in >> rot[0] >> rot[1] >> rot[2] >> rot[3];
        else if (op == "roll" && in >> v[0] >> v[1])
            rollToTrackball(v[0], v[1], rot);
        else if (op == "add" && in >> added[0] >> added[1] >> added[2] >> added[3])
            addToRotationTrackball(added, rot);
        else if (op == "ball?")
            out += nums(&gXCenterTrackball, 1) + " " + nums(&gYCenterTrackball, 1) + " " +
                   nums(&gRadiusTrackball, 1) + " / " + nums(gStartPtTrackball, 3) + " ";
        else if (op == "rot?")
            out += nums(rot, 4) + " ";
        else
            return "bad step '" + step + "'";
    }
    return out.substr(0, out.size() - 1);
}

TEST(Trackball, ScriptsAnswerAsTheTableSays) {
    for (const row_t &r : dataRows("trackball/scripts.txt"))
        EXPECT_EQ(run(r[1]), r[2]) << r[0];
}

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

TEST(Trackball, ComposeTurnsAsTheTwoRotationsInTurn) {
    const double probes[][3] = {{1, 0, 0}, {0, 1, 0}, {0.3, -0.5, 0.8}};
    for (const row_t &r : dataRows("trackball/compose.txt")) {
        const std::vector<double> a = rowNumbers(r[1]), b = rowNumbers(r[2]);
        const float stored[4] = {(float)a[0], (float)a[1], (float)a[2], (float)a[3]},
                    added[4] = {(float)b[0], (float)b[1], (float)b[2], (float)b[3]};
        float res[4] = {stored[0], stored[1], stored[2], stored[3]};
        addToRotationTrackball(added, res);
        for (const auto &v : probes) {
            double step[3], twice[3], once[3];
            rotate(stored, v, step);
            rotate(added, step, twice);
            rotate(res, v, once);
            for (int i = 0; i < 3; i++)
                EXPECT_NEAR(once[i], twice[i], 1e-4) << r[0] << ", coordinate " << i;
        }
    }
}

} // namespace
