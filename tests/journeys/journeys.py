"""The user's journeys through the real booth: each one a CTest test "Journey.<name>".

Run one: dbus-run-session -- python3 journeys.py NAME --corvantis PATH [--cups-helper PATH] [--workdir DIR]
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from booth_session import (Booth, Cups, Desktop, JourneyError, differs, log, wait_until,  # noqa: E402
                           write_settings)
from PIL import Image  # noqa: E402
import pyatspi  # noqa: E402

MAIN = Booth.TITLE
WORKBENCH = "Filter workbench"
# Workbench buttons that open the effect dialog, and the window title each gives it.
EFFECT_BUTTONS = ["Mosaic", "Rotate_Angle", "Emboss", "Sharpen", "Soften", "Windy", "Stripe", "Circletransform",
                  "Addnoise", "Selective Blur", "Brightness Contrast", "Hue Saturation", "Adjust_RGB"]
CLOSERS = ["ok", "cancel", "escape", "close"]

JOURNEYS = {}


def journey(fn):
    JOURNEYS[fn.__name__] = fn
    return fn


def expect(condition, what):
    if not condition:
        raise JourneyError(what)


# ---- helpers over the booth ----

def project_records(path):
    """The records of a project file: the settings text, then the slot pictures as PIL images."""
    with open(path, "rb") as f:
        data = f.read()
    records, offset = [], 0
    while offset + 4 <= len(data):
        (n,) = struct.unpack_from("<I", data, offset)
        records.append(data[offset + 4: offset + 4 + n])
        offset += 4 + n
    return records


def bmp(record):
    import io
    return Image.open(io.BytesIO(record)).convert("RGB")


def new_window(booth, known, timeout=8):
    """Waits for a window whose title is not in known (the active one when several); returns it.
    Inside the kiosk view dialogs are not windows of their own, so none of them is active."""
    def found():
        fresh = [w for w in booth.windows() if w.name not in known]
        return fresh[-1] if fresh else None
    window = wait_until(found, timeout, "a new window over %s (shown: %s)" % (known, booth.window_titles()))
    return settled(booth, window)


def settled(booth, window, timeout=5):
    """The window once it stopped moving (being placed and mapped), so clicks land on it."""
    last = [None]

    def still():
        where = booth.extents(window)
        same = where == last[0] and where[2] > 0
        last[0] = where
        return same
    wait_until(still, timeout, "the window \"%s\" to settle" % window.name, interval=0.15)
    check_knows_its_place(booth, window)
    return window


def check_knows_its_place(booth, window):
    """A window of its own must know where the window manager put it: popups, centring and
    clicks all go by that. (Dialogs inside the kiosk view are no windows of their own.)"""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % re.escape(window.name)],
                           capture_output=True, text=True).stdout.split()
    if len(found) != 1:
        return
    info = subprocess.run(["xwininfo", "-id", found[0]], capture_output=True, text=True).stdout
    absolute = {}
    for line in info.splitlines():
        if "Absolute upper-left" in line:
            absolute[line.split("upper-left")[1].split(":")[0].strip()] = int(line.split(":")[1])
    extents = subprocess.run(["xprop", "-id", found[0], "_NET_FRAME_EXTENTS"], capture_output=True,
                             text=True).stdout
    left, top = 0, 0
    if "=" in extents:
        parts = [int(v) for v in extents.split("=")[1].split(",")]
        left, top = parts[0], parts[2]
    x, y, w, h = booth.extents(window)
    real = (absolute.get("X", x), absolute.get("Y", y))
    # A window names the place of its client area or, with a frame, of its frame.
    places = [real, (real[0] - left, real[1] - top)]
    expect(any(abs(px - x) <= 2 and abs(py - y) <= 2 for px, py in places),
           "\"%s\" believes it is at (%d, %d) but the window manager put it at (%d, %d)"
           % (window.name, x, y, real[0], real[1]))


def close_dialog(booth, window, how, attempts=3):
    """Closes a dialog as a person would: OK, Cancel, Esc or its close box; a click that lands
    while the dialog is still being shown is simply made again."""
    title = window.name
    for attempt in range(attempts):
        if how == "escape":
            booth.key("Escape")
        else:
            if how == "ok":
                names = [n for n in ("OK", "Ok", "O k") if booth.find_all(n, "push button", window)]
                expect(names, "no OK button in %s" % title)
                target = booth.find(names[0], "push button", window)
            elif how == "cancel":
                target = booth.find("Cancel", "push button", window)
            else:
                boxes = booth.find_all(role="push button", within=window,
                                       predicate=lambda n: n.name.startswith("Close"))
                expect(boxes, "no close box in %s" % title)
                target = boxes[0]
            x, y, w, h = booth.extents(target)
            booth.click_at(x + w // 2, y + h // 2)
        try:
            booth.wait_gone(title, timeout=4)
            return
        except JourneyError:
            if attempt == attempts - 1:
                raise


def stable_grab(booth, node, timeout=5):
    """The node's pixels once they stopped changing (a preview being recomputed)."""
    last = [booth.grab(node)]

    def still():
        time.sleep(0.25)
        now = booth.grab(node)
        same = not differs(now, last[0], 0)
        last[0] = now
        return same
    wait_until(still, timeout, "the picture to settle")
    return last[0]


def main_responds(booth):
    """The main screen takes a click: About opens its box, Enter closes it."""
    booth.wait_window(MAIN)
    booth.click("About", within=booth.window(MAIN))
    about = booth.wait_window("About")
    booth.key("Return")
    booth.wait_gone(about.name)
    booth.wait_window(MAIN)


