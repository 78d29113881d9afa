# Fractional recursion: "recursion 4.5" applies four full rewriting steps and a fifth
# that is grown only halfway. Every length, angle, thickness and tropism factor that
# the last generation adds is scaled by the fraction, so the youngest shoots come out
# half as long and half as bent. The viewer's growth control multiplies the recursion,
# so sliding it makes the plant grow smoothly from one generation into the next.
recursion 4.5
angle 25
thickness 45
color 20 80 130 50
color 21 200 90 120
axiom c(20)X
rule X=F[+X][-X]F[&X]FX
rule F=FF
