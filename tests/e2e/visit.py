"""The window as a therapist uses it, under a real display with real focus changes and real message
boxes: a whole visit, a visit by the keyboard alone, values refused, a birth date typed, the dose
delivered kept on the schedule and the report after a new MED, a pasted name, an out-of-range MED,
a database kept busy by another workstation, the department audit, and closing the window while a
memo is being typed.
Each scenario checks what reached the database. The language is the environment's (LANG): the
figures and dates are checked in its writing.

usage: visit.py PROGRAM WORKDIR [SERVER_URI]  (WORKDIR holds UVB_Factors.Dat, data/ and config/; see
run.sh). With SERVER_URI the database is that department server's, and the checks read it there."""
import datetime
import os
import sqlite3
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gui import (alerts, answer, application, click, close_window, find, find_all, keys, nudge_window, shot,
                 shown_windows, text, thread_stacks, type_text, wait_until, window_shown)

TITLE = 'Halcyra - NB UVB MED Calculator'
program, work = sys.argv[1], sys.argv[2]
server = sys.argv[3] if len(sys.argv) > 3 else None
database = os.path.join(work, 'data', 'Brell_Data.db')
NULL = '<null>'


def server_value(text):
    """A value as psql prints it: NULL, bytes (bytea in hex), a whole number, a real number or text."""
    if text == NULL:
        return None
    if text.startswith('\\x'):
        return bytes.fromhex(text[2:])
    for kind in (int, float):
        try:
            return kind(text)
        except ValueError:
            pass
    return text


def stored_row(table, *columns):
    """Columns of patient ABC1234's row of `table` (its only course for Course), as stored."""
    if server:
        names = ', '.join(f'"{c}"' for c in columns)
        out = subprocess.run(['psql', '-X', '-q', '-At', '-F', '\t', '-P', f'null={NULL}', '-d', server, '-c',
                              f"SELECT {names} FROM \"{table}\" WHERE \"Hosp\" = 'ABC1234'"],
                             check=True, capture_output=True, text=True).stdout.rstrip('\n')
        return tuple(server_value(v) for v in out.split('\t')) if out else None
    with sqlite3.connect(f'file:{database}?mode=ro', uri=True, timeout=20) as db:
        return db.execute(f'SELECT {", ".join(columns)} FROM {table} WHERE Hosp = ?', ('ABC1234',)).fetchone()


def course_row(*columns):
    return stored_row('Course', *columns)


GERMAN = os.environ.get('LANG', '').startswith('de')


ENGLISH_MONTHS = ['January', 'February', 'March', 'April', 'May', 'June', 'July', 'August', 'September',
                  'October', 'November', 'December']
GERMAN_MONTHS = ['Januar', 'Februar', 'März', 'April', 'Mai', 'Juni', 'Juli', 'August', 'September', 'Oktober',
                 'November', 'Dezember']


def figure(shown):
    """A figure as the window shows it, in the point notation."""
    return shown.strip().replace(',', '.')


def schedule_doses(app):
    """The "Dose (mJ)" cells of treatments 1..29 as the schedule shows them."""
    cells = find_all(find(app, 'Treatment schedule', 'table'), role='table cell')
    return [cells[6 * row + 2].name.strip() for row in range(29)]


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def replace_text(node, new_text):
    """Clicks into a text box, selects what is there and types over it."""
    click(node)
    keys('ctrl+a')
    type_text(new_text)


def start():
    # The window says what it did with each request to close (in program.log, shown on a failure).
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, 'config'), QT_LOGGING_RULES='halcyra.window.debug=true')
    log = open(os.path.join(work, 'program.log'), 'wb')
    return subprocess.Popen([program], cwd=work, env=env, stdout=log, stderr=subprocess.STDOUT)


