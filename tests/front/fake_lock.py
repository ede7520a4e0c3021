#!/usr/bin/env python3
"""A stand-in for gardlock-ui under the supervisor: plays one line of a plan
file per run, speaking the supervision protocol on the socket it is given.

Steps, separated by ';':  send:TEXT  wait:WORD  typed  touch:FILE  poke:ENV  sleep:MS  exit:N

wait:WORD waits for a line that is WORD, or WORD and a number ("type 3"),
answering each other "type N" it reads with "typed N" at once, as the program
does once it typed the keys sent before it; typed answers the last "type N"
read so far. Every line read is appended to the plan's ".received" file.
"""
import os
import socket
import sys
import time

plan_path = os.environ["FAKE_LOCK_PLAN"]
runs_path = plan_path + ".runs"
with open(runs_path, "a") as runs:
    runs.write("%s %s\n" % (" ".join(sys.argv[1:]), os.environ.get("GARDLOCK_RELAUNCHED", "-")))
with open(runs_path) as runs:
    run = len(runs.read().splitlines())
with open(plan_path) as plan:
    lines = plan.read().splitlines()
steps = lines[min(run, len(lines)) - 1].split(";")

link = socket.socket(fileno=int(os.environ["GARDLOCK_SUPERVISOR_FD"]))
last_type = None


def receive(blocking=True):
    """The lines of one packet (none when not blocking and nothing is there)."""
    global last_type
    try:
        packet = link.recv(4096, 0 if blocking else socket.MSG_DONTWAIT)
    except BlockingIOError:
        return []
    got = packet.decode().split("\n")
    with open(plan_path + ".received", "a") as received:
        received.writelines(line + "\n" for line in got)
    for line in got:
        if line.startswith("type "):
            last_type = line.split(" ", 1)[1]
    return got


for step in steps:
    what, _, arg = step.strip().partition(":")
    if what == "send":
        link.send(arg.encode())
    elif what == "wait":
        waiting = True
        while waiting:
            for line in receive():
                if line == arg or line.startswith(arg + " "):
                    waiting = False
                elif line.startswith("type "):
                    link.send(("typed " + line.split(" ", 1)[1]).encode())
    elif what == "typed":
        while receive(blocking=False):
            pass
        link.send(("typed " + last_type).encode())
    elif what == "touch":
        open(os.path.join(os.path.dirname(plan_path), arg), "w").close()
    elif what == "poke":
        os.write(int(os.environ[arg]), b"x")
    elif what == "sleep":
        time.sleep(int(arg) / 1000)
    elif what == "exit":
        sys.exit(int(arg))
sys.exit(0)
