#!/usr/bin/env python3
"""Prints the blitter benchmarks beside their closest peers.

Reads Google Benchmark JSON (tessel_bench --benchmark_format=json, or the
file written with --benchmark_out=FILE) from the file named on the command
line or from standard input (with --benchmark_repetitions, the medians), and prints one line per engine case: its rate in
million pixels per second, its closest peer, the ratio to that peer and the
ratio to memcpy of the same rows.
"""
import json
import sys

MEMCPY = "BM_PeerMemcpy"


def closest_peer(name):
    """The peer doing the most similar work to the engine case `name`."""
    if name == "BM_ClearRect":
        return "BM_PeerMemset"
    if name == "BM_FastCopy":
        return MEMCPY
    parts = name.split("_")  # Blit_<mode>_<kind>_<opacity>[_Mirrored]
    mode, kind = parts[1], parts[2]
    if kind == "AlphaPlane":
        return "BM_PeerPixman_OverHalfMask"
    if mode == "Normal":
        return "BM_PeerSDL_ColorKey" if kind == "Keyed" else "BM_PeerSDL_Copy"
    if mode == "Alpha":
        return "BM_PeerSDL_Alpha128"
    # Saturating add; no peer subtracts, the add is the nearest work.
    return "BM_PeerPixman_Add"


def main():
    source = open(sys.argv[1]) if len(sys.argv) > 1 else sys.stdin
    data = json.load(source)
    # Rates in Mpix/s; with repetitions the median stands for the case.
    rates, medians = {}, {}
    for entry in data.get("benchmarks", []):
        if "items_per_second" not in entry:
            continue
        name = entry.get("run_name", entry["name"])
        if entry.get("run_type", "iteration") == "iteration":
            rates.setdefault(name, entry["items_per_second"] / 1e6)
        elif entry.get("aggregate_name") == "median":
            medians[name] = entry["items_per_second"] / 1e6
    rates.update(medians)
    cases = [n for n in rates if n.startswith("Blit_") or n in ("BM_ClearRect", "BM_FastCopy")]
    header = f"{'case':<38} {'Mpix/s':>8}  {'closest peer':<28} {'Mpix/s':>8} {'ratio':>6} {'x memcpy':>8}"
    print(header)
    print("-" * len(header))
    for name in cases:
        peer = closest_peer(name)
        peer_rate = rates.get(peer)
        memcpy_rate = rates.get(MEMCPY)
        ratio = f"{rates[name] / peer_rate:6.2f}" if peer_rate else "     -"
        to_memcpy = f"{rates[name] / memcpy_rate:8.2f}" if memcpy_rate else "       -"
        peer_text = f"{peer_rate:8.0f}" if peer_rate else "       -"
        print(f"{name:<38} {rates[name]:8.0f}  {peer:<28} {peer_text} {ratio} {to_memcpy}")
    peers = sorted(n for n in rates if n.startswith("BM_Peer"))
    if peers:
        print()
        for name in peers:
            print(f"{name:<38} {rates[name]:8.0f}")


if __name__ == "__main__":
    main()
