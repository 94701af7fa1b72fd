#!/usr/bin/env python3
"""The Linux self-extractor started without arguments, driven through a
pseudo-terminal as a person would use it, in English and German: the
disclaimer page by page (q goes to the question), a password without a
Windows-1252 form, a wrong one and the right one, the file list with the
paths the files get, Enter for the proposed folder, "~" for the home folder,
cursor keys at the prompt and control characters refused where the terminal
has no cursor keys, an existing folder with the files it would replace, a
failed copy with its cause, a package with a message text and an
attachment, the progress line on a narrow terminal, Ctrl-Z and fg at the
password prompt under a job-control shell, --list, --help and the hint
without a terminal. Also the interruptions: Ctrl-C at the password prompt,
at the question before an existing folder and during decryption, SIGTERM
during decryption, SIGTERM, SIGHUP, SIGINT and SIGQUIT during the decrypt
command, and a reader of its output that goes away (SIGPIPE). Every run
checks that the temporary folder is left empty, and the typed password never
shows.

usage: terminal_test.py NATIVE_BUILD_FOLDER
Prints "terminal: N passed, M failed"; the exit status is 0 only without
failures.
"""
import fcntl
import os
import pty
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time

BUILD = os.path.abspath(sys.argv[1])
WORK = tempfile.mkdtemp(prefix="mv-terminal.")
TEMP = os.path.join(WORK, "tmp")  # the programs' temporary folder
PASSWORD = "Paßwort 1"
passed = 0
failed = 0
running = []  # sessions not finished yet


def check(what, condition, detail=""):
    global passed, failed
    if condition:
        passed += 1
    else:
        failed += 1
        print(f"FAIL: {what}" + (f"\n{detail}" if detail else ""), file=sys.stderr)


def write(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def default_signals():
    """In a child before exec: signals the test runner may have been started
    with ignored or blocked act as they do under a shell."""
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGPIPE, signal.SIGXFSZ,
                   signal.SIGTSTP, signal.SIGTTIN, signal.SIGTTOU, signal.SIGCHLD):
        signal.signal(number, signal.SIG_DFL)
    signal.pthread_sigmask(signal.SIG_SETMASK, [])


def environment(language, term="xterm"):
    return {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": WORK, "TMPDIR": TEMP, "LC_ALL": language,
            "TERM": term, "PS1": "$ "}


def pack(out, inputs, *options):
    write(os.path.join(WORK, "pw.txt"), PASSWORD + "\n")
    subprocess.run([os.path.join(BUILD, "morvalis-pack"), "sfx", out, "--stub", os.path.join(BUILD, "morvalis-sfx"),
                    "--password-file", os.path.join(WORK, "pw.txt"), *options, *inputs],
                   check=True, stdout=subprocess.DEVNULL, cwd=WORK, timeout=120, preexec_fn=default_signals)


def run_plain(argv, **options):
    """A run without a terminal, within a time limit."""
    return subprocess.run(argv, env=environment("C.UTF-8"), capture_output=True, text=True, timeout=60, cwd=WORK,
                          preexec_fn=default_signals, **options)


def temp_left():
    return sorted(os.listdir(TEMP))


def reap(pid, timeout):
    """The wait status of pid, killed when it outlives timeout."""
    deadline = time.time() + max(timeout, 0)
    while time.time() < deadline:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            return status
        time.sleep(0.02)
    os.kill(pid, signal.SIGKILL)
    return os.waitpid(pid, 0)[1]


