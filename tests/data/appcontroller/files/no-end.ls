recursion 2
axiom F
rule F=F[-F]F