// The engine thread's jobs (see enginejobs.h). Each builds its model through lsysBuild with the
// window's ceilings, so the screen, picks, exports and prints all draw the same model.
#include "enginejobs.h"

#include "export.h"

#include <QFile>
#include <QObject>

#include <new>

#include <stdlib.h>

namespace {

// Frees a model with the engine's own function when its last holder lets go.
std::shared_ptr<lsys_t> owned(lsys_t *l) {
    return std::shared_ptr<lsys_t>(l, lsysFree);
}

bool cancelled(const lsys_cancel_t *cancel) {
    return cancel && cancel->load();
}

// Offset of the start of the line holding offset i.
int lineStart(const QByteArray &text, int i) {
    while (i > 0 && text[i - 1] != '\n' && text[i - 1] != '\r')
        --i;
    return i;
}

// Copies the message store into a report and empties the store.
engine_report_t takeReport() {
    engine_report_t r;
    r.count = traceCount;
    for (int i = 0; i < qMin<int>(traceCount, TRACE_STORE); ++i)
        r.messages.append({trace[i].code, QString::fromLatin1(trace[i].text ? trace[i].text : "")});
    traceClear();
    return r;
}

QString fromLocal(const std::string &s) {
    return QString::fromLocal8Bit(s.c_str());
}

// The work of a job, or failed(why) when an allocation fails on the way: the window then says
// so and keeps its text and picture, instead of ending.
template <typename R, typename Work, typename Failed> R guarded(Work work, Failed failed) {
    try {
        return work();
    } catch (const std::bad_alloc &) {
        traceClear();
        return failed(QObject::tr("There is not enough memory for this."));
    }
}

refresh_result_t refreshUnguarded(const description_t &d, const lsys_cancel_t *cancel) {
    refresh_result_t r;
    r.description = d;
    if (cancelled(cancel)) {
        r.cancelled = true;
        return r;
    }
    traceClear();
    // The engine reads up to the first NUL byte: say so rather than drop the rest unseen.
    const int nul = d.text.indexOf('\0');
    if (nul >= 0) traceHook(lineStart(d.text, nul), "ignoring the text after a NUL byte");
    r.arrays = std::make_shared<model_arrays_t>();
    const emit_t sink = modelArraysEmit(r.arrays.get());
    lsys_job_t job = {d.text.constData(), d.growth, &lsysWindowCeilings, &sink, cancel, 1, 0};
    r.model = owned(lsysBuild(&job, traceHook));
    r.ceiled = job.ceiled != 0;
    if (r.arrays->incomplete) traceHook(CODE_EXEC, "not enough memory to show the whole model");
    modelFloor(r.model.get(), &r.floor);
    r.report = takeReport();
    r.cancelled = cancelled(cancel);
    return r;
}

job_outcome_t failedOutcome(const QString &why) {
    job_outcome_t out;
    out.why = why;
    return out;
}

pick_result_lines_t pickUnguarded(const description_t &d, const float p[3],
                                  const lsys_cancel_t *cancel) {
    pick_result_lines_t out;
    // Prepared as the refresh prepares it (seeded, grown, within the ceilings), so the replay
    // is the picture.
    lsys_job_t job = {d.text.constData(), d.growth, &lsysWindowCeilings, nullptr, cancel, 0, 0};
    std::shared_ptr<lsys_t> l = owned(lsysBuild(&job, nullTrace));
    if (!l) return out;
    auto r = std::make_unique<pick_result_t>();
    lsysPick(l.get(), p, r.get());
    if (!r->hit) return out;
    for (int i = r->levels - 1; i >= 0; --i) {
        QByteArray line(int(lsysPickLine(l.get(), r.get(), i, nullptr, 0)), '\0');
        lsysPickLine(l.get(), r.get(), i, line.data(), size_t(line.size()) + 1);
        out.lines << QString::fromLatin1(line);
    }
    int32_t offset = 0, length = 0;
    if (r->drawn_level >= 0 &&
        lsysTokenSpan(d.text.constData(), r->drawn.slot, r->drawn.token, &offset, &length)) {
        out.offset = offset;
        out.length = length;
    }
    return out;
}

job_outcome_t exportModelUnguarded(const description_t &d, const QString &path,
                                   const lsys_cancel_t *cancel) {
    job_outcome_t out;
    const std::string target = QFile::encodeName(path).toStdString();
    const export_format_t format = exportFormatOf(target);
    if (format == EXPORT_UNKNOWN) {
        out.why = QObject::tr("Choose one of the suffixes %1.")
                      .arg(QString::fromStdString(exportExtensionList()));
        return out;
    }
    mesh_t mesh;
    const emit_t sink = meshEmit(&mesh);
    lsys_job_t job = {d.text.constData(), d.growth, &lsysWindowCeilings, &sink, cancel, 1, 0};
    std::shared_ptr<lsys_t> l = owned(lsysBuild(&job, nullTrace));
    if (!l) {
        out.why = QObject::tr("Not enough memory.");
        return out;
    }
    if (cancelled(cancel)) {
        out.why = QObject::tr("The export was cancelled.");
        return out;
    }
    std::string err;
    export_result_t written;
    if (!exportMesh(mesh, target, format, &err, &written)) {
        out.why = fromLocal(err);
        return out;
    }
    out.ok = true;
    out.triangles = int(written.triangles);
    out.dropped = int(written.dropped);
    return out;
}

job_outcome_t renderUnguarded(const description_t &d, render_request_t r,
                              const lsys_cancel_t *cancel) {
    job_outcome_t out;
    r.growth = d.growth;
    r.ceilings = &lsysWindowCeilings;
    r.cancel = cancel;
    std::string why;
    out.image = renderDescription(d.text.constData(), r, nullTrace, &why);
    if (cancelled(cancel)) {
        out.why = QObject::tr("The picture was cancelled.");
        out.image = QImage();
    } else if (out.image.isNull()) {
        out.why = why.empty() ? QObject::tr("No picture could be drawn.") : fromLocal(why);
    }
    out.ok = !out.image.isNull();
    return out;
}

} // namespace

refresh_result_t refreshJob(const description_t &d, const lsys_cancel_t *cancel) {
    return guarded<refresh_result_t>(
        [&] { return refreshUnguarded(d, cancel); },
        [&](const QString &) {
            refresh_result_t r;
            r.description = d;
            r.report.messages.append({CODE_EXEC, "not enough memory to draw this"});
            r.report.count = 1;
            return r;
        });
}

pick_result_lines_t pickJob(const description_t &d, const float p[3], const lsys_cancel_t *cancel) {
    return guarded<pick_result_lines_t>([&] { return pickUnguarded(d, p, cancel); },
                                        [](const QString &) { return pick_result_lines_t(); });
}

job_outcome_t guardedJob(const std::function<job_outcome_t()> &work) {
    return guarded<job_outcome_t>(work, failedOutcome);
}

job_outcome_t exportModelJob(const description_t &d, const QString &path,
                             const lsys_cancel_t *cancel) {
    return guardedJob([&] { return exportModelUnguarded(d, path, cancel); });
}

job_outcome_t renderJob(const description_t &d, render_request_t r, const lsys_cancel_t *cancel) {
    return guardedJob([&] { return renderUnguarded(d, r, cancel); });
}
