#!/usr/bin/env python3
"""Validates every result the tool tests kept against the result schema.

usage: check_result_schema.py SCHEMA RESULTS_DIR
Exit 77 (reported by ctest as skipped) when python3-jsonschema is not installed.
"""
import json
import pathlib
import sys

try:
    import jsonschema
except ImportError:
    print("skipped: the Python module jsonschema (Debian package python3-jsonschema) is not installed")
    sys.exit(77)

schema = json.loads(pathlib.Path(sys.argv[1]).read_text())
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)

results = sorted(pathlib.Path(sys.argv[2]).glob("*.json"))
if not results:
    print(f"no results in {sys.argv[2]}: run the tool tests first")
    sys.exit(1)
failures = 0
for result in results:
    for error in validator.iter_errors(json.loads(result.read_text())):
        print(f"{result.name}: {error.json_path}: {error.message}")
        failures += 1
print(f"{len(results)} result(s) checked, {failures} error(s)")
sys.exit(1 if failures else 0)
