#!/usr/bin/env python3
"""The window through the accessibility bus, read as a screen reader reads it.

On a virtual X server of its own (Xvfb), inside a private D-Bus session with
the accessibility bus on (at-spi2-core), for English and for Japanese: starts
the window, finds its frame, the folder button, the report and the link over
AT-SPI (pyatspi), presses the folder button and opens a copy of a corpus
database in the file dialog through the dialog's own accessible text entry
and default button, waits for the run to end, and checks that the report's
accessible text is pressling-cli's progress line during the run and its
report lines after it, for the same file, that the button
and the link are named, that the window is not busy once the run ended, and that the
report was told, line by line, in text-changed events up to the run's last
line. With xdotool, the Menu key and Shift+F10 from the X keyboard open one
menu under the focused control, and Escape closes it. (Qt's bridge answers the busy state when asked but sends no event for
it, so the window's busy time is checked in tests/ui/accessibility_test.cpp.)

    atspi_test.py WINDOW CLI DATABASE
Exit status 0: passed; 77: skipped (a program is missing); anything else: failed.
Every wait is bounded; the whole test stops after TOTAL_SECONDS.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
TOTAL_SECONDS = 240
STEP_SECONDS = 60
INNER = 'PRESSLING_ATSPI_INNER'
BUS_LAUNCHER = '/usr/libexec/at-spi-bus-launcher'

# The names the window gives, per language (LANG value, button, report, link).
LANGUAGES = [
    ('en_US.UTF-8', 'Choose a .prc or .zip file\u2026', 'Report', 'Home page'),
    ('ja_JP.UTF-8', '.prc \u307e\u305f\u306f .zip \u30d5\u30a1\u30a4\u30eb\u3092\u9078\u3076\u2026',
     '\u30ec\u30dd\u30fc\u30c8', '\u30db\u30fc\u30e0\u30da\u30fc\u30b8'),
]
HOME_PAGE = 'http://www.example.com/dorv/'


def skip(reason):
    print(f'SKIP: {reason}')
    sys.exit(SKIP)


def fail(message):
    print(f'FAIL: {message}')
    sys.exit(1)


def python_with_pyatspi():
    """This interpreter, or Debian's when pyatspi is only there (python3 may be another on the PATH)."""
    for python in (sys.executable, '/usr/bin/python3'):
        if os.access(python, os.X_OK) and subprocess.run([python, '-c', 'import pyatspi'],
                                                         capture_output=True, timeout=60).returncode == 0:
            return python
    return None


def missing_programs():
    for program in ('Xvfb', 'dbus-run-session', 'dbus-send'):
        if shutil.which(program) is None:
            return f'{program} is not installed (packages xvfb, dbus)'
    if not os.access(BUS_LAUNCHER, os.X_OK):
        return f'{BUS_LAUNCHER} is not installed (package at-spi2-core)'
    if python_with_pyatspi() is None:
        return 'pyatspi is not installed (package python3-pyatspi)'
    return None


def outer(arguments):
    """Runs this script again inside a private D-Bus session, in its own process group."""
    reason = missing_programs()
    if reason:
        skip(reason)
    for path in arguments:
        if not os.path.exists(path):
            skip(f'{path} does not exist')
    env = dict(os.environ, **{INNER: '1'})
    for name in ('DISPLAY', 'WAYLAND_DISPLAY', 'AT_SPI_BUS_ADDRESS', 'DBUS_SESSION_BUS_ADDRESS'):
        env.pop(name, None)
    child = subprocess.Popen(['dbus-run-session', '--', python_with_pyatspi(), os.path.abspath(__file__), *arguments],
                             env=env, start_new_session=True)
    try:
        return child.wait(timeout=TOTAL_SECONDS)
    except subprocess.TimeoutExpired:
        os.killpg(child.pid, signal.SIGKILL)
        child.wait()
        fail(f'no result within {TOTAL_SECONDS} s')


