/* lsys: Sprig's command-line tool. Checks, exports, picks and (in GUI builds) renders L-system
 * descriptions without a window; the program itself is lsysMain (lsys.cpp). */
#include "commands.h"

int main(int argc, char **argv) {
    return lsysExit(lsysMain(argc, argv));
}
