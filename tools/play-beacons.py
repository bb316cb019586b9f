#!/usr/bin/python3
"""Plays the beacons of one band into a PulseAudio sink as a receiver would
hear them: steady noise, and in each 10-second slot the transmission of the
beacon due on the band, started at the slot's first moment by the wall clock,
at a level of its own (some strong, some weak, some not on the air). The
transmissions are the program's own simulation, rendered by
`orvane-cli cw --beacon N -o FILE.wav`. Runs until stopped.

  play-beacons.py ORVANE_CLI SINK WORKDIR [BAND]   (BAND 0..4, 0 = 14.10 MHz)

Only for demonstrations (tools/take-screenshots.sh): it keys nothing and sets
no clock.
"""
import array
import ctypes
import os
import random
import subprocess
import sys
import time
import wave

RATE = 12000
NOISE_SIGMA = 1500
# A level per beacon, by its place in the cycle: the first dash's loudness
# against the noise picks how many of the four dashes come through (about
# 4 at 0.3 and up, 3 at 0.1, 2 at 0.05, 1 at 0.04; 0: not on the air).
# How much later than the wall clock the audio is meant to be heard. The
# program's listener, stamping the blocks Qt Multimedia hands over from
# PulseAudio, put this sink's audio 100 to 200 ms early here (a recording of
# the sink's monitor analysed by orvane-cli listen put it on time), so the
# transmissions are played that much late to sit inside its +-200 ms.
HEARD_LATE_S = float(os.environ.get("HEARD_LATE_S", "0.15"))
LEVELS = [1.0, 0.3, 0.1, 0.0, 0.05, 1.0, 0.3, 0.04, 0.1, 0.0, 1.0, 0.05, 0.3, 0.1, 0.0, 1.0, 0.3, 0.04]


def render(cli, workdir, beacon, level):
    """The beacon's transmission at RATE, mono, scaled by `level`, from its
    slot's first moment."""
    wide = os.path.join(workdir, f"beacon{beacon}-44k.wav")
    subprocess.run([cli, "cw", "--beacon", str(beacon), "-o", wide], check=True, stdout=subprocess.DEVNULL)
    with wave.open(wide) as w:
        channels, rate, frames = w.getnchannels(), w.getframerate(), w.getnframes()
        pcm = array.array("h")
        pcm.frombytes(w.readframes(frames))
    mono = [sum(pcm[channels * i:channels * i + channels]) / channels for i in range(frames)]
    step = rate / RATE
    out = array.array("h")
    for j in range(int(frames / step)):
        i = int(j * step)
        seg = mono[i:i + 4]  # a short mean against aliasing
        out.append(max(-32768, min(32767, int(level * sum(seg) / len(seg)))))
    return out


class PulseStream:
    """A playback stream by libpulse's simple API: blocking writes, and the
    time the audio already queued will take to be heard."""

    class SampleFormat(ctypes.Structure):  # libpulse's sample format: format, rate, channels
        _fields_ = [("format", ctypes.c_int), ("rate", ctypes.c_uint32), ("channels", ctypes.c_uint8)]

    class BufferAttr(ctypes.Structure):
        _fields_ = [(name, ctypes.c_uint32) for name in ("maxlength", "tlength", "prebuf", "minreq", "fragsize")]

    def __init__(self, sink):
        self.lib = ctypes.CDLL("libpulse-simple.so.0")
        self.lib.pa_simple_new.restype = ctypes.c_void_p
        self.lib.pa_simple_write.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_size_t,
                                             ctypes.POINTER(ctypes.c_int)]
        self.lib.pa_simple_get_latency.restype = ctypes.c_uint64
        self.lib.pa_simple_get_latency.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
        sample_format = self.SampleFormat(3, RATE, 1)  # PA_SAMPLE_S16LE
        unset = 0xFFFFFFFF
        attr = self.BufferAttr(unset, 2 * RATE // 10, unset, unset, unset)  # 100 ms queued
        error = ctypes.c_int(0)
        self.stream = self.lib.pa_simple_new(None, b"play-beacons", 1, sink.encode(), b"beacons", ctypes.byref(sample_format),
                                             None, ctypes.byref(attr), ctypes.byref(error))
        if not self.stream:
            raise SystemExit(f"play-beacons: no stream to {sink} (error {error.value})")

    def latency_s(self):
        error = ctypes.c_int(0)
        return self.lib.pa_simple_get_latency(ctypes.c_void_p(self.stream), ctypes.byref(error)) / 1e6

    def write(self, data):
        error = ctypes.c_int(0)
        if self.lib.pa_simple_write(ctypes.c_void_p(self.stream), data, len(data), ctypes.byref(error)) < 0:
            raise SystemExit(f"play-beacons: writing failed (error {error.value})")


def main():
    cli, sink, workdir = sys.argv[1:4]
    band = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    beacons = {}
    for index, level in enumerate(LEVELS):
        if level > 0:
            beacons[index] = render(cli, workdir, index + 1, level)
    # One stream for everything: a player started per slot may begin a second
    # late on a busy machine, while a stream kept running tells how long its
    # queued audio takes to play (the server's own latency figure), so each
    # block is written for the moment it will be heard.
    stream = PulseStream(sink)
    r = random.Random(1)
    noise = array.array("h", (int(r.gauss(0, NOISE_SIGMA)) for _ in range(RATE)))
    block = RATE // 20
    written = 0
    while True:
        # The UTC at which this block's first sample will be heard.
        at = time.time() + stream.latency_s() - HEARD_LATE_S
        out = array.array("h", bytes(2 * block))
        for i in range(block):
            t = at + i / RATE
            slot = int(t // 10)
            index = (slot - band) % 18  # the beacon due on the band in this slot
            sample = noise[(written + i) % RATE]
            keyed = beacons.get(index)
            if keyed is not None:
                k = int((t - slot * 10) * RATE)
                if k < len(keyed):
                    sample += keyed[k]
            out[i] = max(-32768, min(32767, sample))
        stream.write(out.tobytes())
        written += block


if __name__ == "__main__":
    main()
