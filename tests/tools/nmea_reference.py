#!/usr/bin/env python3
"""An independent NMEA 0183 decoder that cross-checks `vantrel-log json`.

It decodes GGA, RMC, VTG, GSA, GSV, GLL and ZDA with its own parsing, written
from the sentence definitions (fields split at commas between "$" and "*",
XOR checksum of the characters in between), plus the house rules where
Vantrel deliberately differs from plain NMEA:

  * speed in km/h = knots x 1.8532, altitude = GGA altitude + geoid separation,
    RMC year = 2000 + two digits, lowercase checksum digits are refused;
  * numbers are read like C's atol/atof (leading digits only, 0 when none),
    whole numbers with a 32-bit long, so that out-of-range ones saturate;
  * a sentence with fewer fields keeps what its leading fields gave;
  * a GSV with "1" two characters after the start of field 1 begins a new
    group (the message number, as the count of messages has one digit);
  * the stream is read in chunks of 100 bytes and a sentence is decoded only
    once the next sentence start has arrived (the last one at end of input);
    the used flags of the satellites are recomputed after each chunk;
  * where the framing keeps data that a plain reading of the port would lose:
    a zero byte ends a sentence like a line end (the rest of its chunk is
    still read), and the beginning of a sentence start cut off by a read
    ("$G" at the end of a chunk) waits for its rest even when no sentence
    was pending.

After every sentence it compares its record with the "record" that
vantrel-log printed for the same sentence, field by field (floats within
32-bit float precision), and checks that both saw the same sentences on the
same lines. Where the house rules leave a value to the implementation (a
coordinate without ".", a time or date too short, an over-long field, an
8-bit field from a number beyond 32 bits), that field is not compared until a
later sentence defines it again.

Usage:
  nmea_reference.py --tool vantrel-log FILE...
  nmea_reference.py --tool vantrel-log --mutations 200 FILE...
  nmea_reference.py --tool vantrel-log --sim vantrel-sim --seconds 6 --save OUT

Only the Python standard library is used.
"""

import argparse
import json
import math
import os
import random
import re
import select
import struct
import subprocess
import sys
import tempfile
import termios
import time
import tty

CHUNK = 100           # bytes per read cycle
CARRY_DROP = 3750     # a longer tail is thrown away, but for an ended sentence at its head
FIELD_MAX = 19        # longest field the decoders' working buffers take
SATS = 20             # entries of the satellites-in-view table
KNOTS_TO_KMH = 1.8532
FLOAT_REL = 2.0 ** -21  # a few units in the last place of a 32-bit float

INT_RE = re.compile(rb"[ \t\n\v\f\r]*[+-]?[0-9]+")
FLOAT_RE = re.compile(rb"[ \t\n\v\f\r]*([+-]?)(?:"
                      rb"(0[xX](?:[0-9a-fA-F]+\.?[0-9a-fA-F]*|\.[0-9a-fA-F]+)(?:[pP][+-]?[0-9]+)?)"
                      rb"|((?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)"
                      rb"|([iI][nN][fF]|[nN][aA][nN]))")


def atol(text):
    """C's atol with a 32-bit long: out-of-range numbers saturate."""
    return max(-(1 << 31), min(atol_wide(text), (1 << 31) - 1))


def atol_wide(text):
    m = INT_RE.match(text)
    return int(m.group(0)) if m else 0


def low_byte(text, offset=0):
    """Low 8 bits of a whole number; which bits a number beyond 32 bits
    leaves depends on the width of long, so it is left undefined."""
    value = atol_wide(text)
    if not -(1 << 31) <= value < 1 << 31:
        raise Undefined()
    return (value + offset) & 0xFF


def atof(text):
    """C's atof in the C locale, hexadecimal numbers, inf and nan included."""
    m = FLOAT_RE.match(text)
    if not m:
        return 0.0
    sign = -1.0 if m.group(1) == b"-" else 1.0
    if m.group(2):
        hexa = m.group(2).decode()
        if "p" not in hexa.lower():
            hexa += "p0"
        return sign * float.fromhex(hexa)
    return sign * float(m.group(3) or m.group(4))