def start_booth(desktop, corvantis, home, args=(), env=None, name="booth", settings=None):
    if settings:
        write_settings(home, settings)
    booth = Booth(desktop, corvantis, home, ["--test-camera", "--demo-content"] + list(args), env, name).start()
    booth.wait_ready()
    check_knows_its_place(booth, booth.window(MAIN))
    return booth


def camera_on(booth):
    main = booth.window(MAIN)
    booth.click("Camera on / off", within=main)
    wait_until(lambda: booth.find_all("Live picture", within=booth.window(MAIN)), 10, "the live picture")


def press_shoot(booth, via_key=None, timeout=15):
    """Presses Shoot (or the shoot key) until the countdown shows: a press while the last shot is
    still being stored is ignored, as it should be, and a person would simply press again."""
    def started():
        if via_key:
            booth.key(via_key)
        else:
            booth.click("Shoot", within=booth.window(MAIN))
        try:
            wait_until(lambda: booth.find_all("Countdown", within=booth.window(MAIN)), 2, "the countdown")
            return True
        except JourneyError:
            return False
    wait_until(started, timeout, "a shot to start", interval=0.5)


def shoot(booth, expect_used, via_key=None, timeout=20):
    before = len(booth.used_slots())
    press_shoot(booth, via_key)
    wait_until(lambda: len(booth.used_slots()) >= expect_used, timeout,
               "slot %d to hold the shot (used before: %d)" % (expect_used, before))


def open_workbench_on_a_photo(ctx, args=(), scale=1.0, settings=None):
    """A booth with the first portrait in slot 1, opened in the workbench by a double click:
    (booth, slot, the slot's pixels before, workbench, its picture)."""
    booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home, args, settings=settings)
    booth.scale = scale
    booth.click("Use this picture", within=booth.window(MAIN))
    wait_until(lambda: booth.used_slots() == ["Slot 1 of 13"], 5, "the photo in slot 1")
    slot = booth.find("Slot 1 of 13")
    original = booth.grab(slot)
    booth.click("Slot 1 of 13", role="filler", double=True)
    bench = booth.wait_window(WORKBENCH)
    return booth, slot, original, bench, booth.find("Picture", within=bench)


# ---- the journeys ----

@journey
def FirstStartShootsUntilTheSheetIsFull(ctx):
    """First start, camera on, shoot until the sheet is full: 4 slots, then 7 with the 4 carried."""
    booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home, settings={"ShottingDelay": 1})
    main = booth.window(MAIN)
    expect(booth.slot_count() == 13, "a first start shows the 13-slot layout")
    booth.click("Layout with 4 pictures", within=main)
    wait_until(lambda: booth.slot_count() == 4, 5, "the 4-slot layout")
    camera_on(booth)
    empty = booth.grab(booth.find("Slot 4 of 4"))
    for n in range(1, 5):
        # The countdown shows while the shot is pending.
        press_shoot(booth)
        wait_until(lambda: len(booth.used_slots()) == n, 20, "shot %d in its slot" % n)
    expect(differs(empty, booth.grab(booth.find("Slot 4 of 4"))), "the last slot shows its shot")
    booth.click("Layout with 7 pictures", within=booth.window(MAIN))
    wait_until(lambda: booth.slot_count() == 7, 5, "the 7-slot layout")
    expect(len(booth.used_slots()) == 4, "the four shots are carried into the new layout")
    for n in range(5, 8):
        shoot(booth, n)
    expect(len(booth.used_slots()) == 7, "the sheet is full")
    main_responds(booth)


