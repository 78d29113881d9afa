/* lsys export: draw a description and write its triangles to a mesh file. The description's
 * problems are listed on standard error but do not stop the export: the file holds what the
 * editor would show. */
#include "commands.h"

#include <stdio.h>

#include "describe.h"
#include "export.h"
#include "report.h"

int exportCommand(const std::string &file, const std::string &out, export_format_t format,
                  float growth) {
    std::string text, err;
    if (!commandRead(file, &text)) return EXIT_USAGE;
    mesh_t mesh;
    emit_t emit = meshEmit(&mesh);
    cliMessagesClear();
    lsys_t *l = describeDraw(text, growth, &emit);
    if (!l) {
        fprintf(stderr, "lsys: %s: out of memory\n", file.c_str());
        return EXIT_USAGE;
    }
    lsysFree(l);
    decltype(mesh.lookup)().swap(mesh.lookup); /* only needed while collecting */
    reportHumanAll(stderr, file, text, false);
    export_result_t result;
    if (!exportMesh(mesh, out, format, &err, &result)) {
        fprintf(stderr, "lsys: %s: %s\n", out.c_str(), err.c_str());
        return EXIT_USAGE;
    }
    if (result.dropped)
        fprintf(stderr, "lsys: %s: %u triangle(s) with non-finite coordinates left out\n",
                file.c_str(), result.dropped);
    if (result.triangles == 0)
        fprintf(stderr, "lsys: %s: the drawing has no triangles; wrote an empty model\n",
                file.c_str());
    reportWritten(out, result.written);
    return commandStatus();
}
