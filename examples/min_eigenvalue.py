"""Semidefinite modelling: the smallest eigenvalue of a symmetric matrix C as
min <C, X> over positive-semidefinite X with trace 1, checked against
numpy's eigenvalues."""
import numpy as np

from didazoda import TVX, Model

C = np.array([[2.0, 1.0, 0.0, 0.5], [1.0, 3.0, 1.0, 0.0], [0.0, 1.0, 2.0, 1.0],
              [0.5, 0.0, 1.0, 4.0]])
n = C.shape[0]

model = Model("min_eigenvalue")
X = model.addPsdVar(dim=n, name="X")
model.addConstr(np.eye(n) * X == 1, name="trace")
model.setObjective(C * X, TVX.MINIMIZE)
model.optimize()

expected = np.linalg.eigvalsh(C)[0]
if model.Status != TVX.OPTIMAL or abs(model.ObjVal - expected) > 1e-5:
    raise SystemExit("unexpected result: status {}, value {}".format(model.Status, model.ObjVal))
print("smallest eigenvalue {:.6f} (numpy: {:.6f})".format(model.ObjVal, expected))
model.dispose()
