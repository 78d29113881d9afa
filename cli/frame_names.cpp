/* Frame names: the one conversion is read by hand, so no other % of the user's text can reach
 * a printf. */
#include "frame_names.h"

bool frameNamesRead(const std::string &pattern, frame_names_t *names) {
    *names = frame_names_t();
    std::string *part = &names->before;
    int numbers = 0;
    for (size_t i = 0; i < pattern.size(); i++) {
        if (pattern[i] != '%') {
            part->push_back(pattern[i]);
            continue;
        }
        if (++i < pattern.size() && pattern[i] == '%') {
            part->push_back('%');
            continue;
        }
        if (i < pattern.size() && pattern[i] == '0') names->zeroPad = true, i++;
        if (i < pattern.size() && pattern[i] >= '1' && pattern[i] <= '9')
            names->width = pattern[i++] - '0';
        if (i >= pattern.size() || pattern[i] != 'd' || ++numbers > 1) return false;
        part = &names->after;
    }
    return numbers == 1;
}

std::string frameName(const frame_names_t &names, int i) {
    std::string n = std::to_string(i);
    if ((int)n.size() < names.width)
        n.insert(0, (size_t)names.width - n.size(), names.zeroPad ? '0' : ' ');
    return names.before + n + names.after;
}
