#!/usr/bin/env python3
"""Runs a program on a pseudo-terminal, as a person at a terminal would:
waits for its "Press Enter" prompt, then answers with Enter ("enter") or the
end of input ("eof"). Prints what the terminal showed; exits with the
program's status. Usage: at_terminal.py enter|eof PROGRAM [ARG...]
"""
import os
import pty
import select
import sys
import time


def read_some(fd, timeout):
    ready, _, _ = select.select([fd], [], [], timeout)
    if not ready:
        return b""
    try:
        return os.read(fd, 4096)
    except OSError:  # the program closed the terminal
        return None


def main():
    answer = {"enter": b"\n", "eof": b"\x04"}[sys.argv[1]]
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(sys.argv[2], sys.argv[2:])
    shown = b""
    answered = False
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        chunk = read_some(fd, 0.1)
        if chunk is None:
            break
        shown += chunk
        if not answered and b"Press Enter" in shown:
            os.write(fd, answer)
            answered = True
    _, status = os.waitpid(pid, 0)
    sys.stdout.write(shown.decode("utf-8", "replace").replace("\r\n", "\n"))
    return os.waitstatus_to_exitcode(status)


if __name__ == "__main__":
    sys.exit(main())
