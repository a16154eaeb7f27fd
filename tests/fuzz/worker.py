"""The fuzz worker: a fork server. It imports everything once, then for each
batch of calls read from stdin forks a child that runs them, so every batch
starts from the same state and a crash takes down only that child.

Protocol (one JSON object per line): in, {"calls": [source, ...],
"collect_every": n} (a full collection after every n-th call); out, from
the child {"child": pid}, then {"i": k, "status": ..., "error": ...} after each
call and {"done": true} once its objects are collected; then from the server
{"end": wait status}. The protocol runs on a copy of stdout; whatever the
calls print goes to stderr."""
import gc
import json
import os
import re
import signal
import sys

# Errors that mean the module broke the C API contract.
BROKEN = re.compile(r"NULL without setting|result with an exception set|"
                    r"error return without exception set|bad argument to internal function")


def classify(exc):
    text = _text(exc)
    if isinstance(exc, SystemError) or BROKEN.search(text):
        return "broken", f"{type(exc).__name__}: {text}"
    return "raised", f"{type(exc).__name__}: {text}"


def _text(exc):
    try:
        return str(exc)[:300]
    except BaseException:
        return "<str() failed>"


def run_batch(calls, base, out, collect_every=1):
    unraisable = []

    def hook(info):
        unraisable.append(info.exc_value)

    sys.unraisablehook = hook

    def send(record):
        out.write(json.dumps(record) + "\n")
        out.flush()

    send({"child": os.getpid()})
    for i, source in enumerate(calls):
        ns = dict(base)
        status, error = "ok", None
        try:
            exec(compile(source, "<fuzz>", "exec"), ns)
        except BaseException as exc:  # hostile code may raise anything
            status, error = classify(exc)
        # What the call made is shown and then dropped, so repr, tp_traverse
        # and dealloc of every result run here too.
        for name, value in ns.items():
            if name not in base:
                try:
                    repr(value)
                except BaseException as exc:
                    if classify(exc)[0] == "broken":
                        status, error = classify(exc)
        ns.clear()
        del ns
        if (i + 1) % collect_every == 0:
            gc.collect()
        for exc in unraisable:
            if classify(exc)[0] == "broken":
                status, error = "broken", "unraisable " + classify(exc)[1]
        unraisable.clear()
        send({"i": i, "status": status, "error": error})
    gc.collect()
    send({"done": True})


def child_limits(sanitized):
    # Without the sanitizers a hostile size could allocate without bound
    # (with them, the allocator refuses; an address-space limit would break
    # their shadow memory).
    if not sanitized:
        import resource
        limit = 8 << 30
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))


def main():
    out = os.fdopen(os.dup(1), "w")
    os.dup2(2, 1)
    sys.stdout = sys.stderr
    sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    import faulthandler

    # Nothing a call does may reach the shell (the module's system() calls
    # os.system).
    def refused(*args, **kwargs):
        raise PermissionError("the fuzz worker runs no shell commands")

    os.system = refused
    os.popen = refused
    base = {"__builtins__": __builtins__}
    exec("from fuzz.hostile import *", base)
    sanitized = "asan" in os.environ.get("LD_PRELOAD", "")
    gc.collect()
    gc.freeze()  # children collect only what their calls made

    for line in sys.stdin:
        request = json.loads(line)
        pid = os.fork()
        if pid == 0:
            try:
                null = os.open(os.devnull, os.O_RDONLY)
                os.dup2(null, 0)
                signal.signal(signal.SIGINT, signal.SIG_DFL)
                if not sanitized:  # else the sanitizer reports a crash, with native frames
                    faulthandler.enable(sys.stderr)
                child_limits(sanitized)
                run_batch(request["calls"], base, out, request.get("collect_every", 1))
            finally:
                os._exit(0)
        _, status = os.waitpid(pid, 0)
        out.write(json.dumps({"end": status}) + "\n")
        out.flush()


if __name__ == "__main__":
    main()