def visit(app):
    """A new patient, skin type, age, a tone click, a treatment recorded by clicking into each field of
    the dialog and typing, then List and Select: everything comes back."""
    press_button = lambda name: click(find(app, name, 'push button'))
    click(find(app, 'NHI', 'text'))
    type_text('ABC1234')
    click(find(app, 'Surname', 'text'))
    type_text('Smith')
    press_button('New Patient')
    skin = find(app, 'Skin Type', 'combo box')
    click(skin)
    keys('Down', 'Down', 'Return')
    click(find(app, 'Age', 'text'))
    type_text('40')
    keys('Tab')
    click(find(app, 'Average'))
    med = wait_until(lambda: text(find(app, 'MED', 'text')), 5, 'an MED from the tone click')
    grid = find(app, 'Treatment schedule', 'table')
    cells = find_all(grid, role='table cell')
    planned = cells[2].name.strip()
    check(planned, 'the plan in the schedule')

    click(cells[0])  # treatment 1
    dialog = find(app, 'Patient Condition', 'dialog')
    for label, typed in (('Treatment Time', '0230'), ('Temperatrure', '36.5'), ('Dose', planned),
                         ('Therapist Initials', 'AB')):
        click(find(dialog, label, 'text'))  # a click into the field, not Tab
        type_text(typed)
    click(find(dialog, 'Same'))
    click(find(dialog, 'Update', 'push button'))
    wait_until(lambda: not find_all(app, 'Patient Condition', 'dialog'), 5, 'the dialog to close')
    check(not alerts(app), f'no box after Update: {[t for _, t in alerts(app)]}')

    press_button('List')
    click(find(app, 'NHI', 'text'))
    type_text('ABC1234')
    press_button('Select')
    check(figure(wait_until(lambda: text(find(app, 'Age', 'text')), 5, 'the age')) == '40.0', 'the age is back')
    check(text(find(app, 'MED', 'text')) == med, 'the MED is back')
    skin_index, stored_med, time_text, initials = course_row('SkinIndex', 'EdMed', 'TxTime', 'Initials')
    check(skin_index is not None and stored_med == int(med), f'skin type and MED stored: {skin_index}, {stored_med}')
    check(b'02:30' in bytes(time_text), f'the time typed after a click is stored: {bytes(time_text)!r}')
    check(b'AB' in bytes(initials), f'the initials typed after a click are stored: {bytes(initials)!r}')
    return med


def keyboard_visit(app):
    """From the patient list, treatment 2 recorded with the keyboard alone: the NHI typed where the
    keyboard is, Enter opens the course on its next treatment, Home opens that treatment's dialog,
    the fields are typed and left with Tab, Alt+3 chooses "Same", Tab reaches "Update" and Space
    presses it."""
    click(find(app, 'List', 'push button'))
    wait_until(lambda: not text(find(app, 'NHI', 'text')), 5, 'the empty search')
    # From here on only keys.
    type_text('ABC1234')
    keys('Return')
    wait_until(lambda: text(find(app, 'Age', 'text')), 5, 'the course opened')
    planned = schedule_doses(app)[1]
    check(planned, 'a plan for treatment 2')
    keys('Home')
    find(app, 'Patient Condition', 'dialog')
    type_text('0245')
    keys('Tab')
    type_text('36.6')
    keys('Tab')
    type_text(planned)
    keys('Tab')
    type_text('KB')
    keys('alt+3')
    for _ in range(5):  # "Clearing" and the three burns, then "Update"
        keys('Tab')
    keys('space')
    wait_until(lambda: not find_all(app, 'Patient Condition', 'dialog'), 5, 'the dialog to close')
    check(not alerts(app), f'no box: {[t for _, t in alerts(app)]}')
    condition, initials, time_text = course_row('Condition', 'Initials', 'TxTime')
    check(bytes(condition)[1] == 3, f'treatment 2 stored as "Same": {bytes(condition)!r}')
    check(b'KB' in bytes(initials) and b'02:45' in bytes(time_text), f'its initials and time: {bytes(initials)!r}')


def age_refused(app):
    """Age 200 is refused in a box that names the field, the value and the range; the age shown and
    stored stays."""
    before = text(find(app, 'Age', 'text'))
    stored = course_row('Old')
    replace_text(find(app, 'Age', 'text'), '200')
    click(find(app, 'Referred by', 'text'))
    box, said = wait_until(lambda: alerts(app)[0], 10, 'the box refusing the age')
    check('The Age "200" is too large: an age is a number of years from 0 to 120.' in said, f'the box: {said!r}')
    check('Nothing was stored' in said, f'the box says nothing was stored: {said!r}')
    answer(box)
    wait_until(lambda: not alerts(app), 5, 'the box to close')
    check(text(find(app, 'Age', 'text')) == before, f'the age shown stays {before!r}')
    check(course_row('Old') == stored, f'the stored age stays {stored}: {course_row("Old")}')


