/* lsys export: draw a description and write its triangles to a mesh file. The description's
 * problems are listed on standard error but do not stop the export: the file holds what the
 * editor would show. */
#include "commands.h"

#include <stdio.h>

#include "describe.h"
#include "export.h"
#include "report.h"

int exportCommand(const std::string &file, const std::string &out, float growth) {
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
    if (mesh.dropped)
        fprintf(stderr, "lsys: %s: %u triangles with non-finite coordinates left out\n",
                file.c_str(), mesh.dropped);
    if (mesh.triangleCount() == 0)
        fprintf(stderr, "lsys: %s: the drawing has no triangles; writing an empty model\n",
                file.c_str());
    if (!exportMesh(mesh, out, exportFormatOf(out), &err)) {
        fprintf(stderr, "lsys: %s: %s\n", out.c_str(), err.c_str());
        return EXIT_USAGE;
    }
    return commandStatus();
}
