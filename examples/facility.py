"""Which warehouses to open, and how to ship from them, so that every
customer's demand is met at the least fixed plus transport cost (a MIP)."""
from didazoda import TVX, Model, quicksum

open_cost = {"north": 120, "south": 100, "east": 90}
capacity = {"north": 60, "south": 50, "east": 40}
demand = {"a": 25, "b": 30, "c": 20, "d": 15}
ship_cost = {
    ("north", "a"): 2, ("north", "b"): 4, ("north", "c"): 5, ("north", "d"): 3,
    ("south", "a"): 3, ("south", "b"): 1, ("south", "c"): 3, ("south", "d"): 2,
    ("east", "a"): 5, ("east", "b"): 3, ("east", "c"): 1, ("east", "d"): 4,
}

m = Model("facility")
is_open = m.addVars(open_cost, vtype=TVX.BINARY, name="open")
ship = m.addVars(ship_cost, name="ship")
m.addConstrs((ship.sum("*", c) == d for c, d in demand.items()), name="demand")
m.addConstrs((ship.sum(w, "*") <= capacity[w] * is_open[w] for w in open_cost), name="cap")
m.setObjective(quicksum(open_cost[w] * is_open[w] for w in open_cost)
               + quicksum(ship_cost[k] * ship[k] for k in ship_cost), TVX.MINIMIZE)
m.optimize()

print("total cost {:g}".format(m.ObjVal))
assert abs(m.ObjVal - 385) < 1e-6  # the known optimum
for w in open_cost:
    if is_open[w].X > 0.5:
        sent = ", ".join("{:g} to {}".format(ship[w, c].X, c) for c in demand
                         if ship[w, c].X > 1e-9)
        print("  open {:>5}: ships {}".format(w, sent))
m.dispose()