def birth_date(app):
    """A birth date typed into the picker, in the language's order, shows with a four-digit year;
    it contradicts the age, so the window offers the age it gives, and No keeps the age."""
    picker = wait_until(lambda: [n for n in find_all(app, 'DoB') if n.getRoleName() != 'label'][0], 5, 'the DoB picker')
    click(picker)  # the blank picker shows today with its first part selected
    type_text('01031965' if GERMAN else '03011965')
    click(find(app, 'Referred by', 'text'))
    box, said = wait_until(lambda: alerts(app)[0], 10, 'the question about the age')
    check('The date of birth gives an age of' in said, f'the question: {said!r}')
    answer(box, 'No')
    wait_until(lambda: not alerts(app), 5, 'the box to close')
    shown = ('01.03.1965',) if GERMAN else ('3/1/1965', '03/01/1965')
    check(text(picker) in shown, f'the birth date shown: {text(picker)!r}')
    birth = stored_row('Patient', 'Birth')[0]
    days = (datetime.date(1965, 3, 1) - datetime.date(1899, 12, 30)).days  # the stored form of a date
    check(birth is not None and int(float(birth)) == days, f'the birth date stored: {birth!r}')


def delivered_and_report(app):
    """A new MED works the plan out again, but treatments 1 and 2 keep showing the doses they
    delivered, on the schedule and in the exported report, whose running sum adds them."""
    before = schedule_doses(app)
    delivered = before[:2]
    med = int(text(find(app, 'MED', 'text')))
    replace_text(find(app, 'MED', 'text'), str(med + 40))
    click(find(app, 'Referred by', 'text'))
    wait_until(lambda: course_row('EdMed')[0] == med + 40, 10, 'the new MED stored')
    now = wait_until(lambda: schedule_doses(app) if schedule_doses(app)[2] != before[2] else None, 5,
                     'the plan worked out again')
    check(now[:2] == delivered, f'the delivered doses stay on the schedule: {now[:2]} against {delivered}')

    click(find(app, 'Print', 'push button'))
    preview = find(app, 'NB UVB Treatment Report - ABC1234', timeout=20)
    pdf = os.path.join(work, 'report-ABC1234.pdf')
    if os.path.exists(pdf):
        os.remove(pdf)
    keys('ctrl+e')
    find(app, 'Export the report to PDF', timeout=10)
    keys('ctrl+a')
    type_text(pdf)
    keys('Return')
    wait_until(lambda: os.path.exists(pdf) and os.path.getsize(pdf) > 0, 30, 'the PDF file')
    time.sleep(1)
    report = subprocess.run(['pdftotext', '-layout', pdf, '-'], check=True, capture_output=True, text=True).stdout
    click(find(preview, 'Close'))
    wait_until(lambda: not find_all(app, 'NB UVB Treatment Report - ABC1234'), 10, 'the preview to close')
    total = int(delivered[0]) + int(delivered[1])
    rows = [line for line in report.splitlines() if line.strip().startswith(tuple('0123456789'))]
    check(any(f' {delivered[0]} ' in line for line in rows), f'treatment 1 delivered {delivered[0]} on the report')
    check(any(f' {delivered[1]} ' in line and f' {total} ' in line for line in rows),
          f'treatment 2 delivered {delivered[1]} and the sum {total} on the report:\n' + '\n'.join(rows[:6]))
    check(('01.03.1965' if GERMAN else '3/1/1965') in report, 'the birth date with its century on the report')
    today = datetime.date.today()
    month = (GERMAN_MONTHS if GERMAN else ENGLISH_MONTHS)[today.month - 1]
    printed = f'{today.day}. {month} {today.year}' if GERMAN else f'{month} {today.day:02d}, {today.year}'
    check(printed in report, f'the print date {printed!r} on the report')
    check(f'Lifetime: 2 treatments' in report, 'the lifetime line counts the two treatments')


