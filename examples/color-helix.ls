# Colours: a helix of tubes that runs through a rainbow of 24 entries of the colour table.
# "color INDEX RED GREEN BLUE" (0..255 each) sets one of the 101 entries (0 to 100);
# entries 0 to 15 start with the built-in palette and the rest with black. In the
# commands, c(n) selects colour n and a bare c steps to the next one; a change of colour
# ends one tube and starts the next, so each colour band is a tube of its own.
recursion 48
angle 15
thickness 60
color 16 230 40 40
color 17 235 80 35
color 18 240 120 30
color 19 245 160 30
color 20 245 200 40
color 21 230 230 50
color 22 190 225 50
color 23 140 215 60
color 24 80 200 70
color 25 50 190 110
color 26 40 180 160
color 27 40 170 200
color 28 40 150 225
color 29 45 120 235
color 30 60 90 240
color 31 90 70 235
color 32 120 60 225
color 33 150 55 210
color 34 180 50 190
color 35 205 45 165
color 36 220 45 135
color 37 230 45 105
color 38 235 40 75
color 39 232 40 55
axiom c(16)X
rule X=F+&(12)F+&(12)F+&(12)F+&(12)Y
rule Y=cX
