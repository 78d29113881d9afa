// The editor window and its controller: the description text in an editor beside the 3D view,
// the refresh cycle that turns the text into the model's display list, the message report with
// its links and the red error mark, growth, centring, the document's file binding and the
// commands that load, save and print it, the toolbar and the preferences.
//
// The refresh cycle has three states, visible in the Refresh action and its toolbar button:
//   clean            no refresh pending; Refresh disabled;
//   automatic        a refresh is scheduled "delay" seconds after the last edit (spinner);
//   manual           "delay" is 10.9 or more: Refresh enabled, waiting for the user.
// Every edit re-plans it; refresh() always ends clean.
#ifndef SPRIG_APP_APPCONTROLLER_H
#define SPRIG_APP_APPCONTROLLER_H

#include "lsys.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class BasicOpenGLView;
class LsysHighlighter;
class Preferences;
class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QMessageBox;
class QPlainTextEdit;
class QSlider;
class QSplitter;
class QTabWidget;
class QTextBrowser;
class MainToolBar;
class PreferencesDialog;
class RefreshButton;

class AppController : public QMainWindow {
    Q_OBJECT
  public:
    // One answer of the save prompt: true = go on, false = the user cancelled.
    using Callback = std::function<void(bool)>;

    explicit AppController(Preferences *prefs, QWidget *parent = nullptr);
    ~AppController() override;

    // ---- Refresh cycle and document state ----

    // Loads the file at path into the editor (an empty path makes a new untitled document),
    // refreshes at once and centres the camera. A file that cannot be read leaves the current
    // document as it was and says which file and why in a message box; returns false then.
    bool setFile(const QString &path, bool remember);
    // Start-up complete: loads the file handed over (remembered as recent) or, without one or
    // when it cannot be read, the built-in template as an untitled document. From now on a
    // file handed over is loaded after the save prompt.
    void applicationDidFinishLaunching();
    // Replaces, in place, every character above 255 with "?"; returns how many were replaced.
    static int forceAscii(QString &text);

    // The message report: tab label, message list, red mark; empties the message store.
    void errorReport();
    // Selects the editor tab and, for a position of 0 or more, marks that line red.
    void showErrorPos(int pos);

    // ---- Accessors for the window's parts ----
    BasicOpenGLView *view() const { return oglView; }
    QPlainTextEdit *editor() const { return textView; }
    QTextBrowser *messages() const { return logView; }
    QTabWidget *tabs() const { return tabView; }
    LsysHighlighter *highlighter() const { return _highlighter; }
    QAction *refreshAction() const { return _refreshAction; }
    RefreshButton *refreshButton() const { return _refreshButton; }
    MainToolBar *toolbar() const { return _toolbar; }
    QSlider *growthSlider() const { return _growthSlider; }
    // The model on screen (null before the first refresh).
    const lsys_t *model() const { return _gen; }
    float growth() const { return _growth; }
    const QString &file() const { return _file; }
    bool isRefreshScheduled() const { return _refreshTimer.isActive(); }
    bool isSpinning() const { return _spinning; }
    bool refreshImageShown() const { return _imageShown; }

  public slots:
    // Parses the text, records the model's display list, reports the messages; to clean.
    void refresh();
    // Stores the growth factor (multiplies the recursion depth) and refreshes.
    void grow(float growth);
    // Centres the camera on the model.
    void center();
    // The editor's change handler: re-plans the refresh, keeps the text 8-bit, recolours it.
    void textDidChange();
    void chooseFont();

    // ---- File commands and the save prompt ----
    void fileNew();
    void fileOpen();
    void fileSave();
    void fileSaveAs();
    void openRecent(const QString &path);
    // The editor prints its text when it has the focus; otherwise the picture is printed.
    void printDocument();
    // A file handed over by the system or another sprig process: loaded at the end of start-up
    // without a question, or after the save prompt once start-up is complete.
    void openFileRequest(const QString &path);
    // Quit: asks first; quits once the answer allows it.
    void quit();
    void preferencesOpen();
    void donate();
    // File > Export Model... and Export Image...: a save panel (and the picture's size), then
    // the ...To() step, which says in a message box why a file could not be written.
    void exportModel();
    void exportImage();
    // Runs the engine's pick at a model-space point (from a Shift+click on the model).
    void pickPoint(double x, double y, double z);

