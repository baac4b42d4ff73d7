#!/usr/bin/env python3
"""Table of benchmark results: each figure beside its reference from the same run.

Usage: report.py DIR   (DIR holds one Google Benchmark JSON file per program)
"""
import json
import os
import sys

# (program, benchmark) -> the reference it is measured against.
REFERENCES = {
    ("data_bench", "BM_IFTxtFileLines"): "BM_PlainRead",
    ("data_bench", "BM_IFTxtFileStringLines"): "BM_PlainRead",
    ("files_bench", "BM_WriteDocument"): "BM_PlainCopy",
    ("files_bench", "BM_ReadDocument"): "BM_PlainRead",
    ("garmin_bench", "BM_OurTrackDownload"): "BM_GpsbabelTrackDownload",
    ("maps_bench", "BM_RecentreOneTile"): "BM_LibpngThreeTiles",
    ("maps_bench", "BM_DecodePngThreeTiles"): "BM_LibpngThreeTiles",
    ("view_bench", "BM_FullRepaint"): "BM_BareMapWindow",
    ("view_bench", "BM_DragStepAcrossTileEdge"): "BM_LibpngRowOfTiles",
    ("dialogs_bench", "BM_WaypointEditorModel"): "BM_CopyListInCore",
    ("dialogs_bench", "BM_WaypointEditorDialog"): "BM_CopyListInCore",
    ("mapmake_bench", "BM_MakeMap"): "BM_GdalWarpTranslate",
    ("navigation_bench", "BM_NavigationTickWithRepaint"): "BM_BareMapWindow",
    ("nmea_latency_bench", "BM_PairToEndOfTick"): "BM_PairOnTheLineAt4800",
}
REFERENCE_NAMES = {(prog, ref) for (prog, _), ref in REFERENCES.items()}

TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def plain_name(name):
    # "BM_X/iterations:3/real_time" -> "BM_X"; arguments such as "/64" stay.
    keep = [p for p in name.split("/") if not (p == "real_time" or ":" in p)]
    return "/".join(keep)


def load(folder):
    results = {}
    for fname in sorted(os.listdir(folder)):
        if not fname.endswith(".json"):
            continue
        prog = fname[: -len(".json")]
        path = os.path.join(folder, fname)
        try:
            with open(path) as f:
                data = json.load(f)
        except (OSError, ValueError) as e:
            print(f"{path}: cannot read results: {e}", file=sys.stderr)
            continue
        for b in data.get("benchmarks", []):
            if b.get("run_type", "iteration") != "iteration" or b.get("error_occurred"):
                continue
            ms = float(b["real_time"]) * TO_MS.get(b.get("time_unit", "ns"), 1e-6)
            results[(prog, plain_name(b["name"]))] = ms
    return results


def fmt(ms):
    if ms >= 100:
        return f"{ms:.0f} ms"
    if ms >= 1:
        return f"{ms:.2f} ms"
    if ms >= 0.001:
        return f"{ms * 1000:.2f} us"
    return f"{ms * 1e6:.1f} ns"


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    results = load(sys.argv[1])
    if not results:
        print("no benchmark results", file=sys.stderr)
        return 1
    rows = []
    for (prog, name), ms in sorted(results.items()):
        if (prog, name) in REFERENCE_NAMES:
            continue
        ref = REFERENCES.get((prog, name))
        ref_ms = results.get((prog, ref)) if ref else None
        rows.append((f"{prog}/{name}", fmt(ms), f"{ref} {fmt(ref_ms)}" if ref_ms is not None else "-",
                     f"{ms / ref_ms:.2f}" if ref_ms else "-"))
    head = ("benchmark", "ours (per iteration)", "reference (same run)", "ratio")
    widths = [max(len(r[i]) for r in rows + [head]) for i in range(4)]
    line = lambda r: "| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |"
    print(line(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))
    return 0


if __name__ == "__main__":
    sys.exit(main())
