# Sierpinski arrowhead: a single unbroken curve that fills the Sierpinski triangle.
# The two symbols X and Y (rule symbols, never drawn) alternate the direction of the
# bends, so that every other generation the curve is mirrored. The first turn, +(90),
# lays the base flat so that the triangle stands on it.
# The quarter roll >(90) that starts the axiom turns the plane of the turns to face the viewer.
recursion 7
angle 60
thickness 40
axiom >(90)+(90)YF
rule X=YF+XF+Y
rule Y=XF-YF-X
