// The editor's gutter: the number of every line beside it, in the editor's font. The line of
// the caret has its number in the text colour and bold, the others are grey; the number of the
// line of the first error is red on a pale red band.
#ifndef SPRIG_APP_LINENUMBERAREA_H
#define SPRIG_APP_LINENUMBERAREA_H

#include <QWidget>

class CodeEditor;

class LineNumberArea : public QWidget {
    Q_OBJECT
  public:
    explicit LineNumberArea(CodeEditor *editor);

    static QColor numberColor() { return QColor(150, 150, 150); }
    static QColor errorColor() { return Qt::red; }
    static QColor errorBand() { return QColor(255, 215, 215); }

    // Wide enough for the largest line number (at least two digits) and a margin each side.
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    CodeEditor *_editor;
};

#endif
