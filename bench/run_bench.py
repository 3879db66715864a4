#!/usr/bin/env python3
"""Measures morvane against the cost of writing its output.

    bench/run_bench.py [--morvane build/morvane] [--runs 5] [--small]

Makes the benchmark tapes in a scratch folder: 256 blocks of 65533 payload
bytes (flag 0xFF, pause 1000 ms), random and all zeros in turn, about 16 MiB,
and a 1 MiB tape of the first 16 of those blocks. Then, for each output kind:

- wall: the median time of `morvane` on the 16 MiB tape, and the floor: the
  median time to write the bytes that run produced, already in memory, to a
  new file in 1 MiB writes. The ratio of the two is printed.
- instr/byte: instructions of the whole process on the 1 MiB tape, counted by
  valgrind's callgrind, divided by the tape's size. Deterministic, so it can
  be compared across runs and machines.
- peak RSS of the process for the 1 MiB and the 16 MiB tape (/usr/bin/time -v).

--small makes both tapes a few blocks long and runs everything once: a check
that the script still works, not a measurement.
"""

import argparse
import os
import random
import re
import statistics
import subprocess
import sys
import tempfile
import time

KINDS = ("csw", "tzxcsw", "tzxgen")


def data_block(payload, flag=0xFF, pause_ms=1000):
    """A TZX standard-speed block (0x10) with its xor checksum."""
    checksum = flag
    for byte in payload:
        checksum ^= byte
    length = len(payload) + 2
    return (bytes([0x10]) + pause_ms.to_bytes(2, "little") + length.to_bytes(2, "little") +
            bytes([flag]) + payload + bytes([checksum]))


def make_tapes(folder, blocks, small_blocks, payload_size):
    rng = random.Random(2026)
    header = b"ZXTape!\x1a\x01\x14"
    parts = []
    for i in range(blocks):
        payload = rng.randbytes(payload_size) if i % 2 == 0 else bytes(payload_size)
        parts.append(data_block(payload))
    large = os.path.join(folder, "large.tzx")
    small = os.path.join(folder, "small.tzx")
    with open(large, "wb") as f:
        f.write(header + b"".join(parts))
    with open(small, "wb") as f:
        f.write(header + b"".join(parts[:small_blocks]))
    return small, large


def run_morvane(morvane, kind, tape, output):
    # A new file each time, as the floor writes one: truncating the last run's
    # output would add the kernel's cost of dropping it.
    if os.path.exists(output):
        os.unlink(output)
    subprocess.run([morvane, "-to", kind, tape, output], check=True, stdout=subprocess.DEVNULL)


def median_seconds(action, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        action()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def write_floor(data, path):
    """Writes `data` to a new file at `path` in 1 MiB writes."""
    if os.path.exists(path):
        os.unlink(path)
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        view = memoryview(data)
        step = 1 << 20
        for at in range(0, len(view), step):
            chunk = view[at:at + step]
            while chunk:
                chunk = chunk[os.write(fd, chunk):]
    finally:
        os.close(fd)


def instructions(morvane, kind, tape, output):
    result = subprocess.run(
        ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
         morvane, "-to", kind, tape, output],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    match = re.search(r"Collected : (\d+)", result.stderr)
    if not match:
        sys.exit("callgrind printed no total:\n" + result.stderr)
    return int(match.group(1))


def peak_rss_kib(morvane, kind, tape, output):
    result = subprocess.run(
        ["/usr/bin/time", "-v", morvane, "-to", kind, tape, output],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    match = re.search(r"Maximum resident set size \(kbytes\): (\d+)", result.stderr)
    if not match:
        sys.exit("/usr/bin/time printed no peak:\n" + result.stderr)
    return int(match.group(1))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--morvane", default="build/morvane")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--small", action="store_true")
    args = parser.parse_args()
    morvane = os.path.abspath(args.morvane)
    runs = 1 if args.small else args.runs

    with tempfile.TemporaryDirectory(prefix="morvane-bench-") as folder:
        if args.small:
            small, large = make_tapes(folder, blocks=4, small_blocks=2, payload_size=4000)
        else:
            small, large = make_tapes(folder, blocks=256, small_blocks=16, payload_size=65533)
        small_size = os.path.getsize(small)
        large_size = os.path.getsize(large)
        print(f"tapes: {small_size} bytes and {large_size} bytes; median of {runs} runs")
        print(f"{'kind':8} {'output':>11} {'morvane':>9} {'floor':>9} {'ratio':>6} "
              f"{'instr/byte':>10} {'RSS small':>10} {'RSS large':>10}")
        for kind in KINDS:
            output = os.path.join(folder, "out." + kind)
            wall = median_seconds(lambda: run_morvane(morvane, kind, large, output), runs)
            with open(output, "rb") as f:
                data = f.read()
            floor = median_seconds(lambda: write_floor(data, output + ".floor"), runs)
            os.unlink(output + ".floor")
            per_byte = instructions(morvane, kind, small, output) / small_size
            rss_small = peak_rss_kib(morvane, kind, small, output)
            rss_large = peak_rss_kib(morvane, kind, large, output)
            print(f"{kind:8} {len(data):11d} {wall * 1000:7.1f}ms {floor * 1000:7.1f}ms "
                  f"{wall / floor:6.2f} {per_byte:10.2f} {rss_small:7d}KiB {rss_large:7d}KiB")
            os.unlink(output)


if __name__ == "__main__":
    main()
