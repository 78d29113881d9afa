// Line ends kept per line, the two byte forms of the text, the forcing of characters beyond
// ISO Latin 1 inside the edit that brought them, and the window's size limits.
#include "documenttext.h"

#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// A line's end when it is not the file's usual one (most lines carry none).
struct LineEndData : QTextBlockUserData {
    explicit LineEndData(line_end_t e) : end(e) {}
    line_end_t end;
};

const char *endBytes(line_end_t e) {
    return e == LINE_END_CRLF ? "\r\n" : e == LINE_END_CR ? "\r" : "\n";
}

bool beyondLatin1(QChar c) {
    return c.unicode() > 255 && c != QChar::ParagraphSeparator;
}

} // namespace

file_lines_t splitFileLines(const QByteArray &bytes) {
    file_lines_t out;
    out.text.reserve(bytes.size());
    long long counts[4] = {};
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        line_end_t end;
        if (c == '\n') {
            end = LINE_END_LF;
        } else if (c == '\r') {
            end = i + 1 < n && bytes[i + 1] == '\n' ? LINE_END_CRLF : LINE_END_CR;
            if (end == LINE_END_CRLF) ++i;
        } else {
            out.text += QChar(uchar(c));
            continue;
        }
        out.text += QLatin1Char('\n');
        out.ends.push_back(end);
        ++counts[end];
    }
    out.ends.push_back(LINE_END_NONE);
    // Ties go to LF, then CRLF.
    out.usual = LINE_END_LF;
    if (counts[LINE_END_CRLF] > counts[out.usual]) out.usual = LINE_END_CRLF;
    if (counts[LINE_END_CR] > counts[out.usual]) out.usual = LINE_END_CR;
    return out;
}

QString editorLimitProblem(const QByteArray &bytes) {
    const QLocale c(QLocale::English);
    if (bytes.size() > EDITOR_MAX_BYTES)
        return QStringLiteral("It has %1 bytes; the window opens files of at most %2 bytes "
                              "(16 MiB).")
            .arg(c.toString(bytes.size()), c.toString(EDITOR_MAX_BYTES));
    qsizetype lines = 1, longest = 0, longestLine = 1, start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        const bool end = i == bytes.size() || bytes[i] == '\n' || bytes[i] == '\r';
        if (!end) continue;
        if (i - start > longest) {
            longest = i - start;
            longestLine = lines;
        }
        if (i < bytes.size() && bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
        // An empty last line after the last line end is no line of the file.
        if (start < bytes.size()) ++lines;
    }
    if (lines > EDITOR_MAX_LINES)
        return QStringLiteral("It has %1 lines; the window opens files of at most %2 lines.")
            .arg(c.toString(lines), c.toString(EDITOR_MAX_LINES));
    if (longest > EDITOR_MAX_LINE)
        return QStringLiteral("Its line %1 has %2 characters; the window opens lines of at most "
                              "%3 characters (512 KiB).")
            .arg(c.toString(longestLine), c.toString(longest), c.toString(EDITOR_MAX_LINE));
    return QString();
}

qint64 editorMemory(const QByteArray &bytes) {
    qint64 lines = 1, longest = 0, start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r') continue;
        longest = qMax(longest, i - start);
        ++lines;
        start = i + 1;
    }
    longest = qMax(longest, bytes.size() - start);
    return 450 * lines + 25 * qint64(bytes.size()) + 370 * longest;
}

QString memoryProblem(qint64 need) {
    struct rlimit space;
    if (getrlimit(RLIMIT_AS, &space) != 0 || space.rlim_cur == RLIM_INFINITY) return QString();
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return QString();
    const qint64 size = statm.readLine().split(' ').value(0).toLongLong() * sysconf(_SC_PAGESIZE);
    // The window's own threads and GL buffers take their share after a load too.
    const qint64 room = qint64(space.rlim_cur) - size, wanted = need + need / 4 + (256 << 20);
    if (wanted <= room) return QString();
    return QStringLiteral("Showing it in the editor takes about %1 MB of memory, and this "
                          "process may grow by only %2 MB more (ulimit -v).")
        .arg(wanted >> 20)
        .arg(qMax<qint64>(0, room >> 20));
}

void DocumentText::setBytes(const QByteArray &bytes) {
    const file_lines_t lines = splitFileLines(bytes);
    _usual = lines.usual;
    _editor->setPlainText(lines.text);
    size_t i = 0;
    for (QTextBlock b = _editor->document()->begin(); b.isValid() && i + 1 < lines.ends.size();
         b = b.next(), ++i)
        if (lines.ends[i] != _usual) b.setUserData(new LineEndData(lines.ends[i]));
}

QByteArray DocumentText::bytes() const {
    const QString raw = _editor->document()->toRawText();
    QByteArray out;
    out.reserve(raw.size() + raw.size() / 16);
    QTextBlock block = _editor->document()->begin();
    for (QChar c : raw) {
        if (c != QChar::ParagraphSeparator) {
            out += c.unicode() > 255 ? '?' : char(c.unicode());
            continue;
        }
        const auto *data = static_cast<const LineEndData *>(block.userData());
        out += endBytes(data ? data->end : _usual);
        block = block.next();
    }
    return out;
}

QByteArray DocumentText::latin1() const {
    QString raw = _editor->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return raw.toLatin1();
}

int DocumentText::editorPosition(const QByteArray &bytes, int offset) {
    offset = qBound(0, offset, int(bytes.size()));
    int position = offset;
    for (int i = 1; i < offset; ++i)
        if (bytes[i] == '\n' && bytes[i - 1] == '\r') --position;
    return position;
}

int DocumentText::forceAscii(const QString &now) {
    QTextDocument *doc = _editor->document();
    // After an undo the redo stack is not empty: undo and redo never bring such characters
    // back, and replacing them then would throw the redo steps away.
    if (_forcing || doc->availableRedoSteps() > 0) return 0;
    // Most edits bring none: the text is copied only when there is something to replace.
    if (std::none_of(now.cbegin(), now.cend(), beyondLatin1)) return 0;
    QString target = now;
    int n = 0;
    for (QChar &c : target) {
        if (!beyondLatin1(c)) continue;
        c = QLatin1Char('?');
        ++n;
    }
    if (n == 0) return 0;
    _forcing = true;
    const QTextCursor caret = _editor->textCursor();
    // Back to the text before the edit, then the edit with "?" in their place as one step:
    // "?" takes one UTF-16 unit's place, so the caret stays where the edit left it.
    if (doc->availableUndoSteps() > 0) doc->undo();
    const QString before = doc->toRawText();
    qsizetype head = 0, tail = 0;
    while (head < before.size() && head < target.size() && before[head] == target[head])
        ++head;
    while (tail < before.size() - head && tail < target.size() - head &&
           before[before.size() - 1 - tail] == target[target.size() - 1 - tail])
        ++tail;
    QString middle = target.mid(head, target.size() - head - tail);
    middle.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    QTextCursor edit(doc);
    edit.beginEditBlock();
    edit.setPosition(int(head));
    edit.setPosition(int(before.size() - tail), QTextCursor::KeepAnchor);
    edit.insertText(middle);
    edit.endEditBlock();
    QTextCursor back(doc);
    back.setPosition(caret.anchor());
    back.setPosition(caret.position(), QTextCursor::KeepAnchor);
    _editor->setTextCursor(back);
    _forcing = false;
    return n;
}
