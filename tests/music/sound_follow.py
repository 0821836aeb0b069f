"""Where in the song each recording of the program's sound is, against the offline render.

Usage: sound_follow.py [--tolerance S] REFERENCE.wav RECORDING.raw STARTED [RECORDING.raw STARTED ...]
(s16le stereo 44100; STARTED: the wall-clock second of the recording's first sample).  Each
half second of a recording is looked for in the whole render (a correlation above 0.95 is
only reached by the same samples) and gives the song time the recording began at.  Exits 1
when a recording matches less than a third of its sounding pieces, or when the recordings
disagree by more than S (0.3) seconds on when the song began: then it did not keep its time.
"""
import sys
import wave

import numpy as np

RATE = 44100
PIECE = RATE // 2


def mono(frames):
    return frames.astype(np.float64).reshape(-1, 2).mean(axis=1)


def main():
    args = sys.argv[1:]
    tolerance = 0.3
    if "--tolerance" in args:
        at = args.index("--tolerance")
        tolerance = float(args[at + 1])
        del args[at : at + 2]
    with wave.open(args[0]) as w:
        reference = mono(np.frombuffer(w.readframes(w.getnframes()), dtype="<i2"))
    n = 1 << int(np.ceil(np.log2(len(reference) + PIECE)))
    ref_fft = np.fft.rfft(reference, n)
    # Running energy of the reference, for the normalised correlation at every offset.
    ref_energy = np.concatenate(([0.0], np.cumsum(reference * reference)))
    ok = True
    song_starts = []
    for path, started in zip(args[1::2], args[2::2]):
        recording = mono(np.frombuffer(open(path, "rb").read(), dtype="<i2"))
        offsets = []
        sounding = 0
        for p in range(len(recording) // PIECE):
            piece = recording[p * PIECE : (p + 1) * PIECE]
            energy = (piece * piece).sum()
            if energy < PIECE * 100.0:  # silence (before the song, or while nothing plays)
                continue
            sounding += 1
            c = np.fft.irfft(ref_fft * np.conj(np.fft.rfft(piece, n)), n)[: len(reference) - PIECE]
            window = ref_energy[PIECE : len(reference)] - ref_energy[: len(reference) - PIECE]
            score = c / np.sqrt(np.maximum(window, 1e-9) * energy)
            best = int(np.argmax(score))
            if score[best] > 0.95:
                offsets.append(best / RATE - p * PIECE / RATE)
        if offsets:
            at_start = float(np.median(offsets))
            song_starts.append(float(started) - at_start)
            print("%s: %d of %d sounding half seconds matched; it began at song time %.3f s" %
                  (path, len(offsets), sounding, at_start))
        else:
            print("%s: nothing of the song in %d sounding half seconds" % (path, sounding))
        if 3 * len(offsets) < max(sounding, 1):
            ok = False
    if song_starts:
        spread = max(song_starts) - min(song_starts)
        print("song time 0 by each recording: %s (spread %.3f s)" %
              (", ".join("%.3f" % s for s in song_starts), spread))
        if spread > tolerance:
            ok = False
    sys.exit(0 if ok else 1)


main()
