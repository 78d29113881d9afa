// File > Export Growth Animation...: the picture on screen drawn at a run of growth values, one
// file per frame, under the view's rotations and one camera framed for the last frame, so the
// frames are what the window shows at those growths after Center. The frames are drawn on the
// engine thread; a progress dialog counts them and can cancel the rest.
#ifndef SPRIG_APP_GROWTHANIMATION_H
#define SPRIG_APP_GROWTHANIMATION_H

#include "enginejobs.h"

#include <QObject>
#include <QSize>

#include <functional>

class BasicOpenGLView;
class Document;
class EngineWorker;
class Preferences;
class QMainWindow;

class GrowthAnimation : public QObject {
    Q_OBJECT
  public:
    // shown gives the description of the model on screen (an empty text before the first
    // refresh); growth the window's growth factor, where the animation ends by default.
    GrowthAnimation(QMainWindow *window, BasicOpenGLView *view, Preferences *prefs,
                    EngineWorker *worker, Document *document, std::function<description_t()> shown,
                    std::function<float()> growth, QObject *parent = nullptr);

    // The last step, after the dialog and the save panel: frames pictures of size from
    // growth from to growth to, named after path (growthFramePath). Ends in finished().
    void exportTo(const QString &path, QSize size, bool aa, bool transparent, int frames,
                  float from, float to);

  public slots:
    // The settings dialog, a save panel for the frames' name, then exportTo().
    void exportAnimation();

  signals:
    void finished(bool ok, const QString &path);

  private:
    QMainWindow *_window;
    BasicOpenGLView *_view;
    Preferences *_prefs;
    EngineWorker *_worker;
    Document *_document;
    std::function<description_t()> _shown;
    std::function<float()> _growth;
};

#endif
