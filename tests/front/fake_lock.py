#!/usr/bin/env python3
"""A stand-in for gardlock-ui under the supervisor: plays one line of a plan
file per run, speaking the supervision protocol on the socket it is given.

Steps, separated by ';':  send:TEXT  wait:go  touch:FILE  poke:ENV  sleep:MS  exit:N
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
for step in steps:
    what, _, arg = step.strip().partition(":")
    if what == "send":
        link.send(arg.encode())
    elif what == "wait":
        while arg not in link.recv(4096).decode().split("\n"):
            pass
    elif what == "touch":
        open(os.path.join(os.path.dirname(plan_path), arg), "w").close()
    elif what == "poke":
        os.write(int(os.environ[arg]), b"x")
    elif what == "sleep":
        time.sleep(int(arg) / 1000)
    elif what == "exit":
        sys.exit(int(arg))
sys.exit(0)
