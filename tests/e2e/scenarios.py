"""The window as a person uses it, one scenario a run:
    scenarios.py NAME --tovik BIN --export BIN --fixtures DIR --failures DIR
Each run has its own home folder, session bus, display and window manager. It exits 0 when the
window did what the scenario expects, 1 when not (keeping a picture of the screen, the
accessibility tree and the window's output under --failures/NAME), and 77 (skipped) only when a
tool it needs is not installed."""

import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# Nothing is written into the source tree, not even compiled Python.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop  # noqa: E402
from desktop import Failure, wait_until  # noqa: E402

# The window's own words, in English.
GET_STARTED = "Get started"
CHOOSE_SOURCE = "Choose a file or folder"
SOURCE_DIALOG = "Choose chat.db or a backup folder"
PASSWORD_FIELD = "Backup password"
UNLOCKING = "Unlocking… this takes a few seconds."
WRONG_PASSWORD = "That password didn't open the backup. Try again."
OTHER_MESSAGES = "Open another backup or file"
SOURCE_TITLE = "Where are your messages?"
CONTACTS_QUESTION = "Names instead of numbers?"
CONTINUE_WITHOUT_NAMES = "Continue without names"
LIST_TITLE = "Pick a conversation"
NOTHING_FOUND = "No conversation found."
PICK_BACKUP = "Pick a backup"
EXPORT = "Export for Tovik"
SAVED = "Saved in Downloads!"
CHOOSE_CONTACTS = "Choose a contacts file"
CONTACTS_DIALOG = "Choose a contacts file (vCard)"

WAIT = 20  # seconds a screen may take to appear


