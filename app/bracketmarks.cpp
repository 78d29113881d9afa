// The editor's bracket marks, from the bracket matcher over the caret's line.
#include "bracketmarks.h"

#include "brackets.h"
#include "codeeditor.h"

#include <QTextBlock>

BracketMarks::BracketMarks(CodeEditor *editor) : QObject(editor), _editor(editor) {
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this, &BracketMarks::update);
    connect(editor, &QPlainTextEdit::textChanged, this, &BracketMarks::update);
}

void BracketMarks::update() {
    QList<QTextEdit::ExtraSelection> marks;
    const QTextCursor caret = _editor->textCursor();
    // A selection is the user's own highlight; marks would hide where it ends.
    if (!caret.hasSelection()) {
        const QTextBlock block = caret.block();
        const QByteArray line = block.text().toLatin1();
        const bracket_pair_t pair =
            bracketAtCaret(line.constData(), int32_t(line.size()), caret.positionInBlock());
        auto mark = [&](int32_t at, const QColor &colour) {
            QTextEdit::ExtraSelection s;
            s.cursor = QTextCursor(block);
            s.cursor.setPosition(block.position() + at);
            s.cursor.setPosition(block.position() + at + 1, QTextCursor::KeepAnchor);
            s.format.setBackground(colour);
            marks << s;
        };
        if (pair.bracket >= 0)
            mark(pair.bracket, pair.partner >= 0 ? matchedColor() : unmatchedColor());
        if (pair.partner >= 0) mark(pair.partner, matchedColor());
    }
    _editor->setLayer(QStringLiteral("brackets"), marks);
}
