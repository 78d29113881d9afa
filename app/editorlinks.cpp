// Link hit-testing, following links (Ctrl+click, F12, context menu), the hand pointer and file
// drops on the editor.
#include "editorlinks.h"

#include "lsyshighlighter.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>

EditorLinks::EditorLinks(QPlainTextEdit *editor, LsysHighlighter *highlighter, QObject *parent)
    : QObject(parent), _editor(editor), _highlighter(highlighter) {
    _goTo = new QAction(tr("Go to Definition"), this);
    _goTo->setObjectName("goToDefinition");
    _goTo->setShortcut(QKeySequence(Qt::Key_F12));
    _goTo->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(_goTo, &QAction::triggered, this, &EditorLinks::goToDefinition);
    _editor->addAction(_goTo);
    _editor->installEventFilter(this);
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

int EditorLinks::linkAtCaret() const {
    const QTextCursor caret = _editor->textCursor();
    const int at = caret.position();
    const int after = at < caret.block().position() + caret.block().length() - 1
                          ? _highlighter->linkTarget(at)
                          : -1;
    if (after >= 0 || at == caret.block().position()) return after;
    return _highlighter->linkTarget(at - 1);
}

void EditorLinks::goToDefinition() {
    select(linkAtCaret());
}

void EditorLinks::select(int target) {
    if (target < 0) return;
    QTextCursor c(_editor->document());
    c.setPosition(target);
    c.setPosition(target + 1, QTextCursor::KeepAnchor);
    _editor->setTextCursor(c);
    _editor->ensureCursorVisible();
}

void EditorLinks::updatePointer(Qt::KeyboardModifiers modifiers) {
    const bool hand = (modifiers & Qt::ControlModifier) && _mouse.x() >= 0 && linkAt(_mouse) >= 0;
    _editor->viewport()->setCursor(hand ? Qt::PointingHandCursor : Qt::IBeamCursor);
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
        _mouse = me->position().toPoint();
        if (me->buttons() == Qt::NoButton) updatePointer(me->modifiers());
        break;
    }
    case QEvent::Leave:
        if (watched == _editor->viewport()) _mouse = QPoint(-1, -1);
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // The modifiers of a Ctrl key event itself are not to be trusted on every platform.
        const auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->key() == Qt::Key_Control)
            updatePointer(event->type() == QEvent::KeyPress ? Qt::ControlModifier : Qt::NoModifier);
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // Ctrl+click on a link follows it; every other click is the editor's.
        const auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() != Qt::LeftButton || me->modifiers() != Qt::ControlModifier) break;
        const int target = linkAt(me->position().toPoint());
        if (target < 0) break;
        select(target);
        return true;
    }
    case QEvent::ContextMenu: {
        const auto *ce = static_cast<QContextMenuEvent *>(event);
        const QPoint at = watched == _editor->viewport()
                              ? ce->pos()
                              : _editor->viewport()->mapFrom(_editor, ce->pos());
        QMenu *menu = _editor->createStandardContextMenu(at);
        menu->setObjectName("editorMenu");
        QAction *goTo = new QAction(_goTo->text(), menu);
        goTo->setShortcut(_goTo->shortcut());
        goTo->setEnabled(linkAtCaret() >= 0);
        connect(goTo, &QAction::triggered, this, &EditorLinks::goToDefinition);
        QAction *first = menu->actions().value(0);
        menu->insertAction(first, goTo);
        menu->insertSeparator(first);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(ce->globalPos());
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
