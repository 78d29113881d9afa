// The messages tab: the report of a drawing's messages (tab label, message list with its
// "code" links, the red mark of the first positioned error in the editor), the lines of a pick,
// and the links back into the editor.
//
// The report shows the first TRACE_STORE messages, one line each ("code: ..." with a link to
// the line for a position code, "info: ", "exec: " or "unknown: " otherwise) and then
// "... additional %d messages ignored" for the rest. The tab is named after the first message
// that is not drawing statistics; when that message has a position its line is marked red
// until the next edit. Only the report of a refresh that loading a document asked for also
// selects the editor tab and moves the caret to that line (for a message without a position,
// -1, it selects the tab only): reports of refreshes after typing, a growth change or the
// Refresh button leave the caret, the selection, the scroll position and the tab alone.
//
// A pick's lines go below the messages, after a separator line; the next pick replaces them,
// the next report replaces everything.
#ifndef SPRIG_APP_MESSAGEREPORT_H
#define SPRIG_APP_MESSAGEREPORT_H

#include "enginejobs.h"

#include <QObject>

class LsysHighlighter;
class QPlainTextEdit;
class QTabWidget;
class QTextBrowser;
class QUrl;

class MessageReport : public QObject {
    Q_OBJECT
  public:
    MessageReport(QTabWidget *tabs, QTextBrowser *list, QPlainTextEdit *editor,
                  LsysHighlighter *highlighter, QObject *parent = nullptr);

    // Shows a drawing's messages; their positions are editor positions. placeCaret: the
    // refresh came from loading a document.
    void errorReport(const engine_report_t &report, bool placeCaret);
    // Marks the line at a position of 0 or more red; with placeCaret, selects the editor tab
    // first and moves the caret there.
    void showErrorPos(int pos, bool placeCaret);
    // A pick's lines below the messages, or "nothing here".
    void showPick(const QStringList &lines);

    // The line between the messages and a pick's lines.
    static QString separator();

  private:
    void linkClicked(const QUrl &link);

    QTabWidget *_tabs;
    QTextBrowser *_list;
    QPlainTextEdit *_editor;
    LsysHighlighter *_highlighter;
    int _reportEnd = 0; // where the report ends in the list, and a pick's lines begin
};

#endif
