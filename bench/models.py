"""The benchmark models, each written in every library's own idiom.

Each builder takes (N, solve) and returns the objective value (None when the
solve was suppressed by a zero time limit). With solve False the model is
built, handed to the solver and stopped at once, so only building counts.
"""
import math


# ---- shared data -----------------------------------------------------------

def lqcp_data(n):
    dx = 1.0 / n
    T = 1.58
    dt = T / n
    h2 = dx * dx
    a = 0.001
    yt = [0.5 * (1 - (j * dx) ** 2) for j in range(n + 1)]
    return dx, dt, h2, a, yt


def lqcp_constraints(y, u, n, dx, dt, h2):
    """The constraints of lqcp as comparisons, for the libraries whose
    operators build them alike: the heat equation, the initial state and
    the two boundaries."""
    c = 0.5 * dt / h2
    for i in range(n):
        for j in range(1, n):
            yield y[i + 1, j] - y[i, j] == c * (y[i, j - 1] - 2 * y[i, j] + y[i, j + 1]
                                                + y[i + 1, j - 1] - 2 * y[i + 1, j]
                                                + y[i + 1, j + 1])
    for j in range(n + 1):
        yield y[0, j] == 0
    for i in range(1, n + 1):
        yield y[i, 2] - 4 * y[i, 1] + 3 * y[i, 0] == 0
    for i in range(1, n + 1):
        yield (y[i, n - 2] - 4 * y[i, n - 1] + 3 * y[i, n]) * (1 / (2 * dx)) == u[i] - y[i, n]


def lqcp_nnz(n):
    return 6 * n * (n - 1) + (n + 1) + 3 * n + 4 * n


FAC_M = 2 * math.sqrt(2)


def fac_nnz(n):
    return 8 * (n + 1) ** 2 * n + (n + 1) ** 2 * n


def basic_nnz(n):
    return 4 * n * n


# The array road: A @ x <= b with A a scipy CSR matrix of N nonzeros, ten a
# row, built before the timer starts (array_floor.cpp builds the same one).
# Columns, values and right-hand sides follow fixed formulas, no random
# numbers, so that every library and the C++ floor see the same model:
# maximise sum(x) over 0 <= x <= 1.
ARRAY_PER_ROW = 10


def array_shape(n):
    return n // ARRAY_PER_ROW, max(ARRAY_PER_ROW, n // 50)


