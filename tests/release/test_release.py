"""The download for Windows users, as scripts/release makes it.

One release is built from the sources. The executable the suites tested
(PELORIN_PRODUCT_EXE, another build of the same sources in another tree at
another time) is then packed a second time: the two zips must be the same
bytes. Where this tree does not hold that executable, the release is built
twice instead.
"""

import calendar
import hashlib
import os
import re
import shutil
import struct
import subprocess
import unittest
import zipfile

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK = os.environ.get("PELORIN_RELEASE_WORK") or os.path.join(REPO, "build", "release-check")
CONTENTS = ["LICENSE.txt", "Pelorin.exe", "README.txt", "SHA256SUMS.txt", "THIRD-PARTY.txt"]
# Images the executable may import: Windows' own. A runtime DLL of the
# compiler among them would be missing on the user's machine.
SYSTEM_DLLS = {"comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll",
               "shell32.dll", "user32.dll", "version.dll", "comctl32.dll", "advapi32.dll"}


def release(out, *args, build=None):
    env = dict(os.environ)
    if build:
        env["PELORIN_RELEASE_BUILD"] = build
    run = subprocess.run([os.path.join(REPO, "scripts", "release"), "--out", out, *args], env=env,
                         stdout=subprocess.PIPE, text=True, timeout=900)
    if run.returncode != 0:
        raise AssertionError(f"scripts/release {' '.join(args)} failed ({run.returncode})")
    lines = run.stdout.splitlines()
    if not lines:
        raise AssertionError("scripts/release printed nothing on its standard output")
    return lines[-1]


def version_string(image, key):
    """A value of the version resource's string table, found by its UTF-16 key
    (the key, its terminator, padding to four bytes, then the value)."""
    k = (key + "\0").encode("utf-16-le")
    m = re.search(re.escape(k) + rb"(?:\0\0)?((?:[^\0].|\0[^\0])*?)\0\0", image, re.S)
    return m.group(1).decode("utf-16-le") if m else None


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        cls.zip_path = release(os.path.join(WORK, "first"), build=os.path.join(WORK, "b"))
        product = os.environ.get("PELORIN_PRODUCT_EXE")
        if product and os.path.isfile(product):
            cls.second = release(os.path.join(WORK, "second"), "--exe", product)
        else:
            cls.second = release(os.path.join(WORK, "second"), build=os.path.join(WORK, "another-build"))
        with zipfile.ZipFile(cls.zip_path) as z:
            cls.infos = z.infolist()
            cls.files = {i.filename: z.read(i) for i in cls.infos}

    def test_its_last_line_names_the_zip_of_the_version_the_executable_carries(self):
        name = os.path.basename(self.zip_path)
        m = re.fullmatch(r"Pelorin-(\d+\.\d+\.\d+\.\d+)-win32\.zip", name)
        self.assertIsNotNone(m, name)
        self.assertTrue(os.path.isfile(self.zip_path))
        exe = self.files["Pelorin.exe"]
        self.assertEqual(version_string(exe, "FileVersion"), m.group(1))
        self.assertEqual(version_string(exe, "ProductName"), "Pelorin")
        self.assertIn(m.group(1), self.files["README.txt"].decode("utf-8-sig"))

    def test_the_zip_holds_its_files_in_order_with_one_date_and_their_checksums(self):
        self.assertEqual([i.filename for i in self.infos], CONTENTS)
        commit_time = int(subprocess.check_output(["git", "-C", REPO, "log", "-1", "--format=%ct"], text=True))
        dates = {i.date_time for i in self.infos}
        self.assertEqual(len(dates), 1, dates)
        self.assertLessEqual(abs(calendar.timegm(dates.pop() + (0, 0, 0)) - commit_time), 2)
        sums = self.files["SHA256SUMS.txt"].decode("ascii").split("\r\n")
        self.assertEqual(sums[-1], "")
        listed = dict(reversed(line.split("  ", 1)) for line in sums[:-1])
        self.assertEqual(sorted(listed), [n for n in CONTENTS if n != "SHA256SUMS.txt"])
        for name, digest in listed.items():
            self.assertEqual(hashlib.sha256(self.files[name]).hexdigest(), digest, name)

    def test_the_texts_are_for_windows_and_say_what_they_should(self):
        licence = self.files["LICENSE.txt"].decode("ascii")
        self.assertIn("MIT License", licence)
        self.assertIn("Copyright (c) 2026 the Pelorin developers", licence)
        guide = self.files["README.txt"]
        # Notepad reads UTF-8 as such only with the byte order mark everywhere.
        self.assertTrue(guide.startswith(b"\xef\xbb\xbf"))
        for name in ("LICENSE.txt", "README.txt", "THIRD-PARTY.txt"):
            self.assertNotRegex(self.files[name], rb"(?<!\r)\n", f"{name} has a bare line feed")
        guide = guide.decode("utf-8-sig")
        for words in ("再生できる形式", "What plays", "LAV Filters", "Pelorin.exe ファイル [左 上 [幅 高さ]]",
                      "Pelorin.exe file [left top [width height]]", "GCC Runtime Library Exception"):
            self.assertIn(words, guide)
        third = self.files["THIRD-PARTY.txt"].decode("utf-8-sig")
        self.assertIn("GCC RUNTIME LIBRARY EXCEPTION", third)
        self.assertIn("winpthreads", third)

    def test_the_executable_is_the_self_contained_32_bit_product_without_a_time_stamp(self):
        exe = self.files["Pelorin.exe"]
        self.assertEqual(exe[:2], b"MZ")
        pe = struct.unpack_from("<I", exe, 0x3C)[0]
        self.assertEqual(exe[pe:pe + 4], b"PE\0\0")
        machine, _, stamp = struct.unpack_from("<HHI", exe, pe + 4)
        self.assertEqual(machine, 0x14C, "not an i386 image")
        self.assertEqual(stamp, 0, "the link time is in the header")
        magic = struct.unpack_from("<H", exe, pe + 24)[0]
        subsystem = struct.unpack_from("<H", exe, pe + 24 + 68)[0]
        self.assertEqual(magic, 0x10B, "not PE32")
        self.assertEqual(subsystem, 2, "not a GUI program")
        path = os.path.join(WORK, "Pelorin.exe")
        with open(path, "wb") as f:
            f.write(exe)
        dump = subprocess.check_output(["i686-w64-mingw32-objdump", "-p", path]).decode("latin-1")
        dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)}
        self.assertTrue(dlls, "no imports read")
        self.assertLessEqual(dlls, SYSTEM_DLLS)

    def test_a_second_build_gives_the_same_bytes(self):
        with open(self.zip_path, "rb") as a, open(self.second, "rb") as b:
            first, second = a.read(), b.read()
        if first != second:
            with zipfile.ZipFile(self.second) as z:
                differ = [i.filename for i in z.infolist() if z.read(i) != self.files.get(i.filename)]
            self.fail(f"the zips differ; in them: {differ or 'only the zip itself'}")


if __name__ == "__main__":
    unittest.main()
