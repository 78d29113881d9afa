# Randomness: ~ turns, pitches and rolls the turtle by three random angles of at most
# "rand" degrees each (~(n) uses n instead). The viewer seeds the random generator
# the same way before every drawing, so a description always grows the same weed.
recursion 5
angle 22
thickness 20
rand 18
color 20 90 140 60
axiom c(20)X
rule X=F~[+X]F~[-X]~[&X]~X
rule F=F~(4)F