@journey
def EveryWorkbenchDialogReturnsToTheWorkbench(ctx):
    """Every workbench button that opens a dialog, closed with OK, Cancel, Esc and its close box:
    the workbench and then the main screen take input, and the slot gets exactly the confirmed edits."""
    booth, slot, original, bench, picture = open_workbench_on_a_photo(ctx)
    # A direct operation first, so the picture differs from the slot's whatever the dialogs do.
    plain = booth.grab(picture)
    booth.click("Negative", within=bench)
    wait_until(lambda: differs(plain, booth.grab(picture)), 5, "the negative picture")
    for button in EFFECT_BUTTONS + ["Add decoration"]:
        for how in CLOSERS:
            before = booth.grab(picture)
            booth.click(button, within=booth.window(WORKBENCH))
            dialog = new_window(booth, (MAIN, WORKBENCH))
            expected = None
            if how == "ok" and booth.find_all("Preview", within=dialog):
                # The first slider moved by a click three quarters along it, as a person would.
                sliders = booth.find_all(role="slider", within=dialog)
                if sliders:
                    x, y, w, h = booth.extents(sliders[0])
                    booth.click_at(x + w * 3 // 4, y + h // 2)
                expected = stable_grab(booth, booth.find("Preview", within=dialog))
            close_dialog(booth, dialog, how)
            booth.wait_window(WORKBENCH)
            after = booth.grab(picture)
            if how != "ok":
                expect(not differs(before, after, 0), "%s closed with %s changed the picture" % (button, how))
            elif expected is not None:
                expect(not differs(expected, after, 0),
                       "%s confirmed: the workbench shows what the dialog showed" % button)
            log(button, how, "ok")
    final = booth.grab(picture)
    booth.click("OK", within=booth.window(WORKBENCH))
    booth.wait_gone(WORKBENCH)
    main_responds(booth)
    expect(differs(original, booth.grab(slot)), "the slot shows the confirmed edits")
    # The autosaved sheet holds exactly the workbench's last picture.
    session = os.path.join(ctx.home, "Session", "current.kivra")

    def saved():
        records = project_records(session)
        return len(records) >= 2 and not differs(bmp(records[1]), final, 0)
    try:
        wait_until(saved, 10, "the autosaved slot to equal the workbench's picture")
    except JourneyError:
        final.save(os.path.join(ctx.workdir, "workbench-final.png"))
        bmp(project_records(session)[1]).save(os.path.join(ctx.workdir, "autosaved-slot.png"))
        raise


@journey
def KioskWorkbenchDialogsReturnToTheWorkbench(ctx):
    """The same nesting inside the kiosk view: an effect dialog closed each way and the mixer
    return to the workbench, the workbench to the booth, and the booth takes the shoot key again."""
    booth, slot, original, bench, picture = open_workbench_on_a_photo(
        ctx, ["--kiosk", "--kiosk-size", "1200x900"], 1.5,
        settings={"ShottingDelay": 1, "AttractIdle": 0, "OperatorPin": pin_hash("2468")})
    for button, how in [("Mosaic", h) for h in CLOSERS] + [("Add decoration", "ok")]:
        before = booth.grab(picture)
        booth.click(button, within=booth.window(WORKBENCH))
        dialog = new_window(booth, (MAIN, WORKBENCH))
        close_dialog(booth, dialog, how)
        wait_until(lambda: booth.window(WORKBENCH) is not None, 5, "the workbench again")
        if how != "ok":
            expect(not differs(before, booth.grab(picture), 0), "%s closed with %s changed the picture" % (button, how))
        log(button, how, "ok")
    booth.click("Negative", within=booth.window(WORKBENCH))
    booth.click("OK", within=booth.window(WORKBENCH))
    booth.wait_gone(WORKBENCH)
    expect(differs(original, booth.grab(slot)), "the slot shows the edit")
    camera_on(booth)
    shoot(booth, 2, via_key="space")


@journey
def DecorationWithAStickerAndAText(ctx):
    """"Add decoration": a sticker and a text, OK back to the workbench and the sheet."""
    booth, slot, original, bench, picture = open_workbench_on_a_photo(ctx)
    plain = booth.grab(picture)
    booth.click("Add decoration", within=bench)
    mixer = new_window(booth, (MAIN, WORKBENCH))
    stickers = booth.find_all(role="push button", within=mixer, predicate=lambda n: n.name.endswith(".png"))
    expect(stickers, "the mixer offers stickers")
    x, y, w, h = booth.extents(stickers[0])
    booth.click_at(x + w // 2, y + h // 2)
    wait_until(lambda: len(booth.find_all(role="list item", within=booth.window(mixer.name))) >= 2, 5,
               "a sticker layer")
    booth.click("Add Text", within=booth.window(mixer.name))
    text = new_window(booth, (MAIN, WORKBENCH, mixer.name))
    field = booth.find_all(role="text", within=text) + booth.find_all(role="paragraph", within=text)
    expect(field, "the text tool has a text field")
    x, y, w, h = booth.extents(field[0])
    booth.click_at(x + w // 2, y + h // 2)
    booth.key("ctrl+a")
    booth.type("Happy day")
    close_dialog(booth, text, "ok")
    wait_until(lambda: len(booth.find_all(role="list item", within=booth.window(mixer.name))) >= 3, 5,
               "a text layer")
    close_dialog(booth, booth.window(mixer.name), "ok")
    booth.wait_window(WORKBENCH)
    expect(differs(plain, booth.grab(picture)), "the decorated picture is in the workbench")
    booth.click("OK", within=booth.window(WORKBENCH))
    booth.wait_gone(WORKBENCH)
    main_responds(booth)
    expect(differs(original, booth.grab(slot)), "the slot shows the decoration")


@journey
def CrashedSessionComesBackWithoutAQuestion(ctx):
    """kill -9 with pictures on the sheet; start again in window and in kiosk mode: the sheet is
    back and the screen takes input within 5 s, without anyone pressing OK."""
    booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home, settings={"ShottingDelay": 1, "AttractIdle": 0})
    for n in (1, 2):
        booth.click("Use this picture", within=booth.window(MAIN))
        wait_until(lambda: len(booth.used_slots()) == n, 5, "picture %d on the sheet" % n)
    session = os.path.join(ctx.home, "Session", "current.kivra")
    # The settings, three pictures per slot, and the full-resolution record after them.
    wait_until(lambda: os.path.exists(session) and len(project_records(session)) == 8, 10, "the autosave")
    booth.kill()

    again = Booth(ctx.desktop, ctx.corvantis, ctx.home, ["--test-camera", "--demo-content"], name="restart").start()
    again.wait_ready()
    wait_until(lambda: len(again.used_slots()) == 2, 5, "the two pictures back")
    notices = again.find("Notice", within=again.window(MAIN))
    expect("did not end normally" in Booth.description(notices), "the banner says what happened")
    expect(again.window_titles() == [MAIN], "no question over the screen: %s" % again.window_titles())
    took = time.monotonic() - again.started
    main_responds(again)
    expect(took < 5, "the screen took input %.1f s after the start" % took)
    again.click("Use this picture", within=again.window(MAIN))
    wait_until(lambda: len(again.used_slots()) == 3, 5, "a third picture")
    wait_until(lambda: len(project_records(session)) == 11, 10, "the autosave of three pictures")
    again.kill()

    kiosk = Booth(ctx.desktop, ctx.corvantis, ctx.home,
                  ["--test-camera", "--demo-content", "--kiosk", "--kiosk-size", "1200x900"], name="kiosk").start()
    kiosk.scale = 1.5
    kiosk.wait_ready()
    wait_until(lambda: len(kiosk.used_slots()) == 3, 5, "the three pictures back in kiosk mode")
    took = time.monotonic() - kiosk.started
    camera_on(kiosk)
    shoot(kiosk, 4, via_key="space")
    expect(took < 5, "the kiosk took input %.1f s after the start" % took)
    # Restarted unattended without an operator PIN, kiosk mode cannot be left from the booth.
    kiosk.key("Escape")
    x, y, w, h = kiosk.extents(kiosk.find("Close", within=kiosk.window(MAIN)))
    kiosk.click_at(x + w // 2, y + h // 2)
    time.sleep(1)
    expect(kiosk.alive(), "Esc and the close button do not end a kiosk without a PIN")
    notices = Booth.description(kiosk.find("Notice", within=kiosk.window(MAIN)))
    expect("no operator PIN" in notices, "the banner says why: %r" % notices)


@journey
def HelpWithoutABrowserSaysWhere(ctx):
    """Help on a computer without a browser: the skinned message box says so and shows the address."""
    booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home, env={"PATH": ctx.bare_path, "BROWSER": ""})
    booth.click("Help", within=booth.window(MAIN))
    box = new_window(booth, (MAIN,))
    texts = " ".join(n.name for n in booth.find_all(within=box))
    expect("No web browser" in texts, "the box says there is no browser: %r" % texts)
    expect("http" in texts, "the box shows the address: %r" % texts)
    booth.key("Return")
    booth.wait_gone(box.name)
    main_responds(booth)


def file_dialog_save(booth, path, known):
    """Answers the desktop's file chooser that the booth opened: the path typed, then Return."""
    chooser = new_window(booth, known)
    field = booth.find("File name:", role="text", within=chooser)
    x, y, w, h = booth.extents(field)
    booth.click_at(x + w // 2, y + h // 2)
    booth.key("ctrl+a")
    booth.type(path)
    booth.key("Return")
    return chooser


def fill_with_photos(booth, count):
    for n in range(len(booth.used_slots()) + 1, count + 1):
        booth.click("Use this picture", within=booth.window(MAIN))
        wait_until(lambda: len(booth.used_slots()) == n, 5, "picture %d on the sheet" % n)


@journey
def SaveOverABackdrop(ctx):
    """The sheet saved over a backdrop: the written file has the chosen size, the backdrop shows
    in the gaps and the photos in their slots."""
    booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home)
    fill_with_photos(booth, 2)
    booth.click("Save the sheet as a picture", within=booth.window(MAIN))
    save = booth.wait_window("Save picture")
    backdrop = "confetti_night.png"
    booth.click(backdrop, within=save)
    booth.click("Save", within=save)
    target = os.path.join(ctx.workdir, "sheet.png")
    chooser = file_dialog_save(booth, target, (MAIN,))
    wait_until(lambda: os.path.exists(target), 10, "the saved sheet")
    wait_until(lambda: booth.active() is not None and booth.active().name == MAIN, 10, "the main screen again")
    sheet = Image.open(target).convert("RGB")
    expect(sheet.size == (1024, 768), "the sheet is 1024 x 768, not %s" % (sheet.size,))
    art = Image.open(os.path.join(ctx.home, "Image", "Background", backdrop)).convert("RGB").resize((1024, 768))
    # The top margin above the slots is a gap in every layout: the backdrop shows there.
    for x in (100, 512, 900):
        got, want = sheet.getpixel((x, 4)), art.getpixel((x, 4))
        expect(max(abs(a - b) for a, b in zip(got, want)) < 60,
               "the backdrop shows in the gap at (%d, 4): %s, backdrop %s" % (x, got, want))
    # The first slot holds the photo, not the backdrop.
    inside = sheet.crop((60, 60, 440, 330))
    expect(differs(inside, art.crop((60, 60, 440, 330)), 40), "the first slot shows its photo")
    main_responds(booth)


@journey
def PrintToThePrinter(ctx):
    """Print through the desktop's print dialog to the test's own print server: one page arrives
    with the sheet's picture on it."""
    with Cups(ctx.cups_helper) as cups:
        booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home, env=cups.env())
        fill_with_photos(booth, 2)
        booth.click("Print the sheet", within=booth.window(MAIN))
        dialog = booth.wait_window("Print")
        wait_until(lambda: "booth" in " ".join(n.name for n in booth.find_all(role="label", within=dialog)), 10,
                   "the printer's state in the dialog")
        booth.click("Print", within=dialog)
        setup = new_window(booth, (MAIN,), timeout=10)
        expect(booth.find_all("booth", role="combo box", within=setup), "the print set-up offers the printer")
        booth.key("Return")
        pdfs = cups.wait_jobs(1)
        pages = subprocess.run(["pdfinfo", pdfs[0]], capture_output=True, text=True).stdout
        expect("Pages:           1" in pages, "one page: %s" % pages)
        images = subprocess.run(["pdfimages", "-list", pdfs[0]], capture_output=True, text=True).stdout.splitlines()[2:]
        expect(images, "the page carries the sheet's picture")
        width, height = int(images[0].split()[3]), int(images[0].split()[4])
        expect(abs(width / height - 364 / 276) < 0.02, "the picture has the sheet's shape: %d x %d" % (width, height))
        booth.wait_window("Print")
        booth.click("Cancel", within=booth.window("Print"))
        booth.wait_gone("Print")
        main_responds(booth)


@journey
def ProjectSavedClearedAndOpened(ctx):
    """Save the project, clear the sheet, open the project: the same pictures in the same slots."""
    booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home)
    fill_with_photos(booth, 1)
    booth.click("Next image", within=booth.window(MAIN), index=1)  # another portrait for slot 2
    fill_with_photos(booth, 2)
    before = [booth.grab(booth.find("Slot %d of 13" % i)) for i in (1, 2)]
    project = os.path.join(ctx.workdir, "event.kivra")
    booth.click("Save the project", within=booth.window(MAIN))
    file_dialog_save(booth, project, (MAIN,))
    wait_until(lambda: os.path.exists(project), 10, "the project file")
    booth.wait_window(MAIN)
    # Clear from the slot menu, confirmed.
    booth.click("Slot 1 of 13", role="filler", button=3)
    # The popup menu is not in the accessibility tree: its fourth item is chosen by keys.
    time.sleep(0.5)
    booth.key("Down", "Down", "Down", "Down", "Return")
    question = new_window(booth, (MAIN,))
    close_dialog(booth, question, "ok")
    wait_until(lambda: booth.used_slots() == [], 5, "the cleared sheet")
    booth.click("Open a project", within=booth.window(MAIN))
    file_dialog_save(booth, project, (MAIN,))
    wait_until(lambda: len(booth.used_slots()) == 2, 10, "the project's two pictures")
    after = [booth.grab(booth.find("Slot %d of 13" % i)) for i in (1, 2)]
    for i in range(2):
        expect(not differs(before[i], after[i], 0), "slot %d shows the same picture again" % (i + 1))
    expect(differs(after[0], after[1]), "the two slots keep their own pictures")
    main_responds(booth)