class Session:
    """One run of a program on a fresh pseudo-terminal of 24 rows by 80
    columns (or the columns given), started in WORK; everything it writes is
    kept in transcript."""

    def __init__(self, argv, language, columns=80, term="xterm"):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            try:
                default_signals()
                fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
                os.chdir(WORK)
                os.execve(argv[0], argv, environment(language, term))
            finally:
                os._exit(127)
        self.transcript = ""
        self.seen = 0
        self.status = None
        running.append(self)

    def read_some(self, timeout):
        ready, _, _ = select.select([self.fd], [], [], timeout)
        if not ready:
            return True
        try:
            data = os.read(self.fd, 65536)
        except OSError:
            data = b""
        if not data:
            return False
        self.transcript += data.decode("utf-8", "replace")
        return True

    def expect(self, text, timeout=30):
        deadline = time.time() + timeout
        while text not in self.transcript[self.seen:]:
            if time.time() > deadline or not self.read_some(deadline - time.time()):
                raise AssertionError(f"did not see {text!r}; transcript:\n{self.transcript}")
        self.seen = self.transcript.index(text, self.seen) + len(text)

    def send(self, text):
        os.write(self.fd, text.encode("utf-8"))

    def echo_on(self):
        return bool(termios.tcgetattr(self.fd)[3] & termios.ECHO)

    def finish(self, timeout=30):
        """Waits for the end; the exit code, or minus the signal number. A
        program still running at the time limit is killed."""
        deadline = time.time() + timeout
        while time.time() < deadline and self.read_some(0.2):
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.status = status
                break
        if self.status is None:
            self.status = reap(self.pid, deadline - time.time())
        while self.read_some(0.05):
            pass
        self.echo_at_end = self.echo_on()
        os.close(self.fd)
        running.remove(self)
        if self.status is None:
            raise AssertionError(f"did not end within {timeout} s; transcript:\n{self.transcript}")
        return -os.WTERMSIG(self.status) if os.WIFSIGNALED(self.status) else os.WEXITSTATUS(self.status)


def scenario(name, run):
    os.makedirs(TEMP, exist_ok=True)
    try:
        run()
    except (AssertionError, subprocess.TimeoutExpired) as error:
        check(name, False, str(error))
    # A session left waiting after a failure: hanging up its terminal ends it
    # (SIGHUP), and it cleans up as it goes.
    for session in list(running):
        os.close(session.fd)
        running.remove(session)
        reap(session.pid, 10)
    check(f"{name}: nothing left in the temporary folder", temp_left() == [], str(temp_left()))
    shutil.rmtree(TEMP, ignore_errors=True)


# --- Packages ---
os.makedirs(os.path.join(WORK, "in/docs"))
write(os.path.join(WORK, "in/a.txt"), "first file\n")
write(os.path.join(WORK, "in/docs/B.txt"), "second file\n")
write(os.path.join(WORK, "disclaimer.txt"), "".join(f"Clause {i}: the terms.\n" for i in range(1, 41)) + "End of terms.\n")
write(os.path.join(WORK, "description.txt"), "Quarterly reports\nfor the board.\n")
write(os.path.join(WORK, "message.txt"), "Hallo,\nanbei die Unterlagen.\nGrüße\n")
EXISTING = os.path.join(WORK, "vorhanden")
os.makedirs(EXISTING)
write(os.path.join(EXISTING, "old.txt"), "old\n")
FILES = os.path.join(WORK, "files.sfx")
MESSAGE = os.path.join(WORK, "message.sfx")
LARGE = os.path.join(WORK, "large.sfx")
pack(FILES, ["in/a.txt", "in/docs"], "--disclaimer", "disclaimer.txt", "--description", "description.txt",
     "--link", "www.example.org/reports")
pack(MESSAGE, ["in/a.txt"], "--message-file", "message.txt")
with open(os.path.join(WORK, "in/large.bin"), "wb") as f:
    f.write(os.urandom(96 << 20))
pack(LARGE, ["in/large.bin"], "--compression", "0")
os.remove(os.path.join(WORK, "in/large.bin"))
# A strong package whose one chunk was changed on its way.
DAMAGED = os.path.join(WORK, "damaged.sfx")
subprocess.run([os.path.join(BUILD, "morvalis-pack"), "create", "damaged.mef", "--password-file", "pw.txt", "in/a.txt"],
               check=True, stdout=subprocess.DEVNULL, cwd=WORK, preexec_fn=default_signals, timeout=300)
with open(os.path.join(WORK, "damaged.mef"), "r+b") as f:
    f.seek(-1, os.SEEK_END)
    last = f.read(1)[0]
    f.seek(-1, os.SEEK_END)
    f.write(bytes([last ^ 1]))
pack(DAMAGED, [], "--container", "damaged.mef")


