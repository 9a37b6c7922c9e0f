"""Varnel against the libraries a user would pick instead, on a 6000 x 4000 photo.

    python3 run.py [--cli build/release/src/cli/varnel-cli] [--workdir build/peers] [--runs 5]
                   [--threads 1,all] [--only NAME,...]

Each operation runs through `varnel-cli edit ... --timings` (the step's own wall time, from its
`timing <step> <seconds>` line) and through libvips, Pillow and OpenCV, each timing the operation
alone inside a long-lived process of its own (peer_worker.py). The runs are interleaved: every
round runs every row once on every side, in an order that rotates from round to round, so that the
load of a shared machine falls on all sides alike. The table gives medians over the rounds. A peer
that took over a second and over three times the fastest peer in the first round is not run again
for that row (it cannot be the fastest); its single figure is still listed.

--threads takes a comma-separated list of thread counts ("all" for every core); the whole
comparison runs once per count, every side limited to that many threads, and prints one table
each. Targets are ratios to the fastest peer, one thread, as the project set them; the Image Size and
layer-blend rows compare with OpenCV (ours also carries the transparency plane).
"""

import argparse
import os
import re
import statistics
import subprocess
import sys
import time
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
WIDTH, HEIGHT = 6000, 4000
LIBRARIES = ("vips", "pillow", "opencv")
LIBRARY_NAMES = {"vips": "libvips", "pillow": "Pillow", "opencv": "OpenCV"}
# A peer whose first run takes longer than this many seconds and this many times the fastest
# peer's first run is not run again for that row: it cannot be the fastest, and repeating it
# would cost minutes.
SLOW_PEER_SECONDS = 1.0
SLOW_PEER_FACTOR = 3.0

# The test pictures: (file, seed, how it is written). The generator's parameters are part of the
# stamp, so that a change to them remakes the pictures.
PICTURE_STAMP = "photo-v2 %dx%d seeds 1,2 jpeg90 png6 webp90 tiff-deflate" % (WIDTH, HEIGHT)
# Lossy WebP at this quality on both sides (the editor's quality is WebP's own scale).
WEBP_QUALITY = 90


def libjpeg_quality(quality):
    """The editor's quality mapping onto the coder's scale (95 gives 93)."""
    q = min(max(quality, 0), 100)
    return min(max(int(q * 0.93 + 5 + 0.5), 5), 98)


# --- what is measured ---------------------------------------------------------------------------

@dataclass
class Job:
    """One run of varnel-cli edit: input picture, steps (option, parameter or None), output."""
    source: str
    steps: list
    output: str
    extra: list = field(default_factory=list)


@dataclass
class Row:
    name: str
    job: str             # Varnel job giving the figure
    key: str             # which timing line of that job
    peer_op: str = None  # peer operation, None for rows only Varnel has
    target: float = None
    reference: str = "fastest"  # or "opencv"


SELECTION = ("--select-ellipse", "600,400,5400,3600")


def jobs(jpeg_quality_option):
    base = "photo.bmp"

    def one(step, param=None, source=base, extra=()):
        return Job(source, list(extra) + [(step, param)], "out.bmp")

    layers = [("--add-layer", "layer.bmp:%s:50" % mode)
              for mode in ("multiply", "screen", "overlay", "soft-light")]
    return {
        "invert": one("--invert"),
        "levels": one("--levels", "1,1.2,1,0.9,0,12,8,20,255,240,250,235,0,0,0,0,255,255,255,255"),
        "desaturate": one("--desaturate"),
        "hue-saturation": one("--hue-saturation", "15,0,30"),
        "blur": one("--blur"),
        "sharpen": one("--sharpen"),
        "gauss10": one("--gaussian-blur", "10"),
        "gauss50": one("--gaussian-blur", "50"),
        "image-size": one("--image-size", "3000,2000,2"),
        "rotate": one("--rotate", "90cw"),
        "flip": one("--flip", "h"),
        # The document keeps its composite as an open window does; the opacity change then
        # recomposites the canvas: the layer blended over the background at 50 %.
        "multiply": Job(base, [("--composite", None), ("--add-layer", "layer.bmp:multiply:100"),
                               ("--layer-opacity", "50")], "out.bmp"),
        "overlay": Job(base, [("--composite", None), ("--add-layer", "layer.bmp:overlay:100"),
                              ("--layer-opacity", "50")], "out.bmp"),
        "jpeg": Job("photo.jpg", [], "out.jpg", jpeg_quality_option),
        "png": Job("photo.png", [], "out.png"),
        "bmp": Job(base, [], "out.bmp"),
        "webp": Job("photo.webp", [], "out.webp", ["--quality", str(WEBP_QUALITY)]),
        "webp-lossless": Job("photo.webp", [], "out.webp", ["--lossless"]),
        "tiff": Job("photo.tif", [], "out.tif"),
        "curves": one("--curves", "0:0,64:50,192:210,255:255"),
        "brightness-contrast": one("--brightness-contrast", "10,20"),
        "color-balance": one("--color-balance", "1,0,10,0,0,-5,0,0,15,0"),
        "colorize": one("--colorize", "30,50,0"),
        "feather": one("--feather", "50", extra=[SELECTION]),
        "expand": one("--expand", "50", extra=[SELECTION]),
        "border": one("--border", "20", extra=[SELECTION]),
        "merge-visible": Job(base, layers + [("--merge-visible", None)], "out.bmp"),
        # Flatten Image: the layer blended over the background at 50 % into a new surface.
        "flatten": Job(base, [("--add-layer", "layer.bmp:multiply:50"), ("--flatten", None)],
                       "out.bmp"),
    }


