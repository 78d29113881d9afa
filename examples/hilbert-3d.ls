# Hilbert curve in three dimensions: one unbroken path through every point of an
# 8 x 8 x 8 lattice, each step one unit long and at right angles to the last.
# Four rule symbols (A to D) stand for the four ways a sub-cube can be entered and left.
# Turns (+ -), pitches (& ^), rolls (> <) and the turn-around (|) are all by 90 degrees
# here except the last; a doubled roll (>>) merges into one roll of 180 degrees.
recursion 3
angle 90
thickness 30
color 2 60 110 200          # a blue tube instead of the default red
axiom A
rule A=B-F+CFC+F-D&F^D-F+&&CFC+F+B>>
rule B=A&F^CFB^F^D^^-F-D^|F^B|FC^F^A>>
rule C=|D^|F^B-F+C^F^A&&FA&F^C+F+B^F^D>>
rule D=|CFB-F+B|FA&F^A&&FB-F+B|FC>>
