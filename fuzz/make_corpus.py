#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/, or into
<folder>/<target>/ when a folder is given.

Each target gets a few well-formed inputs and a few broken ones. The targets read their
settings with libFuzzer's FuzzedDataProvider, which takes plain bytes from the front of the
input and integers from its end; the layouts below follow that.
"""
import os
import random
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "corpus")
NAN = float("nan")
INF = float("inf")

# VELTAR's parameters in index order: Input, Output, Low, High, Transformer, Bus, Model.
DEFAULTS = [0.0, 0.0, 0.5, 0.5, 1.0, 1.0, 0.0]
MAXIMA = [24.0, 24.0, 1.0, 1.0, 1.0, 1.0, 2.0]
MINIMA = [0.0, -24.0, 0.0, 0.0, 0.0, 0.0, 0.0]


def doubles(values):
    return b"".join(struct.pack("<d", v) for v in values)


def write(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def editor_state():
    t = "fuzz_editor_state"
    write(t, "defaults", doubles(DEFAULTS) + struct.pack("<i", 0))
    write(t, "maxima-bypassed", doubles(MAXIMA) + struct.pack("<i", 1))
    write(t, "minima", doubles(MINIMA) + struct.pack("<i", 0))
    write(t, "no-bypass-flag", doubles(DEFAULTS))
    write(t, "short", doubles(DEFAULTS[:2])[:13])
    write(t, "empty", b"")
    write(t, "not-numbers", doubles([NAN, INF, -INF, 1e308, -1e308, 0.333, 7.0]) +
          struct.pack("<i", -7))
    write(t, "trailing-bytes", doubles(DEFAULTS) + struct.pack("<i", 0) + b"\xff" * 40)
    # The oversampling section after the record: tag, version, length, then the realtime and the
    # offline factor (0: the realtime one), little-endian.
    record = doubles(MAXIMA) + struct.pack("<i", 0)

    def section(tag, version, fields, length=None):
        body = b"".join(struct.pack("<I", f) for f in fields)
        return tag + struct.pack("<II", version, len(body) if length is None else length) + body

    write(t, "oversampling-4x-rendering-8x", record + section(b"Ovsm", 1, [4, 8]))
    write(t, "oversampling-after-another-section",
          record + section(b"Mtrs", 2, [1, 2, 3]) + section(b"Ovsm", 1, [2, 0]))
    write(t, "oversampling-cut-short", (record + section(b"Ovsm", 1, [8, 0]))[:-3])
    write(t, "oversampling-version-to-come", record + section(b"Ovsm", 2, [2, 0]))
    write(t, "oversampling-3x", record + section(b"Ovsm", 1, [3, 0]))
    write(t, "oversampling-length-past-end", record + section(b"Ovsm", 1, [2, 0], 0xFFFFFFF0))


def state_chunk():
    # Layout: chunk bytes, then one byte for the start position (value - 2), then one byte whose
    # lowest bit chooses a preset bank (1) over plain parameters (0).
    t = "fuzz_state_chunk"

    def entry(chunk, start, bank):
        return chunk + bytes([start + 2, 1 if bank else 0])

    def preset(name, initialised, values):
        body = struct.pack("<i", len(name)) + name + bytes([1 if initialised else 0])
        return body + (doubles(values) if initialised else b"")

    write(t, "params", entry(doubles(DEFAULTS), 0, False))
    write(t, "params-out-of-range", entry(doubles([30.0, -99.0, 2.0, -1.0, 0.333, 5.0, 9.0]),
                                          0, False))
    write(t, "params-not-numbers", entry(doubles([NAN, INF, -INF, NAN, 0.5, 1.0, 1.0]), 0, False))
    write(t, "params-short", entry(doubles(DEFAULTS[:3]), 0, False))
    write(t, "params-start-minus-one", entry(doubles(DEFAULTS), -1, False))
    write(t, "bank", entry(preset(b"-", True, MAXIMA), 0, True))
    write(t, "bank-uninitialised", entry(preset(b"empty", False, []), 0, True))
    write(t, "bank-offset", entry(b"\x00" * 5 + preset(b"Warm", True, DEFAULTS), 5, True))
    write(t, "bank-huge-name-length", entry(struct.pack("<i", 0x7fffffff) + b"abc", 0, True))
    write(t, "bank-negative-name-length", entry(struct.pack("<i", -5) + b"\x01", 0, True))
    write(t, "bank-cut-state", entry(preset(b"Cut", True, DEFAULTS)[:-11], 0, True))


def preset_blob():
    # Layout: name, a backslash and one more character that end the name, the base64 text, then
    # two bytes (most significant last) giving the chunk size as value % 4100 - 4.
    t = "fuzz_preset_blob"

    def entry(name, text, size):
        v = size + 4
        return name + b"\\|" + text + bytes([v & 0xff, v >> 8])

    write(t, "24-in-8", entry(b"-", b"AAAAAAAAOEA=", 8))
    write(t, "24-in-16", entry(b"Padded", b"AAAAAAAAOEA=", 16))
    write(t, "defaults", entry(b"Default", __import__("base64").b64encode(doubles(DEFAULTS)), 56))
    write(t, "text-longer-than-size", entry(b"x", b"QUJDREVGR0hJSktMTU5PUA==", 3))
    write(t, "bad-character", entry(b"y", b"AAAA*AAAAOEA=", 8))
    write(t, "zero-size", entry(b"z", b"AAAA", 0))
    write(t, "negative-size", entry(b"n", b"AAAA", -4))
    write(t, "long-name", entry(b"N" * 290, b"AA", 4095))
    write(t, "unpadded-tail", entry(b"t", b"QUJDRA", 10))


def png_chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body +
            struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff))


def png(width, height, depth, colour, rows, extra=b"", interlace=0):
    sig = b"\x89PNG\r\n\x1a\n"
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace)
    raw = b"".join(b"\x00" + r for r in rows)
    return (sig + png_chunk(b"IHDR", ihdr) + extra + png_chunk(b"IDAT", zlib.compress(raw)) +
            png_chunk(b"IEND", b""))


def png_corpus():
    # Layout: one mode byte (bit 0: set the chunk checksums right, bit 1: decode into a given
    # bitmap), then the PNG data.
    t = "fuzz_png"
    rgba = png(2, 2, 8, 6, [b"\xff\x00\x00\x80\x00\xff\x00\xff", b"\x00\x00\xff\x00\xff\xff\xff\xff"])
    write(t, "rgba-2x2", b"\x00" + rgba)
    write(t, "rgba-2x2-into-bitmap", b"\x02" + rgba)
    write(t, "grey-3x1", b"\x01" + png(3, 1, 8, 0, [b"\x00\x80\xff"]))
    write(t, "grey16-1x2", b"\x00" + png(1, 2, 16, 0, [b"\x12\x34", b"\xff\xff"]))
    write(t, "rgb-1x1", b"\x00" + png(1, 1, 8, 2, [b"\x10\x20\x30"]))
    write(t, "palette-trns-4x1", b"\x03" + png(
        4, 1, 2, 3, [b"\x1b"], png_chunk(b"PLTE", b"\x00\x00\x00\xff\x00\x00\x00\xff\x00\x00\x00\xff") +
        png_chunk(b"tRNS", b"\x00\x80")))
    write(t, "grey1-interlaced-9x9", b"\x01" + png(9, 9, 1, 0, [b"\x55\x80"] * 9, interlace=1))
    write(t, "truncated", b"\x00" + rgba[:40])
    write(t, "bad-checksum", b"\x00" + rgba[:29] + b"\x00" + rgba[30:])
    write(t, "huge-width", b"\x01" + png(100000, 1, 8, 0, [b"\x00"]))
    write(t, "zero-height", b"\x01" + png(4, 0, 8, 0, []))
    write(t, "not-png", b"\x00GIF89a\x01\x00\x01\x00")


def random_seeds(t, seed, lengths):
    # For the targets that read dozens of small decisions (the process and LV2 targets): the empty
    # input gives the all-defaults path, random bytes of a few lengths and two constant inputs the
    # rest.
    rng = random.Random(seed)
    write(t, "empty", b"")
    for n in lengths:
        write(t, "random-%d" % n, bytes(rng.randrange(256) for _ in range(n)))
    write(t, "zeros-256", b"\x00" * 256)
    write(t, "ones-256", b"\xff" * 256)


def process():
    random_seeds("fuzz_process", 7351, (8, 32, 128, 512, 2048))


def lv2():
    random_seeds("fuzz_lv2", 2615, (16, 64, 256, 1024, 4096))


def program_files():
    # Layout: one byte choosing the plug-in (bit 0 set: a base with three parameters, ranges
    # [-1-i, 1+i], two presets and state chunks, ID 'Fuz1'; clear: VELTAR, parameter values,
    # ID 'Vtr1'), then the file. Files are big-endian apart from the state blocks.
    def be(*ints):
        return b"".join(struct.pack(">i", v) for v in ints)

    def name28(text):
        return text.ljust(28, b"\0")[:28]

    def block(body):
        return b"tffp" + struct.pack("<i", 0x10000) + body

    def program(magic, uid, nparams, name, body):
        return b"CcnK" + be(0) + magic + be(1) + uid + be(1100, nparams) + name28(name) + body

    def bank(magic, uid, nprograms, current, body):
        return (b"CcnK" + be(0) + magic + be(2) + uid + be(1100, nprograms, current) +
                b"\0" * 124 + body)

    def floats(values):
        return b"".join(struct.pack(">f", v) for v in values)

    veltar_norm = [0.5, 0.25, 0.5, 0.5, 1.0, 1.0, 0.0]
    fxp = program(b"FxCk", b"Vtr1", 7, b"Warm", floats(veltar_norm))
    fxp_chunk_state = block(doubles([0.5, -1.5, 2.0]))
    fxp_chunk = program(b"FPCh", b"Fuz1", 3, b"Chunky", be(len(fxp_chunk_state)) + fxp_chunk_state)
    t = "fuzz_fxp"
    write(t, "veltar-values", b"\0" + fxp)
    write(t, "chunk-form", b"\1" + fxp_chunk)
    write(t, "veltar-values-not-numbers", b"\0" + program(
        b"FxCk", b"Vtr1", 7, b"NaN", floats([NAN, INF, -INF, 2.0, -1.0, 0.5, 1.0])))
    write(t, "veltar-values-cut", b"\0" + fxp[:-6])
    write(t, "wrong-id", b"\0" + fxp.replace(b"Vtr1", b"Xxx1"))
    write(t, "wrong-magic", b"\0" + b"Ccnk" + fxp[4:])
    write(t, "chunk-size-too-big", b"\1" + fxp_chunk[:56] + be(0x7fffffff) + fxp_chunk[60:])
    write(t, "chunk-size-negative", b"\1" + fxp_chunk[:56] + be(-8) + fxp_chunk[60:])
    write(t, "chunk-version-cut", b"\1" + program(b"FPCh", b"Fuz1", 3, b"c", be(6) + b"tffp\0\0"))
    write(t, "header-only", b"\0" + fxp[:56])

    def preset(name, values):
        return struct.pack("<i", len(name)) + name + b"\1" + doubles(values)

    records = fxp + program(b"FxCk", b"Vtr1", 7, b"Second", floats([0.0] * 7))
    bank_state = block(preset(b"One", [0.0, 1.0, -2.5]) + preset(b"Two", [1.0, -2.0, 3.0]))
    t = "fuzz_fxb"
    write(t, "veltar-values", b"\0" + bank(b"FxBk", b"Vtr1", 1, 0, fxp))
    write(t, "veltar-values-two-programs", b"\0" + bank(b"FxBk", b"Vtr1", 2, 1, records))
    write(t, "chunk-form", b"\1" + bank(b"FBCh", b"Fuz1", 2, 1, be(len(bank_state)) + bank_state))
    write(t, "chunk-form-cut-state", b"\1" + bank(b"FBCh", b"Fuz1", 2, 0,
                                                  be(len(bank_state) - 9) + bank_state[:-9]))
    write(t, "huge-program-count", b"\0" + bank(b"FxBk", b"Vtr1", 0x7fffffff, 0, fxp))
    write(t, "negative-current", b"\0" + bank(b"FxBk", b"Vtr1", 1, -3, fxp))
    write(t, "record-wrong-count", b"\0" + bank(b"FxBk", b"Vtr1", 1, 0,
                                                 fxp[:24] + be(6) + fxp[28:]))
    write(t, "truncated-header", b"\0" + bank(b"FxBk", b"Vtr1", 1, 0, b"")[:100])


def wav(channels, rate, bits, frames, fmt_tag=1, data=None, data_size=None, extra=b""):
    """A RIFF WAVE file; data defaults to a ramp, data_size overrides what the header claims."""
    width = bits // 8
    if data is None:
        if fmt_tag == 3:
            pack = "<f" if bits == 32 else "<d"
            data = b"".join(struct.pack(pack, 0.5 * ((n % 16) / 8.0 - 1.0))
                            for n in range(frames * channels))
        else:
            data = bytes((n * 37) & 0xff for n in range(frames * channels * width))
    fmt = struct.pack("<HHIIHH", fmt_tag, channels, rate, rate * channels * width,
                      channels * width, bits)
    size = len(data) if data_size is None else data_size
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + extra + b"data" + \
        struct.pack("<I", size) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def extended80(value):
    """An IEEE 754 80-bit extended number, as AIFF stores its sample rate."""
    exponent = 16383 + value.bit_length() - 1
    mantissa = value << (64 - value.bit_length())
    return struct.pack(">HQ", exponent, mantissa)


def aiff(channels, rate, bits, frames):
    width = bits // 8
    data = bytes((n * 53) & 0xff for n in range(frames * channels * width))
    comm = struct.pack(">hIh", channels, frames, bits) + extended80(rate)
    ssnd = struct.pack(">II", 0, 0) + data
    body = (b"AIFF" + b"COMM" + struct.pack(">I", len(comm)) + comm + b"SSND" +
            struct.pack(">I", len(ssnd)) + ssnd)
    return b"FORM" + struct.pack(">I", len(body)) + body


def au(channels, rate, encoding, data):
    return b".snd" + struct.pack(">IIIII", 28, len(data), encoding, rate, channels) + b"\0" * 4 + data


def audio_file():
    # Layout: the whole input is the file.
    t = "fuzz_audio_file"
    write(t, "pcm16-stereo", wav(2, 44100, 16, 700))
    write(t, "pcm16-mono", wav(1, 48000, 16, 1500))
    write(t, "pcm24-stereo", wav(2, 96000, 24, 300))
    write(t, "pcm8-mono", wav(1, 8000, 8, 200))
    write(t, "float-stereo", wav(2, 44100, 32, 600, fmt_tag=3))
    write(t, "double-mono", wav(1, 44100, 64, 300, fmt_tag=3))
    write(t, "float-not-numbers", wav(2, 48000, 32, 4, fmt_tag=3, data=b"".join(
        struct.pack("<f", v) for v in [NAN, INF, -INF, 3e38, 0.5, -0.5, 1e-40, 0.0])))
    write(t, "double-huge", wav(1, 48000, 64, 3, fmt_tag=3,
                                data=doubles([1e300, -1e300, 1e-310])))
    write(t, "three-channels", wav(3, 44100, 16, 100))
    write(t, "rate-zero", wav(2, 0, 16, 100))
    write(t, "rate-huge", wav(1, 2000000000, 16, 100))
    write(t, "data-cut-short", wav(2, 44100, 16, 700)[:1200])
    write(t, "data-size-huge", wav(2, 44100, 16, 50, data_size=0x7ffffff0))
    write(t, "odd-chunk-before-data", wav(1, 22050, 16, 64, extra=b"LIST\x03\0\0\0abc\0"))
    # A sub-chunk size of 2^32 - 8 inside a LIST chunk, which libsndfile would read for ever.
    write(t, "list-size-wraps", wav(1, 44100, 16, 8, extra=b"LIST" + struct.pack("<I", 36) +
                                    b"INFOINAM" + struct.pack("<I", 7) + b"Take 1\0\0JUNQ" +
                                    struct.pack("<I", 0xFFFFFFF8) + b"x" * 8))
    write(t, "aiff-pcm16-stereo", aiff(2, 44100, 16, 500))
    write(t, "aiff-pcm24-mono", aiff(1, 48000, 24, 200))
    write(t, "au-float-stereo", au(2, 44100, 6, b"".join(struct.pack(">f", 0.25 * (n % 5))
                                                         for n in range(400))))
    write(t, "au-mulaw-mono", au(1, 8000, 1, bytes(range(256))))
    write(t, "not-audio", b"not an audio file at all")
    write(t, "empty", b"")


if __name__ == "__main__":
    editor_state()
    state_chunk()
    preset_blob()
    png_corpus()
    process()
    lv2()
    program_files()
    audio_file()