def pasted_name(app):
    """A surname pasted with a tab and a line feed in it is stored and shown on one line."""
    subprocess.run(['xclip', '-selection', 'clipboard', '-i'], input=b'Anna\tMaria\nSeco', check=True)
    surname = find(app, 'Surname', 'text')
    click(surname)
    keys('ctrl+a', 'ctrl+v')
    click(find(app, 'Referred by', 'text'))
    wait_until(lambda: stored_row('Patient', 'SurN')[0] == 'Anna Maria Seco', 10,
               f'the pasted surname stored on one line (now {stored_row("Patient", "SurN")})')
    check(text(surname) == 'Anna Maria Seco', f'and shown so: {text(surname)!r}')


def med_out_of_range(app):
    """5000 typed into the MED box and another field clicked: the warning advises, the MED stays."""
    replace_text(find(app, 'MED', 'text'), '5000')
    click(find(app, 'Referred by', 'text'))
    box, said = wait_until(lambda: alerts(app)[0], 10, 'the "Undeliverable treatment" box')
    check('Maximium MED deliverable' in said, f'the warning: {said!r}')
    answer(box)
    wait_until(lambda: not alerts(app), 5, 'the box to close')
    check(text(find(app, 'MED', 'text')) == '5000', 'the MED box keeps 5000')
    check(course_row('EdMed')[0] == 5000, f'EdMed stored: {course_row("EdMed")}')


def busy_database(app):
    """Another workstation holds a write for longer than the store waits while "Referred by" is left:
    one box says so, nothing typed is lost, and the next field written stores it."""
    locked, release = threading.Event(), threading.Event()

    def hold_the_course_on_the_server():
        # The other workstation keeps the course row locked in a transaction of its own.
        other = subprocess.Popen(['psql', '-X', '-q', '-At', '-d', server], stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE, text=True)
        other.stdin.write('BEGIN;\nSELECT 1 FROM "Course" WHERE "Hosp" = \'ABC1234\' FOR UPDATE;\n')
        other.stdin.flush()
        other.stdout.readline()
        locked.set()
        release.wait(60)
        other.stdin.write('ROLLBACK;\n')
        other.stdin.close()
        other.wait()

    def hold_the_database():
        if server:
            return hold_the_course_on_the_server()
        # Held until the box has been seen: longer than the store waits, however long the clicks take.
        db = sqlite3.connect(database, timeout=20, isolation_level=None)
        db.execute('BEGIN IMMEDIATE')
        locked.set()
        release.wait(60)
        db.execute('ROLLBACK')
        db.close()

    locker = threading.Thread(target=hold_the_database)
    locker.start()
    check(locked.wait(20), 'the other workstation holds the database')
    try:
        replace_text(find(app, 'Referred by', 'text'), 'Dr Lock')
        click(find(app, 'Therapist', 'text'))
        box, said = wait_until(lambda: alerts(app)[0], 30, 'the box of the refused write')
    finally:
        release.set()
        locker.join()
    check('Dr Lock' in said and 'locked' in said, f'the box names the change and the reason: {said!r}')
    answer(box)
    check(text(find(app, 'Referred by', 'text')) == 'Dr Lock', 'the typed referral is still shown')
    click(find(app, 'Therapist', 'text'))
    type_text('AB')
    click(find(app, 'Referred by', 'text'))  # the therapist is left: both are stored now
    wait_until(lambda: course_row('Referal', 'Consultant') == ('Dr Lock', 'AB'), 10,
               f'both stored (now {course_row("Referal", "Consultant")})')
    check(not alerts(app), 'no further box')


