#!/usr/bin/env bash
# The archives of one folder as the tools people use make them, for the end-to-end extraction
# scenario: Info-ZIP's zip (UTF-8 names without the flag), 7-Zip (flagged UTF-8), libarchive's
# bsdtar (a "./" entry and "./" before every name, flagged UTF-8 or, with hdrcharset, the OEM
# code page), Python's zipfile (zip64 headers, every entry streamed behind a data descriptor,
# one name in the OEM code page without the flag) and 7-Zip's Deflate64, which Kestrane refuses.
#   make_archives.sh FOLDER OUT_FOLDER OEM_CODE_PAGE OEM_NAME
set -euo pipefail
tree=$(realpath "$1") out=$(realpath "$2") oem=$3 oem_name=$4
for tool in zip 7z bsdtar /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "make_archives: $tool is missing: run scripts/setup" >&2; exit 1; }
done
cd "$tree"
zip -q -r "$out/zip.zip" .
7z a -tzip -bd -bso0 "$out/7z.zip" .
bsdtar --format zip -cf "$out/bsdtar.zip" .
bsdtar --format zip --options "zip:hdrcharset=CP$oem" -cf "$out/oem.zip" .
7z a -tzip -mm=Deflate64 -bd -bso0 "$out/deflate64.zip" .
/usr/bin/python3 - "$out/python.zip" "cp$oem" "$oem_name" <<'PY'
import os
import sys
import zipfile

path, codepage, oem_name = sys.argv[1:]


class OemNamed(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode(codepage), self.flag_bits & ~0x800


class Stream:
    """No seek and no tell: zipfile streams every entry behind a data descriptor."""

    def __init__(self, file):
        self.file = file

    def write(self, data):
        return self.file.write(data)

    def flush(self):
        self.file.flush()


with open(path, "wb") as file, zipfile.ZipFile(Stream(file), "w") as archive:
    archive.writestr("./", b"")
    for folder, folders, files in os.walk("."):
        folders.sort()
        for name in folders:
            archive.writestr(os.path.relpath(os.path.join(folder, name)) + "/", b"")
        for name in sorted(files):
            relative = os.path.relpath(os.path.join(folder, name))
            info = (OemNamed if relative == oem_name else zipfile.ZipInfo)(relative)
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(relative, "rb") as source, archive.open(info, "w", force_zip64=True) as entry:
                entry.write(source.read())
PY
