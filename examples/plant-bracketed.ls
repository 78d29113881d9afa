# A bracketed plant in the plane: each [ ] is a side branch that grows from the current
# point and returns to it. X is the growing apex (a rule symbol only, never drawn);
# F=FF makes older stem segments twice as long at every step, as internodes elongate.
# The quarter roll >(90) that starts the axiom turns the plane of the turns to face the viewer.
recursion 5
angle 22.5
thickness 25
color 20 70 120 40          # stem green
axiom >(90)c(20)X
rule X=F-[[X]+X]+F[+FX]-X
rule F=FF
