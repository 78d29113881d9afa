# A sympodial tree: every shoot ends its own growth by forking into two unequal
# branches, a main one that nearly carries on (10 degrees, 90 percent of the length)
# and a lateral one that leaves at 60 degrees with 70 percent of the length.
# Lengths and thicknesses are set relative to the parent with ' and !, which the
# brackets save and restore; $ rolls each branch so that its lateral leaf-plane stays
# horizontal, as in real sympodial crowns.
recursion 10
angle 10
thickness 14
min_thickness 2
color 20 100 70 45
axiom c(20)F(200)A
rule A=F[&(10)'(0.9)!(0.85)B]>(180)[&(60)'(0.7)!(0.85)B]
rule B=F[+(10)$'(0.9)!(0.85)B][-(60)$'(0.7)!(0.85)B]
