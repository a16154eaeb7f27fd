"""Kinds of rows of the fuzz table, and how each becomes calls.

A call is the source of one line of Python run in the namespace of
fuzz.hostile; `o` names the instance a method or operator is applied to."""
import inspect
import types

from hypothesis import strategies as st

from . import hostile
from .pool import KEYS, VALUES

MAX_ARGS = 3  # positional arguments tried when a signature cannot be read

# Applied to every instance; {a} and {b} are hostile values, {args} an argument list.
OPERATORS = [
    "o + {a}", "{a} + o", "o - {a}", "{a} - o", "o * {a}", "{a} * o", "o / {a}", "{a} / o",
    "o // {a}", "o % {a}", "o ** {a}", "{a} ** o", "o @ {a}", "{a} @ o", "o & {a}", "o | {a}",
    "o == {a}", "o != {a}", "o < {a}", "o <= {a}", "o > {a}", "o >= {a}", "{a} <= o",
    "{a} == o", "o += {a}", "o -= {a}", "o *= {a}", "o /= {a}", "o @= {a}",
    "o[{a}]", "o[{a}] = {b}", "del o[{a}]", "o[{a}, {b}]", "{a} in o", "o({args})",
    "np.add(o, {a})", "np.multiply({a}, o)", "getattr(o, {a})", "setattr(o, {a}, {b})",
    "o.__init__({args})", "o.__setstate__({a})", "o.__reduce_ex__({a})", "format(o, {a})",
    "type(o).__new__(type(o), {args})",
]
# Applied to every instance, with no hostile value.
UNARY = [
    "-o", "+o", "abs(o)", "~o", "len(o)", "hash(o)", "bool(o)", "list(iter(o))", "repr(o)",
    "str(o)", "int(o)", "float(o)", "np.asarray(o)", "dir(o)", "o.__reduce__()",
    "o.__sizeof__()", "gc.get_referents(o)", "weakref.ref(o)", "o + o", "o * o", "o += o",
    "o == o", "o[:]", "copy.copy(o)", "copy.deepcopy(o)", "pickle.loads(pickle.dumps(o))",
    "pickle.loads(pickle.dumps(o, 0))", "pickle.loads(pickle.dumps(o, 5))",
    "copy.copy(o).__init__()", "o.__init__()",
]


def leaf():
    return st.sampled_from(VALUES)


def argument():
    """One hostile value: a pool entry or a small container of them."""

    def grow(inner):
        items = st.lists(inner, max_size=3)
        return st.one_of(
            items.map(lambda xs: "[" + ", ".join(xs) + "]"),
            items.map(lambda xs: "(" + "".join(x + ", " for x in xs) + ")"),
            items.map(lambda xs: "gen(" + ", ".join(xs) + ")"),
            st.lists(st.tuples(st.sampled_from(KEYS), inner), max_size=3).map(
                lambda kv: "{" + ", ".join(f"{k}: {v}" for k, v in kv) + "}"),
        )

    return st.recursive(leaf(), grow, max_leaves=6)


def arguments(lo, hi, keywords=()):
    """An argument list of lo..hi positional values and a few keywords."""
    positional = st.lists(argument(), min_size=lo, max_size=hi)
    names = st.sampled_from(list(keywords) + ["bogus"])
    named = st.lists(st.tuples(names, argument()), max_size=2 if keywords else 1,
                     unique_by=lambda kv: kv[0])
    return st.tuples(positional, named).map(
        lambda pn: ", ".join(pn[0] + [f"{k}={v}" for k, v in pn[1]]))


def _positional_range(obj):
    try:
        params = list(inspect.signature(obj).parameters.values())
    except (TypeError, ValueError):
        return 0, MAX_ARGS
    if params and params[0].name == "self":
        params = params[1:]
    if any(p.kind is p.VAR_POSITIONAL for p in params):
        return 0, MAX_ARGS
    n = sum(p.kind in (p.POSITIONAL_ONLY, p.POSITIONAL_OR_KEYWORD) for p in params)
    return 0, n + 1  # one too many as well


def _keywords(obj):
    try:
        return tuple(p.name for p in inspect.signature(obj).parameters.values()
                     if p.kind in (p.POSITIONAL_OR_KEYWORD, p.KEYWORD_ONLY) and p.name != "self")
    except (TypeError, ValueError):
        return ()


class Row:
    """Builds its strategy once: members are looked up and signatures read
    when it is first drawn from."""

    _strategy = None

    def calls(self):
        if self._strategy is None:
            self._strategy = self._calls()
        return self._strategy


class Func(Row):
    """A callable: `expr` evaluates to it; lo..hi positional arguments."""

    def __init__(self, expr, lo=0, hi=MAX_ARGS, *keywords):
        self.expr, self.lo, self.hi, self.keywords = expr, lo, hi, keywords

    def __repr__(self):
        return self.expr

    def names(self):
        return {self.expr}

    def factories(self):
        return []

    def _calls(self):
        return arguments(self.lo, self.hi, self.keywords).map(lambda a: f"{self.expr}({a})")

    def sweep(self):
        out = [f"{self.expr}()"]
        for v in VALUES:
            out += [f"{self.expr}({', '.join([v] * n)})" for n in sorted({1, max(self.hi, 1)})]
        return out


