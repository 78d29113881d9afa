/* `lsys render`: draws a description as the 3D view shows it right after loading, into a PNG,
 * without any display server. */
#ifndef SPRIG_CLI_RENDER_H
#define SPRIG_CLI_RENDER_H

/* argv[0] is "render". Returns the process exit status: 0 written, 1 the description could
 * not be read or the picture not written, 2 bad options or no OpenGL available. */
int lsysRenderCommand(int argc, char **argv);

#endif
