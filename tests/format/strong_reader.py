#!/usr/bin/python3
"""An independent reader of the strong kind, written from docs/strong-format.md.

It shares no code with the programs: Argon2id comes from argon2-cffi
(python3-argon2), HKDF, HMAC and AES-GCM from python3-cryptography,
Zstandard from python3-zstandard, zlib from Python itself. It reads every
package the vectors' manifest names and compares what it decrypts with the
manifest, and for the package whose intermediate values the document lists,
each of those values.

Usage: strong_reader.py VECTORS_FOLDER          (reads manifest.txt there)
       strong_reader.py PACKAGE PASSWORD         (prints the entries)
Exit status 0 when every package reads as its manifest says.
"""
import hashlib
import hmac
import struct
import sys
import unicodedata
import zlib
from pathlib import Path

from argon2.low_level import Type, hash_secret_raw
from cryptography.hazmat.primitives import hashes
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
from cryptography.hazmat.primitives.kdf.hkdf import HKDF
import zstandard

FORMAT_MARK = b"Morvalis Encrypted File"
CHUNK = 65536
MAX_HEADER = 4096
MAX_WINDOW_LOG = 27


class Refused(Exception):
    """A package the format says a reader must refuse; args[0] is the code."""


# --- Tagged values ---------------------------------------------------------------
TYPE_BLOB, TYPE_LIST, TYPE_U8, TYPE_U16, TYPE_U32 = 1, 2, 10, 20, 40
TYPE_I32, TYPE_DOUBLE, TYPE_TEXT, TYPE_ENTRY = 41, 80, 110, 3100


class Reader:
    def __init__(self, data, at=0):
        self.data, self.at = data, at

    def take(self, n):
        if n < 0 or self.at + n > len(self.data):
            raise Refused(208)
        out = self.data[self.at:self.at + n]
        self.at += n
        return out

    def u8(self):
        return self.take(1)[0]

    def u16(self):
        return struct.unpack("<H", self.take(2))[0]

    def u32(self):
        return struct.unpack("<I", self.take(4))[0]


def read_text(r):
    n = r.u8()
    if n == 255:
        n = r.u32()
    return r.take(n)


def read_value(r, entries=None):
    """One value: (type, tag, payload). Lists give a list of values; an entry
    gives (record, content or None) and is appended to entries."""
    vtype, tag, length = r.u16(), r.u16(), r.u32()
    if vtype in (0, 100):
        return vtype, tag, None
    if vtype == TYPE_U8:
        return vtype, tag, r.u8()
    if vtype == TYPE_U16:
        return vtype, tag, r.u16()
    if vtype in (TYPE_U32, TYPE_I32):
        return vtype, tag, r.u32()
    if vtype == TYPE_DOUBLE:
        return vtype, tag, r.take(8)
    if vtype == TYPE_TEXT:
        return vtype, tag, read_text(r)
    if vtype == TYPE_LIST:
        count = r.u32()
        return vtype, tag, [read_value(r, entries) for _ in range(count)]
    if vtype == TYPE_ENTRY:
        record = read_value(r)
        if record[0] != TYPE_LIST:
            raise Refused(311)
        members = {t: v for (_, t, v) in reversed(record[2])}
        content = None
        if members.get(100, 0) == 0:
            content = r.take(r.u32())
        entry = (members, content)
        if entries is not None:
            entries.append(entry)
        return vtype, tag, entry
    return TYPE_BLOB, tag, r.take(length)


def first(members, tag, vtype):
    for t, g, v in members:
        if g == tag:
            return v if t == vtype else None
    return None


# --- The package -------------------------------------------------------------------
def password_bytes(password, version):
    if version == 1:
        return password.encode("cp1252")
    return unicodedata.normalize("NFC", password).encode("utf-8")


def derive(password_form, salt, t, m, p):
    master = hash_secret_raw(password_form, salt, time_cost=t, memory_cost=m, parallelism=p, hash_len=32,
                             type=Type.ID, version=19)
    def hkdf(info, n):
        return HKDF(algorithm=hashes.SHA256(), length=n, salt=None, info=info).derive(master)
    return master, hkdf(b"Morvalis strong payload key", 32), hkdf(b"Morvalis strong key check", 32)


