// Link hit-testing, the hand cursor and file drops on the editor.
#include "editorlinks.h"

#include "lsyshighlighter.h"

#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>

EditorLinks::EditorLinks(QPlainTextEdit *editor, LsysHighlighter *highlighter, QObject *parent)
    : QObject(parent), _editor(editor), _highlighter(highlighter) {
    _editor->viewport()->installEventFilter(this);
    _editor->viewport()->setMouseTracking(true);
}

// cursorForPosition gives the nearer gap between two characters, so the character is the one
// on either side whose box holds the point.
int EditorLinks::linkAt(const QPoint &p) const {
    const int gap = _editor->cursorForPosition(p).position();
    const int length = _editor->document()->characterCount() - 1;
    for (int pos : {gap - 1, gap}) {
        if (pos < 0 || pos >= length) continue;
        QTextCursor a(_editor->document()), b(_editor->document());
        a.setPosition(pos);
        b.setPosition(pos + 1);
        if (a.block() != b.block()) continue;
        const QRect ra = _editor->cursorRect(a), rb = _editor->cursorRect(b);
        if (p.x() >= ra.left() && p.x() < rb.left() && p.y() >= ra.top() && p.y() <= ra.bottom())
            return _highlighter->linkTarget(pos);
    }
    return -1;
}

bool EditorLinks::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto *de = static_cast<QDropEvent *>(event);
        if (!de->mimeData()->hasUrls()) break;
        if (event->type() == QEvent::Drop) {
            de->setDropAction(Qt::CopyAction);
            de->accept();
            Q_EMIT filesDropped(de->mimeData()->urls());
        } else {
            static_cast<QDragMoveEvent *>(event)->acceptProposedAction();
        }
        return true;
    }
    case QEvent::MouseMove: {
        const auto *me = static_cast<QMouseEvent *>(event);
        if (me->buttons() == Qt::NoButton)
            _editor->viewport()->setCursor(
                linkAt(me->position().toPoint()) >= 0 ? Qt::PointingHandCursor : Qt::IBeamCursor);
        break;
    }
    case QEvent::MouseButtonPress: {
        // A click on a link selects the defining character.
        const auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() != Qt::LeftButton || me->modifiers() != Qt::NoModifier) break;
        const int target = linkAt(me->position().toPoint());
        if (target < 0) break;
        QTextCursor c(_editor->document());
        c.setPosition(target);
        c.setPosition(target + 1, QTextCursor::KeepAnchor);
        _editor->setTextCursor(c);
        _editor->ensureCursorVisible();
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
