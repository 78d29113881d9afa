// The editor's search bar: find, replace and go to line.
#include "findbar.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

FindBar::FindBar(QPlainTextEdit *editor) : _editor(editor) {
    setObjectName("findBar");
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(2);
    auto row = [&](QWidget **widget, const QString &label, QLineEdit **field, const char *name) {
        *widget = new QWidget;
        auto *layout = new QHBoxLayout(*widget);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *l = new QLabel(label);
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(tr("Replace:")) + 4);
        layout->addWidget(l);
        *field = new QLineEdit;
        (*field)->setObjectName(name);
        (*field)->setClearButtonEnabled(true);
        (*field)->installEventFilter(this);
        l->setBuddy(*field);
        layout->addWidget(*field, 1);
        rows->addWidget(*widget);
        return layout;
    };
    auto button = [this](QHBoxLayout *layout, const QString &text, auto slot) {
        auto *b = new QToolButton;
        b->setText(text);
        connect(b, &QToolButton::clicked, this, slot);
        layout->addWidget(b);
    };

    QHBoxLayout *findLine = row(&_findRow, tr("Find:"), &_find, "findField");
    button(findLine, tr("Previous"), &FindBar::findPrevious);
    button(findLine, tr("Next"), &FindBar::findNext);
    _case = new QCheckBox(tr("Match case"));
    findLine->addWidget(_case);
    _status = new QLabel;
    findLine->addWidget(_status);
    auto *close = new QToolButton;
    close->setText(QStringLiteral("\u00d7"));
    close->setToolTip(tr("Close (Escape)"));
    close->setAutoRaise(true);
    connect(close, &QToolButton::clicked, this, &FindBar::dismiss);
    findLine->addWidget(close);
    // Typing searches from where the current match starts, so the match grows with the word.
    connect(_find, &QLineEdit::textEdited, this, [this] {
        if (!_find->text().isEmpty())
            find(QTextDocument::FindFlags(), true);
        else
            say(QString());
    });

    QHBoxLayout *replaceLine = row(&_replaceRow, tr("Replace:"), &_replace, "replaceField");
    button(replaceLine, tr("Replace"), &FindBar::replace);
    button(replaceLine, tr("Replace All"), &FindBar::replaceAll);

    QHBoxLayout *numberLine = row(&_lineRow, tr("Line:"), &_line, "lineField");
    _lineRange = new QIntValidator(1, 1, _line);
    _line->setValidator(_lineRange);
    _lineStatus = new QLabel;
    numberLine->addWidget(_lineStatus);
    connect(_line, &QLineEdit::returnPressed, this, [this] { goToLine(_line->text().toInt()); });

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &FindBar::dismiss);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    hide();
}

QTextCursor findAround(QTextDocument *doc, const QString &text, const QTextCursor &from,
                       QTextDocument::FindFlags flags, bool *wrapped) {
    const QTextCursor found = doc->find(text, from, flags);
    *wrapped = found.isNull();
    if (!*wrapped) return found;
    QTextCursor end(doc);
    end.movePosition(flags & QTextDocument::FindBackward ? QTextCursor::End : QTextCursor::Start);
    return doc->find(text, end, flags);
}

QWidget *FindBar::editorPage() {
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(_editor, 1);
    layout->addWidget(this);
    return page;
}

void FindBar::addCommands(QMenu *menu) {
    menu->addAction(tr("&Find..."), QKeySequence::Find, this, &FindBar::showFind);
    menu->addAction(tr("R&eplace..."), QKeySequence(tr("Ctrl+H")), this, &FindBar::showReplace);
    menu->addAction(tr("Find &Next"), QKeySequence(Qt::Key_F3), this, &FindBar::findNext);
    menu->addAction(tr("Find Pre&vious"), QKeySequence(Qt::SHIFT | Qt::Key_F3), this,
                    &FindBar::findPrevious);
    menu->addAction(tr("&Go to Line..."), QKeySequence(tr("Ctrl+L")), this, &FindBar::showGoToLine);
}

QString FindBar::status() const {
    return _status->text();
}

