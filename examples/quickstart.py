"""Quick start: state a small production-planning MIP through the API, solve
it and print the plan. The same model ships as workshop.lp."""
import didazoda
from didazoda import TVX, Model, quicksum

major, minor, technical = didazoda.version()
print("didazoda on tarvex {}.{}.{}".format(major, minor, technical))

products = ["chairs", "tables", "shelves"]
profit = {"chairs": 45, "tables": 80, "shelves": 60}
use = {  # resource: (hours or boards per product, available this week)
    "wood": ({"chairs": 2, "tables": 6, "shelves": 3}, 48),
    "labour": ({"chairs": 4, "tables": 5, "shelves": 3}, 60),
    "finishing": ({"chairs": 1, "tables": 2, "shelves": 2}, 22),
}

model = Model("workshop")
make = model.addVars(products, vtype=TVX.INTEGER, name="make")
make["shelves"].UB = 6
for resource, (per_unit, available) in use.items():
    model.addConstr(quicksum(per_unit[p] * make[p] for p in products) <= available,
                    name=resource)
model.setObjective(quicksum(profit[p] * make[p] for p in products), TVX.MAXIMIZE)
model.optimize()

if model.Status != TVX.OPTIMAL:
    raise SystemExit("no optimal plan found (status {})".format(model.Status))

print("Model {}: best profit {:g}".format(model.ModelName, model.ObjVal))
for p in products:
    print("  build {:>8}: {:g}".format(p, make[p].X))
for constr in model.getConstrs():
    print("  use {:>10}: {:g} of {:g}".format(constr.ConstrName, constr.Activity, constr.RHS))
model.dispose()
