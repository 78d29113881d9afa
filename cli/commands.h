/* The lsys subcommands. Each returns the process exit status, the same for all of them:
 * 0 clean, 1 the description had problems (the output is still written; statistics are not
 * problems), 2 usage, file, memory or OpenGL failures. */
#ifndef SPRIG_CLI_COMMANDS_H
#define SPRIG_CLI_COMMANDS_H

#include <string>
#include <vector>

#include "export.h"

enum { EXIT_PROBLEMS = 1, EXIT_USAGE = 2 };

/* The whole lsys program: argv[1] names the subcommand. Catches running out of memory, ignores
 * SIGPIPE and SIGXFSZ (their writes fail and are reported), and checks every write to standard
 * output: a failed one makes the status 2, with a message. */
int lsysMain(int argc, char **argv);

/* Closes standard output at the program's end: status, or 2 with a message when closing
 * reports a late write error. */
int lsysExit(int status);

/* Lists each file's problems (human or one JSON object per file) on standard output. */
int checkCommand(const std::vector<std::string> &files, bool json, bool stats, float growth);

/* Draws the file and writes its triangles to out in the given format. */
int exportCommand(const std::string &file, const std::string &out, export_format_t format,
                  float growth);

/* Prints the derivation of the element at the model-space point p, as lsysSelect prints it,
 * or the same facts as one JSON object. */
int pickCommand(const std::string &file, const float p[3], float growth, bool json);

/* Reads a description for a command, saying why on standard error when it cannot. */
bool commandRead(const std::string &file, std::string *text);

/* 0, or EXIT_PROBLEMS when the description since the last cliMessagesClear had problems. */
int commandStatus();

#endif
