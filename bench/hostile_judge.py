"""How bench/hostile_soak.py reads the hostile console's log and judges each writer by it.

The console logs one line per message it received (msg N kind=... entry="..." decision=...
behaviour=... at=MS) and one per answer it sent (answer msg=N part=... at=MS), in milliseconds of the
monotonic clock, which the soak also stamps its writers' start and end with.
"""
import re

BEHAVIOURS = ["at-once", "late", "very-late", "never", "duplicate", "garbage-first", "other-first",
              "stale-first", "stale-after"]
ANSWERS = {"never": 0, "at-once": 1, "late": 1, "very-late": 1}  # the others answer twice
WRITER_LIMIT_S = 90  # a writer still running after this is stopped and counted as hung
OUTCOMES = ["ok", "false", "cannot-tell", "no-answer", "missed", "killed", "other"]

MSG = re.compile(r'^   msg (\d+) kind=(\w+) entry="(.*)" decision=(\S+) behaviour=(\S+) delay=(\d+) gap=(\d+) '
                 r'at=([\d.]+)$')
ANSWER = re.compile(r'^   answer msg=(\d+) part=(\S+)(?: (.*))? at=([\d.]+)$')
READY = re.compile(r'^ready: .*current entry "(.*)"$')
CURRENT = re.compile(r'^Current Data : (.*) \((?:No\. \d+|not a factory entry)\)$', re.M)


class ConsoleLog:
    """What one run of the console logged so far: its messages, their answers and the entry it held
    when it started."""

    def __init__(self, log_path, first_message):
        self.log_path = log_path
        self.first_message = first_message
        self.messages = {}  # number -> dict
        self.order = []
        self.held_at_start = None
        self.offset = 0
        self.partial = ""

    def read(self):
        with open(self.log_path) as log:
            log.seek(self.offset)
            text = log.read()
            self.offset = log.tell()
        text = self.partial + text
        lines = text.split("\n")
        self.partial = lines.pop()
        for line in lines:
            m = MSG.match(line)
            if m:
                number = int(m.group(1))
                self.messages[number] = {
                    "number": number, "kind": m.group(2), "entry": m.group(3), "decision": m.group(4),
                    "behaviour": m.group(5), "delay": int(m.group(6)), "gap": int(m.group(7)),
                    "at": float(m.group(8)), "answers": [], "line": line.strip()}
                self.order.append(number)
                continue
            m = ANSWER.match(line)
            if m and int(m.group(1)) in self.messages:
                self.messages[int(m.group(1))]["answers"].append(
                    {"part": m.group(2), "note": m.group(3) or "", "at": float(m.group(4))})
                continue
            m = READY.match(line)
            if m:
                self.held_at_start = m.group(1)

    def last_number(self):
        return self.order[-1] if self.order else self.first_message - 1

    def owed_at(self, t, before):
        """The messages that arrived before message `before` and were not answered in full at time t."""
        owed = []
        for number in self.order:
            if number == before:
                break
            m = self.messages[number]
            if m["at"] >= t:
                break
            planned = ANSWERS.get(m["behaviour"], 2)
            if m["behaviour"] == "never" or sum(1 for a in m["answers"] if a["at"] < t) < planned:
                owed.append(m)
        return owed


