// The description editor's gutter placement and its layers of extra selections.
#include "codeeditor.h"

#include "bracketmarks.h"
#include "linenumberarea.h"

#include <QTextBlock>

CodeEditor::CodeEditor(QWidget *parent) : QPlainTextEdit(parent) {
    _gutter = new LineNumberArea(this);
    new BracketMarks(this); // owned by the editor; follows its caret and text
    connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeEditor::updateGutterWidth);
    // The gutter follows every repaint of the text: scrolling moves it along, and an edit,
    // a caret move or a recolouring (the error mark) repaints its numbers.
    connect(this, &QPlainTextEdit::updateRequest, _gutter, [this](const QRect &rect, int dy) {
        if (dy)
            _gutter->scroll(0, dy);
        else
            _gutter->update(0, rect.y(), _gutter->width(), rect.height());
    });
    connect(this, &QPlainTextEdit::cursorPositionChanged, _gutter, qOverload<>(&QWidget::update));
    updateGutterWidth();
}

void CodeEditor::setLayer(const QString &name, const QList<QTextEdit::ExtraSelection> &selections) {
    if (selections.isEmpty())
        _layers.remove(name);
    else
        _layers.insert(name, selections);
    QList<QTextEdit::ExtraSelection> all;
    for (const QList<QTextEdit::ExtraSelection> &l : std::as_const(_layers))
        all += l;
    setExtraSelections(all);
}

QRectF CodeEditor::blockRect(const QTextBlock &block) const {
    return blockBoundingGeometry(block).translated(contentOffset());
}

void CodeEditor::updateGutterWidth() {
    setViewportMargins(_gutter->sizeHint().width(), 0, 0, 0);
    const QRect r = contentsRect();
    _gutter->setGeometry(r.left(), r.top(), _gutter->sizeHint().width(), r.height());
}

void CodeEditor::resizeEvent(QResizeEvent *event) {
    QPlainTextEdit::resizeEvent(event);
    updateGutterWidth();
}

void CodeEditor::changeEvent(QEvent *event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) updateGutterWidth();
}
