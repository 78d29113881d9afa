// Bracket matching as the editor shows it: with the caret at a bracket (brackets.h), that
// bracket and its partner on the line get a pale blue background; a bracket without a partner
// on its line gets a pale red one. The marks are the editor's "brackets" layer of extra
// selections: display only, never in the text, its undo history or its edited state.
#ifndef SPRIG_APP_BRACKETMARKS_H
#define SPRIG_APP_BRACKETMARKS_H

#include <QColor>
#include <QObject>

class CodeEditor;

class BracketMarks : public QObject {
    Q_OBJECT
  public:
    explicit BracketMarks(CodeEditor *editor);

    static QColor matchedColor() { return QColor(190, 220, 255); }
    static QColor unmatchedColor() { return QColor(255, 180, 180); }

    // Marks the bracket at the caret and its partner again (on every caret move and edit).
    void update();

  private:
    CodeEditor *_editor;
};

#endif
