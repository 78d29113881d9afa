# nothing to draw