def f32(x):
    """x as stored in a 32-bit float."""
    try:
        return struct.unpack("<f", struct.pack("<f", x))[0]
    except OverflowError:
        return float("inf") if x > 0 else float("-inf")


def s32(x):
    x &= 0xFFFFFFFF
    return x - (1 << 32) if x >= 1 << 31 else x


class Undefined(Exception):
    """The house rules leave this field's value to the implementation."""


def checksum_ok(piece):
    """XOR of everything between "$" and "*" against the two characters after
    the "*", read as this program reads them: from "A" up a character counts
    its code minus 55, below it its code minus 48, in 8 bits. Uppercase hex
    digits give their value; a lowercase second digit never matches (a first
    one could only for a checksum of 0xA0 or more, which ASCII text never
    has); other characters count like any digit."""
    star = piece.find(b"*")
    if len(piece) < 5 or star < 2 or len(piece) - star < 3:
        return False
    return sum_matches(piece, star)


def sum_matches(piece, star):
    """The XOR between "$" and the "*" at `star` against the two characters after it."""
    first, second = (c - 55 if c >= 0x41 else c - 48 for c in piece[star + 1:star + 3])
    value = 0
    for c in piece[1:star]:
        value ^= c
    return value == (16 * first + second) & 0xFF


def cut_off_by_the_end(tail):
    """A tail left at the end of the file that the end cut off: it starts a
    sentence, has no line end, and its checksum (the first "*" from the third
    character on with two characters after it) is not right."""
    if not tail.startswith(b"$") or re.search(rb"[\r\n]", tail):
        return False
    star = tail.find(b"*", 2, len(tail) - 2) if len(tail) >= 5 else -1
    return star < 0 or not sum_matches(tail, star)


class Record:
    FLOATS = ("UtcSecond", "Latitude", "Longitude", "Altitude", "SpeedKmh", "Course", "Pdop", "Hdop", "Vdop")
    INTS = ("UtcYear", "UtcMonth", "UtcDay", "UtcHour", "UtcMinute", "FixQuality", "FixType", "SatsInViewCount")

    def __init__(self):
        self.v = {name: 0 for name in self.INTS}
        self.v.update({name: 0.0 for name in self.FLOATS})
        self.scale = {}          # magnitude a float was computed from
        self.unknown = set()     # fields not compared until set again
        self.used_prns = []
        self.sats = [self.empty_sat() for _ in range(SATS)]

    @staticmethod
    def empty_sat():
        return {"Prn": 0, "Snr": 0, "Elevation": 0, "Azimuth": 0, "Used": 0}

    def set(self, name, value, scale=None):
        if name in self.FLOATS:
            value = f32(value)
            self.scale[name] = abs(value) if scale is None else scale
        elif name in ("FixQuality", "FixType"):
            value &= 0xFF
        else:
            value = s32(value)
        self.v[name] = value
        self.unknown.discard(name)

    def forget(self, *names):
        self.unknown.update(names)

    def walked(self):
        return max(0, min(self.v["SatsInViewCount"], SATS))

    def mark_used(self):
        for sat in self.sats:
            sat["Used"] = 0
        used = list(_leading_positive(self.used_prns))
        for sat in self.sats[:self.walked()]:
            sat["Used"] = 1 if sat["Prn"] in used else 0

    def snapshot(self):
        return {
            "v": dict(self.v),
            "scale": dict(self.scale),
            "unknown": set(self.unknown),
            "UsedPrns": [p for p in _leading_nonzero(self.used_prns)],
            "SatsInView": [dict(s) for s in self.sats[:self.walked()]],
        }


def _leading_positive(prns):
    for p in prns:
        if p <= 0:
            return
        yield p


def _leading_nonzero(prns):
    for p in prns:
        if p == 0:
            return
        yield p


class Fields:
    """Fields of one checked sentence: index 1 is the first after the type."""

    def __init__(self, piece):
        self.piece = piece
        self.f = piece[1:piece.find(b"*")].split(b",")

    def exists(self, i):
        return i < len(self.f)

    def present(self, i):
        return self.exists(i) and len(self.f[i]) > 0

    def __getitem__(self, i):
        text = self.f[i]
        if len(text) > FIELD_MAX:
            raise Undefined()
        return text


