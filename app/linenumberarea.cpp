// Painting of the editor's line numbers.
#include "linenumberarea.h"

#include "codeeditor.h"

#include <QPainter>
#include <QPaintEvent>
#include <QTextBlock>

// Space between the numbers and the gutter's edges, in pixels.
static const int kMargin = 6;

LineNumberArea::LineNumberArea(CodeEditor *editor) : QWidget(editor), _editor(editor) {
    setObjectName("lineNumbers");
}

QSize LineNumberArea::sizeHint() const {
    const int digits = qMax(2, int(QString::number(_editor->blockCount()).size()));
    QFont bold = _editor->font();
    bold.setBold(true);
    const int digit = QFontMetrics(bold).horizontalAdvance(QLatin1Char('9'));
    return QSize(2 * kMargin + digits * digit, 0);
}

void LineNumberArea::paintEvent(QPaintEvent *event) {
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Window));
    const QFont plain = _editor->font();
    QFont bold = plain;
    bold.setBold(true);
    const int current = _editor->textCursor().blockNumber();
    const int errorAt = _editor->errorPosition();
    const int error = errorAt >= 0 ? _editor->document()->findBlock(errorAt).blockNumber() : -1;
    const int lineHeight = QFontMetrics(plain).height();

    for (QTextBlock block = _editor->firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF box = _editor->blockRect(block);
        if (box.top() > event->rect().bottom()) break;
        if (!block.isVisible() || box.bottom() < event->rect().top()) continue;
        const int n = block.blockNumber();
        const QRect row(0, qRound(box.top()), width() - kMargin, lineHeight);
        if (n == error) p.fillRect(QRect(0, row.top(), width(), row.height()), errorBand());
        p.setFont(n == current || n == error ? bold : plain);
        p.setPen(n == error     ? errorColor()
                 : n == current ? _editor->palette().color(QPalette::Text)
                                : numberColor());
        p.drawText(row, Qt::AlignRight | Qt::AlignVCenter, QString::number(n + 1));
    }
}
