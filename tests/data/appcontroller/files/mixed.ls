recursion 2
angle 30
axiom F
# a commentrule F=F[+F]F
