/* The lsys subcommands, each a plain function over already-validated arguments, returning the
 * process exit status: 0 success, 1 the description has problems, 2 usage or file errors. */
#ifndef SPRIG_CLI_COMMANDS_H
#define SPRIG_CLI_COMMANDS_H

#include <string>
#include <vector>

enum { EXIT_PROBLEMS = 1, EXIT_USAGE = 2 };

/* Lists each file's problems (human or one JSON object per file). */
int checkCommand(const std::vector<std::string> &files, bool json, bool stats, float growth);

/* Draws the file and writes its triangles to out in the format named by out's extension
 * (already known to be supported). */
int exportCommand(const std::string &file, const std::string &out, float growth);

/* Prints the derivation of the element at the model-space point p, as lsysSelect prints it. */
int pickCommand(const std::string &file, const float p[3], float growth);

#endif
