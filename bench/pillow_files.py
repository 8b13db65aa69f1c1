"""Pillow's side of the file benchmarks, the shortest of five runs in milliseconds:
"save PICTURE OUT.ext" (its default save in the format the extension names;
JPEG at our writer's quality 90 without colour subsampling) or "load PICTURE"
(decoding it whole)."""
import sys
import time

from PIL import Image


def best_of_five(work):
    best = None
    for _ in range(5):
        start = time.perf_counter()
        work()
        elapsed = (time.perf_counter() - start) * 1000
        best = elapsed if best is None else min(best, elapsed)
    return best


mode, path = sys.argv[1], sys.argv[2]
if mode == "save":
    picture = Image.open(path)
    picture.load()
    options = {"quality": 90, "subsampling": 0} if sys.argv[3].endswith(".jpg") else {}
    print(f"{best_of_five(lambda: picture.save(sys.argv[3], **options)):.1f}")
else:
    print(f"{best_of_five(lambda: Image.open(path).load()):.1f}")
