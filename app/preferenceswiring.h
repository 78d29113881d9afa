// The window's preferences and toolbar: the toolbar's items (Fullscreen, Animate, Center,
// Donate, the refresh button, Print) with the start-up version check, the View menu's display
// switches and editor font, the Preferences dialog, the reactions to changed preferences, and
// the Donate command.
//
// Changed preferences: "aa" replaces the view's GL context (the model's buffers are deleted
// first and the model is drawn again into the new one: refreshNeeded()); "delay" re-plans a
// pending refresh (delayChanged()); every change repaints, since the view reads the display
// preferences on each frame.
#ifndef SPRIG_APP_PREFERENCESWIRING_H
#define SPRIG_APP_PREFERENCESWIRING_H

#include <QObject>

class BasicOpenGLView;
class MainToolBar;
class Preferences;
class PreferencesDialog;
class QAction;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class RefreshButton;

class PreferencesWiring : public QObject {
    Q_OBJECT
  public:
    PreferencesWiring(QMainWindow *window, Preferences *prefs, BasicOpenGLView *view,
                      QPlainTextEdit *editor, QObject *parent = nullptr);

    // Adds Anti-aliasing, Floor and Axes, Plain Background and Font... to the menu.
    void addViewActions(QMenu *view);
    // The toolbar with the window's items, its saved arrangement and the version check; the
    // refresh item is `button`, enabled with `refresh`; Print shares `print`; Center triggers
    // center(). Show Toolbar and Customize Toolbar... go to the View menu.
    MainToolBar *buildToolbar(QAction *refresh, QAction *print, RefreshButton *button, QMenu *view);
    // The editor font stored with every edit and restored at start.
    void storeFont();
    void restoreFont();

  public slots:
    void preferencesOpen();
    void chooseFont();
    void donate();

  signals:
    void center();
    void refreshNeeded();
    void delayChanged();

  private:
    void preferenceChanged(const QString &key);

    QMainWindow *_window;
    Preferences *_prefs;
    BasicOpenGLView *_view;
    QPlainTextEdit *_editor;
    PreferencesDialog *_dialog = nullptr;
    QAction *_aa = nullptr;
    QAction *_axis = nullptr;
    QAction *_background = nullptr;
};

#endif