def read_package(data, password, values=None):
    """Returns (header fields, content values, entries) or raises Refused."""
    if len(data) < 8:
        raise Refused(208)
    header_size = 8 + struct.unpack_from("<I", data, 4)[0]
    if header_size > MAX_HEADER:
        raise Refused(320)
    if len(data) < header_size:
        raise Refused(208)
    header_bytes = data[:header_size]
    vtype, _, members = read_value(Reader(header_bytes))
    if vtype != TYPE_LIST:
        raise Refused(310)
    mark = first(members, 10, TYPE_TEXT)
    if mark != FORMAT_MARK:
        raise Refused(310)
    cipher = first(members, 20, TYPE_U8)
    entry = first(members, 40, TYPE_BLOB)
    if entry is not None and cipher != 3:
        raise Refused(730)
    if cipher != 3:
        raise Refused("not the strong kind")
    setting = first(members, 21, TYPE_U8)
    setting = 0 if setting is None else setting
    if setting > 2:
        raise Refused(601)
    total = first(members, 30, TYPE_U32)
    if entry is None or len(entry) < 2 or entry[1] != 1:
        raise Refused(320)
    version = entry[0]
    if (version, len(entry)) not in ((1, 37), (2, 41)):
        raise Refused(320)
    t, m, p = struct.unpack_from("<III", entry, 2)
    salt, prefix = entry[14:30], entry[30:37]
    if t == 0 or p == 0:
        raise Refused(320)
    if t > 16 or p > 16 or m > 2 * 1024 * 1024:
        raise Refused(732)
    if m < 8 * p:
        raise Refused(320)
    method, level, window_log = 0, 0, 0
    if version == 2:
        if entry[37] != 1:
            raise Refused(320)
        method, level, window_log = entry[38], entry[39], entry[40]
        if method == 0 and (level, window_log) != (0, 0):
            raise Refused(320)
        if method in (1, 2):
            if setting not in (1, 2) or total is None or not 1 <= level <= 22 or window_log < 10:
                raise Refused(320)
            if window_log > MAX_WINDOW_LOG:
                raise Refused(733)
        elif method != 0:
            raise Refused(320)
    region = data[header_size:header_size + 48]
    if len(region) < 48:
        raise Refused(731)
    key_check, digest = region[:32], region[32:]
    if hashlib.sha256(header_bytes + key_check).digest()[:16] != digest:
        raise Refused(730)
    master, payload_key, check_key = derive(password_bytes(password, version), salt, t, m, p)
    check = hmac.new(check_key, header_bytes, hashlib.sha256).digest()
    if values is not None:
        values.update(argon2id=master, payload_key=payload_key, check_key=check_key, key_check=check,
                      first_nonce=prefix + struct.pack(">I", 0) + b"\x00")
    if not hmac.compare_digest(check, key_check):
        raise Refused(711)
    plain = decrypt_chunks(data, header_size + 48, payload_key, prefix, header_bytes, values)
    if method in (1, 2):
        content = unzstd(plain, total, window_log)
    else:
        content = unframe(plain, setting)
    r = Reader(content)
    entries = []
    vtype, _, record = read_value(r, entries)
    if vtype != TYPE_LIST:
        raise Refused(311)
    if r.at != len(content):
        raise Refused(730)
    if method == 2:
        entries = [(members, data if data is None else restore_branches(data)) for members, data in entries]
    return {"version": version, "method": method, "level": level, "setting": setting}, record, entries


def decrypt_chunks(data, at, key, prefix, header_bytes, values):
    aead = AESGCM(key)
    out = bytearray()
    index = 0
    while True:
        if at + 4 > len(data):
            raise Refused(731)
        length = struct.unpack_from("<I", data, at)[0]
        if length > CHUNK:
            raise Refused(730)
        end = at + 4 + length + 16
        if end > len(data):
            raise Refused(731)
        last = length < CHUNK
        nonce = prefix + struct.pack(">I", index) + (b"\x01" if last else b"\x00")
        if values is not None and index == 0:
            values["first_nonce"] = nonce
        try:
            out += aead.decrypt(nonce, data[at + 4:end], header_bytes)
        except Exception:
            raise Refused(730)
        at, index = end, index + 1
        if last:
            if at != len(data):
                raise Refused(730)
            return bytes(out)


