// The messages tab's report, pick lines and links.
#include "messagereport.h"

#include "lsyshighlighter.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>

MessageReport::MessageReport(QTabWidget *tabs, QTextBrowser *list, QPlainTextEdit *editor,
                             LsysHighlighter *highlighter, QObject *parent)
    : QObject(parent), _tabs(tabs), _list(list), _editor(editor), _highlighter(highlighter) {
    connect(_list, &QTextBrowser::anchorClicked, this, &MessageReport::linkClicked);
}

void MessageReport::errorReport(const engine_report_t &report, bool placeCaret) {
    QString label;
    for (const report_msg_t &m : report.messages) {
        if (m.code < CODE_EXEC) continue;
        label = m.text;
        if (m.code >= CODE_NOLINE) showErrorPos(m.code, placeCaret);
        break;
    }
    _tabs->setTabText(1, label.isEmpty() ? tr("Messages") : label);

    _list->clear();
    _reportEnd = 0;
    if (report.count <= 0) return;
    QTextCursor c(_list->document());
    QTextCharFormat grey, link;
    grey.setForeground(Qt::gray);
    link.setForeground(LsysHighlighter::linkColor());
    link.setFontUnderline(true);
    link.setAnchor(true);
    for (const report_msg_t &m : report.messages) {
        if (m.code >= CODE_NOLINE) {
            link.setAnchorHref(QString::number(m.code));
            c.insertText(QStringLiteral("code"), link);
            c.insertText(QStringLiteral(": %1\n").arg(m.text), grey);
        } else {
            const char *kind = m.code == CODE_INFO   ? "info"
                               : m.code == CODE_EXEC ? "exec"
                                                     : "unknown";
            c.insertText(QStringLiteral("%1: %2\n").arg(QLatin1String(kind), m.text), grey);
        }
    }
    if (report.count > TRACE_STORE)
        c.insertText(
            QStringLiteral("... additional %1 messages ignored\n").arg(report.count - TRACE_STORE),
            grey);
    _reportEnd = _list->document()->characterCount() - 1;
    _list->moveCursor(QTextCursor::Start);
    _list->verticalScrollBar()->setValue(0);
}

void MessageReport::showErrorPos(int pos, bool placeCaret) {
    if (placeCaret) _tabs->setCurrentIndex(0);
    if (pos < 0) return;
    const QTextBlock line = _editor->document()->findBlock(pos);
    if (!line.isValid()) return;
    // A NUL ends the line for the engine, so the mark ends there too.
    const int nul = int(line.text().indexOf(QChar(0), pos - line.position()));
    _highlighter->markError(pos, nul >= 0 ? line.position() + nul
                                          : line.position() + int(line.text().size()));
    if (!placeCaret) return;
    QTextCursor c(_editor->document());
    c.setPosition(pos);
    _editor->setTextCursor(c);
    _editor->ensureCursorVisible();
}

QString MessageReport::separator() {
    return QString(24, QChar(0x2500));
}

void MessageReport::showPick(const QStringList &lines) {
    QTextCursor c(_list->document());
    c.setPosition(qMin(_reportEnd, _list->document()->characterCount() - 1));
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    QTextCharFormat grey;
    grey.setForeground(Qt::gray);
    c.insertText(separator() + '\n' + (lines.isEmpty() ? tr("nothing here") : lines.join('\n')) +
                     '\n',
                 grey);
}

// A message's "code" link: to the editor, and to the start of the message's line.
void MessageReport::linkClicked(const QUrl &link) {
    _tabs->setCurrentIndex(0);
    bool ok = false;
    const int pos = link.toString().toInt(&ok);
    if (!ok || pos < 0) return;
    QTextCursor c(_editor->document());
    c.setPosition(qMin(pos, _editor->document()->characterCount() - 1));
    _editor->setTextCursor(c);
    _editor->ensureCursorVisible();
}
