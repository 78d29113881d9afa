// Toolbar arrangement, persistence and the start-up version check.
#include "maintoolbar.h"

#include "preferences.h"
#include "toolbarcustomizer.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QVBoxLayout>
#include <QSettings>
#include <QWidgetAction>

namespace {
const char *const kGroup = "maintoolbar";
const int kSpaceWidth = 16;
} // namespace

MainToolBar::MainToolBar(Preferences *prefs, QWidget *parent)
    : QToolBar(tr("Toolbar"), parent), _prefs(prefs) {
    setObjectName(QStringLiteral("maintoolbar"));
    setMovable(false);
    setIconSize(QSize(24, 24));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

    _order << kFlexibleSpace << kSeparator << kSpace;
    auto *customizeAction = new QAction(tr("Customize"), this);
    customizeAction->setIcon(QIcon::fromTheme(QStringLiteral("configure-toolbars"),
                                              QIcon(QStringLiteral(":/customize.svg"))));
    connect(customizeAction, &QAction::triggered, this, &MainToolBar::customize);
    registerItem(kCustomize, customizeAction);
    _ownPrint = new QAction(
        QIcon::fromTheme(QStringLiteral("document-print"), QIcon(QStringLiteral(":/print.svg"))),
        tr("Print"), this);
    registerItem(kPrint, _ownPrint);

    // Hiding or showing the toolbar (its toggle action, or the window) is remembered, but
    // only once the saved state has been read: an earlier save would overwrite it.
    connect(this, &QToolBar::visibilityChanged, this, [this] {
        if (_restored && !_restoring) saveState();
    });
}

MainToolBar::~MainToolBar() {
    clear();
    qDeleteAll(_transient);
}

void MainToolBar::registerItem(const QString &id, QAction *action) {
    if (!action || isRepeatable(id)) return;
    if (!_order.contains(id)) _order << id;
    QAction *old = _actions.value(id);
    _actions.insert(id, action);
    if (old && old != action) {
        // Put the new action where the old one was shown.
        if (actions().contains(old)) {
            insertAction(old, action);
            removeAction(old);
        }
        if (qobject_cast<QWidgetAction *>(old) && old->parent() == this) old->deleteLater();
    }
}

void MainToolBar::registerWidget(const QString &id, QWidget *widget, const QString &label) {
    if (!widget) return;
    // The widget with its label under it; the label shows only while the toolbar shows text,
    // like the action items' labels.
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(widget, 1, Qt::AlignCenter);
    auto *caption = new QLabel(label);
    caption->setAlignment(Qt::AlignHCenter);
    caption->setVisible(!iconsOnly());
    layout->addWidget(caption);
    connect(this, &QToolBar::toolButtonStyleChanged, caption,
            [caption](Qt::ToolButtonStyle s) { caption->setVisible(s != Qt::ToolButtonIconOnly); });

    auto *action = new QWidgetAction(this);
    action->setDefaultWidget(box);
    action->setText(label);
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) action->setIcon(button->icon());
    action->setToolTip(label);
    _labels.insert(id, label);
    registerItem(id, action);
}

QStringList MainToolBar::defaultItems() {
    return {QStringLiteral("AnimateToolBarItem"),    QStringLiteral("CenterToolBarItem"),
            QStringLiteral("RefreshToolBarItem"),    kFlexibleSpace,
            QStringLiteral("FullScreenToolBarItem"), kPrint};
}

bool MainToolBar::isRepeatable(const QString &id) {
    return id == kFlexibleSpace || id == kSpace || id == kSeparator;
}

QString MainToolBar::label(const QString &id) const {
    if (id == kFlexibleSpace) return tr("Flexible Space");
    if (id == kSeparator) return tr("Separator");
    if (id == kSpace) return tr("Space");
    if (_labels.contains(id)) return _labels.value(id);
    if (QAction *a = _actions.value(id)) return a->iconText();
    return id;
}

QIcon MainToolBar::icon(const QString &id) const {
    QAction *a = _actions.value(id);
    return a ? a->icon() : QIcon();
}

QAction *MainToolBar::actionFor(const QString &id) {
    if (!isRepeatable(id)) return _actions.value(id);
    QAction *a = nullptr;
    if (id == kSeparator) {
        a = new QAction(this);
        a->setSeparator(true);
    } else {
        auto *spacer = new QWidget;
        if (id == kFlexibleSpace)
            spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        else
            spacer->setFixedWidth(kSpaceWidth);
        auto *wa = new QWidgetAction(this);
        wa->setDefaultWidget(spacer);
        a = wa;
    }
    _transient << a;
    return a;
}

void MainToolBar::setArrangement(const QStringList &ids) {
    clear();
    qDeleteAll(_transient);
    _transient.clear();
    _arrangement.clear();
    for (const QString &id : ids) {
        if (!_order.contains(id)) continue;
        if (!isRepeatable(id) && _arrangement.contains(id)) continue;
        if (QAction *a = actionFor(id)) {
            _arrangement << id;
            addAction(a);
        }
    }
}

void MainToolBar::setIconsOnly(bool on) {
    setToolButtonStyle(on ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextUnderIcon);
}

void MainToolBar::restoreState() {
    QSettings &s = _prefs->settings();
    s.beginGroup(kGroup);
    // The list is kept as one comma-separated string: an empty toolbar then stays empty
    // instead of reading back as "nothing saved".
    const QVariant items = s.value("items");
    const bool visible = s.value("visible", true).toBool();
    const bool iconsOnly = s.value("iconsOnly", false).toBool();
    s.endGroup();
    _restoring = true;
    setArrangement(items.isValid() ? items.toString().split(',', Qt::SkipEmptyParts)
                                   : defaultItems());
    setIconsOnly(iconsOnly);
    setVisible(visible);
    _restoring = false;
    _restored = true;
}

void MainToolBar::saveState() {
    QSettings &s = _prefs->settings();
    s.beginGroup(kGroup);
    s.setValue("items", _arrangement.join(','));
    s.setValue("visible", !isHidden());
    s.setValue("iconsOnly", iconsOnly());
    s.endGroup();
}

MainToolBar::Launch MainToolBar::compareVersion(const QVariant &stored, const QString &current) {
    if (!stored.isValid()) return Launch::FirstRun;
    return stored.toString() == current ? Launch::SameVersion : Launch::NewVersion;
}

QStringList MainToolBar::withItemFirst(QStringList ids, const QString &id) {
    ids.removeOne(id);
    ids.prepend(id);
    return ids;
}

MainToolBar::Launch MainToolBar::checkVersion(const QString &current) {
    const Launch launch = compareVersion(_prefs->value(Preferences::kVersion), current);
    if (launch == Launch::SameVersion) return launch;
    _restoring = true;
    setArrangement(withItemFirst(_arrangement, kDonate));
    setVisible(true);
    _prefs->setValue(Preferences::kVersion, current);
    if (launch == Launch::FirstRun) {
        // A session on scratch settings (the user's file was refused) is not a first run.
        if (_prefs->problem().isEmpty()) qInfo("First run - configuring preferences");
        _prefs->writeDefaults();
        setIconsOnly(true);
    }
    _restoring = false;
    saveState();
    return launch;
}

ToolbarCustomizer *MainToolBar::customize() {
    auto *dialog = new ToolbarCustomizer(this, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        setArrangement(dialog->arrangement());
        setIconsOnly(dialog->iconsOnly());
        saveState();
    });
    dialog->open();
    return dialog;
}
