# A small coloured tree for the render tests: a red trunk and green branches in three
# directions, so the model has depth, faces the light from several sides and stands on
# the floor disc.
recursion 3
angle 35
thickness 25
color 1 220 40 40
color 2 40 180 60
axiom c(1)F(150)A
rule A=c(2)[&FA]>(120)[&FA]>(120)[&FA]
