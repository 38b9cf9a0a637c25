#!/usr/bin/env python3
# Installs the build into a temporary prefix and uses it as a new user would: the installed
# programs run from there with HOME and the XDG folders in a temporary folder, and must keep every
# file of the user's in those folders, none in the prefix. The desktop files are checked by the
# freedesktop validators when they are present.
import argparse
import gzip
import os
import re
import shutil
import stat
import struct
import subprocess
import sys

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message)
    return condition


def run(command, env=None, timeout=120):
    result = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout,
                            text=True)
    return result


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def listing(root):
    """Every file and folder below root with its size and modification time."""
    entries = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            entries[os.path.relpath(path, root)] = (st.st_size, st.st_mtime_ns)
    return entries


def set_writable(root, writable):
    for folder, dirs, files in os.walk(root):
        for path in [folder] + [os.path.join(folder, f) for f in files]:
            mode = os.lstat(path).st_mode
            if stat.S_ISLNK(mode):
                continue
            mode = mode | stat.S_IWUSR if writable else mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH)
            os.chmod(path, mode)


def man_text(path):
    with gzip.open(path, "rt") as f:
        text = f.read()
    # Undo roff escapes so options read as they are typed.
    return re.sub(r"\\f[BIRP]", "", text).replace("\\-", "-")


