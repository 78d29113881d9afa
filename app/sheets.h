// The window's sheets: the window-modal prompts and panels of the file commands, one at a time.
// A command that needs one while another is open (a file handed over by another process, a
// change on disk, a termination signal) waits until the open one is answered, then runs with
// its own; none replaces or drops the question being asked.
//
// At the end of a session the answers are needed before the session manager's request returns:
// while setWaiting(true) holds, show() returns only once the sheet is answered.
#ifndef SPRIG_APP_SHEETS_H
#define SPRIG_APP_SHEETS_H

#include <QObject>

#include <deque>
#include <functional>

class QDialog;

class Sheets : public QObject {
    Q_OBJECT
  public:
    explicit Sheets(QObject *parent = nullptr) : QObject(parent) {}

    bool isOpen() const { return _open > 0; }
    // Shows the dialog (window-modal, deleted once closed); answered(result) runs when it is
    // closed, then the next waiting command if no sheet is open by then.
    void show(QDialog *dialog, std::function<void(int)> answered);
    // Runs the command now when no sheet is open, else once every open one is answered.
    void whenFree(std::function<void()> command);

    void setWaiting(bool on) { _waiting = on; }

  private:
    void runNext();

    int _open = 0;
    bool _waiting = false;
    std::deque<std::function<void()>> _queued;
};

#endif