@journey
def SettingsTakeEffect(ctx):
    """Countdown and frame opacity changed in the settings and applied: the booth follows."""
    booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home, settings={"ShottingDelay": 1, "Alpha": 255})
    camera_on(booth)
    live = booth.find("Live picture", within=booth.window(MAIN))
    time.sleep(0.5)
    opaque = booth.grab(live)
    booth.click("Settings", within=booth.window(MAIN))
    settings = booth.wait_window("Settings")
    for name, value in (("Countdown in seconds", "2"), ("Frame opacity, 0 to 255", "60")):
        field = booth.find(name, role="text", within=settings)
        x, y, w, h = booth.extents(field)
        booth.click_at(x + w // 2, y + h // 2)
        booth.key("ctrl+a")
        booth.type(value)
    booth.click("Apply", within=settings)
    close_dialog(booth, booth.window("Settings"), "close")
    ini = open(os.path.join(ctx.home, "KivraTesselwick.ini")).read()
    expect("ShottingDelay=2" in ini and "Alpha=60" in ini, "the values are stored")
    # The frame over the live picture is now see-through: the picture under it shows.
    wait_until(lambda: differs(opaque, booth.grab(live), 30), 5, "the live frame at the new opacity")
    press_shoot(booth)
    countdown = wait_until(lambda: booth.find_all("Countdown", within=booth.window(MAIN)), 5, "the countdown")
    expect(Booth.description(countdown[0]) == "count down 2 seconds",
           "the countdown starts at 2: %r" % Booth.description(countdown[0]))
    wait_until(lambda: len(booth.used_slots()) == 1, 10, "the shot")
    main_responds(booth)


def pin_hash(pin):
    import hashlib
    salt = os.urandom(16)
    digest = hashlib.pbkdf2_hmac("sha256", pin.encode(), salt, 1000, 32)
    return "pbkdf2-sha256$1000$%s$%s" % (salt.hex(), digest.hex())


@journey
def KioskForGuests(ctx):
    """Kiosk mode: Space shoots with the big countdown; Esc and the close button need the operator
    (a cancelled PIN leaves the shoot key working, a second close opens no second prompt); the
    attract screen comes when idle and the touch that ends it presses nothing."""
    booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home, ["--kiosk", "--kiosk-size", "1200x900"],
                        settings={"ShottingDelay": 1, "AttractIdle": 4, "OperatorPin": pin_hash("2468")})
    booth.scale = 1.5
    camera_on(booth)
    press_shoot(booth, "space")
    guest = booth.find("Guest view", within=booth.window(MAIN))
    wait_until(lambda: booth.find_all("Guest view", within=booth.window(MAIN)), 5, "the guests' countdown")
    wait_until(lambda: len(booth.used_slots()) == 1, 10, "the shot")
    # Esc asks for the operator; cancelled, the booth stays and Space still shoots.
    booth.key("Escape")
    prompt = new_window(booth, (MAIN, "Kivra Tesselwick"))
    close_dialog(booth, prompt, "cancel")
    expect(booth.alive(), "the booth is still there after a cancelled PIN")
    press_shoot(booth, "space")
    wait_until(lambda: len(booth.used_slots()) == 2, 10, "a shot by the key after the cancelled PIN")
    # The close button twice: one prompt.
    booth.click("Close", within=booth.window(MAIN))
    prompt = new_window(booth, (MAIN, "Kivra Tesselwick"))
    x, y, w, h = booth.extents(booth.find("Close", within=booth.window(MAIN)))
    booth.click_at(x + w // 2, y + h // 2)
    time.sleep(0.5)
    prompts = [w for w in booth.windows() if w.name == prompt.name]
    expect(len(prompts) == 1, "one PIN prompt, not %d" % len(prompts))
    close_dialog(booth, prompt, "cancel")
    expect(booth.alive(), "the booth is still there")
    # The operator's settings open over the booth in its own skin, inside the view, not in a
    # plain platform frame; closed, the booth takes the shoot key again.
    wait_until(lambda: not booth.find_all("Guest view", within=booth.window(MAIN)), 10, "the guests' view to close")
    under = ctx.desktop.screenshot()
    booth.click("Settings", within=booth.window(MAIN))
    prompt = new_window(booth, (MAIN, "Kivra Tesselwick"))
    booth.type("2468")
    booth.key("Return")
    settings = wait_until(lambda: booth.window("Settings"), 10, "the settings")
    time.sleep(0.5)
    x, y, w, h = booth.extents(settings)
    shot = ctx.desktop.screenshot()
    expect(0 <= x and x + w <= 1200 and 0 <= y and y + h <= 900, "the settings lie inside the kiosk view")
    band = (x + w * 2 // 3, max(0, y - 14), x + w - 10, max(1, y - 4))  # over the sheet, not the live picture
    expect(not differs(shot.crop(band), under.crop(band), 0),
           "no platform frame above the skinned settings (%s, %s)" % ((x, y, w, h), band))
    close_dialog(booth, settings, "close")
    press_shoot(booth, "space")
    wait_until(lambda: len(booth.used_slots()) == 3, 10, "a shot by the key after the settings")
    # Idle: the attract screen; the touch that ends it shoots nothing.
    wait_until(lambda: booth.find_all("Touch to start"), 15, "the attract screen")
    shoot_button = booth.find("Shoot", within=booth.window(MAIN))
    x, y, w, h = booth.extents(shoot_button)
    booth.click_at(x + w // 2, y + h // 2)
    wait_until(lambda: not booth.find_all("Touch to start"), 5, "the booth to wake")
    time.sleep(2)
    expect(len(booth.used_slots()) == 3, "the waking touch took no shot")
    # The operator ends the session with the PIN.
    booth.key("Escape")
    prompt = new_window(booth, (MAIN, "Kivra Tesselwick"))
    booth.type("2468")
    booth.key("Return")
    booth.wait_exit(15)


@journey
def KioskNeedsAnOperatorPin(ctx):
    """Kiosk mode without an operator PIN first asks for one: refused, the booth runs as a window
    and says why; set, the kiosk view comes, and Esc and the close button need the PIN."""
    args = ["--test-camera", "--demo-content", "--kiosk", "--kiosk-size", "1200x900"]
    refused = Booth(ctx.desktop, ctx.corvantis, ctx.home, args, name="refused").start()
    question = settled(refused, wait_until(lambda: refused.window("Operator PIN"), 20, "the question for a PIN"))
    close_dialog(refused, question, "cancel")
    refused.wait_ready()
    expect(refused.extents(refused.window(MAIN))[2:] == (800, 600), "the booth runs as a window")
    notices = Booth.description(refused.find("Notice", within=refused.window(MAIN)))
    expect("Kiosk mode was not started" in notices, "the banner says why: %r" % notices)
    refused.key("Escape")
    refused.wait_exit()

    kiosk = Booth(ctx.desktop, ctx.corvantis, ctx.home, args, name="kiosk").start()
    kiosk.scale = 1.5
    def window_saying(text):
        def look():
            for w in kiosk.windows():
                if any(text in (n.name or "") for n in kiosk.find_all(within=w)):
                    return w
            return None
        return settled(kiosk, wait_until(look, 20, "a window saying \"%s\"" % text))

    for label in ("New operator PIN", "The same PIN again"):
        window_saying(label)
        kiosk.type("1357")
        kiosk.key("Return")
    done = window_saying("The operator PIN was set.")
    kiosk.key("Return")
    kiosk.wait_gone(done.name)
    wait_until(lambda: kiosk.window(MAIN) is not None, 20, "the kiosk view")
    time.sleep(0.5)
    for leave in ("escape", "close"):
        if leave == "escape":
            kiosk.key("Escape")
        else:
            x, y, w, h = kiosk.extents(kiosk.find("Close", within=kiosk.window(MAIN)))
            kiosk.click_at(x + w // 2, y + h // 2)
        prompt = new_window(kiosk, (MAIN,))
        close_dialog(kiosk, prompt, "cancel")
        expect(kiosk.alive(), "the kiosk stays after %s without the PIN" % leave)
    kiosk.key("Escape")
    new_window(kiosk, (MAIN,))
    kiosk.type("1357")
    kiosk.key("Return")
    kiosk.wait_exit(15)


@journey
def KioskGuestPrintsWithOneTouch(ctx):
    """In kiosk mode the guest's Print button prints the sheet at once on the operator's photo
    paper, without a dialog, as often as one sheet may be printed; a new shot makes a new sheet."""
    with Cups(ctx.cups_helper) as cups:
        booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home, ["--kiosk", "--kiosk-size", "1200x900"],
                            env=cups.env(),
                            settings={"ShottingDelay": 1, "AttractIdle": 0, "OperatorPin": pin_hash("2468"),
                                      "KioskPrintPaper": "6x4in", "KioskPrintCopies": 1, "MaxPrintsPerSheet": 2})
        booth.scale = 1.5
        camera_on(booth)
        for n in (1, 2):
            shoot(booth, n, via_key="space")
        windows = booth.window_titles()

        def notices():
            return Booth.description(booth.find("Notice", within=booth.window(MAIN)))
        for n in (1, 2):
            booth.click("Print the sheet", within=booth.window(MAIN))
            pdfs = cups.wait_jobs(n)
            expect(booth.window_titles() == windows, "no dialog for the guest: %s" % booth.window_titles())
        wait_until(lambda: "printer" in notices() or "print" in notices(), 10, "the guest told about the print")
        info = subprocess.run(["pdfinfo", pdfs[0]], capture_output=True, text=True).stdout
        expect("Pages:           1" in info, "one page: %s" % info)
        expect("432 x 288 pts" in info or "288 x 432 pts" in info, "a 6 x 4 in page: %s" % info)
        images = subprocess.run(["pdfimages", "-list", pdfs[0]], capture_output=True, text=True).stdout.splitlines()[2:]
        expect(images and int(images[0].split()[12]) >= 300, "at 300 ppi or more: %s" % images)
        text = subprocess.run(["pdftotext", pdfs[0], "-"], capture_output=True, text=True).stdout.strip()
        expect(text == "", "no label on a photo print: %r" % text)
        # A third press: this sheet has been printed as often as it may be.
        booth.click("Print the sheet", within=booth.window(MAIN))
        wait_until(lambda: "as often as one sheet may be" in notices(), 10, "the guest told the sheet is printed")
        time.sleep(2)
        expect(len([f for f in os.listdir(cups.jobs) if f.endswith(".pdf")]) == 2, "no third print")
        # A new shot is a new sheet.
        shoot(booth, 3, via_key="space")
        booth.click("Print the sheet", within=booth.window(MAIN))
        cups.wait_jobs(3)


def free_port():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def decode_code(image, path):
    """The text of the QR code in a picture of the screen (zbarimg reads it as a phone would)."""
    image.save(path)
    out = subprocess.run(["zbarimg", "--raw", "-q", path], capture_output=True, text=True)
    return out.stdout.strip()


def fetch(url):
    import urllib.error
    import urllib.request
    try:
        with urllib.request.urlopen(url, timeout=10) as answer:
            return answer.status, dict(answer.headers), answer.read()
    except urllib.error.HTTPError as refused:
        return refused.code, dict(refused.headers), b""


def shown_link(ctx, booth, what):
    """The link the booth shows as a QR code: read from the screen, and the card's description
    (what a screen reader says) carries the same address."""
    card = wait_until(lambda: [c for c in booth.find_all("Phone link", within=booth.window(MAIN)) if c.getState().contains(
        pyatspi.STATE_SHOWING)], 30, "the phone link " + what)[0]
    time.sleep(0.5)  # drawn
    url = decode_code(booth.grab(card), os.path.join(ctx.workdir, "code.png"))
    expect(url.startswith("http://127.0.0.1:"), "the code reads as the booth's address: %r" % url)
    expect(Booth.description(card) == url, "the address in words: %r, code %r" % (Booth.description(card), url))
    return url


def published_sheet(ctx, url):
    """Fetches the page and the sheet as a phone does: the download is the published file."""
    status, headers, page = fetch(url)
    expect(status == 200 and "text/html" in headers.get("Content-Type", ""), "the page: %s %s" % (status, headers))
    links = re.findall(r'href="([^"]*download/sheet[^"]*)"', page.decode())
    expect(links, "the page offers the sheet's download")
    status, headers, data = fetch(urllib_join(url, links[0]))
    expect(status == 200 and headers.get("Content-Type") == "image/jpeg", "the sheet: %s %s" % (status, headers))
    expect("attachment" in headers.get("Content-Disposition", ""), "a download: %s" % headers)
    token = url.rstrip("/").rsplit("/", 1)[1]
    share = os.path.join(ctx.home, "Kivra Tesselwick", "Share")
    folder = [os.path.join(share, d) for d in os.listdir(share) if os.path.isdir(os.path.join(share, d))
              and token in open(os.path.join(share, "shares.tbl")).read()]
    expect(any(open(os.path.join(f, "sheet.jpg"), "rb").read() == data for f in folder if os.path.exists(
        os.path.join(f, "sheet.jpg"))), "the download equals the published sheet")
    import io
    return Image.open(io.BytesIO(data)).convert("RGB")


def urllib_join(base, link):
    import urllib.parse
    return urllib.parse.urljoin(base, link)


def vivid_share(image):
    """How much of a picture is in the test camera's vivid bar colours (paper and frames are not)."""
    small = image.resize((64, 48))
    return sum(1 for p in small.getdata() if max(p) - min(p) > 150) / (64 * 48)


@journey
def ShareASheetWithAPhone(ctx):
    """Sharing on: a shot, Share, and the code on the screen leads a phone to the page and a
    download of the full-resolution sheet; the next touch takes the code away."""
    port = free_port()
    booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home,
                        settings={"ShottingDelay": 1, "ShareGallery": 1, "SharePort": port,
                                  "ShareBind": "127.0.0.1"})
    booth.click("Layout with 4 pictures", within=booth.window(MAIN))
    wait_until(lambda: booth.slot_count() == 4, 5, "the 4-slot layout")
    camera_on(booth)
    shoot(booth, 1)
    booth.click("Share with a phone", within=booth.window(MAIN))
    url = shown_link(ctx, booth, "after Share")
    expect(url.startswith("http://127.0.0.1:%d/s/" % port), "the link names the chosen port: %s" % url)
    sheet = published_sheet(ctx, url)
    # From the camera's own pixels (640 x 480 here), not the 1024-pixel sheet of a plain save.
    expect(sheet.width > 1024, "the full-resolution sheet, not %s" % (sheet.size,))
    # The sheet is 2 x 2 slots and only the first holds a shot: the camera's bars show in the
    # top-left quarter and nowhere else.
    w, h = sheet.size
    quarters = [vivid_share(sheet.crop((x, y, x + w // 2, y + h // 2))) for y in (0, h // 2) for x in (0, w // 2)]
    expect(quarters[0] > 0.3 and max(quarters[1:]) < 0.02, "the shot in the first slot only: %s" % quarters)
    # Anything outside the code is a touch: the code goes, the booth goes on.
    x, y, w, h = booth.extents(booth.find("Slot 2 of 4"))
    booth.click_at(x + w // 2, y + h // 2)
    wait_until(lambda: not [c for c in booth.find_all("Phone link", within=booth.window(MAIN))
                            if c.getState().contains(pyatspi.STATE_SHOWING)], 10, "the code to go")
    # The same sheet shared again keeps its link; a new shot makes a new sheet with a new link.
    booth.click("Share with a phone", within=booth.window(MAIN))
    expect(shown_link(ctx, booth, "shared again") == url, "the same sheet keeps its link")
    shoot(booth, 2)
    booth.click("Share with a phone", within=booth.window(MAIN))
    again = shown_link(ctx, booth, "for the new sheet")
    expect(again != url, "a changed sheet has a link of its own")
    status = fetch(url.rsplit("/s/", 1)[0] + "/s/" + "A" * 24 + "/")[0]
    expect(status == 404, "an unknown token is not found: %s" % status)
    main_responds(booth)


@journey
def KioskFullSheetShowsItsCode(ctx):
    """Kiosk mode with sharing on: when the guests fill the sheet, its code comes large in the
    guests' view by itself, readable from a screenshot of the screen."""
    port = free_port()
    booth = start_booth(ctx.desktop, ctx.corvantis, ctx.home, ["--kiosk", "--kiosk-size", "1200x900"],
                        settings={"ShottingDelay": 1, "AttractIdle": 0, "OperatorPin": pin_hash("2468"),
                                  "ShareGallery": 1, "SharePort": port, "ShareBind": "127.0.0.1"})
    booth.scale = 1.5
    # The layout is the operator's choice.
    booth.click("Layout with 4 pictures", within=booth.window(MAIN))
    new_window(booth, (MAIN, "Kivra Tesselwick"))
    booth.type("2468")
    booth.key("Return")
    wait_until(lambda: booth.slot_count() == 4, 5, "the 4-slot layout")
    camera_on(booth)
    for n in range(1, 5):
        expect(not [c for c in booth.find_all("Phone link", within=booth.window(MAIN))
                    if c.getState().contains(pyatspi.STATE_SHOWING)], "no code before the sheet is full")
        shoot(booth, n, via_key="space")
    card = wait_until(lambda: [c for c in booth.find_all("Phone link", within=booth.window(MAIN)) if c.getState().contains(
        pyatspi.STATE_SHOWING)], 30, "the code of the full sheet")[0]
    wait_until(lambda: not [g for g in booth.find_all("Guest view", within=booth.window(MAIN))
                            if g.getState().contains(pyatspi.STATE_SHOWING)], 10, "the last shot's view to end")
    time.sleep(0.5)
    # Read from the whole screen, as a phone held up to it would.
    url = decode_code(ctx.desktop.screenshot(), os.path.join(ctx.workdir, "kiosk.png"))
    expect(url == Booth.description(card), "the screen's code is the sheet's link: %r" % url)
    x, y, w, h = booth.extents(card)
    expect(w >= 430 * 1.5 - 2, "the card is drawn at the kiosk's scale: %d pixels" % w)
    sheet = published_sheet(ctx, url)
    # From the camera's own pixels (640 x 480 here), not the 1024-pixel sheet of a plain save.
    expect(sheet.width > 1024, "the full-resolution sheet, not %s" % (sheet.size,))
    # The operator leaves with the PIN.
    booth.key("Escape")
    new_window(booth, (MAIN, "Kivra Tesselwick"))
    booth.type("2468")
    booth.key("Return")
    booth.wait_exit(15)


# ---- running ----

class Context:
    pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("name")
    parser.add_argument("--corvantis", required=True)
    parser.add_argument("--cups-helper")
    parser.add_argument("--workdir")
    args = parser.parse_args()
    if args.name not in JOURNEYS:
        print("unknown journey %s; the journeys: %s" % (args.name, ", ".join(JOURNEYS)))
        return 2
    workdir = args.workdir or tempfile.mkdtemp(prefix="journey-")
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    ctx = Context()
    ctx.corvantis = os.path.abspath(args.corvantis)
    ctx.cups_helper = args.cups_helper
    ctx.workdir = workdir
    ctx.home = os.path.join(workdir, "home")
    os.makedirs(ctx.home)
    # A PATH with the tools the booth itself needs but no way to open a browser.
    ctx.bare_path = os.path.join(workdir, "bin")
    os.makedirs(ctx.bare_path)
    started = time.monotonic()
    with Desktop(workdir) as desktop:
        ctx.desktop = desktop
        try:
            JOURNEYS[args.name](ctx)
        except Exception:
            shot = os.path.join(workdir, "failure.png")
            try:
                desktop.screenshot(shot)
            except Exception:
                pass
            traceback.print_exc()
            print("journey %s FAILED after %.1f s; screen: %s; logs in %s" % (args.name, time.monotonic() - started,
                                                                            shot, workdir))
            for f in sorted(os.listdir(workdir)):
                if f.endswith(".log"):
                    print("---- %s" % f)
                    with open(os.path.join(workdir, f), errors="replace") as fh:
                        print(fh.read()[-3000:])
            return 1
        finally:
            for p in getattr(ctx, "booths", []):
                p.stop()
            os.system("pkill -KILL -f -- '--home %s' >/dev/null 2>&1" % ctx.home)
    print("journey %s passed in %.1f s" % (args.name, time.monotonic() - started))
    if not os.environ.get("KIVRA_KEEP_JOURNEY"):
        shutil.rmtree(workdir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
