// One sheet at a time, and the commands waiting for the window.
#include "sheets.h"

#include <QDialog>

void Sheets::show(QDialog *dialog, std::function<void(int)> answered) {
    ++_open;
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this, answered](int result) {
        --_open;
        answered(result);
        runNext();
    });
    if (_waiting)
        dialog->exec();
    else
        dialog->open();
}

void Sheets::whenFree(std::function<void()> command) {
    if (!isOpen()) return command();
    _queued.push_back(std::move(command));
}

void Sheets::runNext() {
    if (isOpen() || _queued.empty()) return;
    std::function<void()> next = std::move(_queued.front());
    _queued.pop_front();
    next();
    // A command that needed no sheet leaves the window free for the one after it.
    runNext();
}
