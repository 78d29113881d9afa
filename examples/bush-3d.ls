# A bush in three dimensions with flat leaves.
# Each apex A splits into three shoots, rolled apart by 112.5 and 157.5 degrees (a run of
# like rolls > merges into one roll). Stems thin out with ! at every branching, and every
# stem segment carries a leaf: a polygon opened with {, whose corners are recorded by each
# f move (and by .), closed and filled by }.
recursion 6
angle 22.5
thickness 14
color 20 110 80 50          # bark
color 21 50 140 40          # leaves
color 22 90 170 60          # younger leaves
axiom c(20)A
rule A=[&FL!A]>>>>>[&FL!A]>>>>>>>[&FL!A]
rule F=S>>>>>F
rule S=FL
rule L=[c(21)^^{.-z+z+z-|-z+z+z}]
