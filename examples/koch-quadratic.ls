# Quadratic Koch island: a square whose sides are replaced by an eight-segment zigzag,
# again and again, in the keyword style (one named setting per line, in any order).
# The curve never crosses itself; the area it encloses stays that of the first square.
# The quarter roll >(90) that starts the axiom turns the plane of the turns to face the viewer.
recursion 3
angle 90
thickness 50
axiom >(90)F-F-F-F
rule F=F-F+F+FF-F-F+F
