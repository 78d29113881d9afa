// The window's work for the engine thread (engineworker.h): each job takes a description (text
// and growth), draws it through the engine's pipeline within the window's ceilings and returns
// a plain result for the GUI thread. They touch no widget, so they run and are tested without a
// window; only renderJob needs OpenGL (headless, EGL).
#ifndef SPRIG_APP_ENGINEJOBS_H
#define SPRIG_APP_ENGINEJOBS_H

#include "camera.h"
#include "lsys.h"
#include "model_arrays.h"
#include "render_image.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// What the window draws: the editor's text as ISO Latin 1 and the growth factor.
struct description_t {
    QByteArray text;
    float growth = 1.0f;
};

// One message of the store as the report shows it.
struct report_msg_t {
    int32_t code;
    QString text;
};

// The message store as a drawing left it: its first TRACE_STORE messages and the count of all.
struct engine_report_t {
    QList<report_msg_t> messages;
    int32_t count = 0;
};

// A model drawn for the screen.
struct refresh_result_t {
    description_t description;
    std::shared_ptr<lsys_t> model;          // null when no model could be had
    std::shared_ptr<model_arrays_t> arrays; // its triangles, for the view to upload
    floor_t floor;                          // the floor under it
    engine_report_t report;
    bool ceiled = false;    // a window ceiling lowered the description's limits
    bool cancelled = false; // ended early by its cancel flag: never to be shown
};

// A pick: the derivation's lines, from the drawing command's level down to the axiom, and where
// the drawing command stands in the description's text (offset -1 when unknown).
struct pick_result_lines_t {
    QStringList lines;
    int32_t offset = -1;
    int32_t length = 0;
};

// What an export or a picture job came to: ok, or the reason it failed.
struct job_outcome_t {
    bool ok = false;
    QString why;
    int triangles = 0; // model exports: triangles written
    int dropped = 0;   // and those left out for a corner that was not a finite point
    QImage image;      // picture jobs: the picture
};

// The refresh: the description drawn into vertex arrays within the window's ceilings, with
// every message it gave (a NUL byte in the text is reported on its line first). Empties the
// message store.
refresh_result_t refreshJob(const description_t &d, const lsys_cancel_t *cancel);

// Replays the description's drawing as hit tests against p (model units), as the refresh drew
// it.
pick_result_lines_t pickJob(const description_t &d, const float p[3], const lsys_cancel_t *cancel);

// Writes the description's model to path in the format its suffix names.
job_outcome_t exportModelJob(const description_t &d, const QString &path,
                             const lsys_cancel_t *cancel);

// Draws the description headless as r asks (r's ceilings and cancel flag are the job's own).
job_outcome_t renderJob(const description_t &d, render_request_t r, const lsys_cancel_t *cancel);

// Runs work, a job's body; an allocation that fails on the way becomes a failed outcome that
// says so, so the window keeps its text and picture instead of ending.
job_outcome_t guardedJob(const std::function<job_outcome_t()> &work);

#endif
