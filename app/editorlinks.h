// The editor's links as the mouse sees them: a pointing hand over a rule character that has a
// definition, and a plain click on it selects the defining character. Files dragged onto the
// editor open like files dropped on the window (filesDropped); text drags stay the editor's.
#ifndef SPRIG_APP_EDITORLINKS_H
#define SPRIG_APP_EDITORLINKS_H

#include <QList>
#include <QObject>
#include <QUrl>

class LsysHighlighter;
class QPlainTextEdit;
class QPoint;

class EditorLinks : public QObject {
    Q_OBJECT
  public:
    EditorLinks(QPlainTextEdit *editor, LsysHighlighter *highlighter, QObject *parent = nullptr);

    // The definition offset of the link under a point of the editor's viewport; -1 for none.
    int linkAt(const QPoint &viewportPos) const;

  signals:
    void filesDropped(const QList<QUrl> &urls);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    QPlainTextEdit *_editor;
    LsysHighlighter *_highlighter;
};

#endif
