// The guide window: a Markdown browser with a search field and whole-example copying.
#include "helpwindow.h"

#include "findbar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// Qt's Markdown reader gives every line of a code block this block property.
static bool isExample(const QTextBlock &block) {
    return block.isValid() && block.blockFormat().hasProperty(QTextFormat::BlockCodeLanguage);
}

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName("helpWindow");
    resize(760, 820);
    _browser = new QTextBrowser;
    _browser->setOpenExternalLinks(true);
    _browser->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(_browser, &QWidget::customContextMenuRequested, this, &HelpWindow::contextMenu);

    _search = new QLineEdit;
    _search->setObjectName("helpSearch");
    _search->setPlaceholderText(tr("Search"));
    _search->setClearButtonEnabled(true);
    _search->installEventFilter(this);
    connect(_search, &QLineEdit::textEdited, this, [this] {
        markMatches();
        // Typing searches from the start of the current match, so it grows with the word.
        QTextCursor c = _browser->textCursor();
        c.setPosition(c.selectionStart());
        _browser->setTextCursor(c);
        search(false);
    });
    connect(_browser, &QTextBrowser::sourceChanged, this, [this] {
        markExamples();
        markMatches();
    });
    _status = new QLabel;
    auto *focusSearch = new QShortcut(QKeySequence::Find, this);
    connect(focusSearch, &QShortcut::activated, this, [this] {
        _search->setFocus(Qt::ShortcutFocusReason);
        _search->selectAll();
    });
    connect(new QShortcut(QKeySequence::Close, this), &QShortcut::activated, this, &QWidget::close);

    auto *top = new QHBoxLayout;
    top->addWidget(_search, 1);
    top->addWidget(_status);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(_browser, 1);
}

void HelpWindow::showGuide(const QString &path, const QString &title) {
    setWindowTitle(tr("%1 \u2014 Sprig").arg(title));
    _browser->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
    show();
    raise();
    activateWindow();
}

bool HelpWindow::search(bool backward) {
    const QString text = _search->text();
    _status->clear();
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool wrapped = false;
    const QTextCursor found =
        findAround(_browser->document(), text, _browser->textCursor(), flags, &wrapped);
    if (found.isNull()) {
        _status->setText(tr("Not found"));
        return false;
    }
    _browser->setTextCursor(found);
    return true;
}

// Every match of the search field's text gets a yellow background.
void HelpWindow::markMatches() {
    QList<QTextEdit::ExtraSelection> marks;
    const QString text = _search->text();
    QTextDocument *doc = _browser->document();
    for (QTextCursor c(doc); !text.isEmpty() && !(c = doc->find(text, c)).isNull();) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = c;
        mark.format.setBackground(QColor(255, 240, 120));
        marks << mark;
    }
    _browser->setExtraSelections(marks);
}

// The examples stand out from the text on a pale grey ground.
void HelpWindow::markExamples() {
    QTextBlockFormat ground;
    ground.setBackground(QColor(238, 238, 238));
    for (QTextBlock b = _browser->document()->begin(); b.isValid(); b = b.next())
        if (isExample(b)) QTextCursor(b).mergeBlockFormat(ground);
}

QString HelpWindow::exampleAt(int position) const {
    QTextBlock block = _browser->document()->findBlock(position);
    if (!isExample(block)) return QString();
    while (isExample(block.previous()))
        block = block.previous();
    QString text;
    for (; isExample(block); block = block.next())
        text += block.text() + QLatin1Char('\n');
    return text;
}

void HelpWindow::contextMenu(const QPoint &pos) {
    // The menu's own items (Copy Link Location) want document coordinates.
    const QPoint scrolled(_browser->horizontalScrollBar()->value(),
                          _browser->verticalScrollBar()->value());
    QMenu *menu = _browser->createStandardContextMenu(pos + scrolled);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString example = exampleAt(_browser->cursorForPosition(pos).position());
    if (!example.isEmpty()) {
        QAction *copy = new QAction(tr("Copy Example"), menu);
        connect(copy, &QAction::triggered, this,
                [example] { QApplication::clipboard()->setText(example); });
        menu->insertAction(menu->actions().value(0), copy);
        menu->insertSeparator(menu->actions().value(1));
    }
    menu->popup(_browser->viewport()->mapToGlobal(pos));
}

// Enter in the search field finds the next match, Shift+Enter the previous one.
bool HelpWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == _search && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            search(key->modifiers() & Qt::ShiftModifier);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