class Stop(Exception):
    """The sentence ends before this field: keep what was stored."""


def need(f, i):
    if not f.exists(i):
        raise Stop()


def store_time(r, f, i):
    names = ("UtcHour", "UtcMinute", "UtcSecond")
    try:
        text = f[i]
        if len(text) < 4:
            raise Undefined()
    except Undefined:
        r.forget(*names)
        return
    r.set("UtcHour", atol(text[0:2]))
    r.set("UtcMinute", atol(text[2:4]))
    r.set("UtcSecond", atof(text[4:]))


def store_coordinate(r, f, i, name, negative_letter):
    """ddmm.mmmm or dddmm.mmmm at field i, hemisphere letter at i + 1."""
    need(f, i)
    decoded = False
    if f.present(i):
        try:
            text = f[i]
            dot = text.find(b".")
            if dot < 2:
                raise Undefined()
        except Undefined:
            r.forget(name)
        else:
            degrees = atol(text[:dot - 2])
            minutes = atof(text[dot - 2:])
            r.set(name, degrees + minutes / 60.0)
            decoded = True
    need(f, i + 1)
    if decoded and f.present(i + 1) and f.f[i + 1][:1] == negative_letter:
        r.set(name, -r.v[name], r.scale[name])


def mode_letter(r, letter):
    quality = {b"A": 1, b"D": 2, b"E": 6}.get(letter[:1])
    if quality is not None:
        r.set("FixQuality", quality)


def set_if_zero(r, name, value):
    if name not in r.unknown and r.v[name] == 0:
        r.set(name, value)


def fix_seen(r):
    set_if_zero(r, "FixType", 1)


def no_fix(r):
    r.set("FixType", 0)
    r.set("FixQuality", 0)


def store_float(r, f, i, name, factor=1.0):
    try:
        value = atof(f[i])
    except Undefined:
        r.forget(name)
        return None
    r.set(name, value * factor)
    return value


def decode_gga(r, f):
    need(f, 1)
    if f.present(1):
        store_time(r, f, 1)
    store_coordinate(r, f, 2, "Latitude", b"S")
    store_coordinate(r, f, 4, "Longitude", b"W")
    need(f, 6)
    if not f.present(6):
        return
    try:
        r.set("FixQuality", low_byte(f[6]))
    except Undefined:
        r.forget("FixQuality")
        if r.v["FixType"] == 0:
            r.forget("FixType")
    if r.v["FixQuality"] != 0 and "FixQuality" not in r.unknown:
        fix_seen(r)
    need(f, 7)
    need(f, 8)
    if f.present(8):
        store_float(r, f, 8, "Hdop")
    need(f, 9)
    altitude = None
    if f.present(9):
        altitude = store_float(r, f, 9, "Altitude")
    need(f, 10)
    need(f, 11)
    if f.present(11) and altitude is not None:
        try:
            separation = atof(f[11])
        except Undefined:
            r.forget("Altitude")
            return
        r.set("Altitude", r.v["Altitude"] + separation, max(abs(altitude), abs(separation)))
    elif f.present(11) and f.present(9):
        r.forget("Altitude")


def decode_rmc(r, f):
    need(f, 1)
    if f.present(1):
        store_time(r, f, 1)
    need(f, 2)
    if not f.present(2):
        return
    if f.f[2][:1] == b"A":
        fix_seen(r)
        set_if_zero(r, "FixQuality", 1)
    else:
        no_fix(r)
    store_coordinate(r, f, 3, "Latitude", b"S")
    store_coordinate(r, f, 5, "Longitude", b"W")
    need(f, 7)
    if f.present(7):
        store_float(r, f, 7, "SpeedKmh", KNOTS_TO_KMH)
    need(f, 8)
    if f.present(8):
        store_float(r, f, 8, "Course")
    need(f, 9)
    if f.present(9):
        try:
            date = f[9]
            if len(date) < 6:
                raise Undefined()
        except Undefined:
            r.forget("UtcDay", "UtcMonth", "UtcYear")
        else:
            r.set("UtcDay", atol(date[0:2]))
            r.set("UtcMonth", atol(date[2:4]))
            r.set("UtcYear", 2000 + atol(date[4:6]))
    need(f, 10)
    need(f, 11)
    need(f, 12)
    if f.present(12) and "FixType" in r.unknown and f.f[12][:1] in (b"A", b"D", b"E"):
        r.forget("FixQuality")
    elif f.present(12) and r.v["FixType"] != 0:
        mode_letter(r, f.f[12])


