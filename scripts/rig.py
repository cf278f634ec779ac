# SPDX-FileCopyrightText: The gsmprog developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""What scripts/crash-safety and scripts/soak share: a full card database, a virtual modem on a
private cable directory, gsmprog-cli runs against it, and the check of a saved database."""

import argparse
import os
import random
import signal
import struct
import subprocess
from pathlib import Path

SLOTS, BLOCK = 9000, 888
DATABASE, LOCK = "ProgInfo_12.GAD", "ProgInfo_12.GAD.lock"
JOURNAL = "ProgInfo_12.journal"   # the operations journal, one JSON object a line
LEFTOVER_PREFIX = ".ProgInfo_12.GAD.tmp-"   # a killed save's file, documented, removed by the next save
DATE_PROGRAMMED, PROG_ID1, PROG_ID2 = 763, 771, 773   # offsets in a card block
ROOT = Path(__file__).resolve().parent.parent


def arguments(description, default_count, counted):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("count", nargs="?", type=int, default=default_count,
                        help=f"how many {counted} (default {default_count})")
    parser.add_argument("--bin", type=Path, default=ROOT / "build" / "bin",
                        help="folder of gsmprog-cli and gsmprog-vmodem (default: build/bin)")
    parser.add_argument("--seed", type=int, default=random.randrange(1 << 32),
                        help="repeats the random choices of an earlier run, which printed it")
    args = parser.parse_args()
    for program in ("gsmprog-cli", "gsmprog-vmodem"):
        if not os.access(args.bin / program, os.X_OK):
            parser.error(f"no {program} in {args.bin}: build it first (scripts/run builds build/bin)")
    print(f"{parser.prog} {args.count} --bin {args.bin} --seed {args.seed}", flush=True)
    random.seed(args.seed)
    return args


def make_database(path):
    """9000 cards in use, each with its own device codes (device 1 has loops, so write-uo takes
    it) and both image layouts in turn, plus the empty template block."""
    blocks = []
    for row in range(1, SLOTS + 1):
        card = bytearray(BLOCK)
        struct.pack_into("<2I", card, 18, row, 100000 + row)     # UoCode[0], UoCode[1]
        card[34] = row % 16                                      # UoLineAddress[0]
        card[38] = 2 + row % 2                                   # UoType[0]: УОО 3Ш, УОО 6ША
        struct.pack_into("11s", card, 444, str(row).encode())    # NCardEdit
        struct.pack_into("<d", card, 755, 45000.5 + row / SLOTS)  # DateChanged: in use
        struct.pack_into("<H", card, PROG_ID1, row)              # moves to ProgID2 when programmed
        card[836] = row % 2                                      # VersionCombo
        card[840], card[844], card[848] = 0x15, 0x02, 0x01       # loops and modes of device 1
        blocks.append(bytes(card))
    Path(path).write_bytes(b"".join(blocks) + bytes(BLOCK))


def image_crc(image):
    """The CRC the modem received: the image's last two bytes, as the card keeps it."""
    return struct.unpack_from("<H", image, len(image) - 2)[0]


def days(seconds):
    """A time as the cards store it (days since 1899-12-30), for programs run with TZ=UTC."""
    return seconds / 86400 + 25569


def change_fault(old, new, slot, started, ended, crc=None):
    """Empty when `new` is `old` with card `slot` recorded as programmed between `started` and
    `ended`: the modem (with its CRC `crc`) or, when `crc` is None, an object device. Else what
    is wrong."""
    if len(new) != len(old):
        return f"{len(new)} bytes instead of {len(old)}"
    start = slot * BLOCK
    end = start + (PROG_ID2 + 2 if crc is not None else PROG_ID1)
    if new[:start + DATE_PROGRAMMED] != old[:start + DATE_PROGRAMMED] or new[end:] != old[end:]:
        return f"bytes other than the record of row {slot + 1} changed"
    (date,) = struct.unpack_from("<d", new, start + DATE_PROGRAMMED)
    if not days(started) - 2 / 86400 <= date <= days(ended) + 2 / 86400:
        return f"row {slot + 1}: date of programming {date} is not the time of the run"
    if crc is None:
        return ""
    id1, id2 = struct.unpack_from("<2H", new, start + PROG_ID1)
    (previous,) = struct.unpack_from("<H", old, start + PROG_ID1)
    if (id1, id2) != (crc, previous):
        return f"row {slot + 1}: ProgID1={id1:04X} ProgID2={id2:04X}, not {crc:04X} {previous:04X}"
    return ""


def stray_files(folder, leftovers_allowed):
    """Names in the database folder that neither gsmprog documents there nor are its files."""
    return sorted(name for name in os.listdir(folder)
                  if name not in (DATABASE, LOCK, JOURNAL)
                  and not (leftovers_allowed and name.startswith(LEFTOVER_PREFIX)))


class Rig:
    """A database folder and a cable folder of their own in `scratch`, and the programs."""

    def __init__(self, programs, scratch):
        self.programs, self.folder = Path(programs), Path(scratch) / "cards"
        self.runtime, self.image = Path(scratch) / "runtime", Path(scratch) / "modem.img"
        self.log = Path(scratch) / "modem.log"
        self.folder.mkdir()
        self.runtime.mkdir(mode=0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=str(self.runtime), TZ="UTC", LC_ALL="C.UTF-8")
        make_database(self.database)

    @property
    def database(self):
        return self.folder / DATABASE

    def cards(self):
        return self.database.read_bytes()

    def modem_image(self):
        return self.image.read_bytes() if self.image.exists() else None

    def log_end(self):
        return self.log.stat().st_size if self.log.exists() else 0

    def confirmed_since(self, offset):
        """Whether a modem logged a confirmation, of an image or of an object device command,
        after byte `offset` of the log."""
        with open(self.log, "rb") as log:
            log.seek(offset)
            text = log.read().decode(errors="replace")
        return "записан образ" in text or "команда УОО: адрес" in text

    def start_modem(self, *switches):
        """A gsmprog-vmodem that keeps its image in self.image and logs to self.log; returns it
        once its cable is there."""
        with open(self.log, "a") as log:
            modem = subprocess.Popen(
                [self.programs / "gsmprog-vmodem", "--cable-dir", self.runtime / "gsmprog" / "cables",
                 "--image", self.image, *switches],
                stdout=subprocess.PIPE, stderr=log, text=True, env=self.env)
        if not modem.stdout.readline():
            raise SystemExit(f"gsmprog-vmodem {' '.join(switches)} did not start")
        return modem

    def cli(self, *args):
        return subprocess.Popen([self.programs / "gsmprog-cli", "-C", self.folder, *args],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=self.env)

    def run(self, *args):
        """Exit status, stdout and stderr of gsmprog-cli ARGS."""
        process = self.cli(*args)
        out, err = process.communicate(timeout=60)
        return process.returncode, out, err


def stop(process):
    """Ends a modem as Ctrl-C would, or by force when it does not go."""
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def saving_command(slot, name=None):
    """One of the two commands that save the whole database, `name` or either: program, or
    write-uo of device 1."""
    name = name or random.choice(["program", "write-uo"])
    return (name, str(slot + 1)) + (("1",) if name == "write-uo" else ())