class Instance(Row):
    """Objects made by each of `factories`: their public methods and attributes,
    operators, pickling and copying. Members named in `skip` are left alone."""

    def __init__(self, *factories, skip=()):
        self._factories, self.skip = list(factories), set(skip)

    def __repr__(self):
        return self._factories[0]

    def names(self):
        return {self._factories[0]}

    def factories(self):
        return list(self._factories)

    _found = None

    def _members_once(self):
        if self._found is None:
            self._found = self._members()
        return self._found

    def _members(self):
        """(methods, attributes) of the first factory's object, read here."""
        try:
            obj = eval(self._factories[0], vars(hostile).copy())
        except Exception:
            return [], []
        return self._split(type(obj), dir(obj))

    def _split(self, cls, names):
        methods, attributes = [], []
        for name in names:
            if name.startswith("_") or name in self.skip:
                continue
            try:
                static = inspect.getattr_static(cls, name)
            except AttributeError:
                attributes.append((name, None))
                continue
            if isinstance(static, (property, types.GetSetDescriptorType,
                                   types.MemberDescriptorType)) or not callable(static):
                attributes.append((name, None))
            else:
                methods.append((name, getattr(cls, name, None)))
        return methods, attributes

    def _member_calls(self, factory):
        methods, attributes = self._members_once()
        o = f"o = {factory}; "
        strategies = [
            st.sampled_from(UNARY).map(lambda t: o + t),
            st.tuples(st.sampled_from(OPERATORS), argument(), argument(),
                      arguments(0, MAX_ARGS)).map(
                lambda t: o + t[0].format(a=t[1], b=t[2], args=t[3])),
        ]
        for name, member in methods:
            lo, hi = _positional_range(member)
            strategies.append(arguments(lo, hi, _keywords(member)).map(
                lambda a, name=name: o + f"o.{name}({a})"))
        for name, _ in attributes:
            strategies.append(st.one_of(
                st.just(o + f"o.{name}"),
                st.just(o + f"del o.{name}"),
                argument().map(lambda a, name=name: o + f"o.{name} = {a}")))
        return st.one_of(strategies)

    def _calls(self):
        return st.one_of([self._member_calls(f) for f in self._factories])

    def sweep(self):
        """Every method of the first factory's object with each pool value as
        its first and as its every argument; the other objects' methods, every
        attribute and the operators take the pool values in rotation."""
        methods, attributes = self._members()
        out = []
        for index, factory in enumerate(self._factories):
            o = f"o = {factory}; "
            out += [o + t for t in UNARY]
            out += [o + f"o.{name}()" for name, _ in methods]
            out += [o + f"o.{name}" for name, _ in attributes]
            out += [o + f"del o.{name}" for name, _ in attributes]
            if index == 0:
                for name, member in methods:
                    hi = max(_positional_range(member)[1], 1)
                    out += [o + f"o.{name}({', '.join([v] * n)})"
                            for v in VALUES for n in sorted({1, hi})]
            else:
                out += [o + f"o.{name}({v})" for (name, _), v in _rotation(methods)]
            out += [o + f"o.{name} = {v}" for (name, _), v in _rotation(attributes)]
            out += [o + t.format(a=v, b=v, args=v) for t, v in _rotation(OPERATORS)]
        return out


def _rotation(items, times=3):
    """(item, value) pairs: every pool value `times` times, the items in turn."""
    if not items:
        return []
    return [(items[(times * j + k) % len(items)], v)
            for j, v in enumerate(VALUES) for k in range(times)]


class Class(Instance):
    """A class of the module by name: its constructor with hostile arguments,
    the never-initialised instance, and everything Instance does for the
    instances made by `factories` (by default `Name()` and `new(Name)`)."""

    def __init__(self, name, *factories, skip=(), keywords=()):
        super().__init__(*(factories or (f"{name}()", f"new({name})")), skip=skip)
        self.name, self.keywords = name, keywords
        self._factories += [f"new({name})"] if f"new({name})" not in self._factories else []

    def __repr__(self):
        return self.name

    def names(self):
        return {self.name}

    def _members(self):
        cls = getattr(hostile, self.name, None)
        if cls is None:
            return [], []
        return self._split(cls, dir(cls))

    def _calls(self):
        ctor = arguments(0, MAX_ARGS, self.keywords)
        return st.one_of(
            ctor.map(lambda a: f"{self.name}({a})"),
            ctor.map(lambda a: f"new({self.name}, {a})" if a else f"new({self.name})"),
            super()._calls())

    def sweep(self):
        out = [f"{self.name}()", f"new({self.name})"]
        for v in VALUES:
            out += [f"{self.name}({v})", f"{self.name}({v}, {v})", f"new({self.name}, {v})"]
        return out + super().sweep()


def add_factories_to_pool(table):
    for row in table:
        VALUES.extend(f for f in row.factories() if f not in VALUES)
