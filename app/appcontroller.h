// The editor window: the description text in an editor beside the 3D view, its menus, and the
// parts that do the window's jobs, each the one owner of its state:
//   RefreshCycle       when the model is drawn again, the drawing on the engine thread;
//   Document           the text, its file, its edited mark, the file commands and prompts;
//   MessageReport      the messages tab and the red error mark;
//   ExportCommands     Export Model, Export Image and Print;
//   PreferencesWiring  the toolbar, the display switches, the font, Preferences and Donate;
//   EditorLinks        the editor's links under the mouse;
//   FindBar            find, replace and go to line (the editor is a CodeEditor: line
//                      numbers, bracket marks); HelpMenu, the guides, About and the examples.
// The window itself keeps the growth factor and the model on screen, and connects the parts:
// an edit re-plans the refresh, a refresh result is shown, a load refreshes and centres.
#ifndef SPRIG_APP_APPCONTROLLER_H
#define SPRIG_APP_APPCONTROLLER_H

#include "enginejobs.h"

#include <QMainWindow>

#include <memory>

class BasicOpenGLView;
class Document;
class EditorLinks;
class EngineWorker;
class ExportCommands;
class GrowthAnimation;
class FindBar;
class LsysHighlighter;
class MainToolBar;
class MessageReport;
class Preferences;
class PreferencesWiring;
class QAction;
class QLabel;
class QPlainTextEdit;
class QSlider;
class QTabWidget;
class QTextBrowser;
class RefreshButton;
class RefreshCycle;

class AppController : public QMainWindow {
    Q_OBJECT
  public:
    explicit AppController(Preferences *prefs, QWidget *parent = nullptr);
    ~AppController() override;

    // ---- The window's parts ----
    BasicOpenGLView *view() const { return _view; }
    QPlainTextEdit *editor() const { return _editor; }
    QTextBrowser *messages() const { return _messages; }
    QTabWidget *tabs() const { return _tabs; }
    LsysHighlighter *highlighter() const { return _highlighter; }
    QAction *refreshAction() const { return _refreshAction; }
    RefreshButton *refreshButton() const { return _refreshButton; }
    MainToolBar *toolbar() const { return _toolbar; }
    QSlider *growthSlider() const { return _growthSlider; }
    Document *document() const { return _document; }
    RefreshCycle *cycle() const { return _cycle; }
    ExportCommands *exports() const { return _exports; }
    GrowthAnimation *animation() const { return _animation; }
    MessageReport *report() const { return _report; }

    // The model on screen and the description it was drawn from (null, and an empty text,
    // before the first refresh has come back).
    const lsys_t *model() const { return _shown.model.get(); }
    description_t shownDescription() const { return _shown.description; }

  public slots:
    // Draws the editor's text on the engine thread; the picture follows when it is done.
    void refresh();
    // Stores the growth factor (multiplies the recursion depth) and refreshes.
    void grow(float growth);
    // Centres the camera on the model on screen.
    void center();
    // Runs the engine's pick at a model-space point (from a Shift+click on the model).
    void pickPoint(double x, double y, double z);

  protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    void buildWindow();
    void buildMenus();
    void connectParts();
    void textEdited();
    void loaded();
    void showRefresh(const refresh_result_t &result);
    void showCycle();
    void showBusy(bool busy);
    void contextCreated();

    Preferences *_prefs;
    std::shared_ptr<EngineWorker> _worker; // the process's engine thread
    BasicOpenGLView *_view = nullptr;
    QPlainTextEdit *_editor = nullptr;
    QTextBrowser *_messages = nullptr;
    QTabWidget *_tabs = nullptr;
    LsysHighlighter *_highlighter = nullptr;
    QSlider *_growthSlider = nullptr;
    QLabel *_growthLabel = nullptr;
    QAction *_refreshAction = nullptr;
    MainToolBar *_toolbar = nullptr;
    RefreshButton *_refreshButton = nullptr;

    RefreshCycle *_cycle = nullptr;
    Document *_document = nullptr;
    MessageReport *_report = nullptr;
    ExportCommands *_exports = nullptr;
    GrowthAnimation *_animation = nullptr;
    PreferencesWiring *_wiring = nullptr;
    EditorLinks *_links = nullptr;
    FindBar *_findBar = nullptr; // find, replace and go to line, under the editor

    float _growth = 1.0f;
    refresh_result_t _shown;     // the model on screen (its arrays handed to the view)
    bool _centerPending = false; // a load asked to centre on the model its refresh brings
    bool _placeCaret = false;    // and to show its first error at the caret
    QString _busyMessage;        // what the status bar says while a drawing runs
};

#endif
