
axiom F

rule F=FF