  public:
    bool exportModelTo(const QString &path);
    bool exportImageTo(const QString &path, QSize size, bool aa);

  public:
    // The prompt with the question, "Save", "Don't Save" and "Cancel"; the callback receives
    // the answer. Not edited: the callback runs at once with true.
    void askToSave(const QString &question, Callback callback);
    void didEndCloseSheet(int returnCode, Callback callback);
    // The save panel; the callback (may be empty) receives true once it is closed.
    void askToSaveFile(Callback callback);
    // Writes the text, ISO Latin 1, atomically; says why in a message box when it cannot.
    bool trySave(const QString &path);
    void pendingCallback(bool answer);
    void openingCallback(bool answer);
    void closingCallback(bool answer);
    void terminateCallback(bool answer);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    void leaveFullScreen();

    // The shown model's description drawn headless (within the window's ceilings) at size,
    // under the view's camera and display preferences, or in the printed look. Null, with the
    // reason, when nothing was shown yet or no context or framebuffer could be had.
    QImage renderPicture(QSize size, bool aa, bool print, QString *error = nullptr);
    QFileDialog *exportPanel(const char *name, const QStringList &filters, const QString &suffix);
    void showExportError(const QString &path, const QString &why);
    QMessageBox *showFileError(const char *name, const QString &text, const QString &why);
    void showPick(const QStringList &lines);
    void buildWindow();
    void buildToolbar();
    void buildMenus();
    void setSpinning(bool on);
    void setRefreshImage(bool shown);
    void contextCreated();
    void preferenceChanged(const QString &key);
    void replanRefresh();
    void messageLinkClicked(const QUrl &link);
    bool editorClicked(const QPoint &viewportPos);
    int linkAt(const QPoint &viewportPos) const;
    void restoreFont();
    void showLoadError(const QString &path, const QString &why);
    void setDocumentTitle(const QString &path);
    void rememberFile(const QString &path);

    Preferences *_prefs;
    BasicOpenGLView *oglView = nullptr;
    QPlainTextEdit *textView = nullptr;
    QTextBrowser *logView = nullptr;
    QTabWidget *tabView = nullptr;
    QSplitter *_splitter = nullptr;
    LsysHighlighter *_highlighter = nullptr;
    QSlider *_growthSlider = nullptr;
    QLabel *_growthLabel = nullptr;
    QAction *_refreshAction = nullptr;
    QAction *_printAction = nullptr;
    QAction *_animateAction = nullptr;
    QAction *_aaAction = nullptr;
    QAction *_axisAction = nullptr;
    QAction *_backgroundAction = nullptr;
    QMenu *_fileMenu = nullptr;
    MainToolBar *_toolbar = nullptr;
    RefreshButton *_refreshButton = nullptr;
    PreferencesDialog *_prefsDialog = nullptr;
    QMenu *_viewMenu = nullptr;

    lsys_t *_gen = nullptr; // the model on screen
    QByteArray _shownText;  // the description it was drawn from, for printing and export
    float _shownGrowth = 1.0f;
    float _growth = 1.0f;
    QString _file;    // empty: untitled
    QString _pending; // the file to load once the prompt is answered; empty: a new document
    bool _finishedLaunch = false;
    bool _sheetOpen = false;     // a prompt or panel is on the window
    bool _discarded = false;     // "Don't Save" was the answer now being acted on
    bool _closeApproved = false; // the window may close
    bool _inCloseEvent = false;
    QString _seenText; // the text as the change handler last saw it
    QTimer _refreshTimer;
    bool _spinning = false;
    bool _imageShown = true;
    bool _forcing = false;     // forceAscii is editing the document
    bool _forcedNoted = false; // the status bar said so once for this document
};

#endif
