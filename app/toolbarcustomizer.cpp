// Customize Toolbar dialog.
#include "toolbarcustomizer.h"

#include "maintoolbar.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Items without an image (spaces, separators) get a blank one so that the labels line up.
QIcon listIcon(const MainToolBar *toolbar, const QString &id) {
    const QIcon icon = toolbar->icon(id);
    if (!icon.isNull()) return icon;
    QPixmap blank(24, 24);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}
} // namespace

ToolbarCustomizer::ToolbarCustomizer(MainToolBar *toolbar, QWidget *parent)
    : QDialog(parent), _toolbar(toolbar), _ids(toolbar->arrangement()) {
    setWindowTitle(tr("Customize Toolbar"));
    setWindowModality(Qt::WindowModal);

    _available = new QListWidget;
    _current = new QListWidget;
    for (QListWidget *list : {_available, _current})
        list->setIconSize(QSize(24, 24));
    for (const QString &id : toolbar->allowedItems()) {
        auto *item = new QListWidgetItem(listIcon(toolbar, id), toolbar->label(id), _available);
        item->setData(Qt::UserRole, id);
    }
    _iconsOnly = new QCheckBox(tr("Icons only"));
    _iconsOnly->setChecked(toolbar->iconsOnly());

    auto *add = new QPushButton(tr("Add"));
    auto *remove = new QPushButton(tr("Remove"));
    auto *up = new QPushButton(tr("Move Up"));
    auto *down = new QPushButton(tr("Move Down"));
    auto *defaults = new QPushButton(tr("Restore Defaults"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    auto *moves = new QVBoxLayout;
    for (QPushButton *b : {add, remove, up, down})
        moves->addWidget(b);
    moves->addStretch();
    moves->addWidget(defaults);
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Available items:")), 0, 0);
    grid->addWidget(new QLabel(tr("Toolbar:")), 0, 2);
    grid->addWidget(_available, 1, 0);
    grid->addLayout(moves, 1, 1);
    grid->addWidget(_current, 1, 2);
    grid->addWidget(_iconsOnly, 2, 0);
    grid->addWidget(buttons, 2, 1, 1, 2);

    connect(add, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem *item = _available->currentItem())
            addItem(item->data(Qt::UserRole).toString());
    });
    connect(_available, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { addItem(item->data(Qt::UserRole).toString()); });
    connect(remove, &QPushButton::clicked, this, [this] { removeAt(_current->currentRow()); });
    connect(up, &QPushButton::clicked, this, [this] { moveBy(_current->currentRow(), -1); });
    connect(down, &QPushButton::clicked, this, [this] { moveBy(_current->currentRow(), 1); });
    connect(defaults, &QPushButton::clicked, this, &ToolbarCustomizer::restoreDefaults);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    showArrangement(-1);
}

bool ToolbarCustomizer::iconsOnly() const {
    return _iconsOnly->isChecked();
}

void ToolbarCustomizer::showArrangement(int selectRow) {
    _current->clear();
    for (const QString &id : _ids) {
        auto *item = new QListWidgetItem(listIcon(_toolbar, id), _toolbar->label(id), _current);
        item->setData(Qt::UserRole, id);
    }
    if (selectRow >= 0 && selectRow < _ids.size()) _current->setCurrentRow(selectRow);
}

void ToolbarCustomizer::addItem(const QString &id) {
    if (!_toolbar->allowedItems().contains(id)) return;
    if (!MainToolBar::isRepeatable(id) && _ids.contains(id)) return;
    const int row = _current->currentRow();
    const int at = row >= 0 ? row + 1 : _ids.size();
    _ids.insert(at, id);
    showArrangement(at);
}

void ToolbarCustomizer::removeAt(int row) {
    if (row < 0 || row >= _ids.size()) return;
    _ids.removeAt(row);
    showArrangement(std::min(row, int(_ids.size()) - 1));
}

void ToolbarCustomizer::moveBy(int row, int delta) {
    const int to = row + delta;
    if (row < 0 || row >= _ids.size() || to < 0 || to >= _ids.size()) return;
    _ids.move(row, to);
    showArrangement(to);
}

void ToolbarCustomizer::restoreDefaults() {
    _ids.clear();
    for (const QString &id : MainToolBar::defaultItems())
        if (_toolbar->allowedItems().contains(id)) _ids << id;
    showArrangement(-1);
}
