# A broad-leaved tree in three dimensions.
# The trunk forks into three branches again and again; each fork is rolled by about
# 95 and 133 degrees from the last, so the branches spiral round the trunk instead of
# lining up. Branches get shorter (' factor) and thinner (! factor) at every level,
# and tropism (t) bends them downward under their own weight. Every fork carries a
# pair of leaves drawn as polygons in two greens, of a fixed size (z with a length).
recursion 6
angle 20
thickness 16
min_thickness 1.5
trope 0.18
color 20 96 68 42           # bark
color 21 60 132 46          # leaf
color 22 104 168 64         # young leaf
axiom c(20)F(260)>(45)A
rule A='(0.8)!(0.7)F[&(24)tFLA]>(95)[&(24)tFLA]>(133)[&(24)tFLA]
rule L=[c(21)&(50){.-z(18)+z(18)+z(18)-|-z(18)+z(18)+z(18)}]>(120)[c(22)&(60){.-z(14)+z(14)+z(14)-|-z(14)+z(14)+z(14)}]
