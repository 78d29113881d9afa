# A weed drawn with edge rewriting only: every segment becomes a stem with a branch on
# each side. Positional style, with comments beside the values.
5           # recursion depth
25.7        # angle in degrees
30          # thickness: diameter in percent of a segment's length
>(90)F      # axiom: a quarter roll, so the plant faces the viewer, then one segment
F=F[+F]F[-F]F
@
