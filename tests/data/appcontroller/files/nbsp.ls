recursion 3
angle 90
thickness 20
axiom >(90)F 
rule  =+F 
