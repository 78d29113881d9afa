# A red marker that every growth draws in the same place, and a green plant that grows above
# it: under one fixed camera the marker stays put from frame to frame.
recursion 4
angle 25
thickness 20
color 2 255 0 0
color 4 0 255 0
axiom c(2)FFF f(100) c(4)X
rule X=F[&X]F[^X]X
