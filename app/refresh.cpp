// The refresh cycle: planning the refresh after an edit, running it (text to model to display
// list), the message report with its links and red mark, centring, and loading a document.
#include "appcontroller.h"

#include "basicopenglview.h"
#include "camera.h"
#include "lsyshighlighter.h"
#include "preferences.h"
#include "refreshbutton.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QLabel>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextCursor>

#include "files.h"
#include "model_arrays.h"

// ---- States of the cycle ----

void AppController::setSpinning(bool on) {
    _spinning = on;
    if (_refreshButton) on ? _refreshButton->startAnimation() : _refreshButton->stopAnimation();
}

void AppController::setRefreshImage(bool shown) {
    _imageShown = shown;
    if (_refreshButton) _refreshButton->setImageShown(shown);
}

// The text-change step: to automatic (delay below 10.9) or manual refresh pending.
void AppController::textDidChange() {
    if (_forcing) return;
    // The document also announces layout-only changes (the highlighter's formats): only a
    // change of the text itself is an edit.
    QString text = textView->toPlainText();
    if (text == _seenText && !_seenText.isNull()) return;
    _seenText = text;
    _prefs->setValue(Preferences::kFont, textView->font().toString());

    _refreshTimer.stop();
    if (!_prefs->manualRefresh()) {
        _refreshTimer.start(int(qMin(_prefs->delay(), 1e6f) * 1000.0f));
        setSpinning(true);
        setRefreshImage(false);
    }
    _refreshAction->setEnabled(true);
    setWindowModified(true);

    // The file format has one byte per character: anything above 255 becomes "?" in the
    // document itself (undoable), so editor positions and engine offsets stay equal.
    if (forceAscii(text) > 0) {
        _forcing = true;
        QTextCursor c(textView->document());
        c.beginEditBlock();
        const QString now = textView->toPlainText();
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
            statusBar()->showMessage(
                tr("Characters beyond ISO Latin 1 were replaced by \"?\": description files "
                   "hold one byte per character."),
                10000);
        }
    }
    _highlighter->colourText(text.toLatin1());
}

int AppController::forceAscii(QString &text) {
    int n = 0;
    for (QChar &c : text) {
        if (c.unicode() > 255) {
            c = QLatin1Char('?');
            ++n;
        }
    }
    return n;
}

// Re-plans a pending refresh after a change of "delay".
void AppController::replanRefresh() {
    if (_prefs->manualRefresh()) {
        _refreshTimer.stop();
        setSpinning(false);
        if (_refreshAction->isEnabled()) setRefreshImage(true);
    } else if (_refreshAction->isEnabled()) {
        _refreshTimer.start(int(_prefs->delay() * 1000.0f));
        setSpinning(true);
    }
}

// ---- The refresh ----

// Offset of the start of the line holding offset i.
static int lineStart(const QByteArray &text, int i) {
    while (i > 0 && text[i - 1] != '\n' && text[i - 1] != '\r')
        --i;
    return i;
}

void AppController::refresh() {
    _refreshTimer.stop();
    setSpinning(false);
    _refreshAction->setEnabled(false);
    if (!_prefs->manualRefresh()) setRefreshImage(true);

    const QByteArray text = textView->toPlainText().toLatin1();
    // The engine reads up to the first NUL byte: say so rather than drop the rest unseen.
    const int nul = text.indexOf('\0');
    if (nul >= 0) traceHook(lineStart(text, nul), "ignoring the text after a NUL byte");

    // Hard ceilings keep any description from freezing the editor or taking gigabytes; the
    // model says so among its messages when one applied.
    auto arrays = std::make_shared<model_arrays_t>();
    const emit_t sink = modelArraysEmit(arrays.get());
    lsys_job_t job = {text.constData(), _growth, &lsysWindowCeilings, &sink, nullptr, 1, 0};
    lsys_t *l = lsysBuild(&job, traceHook);
    if (job.ceiled)
        statusBar()->showMessage(tr("This description was drawn within the window's limits of "
                                    "%1 polygons and %2 tokens.")
                                     .arg(LSYS_CEIL_POLYGONS)
                                     .arg(LSYS_CEIL_TOKENS),
                                 10000);
    floor_t floor;
    modelFloor(l, &floor);
    oglView->showModel(arrays, floor);
    lsysFree(_gen);
    _gen = l;
    _shownText = text;
    _shownGrowth = _growth;
    errorReport();
}

// A Shift+click on the model: the derivation of the element there goes to the message list,
// one line per level, and the editor selects the command that drew it.
void AppController::pickPoint(double x, double y, double z) {
    const QByteArray text = textView->toPlainText().toLatin1();
    // Prepared as the refresh prepares it (seeded, grown, within the ceilings), so the replay
    // is the picture.
    lsys_job_t job = {text.constData(), _growth, &lsysWindowCeilings, nullptr, nullptr, 0, 0};
    lsys_t *l = lsysBuild(&job, nullTrace);
    if (!l) return;
    static pick_result_t r; // large; picking runs on the main thread only
    const float p[3] = {float(x), float(y), float(z)};
    lsysPick(l, p, &r);
    QStringList lines;
    if (r.hit) {
        for (int i = r.levels - 1; i >= 0; --i) {
            QByteArray line(int(lsysPickLine(l, &r, i, nullptr, 0)), '\0');
            lsysPickLine(l, &r, i, line.data(), size_t(line.size()) + 1);
            lines << QString::fromLatin1(line);
        }
    }
    lsysFree(l);
    showPick(lines);
    int32_t offset = 0, length = 0;
    if (r.hit && r.drawn_level >= 0 &&
        lsysTokenSpan(text.constData(), r.drawn.slot, r.drawn.token, &offset, &length)) {
        QTextCursor c(textView->document());
        c.setPosition(offset);
        c.setPosition(offset + qMax(1, int(length)), QTextCursor::KeepAnchor);
        textView->setTextCursor(c);
        textView->ensureCursorVisible();
        tabView->setCurrentIndex(0);
    }
}