def files_in_english():
    s = Session([FILES], "en_US.UTF-8")
    s.expect("Clause 1:")
    s.expect("-- more (Enter or space; q: skip the rest) --")
    check("the disclaimer is paged to the terminal's height", "Clause 24:" not in s.transcript, s.transcript)
    s.send(" ")
    s.expect("End of terms.")
    s.expect("Do you accept these terms? [y/N] ")
    s.send("y\n")
    s.expect("Quarterly reports\r\nfor the board.")
    s.expect("www.example.org/reports")
    s.expect("Password: ")
    s.send("wrong\n")
    s.expect("The entered password is not correct.")
    s.expect("Password: ")
    s.send(PASSWORD + "\n")
    s.expect("Please wait...")
    s.expect("The self decrypting package contains these files:\r\n  a.txt\r\n  docs/B.txt\r\n")
    s.expect(f"Save the files to [{WORK}/a.txt and 1 more file(s)]: ")
    s.send(os.path.join(WORK, "in/a.txt") + "\n")  # a file: asked again
    s.expect("The specified folder is a file.")
    s.expect(f"Save the files to [{WORK}/a.txt and 1 more file(s)]: ")
    s.send("\n")
    s.expect(f'The files have been saved successfully to the folder "{WORK}/a.txt and 1 more file(s)".')
    check("files: exit code 0", s.finish() == 0, s.transcript)
    out = os.path.join(WORK, "a.txt and 1 more file(s)")
    check("files: the tree arrived", open(os.path.join(out, "a.txt")).read() == "first file\n" and
          open(os.path.join(out, "docs/B.txt")).read() == "second file\n")
    check("files: the password is never shown", PASSWORD not in s.transcript and "wrong" not in s.transcript,
          s.transcript)
    check("files: a progress line", "100% [" in s.transcript, s.transcript)


def message_in_german():
    s = Session([MESSAGE], "de_DE.UTF-8")
    s.expect("Diese Datei ist eine selbstentschlüsselnde Datei.")
    s.expect("Passwort: ")
    s.send("日本\n")  # the strong kind takes any script: a wrong password, asked again
    s.expect("Das eingegebene Passwort stimmt nicht.")
    s.expect("Passwort: ")
    s.send(PASSWORD + "\n")
    s.expect("Bitte warten...")
    s.expect("Entschlüsselter E-Mail-Text:\r\nHallo,\r\nanbei die Unterlagen.\r\nGrüße")
    s.expect("Anlagen: a.txt")
    s.expect(f"Anlagen speichern in [{WORK}/a.txt] (Strg-D: nicht speichern): ")
    s.send(EXISTING + "\n")  # an existing folder: used after a yes, its other files kept
    s.expect("Keine der darin enthaltenen Dateien hat den Namen einer Datei des Pakets.")
    s.expect("Möchten Sie fortfahren? [j/N] ")
    s.send("j\n")
    s.expect('Die entschlüsselten Daten wurden erfolgreich in den Order "')
    s.expect("E-Mail-Text in einer Datei speichern? [j/N] ")
    s.send("j\n")
    s.expect("Text speichern in [")
    s.send(f"{WORK}/nachricht.txt\n")
    s.expect(f'erfolgreich in die Datei "{WORK}/nachricht.txt" gespeichert.')
    check("message: exit code 0", s.finish() == 0, s.transcript)
    check("message: the text file", open(os.path.join(WORK, "nachricht.txt"), encoding="utf-8").read()
          .replace("\r", "") == "Hallo,\nanbei die Unterlagen.\nGrüße\n")
    check("message: the attachment beside the old file", open(os.path.join(EXISTING, "a.txt")).read() == "first file\n"
          and open(os.path.join(EXISTING, "old.txt")).read() == "old\n")
    check("message: the password is never shown", PASSWORD not in s.transcript, s.transcript)


def declined_in_german():
    s = Session([FILES], "de_DE.UTF-8")
    s.expect("-- weiter (Eingabe oder Leertaste; q: Rest überspringen) --")
    s.send("q")  # straight to the question, whose default is no
    s.expect("Akzeptieren Sie diese Bedingungen? [j/N] ")
    check("q leaves the rest of the terms unshown", "End of terms." not in s.transcript, s.transcript)
    s.send("\n")
    s.expect("Die Bedingungen wurden nicht akzeptiert")
    check("declined disclaimer: exit code 40", s.finish() == 40, s.transcript)


def accept_terms(s):
    s.expect("-- more")
    s.send("q")
    s.expect("[y/N] ")
    s.send("y\n")
    s.expect("Password: ")
    s.send(PASSWORD + "\n")


