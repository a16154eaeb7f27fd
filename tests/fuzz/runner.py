"""The test's side of the fuzz worker: sends batches, reads what each call
did, and turns a dead or hung child or a broken C API contract into an
assertion that prints the calls to run again."""
import json
import os
import select
import signal
import subprocess
import sys
import time

WORKER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "worker.py")
SANITIZED = "asan" in os.environ.get("LD_PRELOAD", "")
# A call that takes this long is taken as hung.
CALL_SECONDS = 60.0 if SANITIZED else 20.0


def describe(status):
    if os.WIFSIGNALED(status):
        sig = os.WTERMSIG(status)
        try:
            name = signal.Signals(sig).name
        except ValueError:
            name = str(sig)
        return f"killed by signal {name}"
    return f"exited with status {os.WEXITSTATUS(status)}"


def sanitizer_log(pid):
    """The sanitizer report of that process, when the options send it to a file."""
    paths = {f"{option[len('log_path='):]}.{pid}"
             for var in ("ASAN_OPTIONS", "UBSAN_OPTIONS")
             for option in os.environ.get(var, "").split(":") if option.startswith("log_path=")}
    texts = []
    for path in sorted(paths):
        if os.path.exists(path):
            with open(path, errors="replace") as f:
                texts.append(f.read())
    return "\n".join(texts)


class Worker:
    def __init__(self, directory):
        self.directory = str(directory)
        self.proc = None
        self.stderr_path = os.path.join(self.directory, "worker-stderr.txt")

    def _start(self):
        self.stderr = open(self.stderr_path, "ab")
        self.proc = subprocess.Popen(
            [sys.executable, WORKER], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=self.stderr, cwd=self.directory, start_new_session=True)
        self.buffer = b""

    def close(self):
        if self.proc is not None:
            self.proc.stdin.close()
            try:
                self.proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
            self.stderr.close()
            self.proc = None

    def _line(self, seconds):
        deadline = time.monotonic() + seconds
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if ready:
                chunk = os.read(self.proc.stdout.fileno(), 65536)
                if not chunk:
                    raise RuntimeError("fuzz worker died:\n" + self._stderr_tail())
                self.buffer += chunk
        line, _, self.buffer = self.buffer.partition(b"\n")
        return json.loads(line)

    def _stderr_tail(self, size=6000):
        self.stderr.flush()
        with open(self.stderr_path, "rb") as f:
            f.seek(0, os.SEEK_END)
            f.seek(max(0, f.tell() - size))
            return f.read().decode(errors="replace")

    def run(self, calls, collect_every=1):
        """Runs one batch in a fresh child. Returns (records, end status, hung,
        child pid, offset of its output in the stderr file)."""
        if self.proc is None:
            self._start()
        mark = os.path.getsize(self.stderr_path)
        request = {"calls": list(calls), "collect_every": collect_every}
        self.proc.stdin.write((json.dumps(request) + "\n").encode())
        self.proc.stdin.flush()
        records, child, hung = [], None, False
        while True:
            record = self._line(CALL_SECONDS)
            if record is None:
                if child is None:  # the server itself is stuck
                    raise RuntimeError("fuzz worker does not answer:\n" + self._stderr_tail())
                os.kill(child, signal.SIGKILL)
                hung = True
                continue
            if "child" in record:
                child = record["child"]
            elif "end" in record:
                return records, record["end"], hung, child, mark
            else:
                records.append(record)

    def answer(self, source, out):
        """Runs source in a fresh child and returns the JSON it wrote to out;
        a str when the child hung, died or raised."""
        if os.path.exists(out):
            os.remove(out)
        records, end, hung, _, _ = self.run([source])
        if hung:
            return "hung"
        if end != 0:
            return describe(end)
        if not records:
            return "no record of the call"
        if records[0]["status"] != "ok":
            return records[0]["error"]
        with open(out) as f:
            return json.load(f)

    def check(self, calls, collect_every=1):
        """Runs the batch; fails with a report when the child dies, hangs or
        sees a broken C API contract. Collecting after every call pins a
        fault found by the collector on the call that made the garbage."""
        calls = list(calls)
        records, end, hung, child, mark = self.run(calls, collect_every)
        done = any(r.get("done") for r in records)
        outcomes = [r for r in records if "i" in r]
        broken = [r for r in outcomes if r["status"] == "broken"]
        if done and end == 0 and not broken:
            return outcomes
        if broken:
            at, why = broken[0]["i"], broken[0]["error"]
        elif hung:
            at, why = len(outcomes), f"hung for more than {CALL_SECONDS:.0f} s"
        else:
            at, why = len(outcomes), describe(end)
        self.stderr.flush()
        with open(self.stderr_path, "rb") as f:
            f.seek(mark)
            output = f.read()[-6000:].decode(errors="replace")
        sanitizer = sanitizer_log(child)
        prefix = calls[:at + 1]
        if at < len(calls) and at > 0 and not self._survives(calls[at]):
            prefix = [calls[at]]  # fails on its own: that is the test to write
        raise AssertionError(report(prefix, calls, at, why, output, sanitizer))

    def _survives(self, call):
        records, end, hung, _, _ = self.run([call])
        return (end == 0 and not hung and any(r.get("done") for r in records)
                and all(r["status"] != "broken" for r in records if "i" in r))


def report(prefix, calls, at, why, output, sanitizer):
    if at < len(calls):
        where = f"call {at} of the batch ({why}):\n    {calls[at]}"
    else:
        where = f"collecting the batch's objects after its last call ({why})"
    lines = [f"The module failed at {where}", "",
             "To reproduce, run from tests/:", "", "from fuzz.hostile import *"]
    for source in prefix:
        lines += ["try:", f"    {source}", "except Exception as e:", "    print(repr(e))"]
    lines.append("import gc; gc.collect()")
    if output.strip():
        lines += ["", "Output of the child:", output]
    if sanitizer:
        lines += ["", "Sanitizer report:", sanitizer]
    return "\n".join(lines)
