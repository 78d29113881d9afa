/* Command-line reading (see args.h). */
#include "args.h"

#include <ctype.h>
#include <errno.h>
#include <float.h>
#include <locale.h>
#include <math.h>
#include <stdlib.h>

#include <algorithm>

#include <QCommandLineParser>

bool argsNumber(const char *text, double *out) {
    static locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    if (!text || !*text || !c) return false;
    char *end = NULL;
    errno = 0;
    double v = strtod_l(text, &end, c);
    if (end == text || *end != '\0' || !isfinite(v)) return false;
    if (out) *out = v;
    return true;
}

namespace {

/* Put before an argument the parser must not take for an option. Never part of a real
 * argument: read as Latin-1, those only hold characters up to U+00FF. */
const QChar kOperandMark(0xe000);

/* "-5", "-.5", "-inf", "-nan": a negative or malformed number, not an option; the command
 * then says what is wrong with it. */
bool looksNumeric(const std::string &arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    if (isdigit((unsigned char)arg[1]) || arg[1] == '.') return true;
    std::string rest = arg.substr(1, 3);
    for (char &ch : rest)
        ch = (char)tolower((unsigned char)ch);
    return rest == "inf" || rest == "nan";
}

std::string bytesOf(QString s) {
    if (s.startsWith(kOperandMark)) s.remove(0, 1);
    return s.toLatin1().toStdString();
}

} // namespace

bool args_t::has(const std::string &flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::string args_t::value(const std::string &name, const std::string &fallback) const {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
}

args_t argsScan(int argc, char **argv, int first, const std::vector<arg_option_t> &options) {
    args_t a;
    QStringList list{QStringLiteral("lsys")};
    bool dashes = false;
    for (int i = first; i < argc; i++) {
        QString arg = QString::fromLatin1(argv[i]);
        if (!dashes && looksNumeric(argv[i])) arg.prepend(kOperandMark);
        dashes = dashes || arg == QLatin1String("--");
        list << arg;
    }
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    std::vector<QCommandLineOption> known;
    for (const arg_option_t &o : options) {
        QStringList names = QString::fromLatin1(o.names).split(QLatin1Char(','));
        known.emplace_back(names);
        if (o.value) known.back().setValueName(QString::fromLatin1(o.value));
        parser.addOption(known.back());
    }
    if (!parser.parse(list)) {
        a.error = parser.errorText().toLatin1().toStdString();
        return a;
    }
    a.help = parser.isSet(help);
    for (const QCommandLineOption &o : known) {
        if (!parser.isSet(o)) continue;
        const std::string name = o.names().constLast().toStdString();
        if (o.valueName().isEmpty())
            a.flags.push_back(name);
        else
            a.values[name] = bytesOf(parser.values(o).constLast());
    }
    for (const QString &p : parser.positionalArguments())
        a.operands.push_back(bytesOf(p));
    return a;
}

bool argsGrowth(const args_t &a, float *growth, std::string *err) {
    *growth = 1.0f;
    auto it = a.values.find("growth");
    if (it == a.values.end()) return true;
    double g;
    if (!argsNumber(it->second.c_str(), &g) || g < 0 || g > FLT_MAX) {
        *err = "--growth needs a finite number of 0 or more, not '" + it->second + "'";
        return false;
    }
    *growth = (float)g;
    return true;
}
