/* The file names of an animation's frames: one printf-style number in the name the user gave
 * (frames/f-%04d.png), without handing the user's text to printf. */
#ifndef SPRIG_CLI_FRAME_NAMES_H
#define SPRIG_CLI_FRAME_NAMES_H

#include <string>

/* A name split around its frame number. */
struct frame_names_t {
    std::string before, after;
    int width = 0;        /* digits at least, padded */
    bool zeroPad = false; /* with zeros, else with spaces */
};

/* Reads a name holding exactly one number: %d, %Nd or %0Nd (N from 1 to 9), with %% for a
 * percent sign. False when it holds no number, more than one, or any other %. */
bool frameNamesRead(const std::string &pattern, frame_names_t *names);

/* The name of frame i. */
std::string frameName(const frame_names_t &names, int i);

#endif
