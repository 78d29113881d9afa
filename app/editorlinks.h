// The editor's links as the user follows them. A rule character with a definition is a link
// (blue, underlined), but the editor stays an editor: a plain click places the caret and a drag
// selects. Ctrl+click on a link, F12 and the context menu's "Go to Definition" (both at the
// caret) select the defining character; the pointer is a hand over a link only while Ctrl is
// held. Files dragged onto the editor open like files dropped on the window (filesDropped);
// text drags stay the editor's.
#ifndef SPRIG_APP_EDITORLINKS_H
#define SPRIG_APP_EDITORLINKS_H

#include <QList>
#include <QObject>
#include <QPoint>
#include <QUrl>

class LsysHighlighter;
class QAction;
class QPlainTextEdit;

class EditorLinks : public QObject {
    Q_OBJECT
  public:
    EditorLinks(QPlainTextEdit *editor, LsysHighlighter *highlighter, QObject *parent = nullptr);

    // The definition offset of the link under a point of the editor's viewport; -1 for none.
    int linkAt(const QPoint &viewportPos) const;
    // The definition offset of the link at the caret (the character after it, else the one
    // before it); -1 for none.
    int linkAtCaret() const;

  public slots:
    // Selects the definition of the link at the caret; nothing when there is none.
    void goToDefinition();

  signals:
    void filesDropped(const QList<QUrl> &urls);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void select(int target);
    void updatePointer(Qt::KeyboardModifiers modifiers);

    QPlainTextEdit *_editor;
    LsysHighlighter *_highlighter;
    QAction *_goTo; // F12
    QPoint _mouse{-1, -1}; // where the mouse is over the viewport; (-1, -1) when outside
};

#endif
