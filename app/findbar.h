// The editor's search bar, under the editor in the Description tab: Find (Ctrl+F), Replace
// (Ctrl+H), Find Next and Find Previous (F3, Shift+F3; Enter and Shift+Enter in the field) with
// a Match Case option, and Go to Line (Ctrl+L). A search goes on from the other end of the text
// when it reaches one end, and says so. Replacing is an ordinary edit of the text: it can be
// undone and marks the document edited; Replace All is one undo step. Escape closes the bar
// and gives the editor the keys again.
#ifndef SPRIG_APP_FINDBAR_H
#define SPRIG_APP_FINDBAR_H

#include <QTextDocument>
#include <QWidget>

class QAction;
class QCheckBox;
class QIntValidator;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;

// The next match of text in doc from `from`, in the direction of flags; when there is none up
// to the end (the start, backward), the first one from the other end, and *wrapped says so.
// Null when the text is nowhere in doc.
QTextCursor findAround(QTextDocument *doc, const QString &text, const QTextCursor &from,
                       QTextDocument::FindFlags flags, bool *wrapped);

class FindBar : public QWidget {
    Q_OBJECT
  public:
    explicit FindBar(QPlainTextEdit *editor);

    // The Description tab's page: the editor with this bar under it.
    QWidget *editorPage();
    // Adds Find..., Replace..., Find Next, Find Previous and Go to Line... with their keys.
    void addCommands(QMenu *menu);

    QString status() const;

  public slots:
    void showFind();
    void showReplace();
    void showGoToLine();
    bool findNext() { return find(QTextDocument::FindFlags()); }
    bool findPrevious() { return find(QTextDocument::FindBackward); }
    // Replaces the match that is selected, then selects the next one.
    void replace();
    // Replaces every match in one undoable edit; returns how many.
    int replaceAll();
    // Puts the caret at the start of a line (1 = the first) and closes the bar.
    bool goToLine(int line);
    void dismiss();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void open(QWidget *row, QLineEdit *field);
    bool find(QTextDocument::FindFlags direction, bool fromSelectionStart = false);
    QTextDocument::FindFlags caseFlag() const;
    void say(const QString &text, bool bad = false);

    QPlainTextEdit *_editor;
    QWidget *_findRow, *_replaceRow, *_lineRow;
    QLineEdit *_find, *_replace, *_line;
    QCheckBox *_case;
    QIntValidator *_lineRange;
    QLabel *_status, *_lineStatus;
};

#endif
