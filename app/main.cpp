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
#include <QFileInfo>
#include <QIcon>
#include <QSessionManager>
#include <QSurfaceFormat>

#include <stdio.h>

int main(int argc, char **argv) {
    QCoreApplication::setOrganizationName("Sprig");
    QCoreApplication::setApplicationName("Sprig");
    QCoreApplication::setApplicationVersion(SPRIG_VERSION);
    // The legacy GL format must be the default before the application object exists; every
    // GL surface shares one object space, so moving the view to the full-screen window never
    // strands the model's vertex buffers.
    Preferences prefs;
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

    QCommandLineParser parser;
    parser.setApplicationDescription("Editor and viewer of three-dimensional L-systems.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("file", "L-system description (.ls) to open.", "[FILE.ls]");
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        fprintf(stderr, "sprig: opening '%s' only; one file at a time\n", qPrintable(files[0]));

    // One Sprig per user: a file given while one runs is handed to it.
    SingleInstance instance;
    QStringList absolute;
    for (const QString &f : files.mid(0, 1))
        absolute << QFileInfo(f).absoluteFilePath();
    if (!absolute.isEmpty() && instance.forwardToRunning(absolute)) return 0;
    instance.listen();

    AppController window(&prefs);
    QObject::connect(&instance, &SingleInstance::openRequested, &window,
                     [&window](const QString &p) {
                         window.raise();
                         window.activateWindow();
                         window.document()->openFileRequest(p);
                     });
    // A logout or `kill` asks about unsaved changes like Quit does.
    SignalWatcher watcher;
    QObject::connect(&watcher, &SignalWatcher::terminationRequested, window.document(),
                     &Document::quit);
    // A session manager asking to end the session gets the same question.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.document()->quit(); });
    window.resize(1200, 760);
    window.show();
    if (!files.isEmpty()) window.document()->openFileRequest(files[0]);
    window.document()->applicationDidFinishLaunching();
    return app.exec();
}
