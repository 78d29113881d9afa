// What the GUI tests count as red in a grabbed picture: the models they look for and the error
// marks are red, which nothing else on screen is (the view's axis is turned off where it counts).
#ifndef SPRIG_TESTS_RED_PIXELS_H
#define SPRIG_TESTS_RED_PIXELS_H

#include <QImage>

inline bool isRed(QRgb p) {
    return qRed(p) > 2 * qGreen(p) + 40 && qRed(p) > 2 * qBlue(p) + 40;
}

inline int redPixels(const QImage &image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += isRed(image.pixel(x, y));
    return n;
}

#endif