// The pick's lines in the message list (grey, like every report), or "nothing here".
void AppController::showPick(const QStringList &lines) {
    logView->clear();
    QTextCursor c(logView->document());
    QTextCharFormat grey;
    grey.setForeground(Qt::gray);
    c.insertText(lines.isEmpty() ? tr("nothing here") + "\n" : lines.join('\n') + "\n", grey);
    tabView->setTabText(1, tr("Messages"));
    statusBar()->showMessage(lines.isEmpty() ? tr("Picked nothing here.")
                                             : tr("The derivation is in the Messages tab."),
                             5000);
}

void AppController::grow(float growth) {
    _growth = growth;
    if (_growthSlider->value() != qRound(growth * 100.0f)) {
        const QSignalBlocker block(_growthSlider);
        _growthSlider->setValue(qRound(growth * 100.0f));
        _growthLabel->setText(QString::number(double(growth), 'f', 2));
    }
    refresh();
}

void AppController::center() {
    oglView->centerOnModel(_gen);
}

// ---- The report ----

void AppController::errorReport() {
    const int n = qMin<int>(traceCount, TRACE_STORE);

    QString label;
    for (int i = 0; i < n; ++i) {
        if (trace[i].code < CODE_EXEC) continue;
        label = QString::fromLatin1(trace[i].text ? trace[i].text : "");
        if (trace[i].code >= CODE_NOLINE) showErrorPos(trace[i].code);
        break;
    }
    tabView->setTabText(1, label.isEmpty() ? tr("Messages") : label);

    logView->clear();
    if (traceCount > 0) {
        QTextCursor c(logView->document());
        QTextCharFormat grey, link;
        grey.setForeground(Qt::gray);
        link.setForeground(LsysHighlighter::linkColor());
        link.setFontUnderline(true);
        link.setAnchor(true);
        for (int i = 0; i < n; ++i) {
            const int code = trace[i].code;
            const QString text = QString::fromLatin1(trace[i].text ? trace[i].text : "");
            if (code >= CODE_NOLINE) {
                link.setAnchorHref(QString::number(code));
                c.insertText(QStringLiteral("code"), link);
                c.insertText(QStringLiteral(": %1\n").arg(text), grey);
            } else {
                const char *kind = code == CODE_INFO   ? "info"
                                   : code == CODE_EXEC ? "exec"
                                                       : "unknown";
                c.insertText(QStringLiteral("%1: %2\n").arg(QLatin1String(kind), text), grey);
            }
        }
        if (traceCount > TRACE_STORE)
            c.insertText(QStringLiteral("... additional %1 messages ignored\n")
                             .arg(traceCount - TRACE_STORE),
                         grey);
        logView->moveCursor(QTextCursor::Start);
        logView->verticalScrollBar()->setValue(0);
    }
    traceClear();
}

void AppController::showErrorPos(int pos) {
    tabView->setCurrentIndex(0);
    if (pos < 0) return;
    const QByteArray text = textView->toPlainText().toLatin1();
    if (pos > text.size()) return;
    QTextCursor c(textView->document());
    c.setPosition(pos);
    textView->setTextCursor(c);
    textView->ensureCursorVisible();
    int end = pos;
    while (end < text.size() && text[end] != '\0' && text[end] != '\n' && text[end] != '\r')
        ++end;
    _highlighter->markError(pos, end);
}

// ---- Loading ----

bool AppController::setFile(const QString &path, bool remember) {
    _refreshTimer.stop();
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
            showLoadError(path, why);
            return false;
        }
        // ISO Latin 1: every byte is one character, so nothing can fail to decode.
        text = QString::fromLatin1(bytes);
        _file = QFileInfo(path).absoluteFilePath();
        setDocumentTitle(_file);
        if (remember) rememberFile(_file);
    }
    _forcedNoted = false;
    // setPlainText runs the change handler (colouring, refresh planning, edited mark).
    textView->setPlainText(text);
    textView->moveCursor(QTextCursor::Start);
    setWindowModified(false);
    refresh();
    center();
    return !path.isEmpty();
}

void AppController::applicationDidFinishLaunching() {
    _finishedLaunch = true;
    if (!_pending.isEmpty() && setFile(_pending, true)) return;
    // The template is shown unbound: a later Save asks where to put it.
    if (setFile(QStringLiteral(":/untitled.ls"), false)) {
        _file.clear();
        setDocumentTitle(QString());
    }
}

void AppController::showLoadError(const QString &path, const QString &why) {
    showFileError("loadError", tr("The file \"%1\" could not be opened.").arg(path), why);
}
