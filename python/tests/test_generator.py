"""Generators from Python sharing sequences with the qgen tool."""

import itertools
import sqlite3
import subprocess
import sys
import threading
import time

import pytest

import qgen
from conftest import ROOT, TOOL, tool_next

WORKER = """
import sys, threading, qgen
db, table, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
values = []
def draw():
    with qgen.Generator(db, "N-#####", table, start="00001") as gen:
        values.extend(itertools.islice(gen, n))
import itertools
threads = [threading.Thread(target=draw) for _ in range(2)]
[t.start() for t in threads]
[t.join() for t in threads]
print("\\n".join(values))
"""


def test_python_and_tool_continue_one_sequence(db, table):
    with qgen.Generator(db, "INV-####", table, start="0001") as gen:
        assert gen.next() == "INV-0001"
        assert tool_next(db, table, "INV-####") == ["INV-0002"]
        assert list(itertools.islice(gen, 2)) == ["INV-0003", "INV-0004"]
        assert gen.value == "INV-0004"
    with pytest.raises(qgen.Error, match="closed"):
        gen.next()


def test_processes_and_threads_draw_distinct_contiguous_values(db, table):
    n = 15  # each of 2 threads in each of 3 Python processes; 2 tool processes draw 2 * n
    python = [subprocess.Popen([sys.executable, "-c", WORKER, db, table, str(n)],
                               stdout=subprocess.PIPE, text=True) for _ in range(3)]
    tools = [subprocess.Popen([TOOL, "next", "--db", db, "--table", table, "--mask", "N-#####",
                               "--start", "00001", "-n", str(2 * n)],
                              stdout=subprocess.PIPE, text=True) for _ in range(2)]
    values = []
    for process in python + tools:
        out, _ = process.communicate(timeout=120)
        assert process.returncode == 0
        values += out.split()
    numbers = sorted(int(v[2:]) for v in values)
    assert len(values) == 10 * n
    assert numbers == list(range(1, 10 * n + 1)), "duplicates or gaps"


@pytest.mark.parametrize("drawn_between, undone", [
    ([], "U-02"),            # nobody drew since: the last value is taken back
    (["U-04"], None),        # the tool drew past it: refused, the row left alone
])
def test_undo_only_while_no_one_drew_since(db, table, drawn_between, undone):
    gen = qgen.Generator(db, "U-##", table, start="01")
    assert [gen.next(), gen.next(), gen.next()] == ["U-01", "U-02", "U-03"]
    assert sum((tool_next(db, table, "U-##") for _ in drawn_between), []) == drawn_between
    if undone:
        assert gen.undo() == undone
    else:
        with pytest.raises(qgen.Error, match="cannot undo U-03"):
            gen.undo()
    expected = "U-03" if undone else "U-05"
    assert tool_next(db, table, "U-##") == [expected]


def test_code_page_letters_round_trip(db, table):
    gen = qgen.Generator(db, "СЧ-@$$", table, start="АЯ", user=lambda chars: "Ж")
    assert gen.next() == "СЧ-ЖАЯ"
    assert tool_next(db, table, "СЧ-@$$", "--user", "Ж") == ["СЧ-ЖБА"]
    assert gen.next() == "СЧ-ЖББ"


@pytest.mark.parametrize("kwargs, error, message", [
    (dict(mask="[AB"), qgen.Error, "Missing ] symbol in Mask!"),
    (dict(mask="##", start="1X"), qgen.Error, "Error at position-2 1X"),
    (dict(mask="##", start="50", end="10"), qgen.Error, "EndValue must be greater than StartValue"),
    (dict(mask="@-##"), qgen.Error, "1 @ symbol"),
    (dict(mask="中-##"), qgen.Error, "'中' cannot be written in code page WINDOWS-1251"),
    (dict(mask="##", table="BAD"), qgen.Error, "GenID"),
    (dict(mask="##", db="/no/such/dir/x.db"), qgen.DatabaseError, "/no/such/dir/x.db"),
])
def test_bad_set_up_raises_the_library_message(tmp_path, kwargs, error, message):
    db = str(tmp_path / "x.db")
    sqlite3.connect(db).execute('CREATE TABLE "BAD" (x TEXT)').connection.commit()
    with pytest.raises(error) as raised:
        qgen.Generator(**{"db": db, **kwargs})
    assert message in str(raised.value)


def test_locked_database_waits_without_the_gil_then_gives_up_busy(tmp_path):
    db = str(tmp_path / "x.db")
    gen = qgen.Generator(db, "L-#", start="1", timeout=0.5)
    assert gen.next() == "L-1"
    blocker = sqlite3.connect(db, isolation_level=None)
    blocker.execute("BEGIN IMMEDIATE")
    drawn = []
    thread = threading.Thread(target=lambda: drawn.append(gen.next()))
    thread.start()
    time.sleep(0.1)
    waiting = thread.is_alive() and not drawn  # this thread ran while the draw waited
    blocker.execute("COMMIT")
    thread.join()
    assert waiting and drawn == ["L-2"]

    blocker.execute("BEGIN IMMEDIATE")
    with pytest.raises(qgen.BusyError, match="Gentbl is busy. Try again!"):
        gen.next()
    blocker.execute("ROLLBACK")


def test_notices_go_to_warnings_or_to_the_handler(tmp_path):
    gen = qgen.Generator(str(tmp_path / "x.db"), "W-#", start="1", end="2")
    assert [gen.next(), gen.next()] == ["W-1", "W-2"]
    with pytest.warns(qgen.Notice, match="Incremental part was set to startup value"):
        assert gen.next() == "W-1"
    heard = []
    previous = qgen.set_message_handler(lambda text, caption: heard.append((caption, text)))
    try:
        gen.next(), gen.next()
    finally:
        qgen.set_message_handler(previous)
    assert heard == [("Generator Information", "Incremental part was set to startup value")]


def test_form_generators_draw_with_python_handlers(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)  # the form's database is qgen.db in the working directory
    form = qgen.load_form(ROOT / "examples" / "invoice.form.json",
                          handlers={"UserOption": lambda chars: "K"})
    assert form["InvoiceNumbers"].next() == "INV-0001"
    assert form["BranchReceipts"].next() == "RK-00001"
    assert form["GeneratorSource"].class_name == "TDataSource"
    with pytest.raises(qgen.FormError) as raised:
        qgen.load_form(tmp_path / "none.json")
    assert raised.value.file.endswith("none.json")


def test_stamps_are_distinct_and_carry_the_suffix():
    stamps = [qgen.stamp("K7") for _ in range(20)]
    assert len(set(stamps)) == 20
    assert all(len(s) == 19 and s[:17].isdigit() and s.endswith("K7") for s in stamps)
