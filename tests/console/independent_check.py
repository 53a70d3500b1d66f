#!/usr/bin/env python3
"""Checks what tonweave-convert writes for consoles with code of its own, sharing nothing
with the exporter or the tracker's player:

  rom      cartridge header, region, size and checksum as the console's start-up program
           reads them;
  vgm      a looping VGM log: every command, the header's lengths and loop point, and that
           the commands at the loop point alone leave the chip as the first pass leaves it;
           then two loops played by libgme have the pitches of two passes of the tracker's
           own WAV render;
  emulator the ROMs run in an emulator (mednafen, real time), recorded, have the pitches of
           the tracker's WAV render.

Usage: independent_check.py CONVERTER WORKDIR {rom,vgm,emulator} SONG... [--no-pitch SONG...]
Songs after --no-pitch get every check but the pitch comparison: a song that plays a new
note every frame (chords spread as arpeggios) leaves too little of each note in a window
for two emulations to agree on.
Exits 0 when every song passes, 77 when a tool that a check needs is missing (the test is
then reported as skipped), 1 otherwise.
"""
import ctypes
import ctypes.util
import os
import shutil
import struct
import subprocess
import sys
import wave

SKIP = 77


def fail(message):
    print("FAIL: " + message)
    return False


def convert(converter, song, out, *options):
    subprocess.run([converter, *options, song, out], check=True, stdout=subprocess.DEVNULL)
    with open(out, "rb") as f:
        return f.read()


# ------------------------------------------------------------------ cartridge header

ROM_SIZES = {0xC: 0x8000, 0xE: 0x10000, 0xF: 0x20000, 0x0: 0x40000, 0x1: 0x80000}


def check_rom(data, game_gear, name):
    ok = True
    if len(data) < 0x8000 or len(data) % 0x4000:
        return fail("%s: %d bytes is no cartridge size" % (name, len(data)))
    header = data[0x7FF0:0x8000]
    if header[:8] != b"TMR SEGA":
        ok = fail("%s: no TMR SEGA at 0x7FF0" % name)
    region, code = header[15] >> 4, header[15] & 15
    if region != (7 if game_gear else 4):
        ok = fail("%s: region %d" % (name, region))
    declared = ROM_SIZES.get(code)
    if declared != len(data):
        ok = fail("%s: size code %X for %d bytes" % (name, code, len(data)))
    else:
        # The start-up program adds up everything below the header, then everything from
        # 0x8000 to the declared size.
        total = (sum(data[:0x7FF0]) + sum(data[0x8000:declared])) & 0xFFFF
        stored = struct.unpack_from("<H", data, 0x7FFA)[0]
        if total != stored:
            ok = fail("%s: checksum %04X, header says %04X" % (name, total, stored))
    if data[0] not in (0xF3, 0xC3, 0x31):  # di, jp or ld sp: a program starts there
        ok = fail("%s: byte 0 is %02X" % (name, data[0]))
    return ok


# ------------------------------------------------------------------ VGM logs

class Psg:
    """The sound chip's registers as its ports set them."""

    def __init__(self, fill):
        self.tone = [fill & 0x3FF] * 3
        self.volume = [fill & 15] * 4
        self.noise = fill & 7
        self.latch = 0
        self.stereo = fill & 0xFF

    def write(self, value):
        if value & 0x80:
            self.latch = (value >> 4) & 7
            data = value & 15
            channel, is_volume = self.latch >> 1, self.latch & 1
            if is_volume:
                self.volume[channel] = data
            elif channel < 3:
                self.tone[channel] = (self.tone[channel] & 0x3F0) | data
            else:
                self.noise = data & 7
        else:
            channel, is_volume = self.latch >> 1, self.latch & 1
            if is_volume:
                self.volume[channel] = value & 15
            elif channel < 3:
                self.tone[channel] = (self.tone[channel] & 15) | ((value & 0x3F) << 4)
            else:
                self.noise = value & 7

    def state(self):
        return (tuple(self.tone), tuple(self.volume), self.noise, self.stereo)


