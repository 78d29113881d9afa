// Sprig's entry point: `sprig [FILE.ls]` opens the editor window on FILE, or on the built-in
// template without one.
#include "appcontroller.h"
#include "document.h"
#include "kxglview.h"
#include "preferences.h"
#include "signalwatcher.h"
#include "singleinstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QSessionManager>
#include <QSurfaceFormat>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// The bytes of the argument that Qt's parser read as `arg`: names that are not UTF-8 do not
// survive Qt's argument strings.
QByteArray rawArgument(int argc, char **argv, const QString &arg) {
    for (int i = 1; i < argc; ++i)
        if (QFile::decodeName(argv[i]) == arg) return argv[i];
    return QFile::encodeName(arg);
}

// `path` made absolute against the working folder, byte for byte.
QByteArray absolutePath(const QByteArray &path) {
    if (path.startsWith('/')) return path;
    char *cwd = getcwd(nullptr, 0);
    const QByteArray dir = cwd ? QByteArray(cwd) : QByteArray();
    free(cwd);
    return dir.isEmpty() ? path : dir + '/' + path;
}

// A message on the window that does not stop it (window-modal, like the save prompt).
void notice(QWidget *window, const QString &text) {
    auto *box = new QMessageBox(QMessageBox::Warning, "Sprig", text, QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication::setOrganizationName("Sprig");
    QCoreApplication::setApplicationName("Sprig");
    QCoreApplication::setApplicationVersion(SPRIG_VERSION);
    // The legacy GL format must be the default before the application object exists; every
    // GL surface shares one object space, so moving the view to the full-screen window never
    // strands the model's vertex buffers.
    Preferences prefs;
    if (!prefs.problem().isEmpty()) fprintf(stderr, "sprig: %s\n", qPrintable(prefs.problem()));
    QSurfaceFormat::setDefaultFormat(KXGLView::surfaceFormat(prefs.aa()));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    // Qt aborts when it finds no display; say so plainly instead. Help and version need no
    // window, so they are printed through the windowless platform.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        bool info = false;
        for (int i = 1; i < argc; ++i) {
            const QByteArray a(argv[i]);
            info |=
                a == "-h" || a == "--help" || a == "-v" || a == "--version" || a == "--help-all";
        }
        if (!info) {
            fprintf(stderr, "sprig: no display to open a window on (DISPLAY is not set)\n");
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    app.setWindowIcon(QIcon(":/sprig.png"));

    // From here a logout, `kill` or Ctrl+C asks about unsaved changes like Quit does; before
    // the window exists there is nothing to ask about.
    SignalWatcher watcher;
    AppController *shown = nullptr;
    int endedBy = 0;
    QObject::connect(&watcher, &SignalWatcher::terminationRequested, &app, [&](int sig) {
        if (shown)
            shown->document()->quit();
        else
            endedBy = sig;
    });

    QCommandLineParser parser;
    parser.setApplicationDescription("Editor and viewer of three-dimensional L-systems.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("file", "L-system description (.ls) to open.", "[FILE.ls]");
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        fprintf(stderr, "sprig: opening '%s' only; one file at a time\n", qPrintable(files[0]));
    const QByteArray file = files.isEmpty() ? QByteArray() : rawArgument(argc, argv, files[0]);

    // One Sprig per user and display: a file given while one runs is handed to it.
    SingleInstance instance;
    if (!instance.problem().isEmpty())
        fprintf(stderr, "sprig: not handing files to a running Sprig: %s\n",
                qPrintable(instance.problem()));
    if (!file.isEmpty() && instance.forwardToRunning(absolutePath(file))) return 0;
    if (endedBy) return 128 + endedBy;
    instance.listen();

    AppController window(&prefs);
    shown = &window;
    // Paths travel as the file system's bytes, whether Qt's strings could hold them or not.
    QObject::connect(&instance, &SingleInstance::openRequested, &window,
                     [&window](const QByteArray &path) {
                         window.raise();
                         window.activateWindow();
                         window.document()->openFileRequest(path);
                     });
    // A session manager asking before the session ends gets the save prompt, when it lets the
    // window ask; Cancel cancels the logout. A session saved without ending leaves Sprig
    // running.
    QObject::connect(
        &app, &QGuiApplication::commitDataRequest, &window,
        [&window](QSessionManager &manager) {
            if (!window.document()->commitData([&manager] { return manager.allowsInteraction(); }))
                manager.cancel();
        },
        Qt::DirectConnection);
    window.show();
    if (!prefs.problem().isEmpty()) notice(&window, prefs.problem());
    if (!file.isEmpty()) window.document()->openFileRequest(absolutePath(file));
    window.document()->applicationDidFinishLaunching();
    return app.exec();
}
