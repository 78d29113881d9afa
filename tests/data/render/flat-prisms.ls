# Square prisms and a polygon, flat-shaded and fully in view: every triangle is visible.
shape 0
angle 40
thickness 30
color 2 200 60 30
color 3 40 90 220
axiom F[&F][^F]c(3)g(150){.f&f&f&f}