def decode_vtg(r, f):
    need(f, 1)
    if f.present(1):
        store_float(r, f, 1, "Course")
    for i in (2, 3, 4, 5):
        need(f, i)
    if f.present(5):
        store_float(r, f, 5, "SpeedKmh", KNOTS_TO_KMH)
    for i in (6, 7, 8, 9):
        need(f, i)
    if not f.present(9):
        return
    if f.f[9][:1] == b"N":
        no_fix(r)
    else:
        fix_seen(r)
        mode_letter(r, f.f[9])


def decode_gsa(r, f):
    r.used_prns = []
    need(f, 1)
    if not f.present(1):
        return
    if f.f[1][:1] in (b"A", b"M"):
        need(f, 2)
        if not f.present(2):
            return
        try:
            r.set("FixType", low_byte(f[2], -1))
        except Undefined:
            r.forget("FixType", "FixQuality")
        else:
            if r.v["FixType"] == 0:
                r.set("FixQuality", 0)
            else:
                set_if_zero(r, "FixQuality", 1)
    else:
        no_fix(r)
    for i in range(3, 15):
        need(f, i)
        if f.present(i):
            r.used_prns.append(s32(atol(f[i])))
    for i, name in ((15, "Pdop"), (16, "Hdop")):
        need(f, i)
        if not f.present(i):
            return
        store_float(r, f, i, name)
    need(f, 17)
    if f.present(17):
        store_float(r, f, 17, "Vdop")


def decode_gsv(r, f):
    need(f, 1)
    # A new group begins with message 1. The test looks at the character two
    # places after the start of field 1, which is the message number when the
    # count of messages has one digit, as it always has (at most 9 messages).
    q = f.piece.find(b",") + 1
    if f.piece[q + 2:q + 3] == b"1":
        r.sats = [Record.empty_sat() for _ in range(SATS)]
    need(f, 2)
    if not f.present(2):
        return
    base = (atol(f[2]) - 1) * 4
    need(f, 3)
    if not f.present(3):
        return
    r.set("SatsInViewCount", atol(f[3]))
    count = r.v["SatsInViewCount"]
    if count == 0:
        return
    for k in range(4):
        slot = base + k
        first = 4 + 4 * k
        for j, name in enumerate(("Prn", "Elevation", "Azimuth", "Snr")):
            need(f, first + j)
            value = s32(atol(f[first + j])) if f.present(first + j) else 0
            if 0 <= slot < SATS:
                r.sats[slot][name] = value
        if slot + 1 == count:
            return


def decode_gll(r, f):
    store_coordinate(r, f, 1, "Latitude", b"S")
    store_coordinate(r, f, 3, "Longitude", b"W")
    need(f, 5)
    if f.present(5):
        store_time(r, f, 5)
    need(f, 6)
    if not f.present(6):
        return
    if f.f[6][:1] != b"A":
        no_fix(r)
        return
    fix_seen(r)
    need(f, 7)
    if f.present(7):
        mode_letter(r, f.f[7])


def decode_zda(r, f):
    need(f, 1)
    if f.present(1):
        store_time(r, f, 1)
    for i, name in ((2, "UtcDay"), (3, "UtcMonth"), (4, "UtcYear")):
        need(f, i)
        if f.present(i):
            try:
                r.set(name, atol(f[i]))
            except Undefined:
                r.forget(name)


DECODERS = {b"GGA": decode_gga, b"RMC": decode_rmc, b"VTG": decode_vtg, b"GSA": decode_gsa,
            b"GSV": decode_gsv, b"GLL": decode_gll, b"ZDA": decode_zda}


def last_start(work):
    """Index of the last sentence start in work, or -1: a "$PQOL" counts only
    after the last "$GP"."""
    gp = work.rfind(b"$GP")
    pq = work.rfind(b"$PQOL")
    return pq if pq > gp else gp