def unframe(plain, setting):
    r, out = Reader(plain), bytearray()
    while r.at < len(plain):
        flag, length = r.u8(), r.u32()
        if length >= 65536:
            raise Refused(600)
        block = r.take(length)
        if flag != 0 and setting != 0:
            try:
                block = zlib.decompress(block)
            except zlib.error:
                raise Refused(600)
        if not 0 < len(block) < 65536:
            raise Refused(600)
        out += block
    return bytes(out)


def restore_branches(data):
    """Coding 2: an executable's calls and jumps back to their displacements."""
    if data[:4] != b"\x7fELF" and data[:2] != b"MZ":
        return data
    b = bytearray(data)
    i = 0
    while i + 5 <= len(b):
        if b[i] not in (0xE8, 0xE9):
            i += 1
            continue
        if b[i + 4] in (0x00, 0xFF):
            w = (struct.unpack_from("<I", b, i + 1)[0] - (i + 5)) & 0xFFFFFFFF
            struct.pack_into("<I", b, i + 1, (w & 0xFFFFFF) | (0xFF000000 if w & 0x1000000 else 0))
        i += 5
    return bytes(b)


def unzstd(plain, total, window_log):
    if plain[:4] != b"\x28\xb5\x2f\xfd":
        raise Refused(600)
    frame = zstandard.get_frame_parameters(plain)
    if frame.dict_id != 0 or frame.window_size > (1 << window_log):
        raise Refused(733 if frame.window_size > (1 << window_log) else 600)
    reader = zstandard.ZstdDecompressor(max_window_size=1 << MAX_WINDOW_LOG).decompressobj()
    try:
        out = reader.decompress(plain)
    except zstandard.ZstdError:
        raise Refused(600)
    if not reader.eof or reader.unused_data or len(out) != total:
        raise Refused(600)
    return out


# --- The vectors -------------------------------------------------------------------
def listing(record, entries):
    """Lines "kind size sha256 path" in the package's order, then the message."""
    lines = []
    for members, content in entries:
        folder = members.get(201, b"").decode("cp1252")
        name = members.get(200, b"").decode("cp1252")
        if members.get(100, 0) == 1:
            lines.append("folder - - " + folder + name)
        else:
            lines.append("file %d %s %s" % (len(content), hashlib.sha256(content).hexdigest(), folder + name))
    message = first(record, 100, TYPE_TEXT)
    if message is not None:
        lines.append("message %d %s" % (len(message), hashlib.sha256(message).hexdigest()))
    return lines


def check_vectors(folder):
    manifest = (folder / "manifest.txt").read_text(encoding="utf-8").splitlines()
    failures, name, expected = 0, None, {}
    blocks = []
    for line in manifest:
        if line.startswith("#") or not line.strip():
            continue
        if line.startswith("package "):
            _, name, password = line.split(" ", 2)
            blocks.append([name, password, [], {}])
        elif line.startswith("value "):
            _, key, hex_value = line.split(" ", 2)
            blocks[-1][3][key] = bytes.fromhex(hex_value)
        else:
            blocks[-1][2].append(line.strip())
    for name, password, lines, wanted_values in blocks:
        values = {}
        try:
            _, record, entries = read_package((folder / name).read_bytes(), password, values)
            got = listing(record, entries)
        except Refused as refused:
            got = ["refused %s" % refused.args[0]]
        problems = []
        if got != lines:
            problems.append("read %s, the manifest says %s" % (got, lines))
        for key, value in wanted_values.items():
            if values.get(key) != value:
                problems.append("%s is %s, the manifest says %s" % (key, values.get(key, b"").hex(), value.hex()))
        print("%-28s %s" % (name, "ok" if not problems else "FAILED"))
        for problem in problems:
            print("    " + problem)
        failures += bool(problems)
    print("format: %d passed, %d failed" % (len(blocks) - failures, failures))
    return failures == 0


def main(argv):
    if len(argv) == 2 and Path(argv[1]).is_dir():
        return 0 if check_vectors(Path(argv[1])) else 1
    if len(argv) == 3:
        try:
            _, record, entries = read_package(Path(argv[1]).read_bytes(), argv[2])
        except Refused as refused:
            print("refused: code %s" % refused.args[0])
            return 1
        print("\n".join(listing(record, entries)))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
