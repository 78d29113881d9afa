// Export and print: File > Export Model... (glTF, 3MF, PLY, OBJ, STL), Export Image... (PNG,
// WebP or SVG of a chosen size, the background optionally transparent) and Print. Each draws on the
// engine thread through the same pipeline and within the same ceilings as the window's refresh, and
// writes through the safe writer, so a failure never leaves half a file; the window answers input
// meanwhile. A model export draws the editor's text as it is; a picture or a print shows the model
// on screen, under the view's camera.
#ifndef SPRIG_APP_EXPORTCOMMANDS_H
#define SPRIG_APP_EXPORTCOMMANDS_H

#include "enginejobs.h"

#include <QObject>
#include <QSize>

#include <functional>
#include <memory>

class BasicOpenGLView;
class Document;
class EngineWorker;
class Preferences;
class QFileDialog;
class QMainWindow;
class QPlainTextEdit;
class QPrinter;
class QWidget;

// A window-modal save panel of an export, deleted once closed: named `name` for tests, with
// the filters, the suffix (which follows the chosen filter when the name has none) and a first
// name after the document's file (or "untitled") with that suffix.
QFileDialog *exportPanel(QWidget *window, const QString &documentFile, const char *name,
                         const QString &title, const QStringList &filters, const QString &suffix);
// A picture of size under the view's camera and its display preferences.
render_request_t pictureRequest(const BasicOpenGLView *view, QSize size);

class ExportCommands : public QObject {
    Q_OBJECT
  public:
    // The largest side of an exported or printed picture, in pixels.
    static const int kMaxImageSide = 8192;

    // current gives the editor's description, shown the one of the model on screen (an empty
    // text before the first refresh).
    ExportCommands(QMainWindow *window, QPlainTextEdit *editor, BasicOpenGLView *view,
                   Preferences *prefs, EngineWorker *worker, Document *document,
                   std::function<description_t()> current, std::function<description_t()> shown,
                   QObject *parent = nullptr);

    // The last steps of the commands, after their panels: each ends in finished(); a failure
    // is also explained in a message box.
    void exportModelTo(const QString &path);
    void exportImageTo(const QString &path, QSize size, bool aa, bool transparent = false);
    // The picture at the page's resolution (the view's shape, as large as the page allows),
    // the model alone on white; the screen's picture before the first refresh.
    void printPicture(std::shared_ptr<QPrinter> printer);

  public slots:
    // A save panel (and the picture's size), then the ...To() step.
    void exportModel();
    void exportImage();
    // The editor prints its text when it has the focus; otherwise the picture is printed.
    void printDocument();

  signals:
    void finished(bool ok, const QString &path);

  private:
    void done(const QString &path, const job_outcome_t &outcome, const QString &success);

    QMainWindow *_window;
    QPlainTextEdit *_editor;
    BasicOpenGLView *_view;
    Preferences *_prefs;
    EngineWorker *_worker;
    Document *_document;
    std::function<description_t()> _current, _shown;
};

#endif
