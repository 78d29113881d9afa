// The document's file binding, its text, the file commands and the save prompt.
#include "document.h"

#include "files.h"
#include "preferences.h"
#include "sheets.h"

#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

#include <new>

Document::Document(QMainWindow *window, QPlainTextEdit *editor, Preferences *prefs, QObject *parent)
    : QObject(parent), _window(window), _editor(editor), _prefs(prefs), _text(editor),
      _disk(new DocumentFile(this)), _sheets(new Sheets(this)) {
    connect(_editor, &QPlainTextEdit::textChanged, this, &Document::textDidChange);
    connect(_editor->document(), &QTextDocument::modificationChanged, this, &Document::syncEdited);
    connect(_disk, &DocumentFile::changed, this,
            [this] { _sheets->whenFree([this] { diskChanged(); }); });
    showTitle();
}

QString Document::displayName() const {
    return file().isEmpty() ? QStringLiteral("untitled.ls") : QFileInfo(file()).fileName();
}

bool Document::isEdited() const {
    return _window->isWindowModified();
}

void Document::syncEdited() {
    _window->setWindowModified(_editor->document()->isModified());
}

void Document::showTitle() {
    _window->setWindowFilePath(file());
    _window->setWindowTitle(displayName() + QStringLiteral("[*] \u2014 Sprig"));
}

void Document::beforeSheet() {
    if (_beforeSheet) _beforeSheet();
}

