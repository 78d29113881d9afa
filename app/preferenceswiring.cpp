// The toolbar, the display switches, the font, the Preferences dialog and Donate.
#include "preferenceswiring.h"

#include "basicopenglview.h"
#include "homepage.h"
#include "maintoolbar.h"
#include "preferences.h"
#include "preferencesdialog.h"
#include "refreshbutton.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFontDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QUrl>

PreferencesWiring::PreferencesWiring(QMainWindow *window, Preferences *prefs, BasicOpenGLView *view,
                                     QPlainTextEdit *editor, QObject *parent)
    : QObject(parent), _window(window), _prefs(prefs), _view(view), _editor(editor) {
    connect(prefs, &Preferences::changed, this, &PreferencesWiring::preferenceChanged);
}

void PreferencesWiring::addViewActions(QMenu *view) {
    auto toggle = [&](const QString &label, bool on, void (Preferences::*set)(bool)) {
        QAction *a = view->addAction(label);
        a->setCheckable(true);
        a->setChecked(on);
        connect(a, &QAction::toggled, _prefs, set);
        return a;
    };
    _aa = toggle(tr("Anti-&aliasing"), _prefs->aa(), &Preferences::setAA);
    _axis = toggle(tr("F&loor and Axes"), _prefs->axis(), &Preferences::setAxis);
    _background =
        toggle(tr("&Plain Background"), _prefs->background(), &Preferences::setBackground);
    view->addSeparator();
    view->addAction(tr("&Font..."), this, &PreferencesWiring::chooseFont);
}

MainToolBar *PreferencesWiring::buildToolbar(QAction *refresh, QAction *print,
                                             RefreshButton *button, QMenu *view) {
    auto *toolbar = new MainToolBar(_prefs, _window);
    _window->addToolBar(toolbar);
    auto item = [&](const char *id, const QString &label, const char *icon) {
        auto *a = new QAction(QIcon(QString(":/") + icon), label, _window);
        a->setToolTip(label);
        toolbar->registerItem(id, a);
        return a;
    };
    connect(item("FullScreenToolBarItem", tr("Fullscreen"), "fullscreen.svg"), &QAction::triggered,
            _view, &KXGLView::toggleFullScreen);
    QAction *animate = item("AnimateToolBarItem", tr("Animate"), "animate.svg");
    animate->setCheckable(true);
    connect(animate, &QAction::triggered, _view, &BasicOpenGLView::animate);
    connect(_view, &BasicOpenGLView::animatingChanged, animate, &QAction::setChecked);
    connect(item("CenterToolBarItem", tr("Center"), "center.svg"), &QAction::triggered, this,
            &PreferencesWiring::center);
    connect(item("DonateToolBarItem", tr("Donate"), "donate.svg"), &QAction::triggered, this,
            &PreferencesWiring::donate);

    // The refresh item is the button with the spinner; it is enabled with the Refresh action.
    button->setToolTip(tr("Refresh"));
    button->setEnabled(refresh->isEnabled());
    connect(button, &QToolButton::clicked, refresh, &QAction::trigger);
    connect(refresh, &QAction::enabledChanged, button, &QWidget::setEnabled);
    toolbar->registerWidget("RefreshToolBarItem", button, tr("Refresh"));
    print->setIcon(QIcon::fromTheme("document-print", QIcon(":/print.svg")));
    toolbar->registerItem(MainToolBar::kPrint, print);

    view->addSeparator();
    QAction *show = toolbar->toggleViewAction();
    show->setText(tr("Show &Toolbar"));
    view->addAction(show);
    view->addAction(tr("Customize &Toolbar..."), toolbar, &MainToolBar::customize);

    toolbar->restoreState();
    toolbar->checkVersion(QCoreApplication::applicationVersion());
    return toolbar;
}

void PreferencesWiring::storeFont() {
    _prefs->setValue(Preferences::kFont, _editor->font().toString());
}

void PreferencesWiring::restoreFont() {
    QFont f;
    const QString stored = _prefs->value(Preferences::kFont).toString();
    if (!stored.isEmpty() && f.fromString(stored)) _editor->setFont(f);
}

void PreferencesWiring::chooseFont() {
    _view->leaveFullScreen();
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, _editor->font(), _window, tr("Editor Font"));
    if (!ok) return;
    _editor->setFont(f);
    storeFont();
}

void PreferencesWiring::preferenceChanged(const QString &key) {
    if (key == Preferences::kAA) {
        const bool aa = _prefs->aa();
        if (_aa) _aa->setChecked(aa);
        if (aa != _view->aa()) {
            // The buffers belong to the context that is about to go; the new context gets
            // the model drawn again.
            _view->dropModel();
            _view->setAA(aa);
            _view->updateProjection();
            Q_EMIT refreshNeeded();
        }
    } else if (key == Preferences::kDelay) {
        Q_EMIT delayChanged();
    } else if (key == Preferences::kAxis) {
        if (_axis) _axis->setChecked(_prefs->axis());
    } else if (key == Preferences::kBackground) {
        if (_background) _background->setChecked(_prefs->background());
    }
    _view->requestRedraw();
}

void PreferencesWiring::preferencesOpen() {
    _view->leaveFullScreen();
    if (!_dialog) {
        _dialog = new PreferencesDialog(_prefs, _window);
        _dialog->setWindowModality(Qt::WindowModal);
    }
    _dialog->show();
    _dialog->raise();
}

void PreferencesWiring::donate() {
    _view->leaveFullScreen();
    const QString address = sprigHomepage();
    auto *box = new QMessageBox(
        QMessageBox::Information, tr("Donations"),
        QStringLiteral("If you're offline then call back later at:\n <%1>.\n\nAlternatively, if "
                       "you hate this message and the donate button then just customize the "
                       "toolbar to remove it...")
            .arg(address),
        QMessageBox::Ok, _window);
    box->setObjectName("donate");
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    // Without waiting for the message: the page opens in the user's browser.
    QDesktopServices::openUrl(QUrl(address));
}
