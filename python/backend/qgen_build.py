"""Builds the qgen wheel with CMake.

A build backend (PEP 517) that needs nothing beyond Python's standard library:
it drives the project's CMake build of the extension module and writes the
wheel itself, so `pip install .` works offline, in a fresh virtual environment
that has neither setuptools nor wheel, with or without build isolation. The
build needs cmake, a C++20 compiler, pybind11 and the Python headers, and the
library's own dependencies (scripts/install-deps.sh installs them all).
"""

import base64
import hashlib
import io
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tarfile
import tempfile
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
NAME = "qgen"
SUMMARY = "Masked sequence numbers shared through a database table, and time-stamp keys"


def _version():
    match = re.search(r"project\(qgen VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text())
    return match.group(1)


def _dist_info():
    return f"{NAME}-{_version()}.dist-info"


def _tag():
    python = "cp" if sys.implementation.name == "cpython" else sys.implementation.name[:2]
    python += f"{sys.version_info.major}{sys.version_info.minor}"
    platform = sysconfig.get_platform().replace("-", "_").replace(".", "_")
    return f"{python}-{python}-{platform}"


def _metadata():
    return (
        "Metadata-Version: 2.1\n"
        f"Name: {NAME}\n"
        f"Version: {_version()}\n"
        f"Summary: {SUMMARY}\n"
        "Requires-Python: >=3.9\n"
    )


def _wheel_file():
    return (
        "Wheel-Version: 1.0\n"
        "Generator: qgen_build\n"
        "Root-Is-Purelib: false\n"
        f"Tag: {_tag()}\n"
    )


def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    info = Path(metadata_directory) / _dist_info()
    info.mkdir(parents=True, exist_ok=True)
    (info / "METADATA").write_text(_metadata())
    (info / "WHEEL").write_text(_wheel_file())
    return info.name


def _run(command):
    print("+", " ".join(command), flush=True)
    subprocess.run(command, check=True)


def _build(stage):
    """Builds the extension module and installs the package into `stage`."""
    if not shutil.which("cmake"):
        raise RuntimeError("building qgen needs cmake and a C++20 compiler: run scripts/install-deps.sh")
    with tempfile.TemporaryDirectory(prefix="qgen-build-") as build:
        configure = [
            "cmake", "-S", str(ROOT), "-B", build,
            "-DCMAKE_BUILD_TYPE=Release",
            "-DQGEN_BUILD_TESTS=OFF", "-DQGEN_BUILD_TOOLS=OFF", "-DQGEN_BUILD_PYTHON=ON",
            f"-DPython_EXECUTABLE={sys.executable}",
            "-DQGEN_PYTHON_INSTALL_DIR=.",
        ]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        _run(configure)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
        _run(["cmake", "--build", build, "--target", "qgen_python", "--parallel", jobs])
        _run(["cmake", "--install", build, "--component", "python3-qgen", "--prefix", str(stage)])


def _record_line(path, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{path},sha256={digest},{len(data)}"


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    wheel_name = f"{NAME}-{_version()}-{_tag()}.whl"
    info = _dist_info()
    with tempfile.TemporaryDirectory(prefix="qgen-stage-") as stage:
        _build(Path(stage))
        files = sorted(p for p in Path(stage).rglob("*") if p.is_file())
        contents = [(p.relative_to(stage).as_posix(), p.read_bytes()) for p in files]
        contents += [(f"{info}/METADATA", _metadata().encode()),
                     (f"{info}/WHEEL", _wheel_file().encode())]
        record = [_record_line(path, data) for path, data in contents] + [f"{info}/RECORD,,"]
        with zipfile.ZipFile(Path(wheel_directory) / wheel_name, "w", zipfile.ZIP_DEFLATED) as wheel:
            for path, data in contents:
                wheel.writestr(path, data)
            wheel.writestr(f"{info}/RECORD", "\n".join(record) + "\n")
    return wheel_name


def _source_files():
    try:
        listed = subprocess.run(["git", "-C", str(ROOT), "ls-files", "-z"], check=True,
                                capture_output=True).stdout.decode().split("\0")
        return [name for name in listed if name and (ROOT / name).is_file()]
    except (OSError, subprocess.CalledProcessError):
        return [p.relative_to(ROOT).as_posix() for p in ROOT.rglob("*")
                if p.is_file() and not p.relative_to(ROOT).parts[0].startswith(("build", ".git"))]


def build_sdist(sdist_directory, config_settings=None):
    base = f"{NAME}-{_version()}"
    with tarfile.open(Path(sdist_directory) / f"{base}.tar.gz", "w:gz") as sdist:
        for name in _source_files():
            sdist.add(ROOT / name, arcname=f"{base}/{name}")
        info = tarfile.TarInfo(f"{base}/PKG-INFO")
        data = _metadata().encode()
        info.size = len(data)
        sdist.addfile(info, io.BytesIO(data))
    return f"{base}.tar.gz"
