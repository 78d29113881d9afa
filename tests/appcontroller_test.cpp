// The editor window driven for real on an X server (Xvfb): the refresh cycle as the Refresh
// button shows it, drawings off the GUI thread, the message report, colouring and links, typing
// and undo, the file's bytes, growth, centring, loading, the save prompt and file commands, saves
// against changes on disk, the session's end, exports, printing, picking, the window's ceilings
// and anti-aliasing. Tables are in tests/data/appcontroller.
#include "appcontroller.h"
#include "basicopenglview.h"
#include "document.h"
#include "exportcommands.h"
#include "growthanimation.h"
#include "lsyshighlighter.h"
#include "messagereport.h"
#include "preferences.h"
#include "red_pixels.h"
#include "refreshbutton.h"
#include "refreshcycle.h"
#include "test_window.h"
#include "signalwatcher.h"
#include "textprint.h"
#include "rows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPrinter>
#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <signal.h>
#include <unistd.h>

namespace {

const char *const kTree = "recursion 2\nangle 30\naxiom F\nrule F=F[+F]F\n";
// No geometry, all work: the expansion runs into the window's token ceiling.
const char *const kHeavy = "recursion 100\naxiom X\nrule X=XX\n";

// A table of tests/data/appcontroller, as ISO Latin 1 text.
QList<QStringList> table(const char *name) {
    return testTable(QStringLiteral("appcontroller/") + name, true);
}

// The rows of a table as QTest data: one string column per field, the first naming the row.
// QTest keeps the column names' pointers: they are literals.
void tableData(const char *name, std::initializer_list<const char *> columns) {
    for (const char *c : columns)
        QTest::addColumn<QString>(c);
    for (const QStringList &r : table(name)) {
        QTestData &row = QTest::newRow(qPrintable(r[0]));
        for (int i = 1; i <= int(columns.size()); ++i)
            row << r.value(i);
    }
}

// The class of every character as the layout shows it: R leading word, G comment, L link,
// E error mark, . plain; line breaks stay '\n'.
QString classes(QPlainTextEdit *editor) {
    QString out;
    for (QTextBlock b = editor->document()->begin(); b.isValid(); b = b.next()) {
        if (b != editor->document()->begin()) out += '\n';
        QString line(b.length() - 1, '.');
        for (const QTextLayout::FormatRange &r : b.layout()->formats()) {
            const QColor c = r.format.foreground().color();
            const QChar k = c == LsysHighlighter::errorColor()                              ? 'E'
                            : c == LsysHighlighter::leadingWordColor()                      ? 'R'
                            : c == LsysHighlighter::commentColor()                          ? 'G'
                            : c == LsysHighlighter::linkColor() && r.format.fontUnderline() ? 'L'
                                                                                            : '?';
            for (int i = r.start; i < r.start + r.length && i < line.size(); ++i)
                line[i] = k;
        }
        out += line;
    }
    return out;
}

// Point in the editor's viewport at the middle of the character at pos.
QPoint charCentre(QPlainTextEdit *e, int pos) {
    QTextCursor a(e->document()), b(e->document());
    a.setPosition(pos);
    b.setPosition(pos + 1);
    const QRect ra = e->cursorRect(a), rb = e->cursorRect(b);
    return QPoint((ra.left() + rb.left()) / 2, ra.center().y());
}

// A key that types text no key code names (as an input method or a compose sequence does).
void typeKey(QWidget *w, const QString &text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
}

// The visible box of that name on the window, or null.
QMessageBox *shownBox(QWidget *window, const char *name) {
    for (QMessageBox *box : window->findChildren<QMessageBox *>(name))
        if (box->isVisible()) return box;
    return nullptr;
}

// Clicks the box's button of that label; false when it has none.
bool click(QMessageBox *box, const QString &label) {
    for (QAbstractButton *b : box ? box->buttons() : QList<QAbstractButton *>())
        if (b->text() == label) return b->click(), true;
    return false;
}

// "repeat N TEXT" is TEXT N times; anything else is itself.
QByteArray expand(const QString &field) {
    if (!field.startsWith("repeat ")) return field.toLatin1();
    const QString count = field.section(' ', 1, 1);
    return field.section(' ', 2).toLatin1().repeated(count.toInt());
}

} // namespace

class AppControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir _dir;
    std::unique_ptr<Preferences> _prefs;
    std::unique_ptr<AppController> _w;
    std::unique_ptr<QSignalSpy> _refreshed, _shown;
    int _seenRefreshed = 0, _seenShown = 0;

    QString path(const QString &name) const { return _dir.filePath(name); }
    QString write(const QString &name, const QByteArray &bytes) {
        QFile::remove(path(name)); // a link left by a test is replaced, not written through
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly)) return QString();
        f.write(bytes);
        return path(name);
    }
    QByteArray contents(const QString &file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    // Replaces the editor's text as typing would (one undoable edit).
    void type(const QString &text) {
        _w->editor()->selectAll();
        _w->editor()->insertPlainText(text);
    }
    QString messageList() const { return _w->messages()->toPlainText(); }
    Document *doc() const { return _w->document(); }
    // Waits until the next drawing of the refresh cycle is on screen (a frame drew it).
    bool drawn() {
        if (_refreshed->count() <= _seenRefreshed && !_refreshed->wait(20000)) return false;
        _seenRefreshed = _refreshed->count();
        if (_shown->count() <= _seenShown && !_shown->wait(20000)) return false;
        _seenShown = _shown->count();
        return true;
    }
    // Loads a file and waits for its picture.
    bool load(const QString &file) { return doc()->setFile(file, false) && drawn(); }

    // Answers the prompts and panels as they come, in order: a button's label, or the file to
    // pick in a panel ("" cancels it); also while a question waits in a loop of its own. The
    // count of answers still to give goes down as they are given.
    std::shared_ptr<int> answerLater(QStringList answers) {
        auto left = std::make_shared<int>(int(answers.size()));
        auto *timer = new QTimer(_w.get());
        // Each answer is given from the event loop: a timer's own slot never runs again while
        // a question it answered waits in a loop of its own.
        auto tick = [timer, answers, left, last = QPointer<QWidget>()]() mutable {
            QWidget *top = QApplication::activeModalWidget();
            if (answers.isEmpty()) return timer->deleteLater();
            if (!top || !top->isVisible() || top == last) return;
            last = top;
            const QString answer = answers.takeFirst();
            // A panel that has just opened may still be selecting its first file.
            const int settle = qobject_cast<QFileDialog *>(top) ? 300 : 0;
            QTimer::singleShot(settle, top, [top, answer, left] {
                auto *panel = qobject_cast<QFileDialog *>(top);
                if (panel && answer.isEmpty()) {
                    panel->reject();
                } else if (panel) {
                    panel->findChild<QLineEdit *>("fileNameEdit")->setText(answer);
                    panel->setOption(QFileDialog::DontConfirmOverwrite); // not what is tested
                    static_cast<QDialog *>(panel)->accept();
                } else {
                    click(qobject_cast<QMessageBox *>(top), answer);
                }
                --*left;
            });
        };
        connect(timer, &QTimer::timeout, timer, tick);
        timer->start(20);
        return left;
    }
    // The same, returning once every answer is given.
    bool answerNow(const QStringList &answers) {
        const std::shared_ptr<int> left = answerLater(answers);
        return QTest::qWaitFor([&] { return *left == 0; }, 10000);
    }

  private slots:
    void init() {
        _prefs = testPreferences(path("settings.ini"));
        _w = std::make_unique<AppController>(_prefs.get());
        _refreshed = std::make_unique<QSignalSpy>(_w->cycle(), &RefreshCycle::refreshed);
        _shown = std::make_unique<QSignalSpy>(_w->view(), &BasicOpenGLView::modelShown);
        _seenRefreshed = _seenShown = 0;
        _w->resize(1000, 700);
        _w->show();
        QVERIFY(QTest::qWaitForWindowExposed(_w.get()));
        QVERIFY(load(write("tree.ls", kTree)));
    }
    void cleanup() {
        _refreshed.reset();
        _shown.reset();
        _w.reset();
        _prefs.reset();
    }

    // The three states and their transitions, as the Refresh button shows them.
    void refreshCycle() {
        RefreshButton *button = _w->refreshButton();
        QVERIFY(showActive(_w.get())); // for Ctrl+R
        for (const QStringList &r : table("refresh-cycle.txt")) {
            const QString step = r[0] + " " + r[1];
            if (r[0] == "delay") {
                _prefs->setDelay(r[1].toFloat());
            } else if (r[0] == "type") {
                type(r[1]);
            } else if (r[0] == "refresh") {
                QTest::keyClick(_w->editor(), Qt::Key_R, Qt::ControlModifier);
            } else if (r[0] == "wait") {
                QVERIFY2(drawn(), qPrintable(step));
            } else if (r[0] == "idle") {
                QVERIFY2(!_refreshed->wait(r[1].toInt()), qPrintable(step));
            } else {
                QFAIL(qPrintable("unknown step " + step));
            }
            if (r[2] != "-") QVERIFY2(button->isAnimating() == (r[2] == "on"), qPrintable(step));
            QVERIFY2(button->imageShown() == (r[3] == "on"), qPrintable(step));
            QVERIFY2(button->isEnabled() == (r[4] == "on"), qPrintable(step));
            QVERIFY2(_w->refreshAction()->isEnabled() == (r[4] == "on"), qPrintable(step));
            if (r[5] != "-") QCOMPARE(_w->model()->recursion, r[5].toFloat());
        }
    }

    // A drawing runs on the engine thread: the window goes on meanwhile, says what it draws,
    // and an edit cancels it at once; its stale result never reaches the screen.
    void drawingOffTheGuiThread() {
        _w->cycle()->setBusyAfter(0);
        QVERIFY(showActive(_w.get())); // for Ctrl+R
        type(kHeavy);
        QTest::keyClick(_w->editor(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(_w->cycle()->isRunning()); // the refresh came back before its drawing did
        QTRY_VERIFY(_w->refreshButton()->isAnimating());
        QCOMPARE(_w->statusBar()->currentMessage(), QString("Drawing tree.ls\u2026"));
        type("axiom FF\n");
        QVERIFY(drawn());
        for (const QList<QVariant> &args : *_refreshed)
            QVERIFY(args[0].value<refresh_result_t>().description.text != kHeavy);
        QVERIFY(!_w->cycle()->isRunning() && !_w->refreshButton()->isAnimating());
        QVERIFY(_w->statusBar()->currentMessage().isEmpty());
        QCOMPARE(_w->model()->polygon_count, 16u + 2 * 8u); // two segments and their caps
        // What the cancel flag does in the engine: a drawing whose flag is set draws nothing.
        lsys_cancel_t cancel(1);
        lsys_job_t job = {"axiom F\n", 1.0f, nullptr, nullptr, &cancel, 1, 0};
        lsys_t *l = lsysBuild(&job, nullTrace);
        QCOMPARE(l->polygon_count, 0u);
        lsysFree(l);
    }

    // The report from a given message store: label, list, red mark; the selected tab and the
    // moved caret only after a load.
    void report_data() { tableData("report.txt", {"codes", "label", "list", "tab", "cursor"}); }
    void report() {
        QFETCH(QString, codes);
        QFETCH(QString, tab);
        QFETCH(QString, cursor);
        engine_report_t store;
        for (const QString &code : codes.split(' ', Qt::SkipEmptyParts)) {
            if (store.messages.size() < TRACE_STORE)
                store.messages.append({code.toInt(), QString("m%1").arg(store.count)});
            ++store.count;
        }
        for (bool load : {false, true}) {
            _w->tabs()->setCurrentIndex(1);
            QTextCursor c = _w->editor()->textCursor();
            c.setPosition(2);
            _w->editor()->setTextCursor(c);
            _w->report()->errorReport(store, load);
            QTEST(_w->tabs()->tabText(1), "label");
            QTEST(messageList(), "list");
            QCOMPARE(QString::number(_w->tabs()->currentIndex()), load ? tab : "1");
            QCOMPARE(QString::number(_w->editor()->textCursor().position()), load ? cursor : "2");
            QCOMPARE(_w->highlighter()->hasErrorMark(), cursor != "2");
        }
    }

    // A real error: named in the tab, its line red until the next edit, its "code" link goes
    // there. The editor's links: a plain click places the caret, Ctrl+click, F12 and the
    // context menu select the definition; the pointer is a hand only while Ctrl is held.
    void errorsAndLinks() {
        const QString text = "axiom F\nangle\nrule F=F+F\n";
        type(text);
        const int undoSteps = _w->editor()->document()->availableUndoSteps();
        _w->refresh();
        QVERIFY(drawn());
        QVERIFY(_w->tabs()->tabText(1) != "Messages");
        QCOMPARE(_w->editor()->document()->availableUndoSteps(), undoSteps);
        QCOMPARE(classes(_w->editor()), QString("RRRRR.L\nEEEEE\nRRRR.L.L.L\n"));
        QTextCursor grey(_w->messages()->document());
        grey.setPosition(6);
        QCOMPARE(grey.charFormat().foreground().color(), QColor(Qt::gray));

        // The message list's first link goes back to the line.
        _w->tabs()->setCurrentIndex(1);
        QTextCursor start(_w->messages()->document());
        start.setPosition(1);
        QTest::mouseClick(_w->messages()->viewport(), Qt::LeftButton, {},
                          _w->messages()->cursorRect(start).center());
        QCOMPARE(_w->tabs()->currentIndex(), 0);
        QCOMPARE(_w->editor()->textCursor().position(), 8);

        QWidget *area = _w->editor()->viewport();
        const int lastF = text.lastIndexOf('F'), head = text.indexOf("F=F");
        const QPoint at = charCentre(_w->editor(), lastF);
        auto selected = [&] {
            const QTextCursor c = _w->editor()->textCursor();
            return QString("%1-%2").arg(c.selectionStart()).arg(c.selectionEnd());
        };
        const QString definition = QString("%1-%2").arg(head).arg(head + 1);
        auto move = [&](Qt::KeyboardModifiers m) {
            QMouseEvent e(QEvent::MouseMove, at, area->mapToGlobal(at), Qt::NoButton, {}, m);
            QApplication::sendEvent(area, &e);
            return area->cursor().shape();
        };
        QCOMPARE(move(Qt::NoModifier), Qt::IBeamCursor);
        QCOMPARE(move(Qt::ControlModifier), Qt::PointingHandCursor);
        QTest::keyRelease(_w->editor(), Qt::Key_Control);
        QCOMPARE(area->cursor().shape(), Qt::IBeamCursor);
        QTest::keyPress(_w->editor(), Qt::Key_Control);
        QCOMPARE(area->cursor().shape(), Qt::PointingHandCursor);
        QTest::keyRelease(_w->editor(), Qt::Key_Control);

        QTest::mouseClick(area, Qt::LeftButton, {}, at);
        QCOMPARE(selected(), QString("%1-%1").arg(_w->editor()->textCursor().position()));
        QVERIFY(qAbs(_w->editor()->textCursor().position() - lastF) <= 1);
        QTest::mouseClick(area, Qt::LeftButton, Qt::ControlModifier, at);
        QCOMPARE(selected(), definition);
        QVERIFY(showActive(_w.get())); // for F12
        QTest::mouseClick(area, Qt::LeftButton, {}, at);
        QTest::keyClick(_w->editor(), Qt::Key_F12);
        QCOMPARE(selected(), definition);
        QTest::mouseClick(area, Qt::LeftButton, {}, at);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, area->mapToGlobal(at));
        QApplication::sendEvent(area, &menuEvent);
        QMenu *menu = nullptr;
        QTRY_VERIFY((menu = _w->findChild<QMenu *>("editorMenu")) && menu->isVisible());
        QCOMPARE(menu->actions().first()->text(), QString("Go to Definition"));
        menu->actions().first()->trigger();
        menu->close();
        QCOMPARE(selected(), definition);

        // The next edit removes the mark; the colouring never makes the document edited.
        QTest::keyClick(_w->editor(), Qt::Key_Space);
        QVERIFY(!_w->highlighter()->hasErrorMark());
        QVERIFY(!classes(_w->editor()).contains('E'));
    }

    // A refresh after typing or a growth change leaves the caret, the selection and the tab
    // alone; only loading a document shows its first error at the caret.
    void refreshLeavesCaret() {
        doc()->setFile(QString(), false);
        QVERIFY(drawn());
        _w->editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(_w->editor(), "colour 1 2 3 4");
        QTest::keyClick(_w->editor(), Qt::Key_Return);
        QTest::keyClicks(_w->editor(), "axiom F");
        QVERIFY(drawn());
        QVERIFY(_w->highlighter()->hasErrorMark() && _w->tabs()->tabText(1) != "Messages");
        QTest::keyClicks(_w->editor(), "+F");
        QVERIFY(_w->editor()->toPlainText().endsWith("colour 1 2 3 4\naxiom F+F"));
        _w->editor()->selectAll();
        _w->tabs()->setCurrentIndex(1);
        _w->grow(1.5f);
        QVERIFY(drawn());
        QCOMPARE(_w->tabs()->currentIndex(), 1);
        QCOMPARE(_w->editor()->textCursor().selectedText().size(),
                 _w->editor()->document()->characterCount() - 1);
        QVERIFY(load(write("error.ls", "axiom F\ncolour 1 2 3 4\n")));
        QCOMPARE(_w->tabs()->currentIndex(), 0);
        QCOMPARE(_w->editor()->textCursor().position(), 8);
    }

    // Colouring of the scanner's cases, read back from the layout; links point to the first
    // of two definitions.
    void colouring() {
        for (const QStringList &r : table("colouring.txt")) {
            type(r[1]);
            QVERIFY2(classes(_w->editor()) == r[2], qPrintable(r[0]));
        }
        type("F=F\nF=G\n");
        for (int at : {0, 2, 4})
            QCOMPARE(_w->highlighter()->linkTarget(at), 0);
        QCOMPARE(_w->highlighter()->linkTarget(6), -1); // G is not defined
    }

    // Characters beyond ISO Latin 1 (U+2028 too) become "?" inside the edit that brought them:
    // undo takes both back, redo brings both; undoing to the saved text clears the edited mark.
    void undoAfterForcing() {
        _w->editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(_w->editor(), " x");
        typeKey(_w->editor(), QString(QChar(0x4e2d)));
        QTest::keyClicks(_w->editor(), "y");
        typeKey(_w->editor(), QString(QChar(0x2028)));
        QApplication::clipboard()->setText(QString::fromUtf8("\xe2\x80\x9c\xc3\xa9"
                                                             "F\xf0\x9f\x8c\xb1"));
        QTest::keyClick(_w->editor(), Qt::Key_V, Qt::ControlModifier);
        const QString edited = QString(kTree) + QString::fromLatin1(" x?y??\xe9"
                                                                    "F??");
        QCOMPARE(_w->editor()->toPlainText(), edited);
        QCOMPARE(_w->editor()->document()->blockCount(), 5);
        QVERIFY(_w->statusBar()->currentMessage().contains("?"));
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(_w->editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(_w->editor()->toPlainText(), QString(kTree));
        QVERIFY(!_w->isWindowModified());
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(_w->editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(_w->editor()->toPlainText(), edited);
        QVERIFY(_w->isWindowModified());
        doc()->fileSave();
        QTest::keyClick(_w->editor(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(_w->isWindowModified());
        QTest::keyClick(_w->editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!_w->isWindowModified());
    }

    // Growth multiplies the depth on this and every later refresh; the slider shows it.
    void growth() {
        _w->growthSlider()->setValue(50);
        QVERIFY(drawn());
        QCOMPARE(_w->model()->recursion, 1.0f);
        _w->grow(1.25f);
        QCOMPARE(_w->growthSlider()->value(), 125);
        QVERIFY(drawn());
        QCOMPARE(_w->model()->recursion, 2.5f);
    }

    // Loading centres the view on the model its refresh brings: one drawn far from the
    // origin is on screen. So does the first model after File > New; a plane seen edge-on says
    // which view faces it; a model still in view keeps the camera the user turned.
    void centring() {
        QVERIFY(load(write("far.ls", "thickness 30\ncolor 2 255 0 0\naxiom f(5000)F\n")));
        QVERIFY(redPixels(_w->view()->grabFrame()) > 200);
        doc()->setFile(QString(), false);
        QVERIFY(drawn());
        const QString plane = "recursion 3\nangle 30\naxiom f(3000)X\nrule X=F[+X]F[-X]+X\n";
        type(plane + "rule F=FF\n");
        QVERIFY(drawn());
        const bounds_t b = _w->model()->bounds;
        QCOMPARE(_w->view()->scene().objectCenter[2], -(b.min[2] + b.max[2]) / 2);
        QVERIFY2(_w->statusBar()->currentMessage().contains("Side (key 3)"),
                 qPrintable(_w->statusBar()->currentMessage()));
        _w->view()->scene().worldRotation[0] = 30;
        _w->view()->scene().worldRotation[2] = 1;
        type(plane + "rule F=FFF\n");
        QVERIFY(drawn());
        QCOMPARE(_w->view()->scene().worldRotation[0], 30.0f);
    }

    void loading_data() { tableData("loading.txt", {"file", "bytes", "why"}); }
    void loading() {
        QFETCH(QString, file);
        QFETCH(QString, bytes);
        QFETCH(QString, why);
        if (bytes != "none") write(file, expand(bytes));
        type("axiom F # mine\n");
        QCOMPARE(doc()->setFile(path(file), true), why.isEmpty());
        if (why.isEmpty()) {
            QCOMPARE(_w->editor()->toPlainText(), bytes);
            QVERIFY(!_w->isWindowModified() && _w->windowTitle().startsWith(file));
            QCOMPARE(doc()->file(), path(file));
            QVERIFY(drawn());
            return;
        }
        auto *box = _w->findChild<QMessageBox *>("loadError");
        QVERIFY(box && box->text().contains(path(file)));
        QVERIFY2(box->informativeText().contains(why), qPrintable(box->informativeText()));
        box->close();
        QCOMPARE(_w->editor()->toPlainText(), QString("axiom F # mine\n"));
        QVERIFY(_w->isWindowModified());
        // The refresh the edit planned still comes, and the cycle ends clean.
        QVERIFY(drawn());
        QVERIFY(!_w->refreshButton()->isAnimating() && !_w->refreshAction()->isEnabled());
    }

    // Hostile files and every example: the window draws what lsys draws from the same bytes,
    // an unedited save writes them back byte for byte, and a typed line gets the file's usual
    // line end.
    void fileBytes() {
        QList<QStringList> files = table("files.txt");
        for (const QString &example : QDir(SPRIG_EXAMPLES_DIR).entryList({"*.ls"}))
            files << QStringList{SPRIG_EXAMPLES_DIR "/" + example, "-"};
        for (const QStringList &f : files) {
            const QString source =
                f[0].contains('/') ? f[0] : SPRIG_TESTS_DIR "/data/appcontroller/files/" + f[0];
            const QByteArray original = contents(source);
            const QString copy = write("copy.ls", original);
            QVERIFY2(load(copy), qPrintable(source));
            if (!f[0].contains('/')) {
                QProcess lsys;
                lsys.start(LSYS_BINARY, {"check", "--json", source});
                QVERIFY(lsys.waitForFinished(20000));
                const QJsonObject json =
                    QJsonDocument::fromJson(lsys.readAllStandardOutput()).object();
                QCOMPARE(_w->model()->polygon_count, uint32_t(json["polygon_count"].toInt()));
                const QJsonArray box = json["bounds"].toArray();
                for (int i = 0; i < 3; ++i) {
                    QVERIFY(qAbs(_w->model()->bounds.min[i] - box[i].toDouble()) < 1e-3);
                    QVERIFY(qAbs(_w->model()->bounds.max[i] - box[i + 3].toDouble()) < 1e-3);
                }
            }
            doc()->fileSave();
            QVERIFY2(contents(copy) == original, qPrintable(source));
            if (f[1] == "-") continue;
            _w->editor()->moveCursor(QTextCursor::Start);
            QTest::keyClick(_w->editor(), Qt::Key_NumberSign);
            QTest::keyClick(_w->editor(), Qt::Key_Return);
            doc()->fileSave();
            const QByteArray end = f[1] == "crlf" ? "\r\n" : f[1] == "cr" ? "\r" : "\n";
            QCOMPARE(contents(copy), "#" + end + original);
        }
    }

    // A NUL byte ends the engine's text: reported once, on the line that holds it.
    void nulByte() {
        QVERIFY(load(write("nul.ls", QByteArray("axiom F\nrule F=F\0F\n", 19))));
        QCOMPARE(_w->tabs()->tabText(1), QString("ignoring the text after a NUL byte"));
        QCOMPARE(messageList().count("NUL"), 1);
        QCOMPARE(_w->editor()->textCursor().position(), 8);
    }

    // The editor font is stored on every edit and restored by the next window; the template
    // of a new start draws with nothing but statistics reported.
    void startUp() {
        _w->editor()->setFont(QFont("Monospace", 17));
        type("axiom F\n");
        AppController second(_prefs.get());
        QCOMPARE(second.editor()->font().pointSize(), 17);
        QSignalSpy refreshed(second.cycle(), &RefreshCycle::refreshed);
        second.document()->applicationDidFinishLaunching();
        QVERIFY(refreshed.wait(20000));
        QVERIFY(second.document()->file().isEmpty() && !second.isWindowModified());
        QCOMPARE(second.tabs()->tabText(1), QString("Messages"));
        QVERIFY(second.model()->polygon_count > 1000);
        QVERIFY(!second.messages()->toPlainText().contains("code:"));
    }

    // The save prompt's answer table.
    void savePrompt_data() {
        tableData("save-prompt.txt", {"button", "file", "editedAfter", "answer"});
    }
    void savePrompt() {
        QFETCH(QString, button);
        QFETCH(QString, file);
        if (!button.isEmpty()) type("axiom F # edited\n");
        int answers = 0;
        bool answer = false;
        doc()->askToSave("Do you want to save changes before new?", [&](bool a) {
            ++answers;
            answer = a;
        });
        if (!button.isEmpty()) {
            QCOMPARE(shownBox(_w.get(), "savePrompt")->informativeText(),
                     QString("If you don't save, your changes will be lost."));
            QStringList answers{button};
            if (button == "Save") answers << (file.isEmpty() ? file : path(file));
            QVERIFY(answerNow(answers));
        }
        if (file.contains("/")) {
            QMessageBox *error = nullptr;
            QTRY_VERIFY((error = _w->findChild<QMessageBox *>("saveError")));
            QVERIFY(error->text().contains("x.ls") && !error->informativeText().isEmpty());
            error->close();
        }
        QTRY_COMPARE(answers, 1);
        QTEST(QString(answer ? "yes" : "no"), "answer");
        QTEST(QString(_w->isWindowModified() ? "yes" : "no"), "editedAfter");
        if (file == "saved.ls") QCOMPARE(contents(path(file)), QByteArray("axiom F # edited\n"));
    }

    // Save As on the untitled document, then Save without a panel; Latin 1 on disk and back.
    void saveAndReopen() {
        doc()->setFile(QString(), false);
        type(QString::fromLatin1("# gr\xfcn\naxiom F\n"));
        doc()->fileSave();
        QVERIFY(answerNow({path("green")}));
        QVERIFY(!_w->isWindowModified());
        QCOMPARE(doc()->file(), path("green.ls")); // the default suffix
        QVERIFY(_w->windowTitle().startsWith("green.ls"));
        QCOMPARE(contents(path("green.ls")), QByteArray("# gr\xfcn\naxiom F\n"));
        type("axiom FF\n");
        doc()->fileSave();
        const QFileDialog *panel = _w->findChild<QFileDialog *>("savePanel");
        QVERIFY(!panel || !panel->isVisible());
        QCOMPARE(contents(path("green.ls")), QByteArray("axiom FF\n"));
    }

    // Open, "Don't Save", then cancelling the open panel keeps the text and its edited mark;
    // choosing a file loads it. New makes the untitled document with its date line.
    void openAndNew() {
        type("axiom F # unsaved\n");
        doc()->fileOpen();
        QVERIFY(answerNow({"Don't Save", ""}));
        QVERIFY(_w->isWindowModified());
        QCOMPARE(_w->editor()->toPlainText(), QString("axiom F # unsaved\n"));
        doc()->fileOpen();
        QVERIFY(answerNow({"Don't Save", write("other.ls", "axiom FFF\n")}));
        QCOMPARE(_w->editor()->toPlainText(), QString("axiom FFF\n"));
        QVERIFY(!_w->isWindowModified() && drawn());
        type("axiom F # unsaved\n");
        doc()->fileNew();
        QVERIFY(answerNow({"Don't Save"}));
        QVERIFY(_w->editor()->toPlainText().startsWith("# created "));
        QVERIFY(_w->windowTitle().startsWith("untitled.ls") && !_w->isWindowModified());
        QVERIFY(drawn());
        QCOMPARE(_w->model()->polygon_count, 0u);
    }

    // Closing and quitting: no prompt without changes; Save + cancelled panel keeps running;
    // "Don't Save" ends without writing; SIGTERM asks the same question.
    void closing() {
        _w->close();
        QVERIFY(!_w->isVisible());
        _w->show();
        QVERIFY(QTest::qWaitForWindowExposed(_w.get()));

        type("axiom F # unsaved\n");
        SignalWatcher watcher;
        connect(&watcher, &SignalWatcher::terminationRequested, doc(), &Document::quit);
        raise(SIGTERM);
        QVERIFY(answerNow({"Save", ""}));
        QVERIFY(_w->isVisible() && _w->isWindowModified());
        _w->close();
        QVERIFY(answerNow({"Don't Save"}));
        QVERIFY(!_w->isVisible());
        QCOMPARE(contents(path("tree.ls")), QByteArray(kTree));
    }

    // The session's end: asks only when edited and allowed to, cancels on Cancel, never quits.
    void session_data() {
        tableData("session.txt", {"edited", "mayAsk", "answer", "goesOn", "editedAfter"});
    }
    void session() {
        QFETCH(QString, edited);
        QFETCH(QString, mayAsk);
        QFETCH(QString, answer);
        if (edited == "yes") type("axiom F # edited\n");
        answerLater(answer == "Save" ? QStringList{answer, path("saved.ls")} : QStringList{answer});
        int asked = 0;
        const bool goesOn = doc()->commitData([&] { return ++asked, mayAsk == "yes"; });
        QTEST(QString(goesOn ? "yes" : "no"), "goesOn");
        QTEST(QString(_w->isWindowModified() ? "yes" : "no"), "editedAfter");
        QCOMPARE(asked, edited == "yes" ? 1 : 0);
        QVERIFY(_w->isVisible());
        if (!goesOn || mayAsk == "no") return;
        _w->close(); // the session ends: no second question
        QVERIFY(!_w->isVisible());
    }

    // Save checks where the name leads first (table: saves.txt); a write into a device never
    // counts as saved.
    void saves_data() {
        tableData("saves.txt",
                  {"onDisk", "command", "asked", "button", "tree", "other", "editedAfter"});
    }
    void saves() {
        QFETCH(QString, onDisk);
        QFETCH(QString, command);
        QFETCH(QString, asked);
        QFETCH(QString, button);
        QFETCH(QString, tree);
        QFETCH(QString, other);
        const QByteArray otherText = "axiom FFF\n", grown = QByteArray(kTree) + "# grown\n";
        write("other.ls", otherText);
        QVERIFY(QFile::exists(path("null.ls")) || QFile::link("/dev/null", path("null.ls")));
        const QString edited = "axiom F # edited\n";
        type(edited);
        if (onDisk == "append") write("tree.ls", grown);
        if (onDisk == "remove" || onDisk.startsWith("link ")) QFile::remove(path("tree.ls"));
        if (onDisk.startsWith("link ")) {
            const QString to = onDisk.mid(5);
            QVERIFY(QFile::link(to.startsWith('/') ? to : path(to), path("tree.ls")));
        }
        if (command == "save") {
            answerLater(button == "Save As..." ? QStringList{button, path("other.ls")}
                                               : QStringList{button});
            doc()->fileSave();
        } else {
            answerLater({path(command.section(' ', 2))});
            doc()->fileSaveAs();
        }
        QMessageBox *question = _w->findChild<QMessageBox *>(qPrintable(asked));
        QCOMPARE(asked == "-", !question);
        QVERIFY(!question || question->text().contains("tree.ls"));
        QTRY_VERIFY(!QApplication::activeModalWidget());
        const QMap<QString, QByteArray> texts = {
            {"edited", edited.toLatin1()}, {"tree", kTree}, {"other", otherText}, {"grown", grown}};
        if (tree != "-") QCOMPARE(contents(path("tree.ls")), texts[tree]);
        QCOMPARE(contents(path("other.ls")), texts[other]);
        QTEST(QString(_w->isWindowModified() ? "yes" : "no"), "editedAfter");
    }

    // A change on disk while the file is open is offered for reloading; unsaved text is asked
    // about first.
    void reloadOffer() {
        const QByteArray changed = "axiom FF\n", again = "axiom FFF\n";
        write("tree.ls", changed);
        answerLater({"Reload"});
        QTRY_COMPARE_WITH_TIMEOUT(_w->editor()->toPlainText(), QString(changed), 10000);
        QVERIFY(!_w->isWindowModified());
        type("axiom F # mine\n");
        write("tree.ls", again);
        answerLater({"Reload", "Don't Save"});
        QTRY_COMPARE_WITH_TIMEOUT(_w->editor()->toPlainText(), QString(again), 10000);
        QVERIFY(!_w->isWindowModified());
    }

    // A file whose name is not UTF-8 opens and saves back under its own name.
    void byteName() {
        const QByteArray name = QFile::encodeName(_dir.path()) + "/gr\xfcn.ls";
        FILE *f = fopen(name.constData(), "wb");
        QVERIFY(f && fputs("axiom F\n", f) >= 0 && fclose(f) == 0);
        QVERIFY(doc()->loadFile(name, true) && drawn());
        QCOMPARE(doc()->filePath(), name);
        QVERIFY(_w->windowTitle().startsWith("gr"));
        type("axiom FF\n");
        doc()->fileSave();
        QVERIFY(!_w->isWindowModified());
        f = fopen(name.constData(), "rb");
        char back[16] = {};
        QVERIFY(f && fread(back, 1, sizeof back - 1, f) > 0 && fclose(f) == 0);
        QCOMPARE(QByteArray(back), QByteArray("axiom FF\n"));
        QVERIFY(!QFile::exists(path(QFile::decodeName(name).section('/', -1)))); // no other name
    }

    // Drops and open requests: the first of three dropped files; a request before start-up
    // completes loads without asking, after it asks first.
    void dropsAndRequests() {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(write("a.ls", "axiom F\n")),
                      QUrl::fromLocalFile(write("b.ls", "axiom FF\n")),
                      QUrl::fromLocalFile(write("c.ls", "axiom FFF\n"))});
        // Qt hands a drop to the widget that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(_w.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(_w.get(), &drop);
        QCOMPARE(doc()->file(), path("a.ls"));

        AppController starting(_prefs.get());
        starting.document()->openFileRequest(QFile::encodeName(path("b.ls")));
        QCOMPARE(starting.document()->file(), QString());
        starting.document()->applicationDidFinishLaunching();
        QCOMPARE(starting.document()->file(), path("b.ls"));
        starting.editor()->insertPlainText("F");
        // A request while a prompt is open waits, then asks its own question.
        starting.document()->fileNew();
        starting.document()->openFileRequest(QFile::encodeName(path("c.ls")));
        auto prompt = [&] { return shownBox(&starting, "savePrompt"); };
        QTRY_VERIFY(prompt() && prompt()->text().contains("before new"));
        QVERIFY(click(prompt(), "Cancel"));
        QTRY_VERIFY(prompt() && prompt()->text().contains("loading"));
        QCOMPARE(starting.document()->file(), path("b.ls"));
        QVERIFY(click(prompt(), "Don't Save"));
        QCOMPARE(starting.document()->file(), path("c.ls"));
    }

    // Model exports are what lsys writes (growth included), through the same writers; an
    // unknown suffix is refused with a reason and leaves no file.
    void exportModels() {
        _w->grow(1.5f);
        QSignalSpy finished(_w->exports(), &ExportCommands::finished);
        QDir(_dir.path()).mkdir("lsys");
        for (const char *name : {"m.ply", "m.stl", "m.obj", "m.glb"}) {
            _w->exports()->exportModelTo(path(name));
            QVERIFY(finished.wait(20000) && finished.last().at(0).toBool());
            QProcess lsys;
            lsys.start(LSYS_BINARY, {"export", path("tree.ls"), "-o", path(QString("lsys/") + name),
                                     "--growth", "1.5"});
            QVERIFY(lsys.waitForFinished(20000));
            QCOMPARE(contents(path(name)), contents(path(QString("lsys/") + name)));
        }
        _w->exports()->exportModelTo(path("m.xyz"));
        QVERIFY(finished.wait(20000) && !finished.last().at(0).toBool());
        QMessageBox *box = _w->findChild<QMessageBox *>("exportError");
        QVERIFY(box && box->informativeText().contains(".stl"));
        QVERIFY(!QFile::exists(path("m.xyz")));
    }

    // Pictures show what the window shows: the export under the view's rotation and within the
    // window's ceilings. At the polygon ceiling the thick green tube, drawn back down over the
    // thin red one, stops short and leaves the bottom of the red one in sight. The print goes
    // to the printer.
    void picturesAndPrint() {
        QVERIFY(load(write("long.ls", "poly_limit -1\nrecursion 16\nthickness 60000\n"
                                      "color 2 255 0 0\ncolor 4 0 255 0\n"
                                      "axiom c(2)F|c(4)?(3)F\nrule F=FF\n")));
        QVERIFY(_w->statusBar()->currentMessage().contains("limits"));
        _w->view()->scene().worldRotation[0] = 60;
        _w->view()->scene().worldRotation[3] = 1;
        _w->view()->requestRedraw();
        const QImage screen = _w->view()->grabFrame();
        QSignalSpy finished(_w->exports(), &ExportCommands::finished);
        _w->exports()->exportImageTo(path("p.png"), screen.size(), false);
        QVERIFY(finished.wait(30000) && finished.last().at(0).toBool());
        const QImage exported(path("p.png"));
        QCOMPARE(exported.size(), screen.size());
        const int red = redPixels(screen), exportedRed = redPixels(exported);
        QVERIFY2(red > 150 && qAbs(exportedRed - red) < red / 5,
                 qPrintable(QString("%1 against %2").arg(exportedRed).arg(red)));
        _w->exports()->exportImageTo(path("p.svg"), screen.size(), false, true); // transparent
        QVERIFY(finished.wait(30000) && finished.last().at(0).toBool());
        QVERIFY(contents(path("p.svg")).contains("<polygon"));
        QVERIFY(!contents(path("p.svg")).contains("background"));

        auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path("scene.pdf"));
        _w->exports()->printPicture(printer);
        QVERIFY(finished.wait(30000) && finished.last().at(0).toBool());
        printer.reset();
        QVERIFY(QFileInfo(path("scene.pdf")).size() > 2000);
    }

    // Export Growth Animation: a frame per step, named from 0, the last one what the window
    // shows after Center; a long one stops at Cancel in its progress dialog.
    void growthAnimation() {
        _prefs->setAxis(false); // its red axis line is not the model
        QVERIFY(load(write("red.ls", "recursion 2\nangle 30\nthickness 30\ncolor 2 255 0 0\n"
                                     "axiom F\nrule F=F[&F]F[^F]F\n")));
        const QImage screen = _w->view()->grabFrame();
        QSignalSpy finished(_w->animation(), &GrowthAnimation::finished);
        _w->animation()->exportTo(path("anim.png"), screen.size(), false, false, 3, 0, 1);
        QVERIFY(finished.wait(30000) && finished.last().at(0).toBool());
        QCOMPARE(QDir(_dir.path()).entryList({"anim*"}),
                 QStringList({"anim-0000.png", "anim-0001.png", "anim-0002.png"}));
        const int red = redPixels(screen), last = redPixels(QImage(path("anim-0002.png")));
        QVERIFY2(red > 500 && qAbs(last - red) < red / 20,
                 qPrintable(QString("%1 against %2").arg(last).arg(red)));
        QTRY_VERIFY(!_w->findChild<QProgressDialog *>("animationProgress")); // closed and gone
        _w->animation()->exportTo(path("c.png"), QSize(800, 600), true, false, 400, 0, 2);
        QProgressDialog *progress = nullptr;
        QTRY_VERIFY((progress = _w->findChild<QProgressDialog *>("animationProgress")));
        QTRY_VERIFY(QFile::exists(path("c-0001.png")));
        QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
        QVERIFY(finished.wait(30000) && !finished.last().at(0).toBool());
        QVERIFY(QDir(_dir.path()).entryList({"c-*"}).size() < 400);
        // Its save panel names the frames after the format picked in it (the last, SVG).
        _w->animation()->exportAnimation();
        QTRY_VERIFY(QApplication::activeModalWidget());
        qobject_cast<QDialog *>(QApplication::activeModalWidget())->accept();
        QFileDialog *panel = nullptr;
        QTRY_VERIFY((panel = _w->findChild<QFileDialog *>("exportAnimationPanel")));
        QTest::keyClick(panel->findChild<QComboBox *>("fileTypeCombo"), Qt::Key_End);
        QCOMPARE(panel->defaultSuffix(), QString("svg"));
        panel->reject();
    }

    // A real Shift+click on a tree and on a plane curve: the derivation is listed, ending at
    // the axiom, and the editor selects the drawing command itself; the background says so.
    // After an edit not yet drawn, a pick still replays the picture on screen.
    void picking() {
        for (const char *example : {"tree.ls", "koch-quadratic.ls"}) {
            // An error that does not stop the drawing: its report stays above every pick.
            QVERIFY(load(write(example, contents(QString(SPRIG_EXAMPLES_DIR "/") + example) +
                                            "colour 1 2 3 4\n")));
            const QString label = _w->tabs()->tabText(1), report = messageList();
            QVERIFY(label != "Messages");
            QWidget *view = _w->view();
            const QString separator = MessageReport::separator() + "\n";
            auto pick = [&](QPoint at) -> QString {
                QTextCursor c(_w->messages()->document());
                c.movePosition(QTextCursor::End);
                c.insertText("waiting");
                QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, at);
                if (!QTest::qWaitFor([&] { return !messageList().contains("waiting"); }))
                    return "no pick";
                if (messageList().section(separator, 0, 0) != report ||
                    _w->tabs()->tabText(1) != label)
                    return "the report is gone";
                return messageList().section(separator, 1);
            };
            QCOMPARE(pick(QPoint(2, 2)), QString("nothing here\n"));
            // Along the middle row until the model is hit.
            QPoint hit;
            QString picked;
            for (int x = view->width() / 4; x < view->width() * 3 / 4; x += 4)
                if ((picked = pick(hit = QPoint(x, view->height() / 2))) != "nothing here\n") break;
            const QStringList lines = picked.split('\n', Qt::SkipEmptyParts);
            QVERIFY2(!lines.isEmpty() && lines.last().startsWith("0: axiom: "), qPrintable(picked));
            QVERIFY(lines.first().contains(">>"));
            const QString selected = _w->editor()->textCursor().selectedText();
            QVERIFY2(selected == "F" || selected == "Z" || selected == "}", qPrintable(selected));
            QCOMPARE(_w->tabs()->currentIndex(), 0);
            _prefs->setDelay(11.0f);
            _w->editor()->moveCursor(QTextCursor::End);
            _w->editor()->insertPlainText("axiom G\n");
            QCOMPARE(pick(hit).split('\n', Qt::SkipEmptyParts), lines);
            QVERIFY(!_w->editor()->textCursor().hasSelection()); // the text drawn is gone
            _prefs->setDelay(0.2f);
        }
    }

    // Printed text wraps its long lines and heads each page with the file's name and number.
    void printedText() {
        QString line = "rule L=";
        for (int i = 0; i < 60; ++i)
            line += QString("w%1[+F]").arg(i);
        type(line + "END\naxiom L\n");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path("text.pdf"));
        QVERIFY(printText(_w->editor()->document(), _w->editor()->font(), doc()->displayName(),
                          &printer));
        QProcess pdftotext;
        pdftotext.start("pdftotext", {path("text.pdf"), "-"});
        QVERIFY(pdftotext.waitForFinished(20000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        QVERIFY2(text.contains("tree.ls") && text.contains("Page 1 of 1") && text.contains("END") &&
                     text.contains("axiom L"),
                 qPrintable(text));
    }

    // Descriptions that would take the window over are drawn within its ceilings, and say so.
    void ceilings() {
        type("poly_limit -1\nrecursion 30\naxiom F\nrule F=FF\n");
        _w->refresh();
        QVERIFY(drawn());
        QVERIFY(messageList().contains("lowering poly_limit"));
        QVERIFY(_w->model()->polygon_count <= LSYS_CEIL_POLYGONS + 64); // the last object ends
        type("recursion 100\naxiom X\nrule X=[XX\n");                   // a flood of stack messages
        _w->refresh();
        QVERIFY(drawn());
        QVERIFY(messageList().contains("... additional"));
    }

    // Anti-aliasing replaces the view's context: the window draws the model into the new one.
    void antiAliasing() {
        _prefs->setAxis(false); // its red axis line is not the model
        QVERIFY(load(write("red.ls", "recursion 2\nangle 30\nthickness 30\ncolor 2 255 0 0\n"
                                     "axiom F\nrule F=F[+F]F[-F]F\n")));
        for (bool aa : {true, false}) {
            _prefs->setAA(aa);
            QVERIFY(drawn());
            QVERIFY(_w->view()->aa() == aa && (_w->view()->samples() > 1) == aa);
            QVERIFY(redPixels(_w->view()->grabFrame()) > 500);
        }
    }
};

QTEST_MAIN(AppControllerTest)
#include "appcontroller_test.moc"
