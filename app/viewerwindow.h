// The viewer window: the scene view showing one description's model, with its messages
// printed on standard error. Shortcuts: Fullscreen F11, Animate Ctrl+Shift+A, Center
// Ctrl+Shift+C, Print Ctrl+P, Open Ctrl+O, Quit Ctrl+Q; the View menu also switches
// anti-aliasing, the floor and the plain background (the display preferences).
#ifndef SPRIG_APP_VIEWERWINDOW_H
#define SPRIG_APP_VIEWERWINDOW_H

#include "model_gl.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>

class BasicOpenGLView;
class Preferences;
class QAction;

class ViewerWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit ViewerWindow(Preferences *prefs, QWidget *parent = nullptr);
    ~ViewerWindow() override;

    // Shows the model of the file at path. A file that cannot be read leaves a new, empty
    // description, reports why on standard error and returns false.
    bool loadFile(const QString &path);
    // Shows the built-in template ":/untitled.ls" as an untitled description.
    void loadTemplate();
    // Shows the model of a description text under the given window title.
    void loadText(const QByteArray &text, const QString &title);

    BasicOpenGLView *view() const { return _view; }
    const model_gl_t &model() const { return _model; }

  public slots:
    // Parses the text, records the model's display list and reports the messages.
    void refresh();
    // Centres the camera on the model.
    void center();
    void printScene();
    void openFile();

  private:
    void contextCreated();
    void preferenceChanged(const QString &key);
    void reportMessages();

    Preferences *_prefs;
    BasicOpenGLView *_view;
    QAction *_animateAction = nullptr;
    QAction *_aaAction = nullptr;
    QAction *_axisAction = nullptr;
    QAction *_backgroundAction = nullptr;
    QByteArray _text;
    model_gl_t _model{nullptr, 0};
    bool _loaded = false;        // a text is there to show
    bool _centerPending = false; // centre once the next refresh has drawn the model
};

#endif
