#!/usr/bin/env python3
"""Runs kvzip over every archive of the shared ZIP corpus (archives written by other ZIP
implementations) and checks, for each one:
  - kvzip ends normally (no crash, no hang) whatever the bytes;
  - nothing is written outside the extraction folder;
  - where the reference readers accept the archive, every member of a method the engine
    supports comes out under its name (UTF-8 where flagged so, else the code-page rule) with
    the size and CRC-32 the archive lists, and kvzip exits 0;
  - a damaged archive (no reference reader accepts it, or it is listed below as one whose
    records disagree) makes kvzip report and exit 1: damage is never passed off as success.
Usage: corpus_check.py KVZIP CORPUS_DIR
Prints 'N passed, N failed' at the end; exit status 1 on any failure."""
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile
import zlib

SUPPORTED = {0, 1, 2, 3, 4, 5, 6, 8, 9}

# Archives the reference readers accept where the engine's rules give another result on
# purpose. Each entry says why.
EXPECTED_DIFFERENT = {
    # Compressed sizes in the central header larger than the data: the decoder reads on into
    # the next records; the reader takes sizes from the central header.
    "libzip/incons-central-compsize-larger.zip": "sizes from the central header",
    "libzip/incons-central-compsize-larger-toolarge.zip": "sizes from the central header",
    # The comment holds a complete second archive: the last end record wins, so the inner
    # archive's directory is read against the outer file's offsets.
    "libzip/zip-in-archive-comment.zip": "last end record wins",
    # Zip64 extra claims a size the data cannot have; the CRC check reports it.
    "libzip/incons-zip64-checkcons-overflow.zip": "Zip64 size taken as stored",
    # Local header CRC differs from the central one: the local value is checked when it is
    # not 0, so the reference listing (central CRC) is not what the engine compares.
    "libzip/incons-local-crc.zip": "CRC from the local header",
    # Sizes in the central header differ from the data (uncompressed size 256, the stream
    # holds more): only the listed size is decoded and the CRC check reports it.
    "dotnet/badzipfiles_tttt.zip": "size from the central header",
    # The local header holds another name than the central one; the output file is named
    # after the local header ("outrageous local filename.txt").
    "dotnet/StrangeZipFiles_filenameTimeAndSizesDifferentInLH.zip": "name from the local header",
    "libzip/incons-local-filename.zip": "name from the local header",
    "libzip/incons-local-filename-missing.zip": "name from the local header",
    # The local CRC differs from the central one and is the one checked (it is not 0).
    "libzip/incons-central-crc.zip": "CRC from the local header",
    # The central header lists 32 bytes, the data holds 1: that byte is what comes out.
    "libzip/incons-central-size-larger.zip": "data shorter than listed",
    # A member whose local header lacks its signature is skipped ("Bad file header").
    "libzip/incons-local-magic-bad.zip": "bad local signature",
    "dotnet/badzipfiles_localFileHeaderSignatureWrong.zip": "bad local signature",
    # External attributes 0xFFFF in the low word carry the folder bit: taken as a folder.
    "libzip/testfile-ef.zip": "folder bit in the attributes",
    # The comment holds Zip64 end records of another archive: the last end record wins and
    # its directory is not where it says, so the local headers are walked instead.
    "libzip/zip64-in-archive-comment.zip": "last end record wins",
    # The last part of a split archive: spanned archives are not read.
    "sharpcompress/Infozip.nocomp.multi.zip": "spanned archive",
}