def array_data(n):
    import numpy as np
    import scipy.sparse as sp
    rows, cols = array_shape(n)
    i = np.arange(rows, dtype=np.int64)[:, None]
    k = np.arange(ARRAY_PER_ROW, dtype=np.int64)[None, :]
    col = (i * 7919 + k * (cols // ARRAY_PER_ROW)) % cols
    col.sort(axis=1)
    val = 1.0 + ((i * 31 + col * 17) % 97) / 97.0
    b = 1.0 + np.arange(rows) % 5
    indptr = np.arange(0, rows * ARRAY_PER_ROW + 1, ARRAY_PER_ROW)
    return sp.csr_array((val.ravel(), col.ravel(), indptr), shape=(rows, cols)), b


def array_nnz(n):
    return array_shape(n)[0] * ARRAY_PER_ROW


# Cases whose data is made before the build is timed.
DATA = {"array": array_data}

NNZ = {"lqcp": lqcp_nnz, "fac": fac_nnz, "basic": basic_nnz, "array": array_nnz}
OPTIMUM = {"basic": lambda n: n * n * (n + 1), "fac": lambda n: 0.0}

# Libraries whose scalar layer states no quadratic objective.
LINEAR_ONLY = {"mip", "pulp"}


# ---- didazoda --------------------------------------------------------------

def _dz_finish(m, solve):
    import didazoda
    if not solve:
        m.setParam("MaxTime", 0)
    try:
        m.optimize()
    except didazoda.TarvexError:
        # A zero time limit stops the solve before it starts.
        if solve:
            raise
    return m.ObjVal if solve else None


def _dz_model():
    from didazoda import Model
    m = Model("bench")
    m.setParam("NumThreads", 1)
    return m


def didazoda_lqcp(n, solve):
    from didazoda import TVX, quicksum
    m = _dz_model()
    dx, dt, h2, a, yt = lqcp_data(n)
    y = m.addVars(n + 1, n + 1, lb=0.0, ub=1.0)
    u = m.addVars(range(1, n + 1), lb=-1.0, ub=1.0)
    obj = 0.25 * dx * ((y[n, 0] - yt[0]) * (y[n, 0] - yt[0])
                       + 2 * quicksum((y[n, j] - yt[j]) * (y[n, j] - yt[j]) for j in range(1, n))
                       + (y[n, n] - yt[n]) * (y[n, n] - yt[n]))
    obj += 0.25 * a * dt * (2 * quicksum(u[i] * u[i] for i in range(1, n)) + u[n] * u[n])
    m.setObjective(obj, TVX.MINIMIZE)
    for con in lqcp_constraints(y, u, n, dx, dt, h2):
        m.addConstr(con)
    return _dz_finish(m, solve)


def didazoda_fac(n, solve):
    from didazoda import TVX, quicksum
    m = _dz_model()
    G = F = n
    y = m.addVars(F, 2, lb=0.0, ub=1.0)
    s = m.addVars(G + 1, G + 1, F, lb=0.0)
    z = m.addVars(G + 1, G + 1, F, vtype=TVX.BINARY)
    r = m.addVars(G + 1, G + 1, F, 2, lb=-TVX.INFINITY)
    d = m.addVar()
    m.setObjective(d + 0, TVX.MINIMIZE)
    for i in range(G + 1):
        for j in range(G + 1):
            m.addConstr(quicksum(z[i, j, f] for f in range(F)) == 1)
    for i in range(G + 1):
        for j in range(G + 1):
            for f in range(F):
                m.addConstr(r[i, j, f, 0] == i / G - y[f, 0])
                m.addConstr(r[i, j, f, 1] == j / G - y[f, 1])
                m.addConstr(d >= s[i, j, f] - FAC_M * (1 - z[i, j, f]))
    return _dz_finish(m, solve)


def didazoda_basic(n, solve):
    from didazoda import TVX, quicksum
    m = _dz_model()
    x = m.addVars(n, n)
    y = m.addVars(n, n)
    m.setObjective(quicksum(2 * x[i, j] + y[i, j] for i in range(n) for j in range(n)),
                   TVX.MINIMIZE)
    for i in range(n):
        for j in range(n):
            m.addConstr(x[i, j] - y[i, j] >= i + 1)
            m.addConstr(x[i, j] + y[i, j] >= 0)
    return _dz_finish(m, solve)


def didazoda_array(n, solve, data):
    from didazoda import TVX
    A, b = data
    m = _dz_model()
    x = m.addMVar(A.shape[1], lb=0.0, ub=1.0)
    m.addConstr(A @ x <= b)
    m.setObjective(x.sum().item(), TVX.MAXIMIZE)
    return _dz_finish(m, solve)


# ---- PyOptInterface (HiGHS) ------------------------------------------------

def _poi_model():
    import pyoptinterface as poi
    from pyoptinterface import highs
    m = highs.Model()
    m.set_model_attribute(poi.ModelAttribute.Silent, True)
    m.set_raw_parameter("threads", 1)
    return m


def _poi_finish(m, solve):
    import pyoptinterface as poi
    if not solve:
        m.set_model_attribute(poi.ModelAttribute.TimeLimitSec, 0.0)
    m.optimize()
    return m.get_model_attribute(poi.ModelAttribute.ObjectiveValue) if solve else None


def pyoptinterface_lqcp(n, solve):
    import pyoptinterface as poi
    m = _poi_model()
    dx, dt, h2, a, yt = lqcp_data(n)
    y = m.add_variables(range(n + 1), range(n + 1), lb=0.0, ub=1.0)
    u = {i: m.add_variable(lb=-1.0, ub=1.0) for i in range(1, n + 1)}
    obj = poi.ExprBuilder()
    obj += 0.25 * dx * (y[n, 0] - yt[0]) * (y[n, 0] - yt[0])
    for j in range(1, n):
        obj += 0.5 * dx * (y[n, j] - yt[j]) * (y[n, j] - yt[j])
    obj += 0.25 * dx * (y[n, n] - yt[n]) * (y[n, n] - yt[n])
    for i in range(1, n):
        obj += 0.5 * a * dt * u[i] * u[i]
    obj += 0.25 * a * dt * u[n] * u[n]
    m.set_objective(obj, poi.ObjectiveSense.Minimize)
    c = 0.5 * dt / h2
    for i in range(n):
        for j in range(1, n):
            e = poi.ExprBuilder()
            e += y[i + 1, j]
            e -= y[i, j]
            e -= c * y[i, j - 1]
            e += 2 * c * y[i, j]
            e -= c * y[i, j + 1]
            e -= c * y[i + 1, j - 1]
            e += 2 * c * y[i + 1, j]
            e -= c * y[i + 1, j + 1]
            m.add_linear_constraint(e, poi.Eq, 0.0)
    for j in range(n + 1):
        m.add_linear_constraint(y[0, j], poi.Eq, 0.0)
    for i in range(1, n + 1):
        m.add_linear_constraint(y[i, 2] - 4 * y[i, 1] + 3 * y[i, 0], poi.Eq, 0.0)
    k = 1 / (2 * dx)
    for i in range(1, n + 1):
        m.add_linear_constraint(k * y[i, n - 2] - 4 * k * y[i, n - 1] + (3 * k + 1) * y[i, n]
                                - u[i], poi.Eq, 0.0)
    return _poi_finish(m, solve)


def pyoptinterface_fac(n, solve):
    import pyoptinterface as poi
    m = _poi_model()
    G = F = n
    y = m.add_variables(range(F), range(2), lb=0.0, ub=1.0)
    s = m.add_variables(range(G + 1), range(G + 1), range(F), lb=0.0)
    z = m.add_variables(range(G + 1), range(G + 1), range(F), domain=poi.VariableDomain.Binary)
    r = m.add_variables(range(G + 1), range(G + 1), range(F), range(2))
    d = m.add_variable(lb=0.0)
    m.set_objective(poi.ExprBuilder(d), poi.ObjectiveSense.Minimize)
    e = poi.ExprBuilder()
    for i in range(G + 1):
        for j in range(G + 1):
            e.clear()
            for f in range(F):
                e += z[i, j, f]
            m.add_linear_constraint(e, poi.Eq, 1.0)
    for i in range(G + 1):
        for j in range(G + 1):
            for f in range(F):
                e.clear()
                e += r[i, j, f, 0]
                e += y[f, 0]
                m.add_linear_constraint(e, poi.Eq, i / G)
                e.clear()
                e += r[i, j, f, 1]
                e += y[f, 1]
                m.add_linear_constraint(e, poi.Eq, j / G)
                e.clear()
                e += s[i, j, f]
                e -= d
                e += FAC_M * z[i, j, f]
                m.add_linear_constraint(e, poi.Leq, FAC_M)
    return _poi_finish(m, solve)


def pyoptinterface_basic(n, solve):
    import pyoptinterface as poi
    m = _poi_model()
    x = m.add_variables(range(n), range(n), lb=0.0)
    y = m.add_variables(range(n), range(n), lb=0.0)
    obj = poi.ExprBuilder()
    for i in range(n):
        for j in range(n):
            obj += 2 * x[i, j]
            obj += y[i, j]
    m.set_objective(obj, poi.ObjectiveSense.Minimize)
    for i in range(n):
        for j in range(n):
            m.add_linear_constraint(x[i, j] - y[i, j], poi.Geq, i + 1)
            m.add_linear_constraint(x[i, j] + y[i, j], poi.Geq, 0.0)
    return _poi_finish(m, solve)


def pyoptinterface_array(n, solve, data):
    import pyoptinterface as poi
    A, b = data
    m = _poi_model()
    x = m.add_m_variables(A.shape[1], lb=0.0, ub=1.0)
    m.add_m_linear_constraints(A, x, poi.Leq, b)
    m.set_objective(poi.quicksum(x), poi.ObjectiveSense.Maximize)
    return _poi_finish(m, solve)


# ---- highspy's modelling layer ---------------------------------------------

def _hs_model(solve):
    import highspy
    h = highspy.Highs()
    h.silent()
    h.setOptionValue("threads", 1)
    if not solve:
        h.setOptionValue("time_limit", 0.0)
    return h


def _hs_obj(h, solve):
    return h.getInfo().objective_function_value if solve else None


def highspy_lqcp(n, solve):
    h = _hs_model(solve)
    dx, dt, h2, a, yt = lqcp_data(n)
    y = {(i, j): h.addVariable(lb=0.0, ub=1.0) for i in range(n + 1) for j in range(n + 1)}
    u = {i: h.addVariable(lb=-1.0, ub=1.0) for i in range(1, n + 1)}
    for con in lqcp_constraints(y, u, n, dx, dt, h2):
        h.addConstr(con)
    # The modelling layer states linear objectives only: the quadratic one
    # goes in as cost vector, diagonal Hessian and offset.
    import numpy as np
    import highspy
    nv = h.getNumCol()
    cost, diag, offset = np.zeros(nv), np.zeros(nv), 0.0
    for j in range(n + 1):
        w = 0.25 * dx if j in (0, n) else 0.5 * dx
        k = y[n, j].index
        diag[k] = 2 * w
        cost[k] = -2 * w * yt[j]
        offset += w * yt[j] ** 2
    for i in range(1, n + 1):
        diag[u[i].index] = 2 * (0.25 if i == n else 0.5) * a * dt
    cols = np.flatnonzero(diag).astype(np.int32)
    start = np.searchsorted(cols, np.arange(nv + 1)).astype(np.int32)
    h.changeColsCost(nv, np.arange(nv, dtype=np.int32), cost)
    h.changeObjectiveOffset(offset)
    h.passHessian(nv, len(cols), highspy.HessianFormat.kTriangular, start, cols, diag[cols])
    h.run()
    return _hs_obj(h, solve)


def highspy_fac(n, solve):
    import highspy
    h = _hs_model(solve)
    G = F = n
    y = {(f, k): h.addVariable(lb=0.0, ub=1.0) for f in range(F) for k in range(2)}
    idx = [(i, j, f) for i in range(G + 1) for j in range(G + 1) for f in range(F)]
    s = {t: h.addVariable(lb=0.0) for t in idx}
    z = {t: h.addVariable(lb=0.0, ub=1.0, type=highspy.HighsVarType.kInteger) for t in idx}
    r = {(t, k): h.addVariable(lb=-highspy.kHighsInf) for t in idx for k in range(2)}
    d = h.addVariable(lb=0.0)
    for i in range(G + 1):
        for j in range(G + 1):
            h.addConstr(sum(z[i, j, f] for f in range(F)) == 1)
    for t in idx:
        i, j, f = t
        h.addConstr(r[t, 0] == i / G - y[f, 0])
        h.addConstr(r[t, 1] == j / G - y[f, 1])
        h.addConstr(d >= s[t] - FAC_M * (1 - z[t]))
    h.minimize(d + 0)
    return _hs_obj(h, solve)


def highspy_basic(n, solve):
    h = _hs_model(solve)
    x = {(i, j): h.addVariable(lb=0.0) for i in range(n) for j in range(n)}
    y = {(i, j): h.addVariable(lb=0.0) for i in range(n) for j in range(n)}
    for i in range(n):
        for j in range(n):
            h.addConstr(x[i, j] - y[i, j] >= i + 1)
            h.addConstr(x[i, j] + y[i, j] >= 0)
    h.minimize(sum(2 * x[k] + y[k] for k in x))
    return _hs_obj(h, solve)


# ---- linopy (HiGHS): its idiom is whole arrays -----------------------------

def _lp_finish(m, solve):
    kw = {"threads": 1}
    if not solve:
        kw["time_limit"] = 0.0
    try:
        m.solve(solver_name="highs", output_flag=False, **kw)
    except Exception:
        if solve:
            raise
    return m.objective.value if solve else None


def linopy_lqcp(n, solve):
    import numpy as np
    import xarray as xr
    import linopy
    dx, dt, h2, a, yt = lqcp_data(n)
    m = linopy.Model()
    grid = np.arange(n + 1)
    y = m.add_variables(lower=0.0, upper=1.0, coords=[grid, grid], dims=["i", "j"], name="y")
    u = m.add_variables(lower=-1.0, upper=1.0, coords=[np.arange(1, n + 1)], dims=["i"],
                        name="u")
    c = 0.5 * dt / h2
    ii, jj = np.arange(n), np.arange(1, n)

    def Y(di, dj):
        return y.sel(i=ii + di, j=jj + dj).assign_coords(i=ii, j=jj)

    m.add_constraints(Y(1, 0) - Y(0, 0) - c * (Y(0, -1) - 2 * Y(0, 0) + Y(0, 1)
                                               + Y(1, -1) - 2 * Y(1, 0) + Y(1, 1)) == 0,
                      name="pde")
    m.add_constraints(y.sel(i=0) == 0, name="init")
    rows = np.arange(1, n + 1)

    def yi(j):
        return y.sel(i=rows, j=j)

    m.add_constraints(yi(2) - 4 * yi(1) + 3 * yi(0) == 0, name="left")
    m.add_constraints((yi(n - 2) - 4 * yi(n - 1) + 3 * yi(n)) * (1 / (2 * dx)) - u + yi(n)
                      == 0, name="right")
    w = np.full(n + 1, 0.5 * dx)
    w[0] = w[n] = 0.25 * dx
    yn = y.sel(i=n)
    wt = xr.DataArray(w, coords=[grid], dims=["j"])
    ytd = xr.DataArray(yt, coords=[grid], dims=["j"])
    wu = np.full(n, 0.5 * a * dt)
    wu[-1] = 0.25 * a * dt
    wud = xr.DataArray(wu, coords=[rows], dims=["i"])
    obj = (wt * yn * yn).sum() - (2 * wt * ytd * yn).sum() + (wud * u * u).sum()
    m.add_objective(obj)
    val = _lp_finish(m, solve)
    # linopy drops the objective's constant term.
    return None if val is None else val + float((w * np.array(yt) ** 2).sum())


def linopy_fac(n, solve):
    import numpy as np
    import xarray as xr
    import linopy
    G = F = n
    m = linopy.Model()
    P, Fs, K = np.arange(G + 1), np.arange(F), np.arange(2)
    y = m.add_variables(lower=0.0, upper=1.0, coords=[Fs, K], dims=["f", "k"], name="y")
    s = m.add_variables(lower=0.0, coords=[P, P, Fs], dims=["i", "j", "f"], name="s")
    z = m.add_variables(binary=True, coords=[P, P, Fs], dims=["i", "j", "f"], name="z")
    r = m.add_variables(coords=[P, P, Fs, K], dims=["i", "j", "f", "k"], name="r")
    d = m.add_variables(lower=0.0, name="d")
    m.add_constraints(z.sum("f") == 1, name="assign")
    pos = xr.DataArray(P / G, coords=[P], dims=["i"])
    m.add_constraints(r.sel(k=0) + y.sel(k=0) == pos, name="rx")
    m.add_constraints(r.sel(k=1) + y.sel(k=1) == pos.rename(i="j"), name="ry")
    m.add_constraints(s - d + FAC_M * z <= FAC_M, name="dist")
    m.add_objective(1 * d)
    return _lp_finish(m, solve)


def linopy_basic(n, solve):
    import numpy as np
    import xarray as xr
    import linopy
    m = linopy.Model()
    N = np.arange(n)
    x = m.add_variables(lower=0.0, coords=[N, N], dims=["i", "j"], name="x")
    y = m.add_variables(lower=0.0, coords=[N, N], dims=["i", "j"], name="y")
    m.add_constraints(x - y >= xr.DataArray(N + 1.0, coords=[N], dims=["i"]), name="a")
    m.add_constraints(x + y >= 0, name="b")
    m.add_objective((2 * x + y).sum())
    return _lp_finish(m, solve)


def linopy_array(n, solve, data):
    # linopy's matrix form: the rows' variable labels and coefficients as
    # (row, term) arrays, read straight from the CSR matrix.
    import numpy as np
    import xarray as xr
    import linopy
    A, b = data
    rows, cols = A.shape
    m = linopy.Model()
    x = m.add_variables(lower=0.0, upper=1.0, coords=[np.arange(cols)], dims=["j"], name="x")
    per = np.diff(A.indptr)
    width = int(per.max()) if rows else 0
    labels = np.full((rows, width), -1, dtype=np.int64)
    coeffs = np.zeros((rows, width))
    slot = np.arange(A.nnz) - np.repeat(A.indptr[:-1], per)
    rowof = np.repeat(np.arange(rows), per)
    labels[rowof, slot] = x.labels.values[A.indices]
    coeffs[rowof, slot] = A.data
    R = np.arange(rows)
    lhs = linopy.LinearExpression(
        xr.Dataset({"coeffs": (("i", "_term"), coeffs), "vars": (("i", "_term"), labels)},
                   coords={"i": R}), m)
    m.add_constraints(lhs <= xr.DataArray(b, coords=[R], dims=["i"]), name="rows")
    m.add_objective(x.sum(), sense="max")
    return _lp_finish(m, solve)


# ---- python-mip (CBC; linear only) -----------------------------------------

def _mip_model():
    import mip
    m = mip.Model(sense=mip.MINIMIZE, solver_name=mip.CBC)
    m.verbose = 0
    m.threads = 1
    return m


def _mip_finish(m, solve):
    if solve:
        m.optimize()
        return m.objective_value
    m.optimize(max_seconds=0)
    return None


def mip_fac(n, solve):
    import mip
    m = _mip_model()
    G = F = n
    y = {(f, k): m.add_var(lb=0.0, ub=1.0) for f in range(F) for k in range(2)}
    idx = [(i, j, f) for i in range(G + 1) for j in range(G + 1) for f in range(F)]
    s = {t: m.add_var(lb=0.0) for t in idx}
    z = {t: m.add_var(var_type=mip.BINARY) for t in idx}
    r = {(t, k): m.add_var(lb=-mip.INF) for t in idx for k in range(2)}
    d = m.add_var(lb=0.0)
    m.objective = mip.minimize(d)
    for i in range(G + 1):
        for j in range(G + 1):
            m += mip.xsum(z[i, j, f] for f in range(F)) == 1
    for t in idx:
        i, j, f = t
        m += r[t, 0] == i / G - y[f, 0]
        m += r[t, 1] == j / G - y[f, 1]
        m += d >= s[t] - FAC_M * (1 - z[t])
    return _mip_finish(m, solve)


def mip_basic(n, solve):
    import mip
    m = _mip_model()
    x = {(i, j): m.add_var(lb=0.0) for i in range(n) for j in range(n)}
    y = {(i, j): m.add_var(lb=0.0) for i in range(n) for j in range(n)}
    m.objective = mip.minimize(mip.xsum(2 * x[k] + y[k] for k in x))
    for i in range(n):
        for j in range(n):
            m += x[i, j] - y[i, j] >= i + 1
            m += x[i, j] + y[i, j] >= 0
    return _mip_finish(m, solve)


# ---- Pyomo (HiGHS through its persistent interface) ------------------------

def _pyomo_finish(m, solve):
    from pyomo.contrib.solver.solvers.highs import Highs
    kw = {"solver_options": {"threads": 1}, "load_solutions": False,
          "raise_exception_on_nonoptimal_result": False}
    if not solve:
        kw["time_limit"] = 0.0
    res = Highs().solve(m, **kw)
    return res.incumbent_objective if solve else None


def pyomo_lqcp(n, solve):
    import pyomo.environ as pyo
    dx, dt, h2, a, yt = lqcp_data(n)
    m = pyo.ConcreteModel()
    m.I = pyo.RangeSet(0, n)
    m.U = pyo.RangeSet(1, n)
    m.y = pyo.Var(m.I, m.I, bounds=(0.0, 1.0))
    m.u = pyo.Var(m.U, bounds=(-1.0, 1.0))
    y, u = m.y, m.u
    m.obj = pyo.Objective(expr=0.25 * dx * ((y[n, 0] - yt[0]) ** 2
                                            + 2 * sum((y[n, j] - yt[j]) ** 2 for j in range(1, n))
                                            + (y[n, n] - yt[n]) ** 2)
                          + 0.25 * a * dt * (2 * sum(u[i] ** 2 for i in range(1, n)) + u[n] ** 2))
    c = 0.5 * dt / h2
    m.pde = pyo.Constraint(pyo.RangeSet(0, n - 1), pyo.RangeSet(1, n - 1), rule=lambda m, i, j:
                           y[i + 1, j] - y[i, j] == c * (y[i, j - 1] - 2 * y[i, j] + y[i, j + 1]
                                                         + y[i + 1, j - 1] - 2 * y[i + 1, j]
                                                         + y[i + 1, j + 1]))
    m.init = pyo.Constraint(m.I, rule=lambda m, j: y[0, j] == 0)
    m.left = pyo.Constraint(m.U, rule=lambda m, i: y[i, 2] - 4 * y[i, 1] + 3 * y[i, 0] == 0)
    m.right = pyo.Constraint(m.U, rule=lambda m, i: (y[i, n - 2] - 4 * y[i, n - 1]
                                                     + 3 * y[i, n]) / (2 * dx) == u[i] - y[i, n])
    return _pyomo_finish(m, solve)


def pyomo_fac(n, solve):
    import pyomo.environ as pyo
    G = F = n
    m = pyo.ConcreteModel()
    P, Fs, K = pyo.RangeSet(0, G), pyo.RangeSet(0, F - 1), pyo.RangeSet(0, 1)
    m.P, m.F, m.K = P, Fs, K
    m.y = pyo.Var(Fs, K, bounds=(0.0, 1.0))
    m.s = pyo.Var(P, P, Fs, within=pyo.NonNegativeReals)
    m.z = pyo.Var(P, P, Fs, within=pyo.Binary)
    m.r = pyo.Var(P, P, Fs, K)
    m.d = pyo.Var(within=pyo.NonNegativeReals)
    m.obj = pyo.Objective(expr=m.d)
    m.assign = pyo.Constraint(P, P, rule=lambda m, i, j: sum(m.z[i, j, f] for f in Fs) == 1)
    m.rx = pyo.Constraint(P, P, Fs, rule=lambda m, i, j, f: m.r[i, j, f, 0] == i / G - m.y[f, 0])
    m.ry = pyo.Constraint(P, P, Fs, rule=lambda m, i, j, f: m.r[i, j, f, 1] == j / G - m.y[f, 1])
    m.dist = pyo.Constraint(P, P, Fs, rule=lambda m, i, j, f:
                            m.d >= m.s[i, j, f] - FAC_M * (1 - m.z[i, j, f]))
    return _pyomo_finish(m, solve)


def pyomo_basic(n, solve):
    import pyomo.environ as pyo
    m = pyo.ConcreteModel()
    m.N = pyo.RangeSet(0, n - 1)
    m.x = pyo.Var(m.N, m.N, within=pyo.NonNegativeReals)
    m.y = pyo.Var(m.N, m.N, within=pyo.NonNegativeReals)
    m.obj = pyo.Objective(expr=sum(2 * m.x[i, j] + m.y[i, j] for i in m.N for j in m.N))
    m.a = pyo.Constraint(m.N, m.N, rule=lambda m, i, j: m.x[i, j] - m.y[i, j] >= i + 1)
    m.b = pyo.Constraint(m.N, m.N, rule=lambda m, i, j: m.x[i, j] + m.y[i, j] >= 0)
    return _pyomo_finish(m, solve)


# ---- PuLP (HiGHS through highspy; linear only) ------------------------------

def _pulp_finish(p, solve):
    import pulp
    kw = {"msg": False, "threads": 1}
    if not solve:
        kw["timeLimit"] = 0
    try:
        p.solve(pulp.HiGHS(**kw))
    except Exception:
        if solve:
            raise
    return pulp.value(p.objective) if solve else None


def pulp_fac(n, solve):
    import pulp
    G = F = n
    p = pulp.LpProblem("fac", pulp.LpMinimize)
    P, Fs = range(G + 1), range(F)
    y = pulp.LpVariable.dicts("y", (Fs, range(2)), 0, 1)
    s = pulp.LpVariable.dicts("s", (P, P, Fs), 0)
    z = pulp.LpVariable.dicts("z", (P, P, Fs), cat=pulp.LpBinary)
    r = pulp.LpVariable.dicts("r", (P, P, Fs, range(2)))
    d = pulp.LpVariable("d", 0)
    p += d
    for i in P:
        for j in P:
            p += pulp.lpSum(z[i][j][f] for f in Fs) == 1
    for i in P:
        for j in P:
            for f in Fs:
                p += r[i][j][f][0] == i / G - y[f][0]
                p += r[i][j][f][1] == j / G - y[f][1]
                p += d >= s[i][j][f] - FAC_M * (1 - z[i][j][f])
    return _pulp_finish(p, solve)


def pulp_basic(n, solve):
    import pulp
    p = pulp.LpProblem("basic", pulp.LpMinimize)
    x = pulp.LpVariable.dicts("x", (range(n), range(n)), 0)
    y = pulp.LpVariable.dicts("y", (range(n), range(n)), 0)
    p += pulp.lpSum(2 * x[i][j] + y[i][j] for i in range(n) for j in range(n))
    for i in range(n):
        for j in range(n):
            p += x[i][j] - y[i][j] >= i + 1
            p += x[i][j] + y[i][j] >= 0
    return _pulp_finish(p, solve)


def builder(lib, case):
    return globals().get("{}_{}".format(lib, case))
