# Square prisms instead of tubes ("shape 0"): a three-dimensional cross that sprouts a
# half-size cross in every free direction at the end of each arm. Prisms are flat-shaded
# and never joined, so the fractal's blocky structure stays visible. Each generation
# steps the colour with a bare c.
shape 0
recursion 8
angle 90
thickness 30
axiom c(4)[X]|[X]
rule X=F[+cY][-cY][&cY][^cY]cY
rule Y='(0.5)X
