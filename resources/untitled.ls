# A young shrub, the description every new document starts from.
#
# Each bud opens into three shoots set a third of a turn apart around the
# stem. Every generation is thinner and a little shorter than the one
# before, and each shoot ends in a small leaf.

recursion 5        # generations of rewriting; try 4.5 for a half-grown tip
angle 24           # degrees of every turn, pitch and roll without a number
thickness 12       # stem diameter in percent of a segment's length

color 20 112 78 50     # bark
color 21 92 164 64     # leaf

axiom c(20) F(70) A

# A bud: three shoots, each a stem, a leaf and a new bud. The rolls >(120)
# spread them evenly around the stem.
rule A=!'[&B L A]>(120)[&B L A]>(120)[&B L A]

# A shoot grows in two pieces with a slight random kink between them.
rule B=F S
rule S=~F

# A leaf: a flat, pointed polygon traced by half-length moves.
rule L=[c(21) ^^ {-z+z+z-|-z+z+z}]
