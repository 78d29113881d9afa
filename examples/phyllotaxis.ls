# Phyllotaxis: florets of a flower head placed one after the other, each rolled by the
# golden angle (137.5 degrees) about the stalk and set a little farther out, as in a
# sunflower. g moves without drawing and without recording a polygon corner; each floret
# is a small triangle whose corners the f moves record. The step length grows with "
# (a factor on the default length), and the florets grow with it.
recursion 99
thickness 8
color 20 240 180 30
color 21 90 130 50
axiom c(21)F(300)&(40)F(100)'(0.12)c(20)X
rule X=PPPPX
rule P=>(137.5)"(1.006)[&(90)g'(0.3){.f+(120)f+(120)f}]
