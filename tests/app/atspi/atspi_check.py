"""Reads the main window over the accessibility bus, as a screen reader does.

Run inside a private D-Bus session with a private X server (check-atspi sets both up). For each
language it starts the program against the emulator, waits for its window on the bus, and checks
the named objects, the Apply button's name, the help window's rows, and that the Macro button's
press action opens the macro dialog. German comes from the locale alone (LANG=de_DE.UTF-8, no
stored setting), as a user's session gives it.
"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

PROGRAM = sys.argv[1]
MIN_NAMED = 100
EXPECT = {
    "english": {"apply": "Apply", "macro": "Macro", "effects": "Light effects: ", "help": "Help",
                "reset": "Reset settings", "record": "Start Recording"},
    "german": {"apply": "Anwenden", "macro": "Macro", "effects": "Lichteffekte: ", "help": "Hilfe",
               "reset": "Einstellung zurücksetzen", "record": "Aufnahme starten"},
}
failures = []


def fail(text):
    print("FAIL: " + text, file=sys.stderr)
    failures.append(text)


def wait_for(what, find, seconds=60):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    fail("timed out waiting for " + what)
    return None


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def windows(app):
    return [app.getChildAtIndex(i) for i in range(app.childCount)]


def walk(node, depth=0):
    yield node
    if depth > 8:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def find(root, role, name=None, prefix=None):
    for node in walk(root):
        if node.getRoleName() != role:
            continue
        if name is not None and node.name != name:
            continue
        if prefix is not None and not node.name.startswith(prefix):
            continue
        return node
    return None


def press(node):
    if node is None:
        fail("nothing to press")
        return
    action = node.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    action.doAction(names.index("press"))


def check_language(language):
    expect = EXPECT[language]
    with tempfile.TemporaryDirectory() as data:
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
        # English by its option; German by the locale alone, with no stored setting.
        for name in ("LC_ALL", "LC_MESSAGES", "LANG"):
            env.pop(name, None)
        arguments = [PROGRAM, "--emulate=fresh", "--data-dir", data]
        if language == "german":
            env["LANG"] = "de_DE.UTF-8"
        else:
            arguments += ["--language", language]
        log = open(os.path.join(data, "program.log"), "w+")
        program = subprocess.Popen(arguments, env=env, stdout=log, stderr=subprocess.STDOUT)
        try:
            app = wait_for(language + " program on the bus", lambda: application(program.pid))
            if app is None:
                desktop = pyatspi.Registry.getDesktop(0)
                log.seek(0)
                print("on the bus: %r; program %s; it said: %s" % (
                    [desktop.getChildAtIndex(i) for i in range(desktop.childCount)],
                    "running" if program.poll() is None else "ended with %s" % program.returncode, log.read()),
                    file=sys.stderr)
                return
            main = wait_for(language + " main window",
                            lambda: next((w for w in windows(app) if w.name == "Corvane Keyboard"), None))
            if main is None:
                return
            # The keys carry their names once the first read has filled the window.
            time.sleep(1)
            named = [n for n in walk(main) if n is not main and n.name]
            if len(named) < MIN_NAMED:
                fail("%s: %d named objects, want at least %d" % (language, len(named), MIN_NAMED))
            roles = {}
            for n in named:
                roles[n.getRoleName()] = roles.get(n.getRoleName(), 0) + 1
            print("%s: %d named objects %s" % (language, len(named), sorted(roles.items())))
            if find(main, "push button", expect["apply"]) is None:
                fail("%s: no push button named %r" % (language, expect["apply"]))
            if find(main, "combo box", prefix=expect["effects"]) is None:
                fail("%s: no effect list named %r..." % (language, expect["effects"]))
            for role in ("slider", "check box"):
                if find(main, role) is None:
                    fail("%s: no %s" % (language, role))
            if find(main, "push button", prefix="F1") is None:
                fail("%s: no key F1" % language)

            # The help window's rows appear once the Help button is pressed through its action.
            press(find(main, "push button", expect["help"]))
            if wait_for(language + " help rows", lambda: find(main, "menu item", expect["reset"]), 10) is None:
                return
            press(find(main, "push button", expect["help"]))
            wait_for(language + " help closed", lambda: find(main, "menu item", expect["reset"]) is None, 10)

            macro = find(main, "push button", expect["macro"])
            if macro is None:
                fail("%s: no Macro button" % language)
                return
            action = macro.queryAction()
            names = [action.getName(i) for i in range(action.nActions)]
            if "Press" not in names and "press" not in [n.lower() for n in names]:
                fail("%s: the Macro button has no press action: %r" % (language, names))
                return
            action.doAction([n.lower() for n in names].index("press"))
            dialog = wait_for(language + " macro dialog",
                              lambda: next((w for w in windows(app) if w.name != "Corvane Keyboard"
                                            and w.getState().contains(pyatspi.STATE_SHOWING)), None), 15)
            if dialog is not None and "Macro" not in dialog.name:
                fail("%s: the Macro button opened %r, not the macro dialog" % (language, dialog.name))
            elif dialog is not None:
                print("%s: the Macro button's action opened %r" % (language, dialog.name))
                if find(dialog, "push button", expect["record"]) is None:
                    fail("%s: the macro dialog has no %r button" % (language, expect["record"]))
                if find(dialog, "list") is None:
                    fail("%s: the macro dialog shows no list" % language)
        finally:
            program.kill()
            program.wait()


for lang in ("english", "german"):
    check_language(lang)
sys.exit(1 if failures else 0)
