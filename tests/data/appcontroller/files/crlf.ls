recursion 2
angle 30
axiom F
rule F=F[+F]F