def parse_vgm(data, name):
    """Returns (header fields, commands as (offset, sample time, code, operand)) or None."""
    if data[:4] != b"Vgm ":
        fail("%s: no VGM signature" % name)
        return None
    u32 = lambda at: struct.unpack_from("<I", data, at)[0]
    h = {
        "eof": u32(0x04) + 0x04, "version": u32(0x08), "psg_clock": u32(0x0C),
        "gd3": u32(0x14) + 0x14 if u32(0x14) else 0, "total": u32(0x18),
        "loop": u32(0x1C) + 0x1C if u32(0x1C) else 0, "loop_samples": u32(0x20),
    }
    ok = True
    if h["eof"] != len(data):
        ok = fail("%s: end of file offset %d for %d bytes" % (name, h["eof"], len(data)))
    if not h["psg_clock"] & 0x3FFFFFFF:
        ok = fail("%s: no sound chip clock" % name)
    start = 0x40
    if h["version"] >= 0x150 and u32(0x34):
        start = 0x34 + u32(0x34)
    end = h["gd3"] or len(data)
    commands, at, time, ended = [], start, 0, False
    while at < end:
        code = data[at]
        length, wait = 1, 0
        if code in (0x4F, 0x50):
            length = 2
        elif code == 0x61:
            length, wait = 3, struct.unpack_from("<H", data, at + 1)[0]
        elif code == 0x62:
            wait = 735
        elif code == 0x63:
            wait = 882
        elif 0x70 <= code <= 0x7F:
            wait = (code & 15) + 1
        elif code == 0x66:
            commands.append((at, time, code, None))
            at += 1
            ended = True
            break
        else:
            fail("%s: command %02X at %X is not one a log of this chip holds" % (name, code, at))
            return None
        if at + length > end:
            fail("%s: command at %X cut short" % (name, at))
            return None
        commands.append((at, time, code, data[at + 1] if length == 2 else None))
        at += length
        time += wait
    if not ended:
        ok = fail("%s: no end command" % name)
    elif at != end:
        ok = fail("%s: %d bytes after the end command" % (name, end - at))
    if time != h["total"]:
        ok = fail("%s: waits add up to %d samples, header says %d" % (name, time, h["total"]))
    if h["loop"]:
        starts = {c[0]: c[1] for c in commands}
        if h["loop"] not in starts:
            ok = fail("%s: loop offset %X is not at a command" % (name, h["loop"]))
        elif h["total"] - starts[h["loop"]] != h["loop_samples"]:
            ok = fail("%s: loop of %d samples, header says %d"
                      % (name, h["total"] - starts[h["loop"]], h["loop_samples"]))
    return (h, commands) if ok else None


def chip_states(commands, start_index, fill):
    """Plays commands from start_index until the first wait on a chip filled with `fill`."""
    psg = Psg(fill)
    for _, time, code, value in commands[start_index:]:
        if code == 0x50:
            psg.write(value)
        elif code == 0x4F:
            psg.stereo = value
        else:
            break
    return psg


def check_loop_state(h, commands, name):
    """The commands at the loop point alone must set everything the first pass reached."""
    index = next(i for i, c in enumerate(commands) if c[0] == h["loop"])
    first = Psg(0)
    first.tone = [0, 0, 0]
    first.volume = [15, 15, 15, 15]
    first.stereo = 0xFF
    for _, _, code, value in commands[:index]:
        if code == 0x50:
            first.write(value)
        elif code == 0x4F:
            first.stereo = value
    # The first pass's state at the loop point, then the loop point's own writes on top.
    for _, _, code, value in commands[index:]:
        if code == 0x50:
            first.write(value)
        elif code == 0x4F:
            first.stereo = value
        else:
            break
    ok = True
    uses_stereo = any(c[2] == 0x4F for c in commands)  # else the stereo byte never counts
    want = first.state() if uses_stereo else first.state()[:3]
    for fill in (0x000, 0x3FF, 0x155):
        got = chip_states(commands, index, fill).state()
        if (got if uses_stereo else got[:3]) != want:
            ok = fail("%s: the loop point does not set the whole chip (fill %X)" % (name, fill))
    return ok


