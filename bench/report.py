#!/usr/bin/env python3
"""Turns the benchmark suite's JSON (medians of repeated runs) into the
performance table: every stage of a monitor pass beside its anchor.

    report.py SUITE.json PEAK.json [PEAK.json ...] > table.md
"""
import json
import statistics
import sys


def medians(path):
    with open(path) as f:
        data = json.load(f)
    result = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name", "median") != "median" or b.get("error_occurred"):
            continue
        name = b["run_name"]
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
        entry = {"ms": b["real_time"] * scale}
        for key, value in b.items():
            if key in ("allocs", "allocs_in_classify", "cpu_ms", "cpu_percent", "peak_MiB"):
                entry[key] = value
        result.setdefault(name, entry)
    return result


def main():
    suite = medians(sys.argv[1])
    peaks = [medians(p).get("BM_PeakResident/iterations:1/repeats:1", {}).get("peak_MiB")
             for p in sys.argv[2:]]
    peaks = [p for p in peaks if p is not None]
    missing = []

    def ms(name):
        entry = suite.get(name)
        if entry is None:
            missing.append(name)
            return float("nan")
        return entry["ms"]

    def counter(name, key):
        return suite.get(name, {}).get(key, float("nan"))

    def f(value):
        return "—" if value != value else (f"{value:.2f} ms" if value < 100 else f"{value:.0f} ms")

    rows = []

    def row(stage, ours, anchors, ratio_to=None):
        text = "; ".join(f"{label} {f(value)}" for label, value in anchors) or "—"
        ratio = "—" if ratio_to is None or ratio_to != ratio_to or ratio_to == 0 else f"{ours / ratio_to:.2f}×"
        rows.append(f"| {stage} | {f(ours)} | {text} | {ratio} |")

    for w, h in ((1920, 1080), (3840, 2160)):
        size = f"{w}/{h}"
        raw = ms(f"BM_RawShmGrab/{size}")
        row(f"screen copy of the client area, {w}×{h} (`CaptureWindowInto`)", ms(f"BM_CaptureWindow/{size}"),
            [("raw MIT-SHM grab", raw), ("memcpy of the BGRX bytes", ms(f"BM_MemcpyBgrx/{size}"))], raw)
    for w, h in ((1920, 1080), (3840, 2160)):
        size = f"{w}/{h}"
        copy = ms(f"BM_MemcpyBgr/{size}")
        row(f"BGRX→BGR, {w}×{h}", ms(f"BM_ConvertBgrxToBgr/{size}"), [("memcpy of the output size", copy)], copy)
    for w, h in ((1920, 1080), (3840, 2160)):
        size = f"{w}/{h}"
        bare = ms(f"BM_ResizeCentreSquare/{size}")
        row(f"preprocess {w}×{h}", ms(f"BM_Preprocess/{size}"), [("bare 256×256 resize of the crop", bare)], bare)
    run = ms("BM_OrtRunAlone")
    row("classify, reference-cost model", ms("BM_ClassifyReferenceModel"), [("bare ONNX Runtime Run", run)], run)
    for w, h in ((1920, 1080), (2560, 1440), (3840, 2160)):
        size = f"{w}/{h}"
        turbo = ms(f"BM_LibjpegTurboAlone/{size}")
        row(f"bound 1920 + JPEG + base64, {w}×{h}", ms(f"BM_BoundEncodeBase64/{size}/1920"),
            [("libjpeg-turbo alone (bounded frame)", turbo), ("stb_image_write", ms(f"BM_StbWriteAlone/{size}"))],
            turbo)

    capture = ms("BM_CaptureWindow/1920/1080")
    encode = ms("BM_BoundEncodeBase64/1920/1080/1920")
    stages = capture + ms("BM_Preprocess/1920/1080") + ms("BM_ClassifyReferenceModel") + encode
    anchors = (ms("BM_RawShmGrab/1920/1080") + ms("BM_ResizeCentreSquare/1920/1080") + run
               + ms("BM_LibjpegTurboAlone/1920/1080"))
    passName = "BM_MonitorPass/iterations:60/manual_time"
    row("one whole pass, 1920×1080, interval 0", ms(passName),
        [("sum of our stages", stages), ("the same stages in a row on one thread", ms("BM_PassStages/iterations:20")),
         ("sum of the anchors", anchors)], stages)

    capture4k = ms("BM_CaptureWindow/3840/2160")
    for w, h, bound in ((1920, 1080, 0), (1920, 1080, 1920), (3840, 2160, 0), (3840, 2160, 1920)):
        cap = capture if w == 1920 else capture4k
        enc = ms(f"BM_BoundEncodeBase64/{w}/{h}/{bound if bound else 0}") if (w, bound) != (1920, 0) else encode
        row(f"screenshot on the host thread, {w}×{h}, maxSize {bound}",
            ms(f"BM_Screenshot/{w}/{h}/{bound}"), [("the pass's capture + encode", cap + enc)], cap + enc)

    rows.append(f"| stop latency at interval 5 | {f(ms('BM_StopLatency/iterations:4/manual_time'))} | — | — |")
    share = counter("BM_CpuShareInterval5/iterations:1/repeats:3", "cpu_percent")
    rows.append(f"| CPU share, 1080p window, interval 5, 60 s | {share:.2f} % of one core | — | — |")
    peak = statistics.median(peaks) if peaks else float("nan")
    rows.append(f"| peak resident memory, 1080p, history 15, speech buffer full | {peak:.1f} MiB | — | — |")

    print("| stage | ours | anchor measured in the same run | ours / anchor |")
    print("|---|---|---|---|")
    print("\n".join(rows))
    print()
    allocs = counter("BM_PassStages/iterations:20", "allocs")
    in_run = counter("BM_PassStages/iterations:20", "allocs_in_classify")
    cpu = counter(passName, "cpu_ms")
    print(f"Per pass: {cpu:.1f} ms of process CPU; {allocs:.0f} heap allocations, "
          f"{in_run:.0f} of them inside `Classify` (ONNX Runtime's Run).")
    print()
    print(f"Goals: whole pass / sum of stages = {ms(passName) / stages:.2f} (goal ≤ 1.25); "
          f"4K screenshot = {f(ms('BM_Screenshot/3840/2160/0'))} / {f(ms('BM_Screenshot/3840/2160/1920'))} "
          f"with maxSize 0 / 1920 (goal ≤ 25 ms); CPU share = {share:.2f} % (goal < 1 %).")
    if missing:
        print(f"\nMissing from this run: {', '.join(sorted(set(missing)))}", file=sys.stderr)


if __name__ == "__main__":
    main()
