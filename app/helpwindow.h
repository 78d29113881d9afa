// A window that shows one of Sprig's guides (Markdown files, drawn by Qt's Markdown support)
// beside the editor window without blocking it: a search field (Ctrl+F in the window; Enter and
// Shift+Enter go to the next and previous match, going on from the other end), links between the
// guides, and the examples of the text (on a grey ground) selectable and copyable; the context
// menu of an example copies it whole ("Copy Example"). Ctrl+W closes the window.
#ifndef SPRIG_APP_HELPWINDOW_H
#define SPRIG_APP_HELPWINDOW_H

#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget *parent);

    // Shows the guide in the Markdown file at path, titled `title`, and brings the window up.
    void showGuide(const QString &path, const QString &title);

    QTextBrowser *browser() const { return _browser; }
    QLineEdit *searchField() const { return _search; }
    // Selects the next (or previous) match of the search field's text; false when there is none.
    bool search(bool backward);
    // The whole example (a code block of the guide) that holds a position of the text, with a
    // line end after each line; empty when the position is not in an example.
    QString exampleAt(int position) const;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void contextMenu(const QPoint &pos);
    void markMatches();
    void markExamples();

    QTextBrowser *_browser;
    QLineEdit *_search;
    QLabel *_status;
};

#endif
