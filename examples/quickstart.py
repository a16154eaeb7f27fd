"""Quick start: read a small production-planning MIP shipped beside this
script, solve it and print the plan."""
import os

import didazoda
from didazoda import TVX

major, minor, technical = didazoda.version()
print("didazoda on tarvex {}.{}.{}".format(major, minor, technical))

here = os.path.dirname(os.path.abspath(__file__))
model = didazoda.read(os.path.join(here, "workshop.lp"))
model.optimize()

if model.Status != TVX.OPTIMAL:
    raise SystemExit("no optimal plan found (status {})".format(model.Status))

print("Model {}: best profit {:g}".format(model.ModelName, model.ObjVal))
for var in model.getVars():
    print("  build {:>8}: {:g}".format(var.VarName, var.X))
for constr in model.getConstrs():
    print("  use {:>10}: {:g} of {:g}".format(constr.ConstrName, constr.Activity, constr.RHS))
