// File commands and the save prompt: New, Open, Save, Save As, Print, drops, open requests from
// other processes, closing and quitting. Every command that would discard the text asks first
// and goes on through a callback once the question is answered:
//
//   user's choice                 edited afterwards   callback gets   command goes on
//   nothing to ask (not edited)   no                  true            yes
//   Save, file written            no                  true            yes
//   Save, save panel cancelled    yes                 true            no
//   Save, write failed            yes                 true            no
//   Don't Save                    no                  true            yes
//   Cancel                        yes                 false           no
//
// The callbacks go on only when the answer is true and the window is no longer edited.
#include "appcontroller.h"

#include "basicopenglview.h"
#include "files.h"
#include "io.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

void AppController::leaveFullScreen() {
    if (oglView->isFullScreen()) oglView->toggleFullScreen();
}

// ---- Commands ----

void AppController::fileNew() {
    _pending.clear();
    askToSave(tr("Do you want to save changes before new?"),
              [this](bool answer) { pendingCallback(answer); });
}

void AppController::fileOpen() {
    askToSave(tr("Do you want to save changes before loading?"),
              [this](bool answer) { openingCallback(answer); });
}

void AppController::fileSave() {
    if (_file.isEmpty())
        fileSaveAs();
    else
        trySave(_file);
}

void AppController::fileSaveAs() {
    askToSaveFile(Callback());
}

void AppController::openRecent(const QString &path) {
    _pending = path;
    askToSave(tr("Do you want to save changes before loading?"),
              [this](bool answer) { pendingCallback(answer); });
}

void AppController::openFileRequest(const QString &path) {
    _pending = path;
    if (_finishedLaunch)
        askToSave(tr("Do you want to save changes before loading?"),
                  [this](bool answer) { pendingCallback(answer); });
}

void AppController::printDocument() {
    leaveFullScreen();
    // The editor prints its text when it has the focus; otherwise the picture is printed.
    const bool text = textView->hasFocus();
    QPrinter printer(QPrinter::HighResolution);
    auto *dialog = new QPrintDialog(&printer, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (dialog->exec() != QDialog::Accepted) return;
    if (text) {
        textView->print(&printer);
        return;
    }
    // The picture is drawn again at the page's resolution, not scaled up from the screen: the
    // view's shape, as large as the page allows, up to the headless renderer's 8192 pixels.
    // Before the first refresh the screen's picture is printed.
    QSize size(qMax(1, oglView->width()), qMax(1, oglView->height()));
    size.scale(printer.pageRect(QPrinter::DevicePixel).size().toSize().boundedTo(QSize(8192, 8192)),
               Qt::KeepAspectRatio);
    const QImage picture =
        _shownText.isNull() ? oglView->printImage() : renderPicture(size, false, true);
    if (!KXGLView::print(&printer, picture))
        QMessageBox::warning(this, tr("Sprig"), tr("The picture could not be printed."));
}

void AppController::dragEnterEvent(QDragEnterEvent *event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void AppController::dropEvent(QDropEvent *event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Only the first of several files is opened.
    for (const QUrl &url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        _pending = url.toLocalFile();
        askToSave(tr("Do you want to save changes before accepting?"),
                  [this](bool answer) { pendingCallback(answer); });
        return;
    }
}

void AppController::closeEvent(QCloseEvent *event) {
    if (!_closeApproved) {
        // Without changes the answer comes at once and approves this very close.
        _inCloseEvent = true;
        askToSave(tr("Do you want to save changes before quiting?"),
                  [this](bool answer) { closingCallback(answer); });
        _inCloseEvent = false;
    }
    event->setAccepted(_closeApproved);
}

void AppController::showEvent(QShowEvent *event) {
    _closeApproved = false;
    QMainWindow::showEvent(event);
}

void AppController::quit() {
    askToSave(tr("Do you want to save changes before quiting?"),
              [this](bool answer) { terminateCallback(answer); });
}

// ---- The prompt ----

void AppController::askToSave(const QString &question, Callback callback) {
    leaveFullScreen();
    if (!isWindowModified()) {
        callback(true);
        return;
    }
    // One prompt or panel at a time; a command given while one is open is not taken.
    if (_sheetOpen) return;
    _sheetOpen = true;
    auto *box =
        new QMessageBox(QMessageBox::Warning, tr("Sprig"), question, QMessageBox::NoButton, this);
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

void AppController::didEndCloseSheet(int returnCode, Callback callback) {
    if (returnCode == 1) {
        askToSaveFile(callback);
    } else if (returnCode == 0) {
        setWindowModified(false);
        _discarded = true;
        callback(true);
        _discarded = false;
    } else if (returnCode == -1) {
        callback(false);
    }
}

void AppController::askToSaveFile(Callback callback) {
    leaveFullScreen();
    if (_sheetOpen) return;
    _sheetOpen = true;
    auto *panel = new QFileDialog(this, tr("Save"));
    panel->setObjectName("savePanel");
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setDefaultSuffix("ls");
    panel->setNameFilters({tr("L-system descriptions (*.ls)"), tr("All files (*)")});
    if (!_file.isEmpty())
        panel->selectFile(_file);
    else
        panel->selectFile("untitled.ls");
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

bool AppController::trySave(const QString &path) {
    const QByteArray bytes = textView->toPlainText().toLatin1();
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
    rememberFile(_file);
    setWindowModified(false);
    return true;
}

// ---- Callbacks ----

void AppController::pendingCallback(bool answer) {
    if (!answer || isWindowModified()) return;
    // A file that cannot be read leaves the text; after "Don't Save" it is still unsaved.
    const bool restoreEdited = _discarded;
    if (!setFile(_pending, true) && !_pending.isEmpty() && restoreEdited) setWindowModified(true);
}

void AppController::openingCallback(bool answer) {
    leaveFullScreen();
    if (!answer || isWindowModified()) return;
    // "Don't Save" cleared the edited mark for the file about to be opened; if the user then
    // cancels the open panel, the unsaved text is still there and must stay marked.
    const bool restoreEdited = _discarded;
    auto *panel = new QFileDialog(this, tr("Open"));
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
                setWindowModified(true);
        } else if (restoreEdited) {
            setWindowModified(true);
        }
    });
    panel->open();
}

void AppController::closingCallback(bool answer) {
    if (!answer || isWindowModified()) return;
    _closeApproved = true;
    // The application ends with its last window.
    if (!_inCloseEvent) close();
}

void AppController::terminateCallback(bool answer) {
    if (!answer || isWindowModified()) return;
    _closeApproved = true;
    // The application ends with its last window.
    close();
}
