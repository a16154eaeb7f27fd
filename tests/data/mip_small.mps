* A small MIP: a continuous, an integer (between markers) and a binary column.
NAME          mip_small
ROWS
 N  cost
 L  cap
 G  demand
 E  balance
COLUMNS
    x         cost      1.5          cap       2
    x         demand    1
    MARKER    'MARKER'  'INTORG'
    n         cost      -1           cap       3
    n         balance   1
    MARKER    'MARKER'  'INTEND'
    b         cost      2            balance   -4
RHS
    RHS       cap       12           demand    1
BOUNDS
 UP BND       x         5
 UP BND       n         10
 BV BND       b
ENDATA
