"""Array modelling: a transportation problem stated with a block of variables,
row and column sums and a sparse matrix product; the same optimum as the
element-by-element form, 380."""
import numpy as np
import scipy.sparse as sp

from didazoda import TVX, Model

cost = np.array([[4, 6, 9, 5], [5, 3, 8, 7], [6, 4, 3, 8]], dtype=float)
supply = np.array([35, 40, 30], dtype=float)  # three depots
demand = np.array([20, 30, 25, 25], dtype=float)  # four shops
depots, shops = cost.shape

model = Model("transport")
ship = model.addMVar((depots, shops), name="ship")
model.addConstr(ship.sum(axis=1) <= supply, name="supply")
# The demand rows as a matrix product: column j of the flattened plan sums
# the shipments to shop j.
to_shop = sp.kron(np.ones((1, depots)), sp.identity(shops), format="csr")
model.addConstr(to_shop @ ship.reshape(-1) == demand, name="demand")
model.setObjective((cost * ship).sum().item(), TVX.MINIMIZE)
model.optimize()

if model.Status != TVX.OPTIMAL or abs(model.ObjVal - 380) > 1e-6:
    raise SystemExit("unexpected result: status {}, cost {}".format(model.Status, model.ObjVal))
print("total cost {:g}".format(model.ObjVal))
plan = ship.X
for i in range(depots):
    print("  depot {}: ".format(i) + " ".join("{:>4g}".format(v) for v in plan[i]))
model.dispose()