# ------------------------------------------------------------------ pitch comparison

def read_wav(path):
    import numpy as np
    with wave.open(path, "rb") as w:
        frames = w.readframes(w.getnframes())
        samples = np.frombuffer(frames, dtype="<i2").astype(np.float64)
        samples = samples.reshape(-1, w.getnchannels()).mean(axis=1)
        return samples, w.getframerate()


def pitch_profile(samples, rate, window_seconds=0.05):
    """Power per semitone (MIDI notes 24..119) in windows of `window_seconds`."""
    import numpy as np
    n = int(rate * window_seconds)
    size = 1
    while size < 2 * n:
        size *= 2
    count = len(samples) // n
    freqs = np.fft.rfftfreq(size, 1.0 / rate)
    notes = np.full(len(freqs), -1.0)
    notes[1:] = 69 + 12 * np.log2(freqs[1:] / 440.0)
    bins = np.round(notes).astype(int)
    valid = (bins >= 24) & (bins < 120)
    hann = np.hanning(n)
    profile = np.zeros((count, 96))
    for k in range(count):
        spectrum = np.abs(np.fft.rfft(samples[k * n:(k + 1) * n] * hann, size)) ** 2
        profile[k] = np.bincount(bins[valid] - 24, weights=spectrum[valid], minlength=96)
    return profile


def compare_profiles(a, b):
    """Over the windows where both sound: the mean cosine similarity of the two profiles,
    and the share of windows whose loudest semitone (give or take one) is also strong, at
    least a tenth of the loudest, in the other profile, taken both ways (the smaller). Two
    renders of one tune by different chip emulations differ in their filters and their
    volume steps, so the loudest semitone alone is not enough."""
    import numpy as np
    count = min(len(a), len(b))
    if count <= 0:
        return 0.0, 0.0, 0
    a, b = a[:count], b[:count]
    loud_a, loud_b = a.sum(axis=1), b.sum(axis=1)
    sounding = (loud_a > 1e-3 * loud_a.max()) & (loud_b > 1e-3 * loud_b.max())
    if not sounding.any():
        return 0.0, 0.0, 0
    a, b = a[sounding], b[sounding]
    cosine = (a * b).sum(axis=1) / np.sqrt((a * a).sum(axis=1) * (b * b).sum(axis=1))
    rows = np.arange(len(a))

    def present(x, y):
        top = x.argmax(axis=1)
        near = np.maximum.reduce([y[rows, np.clip(top + d, 0, y.shape[1] - 1)] for d in (-1, 0, 1)])
        return float((near >= 0.1 * y.max(axis=1)).mean())

    return float(cosine.mean()), min(present(a, b), present(b, a)), int(sounding.sum())


def compare_drifting(a, b, segment=200, lags=6):
    """compare_profiles over segments of `segment` windows, each at the lag (within `lags`
    windows) that suits it best: players that keep time with clocks of their own drift
    apart by a few hundredths of a second over minutes, which says nothing about pitch."""
    count = min(len(a), len(b))
    total = [0.0, 0.0, 0]
    for start in range(0, count, segment):
        end = min(start + segment, count)
        best = (0.0, 0.0, 0)
        for lag in range(-lags, lags + 1):
            lo, hi = max(start, -lag, 0), min(end, count - lag)
            if hi - lo < segment // 2 and end - start >= segment // 2:
                continue
            result = compare_profiles(a[lo + lag:hi + lag], b[lo:hi])
            if result[0] > best[0]:
                best = result
        total[0] += best[0] * best[2]
        total[1] += best[1] * best[2]
        total[2] += best[2]
    if not total[2]:
        return 0.0, 0.0, 0
    return total[0] / total[2], total[1] / total[2], total[2]


