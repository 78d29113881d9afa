// The description editor: a plain-text editor with a gutter of line numbers at its left
// (linenumberarea.h), the marks of bracket matching (bracketmarks.h), and its extra selections
// kept in named layers, so that the window's parts can each show their own marks side by side.
// Everything it adds is display-only: nothing enters the text, its undo history or the
// edited state.
#ifndef SPRIG_APP_CODEEDITOR_H
#define SPRIG_APP_CODEEDITOR_H

#include <QMap>
#include <QPlainTextEdit>

#include <functional>

class LineNumberArea;

class CodeEditor : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit CodeEditor(QWidget *parent = nullptr);

    // The extra selections of one layer; they replace that layer's earlier ones.
    void setLayer(const QString &name, const QList<QTextEdit::ExtraSelection> &selections);
    QList<QTextEdit::ExtraSelection> layer(const QString &name) const {
        return _layers.value(name);
    }

    // Where the line of the first error starts in the text, or -1: its number is marked red.
    void setErrorSource(std::function<int()> source) { _errorSource = std::move(source); }
    int errorPosition() const { return _errorSource ? _errorSource() : -1; }

    LineNumberArea *lineNumbers() const { return _gutter; }

    // For the gutter: the first block on screen, and a block's box in viewport coordinates.
    using QPlainTextEdit::firstVisibleBlock;
    QRectF blockRect(const QTextBlock &block) const;

  protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

  private:
    void updateGutterWidth();

    LineNumberArea *_gutter;
    QMap<QString, QList<QTextEdit::ExtraSelection>> _layers;
    std::function<int()> _errorSource;
};

#endif
