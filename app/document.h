// The document: the editor's text, the file it is bound to, its edited mark (the window's
// modified flag), the rule that it holds only ISO Latin 1 characters, and the commands that
// replace or save it: New, Open, Open Recent, Save, Save As, drops, open requests from other
// processes, closing and quitting. Every command that would discard the text asks first and
// goes on through a callback once the question is answered:
//
//   user's choice                 edited afterwards   callback gets   command goes on
//   nothing to ask (not edited)   no                  true            yes
//   Save, file written            no                  true            yes
//   Save, save panel cancelled    yes                 true            no
//   Save, write failed            yes                 true            no
//   Don't Save                    no                  true            yes
//   Cancel                        yes                 false           no
//
// The callbacks go on only when the answer is true and the window is no longer edited. Every
// prompt and panel is window-modal, one at a time.
#ifndef SPRIG_APP_DOCUMENT_H
#define SPRIG_APP_DOCUMENT_H

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class Preferences;
class QMainWindow;
class QMessageBox;
class QPlainTextEdit;

class Document : public QObject {
    Q_OBJECT
  public:
    // One answer of the save prompt: true = go on, false = the user cancelled.
    using Callback = std::function<void(bool)>;

    Document(QMainWindow *window, QPlainTextEdit *editor, Preferences *prefs,
             QObject *parent = nullptr);

    // The bound file's absolute path; empty for an untitled document.
    const QString &file() const { return _file; }
    // The name the window shows: the file's name or "untitled.ls".
    QString displayName() const;
    bool isEdited() const;
    // The text as the engine reads it: ISO Latin 1, one byte per editor character.
    QByteArray latin1() const;

    // Loads the file at path into the editor (an empty path makes a new untitled document
    // holding "# created <date>"), then announces loaded(). A file that cannot be read leaves
    // the current document as it was and says which file and why in a message box; returns
    // false then.
    bool setFile(const QString &path, bool remember);
    // Start-up complete: loads the file handed over (remembered as recent) or, without one or
    // when it cannot be read, the built-in template as an untitled document. From now on a
    // file handed over is loaded after the save prompt.
    void applicationDidFinishLaunching();
    // Replaces, in place, every character above 255 with "?"; returns how many were replaced.
    static int forceAscii(QString &text);

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

    // The main window's close event: whether to accept it (it asks first when edited).
    bool closeRequested();
    // The main window was shown again: a later close asks again.
    void windowShown() { _closeApproved = false; }
    // Files dropped on the window or the editor: the first local one is opened after asking.
    void dropUrls(const QList<QUrl> &urls);

    // A window-modal message that a file could not be read or written, with the reason under
    // it; named for tests.
    QMessageBox *showFileError(const char *name, const QString &text, const QString &why);
    // Leaves full screen before a prompt or panel covers the window (set by the window).
    void setBeforeSheet(std::function<void()> hook) { _beforeSheet = std::move(hook); }

  public slots:
    void fileNew();
    void fileOpen();
    void fileSave();
    void fileSaveAs();
    void openRecent(const QString &path);
    // Opens a file's text as a new untitled document (an example), after the save prompt like
    // Open; Save then asks where to put it, so the file itself is never written.
    void openCopy(const QString &path);
    // A file handed over by the system or another sprig process: loaded at the end of start-up
    // without a question, or after the save prompt once start-up is complete.
    void openFileRequest(const QString &path);
    // Quit: asks first; quits once the answer allows it.
    void quit();
    // The editor's change handler, document part: only a change of the text itself counts;
    // characters beyond ISO Latin 1 become "?"; the window is marked edited; edited() follows.
    void textDidChange();

  signals:
    // The text was edited (by the user, or by a load before loaded()).
    void edited();
    // A file or a new document replaced the text: the owner refreshes at once and centres.
    void loaded();

  private:
    void setDocumentTitle(const QString &path);
    void beforeSheet();

    QMainWindow *_window;
    QPlainTextEdit *_editor;
    Preferences *_prefs;
    std::function<void()> _beforeSheet;
    QString _file;     // empty: untitled
    QString _pending;  // the file to load once the prompt is answered; empty: a new document
    QString _seenText; // the text as the change handler last saw it
    bool _finishedLaunch = false;
    bool _sheetOpen = false;     // a prompt or panel is on the window
    bool _discarded = false;     // "Don't Save" was the answer now being acted on
    bool _closeApproved = false; // the window may close
    bool _inCloseEvent = false;
    bool _forcing = false;     // forceAscii is editing the document
    bool _forcedNoted = false; // the status bar said so once for this document
};

#endif
