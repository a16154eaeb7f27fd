\Problem name: workshop
\ A furniture workshop chooses how many chairs, tables and shelves to build
\ from its week's wood, labour and finishing time, to earn the most.
Maximize
 profit: 45 chairs + 80 tables + 60 shelves
Subject To
 wood:      2 chairs + 6 tables + 3 shelves <= 48
 labour:    4 chairs + 5 tables + 3 shelves <= 60
 finishing: 1 chairs + 2 tables + 2 shelves <= 22
Bounds
 shelves <= 6
General
 chairs tables shelves
End
