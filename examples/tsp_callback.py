"""Callbacks: a travelling-salesman tour from the degree constraints alone,
with subtour cuts added by the callback whenever the search proposes a
solution that splits into several tours; checked against enumeration."""
import itertools
import math

from didazoda import TVX, Model, quicksum

cities = [(0, 0), (2, 7), (5, 3), (8, 8), (9, 1), (4, 9), (1, 4), (7, 5)]
n = len(cities)
dist = {(i, j): math.dist(cities[i], cities[j]) for i in range(n) for j in range(i + 1, n)}

model = Model("tsp")
edge = {e: model.addVar(vtype=TVX.BINARY, name="e{}_{}".format(*e)) for e in dist}
for i in range(n):
    model.addConstr(quicksum(v for e, v in edge.items() if i in e) == 2, name="deg{}".format(i))
model.setObjective(quicksum(dist[e] * v for e, v in edge.items()), TVX.MINIMIZE)


def tours(chosen):
    """The cities of each tour formed by the chosen edges."""
    next_of = {i: [] for i in range(n)}
    for i, j in chosen:
        next_of[i].append(j)
        next_of[j].append(i)
    seen, groups = set(), []
    for start in range(n):
        if start in seen:
            continue
        group, stack = [], [start]
        while stack:
            c = stack.pop()
            if c not in seen:
                seen.add(c)
                group.append(c)
                stack.extend(next_of[c])
        groups.append(group)
    return groups


def subtour_cuts(m, where):
    if where != TVX.Callback.MIPSOL:
        return
    keys = list(edge)
    values = m.cbGetSolution([edge[e] for e in keys])
    groups = tours([e for e, v in zip(keys, values) if v > 0.5])
    if len(groups) > 1:
        for group in groups:
            inside = quicksum(edge[i, j] for i, j in keys if i in group and j in group)
            m.cbCut(inside, TVX.LESS_EQUAL, len(group) - 1)


model.optimize(subtour_cuts)

best = min(sum(dist[min(a, b), max(a, b)] for a, b in zip((0,) + p, p + (0,)))
           for p in itertools.permutations(range(1, n)))
tour = [e for e in edge if edge[e].X > 0.5]
if model.Status != TVX.OPTIMAL or len(tours(tour)) != 1 or abs(model.ObjVal - best) > 1e-6:
    raise SystemExit("unexpected result: status {}, length {}".format(model.Status, model.ObjVal))
print("tour length {:.4f} (enumeration: {:.4f})".format(model.ObjVal, best))
model.dispose()
