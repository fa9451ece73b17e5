"""Builds gaussnet._core with CMake for the interpreter running this script,
so that `pip install --no-build-isolation .` needs nothing but Debian's
archive (setuptools, pybind11, numpy, CMake and a C++ compiler)."""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(gaussnet VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        target = Path(self.get_ext_fullpath(ext.name)).resolve()
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        f"-DGAUSSNET_PYTHON_EXECUTABLE={sys.executable}", "-DBUILD_TESTING=OFF",
                        "-DGAUSSNET_BENCH=OFF"], check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "gaussnet_python", "-j",
                        str(os.cpu_count() or 1)], check=True)
        built = next((build / "python" / "gaussnet").glob("_core*.so"))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(
    version=project_version(),
    package_dir={"": "python"},
    packages=["gaussnet"],
    package_data={"gaussnet": ["py.typed", "*.pyi"]},
    ext_modules=[Extension("gaussnet._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-python"}},
)
