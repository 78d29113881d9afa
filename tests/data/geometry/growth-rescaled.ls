# The gallery's former growth example, kept as an input of the stream test. Its rule F=FF
# rewrites every segment at every generation, so a fractional recursion draws all of them
# at the fraction's length: it shows what does not grow smoothly.
recursion 4.5
angle 25
thickness 45
color 20 80 130 50
color 21 200 90 120
axiom c(20)X
rule X=F[+X][-X]F[&X]FX
rule F=FF
