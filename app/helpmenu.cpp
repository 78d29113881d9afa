// The Help menu, the About message and the examples menu.
#include "helpmenu.h"

#include "document.h"
#include "helpwindow.h"
#include "homepage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include <algorithm>

QString findDataPath(const QString &name, const QStringList &roots) {
    for (const QString &root : roots) {
        const QString path = QDir::cleanPath(root + QLatin1Char('/') + name);
        if (!root.isEmpty() && QFileInfo::exists(path)) return path;
    }
    return QString();
}

QStringList sprigDataRoots() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/../" SPRIG_DATA_RELATIVE),
            QStringLiteral(SPRIG_SOURCE_DIR)};
}

// The first line of an example's leading comment, to say what it shows.
static QString firstComment(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    const QString line = QString::fromLatin1(f.readLine(200)).trimmed();
    return line.startsWith(QLatin1Char('#')) ? line.mid(1).trimmed() : QString();
}

HelpMenu::HelpMenu(QMainWindow *window, Document *document, QObject *parent)
    : QObject(parent), _window(window), _document(document) {}

void HelpMenu::addHelpMenu(QMenuBar *bar) {
    QMenu *help = bar->addMenu(tr("&Help"));
    help->addAction(tr("Sprig &Language"), QKeySequence::HelpContents, this,
                    [this] { showGuide(QStringLiteral("language.md"), tr("Sprig Language")); });
    help->addAction(tr("&Mouse and Keys"), this,
                    [this] { showGuide(QStringLiteral("viewer.md"), tr("Mouse and Keys")); });
    help->addSeparator();
    help->addAction(tr("&About Sprig"), this, &HelpMenu::about);
}

void HelpMenu::addExamplesMenu(QMenu *file) {
    QMenu *menu = file->addMenu(tr("Open E&xample"));
    menu->setObjectName("examplesMenu");
    menu->setToolTipsVisible(true);
    const QString dir = findDataPath(QStringLiteral("examples"), sprigDataRoots());
    QFileInfoList examples = dir.isEmpty()
                                 ? QFileInfoList()
                                 : QDir(dir).entryInfoList({QStringLiteral("*.ls")}, QDir::Files);
    // By the name shown: "tree" before "tree-sympodial".
    std::sort(examples.begin(), examples.end(), [](const QFileInfo &a, const QFileInfo &b) {
        return a.completeBaseName() < b.completeBaseName();
    });
    for (const QFileInfo &example : examples) {
        const QString path = example.absoluteFilePath();
        QAction *a = menu->addAction(example.completeBaseName(), _document,
                                     [this, path] { _document->openCopy(path); });
        a->setToolTip(firstComment(path));
    }
    if (menu->isEmpty()) menu->addAction(tr("No examples installed"))->setEnabled(false);
}

void HelpMenu::showGuide(const QString &file, const QString &title) {
    const QStringList roots = sprigDataRoots();
    const QString path = findDataPath(QStringLiteral("docs/") + file, roots);
    if (path.isEmpty()) {
        auto *box = new QMessageBox(QMessageBox::Warning, tr("Sprig"),
                                    tr("The guide \"%1\" is not installed.").arg(title),
                                    QMessageBox::Ok, _window);
        box->setObjectName("guideMissing");
        QStringList places;
        for (const QString &root : roots)
            places << QDir::cleanPath(root);
        box->setInformativeText(tr("Sprig looked for %1 in:\n%2")
                                    .arg(QStringLiteral("docs/") + file, places.join('\n')));
        box->setWindowModality(Qt::WindowModal);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    if (!_help) _help = new HelpWindow(_window);
    _help->showGuide(path, title);
}

void HelpMenu::about() {
    const QString home = sprigHomepage();
    auto *box = new QMessageBox(QMessageBox::Information, tr("About Sprig"),
                                tr("<b>Sprig %1</b>").arg(QCoreApplication::applicationVersion()),
                                QMessageBox::Ok, _window);
    box->setObjectName("about");
    box->setIconPixmap(QPixmap(QStringLiteral(":/sprig.png"))
                           .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    const QString licence = QStringLiteral(SPRIG_LICENSE);
    box->setInformativeText(
        tr("<p>Editor and viewer of three-dimensional L-systems.</p>"
           "<p>Licence: %1</p><p>Home page: <a href=\"%2\">%3</a></p><p>Built with Qt %4.</p>")
            .arg(licence.isEmpty() ? tr("none has been chosen for this program yet")
                                   : licence.toHtmlEscaped(),
                 home.toHtmlEscaped(), home.toHtmlEscaped(), QString::fromLatin1(qVersion())));
    box->setTextFormat(Qt::RichText);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