def tilde_is_the_home_folder():
    s = Session([FILES], "en_US.UTF-8")
    accept_terms(s)
    s.expect("Save the files to [")
    s.send("~/tilde target\n")
    s.expect(f'saved successfully to the folder "{WORK}/tilde target".')
    check("~: exit code 0", s.finish() == 0, s.transcript)
    check("~: the files are in the home folder", os.path.isfile(os.path.join(WORK, "tilde target/docs/B.txt")))
    check("~: no folder named ~", not os.path.exists(os.path.join(WORK, "~")))


def cursor_keys_and_declined_text():
    s = Session([MESSAGE], "en_US.UTF-8")
    s.expect("Password: ")
    s.send(PASSWORD + "\n")
    s.expect("(Ctrl-D: do not save): ")
    # Left arrow: the X goes before the last letter.
    s.send(f"{WORK}/edi\x1b[DX\n")
    s.expect(f'saved successfully to the folder "{WORK}/edXi".')
    s.expect("Save the email text to a file? [y/N] ")
    s.send("\x04")
    s.expect("The email text was not saved.")
    check("cursor keys: exit code 0", s.finish() == 0, s.transcript)
    check("cursor keys: the line was edited", os.path.isfile(os.path.join(WORK, "edXi/a.txt")))


def control_characters_without_cursor_keys():
    s = Session([MESSAGE], "en_US.UTF-8", term="dumb")
    s.expect("Password: ")
    s.send(PASSWORD + "\n")
    s.expect("(Ctrl-D: do not save): ")
    s.send("bad\x1b[Dname\n")
    s.expect("The path holds control characters (shown as ^X): bad^[[Dname.")
    s.expect("(Ctrl-D: do not save): ")
    s.send("\x04")
    s.expect("The attachments were not saved.")
    s.expect("[y/N] ")
    s.send("n\n")
    s.expect("The email text was not saved.")
    check("control characters: exit code 0", s.finish() == 0, s.transcript)
    check("control characters: no folder made", not any("\x1b" in name for name in os.listdir(WORK)))


def existing_folder_and_failed_copy():
    blocked = os.path.join(WORK, "blocked")
    os.makedirs(blocked)
    write(os.path.join(blocked, "a.txt"), "old\n")
    write(os.path.join(blocked, "docs"), "a file where the package has a folder\n")
    s = Session([FILES], "en_US.UTF-8")
    accept_terms(s)
    s.expect("Save the files to [")
    s.send(blocked + "\n")
    s.expect("These files in it will be replaced (1):\r\n  a.txt\r\n")
    s.expect("Do you want to proceed? [y/N] ")
    s.send("y\n")
    s.expect("An error occured while saving the files.")
    s.expect(f'Cause: "{blocked}/docs" is a file where a folder is needed.')
    s.expect("Not saved (1 of 2 files):\r\n  docs/B.txt\r\n")
    s.expect(f'Saved: 1 of 2 files, in "{blocked}".')
    s.expect("Save the files to [")
    s.send(EXISTING + "\n")
    s.expect("Do you want to proceed? [y/N] ")
    s.send("\x03")  # Ctrl-C ends the program here too
    check("existing folder: Ctrl-C at the question ends by SIGINT", s.finish() == -signal.SIGINT, s.transcript)
    check("existing folder: the file that could be written replaced the old one",
          open(os.path.join(blocked, "a.txt")).read() == "first file\n")


def progress_on_a_narrow_terminal():
    s = Session([LARGE], "en_US.UTF-8", columns=40)
    s.expect("Password: ")
    s.send(PASSWORD + "\n")
    s.expect("Save the files to [")
    redraws = re.findall(r"\r([^\r\n]*)\x1b\[K", s.transcript)
    check("narrow terminal: the progress line is drawn", any(r.startswith("100%") for r in redraws), s.transcript)
    check("narrow terminal: no redraw reaches the last column", all(len(r) <= 39 for r in redraws),
          max(redraws, key=len, default=""))
    s.send("\x04")
    s.expect("Nothing was saved.")
    check("narrow terminal: exit code 0", s.finish() == 0, s.transcript)


