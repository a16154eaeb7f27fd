"""Six binary choices and one continuous amount share a budget of 5, where
the amount costs twice as much per unit of value: the best value is 5, all
of it from the binaries."""
from didazoda import TVX, Model, quicksum

m = Model("m")
x = m.addVars(2, 3, vtype=TVX.BINARY, name="x")
y = m.addVar(ub=10, name="y")
m.addConstr(x.sum() + 2 * y <= 5, name="c")
m.setObjective(quicksum(x.values()) + y, TVX.MAXIMIZE)
m.optimize()
print("y = {:g}, objective = {:g}".format(y.X, m.ObjVal))
assert abs(m.ObjVal - 5) < 1e-6 and abs(y.X) < 1e-6
m.dispose()
