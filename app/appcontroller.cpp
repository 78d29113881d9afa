// The editor window: layout, menus, and the connections between its parts.
#include "appcontroller.h"

#include "basicopenglview.h"
#include "codeeditor.h"
#include "document.h"
#include "editorlinks.h"
#include "engineworker.h"
#include "exportcommands.h"
#include "growthanimation.h"
#include "findbar.h"
#include "helpmenu.h"
#include "lsyshighlighter.h"
#include "maintoolbar.h"
#include "messagereport.h"
#include "preferences.h"
#include "preferenceswiring.h"
#include "refreshbutton.h"
#include "refreshcycle.h"
#include "windowmemory.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

// Settings key of the splitter's sizes (editor tabs, 3D view).
static const char *const kSplitterKey = "splitterSizes";

AppController::AppController(Preferences *prefs, QWidget *parent)
    : QMainWindow(parent), _prefs(prefs), _worker(EngineWorker::shared()) {
    // The resources (template, icons) live in this static library: register them.
    Q_INIT_RESOURCE(sprig);
    buildWindow();
    _cycle = new RefreshCycle(prefs, _worker.get(), this);
    _document = new Document(this, _editor, prefs, this);
    _report = new MessageReport(_tabs, _messages, _editor, _highlighter, this);
    _wiring = new PreferencesWiring(this, prefs, _view, _editor, this);
    _links = new EditorLinks(_editor, _highlighter, this);
    _exports = new ExportCommands(
        this, _editor, _view, prefs, _worker.get(), _document,
        [this] {
            return description_t{_document->bytes(), _growth};
        },
        [this] { return _shown.description; }, this);
    _animation = new GrowthAnimation(
        this, _view, prefs, _worker.get(), _document, [this] { return _shown.description; },
        [this] { return _growth; }, this);
    buildMenus();
    connectParts();
    _wiring->restoreFont();
    showCycle();
    restoreWindow(this, _prefs->settings());
}

AppController::~AppController() {
    // Bring the view home, so that it is destroyed with this window. Results still on their
    // way to its parts are dropped by the engine thread's guard; the last window stops it.
    _view->leaveFullScreen();
}

void AppController::buildWindow() {
    auto *editor = new CodeEditor;
    _editor = editor;
    _editor->setObjectName("editor");
    _editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    _editor->setUndoRedoEnabled(true);
    _editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    _highlighter = new LsysHighlighter(_editor->document());
    editor->setErrorSource([h = _highlighter] { return h->errorMarkStart(); });
    _findBar = new FindBar(_editor);

    _messages = new QTextBrowser;
    _messages->setObjectName("messages");
    _messages->setOpenLinks(false);
    _messages->setOpenExternalLinks(false);
    _messages->setLineWrapMode(QTextEdit::NoWrap);

    _tabs = new QTabWidget;
    _tabs->addTab(_findBar->editorPage(), tr("Description"));
    _tabs->addTab(_messages, tr("Messages"));

    _view = new BasicOpenGLView(_prefs);
    _refreshButton = new RefreshButton;

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
    sceneLayout->addWidget(_view, 1);
    sceneLayout->addLayout(growthRow);

    auto *splitter = new QSplitter(Qt::Horizontal);
    splitter->setObjectName("splitter");
    splitter->addWidget(_tabs);
    splitter->addWidget(sceneSide);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setChildrenCollapsible(false);
    QList<int> sizes;
    for (const QVariant &v : _prefs->settings().value(kSplitterKey).toList())
        if (v.toInt() > 0) sizes << v.toInt();
    if (sizes.size() == 2) splitter->setSizes(sizes);
    connect(splitter, &QSplitter::splitterMoved, this, [this, splitter] {
        QVariantList out;
        for (int s : splitter->sizes())
            out << s;
        _prefs->settings().setValue(kSplitterKey, out);
    });
    setCentralWidget(splitter);
    setAcceptDrops(true);
    statusBar();
}

