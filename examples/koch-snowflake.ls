# Koch snowflake: three Koch curves on the sides of an equilateral triangle.
# Written in the positional style: the first lines are, in order, the recursion depth,
# the turn angle in degrees, the thickness in percent of a segment's length, the axiom,
# and then one rule per line. Every bump turns left while the triangle turns right,
# so the bumps point outward.
# The quarter roll >(90) that starts the axiom turns the plane of the turns to face the viewer.
4
60
40
>(90)F--F--F
F=F+F--F+F
@
Everything after the end marker is ignored, so notes can go here freely.
