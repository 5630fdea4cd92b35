#!/usr/bin/env python3
"""Kills saves in place with SIGKILL and checks what each kill leaves.

    scripts/savekill.py [--kills 40] [--build build] [--mb 9] [--seed N] [--copy-span 1.2]

Each trial gives a hard-linked document (so the save writes in place) the old scene, starts a save of
a new scene (bench/savekill's saver) and kills it: odd trials at a random moment from the start of the
save, even trials at a random moment once its recovery copy has appeared (while the file itself is
being written). Then it checks that the file is the old document untouched, or that the new document
is complete in the file or in the recovery copy that opening the file names; a copy, when there is
one, is always the complete new document, and the file keeps its second link. Prints one line a
trial and the counts; the exit status is 1 when any trial failed.
"""
import argparse
import collections
import filecmp
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--kills", type=int, default=40)
    ap.add_argument("--build", default="build")
    ap.add_argument("--mb", type=float, default=9)
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--copy-span", type=float, default=1.2,
                    help="even trials kill within this share of an uncut save's copy lifetime")
    args = ap.parse_args()
    os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    tool = os.path.abspath(os.path.join(args.build, "bench", "savekill", "savekill_trial"))
    if not os.access(tool, os.X_OK):
        subprocess.run(["cmake", "--build", args.build, "--target", "savekill_trial"], check=True)
    rng = random.Random(args.seed)

    work = tempfile.mkdtemp(prefix="savekill.")
    try:
        env = dict(os.environ, XDG_CACHE_HOME=os.path.join(work, "cache"))
        old, new, expected = (os.path.join(work, n) for n in ("old.qsd", "new.qsd", "expected.qsd"))
        subprocess.run([tool, "make", old, new, str(args.mb)], check=True, env=env)
        doc_dir = os.path.join(work, "doc")
        doc = os.path.join(doc_dir, "scene.qsd")
        copy_beside = doc + ".recovery.qsd"

        def fresh():
            shutil.rmtree(doc_dir, ignore_errors=True)
            shutil.rmtree(env["XDG_CACHE_HOME"], ignore_errors=True)
            os.mkdir(doc_dir)
            shutil.copyfile(old, doc)
            os.link(doc, os.path.join(doc_dir, "scene.link"))

        def start(extra=()):
            p = subprocess.Popen([tool, "save", doc, new, *extra], stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, env=env)
            if p.stdout.readline().strip() != b"ready":
                sys.exit("the saver did not start")
            return p

        # One uncut save: the bytes a save writes, how long it takes, and how long its copy lives.
        fresh()
        p = start([expected])
        t0 = time.monotonic()
        seen = gone = None
        while p.poll() is None:
            exists = os.path.lexists(copy_beside)
            now = time.monotonic() - t0
            if exists and seen is None:
                seen = now
            if seen is not None and gone is None and not exists:
                gone = now
        total = time.monotonic() - t0
        if not filecmp.cmp(doc, expected, shallow=False):
            sys.exit("an uncut save did not write the new document")
        if seen is None or gone is None:
            sys.exit("an uncut save showed no recovery copy beside the file")
        life = gone - seen
        print(f"{os.path.getsize(expected)} bytes; an uncut save takes {total * 1000:.0f} ms after loading, "
              f"its copy lives {life * 1000:.1f} ms (from {seen * 1000:.0f} ms)")

        counts = collections.Counter()
        bad = 0
        for i in range(1, args.kills + 1):
            fresh()
            p = start()
            if i % 2:
                origin, delay = "start", rng.uniform(0, total)
                time.sleep(delay)
            else:
                origin, delay = "copy", rng.uniform(0, life * args.copy_span)
                while p.poll() is None and not os.path.lexists(copy_beside):
                    pass
                time.sleep(delay)
            finished = p.poll() is not None
            p.send_signal(signal.SIGKILL)
            p.wait()
            p.stdout.close()

            copy = subprocess.run([tool, "find", doc], capture_output=True, env=env, check=True).stdout.decode().strip()
            same = lambda a, b: filecmp.cmp(a, b, shallow=False)
            if copy and not same(copy, expected):
                state = "BAD: a copy that is not the whole new document"
            elif same(doc, old):
                state = "old file untouched" + (", new document in the copy" if copy else "")
            elif same(doc, expected):
                state = "new document in the file" + (" and the copy" if copy else "")
            elif copy:
                state = "file not whole, new document in the copy the open names"
            else:
                state = "BAD: file not whole and no copy"
            if os.stat(doc).st_nlink != 2:
                state = "BAD: the file lost its second link"
            bad += state.startswith("BAD")
            counts[state] += 1
            note = " (save had finished)" if finished else ""
            where = f" [{copy.replace(work, '$WORK')}]" if copy else ""
            print(f"{i:2d}  kill {delay * 1000:8.3f} ms after the {origin:5s}{note}  {state}{where}")

        print()
        for state, n in counts.most_common():
            print(f"{n:3d}  {state}")
        print(f"{args.kills} kills, {bad} bad")
        return 1 if bad else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
