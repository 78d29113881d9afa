# Dragon curve: the path a strip of paper takes when folded in half again and again.
# X and Y are rule symbols only: they steer the rewriting and are dropped before drawing.
# Twelve folds give 4096 segments; the curve touches itself at corners but never crosses.
# The quarter roll >(90) that starts the axiom turns the plane of the turns to face the viewer.
recursion 12
angle 90
thickness 40
axiom >(90)FX
rule X=X+YF+
rule Y=-FX-Y
