// Export Model, Export Image and Print: their panels, and their drawing on the engine thread.
#include "exportcommands.h"

#include "basicopenglview.h"
#include "document.h"
#include "engineworker.h"
#include "export.h"
#include "exportimagedialog.h"
#include "picturejobs.h"
#include "preferences.h"
#include "textprint.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>

ExportCommands::ExportCommands(QMainWindow *window, QPlainTextEdit *editor, BasicOpenGLView *view,
                               Preferences *prefs, EngineWorker *worker, Document *document,
                               std::function<description_t()> current,
                               std::function<description_t()> shown, QObject *parent)
    : QObject(parent), _window(window), _editor(editor), _view(view), _prefs(prefs),
      _worker(worker), _document(document), _current(std::move(current)), _shown(std::move(shown)) {
}

QFileDialog *exportPanel(QWidget *window, const QString &documentFile, const char *name,
                         const QString &title, const QStringList &filters, const QString &suffix) {
    auto *panel = new QFileDialog(window, title);
    panel->setObjectName(name);
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setNameFilters(filters);
    panel->setDefaultSuffix(suffix);
    // The suffix follows the chosen format when the name has none.
    QObject::connect(panel, &QFileDialog::filterSelected, panel, [panel](const QString &filter) {
        const int star = filter.indexOf("*.");
        if (star >= 0) panel->setDefaultSuffix(filter.mid(star + 2).section(')', 0, 0));
    });
    panel->selectFile((documentFile.isEmpty() ? QStringLiteral("untitled")
                                              : QFileInfo(documentFile).completeBaseName()) +
                      "." + suffix);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    return panel;
}

render_request_t pictureRequest(const BasicOpenGLView *view, QSize size) {
    render_request_t r = renderRequestDefaults();
    r.width = size.width();
    r.height = size.height();
    r.style = view->sceneStyle();
    return r;
}

void ExportCommands::done(const QString &path, const job_outcome_t &outcome,
                          const QString &success) {
    if (outcome.ok)
        _window->statusBar()->showMessage(success, 10000);
    else
        _document->showFileError("exportError", tr("\"%1\" could not be written.").arg(path),
                                 outcome.why);
    Q_EMIT finished(outcome.ok, path);
}

void ExportCommands::exportModel() {
    QStringList filters;
    for (const std::string &filter : exportNameFilters())
        filters << QString::fromStdString(filter);
    _view->leaveFullScreen();
    QFileDialog *panel =
        exportPanel(_window, _document->file(), "exportModelPanel", tr("Export"), filters, "glb");
    connect(panel, &QFileDialog::finished, this, [=, this](int result) {
        if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty())
            exportModelTo(panel->selectedFiles().first());
    });
    panel->open();
}

void ExportCommands::exportModelTo(const QString &path) {
    const description_t d = _current();
    std::shared_ptr<lsys_cancel_t> cancel = _worker->newCancel();
    _window->statusBar()->showMessage(tr("Exporting %1\u2026").arg(path));
    _worker->run<job_outcome_t>(
        this, [d, path, cancel] { return exportModelJob(d, path, cancel.get()); },
        [this, path](job_outcome_t o) {
            QString said = tr("%n triangle(s) written to %1", "", o.triangles).arg(path);
            if (o.dropped > 0)
                said += tr("; %n left out for corners that were not finite points", "", o.dropped);
            done(path, o, said);
        });
}

void ExportCommands::exportImage() {
    _view->leaveFullScreen();
    auto *dialog = new ExportImageDialog(_window, _view->size() * 2, _prefs->aa());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [=, this] {
        const QSize size = dialog->pictureSize();
        const bool smooth = dialog->antiAliased(), transparent = dialog->transparent();
        QFileDialog *panel = exportPanel(_window, _document->file(), "exportImagePanel",
                                         tr("Export"), pictureNameFilters(), "png");
        connect(panel, &QFileDialog::finished, this, [=, this](int result) {
            if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty())
                exportImageTo(panel->selectedFiles().first(), size, smooth, transparent);
        });
        panel->open();
    });
    dialog->open();
}

void ExportCommands::exportImageTo(const QString &path, QSize size, bool aa, bool transparent) {
    const description_t d = _shown();
    if (d.text.isNull() || size.isEmpty()) {
        job_outcome_t none;
        none.why = tr("There is no picture to draw.");
        done(path, none, QString());
        return;
    }
    render_request_t r = pictureRequest(_view, size);
    r.aa = aa;
    r.style.transparent = transparent;
    std::shared_ptr<lsys_cancel_t> cancel = _worker->newCancel();
    _window->statusBar()->showMessage(tr("Exporting %1\u2026").arg(path));
    // The camera is copied: the view goes on turning while the picture is drawn.
    _worker->run<job_outcome_t>(
        this,
        [d, r, scene = _view->scene(), path, cancel]() mutable {
            r.view = &scene;
            return pictureFileJob(d, r, path, cancel.get());
        },
        [this, path](job_outcome_t o) { done(path, o, tr("Picture written to %1").arg(path)); });
}

void ExportCommands::printDocument() {
    _view->leaveFullScreen();
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    // The editor prints its text when it has the focus; otherwise the picture is printed.
    const bool text = _editor->hasFocus();
    QPrintDialog dialog(printer.get(), _window);
    if (dialog.exec() != QDialog::Accepted) return;
    if (text)
        printText(_editor->document(), _editor->font(), _document->displayName(), printer.get());
    else
        printPicture(printer);
}

void ExportCommands::printPicture(std::shared_ptr<QPrinter> printer) {
    auto print = [this, printer](const QImage &picture) {
        const bool ok = KXGLView::print(printer.get(), picture);
        if (!ok)
            QMessageBox::warning(_window, tr("Sprig"), tr("The picture could not be printed."));
        Q_EMIT finished(ok, printer->outputFileName());
    };
    const description_t d = _shown();
    if (d.text.isNull()) {
        print(_view->printImage());
        return;
    }
    // Drawn again at the page's resolution, not scaled up from the screen.
    QSize size(qMax(1, _view->width()), qMax(1, _view->height()));
    size.scale(printer->pageRect(QPrinter::DevicePixel)
                   .size()
                   .toSize()
                   .boundedTo(QSize(kMaxImageSide, kMaxImageSide)),
               Qt::KeepAspectRatio);
    render_request_t r = pictureRequest(_view, size.expandedTo(QSize(1, 1)));
    r.print = true;
    std::shared_ptr<lsys_cancel_t> cancel = _worker->newCancel();
    _window->statusBar()->showMessage(tr("Printing\u2026"), 5000);
    _worker->run<job_outcome_t>(
        this,
        [d, r, scene = _view->scene(), cancel]() mutable {
            r.view = &scene;
            return renderJob(d, r, cancel.get());
        },
        [print](job_outcome_t o) { print(o.image); });
}
