// The messages tab: the report of a drawing's messages (tab label, message list with its
// "code" links, the red mark of the first positioned error in the editor), the lines of a pick,
// and the links back into the editor.
//
// The report shows the first TRACE_STORE messages, one line each ("code: ..." with a link to
// the line for a position code, "info: ", "exec: " or "unknown: " otherwise) and then
// "... additional %d messages ignored" for the rest. The tab is named after the first message
// that is not drawing statistics; when that message has a position (or none, -1) the editor
// tab is selected and, for a position, its line is marked red until the next edit.
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

    // Shows a drawing's messages.
    void errorReport(const engine_report_t &report);
    // Selects the editor tab and, for a position of 0 or more, moves the cursor there and
    // marks that line red.
    void showErrorPos(int pos);
    // A pick's lines in the message list, or "nothing here".
    void showPick(const QStringList &lines);

  private:
    void linkClicked(const QUrl &link);

    QTabWidget *_tabs;
    QTextBrowser *_list;
    QPlainTextEdit *_editor;
    LsysHighlighter *_highlighter;
};

#endif
