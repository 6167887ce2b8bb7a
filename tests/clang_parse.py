#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright 2026 The Palavine developers
"""Every source of the project parses with clang, as clangd and clang-tidy
read it, with the flags the build gives it, warnings as errors.
Usage: clang_parse.py BUILD_DIR SOURCE_DIR"""
import concurrent.futures
import json
import os
import shlex
import shutil
import subprocess
import sys

build, source = sys.argv[1], sys.argv[2].rstrip("/")
if not shutil.which("clang++"):
    sys.exit("clang++ is not installed")
own = tuple(f"{source}/{folder}/" for folder in ("src", "tests", "bench"))
def parse(entry):
    """The command's errors and warnings, or "" when the source parses cleanly."""
    keep = ["clang++"]
    skip = False
    for arg in shlex.split(entry["command"])[1:]:
        if skip:
            skip = False
        elif arg == "-o":
            skip = True
        elif arg != "-c":
            keep.append(arg)
    result = subprocess.run(keep + ["-fsyntax-only", "-Werror"], cwd=entry["directory"],
                            capture_output=True, text=True, check=False)
    return "" if result.returncode == 0 else f"{entry['file']}\n{result.stderr}"


with open(f"{build}/compile_commands.json", encoding="utf-8") as commands:
    entries = [e for e in json.load(commands) if e["file"].startswith(own)]
with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
    problems = [p for p in pool.map(parse, entries) if p]
for problem in problems:
    print(problem, file=sys.stderr)
checked, failures = len(entries), len(problems)
if checked == 0:
    sys.exit(f"no source found in {build}/compile_commands.json")
if failures:
    sys.exit(f"{failures} of {checked} sources do not parse cleanly with clang")
print(f"{checked} sources parse cleanly with clang")
