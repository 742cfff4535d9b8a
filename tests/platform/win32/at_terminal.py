#!/usr/bin/env python3
"""The Windows platform test program at a terminal, under Wine.

Wine gives a program whose standard streams are a Unix terminal a console
on that terminal. This starts the program on a pseudo-terminal and checks
what needs a real console: text written through WriteConsoleW shows as
Chinese (the terminal gets it in UTF-8, whatever the charset chosen), and
Ctrl-C typed at the terminal raises the interrupt flag, so the program
exits 130 instead of being ended.

    at_terminal.py WINE PROGRAM.exe
"""
import os
import pty
import re
import select
import sys
import time

DEADLINE_SECONDS = 120


def start(wine, program, mode):
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(wine, [wine, program, mode])
    return pid, fd


def read_until(fd, done, deadline):
    """Reads the terminal until done(shown) or its end or the deadline."""
    shown = b''
    while not done(shown) and time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 1)
        if not ready:
            continue
        try:
            chunk = os.read(fd, 4096)
        except OSError:  # the program has gone and the terminal closed
            break
        if not chunk:
            break
        shown += chunk
    return shown


def screen_text(shown):
    """The text of what the terminal was sent, without its control sequences."""
    text = shown.decode('utf-8', errors='replace')
    # Wine's console moves the cursor forward rather than writing spaces.
    text = re.sub(r'\x1b\[(\d*)C', lambda m: ' ' * int(m.group(1) or 1), text)
    text = re.sub(r'\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07', '', text)
    return text.replace('\r', '')


def wait_for_exit(pid):
    _, status = os.waitpid(pid, 0)
    return os.WEXITSTATUS(status) if os.WIFEXITED(status) else -1


def console_shows_chinese(wine, program):
    pid, fd = start(wine, program, '--print-texts')
    text = screen_text(read_until(fd, lambda s: False, time.monotonic() + DEADLINE_SECONDS))
    status = wait_for_exit(pid)
    expected = ['对数：3\n', '作业\\n.c\n', '进度 50%']
    missing = [line for line in expected if line not in text]
    if status != 0 or missing:
        print(f'console text: status {status}, missing {missing!r} in {text!r}')
        return False
    return True


def ctrl_c_sets_the_flag(wine, program):
    pid, fd = start(wine, program, '--wait-for-interrupt')
    deadline = time.monotonic() + DEADLINE_SECONDS
    shown = read_until(fd, lambda s: b'ready' in s, deadline)
    if b'ready' not in shown:
        print(f'Ctrl-C: the program never got ready: {shown!r}')
        os.kill(pid, 9)
        wait_for_exit(pid)
        return False
    os.write(fd, b'\x03')
    read_until(fd, lambda s: False, deadline)
    status = wait_for_exit(pid)
    if status != 130:
        print(f'Ctrl-C: exit status {status}, not 130')
        return False
    return True


def main():
    wine, program = sys.argv[1], sys.argv[2]
    results = [check(wine, program) for check in (console_shows_chinese, ctrl_c_sets_the_flag)]
    print(f'{results.count(True)} passed, {results.count(False)} failed')
    return 0 if all(results) else 1


if __name__ == '__main__':
    sys.exit(main())