# Archives the reference readers accept although their records disagree with each other or
# with their data: the engine reads what it can and reports the rest.
DAMAGED = {
    "dotnet/badzipfiles_nameSlashedAndNonzero.zip": "a folder entry that holds data",
    "libzip/incons-file-count-low.zip": "the end record lists fewer entries than the directory holds",
    "libzip/incons-file-count-overflow.zip": "the Zip64 end record lists an impossible count",
    "libzip/incons-central-file-comment-longer.zip": "a comment length that runs past the directory",
    "libzip/incons-central-compsize-smaller.zip": "the compressed size is smaller than the data",
    "commons-compress/COMPRESS-227.zip": "two directory entries for one local header",
    "libzip/incons-local-compsize-larger.zip": "local and central sizes differ",
    "libzip/incons-local-compsize-smaller.zip": "local and central sizes differ",
    "libzip/incons-local-size-larger.zip": "local and central sizes differ",
    "libzip/incons-streamed.zip": "the data descriptor differs from the directory",
    "libzip/incons-streamed-2.zip": "the data descriptor differs from the directory",
    "libzip/incons-trailing-garbage.zip": "the data descriptor differs from the directory",
    "zip2/invalid_cde_number_of_files_allocation_smaller_offset.zip": "end records that place no directory",
    "libzip/incons-central-compression-method.zip": "local and central headers name different methods",
    "libzip/incons-local-compression-method.zip": "local and central headers name different methods",
    "libzip/incons-ef-local-id-size.zip": "a local extra item runs past its field",
    "sharpcompress/Zip.badlocalextra.zip": "a local extra item runs past its field",
    "commons-compress/archive_with_bytes_after_data.zip": "deflate streams end before their stated compressed size",
    "libzip/incons-ef-local-dupe-zip64-v1.zip": "the local Zip64 item gives other sizes than the directory",
    "libzip/incons-eocd64.zip": "the end record and the Zip64 end record differ",
    "dotnet/badzipfiles_EOCDmissing.zip": "no end record: members read from their local headers",
    "libzip/incons-eocd-magic-bad.zip": "no end record: members read from their local headers",
    "libzip/testfile-truncated.zip": "no end record: members read from their local headers",
    "libzip/incons-ef-central-size-wrong.zip": "a central extra item runs past its field",
    "zip2/extended_timestamp_bad.zip": "a central extra item runs past its field",
    "libzip/incons-eocd64-gap.zip": "the Zip64 end record's size leaves a gap before its locator",
}

DEVICES = {b"CON", b"PRN", b"AUX", b"NUL", b"CONIN$", b"CONOUT$", b"CLOCK$"}


def windows_unsafe(part):
    """A component Windows would write as another file: a device name, a trailing dot or space."""
    if part in (b"", b"."):
        return False
    if part.endswith(b".") or part.endswith(b" "):
        return True
    stem = part.split(b".")[0].rstrip(b" ").upper()
    return stem in DEVICES or (len(stem) == 4 and stem[:3] in (b"COM", b"LPT") and stem[3:4].isdigit())


# Archives no reference reader here accepts that the engine reads whole and right (their
# members' CRC-32s agree), so no report is due.
READ_CLEANLY = {
    # Reduce (methods 2-5): no reader here decodes it; the stored CRC-32s are the check.
    "sharpcompress/Zip.reduce1.zip": "reduce",
    "sharpcompress/Zip.reduce2.zip": "reduce",
    "sharpcompress/Zip.reduce3.zip": "reduce",
    "sharpcompress/Zip.reduce4.zip": "reduce",
    "zip2/legacy_reduce.zip": "reduce",
    # Data put in front of the archive, as a self-extractor has: the directory's own
    # position gives the shift, and every member is found through it.
    "commons-compress/COMPRESS-621.zip": "data before the archive",
    "libzip/junk-at-start.zip": "data before the archive",
    "zip2/zip64_demo.zip": "data before the archive",
}


def refused(path):
    """Stored names the engine does not write on purpose: they would leave the extraction
    folder, are cut short by a NUL, name a drive or stream (":"), cannot be a file, or would
    make Windows write another file than the one named."""
    parts = path.split(b"/")
    return (path.startswith(b"/") or b".." in parts or b":" in path or b"\0" in path
            or parts[-1] == b"" or any(len(p) > 255 for p in parts) or any(windows_unsafe(p) for p in parts))


def ok(verdict):
    return verdict.startswith("0 ")


def expected_path(info):
    """The member's path as the native build writes it: a name flagged UTF-8 stays UTF-8; any
    other name is taken as OEM (866) and written in ANSI (1251), as Windows does for this
    audience."""
    if info.flag_bits & 0x800:
        text = info.filename.encode("utf-8")
    else:
        text = info.orig_filename.encode("cp437", "replace").decode("cp866").encode("cp1251", "replace")
    return text.replace(b"\\", b"/")