void AppController::buildMenus() {
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&New"), QKeySequence::New, _document, &Document::fileNew);
    file->addAction(tr("&Open..."), QKeySequence::Open, _document, &Document::fileOpen);
    buildRecentMenu(file->addMenu(tr("Open &Recent")), _prefs->settings(),
                    [this](const QString &path) { _document->openRecent(path); });
    auto *help = new HelpMenu(this, _document, this);
    help->addExamplesMenu(file);
    file->addSeparator();
    file->addAction(tr("&Save"), QKeySequence::Save, _document, &Document::fileSave);
    file->addAction(tr("Save &As..."), QKeySequence(tr("Ctrl+Shift+S")), _document,
                    &Document::fileSaveAs);
    file->addSeparator();
    file->addAction(tr("Export &Model..."), _exports, &ExportCommands::exportModel);
    file->addAction(tr("Export &Image..."), _exports, &ExportCommands::exportImage);
    file->addAction(tr("Export &Growth Animation..."), _animation,
                    &GrowthAnimation::exportAnimation);
    file->addSeparator();
    QAction *print = file->addAction(tr("&Print..."), QKeySequence::Print, _exports,
                                     &ExportCommands::printDocument);
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, _document, &Document::quit);

    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(tr("&Undo"), QKeySequence::Undo, _editor, &QPlainTextEdit::undo);
    edit->addAction(tr("&Redo"), QKeySequence::Redo, _editor, &QPlainTextEdit::redo);
    edit->addSeparator();
    edit->addAction(tr("Cu&t"), QKeySequence::Cut, _editor, &QPlainTextEdit::cut);
    edit->addAction(tr("&Copy"), QKeySequence::Copy, _editor, &QPlainTextEdit::copy);
    edit->addAction(tr("&Paste"), QKeySequence::Paste, _editor, &QPlainTextEdit::paste);
    edit->addAction(tr("Select &All"), QKeySequence::SelectAll, _editor,
                    &QPlainTextEdit::selectAll);
    edit->addSeparator();
    _findBar->addCommands(edit);
    edit->addSeparator();
    edit->addAction(tr("&Preferences..."), QKeySequence(tr("Ctrl+,")), _wiring,
                    &PreferencesWiring::preferencesOpen);

    QMenu *viewMenu = menuBar()->addMenu(tr("&View"));
    _refreshAction = viewMenu->addAction(tr("&Refresh"), QKeySequence(tr("Ctrl+R")), this,
                                         &AppController::refresh);
    viewMenu->addAction(tr("&Center"), QKeySequence(tr("Ctrl+Shift+C")), this,
                        &AppController::center);
    QAction *full = viewMenu->addAction(tr("&Fullscreen"), _view, &KXGLView::toggleFullScreen);
    full->setShortcuts({QKeySequence(Qt::Key_F11), QKeySequence::FullScreen});
    QAction *animate = viewMenu->addAction(tr("&Animate"), QKeySequence(tr("Ctrl+Shift+A")), _view,
                                           &BasicOpenGLView::animate);
    animate->setCheckable(true);
    connect(_view, &BasicOpenGLView::animatingChanged, animate, &QAction::setChecked);
    // The axis views; their keys 1, 3 and 7 work while the 3D view has the focus, so digits
    // typed in the editor stay digits.
    viewMenu->addSeparator();
    const struct {
        const char *label;
        Qt::Key key;
        void (BasicOpenGLView::*slot)();
    } views[] = {{"&Front", Qt::Key_1, &BasicOpenGLView::viewFront},
                 {"&Side", Qt::Key_3, &BasicOpenGLView::viewSide},
                 {"&Top", Qt::Key_7, &BasicOpenGLView::viewTop}};
    for (const auto &v : views) {
        QAction *a = viewMenu->addAction(tr(v.label), _view, v.slot);
        a->setShortcut(QKeySequence(v.key));
        a->setShortcutContext(Qt::WidgetShortcut);
        _view->addAction(a);
    }
    viewMenu->addSeparator();
    _wiring->addViewActions(viewMenu);
    _toolbar = _wiring->buildToolbar(_refreshAction, print, _refreshButton, viewMenu);
    help->addHelpMenu(menuBar());
}

void AppController::connectParts() {
    _document->setBeforeSheet([this] { _view->leaveFullScreen(); });
    connect(_document, &Document::edited, this, &AppController::textEdited);
    connect(_document, &Document::loaded, this, &AppController::loaded);
    connect(_links, &EditorLinks::filesDropped, _document, &Document::dropUrls);
    connect(_cycle, &RefreshCycle::due, this, &AppController::refresh);
    connect(_cycle, &RefreshCycle::changed, this, &AppController::showCycle);
    connect(_cycle, &RefreshCycle::busyChanged, this, &AppController::showBusy);
    connect(_cycle, &RefreshCycle::refreshed, this, &AppController::showRefresh);
    connect(_wiring, &PreferencesWiring::center, this, &AppController::center);
    connect(_wiring, &PreferencesWiring::refreshNeeded, this, &AppController::refresh);
    connect(_wiring, &PreferencesWiring::delayChanged, _cycle, &RefreshCycle::delayChanged);
    connect(_view, &KXGLView::contextCreated, this, &AppController::contextCreated);
    connect(_view, &BasicOpenGLView::pointPicked, this, &AppController::pickPoint);
    connect(_view, &BasicOpenGLView::pickedNothing, this, [this] {
        _report->showPick({});
        statusBar()->showMessage(tr("Picked nothing here."), 5000);
    });
    connect(_view, &BasicOpenGLView::modelShown, this, [this](bool uploaded) {
        if (!uploaded)
            statusBar()->showMessage(tr("There is not enough graphics memory to show this "
                                        "model."),
                                     10000);
    });
}

// ---- The refresh cycle ----

// The editor's change handler after the document's part: the font is stored, the refresh
// re-planned, the text recoloured.
void AppController::textEdited() {
    _placeCaret = false;
    _wiring->storeFont();
    _cycle->textChanged();
    _highlighter->colourText(_document->latin1());
}

