#!/usr/bin/env python3
"""Builds test archives and lists archives for the archive tests.

  zip_tool.py make LAYOUT.json OUT.zip build an archive from a JSON layout
  zip_tool.py list ARCHIVE.zip         print what Python's zipfile reads, as JSON
  zip_tool.py bad KIND DATABASE OUT.zip  build one kind of damaged archive
  zip_tool.py infozip LAYOUT.json OUT.zip  build an archive with the zip program, as a
                                       user's tool does: names as their bytes, its extra fields

Names are given and listed as hex so that any byte survives the trip.
"""
import hashlib
import json
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib
import os
import warnings

warnings.simplefilter("ignore")  # duplicate names are wanted


def entry_info(name, date_time=(2001, 2, 3, 4, 5, 6), method=zipfile.ZIP_DEFLATED, comment=b""):
    info = zipfile.ZipInfo(name, date_time=tuple(date_time))
    info.compress_type = method
    info.comment = comment
    info.external_attr = 0o100644 << 16
    return info


def make(layout_path, out):
    """Optional per entry: external_attr, create_system and extra_hex (whole extra fields)."""
    layout = json.load(open(layout_path))
    with zipfile.ZipFile(out, "w") as z:
        for e in layout["entries"]:
            data = open(e["source"], "rb").read() if "source" in e else e.get("text", "").encode()
            method = zipfile.ZIP_STORED if e.get("method") == "store" else zipfile.ZIP_DEFLATED
            info = entry_info(bytes.fromhex(e["name_hex"]).decode("utf-8", "surrogateescape"),
                              e.get("date_time", (2001, 2, 3, 4, 5, 6)), method, e.get("comment", "").encode())
            info.external_attr = e.get("external_attr", info.external_attr)
            info.create_system = e.get("create_system", info.create_system)
            info.extra = bytes.fromhex(e.get("extra_hex", ""))
            z.writestr(info, data)
        z.comment = layout.get("comment", "").encode()


def infozip(layout_path, out):
    """Each entry: name_hex, source or text, and optional mtime (seconds), mode, password, store.

    The zip program stores a name that is no UTF-8 as its bytes, without the UTF-8 flag, as a
    Japanese Windows tool stores code page 932, and adds its time and owner extra fields.
    """
    layout = json.load(open(layout_path))
    out = os.path.abspath(out)
    with tempfile.TemporaryDirectory() as d:
        for e in layout["entries"]:
            name = bytes.fromhex(e["name_hex"])
            path = os.path.join(d.encode(), name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            data = open(e["source"], "rb").read() if "source" in e else e.get("text", "").encode()
            open(path, "wb").write(data)
            os.chmod(path, e.get("mode", 0o644))
            if "mtime" in e:
                os.utime(path, (e["mtime"], e["mtime"]))
            options = [b"-q", b"-0"] if e.get("store") else [b"-q"]
            options += [b"-P", e["password"].encode()] if "password" in e else []
            subprocess.run([b"zip", *options, out.encode(), name], cwd=d, check=True)
        if layout.get("comment"):
            subprocess.run(["zip", "-q", "-z", out], input=layout["comment"].encode(), check=True)


def local_part(path, info):
    """An entry's local extra fields as hex, and the hash of its stored bytes, as they are in the file."""
    with open(path, "rb") as f:
        f.seek(info.header_offset + 26)
        name_length, extra_length = struct.unpack("<HH", f.read(4))
        f.seek(name_length, 1)
        extra = f.read(extra_length)
        return extra.hex(), hashlib.sha256(f.read(info.compress_size)).hexdigest()


def listing(path):
    with zipfile.ZipFile(path) as z:
        entries = []
        for info in z.infolist():
            entry = {
                "name_hex": info.orig_filename.encode("utf-8", "surrogateescape").hex()
                if info.flag_bits & 0x800 else info.orig_filename.encode("cp437").hex(),
                "comment_hex": info.comment.hex(),
                "date_time": list(info.date_time),
                "external_attr": info.external_attr,
                "compress_type": info.compress_type,
                "crc": info.CRC,
                "file_size": info.file_size,
                "compress_size": info.compress_size,
            }
            entry["create_system"] = info.create_system
            entry["flag_bits"] = info.flag_bits
            entry["extra_hex"] = info.extra.hex()
            entry["local_extra_hex"], entry["stored_sha256"] = local_part(path, info)
            try:
                entry["sha256"] = hashlib.sha256(z.read(info)).hexdigest()
            except Exception:  # encrypted, a wrong checksum, an unknown method
                entry["sha256"] = None
            entries.append(entry)
        try:
            tested = z.testzip()
        except Exception as error:
            tested = "error: " + str(error)
        print(json.dumps({"testzip": tested, "comment_hex": z.comment.hex(), "entries": entries}))


def patch(path, edit):
    data = bytearray(open(path, "rb").read())
    edit(data)
    open(path, "wb").write(data)


def central(data):
    return data.find(b"PK\x01\x02")


def zero_bomb(out, declared):
    """1 GiB of zeros as bomb.prc, whose headers say it inflates to declared bytes.

    One deflated MiB after a full flush starts afresh, so it is repeated as it is.
    """
    chunk = bytes(1 << 20)
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    segment = compressor.compress(chunk) + compressor.flush(zlib.Z_FULL_FLUSH)
    raw = segment * 1024 + zlib.compressobj(9, zlib.DEFLATED, -15).flush()
    crc = 0
    for _ in range(1024):
        crc = zlib.crc32(chunk, crc)
    name = b"bomb.prc"
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, 0, 0x2143, crc, len(raw), declared, len(name), 0) + name
    cd = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, 0, 0x2143, crc, len(raw), declared, len(name),
                     0, 0, 0, 0, 0, 0) + name
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(cd), len(local) + len(raw), 0)
    open(out, "wb").write(local + raw + cd + end)