def gme_render(data, samples):
    """Plays a VGM log with libgme; returns mono samples at 44100 Hz, or None without it."""
    import numpy as np
    name = ctypes.util.find_library("gme")
    if not name:
        return None
    lib = ctypes.CDLL(name)
    lib.gme_open_data.restype = ctypes.c_char_p
    lib.gme_open_data.argtypes = [ctypes.c_void_p, ctypes.c_long, ctypes.POINTER(ctypes.c_void_p), ctypes.c_int]
    lib.gme_start_track.restype = ctypes.c_char_p
    lib.gme_start_track.argtypes = [ctypes.c_void_p, ctypes.c_int]
    lib.gme_play.restype = ctypes.c_char_p
    lib.gme_play.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.POINTER(ctypes.c_short)]
    lib.gme_delete.argtypes = [ctypes.c_void_p]
    lib.gme_ignore_silence.argtypes = [ctypes.c_void_p, ctypes.c_int]
    buffer = ctypes.create_string_buffer(bytes(data), len(data))
    emu = ctypes.c_void_p()
    if lib.gme_open_data(buffer, len(data), ctypes.byref(emu), 44100):
        return None
    lib.gme_ignore_silence(emu, 1)
    lib.gme_start_track(emu, 0)
    out = (ctypes.c_short * (2 * samples))()
    lib.gme_play(emu, 2 * samples, out)
    lib.gme_delete(emu)
    return np.frombuffer(out, dtype=np.int16).astype(np.float64).reshape(-1, 2).mean(axis=1)


# ------------------------------------------------------------------ the checks

