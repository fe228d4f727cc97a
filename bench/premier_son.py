#!/usr/bin/env python3
"""The measuring half of premier_son.sh: launches the player (argv[1]) with a
file (argv[2]) while the null sink's monitor is being recorded, and reports
the time to the first non-silent sample there, over argv[3] launches; then
the player's memory after start-up without a file and after argv[4] seconds
of playback. The environment (display, sound server) comes from the caller."""
import os
import select
import signal
import statistics
import subprocess
import sys
import time

lecteur, fichier, tours, duree = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
SEUIL = 200  # of 32767: well above the null sink's silence, far below the sine


def arreter(p):
    if p.poll() is None:
        p.send_signal(signal.SIGTERM)
        try:
            p.wait(3)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()


def premier_son_ms():
    rec = subprocess.Popen(["parec", "-d", "nul.monitor", "--raw", "--format=s16le", "--channels=1",
                            "--rate=44100", "--latency-msec=5"], stdout=subprocess.PIPE)
    fd = rec.stdout.fileno()
    try:
        # The recording runs: its first bytes have come, and the monitor is silent.
        debut = time.monotonic()
        while time.monotonic() - debut < 5:
            r, _, _ = select.select([fd], [], [], 0.5)
            if r and os.read(fd, 65536):
                break
        time.sleep(0.3)
        while select.select([fd], [], [], 0)[0]:
            os.read(fd, 65536)
        t0 = time.monotonic()
        joueur = subprocess.Popen([lecteur, fichier], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            reste = b""
            while time.monotonic() - t0 < 10:
                r, _, _ = select.select([fd], [], [], 0.5)
                if not r:
                    continue
                t = time.monotonic()
                d = reste + os.read(fd, 65536)
                n = len(d) // 2
                reste = d[2 * n:]
                for i in range(n):
                    v = int.from_bytes(d[2 * i:2 * i + 2], "little", signed=True)
                    if abs(v) > SEUIL:
                        return (t - t0) * 1000
            return None
        finally:
            arreter(joueur)
    finally:
        rec.kill()
        rec.wait()


def memoire(pid):
    v = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for ligne in f:
            parts = ligne.split()
            if parts[0] in ("Rss:", "Pss:"):
                v[parts[0][:-1]] = int(parts[1]) / 1024
    return v["Rss"], v["Pss"]


mesures = []
for _ in range(tours):
    ms = premier_son_ms()
    if ms is not None:
        mesures.append(ms)
    time.sleep(0.5)
if mesures:
    print("first_sound_ms median %.1f min %.1f max %.1f n %d (target <= 100)" % (
        statistics.median(mesures), min(mesures), max(mesures), len(mesures)))
else:
    print("first_sound_ms: no sound heard")

joueur = subprocess.Popen([lecteur], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(3)
rss, pss = memoire(joueur.pid)
arreter(joueur)
print("rss_after_startup_mib %.1f (target <= 50)" % rss)
print("pss_after_startup_mib %.1f" % pss)
joueur = subprocess.Popen([lecteur, fichier], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(duree)
rss, pss = memoire(joueur.pid)
arreter(joueur)
print("rss_after_%ds_playback_mib %.1f" % (duree, rss))
print("pss_after_%ds_playback_mib %.1f" % (duree, pss))