ROWS = [
    Row("invert", "invert", "invert", "invert", 1.0),
    Row("levels (per-channel table)", "levels", "levels", "levels", 1.0),
    # The peers' usual desaturation writes one grey channel; ours keeps three.
    Row("desaturate (peers: 1 channel)", "desaturate", "desaturate", "desaturate", 1.0),
    Row("hue/saturation", "hue-saturation", "hue-saturation", "hue_saturation", 1.0),
    Row("blur 3x3", "blur", "blur", "blur", 1.0),
    Row("sharpen 3x3", "sharpen", "sharpen", "sharpen", 1.0),
    Row("gaussian blur 10", "gauss10", "gaussian-blur", "gaussian10", 0.5),
    Row("gaussian blur 50", "gauss50", "gaussian-blur", "gaussian50", 0.3),
    Row("image size 50% smooth", "image-size", "image-size", "resize_half", 2.0, "opencv"),
    Row("rotate 90 cw", "rotate", "rotate", "rotate90", 1.0),
    Row("flip horizontal", "flip", "flip", "flip", 1.0),
    Row("layer multiply 50%", "multiply", "layer-opacity", "multiply50", 1.5, "opencv"),
    Row("layer overlay 50%", "overlay", "layer-opacity", "overlay50", 1.5, "opencv"),
    Row("flatten, multiply 50%", "flatten", "flatten", "multiply50", 1.5, "opencv"),
    Row("JPEG decode", "jpeg", "open", "jpeg_decode", 1.1),
    Row("JPEG encode", "jpeg", "save", "jpeg_encode", 1.1),
    Row("PNG decode", "png", "open", "png_decode", 0.35),
    Row("PNG encode (level 5)", "png", "save", "png_encode", 0.4),
    Row("BMP read", "bmp", "open", "bmp_read", 1.0),
    Row("BMP write", "bmp", "save", "bmp_write", 1.0),
    Row("WebP decode (lossy)", "webp", "open", "webp_decode", 1.0),
    Row("WebP encode (lossy q90)", "webp", "save", "webp_encode", 1.0),
    Row("WebP encode (lossless)", "webp-lossless", "save", "webp_lossless_encode", 1.0),
    Row("TIFF decode (Deflate)", "tiff", "open", "tiff_decode", 1.0),
    Row("TIFF encode (Deflate)", "tiff", "save", "tiff_encode", 1.0),
    Row("curves", "curves", "curves"),
    Row("brightness/contrast", "brightness-contrast", "brightness-contrast"),
    Row("color balance", "color-balance", "color-balance"),
    Row("colorize", "colorize", "colorize"),
    Row("feather 50 (ellipse)", "feather", "feather"),
    Row("expand 50 (ellipse)", "expand", "expand"),
    Row("border 20 (ellipse)", "border", "border"),
    Row("merge visible, 5 layers", "merge-visible", "merge-visible"),
]


# --- pictures -----------------------------------------------------------------------------------

