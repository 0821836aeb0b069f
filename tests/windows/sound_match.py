"""Compares a recording of the program's sound with the offline render of the same song.

Usage: sound_match.py RECORDING.raw (s16le stereo 44100) REFERENCE.wav
Each half second of the reference is found in the recording on its own, so a stall of
the sound server (an underrun inserts silence and shifts what follows) costs one piece's
match, not the whole comparison.  Prints one line and exits 1 when the sound is not the
song: the level must be within 30 %, at least a third of the pieces must match the render
(correlation above 0.95, which nothing but the same samples reaches), and the matched
pieces must come in the song's order.  The rest are pieces a stall cut into; how many
there are depends on the machine's load, not on the program.
"""
import sys
import wave

import numpy as np

RATE = 44100
PIECE = RATE // 2


def mono(frames):
    return frames.astype(np.float64).reshape(-1, 2).mean(axis=1)


def best_match(segment, haystack):
    n = 1 << int(np.ceil(np.log2(len(haystack) + len(segment))))
    c = np.fft.irfft(np.fft.rfft(haystack, n) * np.conj(np.fft.rfft(segment, n)), n)[: len(haystack) - len(segment)]
    at = int(np.argmax(c))
    found = haystack[at : at + len(segment)]
    norm = np.sqrt((found * found).sum() * (segment * segment).sum())
    return at, (found * segment).sum() / norm if norm > 0 else 0.0


def main():
    recording = mono(np.frombuffer(open(sys.argv[1], "rb").read(), dtype="<i2"))
    with wave.open(sys.argv[2]) as w:
        reference = mono(np.frombuffer(w.readframes(w.getnframes()), dtype="<i2"))
    # The song starts a few seconds into the recording (Wine and the program start first).
    pieces = (min(len(reference), len(recording)) - 6 * RATE) // PIECE
    matches = [best_match(reference[t * PIECE : (t + 1) * PIECE], recording) for t in range(2, pieces)]
    scores = [r for _, r in matches]
    good = [(t, at) for t, (at, r) in enumerate(matches, 2) if r > 0.95]
    in_order = all(b[1] > a[1] for a, b in zip(good, good[1:]))
    # Level over the stretch the song covers in the recording.
    start = good[0][1] - good[0][0] * PIECE if good else 0
    heard = recording[max(start, 0) : max(start, 0) + pieces * PIECE]
    level = np.sqrt((heard ** 2).mean()) / np.sqrt((reference[: len(heard)] ** 2).mean())
    median = float(np.median(scores)) if scores else 0.0
    print("sound: %.1f s compared, median match %.3f, %d of %d half seconds matched, level ratio %.3f, in order: %s, "
          "song starts %.2f s into the recording" % (len(scores) / 2, median, len(good), len(scores), level, in_order,
                                                    start / RATE))
    ok = 3 * len(good) >= len(scores) and 0.7 <= level <= 1.3 and in_order
    sys.exit(0 if ok else 1)


main()