class Session:
    """One window on a desktop of its own, in a home folder of its own, and the steps a person takes
    in it."""

    def __init__(self, options, work, desktop_):
        self.options = options
        self.work = work
        self.home = os.path.join(work, "home")
        self.desktop = desktop_
        self.window = None
        self.tree = None
        self.started = time.monotonic()

    def open(self, *arguments):
        env = dict(self.desktop.env, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.window = self.desktop.processes.start([self.options.tovik, *arguments], env,
                                                   log=os.path.join(self.work, "tovik.log"))
        self.tree = desktop.Tree(self.window.pid)
        self.see(GET_STARTED, role="push button")

    # What a person sees.

    def find(self, words, role=None):
        if self.window.poll() is not None:
            raise Failure(f"the window closed (exit status {self.window.returncode})")
        for node in self.tree.shown():
            if node.says(words) and (role is None or node.role == role):
                return node
        return None

    def see(self, words, role=None, timeout=WAIT):
        found = wait_until(f"the window to show '{words}'", lambda: self.find(words, role), timeout)
        self.step(f"sees {found!r}")
        return found

    def step(self, what):
        print(f"{time.monotonic() - self.started:6.1f} s  {what}", flush=True)

    def shows(self, words):
        return self.find(words) is not None

    def conversations(self, timeout=WAIT):
        """The rows of the conversation list once it has loaded: what each says after its title."""

        def loaded():
            if self.find(NOTHING_FOUND):
                raise Failure("the list shows no conversation at all ('No conversation found.')")
            view = self.find(LIST_TITLE, role="list")
            if view is None:
                return None
            rows = [view.accessible.get_child_at_index(i) for i in range(view.accessible.get_child_count())]
            return [(row.get_name(), row.get_description()) for row in rows
                    if row is not None and row.get_role_name() == "list item"]

        self.see(LIST_TITLE, role="label", timeout=timeout)
        rows = wait_until("the conversations to load", loaded, timeout)
        self.step(f"sees {len(rows)} conversations, the first: {rows[0]!r}")
        return rows

    # What a person does.

    def click(self, words, role="push button"):
        node = self.see(words, role)
        wait_until(f"'{words}' to be enabled", lambda: self.find(words, role).enabled, WAIT)
        self.click_node(node)
        return node

    def click_node(self, node):
        self.step(f"clicks {node!r}")
        self.desktop.click(*node.centre(self.tree.Atspi))

    def type(self, text, delay_ms=120):
        self.step(f"types {len(text)} keys")
        self.desktop.type(text, delay_ms)

    def press(self, key):
        self.step(f"presses {key}")
        self.desktop.press(key)

    def type_password(self, password):
        """Types the password key by key, checks that the field took every key, and presses Return.
        The tree keeps a password's text to itself, but not how many characters it has."""
        self.type(password)
        field = self.see(PASSWORD_FIELD, role="password text").accessible.get_text_iface()
        held = self.tree.Atspi.Text.get_character_count(field)
        if held != len(password):
            selected = self.tree.Atspi.Text.get_n_selections(field)
            raise Failure(f"after typing {len(password)} keys the password field holds {held} character(s)"
                          + (" and they are selected" if selected else ""))
        self.press("Return")

    def choose_in_dialog(self, path):
        """Opens the source dialog, writes the path into its file name field and chooses it."""
        self.click(CHOOSE_SOURCE)
        self.see(SOURCE_DIALOG, role="dialog")
        # The file name field has the focus; its completion list may cover the dialog's button, and
        # Return chooses either way.
        self.see("File name:", role="text")
        self.type(path, delay_ms=30)
        self.press("Return")
        wait_until("the dialog to close", lambda: not self.shows(SOURCE_DIALOG), WAIT)

    def settings(self):
        """What the window keeps in its settings file, as text."""
        path = os.path.join(self.home, ".config", "Tovik", "Tovik for Mac.conf")
        with open(path, encoding="utf-8") as file:
            return file.read()

    def screenshot_and_tree(self, folder):
        self.desktop.screenshot(os.path.join(folder, "screen.png"))
        if self.tree is not None:
            with open(os.path.join(folder, "tree.txt"), "w") as out:
                out.write(self.tree.describe() + "\n")


def fixture(options, *parts):
    return os.path.join(options.fixtures, *parts)


def password(options):
    with open(fixture(options, "password")) as file:
        return file.read().strip()


# The scenarios.


def wrong_password_then_right(s, options):
    s.open(fixture(options, "encrypted-a"))
    s.click(GET_STARTED)
    field = s.see(PASSWORD_FIELD, role="password text")
    s.click_node(field)
    s.type_password("wrong horse")
    s.see(WRONG_PASSWORD)
    # The right one, typed into the field as it is left after the wrong one.
    s.type_password(password(options))
    if not s.conversations():
        raise Failure("the list is empty")


def leave_during_unlock(s, options):
    s.open(fixture(options, "slow"))
    s.click(GET_STARTED)
    s.see(PASSWORD_FIELD, role="password text")
    s.type_password(password(options))
    s.see(UNLOCKING)
    started = time.monotonic()
    s.click(OTHER_MESSAGES)
    s.choose_in_dialog(fixture(options, "home-1", "Library", "Messages", "chat.db"))
    # A database without an address book: the contacts question.
    s.see(CONTACTS_QUESTION)
    # Past the unlock: the key derivation pegs a core until it ends.
    with open(fixture(options, "slow-seconds")) as file:
        unlock_seconds = float(file.read())
    wait_until_idle(s.window.pid, at_least=unlock_seconds - (time.monotonic() - started), timeout=120)
    time.sleep(1.5)
    if s.shows(LIST_TITLE):
        raise Failure("after the unlock ended the window jumped to the backup's list")
    if not s.shows(CONTACTS_QUESTION):
        raise Failure("after the unlock ended the contacts question of the chat.db has gone")
    if fixture(options, "slow") in s.settings():
        raise Failure("after the unlock ended the window remembers the backup as its source")
    # Still the database's flow: without names, its list.
    s.click(CONTINUE_WITHOUT_NAMES)
    if not s.conversations():
        raise Failure("the database's list is empty")


def close_during_unlock(s, options):
    s.open(fixture(options, "endless"))
    s.click(GET_STARTED)
    s.see(PASSWORD_FIELD, role="password text")
    s.type_password(password(options))
    s.see(UNLOCKING)
    s.press("alt+F4")  # the window manager's close
    closed = time.monotonic()
    try:
        status = s.window.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure("the process still runs 10 s after its window was closed during an unlock")
    took = time.monotonic() - closed
    s.step(f"the process ended {took:.2f} s after the close, with status {status}")
    if took > 1.0:
        raise Failure(f"the process took {took:.2f} s to end after its window was closed during an unlock")
    if status != 0:
        raise Failure(f"the process ended with status {status}")


def backup_a_b_a(s, options):
    a = fixture(options, "encrypted-a")
    s.open(a)
    s.click(GET_STARTED)
    s.see(PASSWORD_FIELD, role="password text")
    s.type_password(password(options))
    first = s.conversations()
    s.click(OTHER_MESSAGES)
    s.choose_in_dialog(fixture(options, "plain-b"))
    second = s.conversations()
    if second == first:
        raise Failure("backup B shows the same list as backup A")
    s.click(OTHER_MESSAGES)
    s.choose_in_dialog(a)

    # Either the password again, or A's own list; anything else is the wrong backup or none.
    def arrived():
        for seen in (PASSWORD_FIELD, CONTACTS_QUESTION):
            if s.shows(seen):
                return seen
        return "list" if s.find(LIST_TITLE, role="label") else None

    asked_for_contacts = False
    seen = wait_until("the password screen or the list of backup A", arrived, WAIT)
    s.step(f"arrives at {seen!r}")
    if seen == PASSWORD_FIELD:
        s.type_password(password(options))
    elif seen == CONTACTS_QUESTION:
        # A brings its own address book, so the question is a fault already; what follows tells more.
        asked_for_contacts = True
        s.click(CONTINUE_WITHOUT_NAMES)
        # The list's title shows at once, while the list loads; a load that fails at once asks again.
        try:
            s.see(LIST_TITLE, role="label", timeout=5)
        except Failure:
            if s.shows(CONTACTS_QUESTION):
                raise Failure("back on backup A the window asked for contacts (A brings its own address book), "
                              "and after 'Continue without names' it asks again: the load of A failed")
            raise
    again = s.conversations()
    if again != first:
        raise Failure(f"back on backup A the list has {len(again)} conversations, not A's {len(first)}")
    if asked_for_contacts:
        raise Failure("back on backup A the window asked for contacts though A brings its own address book")


def several_backups(s, options):
    s.open(fixture(options, "several"))
    s.click(GET_STARTED)
    s.see(PICK_BACKUP)
    for phone in ("Anna's iPhone", "Ben's iPhone", "Carla's iPhone"):
        s.see(phone, role="push button")
    if "ENCRYPTED" not in s.see("Carla's iPhone", role="push button").description:
        raise Failure("Carla's encrypted backup is not marked as encrypted")
    s.click("Ben's iPhone")
    shown = [title for title, _ in s.conversations()]
    listed = [conversation["title"] for conversation in command_line_list(options, s, fixture(options, "several", "ben"))]
    if shown != listed:
        raise Failure(f"the list shows {shown}, not the conversations of Ben's backup {listed}")


def export_to_downloads(s, options):
    backup = fixture(options, "plain-b")
    s.open(backup)
    s.click(GET_STARTED)
    export_first_and_compare(s, options, backup)


def export_first_and_compare(s, options, backup, *unlock):
    """Exports the conversation with the most messages and compares the file with the command
    line's export of the same conversation of `backup` (read with the arguments `unlock`)."""
    s.conversations()
    # The first row holds the most messages.
    first = desktop.Node(s.find(LIST_TITLE, role="list").accessible.get_child_at_index(0), s.tree.Atspi)
    s.click_node(first)
    s.click(f"{EXPORT}: {first.name}")
    s.see(SAVED)
    downloads = os.path.join(s.home, "Downloads")
    files = wait_until("a file in Downloads", lambda: os.listdir(downloads) if os.path.isdir(downloads) else [], WAIT)
    if len(files) != 1:
        raise Failure(f"Downloads holds {files}, not one file")
    card = s.find(files[0])
    if card is None:
        raise Failure(f"the done screen does not name {files[0]}")
    # The same conversation exported by the command line, into a folder of its own.
    expected = expected_export(options, s, backup, *unlock)
    with open(os.path.join(downloads, files[0]), encoding="utf-8") as file:
        written = file.read()
    if written.splitlines()[:1] != expected.splitlines()[:1]:
        raise Failure(f"the file starts {written.splitlines()[:1]}, not {expected.splitlines()[:1]}")
    if written != expected:
        raise Failure("the file differs from the command line's export of the same conversation")


def pick_found_backup(s, backup):
    """Starts with no source named, sees the backup found by itself on the source step and opens it
    with a click."""
    s.open()
    s.click(GET_STARTED)
    s.see(SOURCE_TITLE)
    row = s.see("Ben's iPhone", role="push button")
    if "iOS 17.4" not in row.description:
        raise Failure(f"the found backup's row says '{row.description}', without its iOS version")
    s.click("Ben's iPhone")


def found_backup_export(s, options):
    backup = os.path.join(s.home, "iPhone-Backup", "00008030-001A2B3C4D5E")
    shutil.copytree(fixture(options, "plain-b"), backup)
    pick_found_backup(s, backup)
    export_first_and_compare(s, options, backup)
    # Escape goes back from the done screen to the list, and from the list to the source step.
    s.press("Escape")
    s.conversations()
    s.press("Escape")
    s.see(SOURCE_TITLE)


def old_encrypted_backup(s, options):
    """A backup as iOS 5 to 9 made them (Manifest.mbdb, files flat), encrypted: a wrong password, the
    right one, then the same export as the command line's."""
    backup = fixture(options, "old-encrypted")
    s.open(backup)
    s.click(GET_STARTED)
    field = s.see(PASSWORD_FIELD, role="password text")
    s.click_node(field)
    s.type_password("wrong horse")
    s.see(WRONG_PASSWORD)
    s.type_password(password(options))
    export_first_and_compare(s, options, backup, "--password-file", fixture(options, "password"))


def windows_home_backup(s, options):
    disk = os.path.join(s.work, "media", "Windows")
    backup = os.path.join(disk, "Users", "ben", "AppData", "Roaming", "Apple Computer", "MobileSync", "Backup",
                          "00008030-001A2B3C4D5E")
    shutil.copytree(fixture(options, "plain-b"), backup)
    mounts = os.path.join(s.work, "mountinfo")
    with open(mounts, "w") as table:
        table.write(f"36 35 98:0 / {disk} rw,noatime - ntfs3 /dev/sdb1 rw\n")
    s.desktop.env["TOVIK_MEDIA_ROOTS"] = os.path.dirname(disk)
    s.desktop.env["TOVIK_MOUNTINFO"] = mounts
    pick_found_backup(s, backup)
    s.conversations()
    # Ctrl+Q closes the window, as on every desktop.
    s.press("ctrl+q")
    wait_until("the window to close on Ctrl+Q", lambda: s.window.poll() is not None, WAIT)


def contacts_file_refused(s, options):
    """A database without names of its own: a file of random bytes chosen as contacts is refused on
    the question, which a cancelled chooser leaves in place too; then the real file names the rows."""
    noise = os.path.join(s.work, "noise.vcf")
    with open(noise, "wb") as file:
        file.write(bytes((i * 7919 + 13) % 256 for i in range(4096)))

    def choose(path):
        s.click(CHOOSE_CONTACTS)
        s.see(CONTACTS_DIALOG, role="dialog")
        if path is None:
            s.press("Escape")
        else:
            s.see("File name:", role="text")
            s.type(path, delay_ms=30)
            s.press("Return")
        wait_until("the chooser to close", lambda: not s.shows(CONTACTS_DIALOG), WAIT)

    s.open(fixture(options, "home-1", "Library", "Messages", "chat.db"))
    s.click(GET_STARTED)
    s.see(CONTACTS_QUESTION)
    choose(noise)
    s.see(f"{noise} holds no contacts Tovik can read. Choose a vCard file (.vcf).")
    choose(None)
    s.see(CONTACTS_QUESTION)
    choose(fixture(options, "home-1", "contacts.vcf"))
    named = [title for title, _ in s.conversations() if not title.startswith("+")]
    if not named:
        raise Failure("no conversation carries a name from the contacts file")


def command_line(options, s, *arguments):
    return subprocess.run([options.export, *arguments], env=s.desktop.env, check=True, capture_output=True, text=True,
                          timeout=60).stdout


def command_line_list(options, s, source, *unlock):
    """The conversations of `source` as the command line lists them, most messages first."""
    return json.loads(command_line(options, s, "list", "--db", source, "--json", *unlock))


def expected_export(options, s, source, *unlock):
    """The file the command line writes for the first conversation of `source`."""
    out = os.path.join(s.work, "expected")
    os.makedirs(out)
    first = command_line_list(options, s, source, *unlock)[0]["id"]
    path = command_line(options, s, "export", "--db", source, "--id", first, "--out", out, *unlock).strip()
    with open(path, encoding="utf-8") as file:
        return file.read()


def wait_until_idle(pid, at_least, timeout):
    """Waits at least `at_least` seconds, then until the process has used no processor for a second."""
    ticks = os.sysconf("SC_CLK_TCK")

    def used():
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / ticks

    time.sleep(max(0.0, at_least))
    deadline = time.monotonic() + timeout
    before = used()
    while time.monotonic() < deadline:
        time.sleep(1.0)
        now = used()
        if now - before < 0.2:
            return
        before = now
    raise Failure(f"the window still works the processor {timeout} s after the unlock should have ended")


SCENARIOS = {
    f.__name__: f for f in (wrong_password_then_right, leave_during_unlock, close_during_unlock, backup_a_b_a,
                            several_backups, export_to_downloads, found_backup_export, windows_home_backup,
                            contacts_file_refused, old_encrypted_backup)
}


def isolated_environment(work):
    """A home folder and XDG folders of the test's own, English words and one time zone."""
    home = os.path.join(work, "home")
    env = {
        "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
        "HOME": home,
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
        "XDG_CACHE_HOME": os.path.join(home, ".cache"),
        "XDG_STATE_HOME": os.path.join(home, ".local", "state"),
        "XDG_RUNTIME_DIR": os.path.join(work, "runtime"),
        "LANG": "C.UTF-8",
        "LC_ALL": "C.UTF-8",
        "LANGUAGE": "en",
        "TZ": "UTC",
        # Disks of the machine running the tests are not looked at.
        "TOVIK_MEDIA_ROOTS": "",
    }
    for key in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"):
        os.makedirs(env[key], mode=0o700, exist_ok=True)
    return env


def run(options, work):
    """The desktop, the window and the scenario, in the folder `work`."""
    kept = os.path.join(options.failures, options.scenario)
    shutil.rmtree(kept, ignore_errors=True)
    started = time.monotonic()
    with desktop.Desktop(work, isolated_environment(work)) as screen:
        session = Session(options, work, screen)
        try:
            SCENARIOS[options.scenario](session, options)
        except Exception as error:
            os.makedirs(kept, exist_ok=True)
            try:
                session.screenshot_and_tree(kept)
            except Exception as picture:  # the failure itself matters more than its picture
                print(f"(no picture of the screen: {picture})")
            for log in ("tovik.log", "openbox.log", "xvfb.log", "bus.log"):
                if os.path.exists(os.path.join(work, log)):
                    shutil.copy(os.path.join(work, log), kept)
            print(f"FAILED {options.scenario} after {time.monotonic() - started:.1f} s: {error}")
            print(f"the screen, the accessibility tree and the logs are in {kept}")
            if not isinstance(error, Failure):
                raise
            return 1
    print(f"passed {options.scenario} in {time.monotonic() - started:.1f} s")
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--tovik", required=True)
    parser.add_argument("--export", required=True)
    parser.add_argument("--fixtures", required=True)
    parser.add_argument("--failures", required=True)
    options = parser.parse_args()
    for name in ("tovik", "export", "fixtures", "failures"):
        setattr(options, name, os.path.abspath(getattr(options, name)))

    def stop(signum, frame):
        raise SystemExit(128 + signum)

    signal.signal(signal.SIGTERM, stop)

    missing = desktop.missing_tools()
    if missing:
        print("skipped: missing " + ", ".join(missing) + " (scripts/setup.sh installs them)")
        return desktop.SKIP
    for program in (options.tovik, options.export, fixture(options, "slow-seconds")):
        if not os.path.exists(program):
            raise SystemExit(f"{program} is missing: build first")

    # Everything, the buses' sockets included, lives in the test's own folder; it goes at the end.
    work = tempfile.mkdtemp(prefix=f"tovik-e2e-{options.scenario}-")
    try:
        return run(options, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)

if __name__ == "__main__":
    sys.exit(main())
