// The toolbar with its items and the refresh button, the start-up version check, the
// preferences dialog and the Donate command.
#include "appcontroller.h"

#include "basicopenglview.h"
#include "homepage.h"
#include "maintoolbar.h"
#include "preferences.h"
#include "preferencesdialog.h"
#include "refreshbutton.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

void AppController::buildToolbar() {
    _toolbar = new MainToolBar(_prefs, this);
    addToolBar(_toolbar);

    auto item = [this](const char *id, const QString &label, const char *icon) {
        auto *a = new QAction(QIcon(QString(":/") + icon), label, this);
        a->setToolTip(label);
        _toolbar->registerItem(id, a);
        return a;
    };
    connect(item("FullScreenToolBarItem", tr("Fullscreen"), "fullscreen.svg"), &QAction::triggered,
            oglView, &KXGLView::toggleFullScreen);
    QAction *animate = item("AnimateToolBarItem", tr("Animate"), "animate.svg");
    animate->setCheckable(true);
    connect(animate, &QAction::triggered, oglView, &BasicOpenGLView::animate);
    connect(oglView, &BasicOpenGLView::animatingChanged, animate, &QAction::setChecked);
    connect(item("CenterToolBarItem", tr("Center"), "center.svg"), &QAction::triggered, this,
            &AppController::center);
    connect(item("DonateToolBarItem", tr("Donate"), "donate.svg"), &QAction::triggered, this,
            &AppController::donate);

    // The refresh item is the button with the spinner; it is enabled with the Refresh action.
    _refreshButton = new RefreshButton;
    _refreshButton->setToolTip(tr("Refresh"));
    _refreshButton->setEnabled(_refreshAction->isEnabled());
    connect(_refreshButton, &QToolButton::clicked, this, &AppController::refresh);
    connect(_refreshAction, &QAction::enabledChanged, _refreshButton, &QWidget::setEnabled);
    _toolbar->registerWidget("RefreshToolBarItem", _refreshButton, tr("Refresh"));
    _printAction->setIcon(QIcon::fromTheme("document-print", QIcon(":/print.svg")));
    _toolbar->registerItem(MainToolBar::kPrint, _printAction);

    _viewMenu->addSeparator();
    QAction *show = _toolbar->toggleViewAction();
    show->setText(tr("Show &Toolbar"));
    _viewMenu->addAction(show);
    _viewMenu->addAction(tr("Customize &Toolbar..."), _toolbar, &MainToolBar::customize);

    _toolbar->restoreState();
    _toolbar->checkVersion(QCoreApplication::applicationVersion());
}

void AppController::preferencesOpen() {
    leaveFullScreen();
    if (!_prefsDialog) {
        _prefsDialog = new PreferencesDialog(_prefs, this);
        _prefsDialog->setWindowModality(Qt::WindowModal);
    }
    _prefsDialog->show();
    _prefsDialog->raise();
}

void AppController::donate() {
    leaveFullScreen();
    const QString address = sprigHomepage();
    auto *box = new QMessageBox(
        QMessageBox::Information, tr("Donations"),
        QStringLiteral("If you're offline then call back later at:\n <%1>.\n\nAlternatively, if "
                       "you hate this message and the donate button then just customize the "
                       "toolbar to remove it...")
            .arg(address),
        QMessageBox::Ok, this);
    box->setObjectName("donate");
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    // Without waiting for the message: the page opens in the user's browser.
    QDesktopServices::openUrl(QUrl(address));
}
