/* Human-readable message lines (see report.h). */
#include "report.h"

#include <algorithm>

LineIndex::LineIndex(const std::string &text) {
    starts_.push_back(0);
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\r') {
            starts_.push_back(i + 1);
            if (i + 1 < text.size() && text[i + 1] == '\n') i++;
        } else if (text[i] == '\n') {
            starts_.push_back(i + 1);
        }
    }
}

unsigned LineIndex::line(size_t off) const {
    return (unsigned)(std::upper_bound(starts_.begin(), starts_.end(), off) - starts_.begin());
}

std::string reportText(const std::string &latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) {
        if ((c < 0x20 && c != '\t') || (c >= 0x7f && c < 0xa0)) {
            char buf[8];
            snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else if (c >= 0xa0) {
            out += (char)(0xc0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3f));
        } else {
            out += (char)c;
        }
    }
    return out;
}

bool reportIsProblem(const cli_msg_t &m) {
    return m.code != CODE_INFO;
}

const char *reportKind(int32_t code) {
    if (code >= 0 || code == CODE_NOLINE) return "parse";
    if (code == CODE_EXEC) return "exec";
    if (code == CODE_INFO) return "info";
    return "unknown";
}

std::string reportHuman(const std::string &file, const LineIndex &lines, const cli_msg_t &m) {
    std::string body = reportText(m.text);
    if (m.code >= 0)
        return file + ":" + std::to_string(lines.line((size_t)m.code)) + ": " + body + "\n";
    if (m.code == CODE_NOLINE) return file + ": " + body + "\n";
    return file + ": " + reportKind(m.code) + ": " + body + "\n";
}

void reportHumanAll(FILE *out, const std::string &file, const std::string &text, bool stats) {
    const LineIndex lines(text);
    for (const cli_msg_t &m : cliMessages())
        if (stats || reportIsProblem(m)) fputs(reportHuman(file, lines, m).c_str(), out);
    if (cliMessagesOmitted())
        fprintf(out, "%s: %llu more messages not listed\n", file.c_str(), cliMessagesOmitted());
}

void reportWritten(const std::string &out, const io_written_t &w) {
    if (w.brokenLinks)
        fprintf(stderr,
                "lsys: %s: replaced; its %lu other hard link(s) still hold the old content\n",
                out.c_str(), w.brokenLinks);
}
