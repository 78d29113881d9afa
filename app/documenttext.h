// The editor's text and the file's bytes. A description file is ISO Latin 1, one character per
// byte; the editor holds one block per line. What the blocks do not hold, each line's own end
// (LF, CRLF or CR), is kept in the block's user data when a file is loaded, so that saving an
// unedited file writes exactly the bytes that were read. A line added by editing gets the end
// most lines of the file have (LF in a file without any).
//
// Two byte forms of the text, both one byte per editor character:
//   bytes()   as the file holds it, each line with its own end: what the engine draws, what
//             Save writes, what lsys reads from the same file;
//   latin1()  with "\n" between lines, so that a byte offset is an editor position: what the
//             colouring scanner reads.
// editorPosition() turns an offset into bytes() (as the engine reports positions) into an editor
// position.
//
// Characters beyond ISO Latin 1 (typed, pasted, dropped; U+2028 among them) are replaced by "?"
// as part of the edit that brought them, so one undo removes both and redo brings both back.
//
// The window's size limits: the editor's text layout costs about 450 bytes per line, 25 per
// character, and while a line is laid out about 370 bytes per character of that line (measured
// with Qt 6.4 on the window; see docs/editor.md). The limits below keep any file the window
// accepts under about 1 GB; lsys reads files up to 64 MiB.
#ifndef SPRIG_APP_DOCUMENTTEXT_H
#define SPRIG_APP_DOCUMENTTEXT_H

#include <QByteArray>
#include <QString>

#include <stdint.h>

#include <vector>

class QPlainTextEdit;

enum line_end_t : uint8_t { LINE_END_NONE, LINE_END_LF, LINE_END_CRLF, LINE_END_CR };

// A file's bytes cut into lines as the editor's blocks cut them (at LF, CRLF and CR).
struct file_lines_t {
    QString text;                   // the lines joined by "\n", one character per byte
    std::vector<line_end_t> ends;   // what ended each line in the file (the last line: none)
    line_end_t usual = LINE_END_LF; // the most common end; LF when there is none
};

file_lines_t splitFileLines(const QByteArray &bytes);

// The window's limits on what it loads into the editor.
enum : int {
    EDITOR_MAX_BYTES = 16 << 20,
    EDITOR_MAX_LINES = 500000,
    EDITOR_MAX_LINE = 512 << 10,
};

// Empty when the editor takes a file of these bytes; otherwise which limit it is over, as a
// sentence naming the limit.
QString editorLimitProblem(const QByteArray &bytes);

// The editor's memory for a file of these bytes, from the costs above, in bytes.
qint64 editorMemory(const QByteArray &bytes);
// Empty when the process may grow by `need` bytes; otherwise why not. Only an address-space
// limit (ulimit -v) is checked, against the process's size now and with room for the window's
// own growth: past it an allocation fails inside Qt's text layout, which cannot recover.
QString memoryProblem(qint64 need);

class DocumentText {
  public:
    explicit DocumentText(QPlainTextEdit *editor) : _editor(editor) {}

    // Replaces the editor's text with the file's bytes (the undo history starts anew).
    void setBytes(const QByteArray &bytes);
    QByteArray bytes() const;
    QByteArray latin1() const;

    // The editor position of byte offset `offset` of `bytes` (a bytes() of this text).
    static int editorPosition(const QByteArray &bytes, int offset);

    // Replaces the characters beyond ISO Latin 1 that the latest edit brought with "?", inside
    // that edit's undo step. Returns how many were replaced. Call it after every change of the
    // text with the editor's text as it now is (toRawText); it does nothing while it edits,
    // during undo and redo, or when nothing is to replace.
    int forceAscii(const QString &now);
    // forceAscii() is changing the text: the changes it makes are part of the user's edit.
    bool isForcing() const { return _forcing; }

  private:
    QPlainTextEdit *_editor;
    line_end_t _usual = LINE_END_LF;
    bool _forcing = false;
};

#endif
