\Problem name: lp_small
\ A small LP: three variables, three rows, one of them a range.
Maximize
 obj: 3 x + 2 y + 4 z
Subject To
 c1: x + y + 2 z <= 4
 c2: x + 3 y + z <= 6
 c3: 1 <= x + z <= 3.5
Bounds
 x <= 3
 -2 <= y <= 5
End