void AppController::loaded() {
    refresh();
    _centerPending = true;
    _placeCaret = true;
}

void AppController::refresh() {
    _busyMessage = _growth == 1.0f ? tr("Drawing %1\u2026").arg(_document->displayName())
                                   : tr("Drawing %1 at growth %2\u2026")
                                         .arg(_document->displayName())
                                         .arg(double(_growth), 0, 'f', 2);
    _cycle->refresh(description_t{_document->bytes(), _growth});
}

void AppController::showRefresh(const refresh_result_t &result) {
    // The engine's positions are offsets into the file's bytes; the editor counts a CRLF as
    // one character.
    engine_report_t report = result.report;
    for (report_msg_t &m : report.messages)
        if (m.code >= 0) m.code = DocumentText::editorPosition(result.description.text, m.code);
    if (!result.model) {
        // Without the memory to draw it, the picture on screen stays; the report says why.
        _report->errorReport(report, false);
        return;
    }
    const bool frame = frameNewModel(&_view->scene(), _shown.model.get(), result.model.get());
    _shown = result;
    _view->showModel(_shown.arrays, _shown.floor);
    _shown.arrays.reset(); // the view holds them until they are uploaded
    _report->errorReport(report, _placeCaret);
    _placeCaret = false;
    if (_shown.ceiled)
        statusBar()->showMessage(tr("This description was drawn within the window's limits of "
                                    "%1 polygons and %2 tokens.")
                                     .arg(LSYS_CEIL_POLYGONS)
                                     .arg(LSYS_CEIL_TOKENS),
                                 10000);
    // Centring needs the view's size, known once it has its context.
    if ((_centerPending || frame) && _view->hasContext()) {
        _centerPending = false;
        center();
    }
    const QString edgeOn = _view->edgeOnNote(_shown.model.get());
    if (!edgeOn.isEmpty()) statusBar()->showMessage(edgeOn, 15000);
}

void AppController::showCycle() {
    _refreshAction->setEnabled(_cycle->state() != RefreshCycle::State::Clean);
    _refreshButton->setImageShown(_cycle->imageShown());
    if (_cycle->spinnerOn())
        _refreshButton->startAnimation();
    else
        _refreshButton->stopAnimation();
}

void AppController::showBusy(bool busy) {
    if (busy)
        statusBar()->showMessage(_busyMessage);
    else if (statusBar()->currentMessage() == _busyMessage)
        statusBar()->clearMessage();
}

void AppController::contextCreated() {
    // A context that does not share the old one's buffers needs the model again.
    if (_view->modelLost()) refresh();
    if (_centerPending && _shown.model) {
        _centerPending = false;
        center();
    }
}

void AppController::grow(float growth) {
    _growth = growth;
    if (_growthSlider->value() != qRound(growth * 100.0f)) {
        const QSignalBlocker block(_growthSlider);
        _growthSlider->setValue(qRound(growth * 100.0f));
        _growthLabel->setText(QString::number(double(growth), 'f', 2));
    }
    refresh();
}

void AppController::center() {
    _view->centerOnModel(_shown.model.get());
}

// A Shift+click on the model: the pick replays the drawing on screen on the engine thread; the
// derivation of the element there goes to the message list, one line per level, and the
// editor selects the command that drew it while the text is still the one drawn.
void AppController::pickPoint(double x, double y, double z) {
    const description_t d = _shown.description;
    if (d.text.isNull()) return;
    const float p[3] = {float(x), float(y), float(z)};
    std::shared_ptr<lsys_cancel_t> cancel = _worker->newCancel();
    _worker->run<pick_result_lines_t>(
        this, [d, p, cancel] { return pickJob(d, p, cancel.get()); },
        [this, d](pick_result_lines_t r) {
            _report->showPick(r.lines);
            statusBar()->showMessage(r.lines.isEmpty() ? tr("Picked nothing here.")
                                                       : tr("The derivation is in the Messages "
                                                            "tab."),
                                     5000);
            if (r.offset < 0 || _document->bytes() != d.text) return;
            const int from = DocumentText::editorPosition(d.text, r.offset);
            const int to = DocumentText::editorPosition(d.text, r.offset + qMax(1, int(r.length)));
            QTextCursor c(_editor->document());
            c.setPosition(from);
            c.setPosition(to, QTextCursor::KeepAnchor);
            _editor->setTextCursor(c);
            _editor->ensureCursorVisible();
            _tabs->setCurrentIndex(0);
        });
}

// ---- Window events ----

void AppController::closeEvent(QCloseEvent *event) {
    event->setAccepted(_document->closeRequested());
    if (event->isAccepted()) saveWindow(this, _prefs->settings());
}

void AppController::showEvent(QShowEvent *event) {
    _document->windowShown();
    QMainWindow::showEvent(event);
}

void AppController::dragEnterEvent(QDragEnterEvent *event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void AppController::dropEvent(QDropEvent *event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
    _document->dropUrls(event->mimeData()->urls());
}
