#!/usr/bin/env python3
"""Writers against a hostile console, judged by the console's own log.

A private JACK server (dummy backend) runs the emulated console with --hostile SEED: for every message
it decides on arrival whether a write is stored, invalid or a failed flash write, and how it answers
(at once, late, never, twice, after garbage or a stray answer). Each round starts one or two writers
(sonvale-cli update N, send FILE, current), some of them killed at a random moment, and judges what
each writer reported against what the console decided:

  false       "completed" for a write the console did not store, a refusal for one it stored or of
              another kind than the console's, `current` naming an entry the console did not hold
              while it ran, or any outcome for a message the console never received
  cannot tell exit 4 saying the answer could be a late one (allowed, counted)
  no answer   exit 4 for another reason (allowed, counted)
  missed      nothing was owed when the writer's message arrived (every earlier message answered in
              full), the console stored and answered at once, yet the writer did not say "completed"

Rounds follow each other without pause, so that late answers fall into later writers' exchanges.
The console restarts (a new JACK client, the same flash) every --restart-every rounds, with the JACK
server, whose test lock other test runs get in between; and after a round in which it left a message
unanswered for good. Every round's plan is a function of the seed
and the round's number, and the console's choices one of the seed and the message's number, numbered
from a fixed point at each scheduled restart: --replay SEED:ROUND runs again from that restart to the
round and prints the round's timeline.

--lanes N runs the segments in N lanes at once, each a process with its own JACK server, work folder
(runtime, configuration and home folders, so ledgers and turn locks are its own) and console; a lane
takes the next segment not yet run whenever it finishes one. Each segment starts as it would in one
lane (the console numbering from the segment's fixed start, the rounds planned from seed and number),
so a round found in a run of many lanes replays the same in one. The lanes take the JACK test lock
shared, so that they do not wait for each other but test runs, which take it exclusively, do not run
beside them; before each segment a lane lets a test run waiting for the lock have it first.
"""
import argparse
import fcntl
import json
import multiprocessing
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ beside the script in the working copy
from hostile_judge import BEHAVIOURS, OUTCOMES, WRITER_LIMIT_S, ConsoleLog, Judge  # noqa: E402
from jack_registry import free_stale_slots  # noqa: E402

LOCK = "/tmp/sonvale-jack-tests.lock"
SEGMENT_MESSAGES = 100000  # message numbers of one scheduled segment start at segment * this + 1
# The console of a calm segment answers every message within milliseconds (twice, after garbage or a
# stray answer, but never late), so that writers meet a console that owes nothing often enough to
# measure the missed rate. A behaviour named more than once is chosen that much more often.
CALM = "at-once,at-once,at-once,at-once,duplicate,garbage-first,other-first,stale-first,stale-after"
SIGNALS = [signal.SIGINT, signal.SIGTERM, signal.SIGKILL]


def now_ms():
    return time.monotonic() * 1000.0  # CLOCK_MONOTONIC, as the console's at= stamps


class Console(ConsoleLog):
    """One run of the emulated console, started with the soak's seed."""

    def __init__(self, soak, index, first_message, extra):
        super().__init__(os.path.join(soak.work, "console-%d.log" % index), first_message)
        args = [soak.emulator, "--flash", os.path.join(soak.work, "flash.txt"), "--hostile", str(soak.seed),
                "--hostile-from", str(first_message)] + extra + soak.console_options
        with open(self.log_path, "w") as log:
            self.process = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT, env=soak.env)
        deadline = time.monotonic() + 10
        while self.held_at_start is None:
            self.read()
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise SystemExit("the console did not come up:\n" + open(self.log_path).read())
            time.sleep(0.02)

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.read()


class Writer:
    def __init__(self, op, key, delay, kill_after, kill_signal):
        self.op, self.key, self.delay = op, key, delay
        self.kill_after, self.kill_signal = kill_after, kill_signal
        self.process = None
        self.start = self.end = None
        self.killed = False
        self.hung = False
        self.code = None
        self.out = self.err = ""

    def describe(self):
        what = {"update": "update %d" % self.key, "send": "send (No. %d)" % self.key, "current": "current"}[self.op]
        if self.kill_after is not None:
            what += ", %s after %.2f s" % (signal.Signals(self.kill_signal).name, self.kill_after)
        return what


