"""Validates vellomar-run --json output against docs/trace.schema.json.

    python3 check_trace_schema.py RUNNER MODULE SOURCE_DIR WORK_DIR

Runs the gauge examples and a gauge made here to show every kind of line
(warnings, an unreadable file, infinities and NaN, a hidden area's click, a
Select's case, the module's storage), validates each line with the
jsonschema library, and checks the points the schema cannot: the header
comes first, infinities are texts, and messages also reach standard error.
"""
import json
import os
import subprocess
import sys

import jsonschema

RUNNER, MODULE, SOURCE, WORK = sys.argv[1:5]

GAUGE = """<Gauge>
<Update>(L:n, number) 1 + (&gt;L:n, number) 90 (&gt;L:Heading, degrees)
  4 (&gt;C:VELLOMAR:SetArraySize) 'Route' (&gt;C:VELLOMAR:CreateStringArray, string)
  0 (&gt;C:VELLOMAR:SetWriteIndex) 'KSEA' (&gt;C:VELLOMAR:SetStringValue, string)</Update>
<Element id="Inf"><Rotate><Value>-1e308 10 *</Value></Rotate>
  <Shift><Value>1e308 10 *</Value></Shift><Value>1 0 /</Value>
  <Rectangle><FillColorScript>(L:n, number) 1 &gt; if{ 'red' } els{ 'white' }</FillColorScript></Rectangle></Element>
<Element id="Page"><Select><Value>(L:n, number) 2 %</Value>
  <Case Value="0"><Text><String>EVEN</String></Text></Case>
  <Case Value="1"><Text><String>ODD</String></Text></Case></Select></Element>
<Element id="Hidden"><Visible>0</Visible><Text><String>never</String></Text></Element>
<Element><Text><String>%((L:n, number))%!d! %(1 +)%!d!</String></Text></Element>
<Mouse><Area><Tooltip>Knob</Tooltip><Visible>0</Visible><Click Event="GEAR_TOGGLE"/></Area>
  <Area><Tooltip>Gear</Tooltip><Click Event="GEAR_TOGGLE"/></Area></Mouse>
</Gauge>
"""

# Each run: its arguments, its working folder, and what its lines must hold
# beyond the schema (a test of the run, given the parsed lines).
RUNS = []


def run(name, args, folder, check):
    RUNS.append((name, args, folder, check))


def values_of(lines, key):
    return [item for line in lines if "gauge" in line for item in line[key]]


def check_special(lines, err):
    values = {item["kind"]: item["value"] for item in values_of(lines, "values")}
    assert values["rotate"] == "-Infinity", values
    assert values["shift"] == "Infinity", values
    cases = [item["case"] for item in values_of(lines, "values") if item["kind"] == "select"]
    assert cases == [2, 1], cases
    first = [line for line in lines if "gauge" in line][0]
    assert "Hidden" in first["hidden"], first
    variables = values_of(lines, "variables")
    heading = [item for item in variables if item["name"] == "L:Heading"][0]
    assert heading["unit"] == "degree" or heading["unit"].startswith("degree"), heading
    assert heading["written"] == 90, heading
    clicked = values_of(lines, "clicked")
    assert [click["done"] for click in clicked] == [False, True], clicked
    messages = values_of(lines, "messages") + [line["message"] for line in lines if "message" in line]
    assert any(m["level"] == "warning" and m["frame"] == 1 for m in messages), messages
    assert any(m["level"] == "unreadable" for m in messages), messages
    for message in messages:
        assert message["text"] in err, (message, err)
    storage = [item for line in lines if "storage" in line for item in line["storage"]]
    assert any(item["kind"] == "element" and item["value"] == "'KSEA'" for item in storage), storage
    texts = values_of(lines, "texts")
    assert {"element": "Page", "site": "Element 'Page' <Case 1> <Text>", "text": "ODD"} in texts, texts


def check_autopilot(lines, err):
    del err
    events = values_of(lines, "events")
    assert [e["event"] for e in events] == ["AP_MASTER", "HEADING_BUG_SET", "HEADING_BUG_SET"], events
    # A click comes before the event it sent.
    frame2 = [line for line in lines if line.get("frame") == 2][0]
    assert frame2["clicked"][0]["order"] < frame2["events"][0]["order"], frame2


def check_range(lines, err):
    del err
    frames = sorted({line["frame"] for line in lines if "gauge" in line})
    assert frames == [2, 3], frames


def main():
    with open(os.path.join(SOURCE, "docs", "trace.schema.json"), encoding="utf-8") as file:
        schema = json.load(file)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)

    os.makedirs(WORK, exist_ok=True)
    gauge = os.path.join(WORK, "schema_gauge.xml")
    with open(gauge, "w", encoding="utf-8") as file:
        file.write(GAUGE)
    examples = os.path.join(SOURCE, "examples")
    run("autopilot", ["--frames", "5", "--sim", "scenario.toml", "autopilot.xml"],
        os.path.join(examples, "autopilot"), check_autopilot)
    run("waypoints", ["--frames", "5", "--sim", "scenario.toml", "waypoints.xml"],
        os.path.join(examples, "waypoints"), None)
    run("special", ["--frames", "2", "--click", "Knob@1", "--click", "Gear@2",
                    "no-such-gauge.xml", gauge], WORK, check_special)
    run("range", ["--frames", "4", "--from", "2", "--to", "3", gauge], WORK, check_range)

    failures = 0
    for name, args, folder, check in RUNS:
        result = subprocess.run([RUNNER, "--module", MODULE, "--json"] + args, cwd=folder,
                                capture_output=True, check=False)
        out = result.stdout.decode("utf-8")
        err = result.stderr.decode("utf-8", "replace")
        lines = [json.loads(line) for line in out.splitlines()]
        problems = []
        if not lines or "version" not in lines[0]:
            problems.append("the first line is not the header")
        for number, line in enumerate(lines, 1):
            for error in validator.iter_errors(line):
                problems.append(f"line {number}: {error.message} at {list(error.absolute_path)}")
        if "summary" not in lines[-1] and not any("summary" in line for line in lines):
            problems.append("no summary")
        if check is not None and not problems:
            try:
                check(lines, err)
            except (AssertionError, KeyError, IndexError) as error:
                problems.append(f"check failed: {error}")
        for problem in problems:
            print(f"{name}: {problem}")
        if problems:
            failures += 1
            print(out[:4000])
            print(err[:2000])
    print(f"{len(RUNS) - failures} of {len(RUNS)} runs valid")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
