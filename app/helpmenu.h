// The window's ways to learn Sprig: the Help menu (Sprig Language, Mouse and Keys, About Sprig)
// and File > Open Example. The guides and examples are files installed with the program
// (share/sprig under its prefix, wherever that is), or the source tree's when the program runs
// from its build folder. An example opens as an untitled copy of its text, after the save
// prompt like any open, so the installed file is never written.
#ifndef SPRIG_APP_HELPMENU_H
#define SPRIG_APP_HELPMENU_H

#include <QObject>
#include <QStringList>

class Document;
class HelpWindow;
class QMainWindow;
class QMenu;
class QMenuBar;

// The first of `roots` that holds `name` (a file or folder), as a path; empty for none.
QString findDataPath(const QString &name, const QStringList &roots);
// Where the program looks for its guides and examples: share/sprig beside its own bin folder,
// then the source tree.
QStringList sprigDataRoots();

class HelpMenu : public QObject {
    Q_OBJECT
  public:
    HelpMenu(QMainWindow *window, Document *document, QObject *parent = nullptr);

    void addHelpMenu(QMenuBar *bar);
    // File > Open Example with every example found, in the order of their names.
    void addExamplesMenu(QMenu *file);

    // Shows a guide (a file under docs/) in the help window; a message says where it was
    // looked for when it is not there.
    void showGuide(const QString &file, const QString &title);
    void about();

  private:
    QMainWindow *_window;
    Document *_document;
    HelpWindow *_help = nullptr;
};

#endif
