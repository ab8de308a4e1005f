#!/usr/bin/env python3
"""make_bench_tree.py FOLDER - the installation benchmarks' tree: 5,000 small files (0.5-4 KiB)
in 50 folders of 100, and 50 large ones (2-6 MiB) in one folder; the same bytes every time."""
import os
import random
import sys

root = sys.argv[1]
rnd = random.Random(5000)
for d in range(50):
    folder = os.path.join(root, "small", "dir%02d" % d)
    os.makedirs(folder, exist_ok=True)
    for f in range(100):
        with open(os.path.join(folder, "file%03d.txt" % f), "wb") as out:
            out.write(rnd.randbytes(rnd.randint(512, 4096)))
big = os.path.join(root, "large")
os.makedirs(big, exist_ok=True)
for f in range(50):
    with open(os.path.join(big, "large%02d.bin" % f), "wb") as out:
        out.write(rnd.randbytes(rnd.randint(2, 6) << 20))
