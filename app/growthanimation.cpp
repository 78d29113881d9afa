// Export Growth Animation: its dialogs, its progress, and its frames on the engine thread.
#include "growthanimation.h"

#include "basicopenglview.h"
#include "document.h"
#include "engineworker.h"
#include "exportcommands.h"
#include "exportimagedialog.h"
#include "picturejobs.h"
#include "preferences.h"

#include <QFileDialog>
#include <QMainWindow>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>

#include <atomic>
#include <memory>

GrowthAnimation::GrowthAnimation(QMainWindow *window, BasicOpenGLView *view, Preferences *prefs,
                                 EngineWorker *worker, Document *document,
                                 std::function<description_t()> shown,
                                 std::function<float()> growth, QObject *parent)
    : QObject(parent), _window(window), _view(view), _prefs(prefs), _worker(worker),
      _document(document), _shown(std::move(shown)), _growth(std::move(growth)) {}

void GrowthAnimation::exportAnimation() {
    _view->leaveFullScreen();
    auto *dialog = new ExportImageDialog(_window, _view->size(), _prefs->aa(), true, _growth());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        QFileDialog *panel =
            exportPanel(_window, _document->file(), "exportAnimationPanel",
                        tr("Export Growth Animation"), pictureNameFilters(), "png");
        panel->setLabelText(QFileDialog::FileName, tr("Frames named:"));
        const QSize size = dialog->pictureSize();
        const bool aa = dialog->antiAliased(), transparent = dialog->transparent();
        const int frames = dialog->frames();
        const float from = dialog->growthFrom(), to = dialog->growthTo();
        connect(panel, &QFileDialog::finished, this, [=, this](int result) {
            if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty())
                exportTo(panel->selectedFiles().first(), size, aa, transparent, frames, from, to);
        });
        panel->open();
    });
    dialog->open();
}

void GrowthAnimation::exportTo(const QString &path, QSize size, bool aa, bool transparent,
                               int frames, float from, float to) {
    const description_t d = _shown();
    if (d.text.isNull() || size.isEmpty() || frames < 1) {
        _document->showFileError("exportError", tr("\"%1\" could not be written.").arg(path),
                                 tr("There is no picture to draw."));
        Q_EMIT finished(false, path);
        return;
    }
    render_request_t r = pictureRequest(_view, size);
    r.aa = aa;
    r.style.transparent = transparent;
    auto done = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<lsys_cancel_t> cancel = _worker->newCancel();

    auto *progress =
        new QProgressDialog(tr("Drawing the frames\u2026"), tr("Cancel"), 0, frames, _window);
    progress->setObjectName("animationProgress");
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress, &QProgressDialog::canceled, this, [cancel] { cancel->store(1); });
    auto *tick = new QTimer(progress);
    connect(tick, &QTimer::timeout, progress, [progress, done] { progress->setValue(*done); });
    tick->start(100);
    progress->show();

    // The camera is copied: the view goes on turning while the frames are drawn.
    _worker->run<job_outcome_t>(
        this,
        [d, r, scene = _view->scene(), from, to, frames, path, done, cancel]() mutable {
            r.view = &scene;
            return growthFramesJob(d, r, from, to, frames, path, done.get(), cancel.get());
        },
        [this, path, frames, done,
         progress = QPointer<QProgressDialog>(progress)](job_outcome_t o) {
            if (progress) progress->close();
            const QString first = growthFramePath(path, 0, frames);
            if (o.ok)
                _window->statusBar()->showMessage(
                    tr("%n frame(s) written, from %1", "", frames).arg(first), 10000);
            else
                _document->showFileError(
                    "exportError", tr("The animation \"%1\" could not be written.").arg(first),
                    tr("%1 (%n frame(s) written)", "", int(*done)).arg(o.why));
            Q_EMIT finished(o.ok, path);
        });
}
