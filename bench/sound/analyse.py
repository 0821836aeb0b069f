"""Figures from recordings of the program's sound (s16le stereo 44100 raw files).

  analyse.py gaps RECORDING.raw REFERENCE.wav
      Stretches of digital silence of 5 ms or more between the first and the last sound of
      the recording (a sound server fills an underrun with zeros), less those the song
      itself has (in the offline render): the dropouts, and their total length.
  analyse.py offset POSITIONS.txt SONG_START
      How far the song time the program reports (the lines of sound_position) is ahead of
      the song time heard at the same moment, SONG_START being the wall-clock second at
      which the recording heard song time 0 (tests/music/sound_follow.py prints it).
"""
import sys
import wave

import numpy as np

RATE = 44100
MIN_GAP = RATE * 5 // 1000


def silent_runs(frames):
    silent = np.all(frames == 0, axis=1)
    sounding = np.flatnonzero(~silent)
    if len(sounding) == 0:
        return []
    silent = silent[sounding[0] : sounding[-1] + 1]
    edges = np.flatnonzero(np.diff(np.concatenate(([0], silent.astype(np.int8), [0]))))
    runs = edges[1::2] - edges[0::2]
    return [r for r in runs if r >= MIN_GAP]


def gaps(recording, reference):
    heard = np.frombuffer(open(recording, "rb").read(), dtype="<i2").reshape(-1, 2)
    with wave.open(reference) as w:
        song = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").reshape(-1, 2)
    got, own = silent_runs(heard), silent_runs(song)
    extra = len(got) - len(own)
    length = (sum(got) - sum(own)) / RATE
    print("dropouts: %d (%.2f s in all) in %.1f s of sound; the song itself has %d silences of 5 ms or more" %
          (extra, length, len(heard) / RATE, len(own)))


def offset(positions, song_start):
    log = np.loadtxt(positions, ndmin=2)
    ahead = log[:, 1] - (log[:, 0] - float(song_start))
    print("reported position ahead of the sound heard: median %.1f ms (10th %.1f, 90th %.1f) over %d block changes" %
          (1000 * np.median(ahead), 1000 * np.percentile(ahead, 10), 1000 * np.percentile(ahead, 90), len(ahead)))
    if len(sys.argv) > 4:  # each second's median, to see the position settle or drift
        seconds = (log[:, 0] - log[0, 0]).astype(int)
        print("  by second:", " ".join("%.0f" % (1000 * np.median(ahead[seconds == s])) for s in np.unique(seconds)))
    late = ahead[len(ahead) // 4 :]
    print("  leaving out the first quarter (the device settling): median %.1f ms (10th %.1f, 90th %.1f)" %
          (1000 * np.median(late), 1000 * np.percentile(late, 10), 1000 * np.percentile(late, 90)))


if sys.argv[1] == "gaps":
    gaps(sys.argv[2], sys.argv[3])
else:
    offset(sys.argv[2], sys.argv[3])
