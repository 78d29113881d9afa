// The editor window's construction: layout, menus, the editor's configuration and its links,
// the growth control, the font, and the reactions to preference changes.
#include "appcontroller.h"

#include "basicopenglview.h"
#include "files.h"
#include "lsyshighlighter.h"
#include "preferences.h"

#include <QAction>
#include <QFontDatabase>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

// Settings key of the splitter's sizes (editor tabs, 3D view).
static const char *const kSplitterKey = "splitterSizes";

AppController::AppController(Preferences *prefs, QWidget *parent)
    : QMainWindow(parent), _prefs(prefs) {
    // The resources (template, icons) live in this static library: register them.
    Q_INIT_RESOURCE(sprig);
    _refreshTimer.setSingleShot(true);
    connect(&_refreshTimer, &QTimer::timeout, this, &AppController::refresh);
    buildWindow();
    buildMenus();
    buildToolbar(); // after the menus, whose Refresh and Print actions it shares
    connect(prefs, &Preferences::changed, this, &AppController::preferenceChanged);
    restoreFont();
}

AppController::~AppController() {
    // Bring the view home first, so that it is destroyed with this window.
    if (oglView->isFullScreen()) oglView->toggleFullScreen();
    lsysFree(_gen);
}

void AppController::buildWindow() {
    textView = new QPlainTextEdit;
    textView->setObjectName("editor");
    textView->setLineWrapMode(QPlainTextEdit::NoWrap);
    textView->setUndoRedoEnabled(true);
    textView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    textView->viewport()->installEventFilter(this);
    textView->viewport()->setMouseTracking(true);
    _highlighter = new LsysHighlighter(textView->document());
    connect(textView, &QPlainTextEdit::textChanged, this, &AppController::textDidChange);

    logView = new QTextBrowser;
    logView->setObjectName("messages");
    logView->setOpenLinks(false);
    logView->setOpenExternalLinks(false);
    logView->setLineWrapMode(QTextEdit::NoWrap);
    connect(logView, &QTextBrowser::anchorClicked, this, &AppController::messageLinkClicked);

    tabView = new QTabWidget;
    tabView->addTab(textView, tr("Description"));
    tabView->addTab(logView, tr("Messages"));

    oglView = new BasicOpenGLView(_prefs);
    connect(oglView, &KXGLView::contextCreated, this, &AppController::contextCreated);
    connect(oglView, &BasicOpenGLView::pointPicked, this, &AppController::pickPoint);
    connect(oglView, &BasicOpenGLView::pickedNothing, this, [this] { showPick({}); });

    // The growth control: 0 to 2 in steps of 0.01, multiplying the recursion depth.
    _growthSlider = new QSlider(Qt::Horizontal);
    _growthSlider->setObjectName("growth");
    _growthSlider->setRange(0, 200);
    _growthSlider->setValue(100);
    _growthSlider->setToolTip(tr("Growth: multiplies the recursion depth"));
    _growthLabel = new QLabel("1.00");
    _growthLabel->setMinimumWidth(_growthLabel->fontMetrics().horizontalAdvance("0.000"));
    connect(_growthSlider, &QSlider::valueChanged, this, [this](int v) {
        _growthLabel->setText(QString::number(v / 100.0, 'f', 2));
        grow(float(v) / 100.0f);
    });
    auto *growthRow = new QHBoxLayout;
    growthRow->setContentsMargins(6, 2, 6, 2);
    growthRow->addWidget(new QLabel(tr("Growth")));
    growthRow->addWidget(_growthSlider, 1);
    growthRow->addWidget(_growthLabel);

    auto *sceneSide = new QWidget;
    auto *sceneLayout = new QVBoxLayout(sceneSide);
    sceneLayout->setContentsMargins(0, 0, 0, 0);
    sceneLayout->setSpacing(0);
    sceneLayout->addWidget(oglView, 1);
    sceneLayout->addLayout(growthRow);

    _splitter = new QSplitter(Qt::Horizontal);
    _splitter->setObjectName("splitter");
    _splitter->addWidget(tabView);
    _splitter->addWidget(sceneSide);
    _splitter->setStretchFactor(0, 2);
    _splitter->setStretchFactor(1, 3);
    _splitter->setChildrenCollapsible(false);
    const QList<int> sizes = [this] {
        QList<int> out;
        for (const QVariant &v : _prefs->settings().value(kSplitterKey).toList())
            if (v.toInt() > 0) out << v.toInt();
        return out;
    }();
    if (sizes.size() == 2) _splitter->setSizes(sizes);
    connect(_splitter, &QSplitter::splitterMoved, this, [this] {
        QVariantList out;
        for (int s : _splitter->sizes())
            out << s;
        _prefs->settings().setValue(kSplitterKey, out);
    });
    setCentralWidget(_splitter);
    setAcceptDrops(true);
    statusBar();
    setDocumentTitle(QString());
}

