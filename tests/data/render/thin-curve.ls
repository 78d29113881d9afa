# A quadratic Koch island of thin tubes: each segment is a twentieth as thick as it is long,
# under a pixel wide at 400x300. Drawn with its segments' axes, it is one connected outline.
recursion 3
angle 90
thickness 5
color 2 255 0 0
axiom >(90)F-F-F-F
rule F=F-F+F+FF-F-F+F