class Judge:
    """The judging half of the soak (mixed into it): counts, findings and the report. Uses the soak's
    seed, names (key -> entry name), restarts, segments, calm(), waited, ops and rounds."""

    def held_between(self, console, start, end):
        held = {console.held_at_start}
        for number in console.order:
            m = console.messages[number]
            if m["kind"] == "data" and m["decision"] == "stored":
                if m["at"] < start:
                    held = {m["entry"]}
                elif m["at"] <= end:
                    held.add(m["entry"])
        return held

    def judge(self, round_number, w, console):
        kind = "identity" if w.op == "current" else "data"
        name = self.names[w.key]
        own = [console.messages[n] for n in console.order
               if console.messages[n]["kind"] == kind and w.start - 5 <= console.messages[n]["at"] <= w.end + 30
               and (kind == "identity" or console.messages[n]["entry"] == name)]
        if not own and kind == "data":
            # A message the console could not read has no name; it counts as this writer's when it came
            # while the writer ran.
            own = [console.messages[n] for n in console.order
                   if console.messages[n]["kind"] == "data" and console.messages[n]["entry"] == ""
                   and w.start - 5 <= console.messages[n]["at"] <= w.end + 30]
        first = own[0] if own else None
        behaviour = first["behaviour"] if first else "none"
        last_line = (w.err.strip().splitlines() or [""])[-1] if w.code != 0 else w.out.strip()
        ended = w.code in (0, 2, 3, 4)
        owed = console.owed_at(first["at"], first["number"]) if first else []

        def finding(outcome, why):
            text = "round %d (--replay %d:%d): %s exited %s (%s)\n      %s\n      console: %s\n      owed then: %s" % (
                round_number, self.seed, round_number, w.describe(), w.code, last_line, why,
                "; ".join(m["line"] for m in own) or "no message of this writer arrived",
                "; ".join("msg %d %s %s %s, answers at %s" % (
                    m["number"], m["kind"], m["decision"], m["behaviour"],
                    ",".join("%.0f" % a["at"] for a in m["answers"]) or "-") for m in owed) or "nothing")
            self.findings.append((outcome, round_number, text))
            return outcome

        if w.hung:
            outcome = finding("other", "still running after %d s; stopped" % WRITER_LIMIT_S)
        elif w.killed and not ended:
            outcome = "killed"
        elif w.code not in (0, 2, 3, 4):
            outcome = finding("other", "an exit status no exchange gives")
        elif w.code in (0, 2, 3) and not own:
            outcome = finding("false", "an outcome, but the console never received this writer's message")
        elif w.code == 4:
            outcome = "cannot-tell" if "late answer" in w.err or "cannot tell" in w.err else "no-answer"
            reason = re.sub(r"^sonvale-cli: ", "", last_line)[:100]
            self.reasons[reason] = self.reasons.get(reason, 0) + 1
        elif kind == "data":
            decisions = {m["decision"] for m in own}
            wanted = {0: "stored", 2: "invalid", 3: "flash-failed"}[w.code]
            if wanted in decisions:
                outcome = "ok"
            else:
                outcome = finding("false", "the console decided %s" % "/".join(sorted(decisions)))
        else:
            shown = CURRENT.search(w.out)
            held = self.held_between(console, w.start, w.end)
            if shown and shown.group(1) in held:
                outcome = "ok"
            else:
                outcome = finding("false", "the console held %s while it ran" % " or ".join(
                    '"%s"' % h for h in sorted(held)))
        if (first and len(own) == 1 and not owed and first["behaviour"] == "at-once" and not w.killed
                and (kind == "identity" or first["decision"] == "stored")):
            self.nothing_owed += 1
            if outcome != "ok" and outcome != "false":
                outcome = finding("missed", "nothing was owed and the console answered at once")
        self.counts[behaviour][outcome] += 1
        return outcome

    def print_timeline(self, round_number, writers, console):
        start = min(w.start for w in writers) - 30000
        end = max(w.end or w.start for w in writers) + 100
        print("timeline of round %d (monotonic ms; console messages from 30 s before):" % round_number)
        events = []
        for w in writers:
            events.append((w.start, "writer %s starts" % w.describe()))
            if w.end:
                events.append((w.end, "writer %s ends: exit %s\n        %s" % (
                    w.op, w.code, (w.out + w.err).strip().replace("\n", "\n        "))))
        for number in console.order:
            m = console.messages[number]
            if start <= m["at"] <= end:
                events.append((m["at"], "console " + m["line"]))
            for a in m["answers"]:
                if start <= a["at"] <= end:
                    events.append((a["at"], "console answers msg %d: %s %s" % (number, a["part"], a["note"])))
        for at, text in sorted(events):
            print("  %12.1f  %s" % (at, text))

    # --- the run -------------------------------------------------------------------------------------
    def report(self, rounds, seconds):
        total = {o: sum(c[o] for c in self.counts.values()) for o in OUTCOMES}
        print("hostile soak: seed %d, %d rounds, %d writers, %dm%02ds, console restarts: %d scheduled, %d after an "
              "answer never given; %d of %d segments calm" % (
                  self.seed, rounds, sum(total.values()), seconds // 60, seconds % 60, self.restarts["scheduled"],
                  self.restarts["never"], sum(1 for k in self.segments if self.calm(k)), len(self.segments)))
        print("(%.0f s of it waiting for other test runs' turns at the JACK test lock)" % self.waited)
        print("writers planned: %d update, %d send, %d current; %d of them to be killed" % (
            self.ops["update"], self.ops["send"], self.ops["current"], self.ops["killed"]))
        print("outcomes by the behaviour of the writer's own message:")
        print("  %-14s" % "behaviour" + "".join("%12s" % o for o in OUTCOMES))
        for b in BEHAVIOURS + ["none"]:
            if sum(self.counts[b].values()):
                print("  %-14s" % b + "".join("%12d" % self.counts[b][o] for o in OUTCOMES))
        print("  %-14s" % "all" + "".join("%12d" % total[o] for o in OUTCOMES))
        for kind in ("false", "missed", "other"):
            found = [f for f in self.findings if f[0] == kind]
            if found:
                print("%s outcomes: %d" % (kind, len(found)))
                for _, _, text in found[:40]:
                    print("  " + text)
                if len(found) > 40:
                    print("  ... and %d more" % (len(found) - 40))
        if self.reasons:
            print("what the writers that exited 4 said:")
            for reason, count in sorted(self.reasons.items(), key=lambda item: -item[1]):
                print("  %4d  %s" % (count, reason))
        share = 100.0 * total["missed"] / self.nothing_owed if self.nothing_owed else 0.0
        print("missed: %d of %d writes with nothing owed (%.1f %%)" % (total["missed"], self.nothing_owed, share))
        print("false outcomes: %d" % total["false"])
        return total["false"]

