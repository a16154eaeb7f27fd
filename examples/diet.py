"""The cheapest daily diet from four foods that meets calorie, protein and
fat requirements (a linear program)."""
from didazoda import TVX, Model, multidict, quicksum

foods, cost = multidict({"bread": 2.0, "milk": 3.5, "cheese": 8.0, "beans": 4.0})
nutrients, low, high = multidict({"calories": [2000, 3000], "protein": [60, 200],
                                  "fat": [0, 70]})
content = {
    ("bread", "calories"): 250, ("bread", "protein"): 8, ("bread", "fat"): 3,
    ("milk", "calories"): 150, ("milk", "protein"): 8, ("milk", "fat"): 8,
    ("cheese", "calories"): 400, ("cheese", "protein"): 25, ("cheese", "fat"): 33,
    ("beans", "calories"): 300, ("beans", "protein"): 20, ("beans", "fat"): 1,
}

m = Model("diet")
buy = m.addVars(foods, ub=10, name="buy")
for n in nutrients:
    m.addRange(quicksum(content[f, n] * buy[f] for f in foods), low[n], high[n], name=n)
m.setObjective(quicksum(cost[f] * buy[f] for f in foods), TVX.MINIMIZE)
m.optimize()

print("cost {:.4f}".format(m.ObjVal))
assert abs(m.ObjVal - 16) < 1e-6  # the known optimum: eight loaves of bread
for f in foods:
    if buy[f].X > 1e-9:
        print("  {:>7}: {:.4f}".format(f, buy[f].X))
m.dispose()