void AppController::buildMenus() {
    _fileMenu = menuBar()->addMenu(tr("&File"));
    _fileMenu->addAction(tr("&New"), QKeySequence::New, this, &AppController::fileNew);
    _fileMenu->addAction(tr("&Open..."), QKeySequence::Open, this, &AppController::fileOpen);
    QMenu *recent = _fileMenu->addMenu(tr("Open &Recent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] {
        recent->clear();
        for (const QString &path : recentFiles(_prefs->settings()))
            recent->addAction(QFileInfo(path).fileName(), this, [this, path] { openRecent(path); })
                ->setToolTip(path);
        if (recent->isEmpty()) recent->addAction(tr("No Recent Files"))->setEnabled(false);
    });
    _fileMenu->addSeparator();
    _fileMenu->addAction(tr("&Save"), QKeySequence::Save, this, &AppController::fileSave);
    _fileMenu->addAction(tr("Save &As..."), QKeySequence(tr("Ctrl+Shift+S")), this,
                         &AppController::fileSaveAs);
    _fileMenu->addSeparator();
    _fileMenu->addAction(tr("Export &Model..."), this, &AppController::exportModel);
    _fileMenu->addAction(tr("Export &Image..."), this, &AppController::exportImage);
    _fileMenu->addSeparator();
    _printAction = _fileMenu->addAction(tr("&Print..."), QKeySequence::Print, this,
                                        &AppController::printDocument);
    _fileMenu->addSeparator();
    _fileMenu->addAction(tr("&Quit"), QKeySequence::Quit, this, &AppController::quit);

    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(tr("&Undo"), QKeySequence::Undo, textView, &QPlainTextEdit::undo);
    edit->addAction(tr("&Redo"), QKeySequence::Redo, textView, &QPlainTextEdit::redo);
    edit->addSeparator();
    edit->addAction(tr("Cu&t"), QKeySequence::Cut, textView, &QPlainTextEdit::cut);
    edit->addAction(tr("&Copy"), QKeySequence::Copy, textView, &QPlainTextEdit::copy);
    edit->addAction(tr("&Paste"), QKeySequence::Paste, textView, &QPlainTextEdit::paste);
    edit->addAction(tr("Select &All"), QKeySequence::SelectAll, textView,
                    &QPlainTextEdit::selectAll);
    edit->addSeparator();
    edit->addAction(tr("&Preferences..."), QKeySequence(tr("Ctrl+,")), this,
                    &AppController::preferencesOpen);

    _viewMenu = menuBar()->addMenu(tr("&View"));
    _refreshAction = _viewMenu->addAction(tr("&Refresh"), QKeySequence(tr("Ctrl+R")), this,
                                          &AppController::refresh);
    _refreshAction->setEnabled(false);
    _viewMenu->addAction(tr("&Center"), QKeySequence(tr("Ctrl+Shift+C")), this,
                         &AppController::center);
    QAction *full = _viewMenu->addAction(tr("&Fullscreen"), oglView, &KXGLView::toggleFullScreen);
    full->setShortcuts({QKeySequence(Qt::Key_F11), QKeySequence::FullScreen});
    _animateAction = _viewMenu->addAction(tr("&Animate"), QKeySequence(tr("Ctrl+Shift+A")), oglView,
                                          &BasicOpenGLView::animate);
    _animateAction->setCheckable(true);
    connect(oglView, &BasicOpenGLView::animatingChanged, _animateAction, &QAction::setChecked);
    // The axis views; their keys 1, 3 and 7 work while the 3D view has the focus, so digits
    // typed in the editor stay digits.
    _viewMenu->addSeparator();
    const struct {
        const char *label;
        Qt::Key key;
        void (BasicOpenGLView::*slot)();
    } views[] = {{"&Front", Qt::Key_1, &BasicOpenGLView::viewFront},
                 {"&Side", Qt::Key_3, &BasicOpenGLView::viewSide},
                 {"&Top", Qt::Key_7, &BasicOpenGLView::viewTop}};
    for (const auto &v : views) {
        QAction *a = _viewMenu->addAction(tr(v.label), oglView, v.slot);
        a->setShortcut(QKeySequence(v.key));
        a->setShortcutContext(Qt::WidgetShortcut);
        oglView->addAction(a);
    }
    _viewMenu->addSeparator();
    _aaAction = _viewMenu->addAction(tr("Anti-&aliasing"));
    _aaAction->setCheckable(true);
    _aaAction->setChecked(_prefs->aa());
    connect(_aaAction, &QAction::toggled, _prefs, &Preferences::setAA);
    _axisAction = _viewMenu->addAction(tr("F&loor and Axes"));
    _axisAction->setCheckable(true);
    _axisAction->setChecked(_prefs->axis());
    connect(_axisAction, &QAction::toggled, _prefs, &Preferences::setAxis);
    _backgroundAction = _viewMenu->addAction(tr("&Plain Background"));
    _backgroundAction->setCheckable(true);
    _backgroundAction->setChecked(_prefs->background());
    connect(_backgroundAction, &QAction::toggled, _prefs, &Preferences::setBackground);
    _viewMenu->addSeparator();
    _viewMenu->addAction(tr("&Font..."), this, &AppController::chooseFont);
}