def validate(tool, args, what):
    exe = shutil.which(tool)
    if not exe:
        print("skipped: %s is not installed (%s)" % (tool, what))
        return
    r = run([exe] + args)
    check(r.returncode == 0, "%s rejects %s:\n%s%s" % (tool, what, r.stdout, r.stderr))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--app-id", required=True)
    args = parser.parse_args()

    work = os.path.abspath(args.workdir)
    if os.path.exists(work):
        set_writable(work, True)
        shutil.rmtree(work)
    prefix = os.path.join(work, "prefix")
    home = os.path.join(work, "home")
    app = args.app_id

    r = run([args.cmake, "--install", args.build, "--prefix", prefix])
    if not check(r.returncode == 0, "cmake --install failed:\n" + r.stdout + r.stderr):
        return 1

    # What the prefix must hold.
    share = os.path.join(prefix, "share")
    programs = ["corvantis", "kivra-project", "kivra-image"]
    for program in programs:
        path = os.path.join(prefix, "bin", program)
        check(os.path.isfile(path) and os.access(path, os.X_OK), "bin/%s is not installed" % program)
    desktop = os.path.join(share, "applications", app + ".desktop")
    metainfo = os.path.join(share, "metainfo", app + ".metainfo.xml")
    mime = os.path.join(share, "mime", "packages", "kivra-tesselwick.xml")
    svg = os.path.join(share, "icons", "hicolor", "scalable", "apps", app + ".svg")
    for path in (desktop, metainfo, mime, svg):
        check(os.path.isfile(path), os.path.relpath(path, prefix) + " is not installed")
    for size in (16, 22, 24, 32, 48, 64, 128, 256, 512):
        icon = os.path.join(share, "icons", "hicolor", "%dx%d" % (size, size), "apps", app + ".png")
        check(png_size(icon) == (size, size), "%s is not a %d x %d PNG" % (os.path.relpath(icon, prefix), size, size))
    demo = os.path.join(share, "kivra-tesselwick", "demo")
    for folder in ("Frame", "Portrait", "Background", "Mask", "Emotion", "BaseMap"):
        check(os.path.isdir(os.path.join(demo, folder)) and os.listdir(os.path.join(demo, folder)),
              "the demo content has no " + folder)
    with open(metainfo) as f:
        check('<release version="%s"' % args.version in f.read(), "the metainfo's release is not " + args.version)

    # The validators, when present.
    validate("desktop-file-validate", [desktop], "the desktop entry")
    validate("appstreamcli", ["validate", "--no-net", metainfo], "the AppStream metainfo")
    if shutil.which("update-mime-database"):
        mimedb = os.path.join(work, "mimeroot", "mime")
        os.makedirs(os.path.join(mimedb, "packages"))
        shutil.copy(mime, os.path.join(mimedb, "packages"))
        # A data folder of its own in the search path, so the tool has nothing to note but faults.
        r = run(["update-mime-database", mimedb],
                env=dict(os.environ, XDG_DATA_DIRS=os.path.dirname(mimedb), XDG_DATA_HOME=os.path.dirname(mimedb)))
        check(r.returncode == 0 and not r.stderr.strip(), "update-mime-database rejects the MIME package: " + r.stderr)
        globs = open(os.path.join(mimedb, "globs2")).read() if os.path.exists(os.path.join(mimedb, "globs2")) else ""
        check(":application/x-kivra-project:*.kivra" in globs, "*.kivra does not map to application/x-kivra-project")
    if shutil.which("rsvg-convert") and shutil.which("compare"):
        # The scalable icon is the same drawing as the PNGs.
        rendered = os.path.join(work, "svg256.png")
        png256 = os.path.join(share, "icons", "hicolor", "256x256", "apps", app + ".png")
        r = run(["rsvg-convert", "-w", "256", "-h", "256", "-o", rendered, svg])
        if check(r.returncode == 0, "rsvg-convert cannot draw the SVG icon: " + r.stderr):
            r = run(["compare", "-metric", "RMSE", png256, rendered, "null:"])
            m = re.search(r"\(([0-9.eE+-]+)\)", r.stderr)
            check(m and float(m.group(1)) < 0.03,
                  "the SVG icon differs from the 256 px PNG (RMSE %s)" % (m.group(1) if m else r.stderr))
    else:
        print("skipped: rsvg-convert or ImageMagick's compare is not installed (the SVG icon against the PNG)")

    # Manual pages: one per program, naming every option its --help names.
    for program in programs:
        page = os.path.join(share, "man", "man1", program + ".1.gz")
        if not check(os.path.isfile(page), "share/man/man1/%s.1.gz is not installed" % program):
            continue
        text = man_text(page)
        check(".TH " + program.upper() in text, program + ".1 is not a manual page")
        r = run([os.path.join(prefix, "bin", program), "--help"], env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        for option in sorted(set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", r.stdout))):
            check(option in text, "%s.1 does not describe %s" % (program, option))

    # The installed programs, run as a user whose home is a temporary folder. The prefix is made
    # read-only as a system prefix is for a normal user (root writes anyway: the listing checks).
    env = {
        "PATH": os.path.join(prefix, "bin") + ":/usr/bin:/bin",
        "HOME": home,
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
        "XDG_CACHE_HOME": os.path.join(home, ".cache"),
        "XDG_RUNTIME_DIR": os.path.join(home, "run"),
        "XDG_DATA_DIRS": share + ":/usr/local/share:/usr/share",
        "TMPDIR": os.path.join(home, "tmp"),
        "QT_QPA_PLATFORM": "offscreen",
        "LANG": "C.UTF-8",
    }
    for folder in ("XDG_RUNTIME_DIR", "TMPDIR"):
        os.makedirs(env[folder], mode=0o700)
    set_writable(prefix, False)
    before = listing(prefix)
    try:
        r = run(["corvantis", "--version"], env=env)
        check(r.returncode == 0 and r.stdout.strip() == "Kivra Tesselwick " + args.version,
              "corvantis --version said %r (exit %d)" % (r.stdout + r.stderr, r.returncode))

        screenshot = os.path.join(home, "main.png")
        r = run(["corvantis", "--test-camera", "--demo-content", "--screenshot", screenshot], env=env)
        check(r.returncode == 0, "corvantis --screenshot failed (exit %d):\n%s" % (r.returncode, r.stderr))
        check(png_size(screenshot) == (800, 600), "the screenshot is not an 800 x 600 PNG")
        module = os.path.join(env["XDG_DATA_HOME"], "Kivra Tesselwick")
        check(os.path.isfile(os.path.join(module, "KivraTesselwick.ini")),
              "the settings file is not in the user's data folder")
        check(os.path.isfile(os.path.join(env["XDG_CONFIG_HOME"], "Kivra Tesselwick", "General.ini")),
              "the per-user values are not in the user's configuration folder")
        frames = os.path.join(module, "Image", "Frame")
        check(os.path.isdir(frames) and sorted(os.listdir(frames)) == sorted(os.listdir(os.path.join(demo, "Frame"))),
              "--demo-content did not copy the installed demo frames")
        check(not os.path.exists(os.path.join(env["XDG_DATA_HOME"], "applications", app + ".desktop")),
              "the installed program wrote a second desktop entry")

        r = run(["corvantis", "--test-camera", "--self-test", "1"], env=env)
        check(r.returncode == 0, "corvantis --self-test 1 failed (exit %d):\n%s%s" % (r.returncode, r.stdout, r.stderr))
        shots = os.path.join(home, "Kivra Tesselwick", "Shots")
        taken = [f for _, _, files in os.walk(shots) for f in files]
        check(len(taken) > 0, "no shot was archived in ~/Kivra Tesselwick/Shots")
        session = os.path.join(module, "Session")
        check(os.path.isdir(session) and os.listdir(session), "the session was not saved in the user's data folder")

        for program in ("kivra-project", "kivra-image"):
            r = run([program, "--help"], env=env)
            check(r.returncode == 0 and r.stdout.startswith("Usage: " + program),
                  "%s --help failed (exit %d): %s" % (program, r.returncode, r.stdout + r.stderr))
            r = run([program, "--version"], env=env)
            check(r.returncode == 0 and r.stdout.strip().endswith(args.version),
                  "%s --version said %r" % (program, r.stdout + r.stderr))

        # A prefix the desktop does not read: the program registers itself, with the installed icon.
        env["XDG_DATA_DIRS"] = "/usr/local/share:/usr/share"
        r = run(["corvantis", "--test-camera", "--screenshot", os.path.join(home, "again.png")], env=env)
        check(r.returncode == 0, "corvantis failed from a prefix outside XDG_DATA_DIRS:\n" + r.stderr)
        entry = os.path.join(env["XDG_DATA_HOME"], "applications", app + ".desktop")
        if check(os.path.isfile(entry), "a program outside XDG_DATA_DIRS registered no desktop entry"):
            text = open(entry).read()
            check('Exec="%s" %%f' % os.path.join(prefix, "bin", "corvantis") in text, "the entry runs another program")
            check("Icon=" + svg in text, "the entry does not show the installed icon")
            validate("desktop-file-validate", [entry], "the registered desktop entry")

        check(listing(prefix) == before, "the programs changed files in the installation prefix")
    finally:
        set_writable(prefix, True)

    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    shutil.rmtree(work)
    print("the installed programs work from %s" % prefix)
    return 0


if __name__ == "__main__":
    sys.exit(main())