def stop_and_continue_at_the_password():
    """Ctrl-Z at the password prompt and fg, under a shell with job control
    (a stop of the program's own process group needs one)."""
    s = Session(["/bin/bash", "--norc", "--noprofile", "--noediting", "-i"], "en_US.UTF-8")
    s.expect("$ ")
    s.send(MESSAGE + "\n")
    s.expect("Password: ")
    time.sleep(0.2)
    check("stop: echo is off at the prompt", not s.echo_on())
    s.send("sec")  # given up with the stop
    s.send("\x1a")
    s.expect("Stopped")
    check("stop: the shell has its echo while the program is stopped", s.echo_on())
    s.send("fg\n")
    s.expect("Password: ")
    time.sleep(0.2)
    check("stop: echo is off again after fg", not s.echo_on())
    s.send(PASSWORD + "\n")
    s.expect("Attachments: a.txt")
    s.expect("(Ctrl-D: do not save): ")
    s.send("\x04")
    s.expect("[y/N] ")
    s.send("n\n")
    s.expect("The email text was not saved.")
    s.expect("$ ")
    s.send("exit\n")
    s.finish()
    check("stop: nothing typed at the prompt shows", "sec" not in s.transcript and PASSWORD not in s.transcript,
          s.transcript)


def packer_progress_reaches_the_end():
    """The packer's bar on a terminal: it ends at 100 % before the line that
    names what was written, for a self-extractor and for a container."""
    for command, out in (("sfx", "progress.sfx"), ("create", "progress.mef")):
        argv = [os.path.join(BUILD, "morvalis-pack"), command, out, "--password", PASSWORD, "in/a.txt", "in/docs"]
        if command == "sfx":
            argv[3:3] = ["--stub", os.path.join(BUILD, "morvalis-sfx")]
        s = Session(argv, "en_US.UTF-8")
        s.expect("Wrote " + out)
        bar = re.findall(r"\r(Encrypting \[[# ]*\] \d+%)", s.transcript)
        check(f"packer {command}: the bar ends at 100 % before 'Wrote'",
              bar != [] and bar[-1].endswith(" 100%"), s.transcript)
        check(f"packer {command}: exit code 0", s.finish() == 0, s.transcript)


RUSSIAN = "Пароль1"


def pack_with_password(out, password, *options):
    write(os.path.join(WORK, "pw-other.txt"), password + "\n")
    subprocess.run([os.path.join(BUILD, "morvalis-pack"), "sfx", out, "--stub", os.path.join(BUILD, "morvalis-sfx"),
                    "--password-file", os.path.join(WORK, "pw-other.txt"), *options, "in/a.txt"],
                   check=True, stdout=subprocess.DEVNULL, cwd=WORK, timeout=120, preexec_fn=default_signals)


def password_in_any_script():
    """The strong kind takes a password as typed: what an ANSI code page
    would make of it is a wrong password, the word itself opens."""
    package = os.path.join(WORK, "russian.sfx")
    pack_with_password(package, RUSSIAN)
    s = Session([package], "en_US.UTF-8")
    s.expect("Password: ")
    s.send("??????1\n")
    s.expect("The entered password is not correct.")
    s.expect("Password: ")
    s.send(RUSSIAN + "\n")
    s.expect("The self decrypting package contains these files:\r\n  a.txt\r\n")
    s.expect("Save the files to [")
    s.send(os.path.join(WORK, "out-russian") + "\n")
    s.expect("The files have been saved successfully")
    check("any script: exit code 0", s.finish() == 0, s.transcript)
    check("any script: the file arrived", open(os.path.join(WORK, "out-russian/a.txt")).read() == "first file\n")
    check("any script: the password is never shown", RUSSIAN not in s.transcript, s.transcript)


def classic_refuses_what_it_cannot_hold():
    """The classic kind says which characters it cannot hold and asks again;
    nothing is decrypted with a substitute."""
    package = os.path.join(WORK, "classic.sfx")
    pack_with_password(package, PASSWORD, "--classic")
    s = Session([package], "de_DE.UTF-8")
    s.expect("Passwort: ")
    s.send(RUSSIAN + "\n")
    s.expect("Das Passwort enthält Zeichen, die kein Passwort dieses Pakets enthalten kann (U+041F, U+0430, U+0440, "
             "U+043E, U+043B, U+044C).")
    s.expect("Passwort: ")
    s.send("\x04")
    check("classic: ends without decrypting", s.finish() == 0 and "Bitte warten" not in s.transcript, s.transcript)
    check("classic: nothing left in the temporary folder", temp_left() == [], str(temp_left()))