class Soak(Judge):
    def __init__(self, options, lane=None):
        self.options = options
        self.lane = lane  # the lane's number when the soak runs in lanes
        self.seed = options.seed
        self.bin = os.path.abspath(os.path.join(options.build, "bin"))
        self.emulator = os.path.join(self.bin, "ostra-emulator")
        self.cli = os.path.join(self.bin, "sonvale-cli")
        for path in (self.emulator, self.cli, os.path.join(self.bin, "vorn-jack.so")):
            if not os.path.exists(path):
                raise SystemExit("FAILED: %s is not built" % path)
        self.console_options = options.console_option or []
        self.work = tempfile.mkdtemp(prefix="sonvale-hostile-")
        self.server = "sonvale-hostile-%d" % os.getpid()
        self.servers = []  # every name the soak's servers had
        for folder in ("run", "config", "home"):
            os.makedirs(os.path.join(self.work, folder), mode=0o700)
        env = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE")}
        env.update(JACK_DEFAULT_SERVER=self.server, JACK_NO_START_SERVER="1",
                   XDG_CONFIG_HOME=os.path.join(self.work, "config"), HOME=os.path.join(self.work, "home"),
                   XDG_RUNTIME_DIR=os.path.join(self.work, "run"))
        self.env = env
        self.jackd = None
        self.lock = None
        self.waited = 0.0  # seconds spent waiting for the JACK test lock
        self.consoles = []
        self.names = {}
        self.counts = {b: {o: 0 for o in OUTCOMES} for b in BEHAVIOURS + ["none"]}
        self.findings = []  # (kind, round, text)
        self.nothing_owed = 0
        self.restarts = {"scheduled": 0, "never": 0}
        self.segments = set()
        self.reasons = {}  # what the writers that exited 4 said, and how often
        self.ops = {"update": 0, "send": 0, "current": 0, "killed": 0}  # the writers planned
        self.rounds = 0
        self.began = time.monotonic()

    # --- the graph -----------------------------------------------------------------------------------
    def test_run_waits(self):
        """Whether another process waits for the JACK test lock exclusively (the kernel lists waiting
        requests in /proc/locks with an arrow)."""
        inode = ":%d " % os.fstat(self.lock.fileno()).st_ino
        with open("/proc/locks") as locks:
            return any("-> FLOCK" in line and "WRITE" in line and inode in line for line in locks)

    def take_lock(self):
        """Waits in the kernel's queue of the JACK test lock (as flock -w does), at most 15 minutes.
        Lanes take it shared, after any test run that waits for it has had its turn: new shared holders
        would otherwise keep it from a waiting exclusive one as long as the lanes overlap."""
        if self.options.no_test_lock:
            return
        self.lock = open(LOCK, "a+")
        began = time.monotonic()

        def too_long(*_):
            raise TimeoutError

        previous = signal.signal(signal.SIGALRM, too_long)
        signal.alarm(900)
        try:
            if self.lane is None:
                fcntl.flock(self.lock, fcntl.LOCK_EX)
            else:
                while self.test_run_waits():
                    time.sleep(0.2)
                fcntl.flock(self.lock, fcntl.LOCK_SH)
        except TimeoutError:
            raise SystemExit("the JACK test lock stayed taken for fifteen minutes")
        finally:
            signal.alarm(0)
            signal.signal(signal.SIGALRM, previous)
            self.waited += time.monotonic() - began

    def name_server(self, segment):
        """Each segment's server has a name of its own. A server started again under the same name
        gives the console the same identifier, so the programs would take the new console for the old
        one and keep what the old one owed (which is safe, only more often "cannot tell"); a segment
        starts as its replay does, with a console that owes nothing."""
        self.server = "sonvale-hostile-%d-%d" % (os.getpid(), segment)
        self.servers.append(self.server)
        self.env["JACK_DEFAULT_SERVER"] = self.server

    def start_server(self):
        self.take_lock()
        free_stale_slots()  # with several lanes, the servers killed by other runs could leave none
        with open(os.path.join(self.work, "jackd.log"), "a") as log:
            self.jackd = subprocess.Popen(["jackd", "--no-realtime", "--sync", "-n", self.server, "-d", "dummy",
                                           "-r", "48000", "-p", "256"], stdout=log, stderr=subprocess.STDOUT,
                                          env=self.env)
        deadline = time.monotonic() + 10
        while subprocess.call(["jack_lsp"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL):
            if time.monotonic() > deadline or self.jackd.poll() is not None:
                with open(os.path.join(self.work, "jackd.log")) as log:
                    raise SystemExit("FAILED: jackd did not start:\n" + "".join(log.readlines()[-8:]))
            time.sleep(0.1)

    def stop_server(self):
        """The console and the server stop and the JACK test lock is let go, so that other test runs
        waiting for it get their turn between segments."""
        for console in self.consoles:
            console.stop()
        if self.jackd and self.jackd.poll() is None:
            self.jackd.terminate()
            try:
                self.jackd.wait(10)
            except subprocess.TimeoutExpired:
                self.jackd.kill()
                self.jackd.wait()
        for name in os.listdir("/dev/shm"):
            if name.startswith("jack") and ("_%s_" % self.server) in name:
                try:
                    os.unlink(os.path.join("/dev/shm", name))
                except OSError:
                    pass
        if self.lock:
            self.lock.close()
            self.lock = None

    def start_graph(self):
        self.start_server()
        listing = subprocess.run([self.cli, "list", "--json"], env=self.env, capture_output=True, text=True,
                                 check=True).stdout
        self.names = {e["key"]: e["name"] for e in json.loads(listing)}
        for key in self.names:
            subprocess.run([self.cli, "export", str(key), self.file_of(key)], env=self.env, check=True,
                           capture_output=True)

    def file_of(self, key):
        return os.path.join(self.work, "entry-%d.syx" % key)

    def close(self):
        self.stop_server()
        # The programs' records of the consoles (turn locks, owed answers) of the soak's servers.
        for folder in ("/run/user/%d" % os.getuid(), "/tmp/sonvale-%d" % os.getuid()):
            for name in os.listdir(folder) if os.path.isdir(folder) else []:
                if any("-%s+" % server in name or "-%s." % server in name for server in self.servers):
                    try:
                        os.unlink(os.path.join(folder, name))
                    except OSError:
                        pass
        if self.options.keep:
            print("logs kept in", self.work)
        else:
            shutil.rmtree(self.work, ignore_errors=True)

    def calm(self, segment):
        return random.Random("%d:segment:%d" % (self.seed, segment)).random() < self.options.calm_share

    def restart_console(self, first_message, segment):
        if self.consoles:
            self.consoles[-1].stop()
        extra = ["--hostile-only", CALM] if self.calm(segment) else []
        self.consoles.append(Console(self, len(self.consoles), first_message, extra))

    # --- rounds --------------------------------------------------------------------------------------
    def plan(self, round_number):
        rng = random.Random("%d:%d" % (self.seed, round_number))
        keys = rng.sample(sorted(self.names), 2)
        writers = []
        for i in range(1 if rng.random() < 0.65 else 2):
            op = rng.choices(["update", "send", "current"], [55, 15, 30])[0]
            delay = 0.0 if i == 0 else rng.choice([0.0, rng.uniform(0.0, 1.0)])
            kill_after = kill_signal = None
            if rng.random() < self.options.kill_share:
                kill_after = rng.uniform(0.02, 2.5)
                kill_signal = rng.choice(SIGNALS)
            writers.append(Writer(op, keys[i], delay, kill_after, kill_signal))
        return writers

    def count_plan(self, writers):
        for w in writers:
            self.ops[w.op] += 1
            self.ops["killed"] += w.kill_after is not None

    def run_round(self, writers):
        base = time.monotonic()
        pending = list(writers)
        running = []
        while pending or running:
            t = time.monotonic()
            for w in [w for w in pending if t - base >= w.delay]:
                pending.remove(w)
                args = [self.cli] + {"update": ["update", str(w.key)], "send": ["send", self.file_of(w.key)],
                                     "current": ["current"]}[w.op]
                w.out_file = tempfile.TemporaryFile(mode="w+")
                w.err_file = tempfile.TemporaryFile(mode="w+")
                w.start = now_ms()
                w.process = subprocess.Popen(args, stdout=w.out_file, stderr=w.err_file, env=self.env)
                running.append(w)
            for w in list(running):
                code = w.process.poll()
                if code is not None:
                    w.end = now_ms()
                    w.code = code
                    for name, f in (("out", w.out_file), ("err", w.err_file)):
                        f.seek(0)
                        setattr(w, name, f.read())
                        f.close()
                    running.remove(w)
                elif w.kill_after is not None and not w.killed and (now_ms() - w.start) / 1000 >= w.kill_after:
                    w.process.send_signal(w.kill_signal)
                    w.killed = True
                elif (now_ms() - w.start) / 1000 > WRITER_LIMIT_S:
                    w.process.kill()
                    w.hung = True
            time.sleep(0.002)

    # --- segments ------------------------------------------------------------------------------------
    def run(self, first_round, last_round, show_round=None, segments=None, progress=None):
        """Runs the rounds first..last of each segment in turn: the ones from segments (an iterator of
        segment numbers, handed out to lanes) or else all of them. progress(rounds, false) is told after
        every round."""
        every = self.options.restart_every
        if segments is None:
            segments = iter(range(first_round // every, last_round // every + 1))
        for segment in segments:
            self.run_segment(segment, max(first_round, segment * every),
                             min(last_round, segment * every + every - 1), show_round, progress)
        return self.rounds, time.monotonic() - self.began

    def run_segment(self, segment, first, last, show_round, progress):
        every = self.options.restart_every
        if self.jackd is None:
            self.name_server(segment)
            self.start_graph()
        else:
            self.restarts["scheduled"] += 1
            self.stop_server()
            time.sleep(0.3)
            self.name_server(segment)
            self.start_server()
        self.restart_console(segment * SEGMENT_MESSAGES + 1, segment)
        self.segments.add(segment)
        for r in range(first, last + 1):
            console = self.consoles[-1]
            writers = self.plan(r)
            self.count_plan(writers)
            self.run_round(writers)
            time.sleep(0.03)  # the last answers of an at-once exchange reach the log
            console.read()
            for w in writers:
                self.judge(r, w, console)
            self.rounds += 1
            if show_round == r:
                self.print_timeline(r, writers, console)
            if any(console.messages[n]["behaviour"] == "never" for n in console.order) and (r + 1) % every != 0:
                # A debt that is never paid: the console starts again, its numbering going on.
                self.restarts["never"] += 1
                self.restart_console(console.last_number() + 1, segment)
            if progress:
                progress(self.rounds, sum(1 for f in self.findings if f[0] == "false"))

    def summary(self):
        """What the report needs, as JSON for the parent of the lanes."""
        return {"counts": self.counts, "findings": self.findings, "nothing_owed": self.nothing_owed,
                "restarts": self.restarts, "segments": sorted(self.segments), "reasons": self.reasons,
                "ops": self.ops, "waited": self.waited, "rounds": self.rounds}

    def add(self, lane):
        """Adds a lane's summary to this soak's counts."""
        for b, outcomes in lane["counts"].items():
            for o, n in outcomes.items():
                self.counts[b][o] += n
        self.findings += [tuple(f) for f in lane["findings"]]
        self.nothing_owed += lane["nothing_owed"]
        for kind, n in lane["restarts"].items():
            self.restarts[kind] += n
        self.segments.update(lane["segments"])
        for reason, n in lane["reasons"].items():
            self.reasons[reason] = self.reasons.get(reason, 0) + n
        for op, n in lane["ops"].items():
            self.ops[op] += n
        self.waited += lane["waited"]
        self.rounds += lane["rounds"]


# --- lanes -------------------------------------------------------------------------------------------
def run_lane(options, lane, first, last, next_segment, done, false):
    """One lane (a process of its own): takes segments from the shared counter next_segment until none
    is left, and writes its summary to lane-N.json in the folder options.lanes_folder."""
    soak = Soak(options, lane)
    last_segment = last // options.restart_every

    def segments():
        while True:
            with next_segment.get_lock():
                segment = next_segment.value
                next_segment.value += 1
            if segment > last_segment:
                return
            yield segment

    def progress(rounds, found):
        done[lane] = rounds
        false[lane] = found

    summary = None
    try:
        soak.run(first, last, None, segments(), progress)
    except SystemExit as stop:
        summary = dict(soak.summary(), stopped=str(stop.code))
    except Exception as error:  # e.g. a program that cannot be started while it is being built again
        summary = dict(soak.summary(), stopped=repr(error))
    finally:
        soak.close()
    summary = summary or dict(soak.summary(), stopped=None)
    summary["seconds"] = time.monotonic() - soak.began
    with open(os.path.join(options.lanes_folder, "lane-%d.json" % lane), "w") as out:
        json.dump(summary, out)
    print("  lane %d: %d rounds in %d segments, %.0f s" % (lane, soak.rounds, len(soak.segments),
                                                           summary["seconds"]), flush=True)


def run_lanes(soak, first, last):
    """Runs the rounds in soak.options.lanes lanes and adds up their summaries in soak. A line every
    minute with --progress. The reasons lanes stopped early, if any."""
    options = soak.options
    options.lanes_folder = soak.work
    next_segment = multiprocessing.Value("i", first // options.restart_every)
    done = multiprocessing.Array("i", options.lanes)
    false = multiprocessing.Array("i", options.lanes)
    lanes = [multiprocessing.Process(target=run_lane, args=(options, lane, first, last, next_segment, done, false))
             for lane in range(options.lanes)]
    for lane in lanes:
        lane.start()
    stopped = []
    try:
        shown = time.monotonic()
        while any(lane.is_alive() for lane in lanes):
            time.sleep(0.5)
            if options.progress and time.monotonic() - shown >= 60:
                shown = time.monotonic()
                print("  %d rounds (lanes %s), %d false, %.0f s" % (
                    sum(done), "/".join(str(n) for n in done), sum(false), shown - soak.began), flush=True)
    except SystemExit as stop:
        stopped.append(str(stop.code))  # then the report of the rounds the lanes ran
    finally:
        for lane in lanes:
            if lane.is_alive():
                lane.terminate()  # SIGTERM: the lane stops its server and console and writes its summary
            lane.join()
    for number in range(options.lanes):
        try:
            with open(os.path.join(soak.work, "lane-%d.json" % number)) as summary_file:
                summary = json.load(summary_file)
        except (OSError, ValueError):
            stopped.append("lane %d ended without its summary (exit %s)" % (number, lanes[number].exitcode))
            continue
        soak.add(summary)
        if summary["stopped"]:
            stopped.append("lane %d: %s" % (number, summary["stopped"]))
    return stopped


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build/default", help="the build folder (default build/default)")
    parser.add_argument("--rounds", type=int, default=300)
    parser.add_argument("--seed", type=int, default=None, help="default: from the clock")
    parser.add_argument("--replay", metavar="SEED:ROUND", help="run again from the round's segment to the round")
    parser.add_argument("--restart-every", type=int, default=25, help="rounds between console restarts")
    parser.add_argument("--calm-share", type=float, default=0.35,
                        help="share of the segments whose console never answers late")
    parser.add_argument("--kill-share", type=float, default=0.15, help="share of the writers killed")
    parser.add_argument("--console-option", action="append", help="one more emulator option (e.g. "
                        "--console-option=--hostile-only=late), given as one word each")
    parser.add_argument("--enforce", action="store_true", help="exit 1 on any false outcome")
    parser.add_argument("--keep", action="store_true", help="keep the logs")
    parser.add_argument("--progress", action="store_true", help="a line every 25 rounds (in lanes: every minute)")
    parser.add_argument("--no-test-lock", action="store_true",
                        help="take no turn at the JACK test lock: the soak runs beside test runs (its servers "
                             "and the tests' are apart; only the processors are shared)")
    parser.add_argument("--lanes", type=int, default=1, help="segments run at once, each lane with its own JACK "
                        "server and console (default 1; at most 6: JACK has eight server slots per machine; "
                        "--replay runs in one)")
    options = parser.parse_args()
    if not 1 <= options.lanes <= 6:
        parser.error("--lanes takes 1 to 6")
    if options.console_option:
        options.console_option = [part for option in options.console_option for part in option.split("=", 1)]
    show = None
    if options.replay:
        seed, round_number = options.replay.split(":")
        options.seed, show = int(seed), int(round_number)
        first, last = (show // options.restart_every) * options.restart_every, show
        options.lanes = 1
    else:
        if options.seed is None:
            options.seed = int(time.time() * 1000) % 1000000
        first, last = 0, options.rounds - 1
    soak = Soak(options)
    if options.lanes == 1:
        print("hostile soak: seed %d, rounds %d-%d, server %s" % (options.seed, first, last, soak.server), flush=True)
    else:
        print("hostile soak: seed %d, rounds %d-%d, %d lanes" % (options.seed, first, last, options.lanes), flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    def progress(rounds, false):
        if options.progress and rounds % 25 == 0:
            print("  %d rounds, %d false, %.0f s" % (rounds, false, time.monotonic() - soak.began), flush=True)

    stopped = []
    try:
        if options.lanes == 1:
            soak.run(first, last, show, progress=progress)
        else:
            stopped = run_lanes(soak, first, last)
    except SystemExit as stop:
        # The report of the rounds that ran, then why the soak stopped early.
        stopped = [str(stop.code)]
    finally:
        soak.close()
    false = soak.report(soak.rounds, int(time.monotonic() - soak.began))
    if stopped:
        print("STOPPED after %d rounds: %s" % (soak.rounds, "; ".join(stopped)))
        sys.exit(1)
    sys.exit(1 if options.enforce and false else 0)


if __name__ == "__main__":
    main()
