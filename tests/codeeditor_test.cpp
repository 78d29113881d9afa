// The description editor on its own under Xvfb: the gutter's numbers sit beside their lines in
// the editor's font, at any size, with the caret's line and the error line standing out; the
// bracket marks follow the caret in their own layer and never touch the text's history.
#include "bracketmarks.h"
#include "codeeditor.h"
#include "linenumberarea.h"
#include "red_pixels.h"

#include <QtTest>
#include <QtWidgets>

namespace {

enum Ink { None, Grey, Dark, Red };

// The strongest ink in a band of rows of the gutter image, and how many of its rows hold ink.
QPair<Ink, int> inkIn(const QImage &image, int top, int bottom) {
    int ink = None, rows = 0;
    for (int y = qMax(0, top); y < qMin(bottom, image.height()); ++y) {
        int row = None;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int here = isRed(c.rgb())                                   ? Red
                             : c.value() < 90                                 ? Dark
                             : c.red() < 190 && qAbs(c.red() - c.blue()) < 10 ? Grey
                                                                              : None;
            row = qMax(row, here);
        }
        ink = qMax(ink, row), rows += row != None;
    }
    return {Ink(ink), rows};
}

} // namespace

class CodeEditorTest : public QObject {
    Q_OBJECT

  private slots:
    void gutter() {
        CodeEditor editor;
        QStringList lines;
        for (int i = 0; i < 40; ++i)
            lines << QString("rule %1=F[+F]").arg(QChar('A' + i % 26));
        editor.setPlainText(lines.join('\n'));
        const int errorLine = 3, caretLine = 11;
        editor.setErrorSource(
            [&] { return editor.document()->findBlockByNumber(errorLine).position() + 2; });
        editor.setTextCursor(QTextCursor(editor.document()->findBlockByNumber(caretLine)));
        editor.resize(400, 600);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        int width = 0;
        for (int size : {9, 20}) {
            editor.setFont(QFont("Monospace", size));
            QApplication::processEvents();
            QVERIFY2(editor.lineNumbers()->width() > width * 3 / 2,
                     qPrintable(QString::number(size)));
            width = editor.lineNumbers()->width();
            QCOMPARE(editor.viewport()->geometry().left(),
                     editor.lineNumbers()->geometry().right() + 1);
            const QImage image = editor.lineNumbers()->grab().toImage();
            int shown = 0;
            for (QTextBlock b = editor.firstVisibleBlock(); b.isValid(); b = b.next()) {
                const QRectF box = editor.blockRect(b);
                if (box.bottom() > image.height()) break;
                const Ink want = b.blockNumber() == errorLine   ? Red
                                 : b.blockNumber() == caretLine ? Dark
                                                                : Grey;
                // Digits in the editor's font fill about half a line's height.
                const QPair<Ink, int> ink = inkIn(image, int(box.top()) + 1, int(box.bottom()) - 1);
                QVERIFY2(
                    ink.first == want && ink.second > box.height() * 0.4,
                    qPrintable(QString("line %1 at %2 pt").arg(b.blockNumber() + 1).arg(size)));
                ++shown;
            }
            QVERIFY(shown > 12);
        }
    }

    void bracketMarks() {
        CodeEditor editor;
        editor.setPlainText("rule F=F[+F]F\nrule G=G]\n");
        const int undo = editor.document()->availableUndoSteps();
        QTextEdit::ExtraSelection other;
        other.cursor = QTextCursor(editor.document());
        other.cursor.setPosition(1, QTextCursor::KeepAnchor);
        editor.setLayer("other", {other});
        auto marks = [&](int caret, bool select = false) {
            QTextCursor c(editor.document());
            c.setPosition(caret);
            if (select) c.setPosition(caret + 1, QTextCursor::KeepAnchor);
            editor.setTextCursor(c);
            QStringList out;
            for (const QTextEdit::ExtraSelection &s : editor.layer("brackets"))
                out << QString("%1%2")
                           .arg(s.cursor.selectionStart())
                           .arg(s.format.background() == BracketMarks::matchedColor() ? "" : "!");
            // The other layer's selection stays beside them.
            return out.join(' ') + QString("/%1").arg(editor.extraSelections().size());
        };
        QCOMPARE(marks(8), QString("8 11/3"));
        QCOMPARE(marks(12), QString("11 8/3"));
        QCOMPARE(marks(22), QString("22!/2"));
        QCOMPARE(marks(8, true), QString("/1"));
        QCOMPARE(marks(3), QString("/1"));
        QVERIFY(!editor.document()->isModified());
        QCOMPARE(editor.document()->availableUndoSteps(), undo);
    }
};

QTEST_MAIN(CodeEditorTest)
#include "codeeditor_test.moc"