def bad(kind, database, out):
    """An archive with one fault; app.prc is the faulty entry, other.prc a good one that converts."""
    if kind == "bomb":
        return zero_bomb(out, 1 << 30)
    if kind == "bomb-lie":
        return zero_bomb(out, 1000)
    db = open(database, "rb").read()
    if kind in ("encrypted", "encrypted-stored"):
        # Stored, the encrypted bytes are 12 more than the data their checksum is of.
        level = ["-0"] if kind == "encrypted-stored" else []
        with tempfile.TemporaryDirectory() as d:
            for name in ("app.prc", "other.prc"):
                open(os.path.join(d, name), "wb").write(db)
            subprocess.run(["zip", "-q", "-j", *level, "-P", "secret", out, os.path.join(d, "app.prc")], check=True)
            subprocess.run(["zip", "-q", "-j", out, os.path.join(d, "other.prc")], check=True)
        return
    with zipfile.ZipFile(out, "w") as z:
        if kind == "names":
            for name in ["../../up.prc", "/abs/root.prc", "back\\slash.prc", "ctl\x01\x1b[2J.prc"]:
                z.writestr(entry_info(name), db)
        else:
            method = zipfile.ZIP_STORED if kind == "crc-stored" else zipfile.ZIP_DEFLATED
            z.writestr(entry_info("app.prc", method=method), db)
            z.writestr(entry_info("other.prc", method=method), db)
            z.writestr(entry_info("readme.txt", method=method), b"read me\n")
    if kind == "truncated":
        patch(out, lambda d: d.__delitem__(slice(len(d) - 30, len(d))))
    elif kind == "brokencd":
        # The first central entry's offset of its local header points past the file.
        patch(out, lambda d: struct.pack_into("<I", d, central(d) + 42, len(d) + 1000))
    elif kind in ("crc", "crc-stored"):
        # The stored checksum of app.prc, in its local header and in the central directory.
        def flip(d):
            d[14] ^= 0xFF
            d[central(d) + 16] ^= 0xFF
        patch(out, flip)
    elif kind == "method":
        # Method 97 (WavPack), which no inflater here reads.
        def method(d):
            struct.pack_into("<H", d, 8, 97)
            struct.pack_into("<H", d, central(d) + 10, 97)
        patch(out, method)


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3])
    elif sys.argv[1] == "list":
        listing(sys.argv[2])
    elif sys.argv[1] == "infozip":
        infozip(sys.argv[2], sys.argv[3])
    elif sys.argv[1] == "bad":
        bad(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        sys.exit("unknown command " + sys.argv[1])
