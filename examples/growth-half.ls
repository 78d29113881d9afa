# Growth from the tips. Only X, the bud at the end of every shoot, has a rule: each
# generation adds a stem of two segments with three side buds, rolled 120 degrees apart,
# and leaves everything grown before as it was. "recursion 4.5" applies four full
# rewriting steps and a fifth grown only halfway: the lengths, turns and thickness of
# what the last generation adds are scaled by the fraction, so the youngest shoots come
# out half grown. The viewer's growth control multiplies the recursion, so sliding it
# makes new shoots sprout from the tips and lengthen smoothly. (A rule for F itself, such
# as F=FF, would make every generation redraw the older segments, and the partly grown
# one would draw them all at the fraction's length: the plant would jump in size.)
recursion 4.5
angle 25
thickness 30
color 20 80 130 50
axiom c(20)X
rule X=F[+X]>(120)[+X]>(120)[+X]F!X