// Shows the bar with one row's field ready for typing; the editor's tab comes to the front.
void FindBar::open(QWidget *row, QLineEdit *field) {
    for (QWidget *page = this; page->parentWidget(); page = page->parentWidget())
        if (auto *stack = qobject_cast<QStackedWidget *>(page->parentWidget()))
            if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
                tabs->setCurrentWidget(page);
    _findRow->setVisible(row != _lineRow);
    _replaceRow->setVisible(row == _replaceRow);
    _lineRow->setVisible(row == _lineRow);
    show();
    field->setFocus(Qt::ShortcutFocusReason);
    field->selectAll();
}

void FindBar::showFind() {
    // A selection on one line is what the user wants to find.
    const QString selected = _editor->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        _find->setText(selected);
    open(_findRow, _find);
}

void FindBar::showReplace() {
    showFind();
    open(_replaceRow, _find->text().isEmpty() ? _find : _replace);
}

void FindBar::showGoToLine() {
    const int lines = _editor->blockCount();
    _lineRange->setTop(lines);
    _line->setText(QString::number(_editor->textCursor().blockNumber() + 1));
    _lineStatus->setText(tr("of %1").arg(lines));
    open(_lineRow, _line);
}

void FindBar::dismiss() {
    hide();
    _editor->setFocus(Qt::OtherFocusReason);
}

QTextDocument::FindFlags FindBar::caseFlag() const {
    return _case->isChecked() ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
}

void FindBar::say(const QString &text, bool bad) {
    _status->setText(text);
    _find->setStyleSheet(bad ? QStringLiteral("QLineEdit { background: #ffd0d0; }") : QString());
}

bool FindBar::find(QTextDocument::FindFlags direction, bool fromSelectionStart) {
    const QString text = _find->text();
    if (text.isEmpty()) {
        showFind();
        return false;
    }
    QTextCursor from = _editor->textCursor();
    if (fromSelectionStart) from.setPosition(from.selectionStart());
    bool wrapped = false;
    const QTextCursor found =
        findAround(_editor->document(), text, from, direction | caseFlag(), &wrapped);
    if (found.isNull()) {
        say(tr("Not found"), true);
        return false;
    }
    _editor->setTextCursor(found);
    say(wrapped ? (direction & QTextDocument::FindBackward ? tr("Continued from the end")
                                                           : tr("Continued from the start"))
                : QString());
    return true;
}

void FindBar::replace() {
    QTextCursor c = _editor->textCursor();
    const Qt::CaseSensitivity cs = _case->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (c.hasSelection() && !_find->text().isEmpty() &&
        c.selectedText().compare(_find->text(), cs) == 0) {
        c.insertText(_replace->text());
        _editor->setTextCursor(c);
    }
    findNext();
}

int FindBar::replaceAll() {
    const QString text = _find->text();
    if (text.isEmpty()) return 0;
    QTextDocument *doc = _editor->document();
    QTextCursor block(doc);
    QTextCursor at(doc);
    int n = 0;
    block.beginEditBlock();
    // Each search starts after the last replacement, so a replacement that holds the text
    // itself is not replaced again.
    for (QTextCursor found; !(found = doc->find(text, at, caseFlag())).isNull(); ++n) {
        found.insertText(_replace->text());
        at = found;
    }
    block.endEditBlock();
    say(n ? tr("%n replaced", nullptr, n) : tr("Not found"), n == 0);
    return n;
}

bool FindBar::goToLine(int line) {
    const QTextBlock block = _editor->document()->findBlockByNumber(line - 1);
    if (line < 1 || !block.isValid()) return false;
    _editor->setTextCursor(QTextCursor(block));
    _editor->centerCursor();
    dismiss();
    return true;
}

// Enter finds the next match, Shift+Enter the previous one; in the replace field Enter
// replaces.
bool FindBar::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return QWidget::eventFilter(watched, event);
    if (watched == _find) {
        if (key->modifiers() & Qt::ShiftModifier)
            findPrevious();
        else
            findNext();
        return true;
    }
    if (watched == _replace) {
        replace();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
