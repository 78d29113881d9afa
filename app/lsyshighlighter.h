// Display-only colouring of the editor: the leading word of each line in dark red, comments in
// green, rule characters as blue underlined links to their definitions, and the red mark of the
// first positioned error. All of it lives in the text layout (QSyntaxHighlighter formats), never
// in the document, so colouring never enters the undo history or the edited state.
#ifndef SPRIG_APP_LSYSHIGHLIGHTER_H
#define SPRIG_APP_LSYSHIGHLIGHTER_H

#include "colouring.h"

#include <QColor>
#include <QSyntaxHighlighter>

class LsysHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
  public:
    explicit LsysHighlighter(QTextDocument *document);

    static QColor leadingWordColor() { return QColor::fromRgbF(0.6f, 0.0f, 0.0f); }
    static QColor commentColor() { return QColor::fromRgbF(0.0f, 0.6f, 0.0f); }
    static QColor linkColor() { return Qt::blue; }
    static QColor errorColor() { return Qt::red; }

    // The colouring pass: rebuilds the rule-definition table from the whole text (ISO Latin 1
    // bytes) and clears the error mark; blocks are recoloured where that changes anything.
    void colourText(const QByteArray &text);

    // Colours [start, end) red until the next colouring pass (end stays inside one line).
    void markError(int start, int end);
    bool hasErrorMark() const { return _markEnd > _markStart; }
    int errorMarkStart() const { return hasErrorMark() ? _markStart : -1; }

    // The definition offset that the character at pos links to, or -1 when pos is no link.
    int linkTarget(int pos) const;

  protected:
    void highlightBlock(const QString &text) override;

  private:
    colour_defs_t _defs{};
    int _markStart = 0, _markEnd = 0;
};

#endif