def list_decrypts_nothing():
    s = Session([LARGE, "--list"], "en_US.UTF-8")
    s.expect("Password: ")
    s.send(PASSWORD + "\n")
    written = set()
    while s.status is None and "1 file(s)" not in s.transcript:
        for folder in [d for d in os.listdir(TEMP) if d.startswith("QZDX_")]:
            try:
                written.update(os.listdir(os.path.join(TEMP, folder)))
            except FileNotFoundError:
                pass
        s.read_some(0.001)
    s.expect("1 file(s), 0 folder(s); message text: none")
    check("--list: exit code 0", s.finish() == 0, s.transcript)
    check("--list: kind, size and path", re.search(r"file +100663296  \d{4}-\d\d-\d\d \d\d:\d\d:\d\d  large.bin",
                                                    s.transcript) is not None, s.transcript)
    check("--list: nothing was written to the work folder", not written, str(written))
    listed = run_plain([FILES, "--list", "-pwdfile=-"], input=PASSWORD + "\n")
    check("--list -pwdfile=-: the paths", listed.returncode == 0 and "  docs/B.txt\n" in listed.stdout, listed.stdout)
    wrong = run_plain([FILES, "--list", "-pwdfile=-"], input="wrong\n")
    check("--list -pwdfile=-: a wrong password ends with 711", wrong.returncode == 711 % 256, str(wrong.returncode))


def help_and_no_terminal():
    for option in ("--help", "-h"):
        usage = run_plain([FILES, option])
        check(f"{option}: the usage, exit code 0", usage.returncode == 0 and "Usage:" in usage.stdout, usage.stdout)
    hint = run_plain([FILES], stdin=subprocess.DEVNULL)
    check("no terminal: exit code 2", hint.returncode == 2, str(hint.returncode))
    check("no terminal: -pwdfile=- comes before -pwd=", 0 <= hint.stderr.find("-pwdfile=-") <
          hint.stderr.find("-pwd=PASSWORD"), hint.stderr)


def end_of_input_at_the_password():
    s = Session([MESSAGE], "en_US.UTF-8")
    s.expect("Password: ")
    s.send("\x04")
    check("Ctrl-D at the password: exit code 0", s.finish() == 0, s.transcript)


def ctrl_c_at_the_password():
    s = Session([MESSAGE], "en_US.UTF-8")
    s.expect("Password: ")
    time.sleep(0.2)
    check("echo is off at the password prompt", not s.echo_on())
    s.send("\x03")
    check("Ctrl-C at the password: ended by SIGINT", s.finish() == -signal.SIGINT, s.transcript)
    check("Ctrl-C at the password: echo is on again", s.echo_at_end)


def interrupted_while_decrypting(number):
    def run():
        s = Session([LARGE], "en_US.UTF-8")
        s.expect("Password: ")
        s.send(PASSWORD + "\n")
        s.expect("% [")
        if number == signal.SIGINT:
            s.send("\x03")
            s.expect("Decryption has been canceled by user.")
        else:
            os.kill(s.pid, number)
            s.expect("Decryption has been stopped: the program was asked to end (SIGTERM).")
        code = s.finish()
        check(f"signal {number} while decrypting: ended by it", code == -number, f"{code}\n{s.transcript}")
        check(f"signal {number} while decrypting: no files saved", "Save the files" not in s.transcript, s.transcript)
    return run


def damaged_in_german():
    s = Session([DAMAGED], "de_DE.UTF-8")
    s.expect("Passwort: ")
    s.send(PASSWORD + "\n")
    s.expect("Das Paket ist beschädigt oder wurde verändert (bei Block 1).")
    s.expect("Es wurde keine Datei gespeichert.")
    s.expect("Passwort: ")
    s.send("\n")
    check("damaged: exit code 0", s.finish() == 0, s.transcript)
    check("damaged: no files offered", "speichern in" not in s.transcript, s.transcript)