class Session:
    """The X server and the accessibility bus of one test; stop() ends what it started."""

    def __init__(self):
        self.children = []

    def start(self, command, **options):
        child = subprocess.Popen(command, start_new_session=True, **options)
        self.children.append(child)
        return child

    def stop(self):
        for child in reversed(self.children):
            if child.poll() is None:
                try:
                    os.killpg(child.pid, signal.SIGTERM)
                    child.wait(timeout=10)
                except (ProcessLookupError, subprocess.TimeoutExpired):
                    os.killpg(child.pid, signal.SIGKILL)
                    child.wait()
        self.children = []


def start_x(session):
    reader, writer = os.pipe()
    session.start(['Xvfb', '-displayfd', str(writer), '-screen', '0', '1024x768x24', '-nolisten', 'tcp'],
                  pass_fds=(writer,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(writer)
    with os.fdopen(reader) as lines:
        number = lines.readline().strip()
    if not number.isdigit():
        fail('Xvfb gave no display number')
    os.environ['DISPLAY'] = f':{number}'


def dbus_send(*arguments):
    return subprocess.run(['dbus-send', '--session', '--print-reply', *arguments], capture_output=True, text=True,
                          timeout=10)


def start_accessibility_bus(session):
    session.start([BUS_LAUNCHER, '--launch-immediately'], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + STEP_SECONDS
    while dbus_send('--dest=org.a11y.Bus', '/org/a11y/bus', 'org.a11y.Bus.GetAddress').returncode != 0:
        if time.monotonic() > deadline:
            fail('the accessibility bus did not start')
        time.sleep(0.2)
    # What a screen reader does when it starts: applications then open their bridge.
    done = dbus_send('--dest=org.a11y.Bus', '/org/a11y/bus', 'org.freedesktop.DBus.Properties.Set',
                     'string:org.a11y.Status', 'string:IsEnabled', 'variant:boolean:true')
    if done.returncode != 0:
        fail(f'could not turn accessibility on: {done.stderr.strip()}')


def wait_for(what, condition, pump, seconds=STEP_SECONDS, state=lambda: ''):
    deadline = time.monotonic() + seconds
    while True:
        pump()
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            fail(f'{what}: not within {seconds} s {state()}')
        time.sleep(0.05)


def descendants(node, depth=0):
    if node is None or depth > 30:
        return
    yield node
    try:
        count = node.childCount
    except Exception:
        return
    for i in range(count):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from descendants(child, depth + 1)


def find(root, predicate):
    for node in descendants(root):
        try:
            if predicate(node):
                return node
        except Exception:
            continue
    return None


def press(node, pyatspi):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for i, name in enumerate(names):
        if name.lower() in ('press', 'click'):
            action.doAction(i)
            return
    fail(f'{node.name!r} has no press action, only {names}')


def inner(window, cli, database):
    import pyatspi
    from gi.repository import GLib

    session = Session()
    try:
        start_x(session)
        start_accessibility_bus(session)
        context = GLib.MainContext.default()

        def pump():
            while context.iteration(False):
                pass

        events = []

        def listener(event):
            try:
                events.append((event.type, event.source, event.detail1, event.any_data))
            except Exception:
                pass

        pyatspi.Registry.registerEventListener(listener, 'object:text-changed')
        desktop = pyatspi.Registry.getDesktop(0)
        for lang, button_name, report_name, link_name in LANGUAGES:
            check_language(session, pyatspi, desktop, pump, events, window, cli, database, lang, button_name,
                           report_name, link_name)
        pyatspi.Registry.deregisterEventListener(listener, 'object:text-changed')
    finally:
        session.stop()
    print('PASS')
    return 0


def visible_windows():
    found = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', ''], capture_output=True, text=True,
                           timeout=10)
    return set(found.stdout.split())


def window_corner(window):
    shown = subprocess.run(['xdotool', 'getwindowgeometry', '--shell', window], capture_output=True, text=True,
                           timeout=10).stdout
    values = dict(line.split('=', 1) for line in shown.split('\n') if '=' in line)
    return int(values['X']), int(values['Y'])


def check_menu_keys(pump, button, link):
    """The Menu key and Shift+F10 from the X keyboard (xdotool), where the platform also turns the
    Menu key into a context-menu event: one menu opens, under the focused control; Escape closes it."""
    if shutil.which('xdotool') is None:
        print('the menu keys from the X keyboard: not checked, xdotool is not installed (package xdotool)')
        return
    ours = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', "Dorv's Pressling"], capture_output=True,
                          text=True, timeout=10).stdout.split()
    if len(ours) != 1:
        fail(f'the window is not one visible X window: {ours}')
    # No window manager gives the focus here.
    subprocess.run(['xdotool', 'windowfocus', '--sync', ours[0]], timeout=10, check=True)
    for control, keys in ((button, ['Menu']), (button, ['shift+F10']), (link, ['Tab', 'Menu']),
                          (link, ['shift+F10'])):
        before = visible_windows()
        for key in keys:
            subprocess.run(['xdotool', 'key', key], timeout=10, check=True)
        menus = wait_for(f'{keys}: a menu', lambda: visible_windows() - before, pump, seconds=10)
        if len(menus) != 1:
            fail(f'{keys} opened {len(menus)} windows')
        x, y, width, height = control.queryComponent().getExtents(0)  # screen coordinates
        corner = window_corner(next(iter(menus)))
        if corner != (x, y + height):
            fail(f'{keys}: the menu opened at {corner}, not under {control.name!r} at {(x, y + height)}')
        subprocess.run(['xdotool', 'key', 'Escape'], timeout=10, check=True)
        wait_for(f'{keys}: the menu closed by Escape', lambda: not (visible_windows() - before), pump, seconds=10)
    print('the Menu key and Shift+F10 open one menu under the focused control; Escape closes it')


def cli_lines(cli, database, lang, folder):
    copy = os.path.join(folder, 'cli', 'IR-Pong2.prc')
    os.makedirs(os.path.dirname(copy))
    shutil.copyfile(database, copy)
    env = {k: v for k, v in os.environ.items() if k not in ('LANGUAGE', 'LC_ALL', 'LC_MESSAGES')}
    env['LANG'] = lang
    done = subprocess.run([cli, copy], capture_output=True, text=True, env=env, cwd=os.path.dirname(copy),
                          timeout=STEP_SECONDS)
    if done.returncode != 0:
        fail(f'pressling-cli {copy} ended with {done.returncode}: {done.stderr}')
    return [line for line in done.stdout.split('\n') if line != '']


def check_language(session, pyatspi, desktop, pump, events, window, cli, database, lang, button_name, report_name,
                   link_name):
    folder = tempfile.mkdtemp(prefix='pressling-atspi-')
    try:
        expected = cli_lines(cli, database, lang, folder)
        work = os.path.join(folder, 'window')
        os.makedirs(work)
        source = os.path.join(work, 'IR-Pong2.prc')
        shutil.copyfile(database, source)
        env = {k: v for k, v in os.environ.items() if k not in ('LANGUAGE', 'LC_ALL', 'LC_MESSAGES', 'QT_QPA_PLATFORM')}
        env.update(LANG=lang, QT_QPA_PLATFORM='xcb')
        app = session.start([window], cwd=work, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def application():
            for i in range(desktop.childCount):
                node = desktop.getChildAtIndex(i)
                if node is not None and node.name == 'pressling' and node.get_process_id() == app.pid:
                    return node
            return None

        program = wait_for(f'{lang}: the window on the accessibility bus', application, pump)
        frame = wait_for(f'{lang}: the frame', lambda: find(program, lambda n: n.getRoleName() == 'frame'), pump)
        if frame.name != "Dorv's Pressling V0.91":
            fail(f'{lang}: the frame is named {frame.name!r}')
        if not frame.description:
            fail(f'{lang}: the frame has no description')
        children = [frame.getChildAtIndex(i) for i in range(frame.childCount)]
        shown = [(c.getRoleName(), c.name) for c in children]
        wanted = [('push button', button_name), ('text', report_name), ('link', link_name)]
        if shown != wanted:
            fail(f'{lang}: the frame holds {shown}, not {wanted}')
        button, report, link = children
        if link.description != HOME_PAGE:
            fail(f'{lang}: the link describes itself as {link.description!r}')
        states = report.getState()
        if states.contains(pyatspi.STATE_EDITABLE):
            fail(f'{lang}: the report is editable')
        text = report.queryText()
        if text.characterCount != 0:
            fail(f'{lang}: the report says {text.getText(0, -1)!r} before any run')

        del events[:]
        press(button, pyatspi)
        dialog = wait_for(f'{lang}: the file dialog',
                          lambda: find(program, lambda n: n.getRoleName() in ('dialog', 'file chooser') and
                                       n.getState().contains(pyatspi.STATE_SHOWING)), pump)
        def file_name_entry():
            # The focused editable text, or the dialog's only one where no window manager gave it the focus.
            entries = [n for n in descendants(dialog) if n.getRoleName() == 'text' and
                       n.getState().contains(pyatspi.STATE_EDITABLE) and n.getState().contains(pyatspi.STATE_SHOWING)]
            focused = [n for n in entries if n.getState().contains(pyatspi.STATE_FOCUSED)]
            return (focused or (entries if len(entries) == 1 else [None]))[0]
        entry = wait_for(f'{lang}: the file name entry', file_name_entry, pump)
        entry.queryEditableText().setTextContents(source)
        accept = find(dialog, lambda n: n.getRoleName() == 'push button' and
                      n.getState().contains(pyatspi.STATE_IS_DEFAULT))
        if accept is None:
            fail(f'{lang}: the file dialog has no default button')
        press(accept, pyatspi)

        def inserted():
            return [str(data) for kind, source_, _, data in events
                    if kind.startswith('object:text-changed:insert') and source_ == report]

        # The run ends with its last line, told as an insertion into the report.
        wait_for(f'{lang}: the end of the run', lambda: any(expected[-1] in data for data in inserted()), pump,
                 state=lambda: f'(events {[(kind, detail) for kind, _, detail, _ in events]}; '
                               f'the report reads {report.queryText().getText(0, -1)!r}; '
                               f'in the folder {sorted(os.listdir(work))})')
        wait_for(f'{lang}: the window idle again', lambda: not frame.getState().contains(pyatspi.STATE_BUSY), pump)
        # pressling-cli prints the progress line, then the report that replaces it on the window.
        progress, report_lines = expected[0], expected[1:]
        said = report.queryText().getText(0, -1)
        if said.split('\n') != report_lines:
            fail(f'{lang}: the report reads {said.split(chr(10))}, pressling-cli printed {report_lines}')
        removed = [i for i, (kind, source_, _, data) in enumerate(events)
                   if kind.startswith('object:text-changed:delete') and source_ == report]
        if not removed or str(events[removed[-1]][3]) != progress:
            fail(f'{lang}: the progress line {progress!r} was not the text removed before the report; '
                 f'events {[(kind, str(data)) for kind, source_, _, data in events if source_ == report]}')
        told = ''.join(str(data) for kind, source_, _, data in events[removed[-1]:]
                       if kind.startswith('object:text-changed:insert') and source_ == report)
        if told != said:
            fail(f'{lang}: the insertions after the progress line make {told!r}, not {said!r}')
        if not os.path.exists(os.path.join(work, 'IR-Pong2_comp.prc')):
            fail(f'{lang}: the window wrote no IR-Pong2_comp.prc')
        if lang == LANGUAGES[0][0]:
            check_menu_keys(pump, button, link)
        print(f'{lang}: {len(expected)} lines, {len(inserted())} text-changed insertions, named as expected')
        os.killpg(app.pid, signal.SIGTERM)
        app.wait(timeout=10)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == '__main__':
    if len(sys.argv) != 4:
        print(__doc__)
        sys.exit(2)
    if os.environ.get('PRESSLING_CORPUS'):
        # The corpus elsewhere, as for the other tests.
        sys.argv[3] = os.path.join(os.environ['PRESSLING_CORPUS'], os.path.basename(sys.argv[3]))
    if os.environ.get(INNER) == '1':
        sys.exit(inner(*sys.argv[1:]))
    sys.exit(outer(sys.argv[1:]))
