// The Help menu and File > Open Example in the real window under Xvfb, through their menu
// commands: the guides open beside the window without blocking it, can be searched, show their
// pictures, and every example of the language guide, copied whole from its context menu, draws
// without a message; About names the version and the home page. An example opens as an
// untitled copy after the save prompt, and Save then asks where to put it.
#include "document.h"
#include "helpwindow.h"
#include "homepage.h"
#include "test_window.h"

class HelpMenuTest : public QObject {
    Q_OBJECT
    QTemporaryDir _dir;
    std::unique_ptr<Preferences> _prefs;
    std::unique_ptr<AppController> _w;

    // Answers the window's open prompt or file panel.
    template <class T> T *dialog(const char *name) {
        T *d = nullptr;
        [&] { QTRY_VERIFY((d = _w->findChild<T *>(name)) && d->isVisible()); }();
        return d;
    }

  private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion("9.8.7"); }
    void init() {
        _prefs = testPreferences(_dir.filePath("settings.ini"));
        _w = std::make_unique<AppController>(_prefs.get());
        QVERIFY(showActive(_w.get()));
    }
    void cleanup() { _w.reset(); }

    void guides() {
        menuAction(_w.get(), {"Help", "Sprig Language"})->trigger();
        auto *help = _w->findChild<HelpWindow *>();
        QVERIFY(help && help->isVisible() && !QApplication::activeModalWidget());
        QTextBrowser *text = help->browser();
        QVERIFY(text->toPlainText().startsWith("The Sprig description language"));

        QTest::keyClicks(help->searchField(), "Turtle");
        const int first = text->textCursor().selectionStart();
        QCOMPARE(text->textCursor().selectedText(), QString("turtle"));
        QTest::keyClick(help->searchField(), Qt::Key_Return);
        QVERIFY(text->textCursor().selectionStart() > first);
        QTest::keyClick(help->searchField(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(text->textCursor().selectionStart(), first);
        QTest::keyClicks(help->searchField(), "zq");
        QVERIFY(!text->textCursor().hasSelection());

        // Each example through its context menu, pasted into the editor and drawn.
        int examples = 0;
        for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next()) {
            if (!b.blockFormat().hasProperty(QTextFormat::BlockCodeLanguage) ||
                b.previous().blockFormat().hasProperty(QTextFormat::BlockCodeLanguage))
                continue;
            text->setTextCursor(QTextCursor(b));
            text->ensureCursorVisible();
            QApplication::clipboard()->clear();
            Q_EMIT text->customContextMenuRequested(text->cursorRect().center());
            QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu && menu->actions().first()->text() == "Copy Example");
            menu->actions().first()->trigger();
            menu->close();
            const QString example = QApplication::clipboard()->text();
            QVERIFY2(example.endsWith("\n") && example.count('\n') >= 6, qPrintable(example));
            _w->editor()->setPlainText(example);
            _w->refresh();
            QTRY_VERIFY_WITH_TIMEOUT(_w->shownDescription().text == example.toLatin1(), 20000);
            QVERIFY2(!_w->messages()->toPlainText().contains("code:"), qPrintable(example));
            QVERIFY(_w->model()->polygon_count > 100);
            ++examples;
        }
        QVERIFY(examples >= 2);

        menuAction(_w.get(), {"Help", "Mouse and Keys"})->trigger();
        QVERIFY(text->toPlainText().startsWith("Looking at a model"));
        QVERIFY(!text->loadResource(QTextDocument::ImageResource, QUrl("gallery.png")).isNull());

        menuAction(_w.get(), {"Help", "About Sprig"})->trigger();
        auto *about = dialog<QMessageBox>("about");
        QVERIFY(about->text().contains("Sprig 9.8.7") &&
                about->informativeText().contains(sprigHomepage().toHtmlEscaped()));
    }

    void examples() {
        QAction *tree = menuAction(_w.get(), {"File", "Open Example", "tree"});
        QVERIFY(tree);
        QCOMPARE(qobject_cast<QMenu *>(tree->parent())->actions().size(),
                 QDir(SPRIG_EXAMPLES_DIR).entryList({"*.ls"}).size());
        QTest::keyClicks(_w->editor(), "axiom F # mine");
        tree->trigger();
        for (QAbstractButton *b : dialog<QMessageBox>("savePrompt")->buttons())
            if (b->text() == "Don't Save") b->click();
        QFile file(SPRIG_EXAMPLES_DIR "/tree.ls");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QTRY_COMPARE(_w->editor()->toPlainText().toLatin1(), bytes);
        QVERIFY(_w->document()->file().isEmpty() && !_w->isWindowModified());
        QVERIFY(_w->windowTitle().startsWith("untitled.ls"));
        _w->editor()->setFocus();
        QTest::keySequence(_w->editor(), QKeySequence::Save);
        dialog<QFileDialog>("savePanel")->reject();
    }
};

QTEST_MAIN(HelpMenuTest)
#include "helpmenu_test.moc"
