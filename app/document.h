// The document: the editor's text, the file it is bound to, its edited mark, and the commands
// that replace or save it: New, Open, Open Recent, Save, Save As, drops, open requests from
// other processes, a reload after a change on disk, closing, quitting and the end of the
// session. Every command that would discard the text asks first and goes on through a callback
// once the question is answered:
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
// prompt and panel is window-modal, one at a time (sheets.h); a command that arrives meanwhile
// waits for its turn and asks its own question.
//
// The edited mark is the text's modified state: undoing back to the saved text clears it,
// redoing sets it again.
//
// The file is named by its bytes, as the file system has them, from the command line and the
// hand-over through loading and saving; names that are not valid UTF-8 are shown decoded (with
// replacement characters) in the title, menus and messages only. Saving checks first that the
// name still leads to the file that was read or written, unchanged; a save counts (clears the
// edited mark and binds the document) only when it wrote a regular file (documentfile.h).
#ifndef SPRIG_APP_DOCUMENT_H
#define SPRIG_APP_DOCUMENT_H

#include "documentfile.h"
#include "documenttext.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class Preferences;
class QMainWindow;
class QMessageBox;
class QPlainTextEdit;
class Sheets;

class Document : public QObject {
    Q_OBJECT
  public:
    // One answer of the save prompt: true = go on, false = the user cancelled.
    using Callback = std::function<void(bool)>;
    // How long after the session's question the window's close goes through without asking.
    static const int kSessionCloseMs = 60000;

    Document(QMainWindow *window, QPlainTextEdit *editor, Preferences *prefs,
             QObject *parent = nullptr);

    // The bound file's absolute path, as shown (decoded); empty for an untitled document.
    const QString &file() const { return _disk->name(); }
    // The same path as the file system names it.
    const QByteArray &filePath() const { return _disk->path(); }
    // The name the window shows: the file's name or "untitled.ls".
    QString displayName() const;
    bool isEdited() const;
    // The text as the file holds it and the engine reads it (documenttext.h).
    QByteArray bytes() const { return _text.bytes(); }
    // The text with "\n" between lines: byte offsets are editor positions.
    QByteArray latin1() const { return _text.latin1(); }

    // Loads the file at path into the editor (an empty path makes a new untitled document
    // holding "# created <date>"; a resource path ":/..." loads it untitled), then announces
    // loaded(). A file that cannot be read, or that is over the editor's limits, leaves the
    // current document as it was and says which file and why in a message box; returns false
    // then.
    bool setFile(const QString &path, bool remember);
    // bindToFile false: the text only, untitled (an example's copy).
    bool loadFile(const QByteArray &path, bool remember, bool bindToFile = true);
    // Start-up complete: loads the file handed over (remembered as recent) or, without one or
    // when it cannot be read, the built-in template as an untitled document. From now on a
    // file handed over is loaded after the save prompt.
    void applicationDidFinishLaunching();

    // The prompt with the question, "Save", "Don't Save" and "Cancel"; the callback receives
    // the answer. Not edited: the callback runs at once with true.
    void askToSave(const QString &question, Callback callback);

    // The main window's close event: whether to accept it (it asks first when edited).
    bool closeRequested();
    // The main window was shown again: a later close asks again.
    void windowShown() { _closeApproved = false; }
    // Files dropped on the window or the editor: the first local one is opened after asking.
    void dropUrls(const QList<QUrl> &urls);
    // The session manager asks before the session ends (or saves it): the prompt when edited
    // and mayInteract() grants it, answered before this returns. False when the user cancelled
    // (the caller cancels the logout). Never quits: if the session ends, the window's close
    // that follows (within kSessionCloseMs) goes through without asking again, unless the text
    // is edited meanwhile.
    bool commitData(const std::function<bool()> &mayInteract);

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
    // A file handed over by the system or another sprig process (the path's bytes): loaded at
    // the end of start-up without a question, or after the save prompt once start-up is
    // complete.
    void openFileRequest(const QByteArray &path);
    // Quit: asks first; quits once the answer allows it.
    void quit();
    // The editor's change handler, document part: only a change of the text itself counts;
    // characters beyond ISO Latin 1 become "?"; the edited mark follows; edited() follows.
    void textDidChange();

  signals:
    // The text was edited (by the user, or by a load before loaded()).
    void edited();
    // A file or a new document replaced the text: the owner refreshes at once and centres.
    void loaded();

  private:
    // The prompt's answer (1 Save, 0 Don't Save, -1 Cancel) carried out, then the callback.
    void didEndCloseSheet(int returnCode, Callback callback);
    // The save panel; the callback (may be empty) receives true once the save is done with.
    void askToSaveFile(Callback callback);
    // Saves to path (chosen: picked in the save panel, so no question about what is there);
    // the callback (may be empty) receives true once done with, saved or not.
    void saveTo(const QByteArray &path, bool chosen, Callback done);
    void pendingCallback(bool answer, const QByteArray &path);
    void openingCallback(bool answer);
    void closingCallback(bool answer);
    void terminateCallback(bool answer);
    // The window's title and file path after the bound file.
    void showTitle();
    void beforeSheet();
    void syncEdited();
    void write(const QByteArray &path);
    void askOverwrite(const QString &text, const QString &informative, const QByteArray &path,
                      Callback done);
    void diskChanged();
    QMessageBox *question(const char *name, const QString &text, const QString &informative);

    QMainWindow *_window;
    QPlainTextEdit *_editor;
    Preferences *_prefs;
    DocumentText _text;
    DocumentFile *_disk; // the bound file; unbound: untitled
    Sheets *_sheets;
    std::function<void()> _beforeSheet;
    QByteArray _startup; // handed over before start-up completed
    QString _seenText;   // the text as the change handler last saw it
    bool _finishedLaunch = false;
    bool _discarded = false;        // "Don't Save" was the answer now being acted on
    bool _closeApproved = false;    // the window may close
    QElapsedTimer _sessionApproved; // the session's question was answered for this text
    bool _inCloseEvent = false;
    bool _forcedNoted = false; // the status bar said so once for this document
};

#endif
