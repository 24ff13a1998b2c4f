"""Driving the real program as a user does (run inside session.sh): widgets are found through the
accessibility bus by the text of their label and their role, the mouse and the keyboard are
xdotool's, and the window is closed the way a window manager closes it."""
import os
import subprocess
import time

import pyatspi


def _walk(node, depth=0, limit=60):
    if node is None or depth > limit:
        return
    yield node
    try:
        n = node.childCount
    except Exception:
        return
    for i in range(n):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from _walk(child, depth + 1, limit)


def wait_until(condition, timeout=10, what='a condition'):
    end = time.time() + timeout
    while True:
        try:
            value = condition()
        except Exception:
            value = None
        if value:
            return value
        if time.time() > end:
            raise RuntimeError(f'timed out waiting for {what}')
        time.sleep(0.2)


def application(name_part, timeout=30):
    def found():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            if a is not None and name_part in (a.name or ''):
                return a
        return None
    return wait_until(found, timeout, f'the application {name_part!r}')


def _matches(node, name, role, showing):
    if role and node.getRoleName() != role:
        return False
    if name is not None and (node.name or '') != name:
        return False
    return not showing or node.getState().contains(pyatspi.STATE_SHOWING)


def find_all(root, name=None, role=None, showing=True):
    out = []
    for node in _walk(root):
        try:
            if _matches(node, name, role, showing):
                out.append(node)
        except Exception:
            pass
    return out


def find(root, name=None, role=None, timeout=8):
    def first():
        nodes = find_all(root, name, role)
        return nodes[0] if nodes else None
    return wait_until(first, timeout, f'a widget named {name!r} ({role})')


def text(node):
    t = node.queryText()
    return t.getText(0, t.characterCount)


def centre(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x + e.width // 2, e.y + e.height // 2


def click(node, at=None):
    """A left click at the widget's centre, or at `at` = (x, y) within it."""
    if at is None:
        x, y = centre(node)
    else:
        e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        x, y = e.x + at[0], e.y + at[1]
    subprocess.run(['xdotool', 'mousemove', str(x), str(y), 'click', '1'], check=True)
    time.sleep(0.4)


def keys(*names):
    subprocess.run(['xdotool', 'key', '--clearmodifiers'] + list(names), check=True)
    time.sleep(0.3)


def type_text(s):
    subprocess.run(['xdotool', 'type', '--delay', '40', s], check=True)
    time.sleep(0.3)


def alerts(app):
    """The message boxes open now, each as (node, its text)."""
    out = []
    for box in find_all(app, role='alert'):
        labels = [n.name for n in find_all(box, role='label') if n.name]
        out.append((box, '\n'.join(labels)))
    return out


def answer(box, button='OK'):
    click(find(box, button, 'push button'))


def shot(path):
    subprocess.run(['import', '-window', 'root', path], check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def _top_level_windows(d, title, viewable_only=False):
    """The top-level windows whose title holds `title`. Without a window manager they are the root's
    children; one that goes away while it is looked at (a tooltip) is passed over, where a search
    by xdotool would give up and find nothing."""
    from Xlib import X, error
    net_name, utf8 = d.intern_atom('_NET_WM_NAME'), d.intern_atom('UTF8_STRING')
    found = []
    for window in d.screen().root.query_tree().children:
        try:
            if viewable_only and window.get_attributes().map_state != X.IsViewable:
                continue
            name = window.get_full_property(net_name, utf8)
            name = name.value.decode('utf-8', 'replace') if name else (window.get_wm_name() or '')
        except error.XError:
            continue
        if isinstance(name, bytes):
            name = name.decode('latin-1')
        if title in name:
            found.append(window)
    return found


def close_window(title):
    """Asks the top-level window with this title to close, as a window manager's close button does;
    says how many windows were asked."""
    from Xlib import X, display, protocol
    d = display.Display()
    try:
        windows = wait_until(lambda: _top_level_windows(d, title, viewable_only=True), 10, f'the window {title!r}')
        protocols = d.intern_atom('WM_PROTOCOLS')
        delete = d.intern_atom('WM_DELETE_WINDOW')
        for window in windows:
            event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                                 data=(32, [delete, X.CurrentTime, 0, 0, 0]))
            window.send_event(event, event_mask=X.NoEventMask)
        d.sync()  # the display has handled the requests before this connection goes
        return len(windows)
    finally:
        d.close()


def nudge_window(title):
    """Changes a property of the top-level window with this title: an event the toolkit handles at
    once, even where it holds back input (and a request to close counts as input) for a while."""
    from Xlib import Xatom, display
    d = display.Display()
    try:
        nudge = d.intern_atom('_HALCYRA_TEST_NUDGE')
        for window in _top_level_windows(d, title, viewable_only=True):
            window.change_property(nudge, Xatom.STRING, 8, b'1')
        d.sync()
    finally:
        d.close()


def window_shown(title):
    """Whether a mapped top-level window with this title is on the display."""
    from Xlib import display
    d = display.Display()
    try:
        return bool(_top_level_windows(d, title, viewable_only=True))
    finally:
        d.close()


def shown_windows(app):
    """For a close that did not happen: the display's mapped top-level windows and the program's
    own windows as the accessibility bus sees them, with their states (a modal one blocks)."""
    from Xlib import X, display, error
    lines = []
    d = display.Display()
    try:
        for window in d.screen().root.query_tree().children:
            try:
                if window.get_attributes().map_state != X.IsViewable:
                    continue
                lines.append(f'mapped 0x{window.id:x} {window.get_wm_name()!r}')
            except error.XError:
                continue
    finally:
        d.close()
    try:
        for i in range(app.childCount):
            child = app.getChildAtIndex(i)
            states = [pyatspi.stateToString(s) for s in child.getState().getStates()]
            lines.append(f'accessible {child.getRoleName()} {child.name!r}: {" ".join(states)}')
    except Exception as e:
        lines.append(f'the accessibility bus did not answer: {e}')
    return '\n'.join(lines)


def thread_stacks(pid):
    """Where each thread of a process that hangs is waiting: its stacks (eu-stack, from elfutils),
    or without that the kernel's name for each thread's wait."""
    try:
        out = subprocess.run(['eu-stack', '-p', str(pid)], capture_output=True, text=True, timeout=60)
        if out.stdout.strip():
            return out.stdout
    except (OSError, subprocess.TimeoutExpired):
        pass
    lines = []
    try:
        for task in sorted(os.listdir(f'/proc/{pid}/task')):
            def read(name):
                try:
                    with open(f'/proc/{pid}/task/{task}/{name}') as f:
                        return f.read().strip()
                except OSError:
                    return '?'
            lines.append(f'thread {task} ({read("comm")}): waits in {read("wchan")}')
    except OSError as e:
        lines.append(f'no threads to show: {e}')
    return '\n'.join(lines)