QMessageBox *Document::showFileError(const char *name, const QString &text, const QString &why) {
    auto *box = new QMessageBox(QMessageBox::Warning, tr("Sprig"), text, QMessageBox::Ok, _window);
    box->setObjectName(name);
    box->setInformativeText(why);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

QMessageBox *Document::question(const char *name, const QString &text, const QString &informative) {
    auto *box =
        new QMessageBox(QMessageBox::Warning, tr("Sprig"), text, QMessageBox::NoButton, _window);
    box->setObjectName(name);
    box->setInformativeText(informative);
    return box;
}

// ---- The text ----

void Document::textDidChange() {
    if (_text.isForcing()) return;
    try {
        // The document also announces layout-only changes (the highlighter's formats): only a
        // change of the text itself is an edit.
        const QString text = _editor->document()->toRawText();
        if (text == _seenText && !_seenText.isNull()) return;
        // The file format has one byte per character: anything above 255 becomes "?" in the
        // document itself, as part of the edit, so editor positions and engine offsets agree.
        const int forced = _text.forceAscii(text);
        _seenText = forced ? _editor->document()->toRawText() : text;
        if (forced > 0 && !_forcedNoted) {
            _forcedNoted = true;
            _window->statusBar()->showMessage(
                tr("Characters beyond ISO Latin 1 were replaced by \"?\": description files "
                   "hold one byte per character."),
                10000);
        }
    } catch (const std::bad_alloc &) {
        // Not out through Qt's text classes: the edit stands, seen as an edit.
        _seenText.clear();
    }
    _sessionApproved.invalidate();
    syncEdited();
    Q_EMIT edited();
}

// ---- Loading ----

bool Document::setFile(const QString &path, bool remember) {
    if (path.isEmpty() || path.startsWith(QLatin1String(":/")))
        return loadFile(path.toUtf8(), remember);
    return loadFile(QFile::encodeName(QFileInfo(path).absoluteFilePath()), remember);
}

bool Document::loadFile(const QByteArray &given, bool remember, bool bindToFile) {
    const QByteArray path = DocumentFile::absolute(given);
    const bool bound = bindToFile && !path.isEmpty() && !path.startsWith(":/");
    QByteArray bytes;
    io_identity_t id;
    QString headline, why;
    if (path.isEmpty())
        bytes =
            QStringLiteral("# created %1\n")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                .toLatin1();
    else if (!DocumentFile::read(path, &bytes, &id, &headline, &why))
        return showFileError("loadError", headline, why), false;
    // Put in place whole or not at all: without the memory for the new text, the old one is
    // put back.
    const QByteArray old = _text.bytes();
    const bool wasModified = _editor->document()->isModified();
    try {
        _text.setBytes(bytes);
    } catch (const std::bad_alloc &) {
        try {
            _text.setBytes(old);
        } catch (const std::bad_alloc &) {
        }
        _editor->document()->setModified(wasModified);
        showFileError("loadError", headline,
                      tr("There is not enough memory to show it in the editor."));
        return false;
    }
    if (bound)
        _disk->bind(path, id);
    else
        _disk->unbind();
    showTitle();
    // The recent files list holds names as text: names that are not UTF-8 stay out.
    if (bound && remember && QFile::encodeName(file()) == path)
        noteRecentFile(_prefs->settings(), file());
    _forcedNoted = false;
    _editor->moveCursor(QTextCursor::Start);
    _editor->document()->setModified(false);
    syncEdited();
    Q_EMIT loaded();
    return !path.isEmpty();
}

void Document::applicationDidFinishLaunching() {
    _finishedLaunch = true;
    if (!_startup.isEmpty() && loadFile(_startup, true)) return;
    // The template is shown unbound: a later Save asks where to put it.
    setFile(QStringLiteral(":/untitled.ls"), false);
}

// A change on disk found by the watch: an offer to reload, through the save prompt.
void Document::diskChanged() {
    const disk_state_t state = _disk->state();
    if (state == disk_state_t::Same) return;
    if (state == disk_state_t::Missing) {
        _window->statusBar()->showMessage(
            tr("\"%1\" is no longer on the disk; Save writes it again.").arg(file()), 10000);
        return;
    }
    beforeSheet();
    QMessageBox *box =
        question("reloadPrompt",
                 state == disk_state_t::Changed
                     ? tr("\"%1\" has been changed on disk by another program.").arg(displayName())
                     : tr("\"%1\" now leads to another file.").arg(displayName()),
                 tr("Reload it from the disk? Unsaved changes are asked about first."));
    QPushButton *reload = box->addButton(tr("Reload"), QMessageBox::AcceptRole);
    box->setEscapeButton(box->addButton(tr("Ignore"), QMessageBox::RejectRole));
    box->setDefaultButton(reload);
    const QByteArray path = filePath();
    _sheets->show(box, [=, this](int) {
        if (box->clickedButton() != reload) return;
        askToSave(tr("Do you want to save changes before reloading?"),
                  [this, path](bool answer) { pendingCallback(answer, path); });
    });
}

// ---- Commands ----

void Document::fileNew() {
    askToSave(tr("Do you want to save changes before new?"),
              [this](bool answer) { pendingCallback(answer, QByteArray()); });
}

void Document::fileOpen() {
    askToSave(tr("Do you want to save changes before loading?"),
              [this](bool answer) { openingCallback(answer); });
}

void Document::fileSave() {
    if (filePath().isEmpty())
        fileSaveAs();
    else
        saveTo(filePath(), false, Callback());
}

void Document::fileSaveAs() {
    askToSaveFile(Callback());
}

void Document::openRecent(const QString &path) {
    const QByteArray bytes = QFile::encodeName(path);
    askToSave(tr("Do you want to save changes before loading?"),
              [this, bytes](bool answer) { pendingCallback(answer, bytes); });
}

void Document::openCopy(const QString &path) {
    askToSave(tr("Do you want to save changes before loading?"), [this, path](bool answer) {
        if (!answer || isEdited()) return;
        const bool restoreEdited = _discarded;
        if (!loadFile(QFile::encodeName(path), false, false) && restoreEdited) syncEdited();
    });
}

void Document::openFileRequest(const QByteArray &path) {
    if (!_finishedLaunch) {
        _startup = path;
        return;
    }
    askToSave(tr("Do you want to save changes before loading?"),
              [this, path](bool answer) { pendingCallback(answer, path); });
}

void Document::dropUrls(const QList<QUrl> &urls) {
    // Only the first of several files is opened.
    for (const QUrl &url : urls) {
        if (!url.isLocalFile()) continue;
        const QByteArray path = QFile::encodeName(url.toLocalFile());
        askToSave(tr("Do you want to save changes before accepting?"),
                  [this, path](bool answer) { pendingCallback(answer, path); });
        return;
    }
}

bool Document::closeRequested() {
    // The session's end closes the window soon after its question was answered; a close long
    // after it (the logout was cancelled elsewhere) asks again.
    if (_sessionApproved.isValid() && !_sessionApproved.hasExpired(kSessionCloseMs))
        _closeApproved = true;
    if (!_closeApproved) {
        // Without changes the answer comes at once and approves this very close.
        _inCloseEvent = true;
        askToSave(tr("Do you want to save changes before quiting?"),
                  [this](bool answer) { closingCallback(answer); });
        _inCloseEvent = false;
    }
    return _closeApproved;
}

void Document::quit() {
    askToSave(tr("Do you want to save changes before quiting?"),
              [this](bool answer) { terminateCallback(answer); });
}

bool Document::commitData(const std::function<bool()> &mayInteract) {
    _sessionApproved.invalidate();
    if (!isEdited()) return true;
    // Without leave to ask there is nothing to do but let the session go on; with a question
    // already open, the user answers that one first.
    if (!mayInteract()) return true;
    if (_sheets->isOpen()) return false;
    bool goOn = false;
    _sheets->setWaiting(true);
    askToSave(tr("Do you want to save changes before quiting?"),
              [&goOn, this](bool answer) { goOn = answer && !isEdited(); });
    _sheets->setWaiting(false);
    if (!goOn) return false;
    // "Don't Save" leaves the text as it is, still unsaved unless the session ends.
    syncEdited();
    _sessionApproved.start();
    return true;
}

// ---- The prompt ----

void Document::askToSave(const QString &question, Callback callback) {
    // One prompt or panel at a time: a command given while one is open waits for its turn.
    if (_sheets->isOpen()) {
        _sheets->whenFree([=, this] { askToSave(question, callback); });
        return;
    }
    beforeSheet();
    if (!isEdited()) {
        callback(true);
        return;
    }
    QMessageBox *box =
        this->question("savePrompt", question, tr("If you don't save, your changes will be lost."));
    QPushButton *save = box->addButton(tr("Save"), QMessageBox::AcceptRole);
    QPushButton *dontSave = box->addButton(tr("Don't Save"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(save);
    box->setEscapeButton(cancel);
    _sheets->show(box, [=, this](int) {
        const QAbstractButton *b = box->clickedButton();
        didEndCloseSheet(b == save ? 1 : b == dontSave ? 0 : -1, callback);
    });
}

void Document::didEndCloseSheet(int returnCode, Callback callback) {
    if (returnCode == 1) {
        askToSaveFile(callback);
    } else if (returnCode == 0) {
        _window->setWindowModified(false);
        _discarded = true;
        callback(true);
        _discarded = false;
    } else if (returnCode == -1) {
        callback(false);
    }
}

void Document::askToSaveFile(Callback callback) {
    if (_sheets->isOpen()) {
        _sheets->whenFree([=, this] { askToSaveFile(callback); });
        return;
    }
    beforeSheet();
    auto *panel = new QFileDialog(_window, tr("Save"));
    panel->setObjectName("savePanel");
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setDefaultSuffix("ls");
    panel->setNameFilters({tr("L-system descriptions (*.ls)"), tr("All files (*)")});
    panel->selectFile(file().isEmpty() ? QStringLiteral("untitled.ls") : file());
    _sheets->show(panel, [=, this](int result) {
        if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty())
            saveTo(QFile::encodeName(panel->selectedFiles().first()), true, callback);
        else if (callback)
            callback(true);
    });
}

void Document::saveTo(const QByteArray &path, bool chosen, Callback done) {
    // Where the bound name no longer leads to the file as it was read or written, ask.
    QString text, informative;
    if (!chosen && path == filePath() && _disk->askFirst(&text, &informative))
        return askOverwrite(text, informative, path, done);
    write(path);
    if (done) done(true);
}

void Document::askOverwrite(const QString &text, const QString &informative, const QByteArray &path,
                            Callback done) {
    beforeSheet();
    QMessageBox *box = question("overwritePrompt", text, informative);
    QPushButton *overwrite = box->addButton(tr("Overwrite"), QMessageBox::DestructiveRole);
    QPushButton *saveAs = box->addButton(tr("Save As..."), QMessageBox::AcceptRole);
    box->setEscapeButton(box->addButton(tr("Cancel"), QMessageBox::RejectRole));
    box->setDefaultButton(saveAs);
    _sheets->show(box, [=, this](int) {
        if (box->clickedButton() == saveAs) return askToSaveFile(done);
        if (box->clickedButton() == overwrite) write(path);
        if (done) done(true);
    });
}

// Only a regular file written counts as saved: a device or FIFO receives the text, but the
// document stays edited and bound as it was.
void Document::write(const QByteArray &path) {
    const QString name = QFile::decodeName(path);
    QString why;
    unsigned long brokenLinks = 0;
    switch (_disk->write(path, _text.bytes(), &why, &brokenLinks)) {
    case DocumentFile::Written::Failed:
        qWarning("save failed - %s", qPrintable(why));
        // The document stays edited, so no pending command discards it.
        showFileError("saveError", tr("The file \"%1\" could not be saved.").arg(name), why);
        return;
    case DocumentFile::Written::NotSaved:
        _window->statusBar()->showMessage(tr("The text was written into \"%1\", which is not a "
                                             "regular file: the description is not saved.")
                                              .arg(name),
                                          10000);
        return;
    case DocumentFile::Written::Saved:
        break;
    }
    showTitle();
    if (QFile::encodeName(name) == path) noteRecentFile(_prefs->settings(), name);
    _editor->document()->setModified(false);
    syncEdited();
    if (brokenLinks > 0)
        _window->statusBar()->showMessage(
            tr("Saved. The file had %n other name(s) (hard links); they keep the old content.", "",
               int(brokenLinks)),
            10000);
}

// ---- Callbacks ----

void Document::pendingCallback(bool answer, const QByteArray &path) {
    if (!answer || isEdited()) return;
    // A file that cannot be read leaves the text; after "Don't Save" it is still unsaved.
    const bool restoreEdited = _discarded;
    if (!loadFile(path, true) && !path.isEmpty() && restoreEdited) syncEdited();
}

void Document::openingCallback(bool answer) {
    beforeSheet();
    if (!answer || isEdited()) return;
    // "Don't Save" cleared the edited mark for the file about to be opened; if the user then
    // cancels the open panel, the unsaved text is still there and must stay marked.
    const bool restoreEdited = _discarded;
    auto *panel = new QFileDialog(_window, tr("Open"));
    panel->setObjectName("openPanel");
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setNameFilters({tr("All files (*)"), tr("L-system descriptions (*.ls)")});
    _sheets->show(panel, [=, this](int result) {
        const bool chosen = result == QDialog::Accepted && !panel->selectedFiles().isEmpty();
        if (!(chosen && setFile(panel->selectedFiles().first(), true)) && restoreEdited)
            syncEdited();
    });
}

void Document::closingCallback(bool answer) {
    if (!answer || isEdited()) return;
    _closeApproved = true;
    // The application ends with its last window.
    if (!_inCloseEvent) _window->close();
}

void Document::terminateCallback(bool answer) {
    if (!answer || isEdited()) return;
    _closeApproved = true;
    // The application ends with its last window.
    _window->close();
}
