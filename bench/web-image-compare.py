#!/usr/bin/env python3
"""`tavo image build` beside `tar -cf` on the same folder, in one run.

usage: bench/web-image-compare.py [BUILD_DIR] [RUNS]

The folder: 256 files of 2032 bytes (520192 bytes, the most a project file may hold),
"707.html" and 9 more pages naming other files; once without collisions and once with
50 files that share another file's index (renamed, and the pages patched, in every run).
Each run gets a fresh copy of the folder (not timed). Prints the median times, tavo's
ratio to tar, and the peak memory of the build beyond the program's base (`tavo --version`)
against the image's size.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

FILES, PAGES, SIZE = 256, 10, 520192 // 256


def index(url):
    return sum(url.encode()) % 256


def name_with_index(head, ext, target):
    """head + k lower-case letters + "." + ext, with the index `target`."""
    fixed = index("/" + head + "." + ext)
    for k in range(3, 8):
        v = k * 97 + (target - fixed - k * 97) % 256
        if v <= k * 122:
            extra, letters = v - k * 97, []
            for _ in range(k):
                step = min(25, extra)
                letters.append(chr(97 + step))
                extra -= step
            return head + "".join(letters) + "." + ext
    raise RuntimeError("no name")


def make_folder(root, collisions):
    os.makedirs(root)
    names = ["707.html"]
    default, i = index("/707.html"), 0
    for n in range(1, FILES - collisions):
        if i == default:
            i += 1
        page = n < PAGES
        names.append(name_with_index(f"page{n}_" if page else f"pic{n}_", "htm" if page else "gif", i % 256))
        i += 1
    for n in range(collisions):
        names.append(name_with_index(f"dup{n}_", "gif", index("/" + names[PAGES + n])))
    for n, name in enumerate(names):
        body = b""
        if name.endswith(".htm") or name == "707.html":
            k = 0
            while len(body) + 40 < SIZE:
                body += f'<img src="{names[(n + k) % len(names)]}">\n'.encode()
                k += 7
        with open(os.path.join(root, name), "wb") as f:
            f.write(body.ljust(SIZE, b" "))


def timed(command):
    start = time.perf_counter()
    pid = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).pid
    _, status, usage = os.wait4(pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError(f"{command[0]} failed")
    return elapsed * 1000, usage.ru_maxrss  # ms, KiB


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/release"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    tavo = os.path.abspath(os.path.join(build, "src/cli/tavo"))
    work = tempfile.mkdtemp(prefix="tavo-bench-web-")
    try:
        base_rss = min(timed([tavo, "--version"])[1] for _ in range(5))
        for collisions in (0, 50):
            pristine = os.path.join(work, f"pristine{collisions}")
            make_folder(pristine, collisions)
            tar_ms, tavo_ms, rss = [], [], []
            for run in range(runs):
                folder = os.path.join(work, f"web{run}")
                shutil.copytree(pristine, folder)
                tar_ms.append(timed(["tar", "-cf", folder + ".tar", "-C", folder, "."])[0])
                ms, kib = timed([tavo, "image", "build", folder, "-o", folder + ".TAV"])
                tavo_ms.append(ms)
                rss.append(kib)
                image = os.path.getsize(folder + ".TAV")
                shutil.rmtree(folder)
                os.remove(folder + ".tar")
                os.remove(folder + ".TAV")
            t, v = statistics.median(tar_ms), statistics.median(tavo_ms)
            extra = max(rss) - base_rss
            print(f"{collisions:2d} collisions: tar -cf {t:6.2f} ms   tavo image build {v:6.2f} ms   "
                  f"ratio {v / t:4.2f}   memory beyond base {extra} KiB for an image of {image // 1024} KiB "
                  f"({extra * 1024 / image:4.2f}x)")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
