#!/usr/bin/env python3
"""Installs the build into a temporary DESTDIR and checks what a desktop finds there: the
menu entry, the icons, the AppStream metainfo, the manual page and the program's data.
usage: check_install.py BUILD_DIR SOURCE_DIR APP_ID"""
import gzip, os, re, struct, subprocess, sys, tempfile, xml.etree.ElementTree as ET

build, source, app_id = sys.argv[1:4]
failures = []


def check(name, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + name + (f": {detail}" if detail and not ok else ""))
    if not ok:
        failures.append(name)


def run(*cmd, env=None):
    r = subprocess.run(cmd, capture_output=True, text=True, env=env)
    return r.returncode, r.stdout + r.stderr


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    return struct.unpack(">II", head[16:24]) if head[:8] == b"\x89PNG\r\n\x1a\n" else None


with tempfile.TemporaryDirectory() as dest:
    rc, out = run("cmake", "--install", build, "--prefix", "/usr", env=dict(os.environ, DESTDIR=dest))
    check("cmake --install", rc == 0, out)
    usr = os.path.join(dest, "usr")
    share = os.path.join(usr, "share")

    for rel in ["bin/tidewriter", "share/tidewriter/help/index.html", "share/tidewriter/template.htm",
                "share/tidewriter/layouts/frmPrintBible.ui", "share/tidewriter/layouts/frmPrintA5.ui",
                "share/icons/hicolor/scalable/apps/tidewriter.svg"]:
        check("installed " + rel, os.path.isfile(os.path.join(usr, rel)))

    for size in [16, 24, 32, 48, 64, 128, 256]:
        png = os.path.join(share, f"icons/hicolor/{size}x{size}/apps/tidewriter.png")
        check(f"icon {size}x{size}", os.path.isfile(png) and png_size(png) == (size, size))

    desktop = os.path.join(share, "applications", app_id + ".desktop")
    rc, out = run("desktop-file-validate", desktop)
    check("desktop-file-validate", rc == 0 and "error" not in out, out)
    entry = dict(l.split("=", 1) for l in open(desktop, encoding="utf-8").read().splitlines() if "=" in l)
    # The file manager passes the chosen log as the one argument the program reads as LOG.
    check("desktop Exec opens a file", entry.get("Exec") == "tidewriter %f", entry.get("Exec"))
    check("desktop MimeType is SQLite's", "application/vnd.sqlite3" in entry.get("MimeType", "").split(";"))
    check("desktop Icon is installed", entry.get("Icon") == "tidewriter")
    check("desktop Name[ja] and Comment[ja]", bool(entry.get("Name[ja]")) and bool(entry.get("Comment[ja]")))

    metainfo = os.path.join(share, "metainfo", app_id + ".metainfo.xml")
    rc, out = run("appstreamcli", "validate", "--no-net", metainfo)
    check("appstreamcli validate", rc == 0, out)
    root = ET.parse(metainfo).getroot()
    check("metainfo launches the desktop entry", root.findtext("launchable") == app_id + ".desktop")
    check("metainfo describes in Japanese", any(
        p.get("{http://www.w3.org/XML/1998/namespace}lang") == "ja" for p in root.iter("p")))

    # With a published docs/ folder the README's pictures are listed; each must exist.
    shots = os.path.join(dest, "shots.xml")
    rc, out = run("cmake", f"-DIN={source}/resources/desktop/metainfo.xml.in", f"-DOUT={shots}",
                  f"-DAPP_ID={app_id}", "-DVERSION=1", "-DSCREENSHOT_URL=https://tidewriter.test/docs/",
                  "-P", f"{source}/resources/desktop/metainfo.cmake")
    rc, out = run("appstreamcli", "validate", "--no-net", shots) if rc == 0 else (rc, out)
    check("appstreamcli validate with screenshots", rc == 0, out)
    images = [i.text for i in ET.parse(shots).getroot().iter("image")] if rc == 0 else []
    check("screenshots are the README's pictures", len(images) > 0 and all(
        re.fullmatch(r"https://tidewriter\.test/docs/[\w-]+\.png", i)
        and os.path.isfile(os.path.join(source, "docs", os.path.basename(i))) for i in images), images)

    # The manual page shows every usage line and option of --help, as the program prints them.
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    rc, help_text = run(os.path.join(usr, "bin/tidewriter"), "--help", env=env)
    check("installed tidewriter --help", rc == 0 and "tidewriter" in help_text, help_text)
    with gzip.open(os.path.join(share, "man/man1/tidewriter.1.gz"), "rt", encoding="utf-8") as f:
        source = f.read()
    r = subprocess.run(["groff", "-k", "-man", "-Tutf8", "-P-cbou", "-ww"], input=source, capture_output=True, text=True)
    page = r.stdout
    check("manual page formats without warnings", r.returncode == 0 and not r.stderr, r.stderr)
    flat = " ".join(page.replace("\u2212", "-").replace("\u2010", "-").split())
    usage = [l.split(":", 1)[-1].strip() for l in help_text.splitlines() if "tidewriter " in l and "--help を" not in l]
    options = re.findall(r"^  (--[a-z-]+(?: [A-Z,.ID]+)?)", help_text, re.M)
    for item in usage + options + ["tidewriter --help"]:
        check("manual page has: " + item, " ".join(item.split()) in flat)

print(f"{len(failures)} failed" if failures else "all install checks passed")
sys.exit(1 if failures else 0)
