// The editor window driven for real on an X server (Xvfb): typing and the refresh cycle's
// states, the message report (tab label, list, links, red mark), colouring and links read back
// from the highlighter's layout, growth, centring, and loading good, ISO Latin 1 and unreadable
// files.
#include "appcontroller.h"
#include "basicopenglview.h"
#include "lsyshighlighter.h"
#include "preferences.h"
#include "signalwatcher.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <signal.h>

namespace {

const char *const kTree = "recursion 2\nangle 30\naxiom F\nrule F=F[+F]F\n";

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

} // namespace

class AppControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir _dir;
    std::unique_ptr<Preferences> _prefs;
    std::unique_ptr<AppController> _w;

    QString path(const QString &name) const { return _dir.filePath(name); }
    QString write(const QString &name, const QByteArray &bytes) {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly)) return QString();
        f.write(bytes);
        return path(name);
    }
    // Replaces the editor's text as typing would (one undoable edit).
    void type(const QString &text) {
        _w->editor()->selectAll();
        _w->editor()->insertPlainText(text);
    }
    QString messageList() const { return _w->messages()->toPlainText(); }

    // Answers the open prompt with the button of that label.
    void answerPrompt(const QString &button) {
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = _w->findChild<QMessageBox *>("savePrompt")) && box->isVisible());
        QCOMPARE(box->informativeText(), QString("If you don't save, your changes will be lost."));
        for (QAbstractButton *b : box->buttons())
            if (b->text() == button) {
                b->click();
                return;
            }
        QFAIL(qPrintable("no button " + button));
    }
    // Accepts the named file panel with a file, or cancels it for an empty name.
    void answerPanel(const char *panelName, const QString &file) {
        QFileDialog *panel = nullptr;
        QTRY_VERIFY((panel = _w->findChild<QFileDialog *>(panelName)) && panel->isVisible());
        if (file.isEmpty()) {
            panel->reject();
        } else {
            panel->selectFile(file);
            static_cast<QDialog *>(panel)->accept(); // the file dialog's own accept
        }
    }
    QByteArray contents(const QString &file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

  private slots:
    void init() {
        _prefs = std::make_unique<Preferences>(path("settings.ini"));
        _prefs->writeDefaults();
        _prefs->setValue(Preferences::kVersion, QCoreApplication::applicationVersion());
        _prefs->setDelay(0.2f);
        _w = std::make_unique<AppController>(_prefs.get());
        _w->resize(1000, 700);
        _w->show();
        QVERIFY(QTest::qWaitForWindowExposed(_w.get()));
        QTRY_VERIFY(_w->view()->hasContext());
        _w->setFile(write("tree.ls", kTree), false);
    }
    void cleanup() {
        _w.reset();
        _prefs.reset();
    }

    // The three states and their transitions, with an automatic and a manual delay.
    void refreshCycle() {
        QVERIFY(!_w->isWindowModified());
        QVERIFY(!_w->refreshAction()->isEnabled());

        type("recursion 3\naxiom F\nrule F=F[-F]F\n");
        QVERIFY(_w->isRefreshScheduled() && _w->isSpinning() && !_w->refreshImageShown());
        QVERIFY(_w->refreshAction()->isEnabled() && _w->isWindowModified());
        QTRY_VERIFY(!_w->isRefreshScheduled());
        QVERIFY(!_w->isSpinning() && _w->refreshImageShown() && !_w->refreshAction()->isEnabled());
        QCOMPARE(_w->model()->recursion, 3.0f);

        // Manual: nothing scheduled until Refresh; a stored 10.9 still counts as automatic.
        _prefs->setDelay(10.9f);
        QVERIFY(!_prefs->manualRefresh());
        _prefs->setDelay(11.0f);
        type("recursion 1\naxiom F\n");
        QVERIFY(!_w->isRefreshScheduled() && !_w->isSpinning() && _w->refreshImageShown());
        QVERIFY(_w->refreshAction()->isEnabled());
        QTest::qWait(300);
        QCOMPARE(_w->model()->recursion, 3.0f);
        _w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(_w.get()));
        QTest::keyClick(_w->editor(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(_w->model()->recursion, 1.0f);
        QVERIFY(!_w->refreshAction()->isEnabled());

        // "delay" changes while a refresh is pending re-plan it both ways.
        _prefs->setDelay(5.0f);
        type("axiom FF\n");
        QVERIFY(_w->isSpinning());
        _prefs->setDelay(11.0f);
        QVERIFY(!_w->isRefreshScheduled() && !_w->isSpinning() && _w->refreshImageShown());
        _prefs->setDelay(0.1f);
        QVERIFY(_w->isRefreshScheduled() && _w->isSpinning());
        QTRY_VERIFY(!_w->refreshAction()->isEnabled());
        // Clean: a change of "delay" does nothing.
        _prefs->setDelay(0.3f);
        QVERIFY(!_w->isRefreshScheduled() && !_w->isSpinning());
    }

    // The report from a given message store: label, list, selected tab, moved cursor.
    void report_data() {
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("cursor");
        const struct {
            const char *name;
            QList<int> codes;
            const char *label, *list;
            int tab, cursor;
        } rows[] = {{"none", {}, "Messages", "", 1, 2},
                    {"info only", {-10, -10}, "Messages", "info: m0\ninfo: m1\n", 1, 2},
                    {"no line first", {-10, -1, 7}, "m1", "info: m0\ncode: m1\ncode: m2\n", 0, 2},
                    {"exec first", {-100, -2, 12}, "m1", "unknown: m0\nexec: m1\ncode: m2\n", 1, 2},
                    {"positioned", {-10, 12}, "m1", "info: m0\ncode: m1\n", 0, 12}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.codes << QString(r.label) << QString(r.list) << r.tab
                                  << r.cursor;
        QList<int> fifteen;
        QString twelve;
        for (int i = 0; i < 15; ++i) {
            fifteen << -10;
            if (i < 12) twelve += QString("info: m%1\n").arg(i);
        }
        QTest::newRow("fifteen") << fifteen << "Messages"
                                 << twelve + "... additional 3 messages ignored\n"
                                 << 1 << 2;
    }
    void report() {
        QFETCH(QList<int>, codes);
        _w->tabs()->setCurrentIndex(1);
        QTextCursor c = _w->editor()->textCursor();
        c.setPosition(2);
        _w->editor()->setTextCursor(c);
        traceClear();
        for (int i = 0; i < codes.size(); ++i)
            traceHook(codes[i], "m%d", i);
        _w->errorReport();
        QTEST(_w->tabs()->tabText(1), "label");
        QTEST(messageList(), "list");
        QTEST(_w->tabs()->currentIndex(), "tab");
        QTEST(_w->editor()->textCursor().position(), "cursor");
        QCOMPARE(traceCount, 0);
        QFETCH(int, cursor);
        QCOMPARE(_w->highlighter()->hasErrorMark(), cursor != 2);
        if (!messageList().isEmpty()) {
            QTextCursor grey(_w->messages()->document());
            grey.setPosition(6);
            QCOMPARE(grey.charFormat().foreground().color(), QColor(Qt::gray));
        }
    }

    // A real error: named in the tab, its line red until the next edit, its "code" link and
    // the editor's links both select what they point to.
    void errorsAndLinks() {
        const QString text = "axiom F\nangle\nrule F=F+F\n";
        type(text);
        const int undoSteps = _w->editor()->document()->availableUndoSteps();
        _w->refresh();
        QVERIFY(_w->tabs()->tabText(1) != "Messages");
        QCOMPARE(_w->editor()->document()->availableUndoSteps(), undoSteps);
        QCOMPARE(_w->editor()->textCursor().position(), 8);
        QCOMPARE(classes(_w->editor()), QString("RRRRR.L\nEEEEE\nRRRR.L.L.L\n"));

        // The message list's first link goes back to the line.
        _w->tabs()->setCurrentIndex(1);
        QTextCursor start(_w->messages()->document());
        start.setPosition(1);
        QTest::mouseClick(_w->messages()->viewport(), Qt::LeftButton, {},
                          _w->messages()->cursorRect(start).center());
        QCOMPARE(_w->tabs()->currentIndex(), 0);
        QCOMPARE(_w->editor()->textCursor().position(), 8);

        // A click on the last F of the rule selects the rule's head; the cursor shows a hand.
        const int lastF = text.lastIndexOf('F');
        QTest::mouseMove(_w->editor()->viewport(), charCentre(_w->editor(), lastF));
        QTRY_COMPARE(_w->editor()->viewport()->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(_w->editor()->viewport(), Qt::LeftButton, {},
                          charCentre(_w->editor(), lastF));
        QCOMPARE(_w->editor()->textCursor().selectionStart(), text.indexOf("F=F"));
        QCOMPARE(_w->editor()->textCursor().selectionEnd(), text.indexOf("F=F") + 1);

        // The next edit removes the mark; the colouring never makes the document edited.
        QTest::keyClick(_w->editor(), Qt::Key_Space);
        QVERIFY(!_w->highlighter()->hasErrorMark());
        QVERIFY(!classes(_w->editor()).contains('E'));
    }

    // Colouring of the scanner's cases, read back from the layout (one text a row).
    void colouring_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const char *rows[][3] = {{"short definition", "F=FF", "L.LL"},
                                 {"indented rule", "  rule F = F[+F]F", "..RRRR.L...L..L.L"},
                                 {"trailing comment", "rule F = F # grow", "RRRR.L...L.GGGGGG"},
                                 {"comment line", "# note F=F", "GGGGGGGGGG"},
                                 {"setting comment", "angle 30 # steep", "RRRRR....GGGGGGG"},
                                 {"axiom at line end", "axiom\nF=F", ".....\nL.L"},
                                 {"capital Rule", "Rule F = X", "RRRR......"},
                                 {"one-letter word", "F FF\nF=F", "L.LL\nL.L"},
                                 {"digit rule", "5=F5", "L..L"},
                                 {"rule then line end", "rule\nF=F", "....\nL.L"},
                                 {"Latin 1 stays plain", "# \xe4\nF=\xe4", "GGG\nL.."}};
        for (const auto &r : rows)
            QTest::newRow(r[0]) << QString::fromLatin1(r[1]) << QString(r[2]);
    }
    void colouring() {
        QFETCH(QString, text);
        type(text);
        QTEST(classes(_w->editor()), "expected");
        QVERIFY(_w->isWindowModified());
    }

    // Every link points to the first definition: two definitions of F, and a digit rule.
    void linkTargets() {
        type("F=F\nF=G\n5=F5\n");
        const int targets[][2] = {{0, 0}, {2, 0}, {4, 0}, {10, 0}, {8, 8}, {11, 8}};
        for (const auto &row : targets)
            QCOMPARE(_w->highlighter()->linkTarget(row[0]), row[1]);
        QCOMPARE(_w->highlighter()->linkTarget(1), -1); // '=' is no link
        QCOMPARE(_w->highlighter()->linkTarget(6), -1); // G is not defined
    }

    // Characters above 255 become "?" in the document (a pair of UTF-16 units, "??"); Latin 1
    // stays.
    void forceAscii() {
        type(QString::fromUtf8("axiom F # \xc3\xa9 \xe4\xb8\xad \xf0\x9f\x8c\xb1"));
        QCOMPARE(_w->editor()->toPlainText(), QString::fromUtf8("axiom F # \xc3\xa9 ? ??"));
        QVERIFY(_w->statusBar()->currentMessage().contains("?"));
    }

    // Growth multiplies the depth on this and every later refresh; the slider shows it.
    void growth() {
        _w->growthSlider()->setValue(50);
        QCOMPARE(_w->growth(), 0.5f);
        QCOMPARE(_w->model()->recursion, 1.0f);
        _w->refresh();
        QCOMPARE(_w->model()->recursion, 1.0f);
        _w->grow(1.25f);
        QCOMPARE(_w->growthSlider()->value(), 125);
        QCOMPARE(_w->model()->recursion, 2.5f);
    }

    // Loading centres the view on the model's bounds (the centring itself is the view's).
    void centring() {
        const bounds_t b = _w->model()->bounds;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(_w->view()->scene().objectCenter[i], -(b.min[i] + b.max[i]) / 2);
    }

    // Loading a good and an ISO Latin 1 file; one that cannot be read (the reader's reasons
    // are the io tests') leaves the open document as it was and says which file and why.
    void loading_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: no such file
        QTest::newRow("good") << "good.ls" << QByteArray("axiom FF\n");
        QTest::newRow("latin1") << "latin1.ls" << QByteArray("# gr\xfcn\naxiom F\n");
        QTest::newRow("missing") << "missing.ls" << QByteArray();
    }
    void loading() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        if (!bytes.isEmpty()) write(name, bytes);
        type("axiom F # mine\n");
        QCOMPARE(_w->setFile(path(name), true), !bytes.isEmpty());
        if (!bytes.isEmpty()) {
            QCOMPARE(_w->editor()->toPlainText(), QString::fromLatin1(bytes));
            QVERIFY(!_w->isWindowModified() && _w->windowTitle().startsWith(name));
            QCOMPARE(_w->file(), path(name));
        } else {
            auto *box = _w->findChild<QMessageBox *>("loadError");
            QVERIFY(box && box->text().contains(path(name)) && !box->informativeText().isEmpty());
            box->close();
            QCOMPARE(_w->editor()->toPlainText(), QString("axiom F # mine\n"));
            QVERIFY(_w->isWindowModified());
            QCOMPARE(_w->file(), path("tree.ls"));
        }
    }

    // A NUL byte ends the engine's text: reported once, on the line that holds it.
    void nulByte() {
        _w->setFile(write("nul.ls", QByteArray("axiom F\nrule F=F\0F\n", 19)), false);
        QCOMPARE(_w->tabs()->tabText(1), QString("ignoring the text after a NUL byte"));
        QCOMPARE(messageList().count("NUL"), 1);
        QCOMPARE(_w->editor()->textCursor().position(), 8);
    }

    // The editor font is stored on every edit and restored by the next window.
    void fontRestored() {
        QFont f("Monospace", 17);
        _w->editor()->setFont(f);
        type("axiom F\n");
        AppController second(_prefs.get());
        QCOMPARE(second.editor()->font().pointSize(), 17);
    }

    // The save prompt's answer table: every row from an edited window (but the first).
    void savePrompt_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("file"); // for the save panel; "" cancels it
        QTest::addColumn<bool>("editedAfter");
        QTest::addColumn<bool>("answer");
        const struct {
            const char *name, *button, *file;
            bool editedAfter, answer;
        } rows[] = {{"not edited", "", "", false, true},
                    {"save, written", "Save", "saved.ls", false, true},
                    {"save, panel cancelled", "Save", "", true, true},
                    {"save, write failed", "Save", "no/such/folder/x.ls", true, true},
                    {"don't save", "Don't Save", "", false, true},
                    {"cancel", "Cancel", "", true, false}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << QString(r.button) << QString(r.file) << r.editedAfter
                                  << r.answer;
    }
    void savePrompt() {
        QFETCH(QString, button);
        QFETCH(QString, file);
        if (!button.isEmpty()) type("axiom F # edited\n");
        int answers = 0;
        bool answer = false;
        _w->askToSave("Do you want to save changes before new?", [&](bool a) {
            ++answers;
            answer = a;
        });
        if (!button.isEmpty()) answerPrompt(button);
        if (button == "Save") answerPanel("savePanel", file.isEmpty() ? file : path(file));
        if (file.contains("/")) {
            QMessageBox *error = nullptr;
            QTRY_VERIFY((error = _w->findChild<QMessageBox *>("saveError")));
            QVERIFY(error->text().contains("x.ls") && !error->informativeText().isEmpty());
            error->close();
        }
        QTRY_COMPARE(answers, 1);
        QTEST(answer, "answer");
        QTEST(_w->isWindowModified(), "editedAfter");
        if (file == "saved.ls") QCOMPARE(contents(path(file)), QByteArray("axiom F # edited\n"));
    }

    // Save As on the untitled document, then Save without a panel; Latin 1 on disk and back.
    void saveAndReopen() {
        _w->setFile(QString(), false);
        type(QString::fromLatin1("# gr\xfcn\naxiom F\n"));
        _w->fileSave();
        answerPanel("savePanel", path("green"));
        QTRY_VERIFY(!_w->isWindowModified());
        QCOMPARE(_w->file(), path("green.ls")); // the default suffix
        QVERIFY(_w->windowTitle().startsWith("green.ls"));
        QCOMPARE(contents(path("green.ls")), QByteArray("# gr\xfcn\naxiom F\n"));
        type("axiom FF\n");
        _w->fileSave();
        const QFileDialog *panel = _w->findChild<QFileDialog *>("savePanel");
        QVERIFY(!panel || !panel->isVisible());
        QCOMPARE(contents(path("green.ls")), QByteArray("axiom FF\n"));
        QVERIFY(_w->setFile(path("green.ls"), true));
        QCOMPARE(_w->editor()->toPlainText(), QString("axiom FF\n"));
    }

    // Open, "Don't Save", then cancelling the open panel keeps the text and its edited mark;
    // choosing a file loads it.
    void openCommand() {
        type("axiom F # unsaved\n");
        _w->fileOpen();
        answerPrompt("Don't Save");
        answerPanel("openPanel", "");
        QVERIFY(_w->isWindowModified());
        QCOMPARE(_w->editor()->toPlainText(), QString("axiom F # unsaved\n"));
        _w->fileOpen();
        answerPrompt("Don't Save");
        answerPanel("openPanel", write("other.ls", "axiom FFF\n"));
        QTRY_COMPARE(_w->editor()->toPlainText(), QString("axiom FFF\n"));
        QVERIFY(!_w->isWindowModified());
    }

    // New asks first; "Don't Save" makes the untitled document with its date line, not
    // edited, refreshed (nothing drawn).
    void newCommand() {
        type("axiom F # unsaved\n");
        _w->fileNew();
        answerPrompt("Don't Save");
        QVERIFY(_w->editor()->toPlainText().startsWith("# created "));
        QVERIFY(_w->windowTitle().startsWith("untitled.ls") && !_w->isWindowModified());
        QVERIFY(_w->file().isEmpty());
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
        connect(&watcher, &SignalWatcher::terminationRequested, _w.get(), &AppController::quit);
        raise(SIGTERM);
        answerPrompt("Save");
        answerPanel("savePanel", "");
        QVERIFY(_w->isVisible() && _w->isWindowModified());
        _w->close();
        answerPrompt("Don't Save");
        QTRY_VERIFY(!_w->isVisible());
        QCOMPARE(contents(path("tree.ls")), QByteArray(kTree));
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
        QCOMPARE(_w->file(), path("a.ls"));

        AppController starting(_prefs.get());
        starting.openFileRequest(path("b.ls"));
        QCOMPARE(starting.file(), QString());
        starting.applicationDidFinishLaunching();
        QCOMPARE(starting.file(), path("b.ls"));
        starting.editor()->insertPlainText("F");
        starting.openFileRequest(path("c.ls"));
        QVERIFY(starting.findChild<QMessageBox *>("savePrompt"));
        QCOMPARE(starting.file(), path("b.ls"));
    }

    // Exports draw exactly what lsys draws (growth included), through the same writers; a
    // picture has the size asked for; an unknown suffix is refused with a reason.
    void exports_data() {
        QTest::addColumn<QString>("name");
        for (const char *n : {"m.ply", "m.stl", "m.obj", "m.glb"})
            QTest::newRow(n) << n;
    }
    void exports() {
        QFETCH(QString, name);
        _w->grow(1.5f);
        QVERIFY(_w->exportModelTo(path(name)));
        QDir(_dir.path()).mkdir("lsys");
        QProcess lsys;
        lsys.start(LSYS_BINARY,
                   {"export", path("tree.ls"), "-o", path("lsys/" + name), "--growth", "1.5"});
        QVERIFY(lsys.waitForFinished(20000));
        QCOMPARE(contents(path(name)), contents(path("lsys/" + name)));
    }
    void exportFailures() {
        QVERIFY(!_w->exportModelTo(path("m.xyz")));
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = _w->findChild<QMessageBox *>("exportError")));
        QVERIFY(box->informativeText().contains(".stl"));
        box->close();
        QVERIFY(!QFile::exists(path("m.xyz")));
        QVERIFY(_w->exportImageTo(path("p.png"), QSize(320, 200), true));
        QCOMPARE(QImage(path("p.png")).size(), QSize(320, 200));
    }

    // A real Shift+click on a tree and on a plane curve: the derivation is listed, ending at
    // the axiom, and the editor selects the drawing command itself; the background says so.
    void picking_data() {
        QTest::addColumn<QString>("example");
        QTest::newRow("tree") << "tree.ls";
        QTest::newRow("curve") << "koch-quadratic.ls";
    }
    void picking() {
        QFETCH(QString, example);
        QVERIFY(_w->setFile(QString(SPRIG_EXAMPLES_DIR "/") + example, false));
        QWidget *view = _w->view();
        QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, QPoint(2, 2));
        QCOMPARE(messageList(), QString("nothing here\n"));
        // Along the middle row until the model is hit.
        for (int x = view->width() / 4; x < view->width() * 3 / 4; x += 4) {
            QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier,
                              QPoint(x, view->height() / 2));
            if (messageList() != "nothing here\n") break;
        }
        const QStringList lines = messageList().split('\n', Qt::SkipEmptyParts);
        QVERIFY2(!lines.isEmpty() && lines.last().startsWith("0: axiom: "),
                 qPrintable(messageList()));
        QVERIFY(lines.first().contains(">>"));
        const QString selected = _w->editor()->textCursor().selectedText();
        QVERIFY2(selected == "F" || selected == "Z" || selected == "}", qPrintable(selected));
        QCOMPARE(_w->tabs()->currentIndex(), 0);
    }

    // Descriptions that would take the window over are drawn within its ceilings, and say so.
    void ceilings() {
        type("poly_limit -1\nrecursion 30\naxiom F\nrule F=FF\n");
        _w->refresh();
        QVERIFY(messageList().contains("lowering poly_limit"));
        QVERIFY(_w->model()->polygon_count <=
                LSYS_CEIL_POLYGONS + 64);             // the last object finishes
        type("recursion 100\naxiom X\nrule X=[XX\n"); // a flood of stack messages
        _w->refresh();
        QVERIFY(messageList().contains("... additional"));
    }
};

QTEST_MAIN(AppControllerTest)
#include "appcontroller_test.moc"
