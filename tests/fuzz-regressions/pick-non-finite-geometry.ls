# Picking and drawing prisms and a polygon whose corners are not numbers: every such face is
# skipped, never tested or drawn.
shape 0
angle nan
axiom F+F&F>F{.f+f+f}F(inf)F
