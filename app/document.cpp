// The document's file binding, its Latin 1 text, the file commands and the save prompt.
#include "document.h"

#include "files.h"
#include "io.h"
#include "preferences.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

Document::Document(QMainWindow *window, QPlainTextEdit *editor, Preferences *prefs, QObject *parent)
    : QObject(parent), _window(window), _editor(editor), _prefs(prefs) {
    connect(_editor, &QPlainTextEdit::textChanged, this, &Document::textDidChange);
    setDocumentTitle(QString());
}

QString Document::displayName() const {
    return _file.isEmpty() ? QStringLiteral("untitled.ls") : QFileInfo(_file).fileName();
}

bool Document::isEdited() const {
    return _window->isWindowModified();
}

QByteArray Document::latin1() const {
    return _editor->toPlainText().toLatin1();
}

void Document::setDocumentTitle(const QString &path) {
    _window->setWindowFilePath(path);
    _window->setWindowTitle(
        (path.isEmpty() ? QStringLiteral("untitled.ls") : QFileInfo(path).fileName()) +
        QStringLiteral("[*] \u2014 Sprig"));
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

// ---- The text ----

void Document::textDidChange() {
    if (_forcing) return;
    // The document also announces layout-only changes (the highlighter's formats): only a
    // change of the text itself is an edit.
    QString text = _editor->toPlainText();
    if (text == _seenText && !_seenText.isNull()) return;
    _seenText = text;
    _window->setWindowModified(true);

    // The file format has one byte per character: anything above 255 becomes "?" in the
    // document itself (undoable), so editor positions and engine offsets stay equal.
    if (forceAscii(text) > 0) {
        _forcing = true;
        QTextCursor c(_editor->document());
        c.beginEditBlock();
        const QString now = _editor->toPlainText();
        for (int i = 0; i < now.size(); ++i) {
            if (now[i].unicode() <= 255) continue;
            c.setPosition(i);
            c.setPosition(i + 1, QTextCursor::KeepAnchor);
            c.insertText(QStringLiteral("?"));
        }
        c.endEditBlock();
        _forcing = false;
        _seenText = text;
        if (!_forcedNoted) {
            _forcedNoted = true;
            _window->statusBar()->showMessage(
                tr("Characters beyond ISO Latin 1 were replaced by \"?\": description files "
                   "hold one byte per character."),
                10000);
        }
    }
    Q_EMIT edited();
}

int Document::forceAscii(QString &text) {
    int n = 0;
    for (QChar &c : text) {
        if (c.unicode() > 255) {
            c = QLatin1Char('?');
            ++n;
        }
    }
    return n;
}

// ---- Loading ----

bool Document::setFile(const QString &path, bool remember) {
    QString text;
    if (path.isEmpty()) {
        _file.clear();
        setDocumentTitle(QString());
        text =
            QStringLiteral("# created %1\n")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    } else {
        QByteArray bytes;
        QString why;
        if (!readDescription(path, &bytes, &why)) {
            showFileError("loadError", tr("The file \"%1\" could not be opened.").arg(path), why);
            return false;
        }
        // ISO Latin 1: every byte is one character, so nothing can fail to decode.
        text = QString::fromLatin1(bytes);
        _file = QFileInfo(path).absoluteFilePath();
        setDocumentTitle(_file);
        if (remember) noteRecentFile(_prefs->settings(), _file);
    }
    _forcedNoted = false;
    // setPlainText runs the change handler (refresh planning, edited mark, colouring).
    _editor->setPlainText(text);
    _editor->moveCursor(QTextCursor::Start);
    _window->setWindowModified(false);
    Q_EMIT loaded();
    return !path.isEmpty();
}

void Document::applicationDidFinishLaunching() {
    _finishedLaunch = true;
    if (!_pending.isEmpty() && setFile(_pending, true)) return;
    // The template is shown unbound: a later Save asks where to put it.
    if (setFile(QStringLiteral(":/untitled.ls"), false)) {
        _file.clear();
        setDocumentTitle(QString());
    }
}

// ---- Commands ----

void Document::fileNew() {
    _pending.clear();
    askToSave(tr("Do you want to save changes before new?"),
              [this](bool answer) { pendingCallback(answer); });
}

void Document::fileOpen() {
    askToSave(tr("Do you want to save changes before loading?"),
              [this](bool answer) { openingCallback(answer); });
}

void Document::fileSave() {
    if (_file.isEmpty())
        fileSaveAs();
    else
        trySave(_file);
}

void Document::fileSaveAs() {
    askToSaveFile(Callback());
}

void Document::openRecent(const QString &path) {
    _pending = path;
    askToSave(tr("Do you want to save changes before loading?"),
              [this](bool answer) { pendingCallback(answer); });
}

void Document::openCopy(const QString &path) {
    askToSave(tr("Do you want to save changes before loading?"), [this, path](bool answer) {
        if (!answer || isEdited()) return;
        const bool restoreEdited = _discarded;
        if (setFile(path, false)) {
            _file.clear();
            setDocumentTitle(QString());
        } else if (restoreEdited) {
            _window->setWindowModified(true);
        }
    });
}

void Document::openFileRequest(const QString &path) {
    _pending = path;
    if (_finishedLaunch)
        askToSave(tr("Do you want to save changes before loading?"),
                  [this](bool answer) { pendingCallback(answer); });
}

void Document::dropUrls(const QList<QUrl> &urls) {
    // Only the first of several files is opened.
    for (const QUrl &url : urls) {
        if (!url.isLocalFile()) continue;
        _pending = url.toLocalFile();
        askToSave(tr("Do you want to save changes before accepting?"),
                  [this](bool answer) { pendingCallback(answer); });
        return;
    }
}

bool Document::closeRequested() {
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

// ---- The prompt ----

void Document::askToSave(const QString &question, Callback callback) {
    beforeSheet();
    if (!isEdited()) {
        callback(true);
        return;
    }
    // One prompt or panel at a time; a command given while one is open is not taken.
    if (_sheetOpen) return;
    _sheetOpen = true;
    auto *box = new QMessageBox(QMessageBox::Warning, tr("Sprig"), question, QMessageBox::NoButton,
                                _window);
    box->setObjectName("savePrompt");
    box->setInformativeText(tr("If you don't save, your changes will be lost."));
    QPushButton *save = box->addButton(tr("Save"), QMessageBox::AcceptRole);
    QPushButton *dontSave = box->addButton(tr("Don't Save"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(save);
    box->setEscapeButton(cancel);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [=, this] {
        _sheetOpen = false;
        const QAbstractButton *b = box->clickedButton();
        didEndCloseSheet(b == save ? 1 : b == dontSave ? 0 : -1, callback);
    });
    box->open();
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
    beforeSheet();
    if (_sheetOpen) return;
    _sheetOpen = true;
    auto *panel = new QFileDialog(_window, tr("Save"));
    panel->setObjectName("savePanel");
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setDefaultSuffix("ls");
    panel->setNameFilters({tr("L-system descriptions (*.ls)"), tr("All files (*)")});
    panel->selectFile(_file.isEmpty() ? QStringLiteral("untitled.ls") : _file);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [=, this](int result) {
        _sheetOpen = false;
        if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty())
            trySave(panel->selectedFiles().first());
        if (callback) callback(true);
    });
    panel->open();
}

bool Document::trySave(const QString &path) {
    const QByteArray bytes = latin1();
    std::string err;
    if (!ioWriteFile(QFile::encodeName(path).toStdString(), bytes.constData(), size_t(bytes.size()),
                     &err)) {
        const QString why = QString::fromLocal8Bit(err.c_str());
        qWarning("save failed - %s", qPrintable(why));
        // The document stays edited, so no pending command discards it.
        showFileError("saveError", tr("The file \"%1\" could not be saved.").arg(path), why);
        return false;
    }
    _file = QFileInfo(path).absoluteFilePath();
    setDocumentTitle(_file);
    noteRecentFile(_prefs->settings(), _file);
    _window->setWindowModified(false);
    return true;
}

// ---- Callbacks ----

void Document::pendingCallback(bool answer) {
    if (!answer || isEdited()) return;
    // A file that cannot be read leaves the text; after "Don't Save" it is still unsaved.
    const bool restoreEdited = _discarded;
    if (!setFile(_pending, true) && !_pending.isEmpty() && restoreEdited)
        _window->setWindowModified(true);
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
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    _sheetOpen = true;
    connect(panel, &QFileDialog::finished, this, [=, this](int result) {
        _sheetOpen = false;
        if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty()) {
            if (!setFile(panel->selectedFiles().first(), true) && restoreEdited)
                _window->setWindowModified(true);
        } else if (restoreEdited) {
            _window->setWindowModified(true);
        }
    });
    panel->open();
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
