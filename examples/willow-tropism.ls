# A weeping tree: strong tropism (t after every segment) pulls long, thin twigs down
# until they hang. The same shape with "trope 0" stands upright; a negative strength
# bends everything upward instead.
recursion 6
angle 28
thickness 10
min_thickness 4
trope 0.3
color 20 90 80 50
color 21 120 160 70
axiom c(20)F(250)A
rule A=!(0.75)[&(40)B]>(120)[&(40)B]>(120)[&(40)B]>(60)'(0.8)FA
rule B=!(0.75)'(0.85)FtFt[c(21)&(30)B]>(150)[c(21)&(30)B]FtFt
