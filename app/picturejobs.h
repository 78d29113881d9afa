// Picture files of the window, drawn on the engine thread (engineworker.h) like its other jobs:
// Export Image (PNG, WebP or SVG, chosen by the file's suffix) and the frames of Export Growth
// Animation. They touch no widget; the files go through the safe writer.
#ifndef SPRIG_APP_PICTUREJOBS_H
#define SPRIG_APP_PICTUREJOBS_H

#include "enginejobs.h"

#include <QString>

#include <atomic>

// The formats a picture can be written in, as file-dialog filters (WebP where Qt has it).
QStringList pictureNameFilters();

// The description drawn as r asks, written to path in the format its suffix names (.svg, .webp,
// anything else PNG).
job_outcome_t pictureFileJob(const description_t &d, render_request_t r, const QString &path,
                             const lsys_cancel_t *cancel);

// The name of frame i (from 0) of an animation of frames pictures written "to" path: its base
// name, a dash and the number in as many digits as the last one needs (at least 4), then its
// suffix: growth.png gives growth-0000.png, growth-0001.png, ...
QString growthFramePath(const QString &path, int frame, int frames);

// A growth animation (renderGrowthFrames): frames pictures of the description from growth from
// to growth to, under r's rotations and one camera framed for the last frame, written as
// growthFramePath names them. *done counts the frames written. Stops at the first failure or
// when cancel is set, leaving the frames already written.
job_outcome_t growthFramesJob(const description_t &d, render_request_t r, float from, float to,
                              int frames, const QString &path, std::atomic<int> *done,
                              const lsys_cancel_t *cancel);

#endif
