/* `lsys render`: draws a description as the 3D view shows it right after loading, into a
 * picture file, without any display server. */
#ifndef SPRIG_CLI_RENDER_H
#define SPRIG_CLI_RENDER_H

/* argv[0] is "render". Returns the process exit status: 0 written, 1 written but the
 * description had problems, 2 bad options, unreadable input, unwritable output or no OpenGL. */
int lsysRenderCommand(int argc, char **argv);

#endif
