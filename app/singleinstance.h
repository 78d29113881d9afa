// One Sprig per user: the first process listens on a local socket named per user; a later
// `sprig FILE` hands its files (as absolute paths) to it and exits. Waits are bounded, so a
// stale socket left by a crashed process or a peer that never answers cannot hang start-up.
#ifndef SPRIG_APP_SINGLEINSTANCE_H
#define SPRIG_APP_SINGLEINSTANCE_H

#include <QObject>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // `name` defaults to "sprig-" followed by the user id.
    explicit SingleInstance(const QString &name = defaultName(), QObject *parent = nullptr);
    ~SingleInstance() override;

    static QString defaultName();
    QString name() const { return _name; }

    // Starts listening. A socket file left by a dead process is removed first; a live server
    // under the name is left alone and listen() returns false.
    bool listen();
    bool isListening() const;

    // Hands `absPaths` to the running instance. True once it has acknowledged them; false when
    // none runs, it refuses, or it does not answer within `timeoutMs`. Runs a local event loop
    // while it waits, so a server in the same process is served too.
    bool forwardToRunning(const QStringList &absPaths, int timeoutMs = 2000);

  signals:
    // A forwarded absolute path, in the order the other process gave them.
    void openRequested(const QString &path);

  private:
    void serve(QLocalSocket *socket);

    QString _name;
    QLocalServer *_server = nullptr;
};

#endif
