/* Human-readable message lines (see report.h). */
#include "report.h"

unsigned reportLine(const std::string &text, size_t off) {
    if (off > text.size()) off = text.size();
    unsigned line = 1;
    for (size_t i = 0; i < off; i++) {
        if (text[i] == '\r') {
            line++;
            if (i + 1 < off && text[i + 1] == '\n') i++;
        } else if (text[i] == '\n') {
            line++;
        }
    }
    return line;
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

std::string reportHuman(const std::string &file, const std::string &text, const cli_msg_t &m) {
    std::string body = reportText(m.text);
    if (m.code >= 0)
        return file + ":" + std::to_string(reportLine(text, (size_t)m.code)) + ": " + body + "\n";
    switch (m.code) {
    case CODE_NOLINE:
        return file + ": " + body + "\n";
    case CODE_EXEC:
        return file + ": exec: " + body + "\n";
    case CODE_INFO:
        return file + ": info: " + body + "\n";
    default:
        return file + ": unknown: " + body + "\n";
    }
}

void reportHumanAll(FILE *out, const std::string &file, const std::string &text,
                    const std::vector<cli_msg_t> &msgs, bool stats) {
    for (const cli_msg_t &m : msgs)
        if (stats || reportIsProblem(m)) fputs(reportHuman(file, text, m).c_str(), out);
}
