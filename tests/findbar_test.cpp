// The search bar in the real window under Xvfb, driven by real key presses through the window's
// menu commands: find and its wrap round the ends, the case option, go to line, replace and
// replace all as ordinary edits (edited mark, undo), step by step from tests/data/findbar.
#include "document.h"
#include "findbar.h"
#include "test_window.h"

class FindBarTest : public QObject {
    Q_OBJECT

  private slots:
    void steps() {
        QTemporaryDir dir;
        auto prefs = testPreferences(dir.filePath("settings.ini"));
        AppController w(prefs.get());
        QVERIFY(showActive(&w));
        FindBar *bar = w.findChild<FindBar *>();
        for (const QStringList &r : testTable("findbar/steps.txt")) {
            const QString step = r.mid(0, 2).join(' ');
            QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
            if (r[0] == "text") {
                QFile f(dir.filePath("text.ls"));
                QVERIFY(f.open(QIODevice::WriteOnly) && f.write(r[1].toLatin1()) > 0);
                f.close();
                QVERIFY(w.document()->setFile(f.fileName(), false));
                w.editor()->setFocus();
            } else if (r[0] == "key") {
                QTest::keySequence(focus, QKeySequence(r[1]));
            } else if (r[0] == "type") {
                QTest::keyClicks(focus, r[1]);
            } else if (r[0] == "click") {
                QAbstractButton *button = nullptr;
                for (QAbstractButton *b : bar->findChildren<QAbstractButton *>())
                    button = b->text() == r[1] ? b : button;
                QVERIFY2(button, qPrintable("no button " + r[1]));
                button->click();
            } else {
                QFAIL(qPrintable("unknown step " + step));
            }
            const QTextCursor c = w.editor()->textCursor();
            const QString got[] = {QString("%1-%2").arg(c.selectionStart()).arg(c.selectionEnd()),
                                   bar->status(), w.isWindowModified() ? "yes" : "no",
                                   w.editor()->toPlainText()};
            for (int i = 0; i < 4; ++i)
                QVERIFY2(r[i + 2] == "-" || r[i + 2] == got[i], qPrintable(step + ": " + got[i]));
        }
    }
};

QTEST_MAIN(FindBarTest)
#include "findbar_test.moc"