def department_audit(app):
    """Department audit... on the About tab opens the audit of the last 12 months beside the main
    window: it counts the treatments given above as the database holds them (a missed visit is
    none), and Close closes it."""
    click(find(app, 'About', 'page tab'))
    click(find(app, 'Department audit...', 'push button'))
    dialog = find(app, 'Department audit', 'dialog', timeout=20)

    def shown(label):
        cells = [c.name for c in find_all(find(dialog, 'Figures', 'table'), role='table cell')]
        return cells[cells.index(label) + 1] if label in cells else None

    given = sum(1 for code in bytes(course_row('Condition')[0]) if code not in (0, 1))
    treatments = wait_until(lambda: shown('Treatments given'), 60, 'the figures of the last 12 months')
    check(treatments == str(given), f'the treatments given: {treatments!r}, the database holds {given}')
    check(shown('Patients treated') == '1', f'one patient treated: {shown("Patients treated")!r}')
    check(not alerts(app), f'no box: {[t for _, t in alerts(app)]}')
    click(find(dialog, 'Close', 'push button'))
    wait_until(lambda: not find_all(app, 'Department audit', 'dialog'), 10, 'the audit window to close')
    click(find(app, 'Clincial', 'page tab'))


def close_while_typing(app, process):
    """The window closed while the Meds memo is still being typed: the memo is stored."""
    meds = find(app, 'Meds', 'text')
    click(meds)
    type_text('Methotrexate')
    # The window has taken every key before it is asked to close (a busy machine lags behind).
    wait_until(lambda: text(meds) == 'Methotrexate', 20, f'the memo typed (now {text(meds)!r})')
    asked = close_window(TITLE)
    try:
        wait_until(lambda: not window_shown(TITLE), 15, 'the window to close')
    except RuntimeError:
        # Asked again, as a user clicks again; what was on the screen is told either way.
        before = (f'the window was still on the screen 15 s after {asked} window(s) were asked to close; '
                  f'boxes on screen: {[said for _, said in alerts(app)]}\n{shown_windows(app)}')
        print(f'note: {before}', flush=True)
        close_window(TITLE)
        nudge_window(TITLE)
        try:
            wait_until(lambda: not window_shown(TITLE), 30, 'the window to close')
        except RuntimeError:
            raise AssertionError(f'{before}\nand 30 s after it was asked again; boxes on screen: '
                                 f'{[said for _, said in alerts(app)]}\n{shown_windows(app)}\n'
                                 f'{thread_stacks(process.pid)}')
    try:
        # A sanitizer build checks the whole heap for leaks on its way out: slow on a busy machine.
        process.wait(timeout=90)
    except subprocess.TimeoutExpired:
        raise AssertionError('the window closed but the program did not end within 90 s; where it '
                             f'waits:\n{thread_stacks(process.pid)}')
    check(course_row('MemoMeds')[0] == 'Methotrexate', f'the memo stored: {course_row("MemoMeds")}')


def main():
    process = start()
    failed = []
    try:
        app = application('NB UVB')
        click(find(app, 'Accept', 'push button'))
        scenarios = [('a whole visit', lambda: visit(app)),
                     ('a visit by the keyboard alone', lambda: keyboard_visit(app)),
                     ('age 200 refused', lambda: age_refused(app)),
                     ('a birth date typed', lambda: birth_date(app)),
                     ('the delivered doses after a new MED and on the report', lambda: delivered_and_report(app)),
                     ('a pasted name', lambda: pasted_name(app)),
                     ('an out-of-range MED', lambda: med_out_of_range(app)),
                     ('a busy database', lambda: busy_database(app)),
                     ('the department audit', lambda: department_audit(app)),
                     ('closing while a memo is typed', lambda: close_while_typing(app, process))]
        for name, scenario in scenarios:
            started = time.time()
            try:
                scenario()
                print(f'ok    {name} ({time.time() - started:.1f} s)', flush=True)
            except Exception as e:
                failed.append(name)
                shot(os.path.join(work, name.replace(' ', '-') + '.png'))
                print(f'FAIL  {name}: {e}', flush=True)
                break  # later scenarios build on the earlier ones
            if process.poll() is not None and name != 'closing while a memo is typed':
                failed.append('the program ended by itself')
                break
    finally:
        if process.poll() is None:
            process.kill()
        process.wait()
        with open(os.path.join(work, 'program.log'), 'rb') as log:
            output = log.read().decode(errors='replace')
    if process.returncode != 0 and not failed:
        failed.append(f'the program exited with status {process.returncode}')
    if failed:
        print(output[-4000:])
        print('failed:', ', '.join(failed))
        return 1
    return 0


sys.exit(main())
