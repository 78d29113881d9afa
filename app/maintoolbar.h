// The window's toolbar "maintoolbar", built from an ordered list of item identifiers. The
// window registers each of its items once under an identifier; the standard items (flexible
// space, separator, space, customize, print) exist from the start. The arrangement, the
// visibility and the display mode are kept in the settings group "maintoolbar" and can be
// changed by the user through the Customize Toolbar dialog.
#ifndef SPRIG_APP_MAINTOOLBAR_H
#define SPRIG_APP_MAINTOOLBAR_H

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QToolBar>

class Preferences;
class QAction;
class ToolbarCustomizer;

class MainToolBar : public QToolBar {
    Q_OBJECT
  public:
    static constexpr char kFlexibleSpace[] = "FlexibleSpaceToolBarItem";
    static constexpr char kSeparator[] = "SeparatorToolBarItem";
    static constexpr char kSpace[] = "SpaceToolBarItem";
    static constexpr char kCustomize[] = "CustomizeToolBarItem";
    static constexpr char kPrint[] = "PrintToolBarItem";
    static constexpr char kDonate[] = "DonateToolBarItem";

    enum class Launch { SameVersion, NewVersion, FirstRun };
    Q_ENUM(Launch)

    explicit MainToolBar(Preferences *prefs, QWidget *parent = nullptr);
    ~MainToolBar() override;

    // Registers (or replaces) the item `id`. The toolbar does not take ownership of the
    // action. Registering "PrintToolBarItem" replaces the toolbar's own print action.
    void registerItem(const QString &id, QAction *action);
    // Registers an item shown as `widget` (the refresh button); the toolbar owns the widget.
    void registerWidget(const QString &id, QWidget *widget, const QString &label);

    // The number of registered items, the five standard ones included.
    int count() const { return _order.size(); }
    // Every registered identifier, in registration order (standard items first).
    QStringList allowedItems() const { return _order; }
    static QStringList defaultItems();
    // Flexible space, space and separator may appear any number of times; other items once.
    static bool isRepeatable(const QString &id);
    QString label(const QString &id) const;
    QIcon icon(const QString &id) const;

    QStringList arrangement() const { return _arrangement; }
    // Shows the items in this order. Identifiers that are not registered, and second copies
    // of items that can appear only once, are dropped.
    void setArrangement(const QStringList &ids);

    bool iconsOnly() const { return toolButtonStyle() == Qt::ToolButtonIconOnly; }
    void setIconsOnly(bool on);

    // Reads the arrangement, visibility and display mode saved under "maintoolbar" (the
    // default arrangement when none was saved) / writes them back.
    void restoreState();
    void saveState();

    // Compares the stored "version" with the running one.
    static Launch compareVersion(const QVariant &stored, const QString &current);
    // `ids` with the first copy of `id` removed and `id` inserted in front.
    static QStringList withItemFirst(QStringList ids, const QString &id);
    // Start-up check. On a new version (or none stored), puts Donate first, shows the toolbar
    // and stores `current` as "version"; on the first run also writes the default preferences
    // and shows icons only. With the same version nothing changes.
    Launch checkVersion(const QString &current);

  public slots:
    // Opens the Customize Toolbar dialog (window-modal); its result is applied and saved.
    ToolbarCustomizer *customize();

  private:
    QAction *actionFor(const QString &id);

    Preferences *_prefs;
    QStringList _order;                 // registered identifiers
    QHash<QString, QAction *> _actions; // single items
    QHash<QString, QString> _labels;    // labels of the widget items
    QStringList _arrangement;           // what is shown
    QList<QAction *> _transient;        // spaces and separators of the current arrangement
    QAction *_ownPrint;
    bool _restoring = false;
    bool _restored = false;
};

#endif