def split_start(work):
    """Length of the beginning of a sentence start that ends work ("$G",
    "$PQO", ...): the read cut it, and it waits for its rest."""
    for k in (4, 3, 2, 1):
        if work.endswith(b"$PQOL"[:k]) or (k < 3 and work.endswith(b"$GP"[:k])):
            return k
    return 0


def decode_stream(data):
    """Yields (line, type, checksum ok, record snapshot) for each standard sentence."""
    record = Record()
    line_starts = [i for i, c in enumerate(data) if c == 0x0A]

    def line_of(offset):
        lo, hi = 0, len(line_starts)
        while lo < hi:
            mid = (lo + hi) // 2
            if line_starts[mid] < offset:
                lo = mid + 1
            else:
                hi = mid
        return lo + 1

    def dispatch(work, offsets):
        for m in re.finditer(rb"[^\r\n]+", work):
            piece = m.group(0)
            if piece.startswith(b"$PQOL") or not piece.startswith(b"$GP") or len(piece) <= 10:
                continue
            kind = piece[3:6]
            decoder = DECODERS.get(kind)
            if decoder is None:
                continue
            ok = checksum_ok(piece)
            if ok:
                try:
                    decoder(record, Fields(piece))
                except Stop:
                    pass
            yield line_of(offsets[m.start()]), kind.decode(), ok, record.snapshot()

    carry, carry_offsets = b"", []
    for start in range(0, len(data), CHUNK):
        chunk = data[start:start + CHUNK]
        chunk = chunk.replace(b"\0", b"\n")
        if len(carry) > CARRY_DROP:
            # An ended sentence at its head is decoded; the rest is noise.
            end = re.search(rb"[\r\n]+", carry)
            if end:
                yield from dispatch(carry[:end.end()], carry_offsets[:end.end()])
                record.mark_used()
            carry, carry_offsets = b"", []
        work = carry + chunk
        offsets = carry_offsets + list(range(start, start + len(chunk)))
        cut = last_start(work)
        if cut < 0:
            cut = len(work) - split_start(work)
        carry, carry_offsets = work[cut:], offsets[cut:]
        work, offsets = work[:cut], offsets[:cut]
        yield from dispatch(work, offsets)
        record.mark_used()
    if cut_off_by_the_end(carry):
        carry, carry_offsets = b"", []
    yield from dispatch(carry, carry_offsets)
    record.mark_used()


class Comparison:
    def __init__(self):
        self.sentences = 0
        self.fields = 0
        self.skipped = 0
        self.by_type = {}
        self.problems = []

    def fail(self, where, text):
        if len(self.problems) < 50:
            self.problems.append(f"{where}: {text}")
        else:
            self.problems.append(None)

    def float_ok(self, ours, ref, scale):
        if ours is None or not math.isfinite(ref):  # JSON has no infinity or NaN
            return ours is None and not math.isfinite(ref)
        return abs(ours - ref) <= FLOAT_REL * max(scale, abs(ours), abs(ref))

    def compare(self, name, line, kind, ok, ref, ours):
        where = f"{name}:{line} {kind}"
        self.sentences += 1
        self.by_type[kind] = self.by_type.get(kind, 0) + 1
        if ours.get("line") != line or ours.get("type") != kind or ours.get("checksum_ok") != ok:
            self.fail(where, f"vantrel-log reported line {ours.get('line')} {ours.get('type')} "
                             f"checksum_ok={ours.get('checksum_ok')}, expected checksum_ok={ok}")
            return
        record = ours["record"]
        for field in Record.INTS + Record.FLOATS:
            if field in ref["unknown"]:
                self.skipped += 1
                continue
            self.fields += 1
            want, got = ref["v"][field], record.get(field)
            if field in Record.FLOATS:
                good = self.float_ok(got, want, ref["scale"].get(field, abs(want)))
            else:
                good = got == want
            if not good:
                self.fail(where, f"{field} is {got}, reference {want!r}")
        self.fields += 1
        if record.get("UsedPrns") != ref["UsedPrns"]:
            self.fail(where, f"UsedPrns is {record.get('UsedPrns')}, reference {ref['UsedPrns']}")
        self.fields += 1
        sats = record.get("SatsInView")
        if sats != ref["SatsInView"]:
            if not isinstance(sats, list) or len(sats) != len(ref["SatsInView"]):
                self.fail(where, f"SatsInView has {len(sats) if isinstance(sats, list) else sats} entries, "
                                 f"reference {len(ref['SatsInView'])}")
            else:
                i = next(i for i, (a, b) in enumerate(zip(sats, ref["SatsInView"])) if a != b)
                self.fail(where, f"SatsInView[{i}] is {sats[i]}, reference {ref['SatsInView'][i]}")


