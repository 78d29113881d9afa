// The Customize Toolbar dialog: the items the toolbar allows on the left, the toolbar's
// arrangement on the right; add, remove, reorder, restore the default arrangement and choose
// icons only or icons with text. The toolbar applies and saves the result when the dialog is
// accepted.
#ifndef SPRIG_APP_TOOLBARCUSTOMIZER_H
#define SPRIG_APP_TOOLBARCUSTOMIZER_H

#include <QDialog>
#include <QStringList>

class MainToolBar;
class QCheckBox;
class QListWidget;

class ToolbarCustomizer : public QDialog {
    Q_OBJECT
  public:
    explicit ToolbarCustomizer(MainToolBar *toolbar, QWidget *parent = nullptr);

    QStringList arrangement() const { return _ids; }
    bool iconsOnly() const;

    // Adds `id` after the selected toolbar item (at the end when none is selected). An item
    // that may appear only once and is already there is not added again.
    void addItem(const QString &id);
    void removeAt(int row);
    // Moves the item at `row` by `delta` places, staying inside the list.
    void moveBy(int row, int delta);
    void restoreDefaults();

    QListWidget *toolbarList() const { return _current; }

  private:
    void showArrangement(int selectRow);

    MainToolBar *_toolbar;
    QStringList _ids;
    QListWidget *_available;
    QListWidget *_current;
    QCheckBox *_iconsOnly;
};

#endif