def run_rom(converter, work, songs):
    ok = True
    for song in songs:
        base = os.path.join(work, os.path.basename(song))
        for ext, gg in ((".sms", False), (".gg", True)):
            data = convert(converter, song, base + ext)
            ok = check_rom(data, gg, os.path.basename(song) + ext) and ok
            print("%s%s: %d KB header and checksum checked" % (os.path.basename(song), ext, len(data) // 1024))
    return ok


def run_vgm(converter, work, songs, no_pitch=()):
    try:
        import numpy  # noqa: F401
    except ImportError:
        print("numpy is missing")
        return SKIP
    ok = True
    for song in songs:
        name = os.path.basename(song)
        base = os.path.join(work, name)
        data = convert(converter, song, base + ".vgm", "--vgm-loop")
        parsed = parse_vgm(data, name + ".vgm")
        if not parsed:
            ok = False
            continue
        h, commands = parsed
        if not h["loop"]:
            ok = fail("%s: the looping log has no loop" % name)
            continue
        ok = check_loop_state(h, commands, name) and ok
        plain = parse_vgm(convert(converter, song, base + ".once.vgm"), name + ".once.vgm")
        if not plain or plain[0]["loop"]:
            ok = fail("%s: the log without --vgm-loop should not loop" % name)
        if song in no_pitch:
            print("%s: log and loop point checked" % name)
            continue
        # The log holds the first pass, then the looped part once more behind the loop
        # point. The tracker's render is one pass: its looped part is its last
        # `loop_samples` samples.
        convert(converter, song, base + ".wav")
        ours, rate = read_wav(base + ".wav")
        one_pass = h["total"] - h["loop_samples"]
        if rate != 44100 or abs(len(ours) - one_pass) > 735:
            ok = fail("%s: render of %d samples at %d Hz, the log's first pass is %d" % (name, len(ours), rate, one_pass))
            continue
        import numpy as np
        ours = ours[:one_pass]
        looped = ours[one_pass - h["loop_samples"]:]
        # libgme plays the first pass and two loops; the tracker's passes 1 to 3 likewise.
        ours_two = np.concatenate([ours, looped, looped])
        theirs = gme_render(data, len(ours_two))
        if theirs is None:
            print("libgme is missing")
            return SKIP
        mine, played = pitch_profile(ours_two, 44100), pitch_profile(theirs, 44100)
        cosine, same, windows = compare_drifting(mine, played)
        # The second loop on its own, so that a wrong loop cannot hide in the average.
        skip = h["total"] // 2205
        second = compare_drifting(mine[skip:], played[skip:])
        print("%s: first pass %.1f s, loop %.1f s; libgme's first pass and two loops against the render: "
              "similarity %.3f, loudest semitones shared in %.0f %% of %d windows; second loop %.3f, %.0f %%"
              % (name, one_pass / 44100, h["loop_samples"] / 44100, cosine, 100 * same, windows, second[0], 100 * second[1]))
        if cosine < 0.8 or same < 0.9 or second[0] < 0.8 or second[1] < 0.9:
            ok = fail("%s: libgme's two loops do not have the render's pitches" % name)
    return ok


def run_emulator(converter, work, songs, seconds=8):
    emulator = shutil.which("mednafen") or ("/usr/games/mednafen" if os.path.exists("/usr/games/mednafen") else None)
    try:
        import numpy  # noqa: F401
    except ImportError:
        emulator = None
    if not emulator:
        print("mednafen or numpy is missing")
        return SKIP
    runs = []
    for song in songs:
        name = os.path.basename(song)
        base = os.path.join(work, name)
        convert(converter, song, base + ".wav")
        for ext in (".sms", ".gg"):
            convert(converter, song, base + ext)
            record = base + ext + ".rec.wav"
            if os.path.exists(record):
                os.remove(record)
            home = base + ext + ".home"  # each run its own settings and lock file
            os.makedirs(home, exist_ok=True)
            env = dict(os.environ, HOME=home, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")
            process = subprocess.Popen(
                [emulator, "-video.driver", "sdl", "-sound.driver", "sdl", "-soundrecord", record, base + ext],
                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            runs.append((name + ext, process, record, base + ".wav"))
    ok = True
    import time
    deadline = time.monotonic() + seconds
    for label, process, record, render in runs:
        try:
            process.wait(timeout=max(0.1, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            process.send_signal(2)  # the emulator closes its recording on an interrupt
            process.wait(timeout=30)
        if not os.path.exists(record):
            ok = fail("%s: the emulator recorded nothing" % label)
            continue
        theirs, their_rate = read_wav(record)
        ours, rate = read_wav(render)
        if len(theirs) < their_rate * 3:
            ok = fail("%s: the emulator recorded only %d samples" % (label, len(theirs)))
            continue
        mine = pitch_profile(ours[:rate * 12], rate)
        best = (0.0, 0.0, 0, 0)
        # The program sets up the screen before the music starts: find where it does.
        for lead in range(0, 20):
            recorded = pitch_profile(theirs[lead * their_rate // 20:], their_rate)
            cosine, same, windows = compare_profiles(mine, recorded)
            if cosine > best[0]:
                best = (cosine, same, windows, lead)
        print("%s: %.1f s recorded in the emulator against the render: similarity %.3f, loudest "
              "semitones shared in %.0f %% of %d windows (music from %.2f s)"
              % (label, len(theirs) / their_rate, best[0], 100 * best[1], best[2], best[3] / 20))
        if best[0] < 0.8 or best[1] < 0.9:
            ok = fail("%s: the emulator's recording does not have the render's pitches" % label)
    return ok


def main():
    if len(sys.argv) < 5:
        print(__doc__)
        return 2
    converter, work, check, songs = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    no_pitch = []
    if "--no-pitch" in songs:
        no_pitch = songs[songs.index("--no-pitch") + 1:]
        songs = songs[:songs.index("--no-pitch")] + no_pitch
    songs = [s for s in songs if os.path.exists(s)]
    if not songs:
        print("no songs")
        return SKIP
    os.makedirs(work, exist_ok=True)
    if check == "vgm":
        result = run_vgm(converter, work, songs, no_pitch)
    else:
        result = {"rom": run_rom, "emulator": run_emulator}[check](converter, work, songs)
    if result == SKIP:
        return SKIP
    print("all passed" if result else "some failed")
    return 0 if result else 1


if __name__ == "__main__":
    sys.exit(main())