def cross_check(tool, data, name, result, path=None):
    """Compares vantrel-log json on `path` (or on `data` through standard
    input) with the reference decoding of `data`."""
    if path is None:
        run = subprocess.run([tool, "json", "-"], input=data, capture_output=True, check=False)
    else:
        run = subprocess.run([tool, "json", path], capture_output=True, check=False)
    reference = list(decode_stream(data))
    # Damage can leave no sentence at all, which vantrel-log refuses.
    refused = run.returncode == 1 and b"holds no NMEA sentence" in run.stderr and not run.stdout
    if refused and not reference:
        return 0
    if run.returncode != 0:
        result.fail(name, f"vantrel-log exited with {run.returncode}: {run.stderr.decode(errors='replace')}")
        return 0
    ours = [json.loads(line) for line in run.stdout.decode().splitlines() if line.strip()]
    for i, (line, kind, ok, ref) in enumerate(reference):
        if i >= len(ours):
            result.fail(f"{name}:{line} {kind}", "vantrel-log reported no more sentences")
            break
        result.compare(name, line, kind, ok, ref, ours[i])
    if len(ours) > len(reference):
        extra = ours[len(reference)]
        result.fail(f"{name}:{extra.get('line')}", f"vantrel-log reported {len(ours) - len(reference)} "
                                                   f"sentences more than the reference, the first a {extra.get('type')}")
    return len(reference)


MUTATION_BYTES = b"0123456789012345.,,,.-+ ANSEWVDMTKxepinf\t"
DAMAGE = [b"\r", b"\n", b"\0", b"$", b"$G", b"$GP", b"$PQ", b"$PQOL", b"*", b",", b"\xff", b"$GPGSV,1,1,",
          b"\r\n\r\n"]


def mutate_sentences(data, rng):
    """Edits a third of the standard sentences (characters deleted, inserted,
    replaced, or the sentence cut short) and gives each a correct checksum
    again, so that the decoders, not the checksum test, meet the damage."""
    lines = data.split(b"\n")
    for n, line in enumerate(lines):
        star = line.find(b"*")
        if not line.startswith(b"$GP") or star < 0 or rng.random() > 0.35:
            continue
        body = bytearray(line[1:star])
        for _ in range(rng.randint(1, 3)):
            i = rng.randrange(6, len(body) + 1)
            op = rng.random()
            if op < 0.3 and i < len(body):
                del body[i]
            elif op < 0.6:
                body[i:i] = bytes([rng.choice(MUTATION_BYTES)])
            elif op < 0.8 and i < len(body):
                body[i] = rng.choice(MUTATION_BYTES)
            else:
                del body[i:]
        value = 0
        for c in body:
            value ^= c
        end = line[star + 3:]
        lines[n] = b"$" + bytes(body) + b"*%02X" % value + end
    return b"\n".join(lines)


def damage_stream(data, rng):
    """Damage a serial line does: bytes lost, noise, stray sentence starts,
    zero bytes, now and then a long stretch with no sentence start at all."""
    data = bytearray(data)
    for _ in range(rng.randint(1, 30)):
        i = rng.randrange(len(data) + 1)
        op = rng.random()
        if op < 0.4:
            del data[i:i + rng.randint(1, 120)]
        elif op < 0.8:
            data[i:i] = rng.choice(DAMAGE)
        else:
            data[i:i] = bytes(rng.randrange(256) for _ in range(rng.randint(1, 5)))
    if rng.random() < 0.1:
        i = rng.randrange(len(data) + 1)
        data[i:i] = b"x" * rng.randint(3700, 5000)
    return bytes(data)


