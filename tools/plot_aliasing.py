#!/usr/bin/env python3
"""Measures how much a driven VELTAR folds back into the audio band, through veltar-render at
each oversampling factor, and draws the spectra of the first three cases at 1x and 4x.

    python3 tools/plot_aliasing.py build/tools/veltar-render docs/aliasing.png [--sox]

A 4987 Hz sine at -8 dBFS, 44.1 kHz, goes through the renderer with each case's settings. The
figure of a render is the energy of its left channel away from the sine's harmonics relative to
all of it: Blackman window, 65,536 points from 1 s in, a harmonic taking the 64 bins either side of
it (beyond them the window's own leakage of a pure sine lies below -128 dB). The table of figures
is printed as Markdown; --sox adds the column of the chain run at 4x the rate between two
very-high-quality sox resampling steps. Needs numpy and matplotlib (Debian's python3-numpy and
python3-matplotlib) and, with --sox, sox.
"""
import os
import struct
import subprocess
import sys
import tempfile

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

RATE = 44100
TONE = 4987.0
POINTS = 65536
HALF_WIDTH = 64
FACTORS = (1, 2, 4, 8)
CASES = (
    ("Input 0, SRPP, transformers out", ["Input=0", "Model=SRPP", "Transformer=out", "Bus=out"]),
    ("Input 6, QUAD", ["Input=6", "Model=QUAD"]),
    ("Input 12, NK, Transformer in", ["Input=12", "Model=NK", "Transformer=in"]),
    ("Input 24, NK, both transformers in, Output -12",
     ["Input=24", "Model=NK", "Transformer=in", "Bus=in", "Output=-12"]),
)


def write_wav(path, samples, rate):
    data = samples.astype("<f4").tobytes()
    # Float samples take the fmt chunk's extension size field, 0 here.
    header = b"RIFF" + struct.pack("<I", 38 + len(data)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHHH", 18, 3, 1, rate, rate * 4, 4, 32, 0)
    with open(path, "wb") as f:
        f.write(header + b"data" + struct.pack("<I", len(data)) + data)


def read_wav(path):
    """The first channel of a 32-bit float WAV file, as the renderer writes it."""
    with open(path, "rb") as f:
        data = f.read()
    pos, channels = 12, 1
    while pos + 8 <= len(data):
        chunk, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if chunk == b"fmt ":
            channels = struct.unpack("<H", body[2:4])[0]
        elif chunk == b"data":
            return np.frombuffer(body, dtype="<f4").reshape(-1, channels)[:, 0].astype(np.float64)
        pos += 8 + size + (size & 1)
    raise ValueError(path + " holds no data")


def spectrum(x):
    """Power per bin of the measured stretch, and the mask of the bins away from harmonics."""
    power = np.abs(np.fft.rfft(x[RATE:RATE + POINTS] * np.blackman(POINTS))) ** 2
    bins = np.arange(len(power))
    harmonic = np.round(bins * RATE / POINTS / TONE) * TONE * POINTS / RATE
    return power, np.abs(bins - harmonic) > HALF_WIDTH


def figure(x):
    power, away = spectrum(x)
    return 10 * np.log10(power[away].sum() / power.sum())


def render(renderer, source, out, settings, factor):
    args = [renderer, "-q", "--in", source, "--out", out, "--oversample", str(factor)]
    for setting in settings:
        args += ["--set", setting]
    subprocess.run(args, check=True)
    return read_wav(out)


def sox_bracketed(renderer, folder, source, settings, index):
    up = os.path.join(folder, "up.wav")
    rendered = os.path.join(folder, "sox-%d.wav" % index)
    down = os.path.join(folder, "sox-%d-down.wav" % index)
    subprocess.run(["sox", source, "-r", str(4 * RATE), up, "rate", "-v"], check=True)
    render(renderer, up, rendered, settings, 1)
    subprocess.run(["sox", rendered, "-e", "floating-point", "-b", "32", "-r", str(RATE), down,
                    "rate", "-v"], check=True)
    return read_wav(down)


def main():
    args = [a for a in sys.argv[1:] if a != "--sox"]
    if len(args) != 2:
        sys.exit(__doc__)
    renderer, picture = args
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "sine.wav")
        n = np.arange(3 * RATE)
        write_wav(source, 10 ** (-8 / 20) * np.sin(2 * np.pi * TONE * n / RATE), RATE)
        rendered = {}
        for c, (_, settings) in enumerate(CASES):
            for factor in FACTORS:
                out = os.path.join(folder, "case%d-%dx.wav" % (c, factor))
                rendered[c, factor] = render(renderer, source, out, settings, factor)
        heads = ["settings"] + ["%dx" % f for f in FACTORS]
        if "--sox" in sys.argv:
            heads.append("chain at 4x between sox resamplers")
        print("| " + " | ".join(heads) + " |")
        print("|" + "---|" * len(heads))
        for c, (name, settings) in enumerate(CASES):
            row = [name] + ["%.1f dB" % figure(rendered[c, f]) for f in FACTORS]
            if "--sox" in sys.argv:
                row.append("%.1f dB" % figure(sox_bracketed(renderer, folder, source, settings, c)))
            print("| " + " | ".join(row).replace("-", "\u2212") + " |")

    fig, axes = plt.subplots(3, 1, figsize=(9, 9), sharex=True)
    kilohertz = np.arange(POINTS // 2 + 1) * RATE / POINTS / 1000
    for c, axis in enumerate(axes):
        for factor, colour in ((1, "#c0392b"), (4, "#1f4e79")):
            power, _ = spectrum(rendered[c, factor])
            level = 10 * np.log10(power / power.max() + 1e-30)
            axis.plot(kilohertz, level, color=colour, linewidth=0.6,
                      label="%dx: %.1f dB away from the harmonics"
                      % (factor, figure(rendered[c, factor])))
        for k in range(1, int(RATE / 2 / TONE) + 1):
            axis.axvline(k * TONE / 1000, color="#999999", linewidth=0.5, linestyle=":")
        axis.set_title(CASES[c][0], fontsize=10)
        axis.set_ylim(-180, 5)
        axis.set_ylabel("dB")
        axis.grid(True, linewidth=0.3)
        axis.legend(loc="lower left", fontsize=8)
    axes[-1].set_xlim(0, RATE / 2000)
    axes[-1].set_xlabel("kHz (dotted: the harmonics of the 4987 Hz sine)")
    fig.suptitle("VELTAR, 4987 Hz at -8 dBFS, 44.1 kHz: at the host rate and at 4x oversampling")
    fig.tight_layout()
    fig.savefig(picture, dpi=100)


if __name__ == "__main__":
    main()
