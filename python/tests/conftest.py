"""Fixtures of the Python package's tests: a database on SQLite and on the
PostgreSQL server of QGEN_TEST_PG_URI, a table of its own per test, and the
qgen tool (QGEN_TOOL, else build/apps/qgen/qgen) as a second program."""

import os
import subprocess
import uuid
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
TOOL = os.environ.get("QGEN_TOOL") or str(ROOT / "build" / "apps" / "qgen" / "qgen")


@pytest.fixture(params=["sqlite", "postgresql"])
def db(request, tmp_path):
    if request.param == "sqlite":
        return str(tmp_path / "numbers.db")
    uri = os.environ.get("QGEN_TEST_PG_URI")
    if not uri:
        if os.environ.get("QGEN_REQUIRE_PG"):
            pytest.fail("QGEN_REQUIRE_PG is set, but QGEN_TEST_PG_URI names no server")
        pytest.skip("no PostgreSQL server: set QGEN_TEST_PG_URI")
    return uri


@pytest.fixture
def table():
    return "T" + uuid.uuid4().hex[:12]  # the PostgreSQL tests share one server


def tool_next(db, table, mask, *options):
    """Values drawn by the qgen tool, a program of its own."""
    done = subprocess.run([TOOL, "next", "--db", db, "--table", table, "--mask", mask, *options],
                          capture_output=True, text=True, check=True)
    return done.stdout.split()
