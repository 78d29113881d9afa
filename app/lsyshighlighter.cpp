// The editor's display-only colouring, applied block by block from the colouring scanner.
#include "lsyshighlighter.h"

#include <QTextDocument>

#include <string.h>

LsysHighlighter::LsysHighlighter(QTextDocument *document) : QSyntaxHighlighter(document) {}

void LsysHighlighter::colourText(const QByteArray &text) {
    colour_defs_t defs;
    colourDefinitions(text.constData(), int32_t(text.size()), &defs);
    const bool defsChanged = memcmp(&defs, &_defs, sizeof defs) != 0;
    _defs = defs;
    const QTextBlock marked = hasErrorMark() ? document()->findBlock(_markStart) : QTextBlock();
    _markStart = _markEnd = 0;
    // Links depend on the whole text's definitions; the edited block itself was already
    // recoloured by the document's change notification.
    if (defsChanged)
        rehighlight();
    else if (marked.isValid())
        rehighlightBlock(marked);
}

void LsysHighlighter::markError(int start, int end) {
    _markStart = start;
    _markEnd = end;
    const QTextBlock block = document()->findBlock(start);
    if (block.isValid()) rehighlightBlock(block);
}

int LsysHighlighter::linkTarget(int pos) const {
    const QTextBlock block = document()->findBlock(pos);
    if (!block.isValid()) return -1;
    const QByteArray bytes = block.text().toLatin1();
    std::vector<colour_span_t> spans;
    colourLines(bytes.constData(), int32_t(bytes.size()), &_defs, &spans);
    const int rel = pos - block.position();
    for (const colour_span_t &s : spans)
        if (s.kind == COLOUR_LINK && s.start == rel) return s.target - 1;
    return -1;
}

void LsysHighlighter::highlightBlock(const QString &text) {
    const QByteArray bytes = text.toLatin1();
    std::vector<colour_span_t> spans;
    colourLines(bytes.constData(), int32_t(bytes.size()), &_defs, &spans);

    QTextCharFormat leading, comment, link;
    leading.setForeground(leadingWordColor());
    comment.setForeground(commentColor());
    link.setForeground(linkColor());
    link.setFontUnderline(true);
    for (const colour_span_t &s : spans)
        setFormat(s.start, s.length,
                  s.kind == COLOUR_LEADING   ? leading
                  : s.kind == COLOUR_COMMENT ? comment
                                             : link);

    if (hasErrorMark()) {
        const int base = currentBlock().position();
        const int from = qMax(_markStart, base) - base;
        const int to = qMin(_markEnd, base + int(text.size())) - base;
        for (int i = from; i < to; ++i) {
            QTextCharFormat f = format(i);
            f.setForeground(errorColor());
            setFormat(i, 1, f);
        }
    }
}