def record_simulator(sim, seconds, save, extra):
    """Runs vantrel-sim in a fresh directory and saves what its receiver sends."""
    with tempfile.TemporaryDirectory(prefix="vantrel-xcheck-") as directory:
        args = [sim, "--dir", directory] + extra
        proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            link = os.path.join(directory, "receiver")
            deadline = time.monotonic() + 10
            while not os.path.exists(link):
                if proc.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError(f"vantrel-sim did not create {link}")
                time.sleep(0.05)
            fd = os.open(link, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
            try:
                tty.setraw(fd)  # no line-ending translation
                attrs = termios.tcgetattr(fd)
                attrs[4] = attrs[5] = termios.B38400
                termios.tcsetattr(fd, termios.TCSANOW, attrs)
                data = bytearray()
                control = os.path.join(directory, "control")
                # Lose the fix for a while so the recording holds fix, no fix
                # and fix again, as a module does under a bridge.
                plan = [(seconds * 0.35, "nofix on\n"), (seconds * 0.6, "nofix off\n")]
                begin = time.monotonic()
                while time.monotonic() - begin < seconds:
                    if plan and time.monotonic() - begin >= plan[0][0]:
                        with open(control, "w") as c:
                            c.write(plan.pop(0)[1])
                    ready, _, _ = select.select([fd], [], [], 0.1)
                    if ready:
                        try:
                            data += os.read(fd, 4096)
                        except (BlockingIOError, OSError):
                            pass
            finally:
                os.close(fd)
        finally:
            proc.terminate()
            proc.wait(timeout=10)
    with open(save, "wb") as f:
        f.write(data)
    return save


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tool", required=True, help="the vantrel-log executable")
    parser.add_argument("--sim", help="record this vantrel-sim instead of reading files")
    parser.add_argument("--seconds", type=float, default=6.0, help="length of the simulator recording")
    parser.add_argument("--save", help="where to keep the simulator recording")
    parser.add_argument("--sim-args", default="--all-rates 1 --chn-rate 1 --fix-rate 5 --sky-speed 2000",
                        help="options given to vantrel-sim")
    parser.add_argument("--min-sentences", type=int, default=1,
                        help="fail when fewer sentences were compared (a recording that came out empty)")
    parser.add_argument("--mutations", type=int, default=0,
                        help="also cross-check this many damaged copies of each file")
    parser.add_argument("--seed", type=int, default=1, help="seed of the damage")
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()

    files = list(args.files)
    if args.sim:
        save = args.save or os.path.join(tempfile.gettempdir(), f"vantrel-sim-{os.getpid()}.nma")
        files.append(record_simulator(args.sim, args.seconds, save, args.sim_args.split()))
    if not files:
        parser.error("no recording given")

    result = Comparison()
    for path in files:
        with open(path, "rb") as f:
            data = f.read()
        name = os.path.basename(path)
        cross_check(args.tool, data, name, result, path)
        rng = random.Random(args.seed)
        for n in range(args.mutations):
            damaged = mutate_sentences(data, rng) if n % 2 == 0 else damage_stream(data, rng)
            before = len(result.problems)
            cross_check(args.tool, damaged, f"{name}~{n}", result)
            if len(result.problems) > before:
                keep = os.path.join(tempfile.gettempdir(), f"xcheck-{name}~{n}")
                with open(keep, "wb") as f:
                    f.write(damaged)
                print(f"damaged copy {n} of {name} kept as {keep}")
    types = ", ".join(f"{k} {v}" for k, v in sorted(result.by_type.items()))
    print(f"compared {result.sentences} sentences ({types}): {result.fields} fields compared, "
          f"{result.skipped} not compared (left to the implementation)")
    problems = [p for p in result.problems if p is not None]
    for p in problems:
        print("DISAGREE " + p)
    if len(problems) < len(result.problems):
        print(f"... and {len(result.problems) - len(problems)} more")
    if result.sentences < args.min_sentences:
        print(f"only {result.sentences} sentences compared, expected at least {args.min_sentences}")
        return 1
    return 1 if result.problems else 0


if __name__ == "__main__":
    sys.exit(main())