def decrypt_command_interrupted(number):
    """The silent decrypt writes the strong kind's files straight into the
    target once the package is authenticated; a signal while it writes ends
    the run as the signal would and leaves no file half written."""
    whole = 100663296

    def attempt(target):
        """The exit code, or "late" when the run had ended before it could be
        held (a busy machine)."""
        process = subprocess.Popen([LARGE, "decrypt", f"-pwd={PASSWORD}", f"-targetdir={target}"],
                                   env=environment("C.UTF-8"), stdout=subprocess.DEVNULL,
                                   preexec_fn=default_signals)
        # Once the file holds data, it is being written.
        written = os.path.join(target, "large.bin")
        deadline = time.time() + 30
        while time.time() < deadline and process.poll() is None:
            if os.path.exists(written) and os.path.getsize(written) > 0:
                break
            time.sleep(0.002)
        # Held while it is judged, so the signal lands where it was seen.
        process.send_signal(signal.SIGSTOP)
        late = process.poll() is not None
        process.send_signal(number)
        process.send_signal(signal.SIGCONT)
        try:
            code = process.wait(30)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            code = None
        return "late" if late else code

    def run():
        for round in range(5):
            target = os.path.join(WORK, f"out-{number}-{round}")
            code = attempt(target)
            if code != "late":
                break
        written = os.path.join(target, "large.bin")
        check(f"decrypt stopped by signal {number}: ended by it", code == -number, str(code))
        check(f"decrypt stopped by signal {number}: no file half written",
              not os.path.exists(written) or os.path.getsize(written) == whole)
        check(f"decrypt stopped by signal {number}: nothing in the temporary folder", not temp_left(),
              str(temp_left()))
    return run


def decrypt_output_closed():
    """`decrypt ... -debug 2>&1 | head -n 3`: once head has its lines, the
    next message finds no reader; the run ends as SIGPIPE ends it (141),
    after the wipe."""
    target = os.path.join(WORK, "out-pipe")
    script = f"'{LARGE}' decrypt '-pwd={PASSWORD}' '-targetdir={target}' -debug 2>&1 | head -n 3; exit ${{PIPESTATUS[0]}}"
    process = subprocess.Popen(["bash", "-c", script], env=environment("C.UTF-8"), stdout=subprocess.PIPE,
                               preexec_fn=default_signals)
    try:
        shown, _ = process.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        process.kill()
        process.communicate()
        raise AssertionError("the decrypt command did not end")
    check("decrypt with its output closed: ended by SIGPIPE", process.returncode == 128 + signal.SIGPIPE,
          f"{process.returncode}\n{shown}")
    check("decrypt with its output closed: head saw the first lines", shown.count(b"\n") == 3, str(shown))


try:
    scenario("files in English", files_in_english)
    scenario("message in German", message_in_german)
    scenario("declined disclaimer in German", declined_in_german)
    scenario("~ is the home folder", tilde_is_the_home_folder)
    scenario("cursor keys", cursor_keys_and_declined_text)
    scenario("control characters", control_characters_without_cursor_keys)
    scenario("existing folder and failed copy", existing_folder_and_failed_copy)
    scenario("progress on a narrow terminal", progress_on_a_narrow_terminal)
    scenario("the packer's progress reaches 100 %", packer_progress_reaches_the_end)
    scenario("stop and continue at the password", stop_and_continue_at_the_password)
    scenario("a password in any script", password_in_any_script)
    scenario("the classic kind refuses what it cannot hold", classic_refuses_what_it_cannot_hold)
    scenario("--list", list_decrypts_nothing)
    scenario("--help and no terminal", help_and_no_terminal)
    scenario("end of input at the password", end_of_input_at_the_password)
    scenario("Ctrl-C at the password", ctrl_c_at_the_password)
    for number in (signal.SIGINT, signal.SIGTERM):
        scenario(f"signal {number} while decrypting", interrupted_while_decrypting(number))
    scenario("damaged package in German", damaged_in_german)
    for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT, signal.SIGQUIT):
        scenario(f"decrypt and signal {number}", decrypt_command_interrupted(number))
    scenario("decrypt with its output closed", decrypt_output_closed)
finally:
    shutil.rmtree(WORK, ignore_errors=True)

print(f"terminal: {passed} passed, {failed} failed")
sys.exit(0 if failed == 0 else 1)