def make_pictures(workdir):
    stamp_path = os.path.join(workdir, "pictures.stamp")
    try:
        with open(stamp_path) as f:
            if f.read() == PICTURE_STAMP:
                return
    except OSError:
        pass
    sys.path.insert(0, HERE)
    from PIL import Image

    from photo import make_photo

    print("making the test pictures in %s ..." % workdir, flush=True)
    photo = Image.fromarray(make_photo(WIDTH, HEIGHT, 1), "RGB")
    photo.save(os.path.join(workdir, "photo.bmp"))
    photo.save(os.path.join(workdir, "photo.jpg"), quality=90, subsampling="4:2:0")
    photo.save(os.path.join(workdir, "photo.png"), compress_level=6)
    photo.save(os.path.join(workdir, "photo.webp"), quality=WEBP_QUALITY, method=4)
    photo.save(os.path.join(workdir, "photo.tif"), compression="tiff_adobe_deflate")
    del photo
    Image.fromarray(make_photo(WIDTH, HEIGHT, 2), "RGB").save(os.path.join(workdir, "layer.bmp"))
    with open(stamp_path, "w") as f:
        f.write(PICTURE_STAMP)


# --- Varnel side --------------------------------------------------------------------------------

TIMING = re.compile(r"^timing (\S+) ([0-9.eE+-]+)\s*$")


class Varnel:
    def __init__(self, cli, workdir):
        self.cli, self.workdir = cli, workdir
        self.options = set()
        self.problem = None
        if not cli or not os.access(cli, os.X_OK):
            self.problem = "varnel-cli not built"
            return
        try:
            text = subprocess.run([cli, "--help"], capture_output=True, text=True,
                                  timeout=30).stdout
        except (OSError, subprocess.SubprocessError) as e:
            self.problem = "varnel-cli --help failed: %s" % e
            return
        self.options = set(re.findall(r"(--[a-z][a-z0-9-]*)", text))
        if "--timings" not in self.options:
            self.problem = "varnel-cli has no --timings"

    def missing(self, job):
        """Why the job cannot run, or None."""
        if self.problem:
            return self.problem
        wanted = [s for s, _ in job.steps] + [a for a in job.extra if a.startswith("--")]
        absent = [s for s in wanted if s not in self.options]
        return "varnel-cli has no %s yet" % " ".join(absent) if absent else None

    def run(self, job, threads):
        """Timings of one run, {key: seconds}, or an error text."""
        args = [self.cli, "edit", os.path.join(self.workdir, job.source)]
        if "--threads" in self.options:
            args += ["--threads", str(threads)]
        for step, param in job.steps:
            args.append(step)
            if param is not None:
                if step in ("--add-layer",):
                    param = os.path.join(self.workdir, param)
                args.append(param)
        args += job.extra + ["-o", os.path.join(self.workdir, job.output), "--timings"]
        try:
            done = subprocess.run(args, capture_output=True, text=True, timeout=600)
        except subprocess.TimeoutExpired:
            return "timed out"
        if done.returncode != 0:
            first = (done.stderr.strip().splitlines() or [""])[0]
            return "exit %d: %s" % (done.returncode, first[:80])
        timings = {}
        for line in done.stderr.splitlines():
            m = TIMING.match(line)
            if m:
                timings[m.group(1)] = float(m.group(2))  # the last of repeated steps
        return timings


# --- peers --------------------------------------------------------------------------------------

