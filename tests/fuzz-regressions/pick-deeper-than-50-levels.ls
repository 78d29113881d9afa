# Picking a tube drawn 99 levels deep: the recorded expansion stack must hold every level.
# The point (25, 0, 50) lies on the first segment's surface.
recursion 99
thickness 50
axiom X
rule X=XF