def check_archive(kvzip, archive, verdicts, failures):
    rel = os.path.relpath(archive, corpus)
    with tempfile.TemporaryDirectory() as tmp:
        tmp = os.fsencode(tmp)
        deep = os.path.join(tmp, b"a", b"b", b"c")
        os.makedirs(deep)
        copy = os.path.join(deep, b"archive.zip")
        shutil.copyfile(archive, copy)
        out = os.path.join(deep, b"out")
        try:
            run = subprocess.run([kvzip, b"x", copy, out], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 timeout=120)
        except subprocess.TimeoutExpired:
            failures.append(f"{rel}: kvzip hung")
            return
        if run.returncode not in (0, 1):
            failures.append(f"{rel}: kvzip ended with {run.returncode}: {run.stderr[-300:]!r}")
            return
        for root, dirs, files in os.walk(tmp):
            for f in files:
                p = os.path.join(root, f)
                if p != copy and not p.startswith(out + b"/"):
                    failures.append(f"{rel}: wrote outside the extraction folder: {p!r}")
        v = verdicts.get(os.path.basename(rel))
        accepted = v and (ok(v["unzip_t"]) or ok(v["7z_t"]) or ok(v["unar_lsar_t"]))
        damaged = (v and not accepted) or rel in DAMAGED
        if damaged and rel not in READ_CLEANLY and (run.returncode != 1 or not run.stderr):
            failures.append(f"{rel}: damaged, but kvzip reported nothing (exit {run.returncode})")
        if not accepted or rel in EXPECTED_DIFFERENT or rel in DAMAGED:
            return
        try:
            infos = zipfile.ZipFile(archive).infolist()
        except Exception:
            return
        # A member naming a file an earlier member of the run wrote is reported and left out:
        # the first one is what comes out.
        first = {}
        clean = True
        for i in infos:
            path = expected_path(i)
            if path in first and not (i.filename.endswith("/") or i.filename.endswith("\\")):
                clean = False
            first.setdefault(path, i)
        for path, info in first.items():
            if info.filename.endswith("/") or info.filename.endswith("\\") or info.flag_bits & 1 or info.compress_type not in SUPPORTED:
                clean = clean and not (info.flag_bits & 1 or info.compress_type not in SUPPORTED)
                continue
            if refused(path):
                clean = False  # reported, not written
                continue
            target = os.path.join(out, path)
            if not os.path.isfile(target):
                failures.append(f"{rel}: {path[:60]!r} not extracted")
                continue
            data = open(target, "rb").read()
            if len(data) != info.file_size or zlib.crc32(data) != info.CRC:
                failures.append(f"{rel}: {path[:60]!r} differs ({len(data)} bytes, crc {zlib.crc32(data):08x};"
                                f" listed {info.file_size}, {info.CRC:08x})")
        if clean and run.returncode != 0:
            failures.append(f"{rel}: kvzip reported problems: {run.stderr[:200]!r}")


def read_verdicts(folder):
    rows = {}
    with open(os.path.join(folder, "VERDICTS.tsv"), encoding="utf-8") as f:
        head = f.readline().rstrip("\n").split("\t")
        for line in f:
            cells = line.rstrip("\n").split("\t")
            rows[cells[0]] = dict(zip(head, cells))
    return rows


if __name__ == "__main__":
    kvzip = os.fsencode(os.path.abspath(sys.argv[1]))
    corpus = sys.argv[2]
    if not os.path.isdir(corpus):
        print(f"corpus not found at {corpus}: skipped")
        sys.exit(0)
    passed = failed = 0
    for folder in sorted(os.listdir(corpus)):
        full = os.path.join(corpus, folder)
        if not os.path.isdir(full):
            continue
        verdicts = read_verdicts(full)
        for name in sorted(os.listdir(full)):
            if name.endswith(".tsv") or os.path.isdir(os.path.join(full, name)):
                continue
            failures = []
            check_archive(kvzip, os.path.join(full, name), verdicts, failures)
            if failures:
                failed += 1
                for f in failures:
                    print("FAIL", f)
            else:
                passed += 1
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