class Peer:
    def __init__(self, library, workdir, threads, jpeg_quality):
        env = dict(os.environ, VIPS_CONCURRENCY=str(threads),
                   PEER_JPEG_QUALITY=str(jpeg_quality), OMP_NUM_THREADS=str(threads))
        self.library = library
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "peer_worker.py"), library, workdir,
             str(threads)], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, env=env)
        first = self.proc.stdout.readline().strip()
        self.problem = None if first == "ready" else (first or "worker did not start")

    def run(self, op):
        """Seconds, or an error text."""
        if self.problem:
            return self.problem
        self.proc.stdin.write(op + "\n")
        self.proc.stdin.flush()
        answer = self.proc.stdout.readline().strip()
        if answer.startswith("ok "):
            return float(answer[3:])
        return answer or "worker stopped"

    def close(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            self.proc.wait(timeout=60)


# --- the rounds ---------------------------------------------------------------------------------

def median(values):
    return statistics.median(values) if values else None


def fmt_s(value):
    if value is None:
        return "-"
    return "%.3f" % value if value >= 0.1 else "%.4f" % value


def load_note():
    one, five, _ = os.getloadavg()
    return "load average %.2f (1 min), %.2f (5 min) on %d cores" % (one, five, os.cpu_count())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default=os.path.join(ROOT, "build/release/src/cli/varnel-cli"))
    parser.add_argument("--workdir", default=os.path.join(ROOT, "build/peers"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--threads", default="1,all",
                        help="comma-separated thread counts, 'all' for every core")
    parser.add_argument("--only", default="", help="comma-separated job names")
    args = parser.parse_args()

    os.makedirs(args.workdir, exist_ok=True)
    workdir = os.path.abspath(args.workdir)
    make_pictures(workdir)

    varnel = Varnel(args.cli, workdir)
    # The peers encode JPEG at the coder quality the editor's save uses.
    if "--quality" in varnel.options:
        varnel_quality = 91
        quality_option = ["--quality", str(varnel_quality)]
    else:
        varnel_quality, quality_option = 95, []
    jpeg_quality = libjpeg_quality(varnel_quality)
    job_table = jobs(quality_option)

    only = set(filter(None, args.only.split(",")))
    rows = [r for r in ROWS if not only or r.job in only]
    job_names = []
    for r in rows:
        if r.job not in job_names:
            job_names.append(r.job)
    job_problem = {j: varnel.missing(job_table[j]) for j in job_names}

    counts = []
    for item in filter(None, args.threads.split(",")):
        n = len(os.sched_getaffinity(0)) if item == "all" else int(item)
        if n not in counts:
            counts.append(n)
    for threads in counts:
        measure(args, threads, rows, job_table, dict(job_problem), varnel, workdir, jpeg_quality,
                varnel_quality)


# Output files of every side, removed before each measurement so that every save writes a new
# file (replacing a file costs its truncation, and the editor syncs a file it replaces).
OUTPUTS = ("out.bmp", "out.jpg", "out.png", "out.webp", "out.tif") + tuple(
    "%s.%s" % (lib, ext) for lib in ("pillow", "opencv", "vips")
    for ext in ("bmp", "jpg", "png", "webp", "tif"))


def remove_outputs(workdir):
    for name in OUTPUTS:
        try:
            os.remove(os.path.join(workdir, name))
        except FileNotFoundError:
            pass


def measure(args, threads, rows, job_table, job_problem, varnel, workdir, jpeg_quality,
            varnel_quality):
    start_load = load_note()
    peers = {lib: Peer(lib, workdir, threads, jpeg_quality) for lib in LIBRARIES}
    varnel_times = {r.name: [] for r in rows}
    varnel_error = {}
    peer_times = {(r.name, lib): [] for r in rows for lib in LIBRARIES}
    peer_error = {}
    active = {(r.name, lib) for r in rows if r.peer_op for lib in LIBRARIES
              if not peers[lib].problem}
    floor = []
    # Sizes of the PNG files each side wrote (bytes, last run): smaller files must not be bought
    # with time, nor speed with size.
    png_sizes = {}

    def note_png_size(side, name):
        try:
            png_sizes[side] = os.path.getsize(os.path.join(workdir, name))
        except OSError:
            pass

    for round_no in range(args.runs):
        print("%d thread(s): round %d of %d (%s)" % (threads, round_no + 1, args.runs, load_note()),
              flush=True)
        done_jobs = set()
        for index, row in enumerate(rows):
            sides = ["varnel"] + [lib for lib in LIBRARIES if (row.name, lib) in active]
            shift = (round_no + index) % len(sides)
            for side in sides[shift:] + sides[:shift]:
                # Files written by earlier measurements are flushed first, so that no one's save
                # (ours syncs its file) waits for another's write-back.
                remove_outputs(workdir)
                os.sync()
                if side == "varnel":
                    if row.job in done_jobs or job_problem[row.job]:
                        continue
                    done_jobs.add(row.job)
                    result = varnel.run(job_table[row.job], threads)
                    if row.job == "png" and not isinstance(result, str):
                        note_png_size("varnel", job_table[row.job].output)
                    for r in rows:
                        if r.job != row.job:
                            continue
                        if isinstance(result, str):
                            varnel_error[r.name] = result
                        elif r.key in result:
                            varnel_times[r.name].append(result[r.key])
                        else:
                            varnel_error[r.name] = "no timing line for %s" % r.key
                    if isinstance(result, str):
                        job_problem[row.job] = result  # not tried again
                else:
                    result = peers[side].run(row.peer_op)
                    if row.peer_op == "png_encode" and not isinstance(result, str):
                        note_png_size(side, "%s.png" % side)
                    if isinstance(result, str):
                        peer_error[(row.name, side)] = result
                        active.discard((row.name, side))
                    else:
                        peer_times[(row.name, side)].append(result)
        if not peers["opencv"].problem:
            value = peers["opencv"].run("copy_floor")
            if not isinstance(value, str):
                floor.append(value)
        if round_no == 0:
            for row in rows:
                firsts = [peer_times[(row.name, lib)][0] for lib in LIBRARIES
                          if peer_times[(row.name, lib)]]
                for lib in LIBRARIES:
                    t = peer_times[(row.name, lib)]
                    if t and t[0] > max(SLOW_PEER_SECONDS, SLOW_PEER_FACTOR * min(firsts)):
                        active.discard((row.name, lib))
    for peer in peers.values():
        peer.close()

    print_report(args, threads, rows, job_problem, varnel_times, varnel_error, peer_times,
                 peer_error, peers, floor, jpeg_quality, varnel_quality, start_load, png_sizes)


def print_report(args, threads, rows, job_problem, varnel_times, varnel_error, peer_times, peer_error,
                 peers, floor, jpeg_quality, varnel_quality, start_load, png_sizes=None):
    def varnel_cell(row):
        m = median(varnel_times[row.name])
        if m is not None:
            return m, fmt_s(m)
        reason = job_problem.get(row.job) or varnel_error.get(row.name) or "no figure"
        return None, "n/a (%s)" % reason

    print()
    print("%d x %d photo, %d thread(s), median of up to %d interleaved runs; start: %s; end: %s."
          % (WIDTH, HEIGHT, threads, args.runs, start_load, load_note()))
    print("JPEG at coder quality %d, 4:2:0 (the editor's quality %d); PNG at zlib level 5."
          % (jpeg_quality, varnel_quality))
    for lib, peer in peers.items():
        if peer.problem:
            print("%s unavailable: %s" % (LIBRARY_NAMES[lib], peer.problem))
    print()
    print("| operation | Varnel s | fastest peer | peer s | ratio | target | |")
    print("|---|---:|---|---:|---:|---|---|")
    for row in rows:
        if not row.peer_op:
            continue
        mine, mine_text = varnel_cell(row)
        medians = {lib: median(peer_times[(row.name, lib)]) for lib in LIBRARIES}
        medians = {k: v for k, v in medians.items() if v is not None}
        best = min(medians, key=medians.get) if medians else None
        ratio = mine / medians[best] if mine is not None and best else None
        target, verdict = "", ""
        if row.target is not None:
            ref = best if row.reference == "fastest" else row.reference
            target = "<= %gx %s" % (row.target, "fastest" if row.reference == "fastest"
                                       else LIBRARY_NAMES[row.reference])
            if mine is not None and ref in medians:
                verdict = "ok" if mine / medians[ref] <= row.target else \
                    "MISS (%.2fx)" % (mine / medians[ref])
        print("| %s | %s | %s | %s | %s | %s | %s |" % (
            row.name, mine_text, LIBRARY_NAMES.get(best, "-"),
            fmt_s(medians.get(best)), "%.2fx" % ratio if ratio else "-", target, verdict))

    print()
    print("Every peer (median s, runs; a single run marks a peer dropped after the first round):")
    print()
    print("| operation | " + " | ".join(LIBRARY_NAMES[lib] for lib in LIBRARIES) + " |")
    print("|---|" + "---:|" * len(LIBRARIES))
    for row in rows:
        if not row.peer_op:
            continue
        cells = []
        for lib in LIBRARIES:
            t = peer_times[(row.name, lib)]
            if t:
                cells.append("%s (%d)" % (fmt_s(median(t)), len(t)))
            else:
                cells.append(peer_error.get((row.name, lib), "-")[:40])
        print("| %s | %s |" % (row.name, " | ".join(cells)))

    extra = [r for r in rows if not r.peer_op]
    if extra:
        print()
        print("Varnel only:")
        print()
        print("| operation | Varnel s |")
        print("|---|---:|")
        for row in extra:
            print("| %s | %s |" % (row.name, varnel_cell(row)[1]))
    if png_sizes:
        print()
        print("PNG files written at level 5 (bytes):")
        print()
        print("| side | bytes | vs smallest peer |")
        print("|---|---:|---:|")
        peer_sizes = [v for k, v in png_sizes.items() if k != "varnel"]
        for side in ["varnel"] + list(LIBRARIES):
            if side in png_sizes:
                size = png_sizes[side]
                versus = "%+.2f %%" % (100.0 * (size / min(peer_sizes) - 1)) if peer_sizes else "-"
                print("| %s | %d | %s |" % ("Varnel" if side == "varnel" else LIBRARY_NAMES[side],
                                            size, versus))
    if floor:
        print()
        print("Floor: one read-and-write pass over the %d MB picture into touched memory "
              "(numpy copy): %s s." % (WIDTH * HEIGHT * 3 // 1000000, fmt_s(median(floor))))


if __name__ == "__main__":
    main()
