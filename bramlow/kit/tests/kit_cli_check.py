#!/usr/bin/env python3
"""kit_cli_check.py BRAMLOW_KIT - bramlow-kit as a kit author meets it: what check prints and
its exit codes (0 clean, 1 errors, 2 unreadable kit or usage), and build refusing a kit with
errors or without its stub."""
import os
import stat
import subprocess
import sys
import tempfile

tool = sys.argv[1]
failures = []


def run(*args):
    done = subprocess.run([tool, *args], capture_output=True, text=True, errors="replace")
    return done.returncode, done.stdout, done.stderr


def expect(what, condition, detail=""):
    if not condition:
        failures.append(what + (": " + detail if detail else ""))


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text.encode("cp1252"))


with tempfile.TemporaryDirectory() as top:
    kit = os.path.join(top, "kit")
    language = "[language]\r\n" + "".join(
        "%d=Text %d%s\r\n" % (k, k, " of %s" if k in (4, 5, 8, 10, 12, 14, 17, 20, 21, 26, 27, 37, 38) else "")
        for k in range(1, 45))
    write(os.path.join(kit, "setup.qx1"),
          "[setup1]\r\nAppName=Tool\r\nDestFolder=%Program Files%\\Tool\r\nSourceFolder=%Installer%app\r\n")
    write(os.path.join(kit, "English.qxl"), language)
    for name in ("bramlow.exe", "setup.rtf", "setup.bmp", "app/readme.txt"):
        write(os.path.join(kit, name), "x")

    code, out, err = run("check", kit)
    expect("a clean kit ends with 0", code == 0, out + err)
    expect("a clean kit says so", out.strip().endswith(kit + ": 0 errors, 0 warnings"), out)

    write(os.path.join(kit, "setup.qx1"),
          "[setup1]\r\nAppName=Tool\r\nDestFolder=%Program Files%\\Tool\r\nSourceFolder=%Installer%app\r\n"
          "RegCount=1\r\n[Reg1]\r\nRoot=HKEY_LOCAL_MACHIN\r\nType=1\r\nData=12a\r\n")
    code, out, err = run("check", kit)
    lines = out.strip().splitlines()
    expect("errors end with 1", code == 1, out + err)
    expect("each finding as file:line: error: text",
           any(l.startswith(os.path.join(kit, "setup.qx1") + ":7: error: unknown registry root") for l in lines), out)
    expect("the type-1 value with its line",
           any(l.startswith(os.path.join(kit, "setup.qx1") + ":9: error: Data=12a") for l in lines), out)
    expect("the summary last", lines and lines[-1] == kit + ": 2 errors, 0 warnings", out)

    code, out, err = run("build", kit, "-o", os.path.join(top, "setup.exe"), "--stub", os.path.join(top, "none"))
    expect("a kit with errors is not built", code == 1 and "not built" in err, out + err)
    expect("and nothing is written", not os.path.exists(os.path.join(top, "setup.exe")))

    write(os.path.join(kit, "setup.qx1"), "[setup1]\r\nAppName=Tool\r\nDestFolder=C:\\Tool\r\n")
    code, out, err = run("build", kit, "-o", os.path.join(top, "setup.exe"), "--stub", os.path.join(top, "none"))
    expect("a build without its stub ends with 1", code == 1 and "stub" in err, out + err)

    # The program never goes into the kit, however the two are spelt, nor over anything but a file.
    os.symlink(kit, os.path.join(top, "kitlink"))
    os.mkfifo(os.path.join(top, "fifo.exe"))
    for cwd, args in ((kit, (".", "-o", "setup.exe")), (os.path.join(kit, "app"), ("..", "-o", "s.exe")),
                      (kit, ("../kit", "-o", "./app/x.exe")), (top, ("kitlink", "-o", "kit/setup.exe")),
                      (top, ("kit", "-o", "fifo.exe"))):
        done = subprocess.run([tool, "build", *args, "--stub", os.path.join(top, "none")], cwd=cwd,
                              capture_output=True, text=True, errors="replace")
        expect("refused before the stub is looked for: %r" % (args,),
               done.returncode == 1 and "not built" in done.stderr and "stub" not in done.stderr,
               done.stdout + done.stderr)
    expect("nothing written into the kit", not os.path.exists(os.path.join(kit, "setup.exe")))
    expect("the pipe is kept", stat.S_ISFIFO(os.lstat(os.path.join(top, "fifo.exe")).st_mode))

    code, out, err = run("check", os.path.join(top, "missing"))
    expect("no kit folder ends with 2", code == 2, out + err)
    os.remove(os.path.join(kit, "setup.qx1"))
    code, out, err = run("check", kit)
    expect("no script ends with 2", code == 2 and "setup.qx1" in err, out + err)
    for args in ((), ("check",), ("build", kit), ("check", kit, "-o", "x.exe"), ("frobnicate", kit),
                 ("build", kit, "-o", "a.exe", "-o", "b.exe"), ("build", kit, "-o", "a.exe", "--codepage", "abc"),
                 ("build", kit, "-o", "a.exe", "--codepage", "99999"), ("check", kit, "--codepage", "")):
        code, out, err = run(*args)
        expect("usage ends with 2: %r" % (args,), code == 2 and "usage" in err, out + err)

for f in failures:
    print("FAILED: " + f)
sys.exit(1 if failures else 0)