void AppController::setDocumentTitle(const QString &path) {
    setWindowFilePath(path);
    setWindowTitle((path.isEmpty() ? QStringLiteral("untitled.ls") : QFileInfo(path).fileName()) +
                   QStringLiteral("[*] \u2014 Sprig"));
}

// ---- Font ----

void AppController::restoreFont() {
    QFont f;
    const QString stored = _prefs->value(Preferences::kFont).toString();
    if (!stored.isEmpty() && f.fromString(stored)) textView->setFont(f);
}

void AppController::chooseFont() {
    if (oglView->isFullScreen()) oglView->toggleFullScreen();
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, textView->font(), this, tr("Editor Font"));
    if (!ok) return;
    textView->setFont(f);
    _prefs->setValue(Preferences::kFont, f.toString());
}

// ---- Preferences ----

void AppController::contextCreated() {
    // A context that does not share the old one's buffers needs the model again.
    if (oglView->modelLost()) refresh();
}

void AppController::preferenceChanged(const QString &key) {
    if (key == Preferences::kAA) {
        const bool aa = _prefs->aa();
        _aaAction->setChecked(aa);
        if (aa != oglView->aa()) {
            oglView->dropModel();
            oglView->setAA(aa);
            oglView->updateProjection();
            refresh();
        }
    } else if (key == Preferences::kDelay) {
        replanRefresh();
    } else if (key == Preferences::kAxis) {
        _axisAction->setChecked(_prefs->axis());
    } else if (key == Preferences::kBackground) {
        _backgroundAction->setChecked(_prefs->background());
    }
    oglView->requestRedraw();
}

// ---- Links ----

bool AppController::eventFilter(QObject *watched, QEvent *event) {
    if (watched == textView->viewport()) {
        // Files dropped on the editor open like files dropped on the window; text drags stay
        // the editor's own.
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
            event->type() == QEvent::Drop) {
            auto *de = static_cast<QDropEvent *>(event);
            if (de->mimeData()->hasUrls()) {
                if (event->type() == QEvent::Drop)
                    dropEvent(de);
                else
                    static_cast<QDragMoveEvent *>(event)->acceptProposedAction();
                return true;
            }
        }
        if (event->type() == QEvent::MouseMove) {
            const auto *me = static_cast<QMouseEvent *>(event);
            if (me->buttons() == Qt::NoButton)
                textView->viewport()->setCursor(linkAt(me->position().toPoint()) >= 0
                                                    ? Qt::PointingHandCursor
                                                    : Qt::IBeamCursor);
        } else if (event->type() == QEvent::MouseButtonPress) {
            const auto *me = static_cast<QMouseEvent *>(event);
            if (me->button() == Qt::LeftButton && me->modifiers() == Qt::NoModifier &&
                editorClicked(me->position().toPoint()))
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// The character under a point of the editor's viewport that is a link, as its definition
// offset; -1 when the point is on no link. cursorForPosition gives the nearer gap between two
// characters, so the character is the one on either side whose box holds the point.
int AppController::linkAt(const QPoint &p) const {
    const int gap = textView->cursorForPosition(p).position();
    const int length = textView->document()->characterCount() - 1;
    for (int pos : {gap - 1, gap}) {
        if (pos < 0 || pos >= length) continue;
        QTextCursor a(textView->document()), b(textView->document());
        a.setPosition(pos);
        b.setPosition(pos + 1);
        if (a.block() != b.block()) continue;
        const QRect ra = textView->cursorRect(a), rb = textView->cursorRect(b);
        if (p.x() >= ra.left() && p.x() < rb.left() && p.y() >= ra.top() && p.y() <= ra.bottom())
            return _highlighter->linkTarget(pos);
    }
    return -1;
}

// A click on a link selects the defining character.
bool AppController::editorClicked(const QPoint &p) {
    const int target = linkAt(p);
    if (target < 0) return false;
    QTextCursor c(textView->document());
    c.setPosition(target);
    c.setPosition(target + 1, QTextCursor::KeepAnchor);
    textView->setTextCursor(c);
    textView->ensureCursorVisible();
    return true;
}

// A message's "code" link: to the editor, and to the start of the message's line.
void AppController::messageLinkClicked(const QUrl &link) {
    tabView->setCurrentIndex(0);
    bool ok = false;
    const int pos = link.toString().toInt(&ok);
    if (!ok || pos < 0) return;
    QTextCursor c(textView->document());
    c.setPosition(qMin(pos, textView->document()->characterCount() - 1));
    textView->setTextCursor(c);
    textView->ensureCursorVisible();
}

// A window-modal message that a file could not be read or written, with the reason under it.
QMessageBox *AppController::showFileError(const char *name, const QString &text,
                                          const QString &why) {
    auto *box = new QMessageBox(QMessageBox::Warning, tr("Sprig"), text, QMessageBox::Ok, this);
    box->setObjectName(name);
    box->setInformativeText(why);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

void AppController::rememberFile(const QString &path) {
    noteRecentFile(_prefs->settings(), path);
}
