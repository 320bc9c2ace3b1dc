#!/usr/bin/env python3
"""Writes the example listings under examples/ in every convention the
reader knows, from one small program, with sums that verify. Run it after
changing the program; the listings are kept in the repository."""
import os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples")

# A little Z80 routine: fill 64 bytes of video memory at D000 with 41h.
PROGRAM = bytes.fromhex(
    "21 00 D0 06 40 3E 41 77 23 10 FC C9 00 00 00 00"
    "48 45 4C 4C 4F 2C 20 54 53 59 50 41 54 43 48 21"
    "3E 01 02 03 21 00 C0 C9 11 22 33 44 55 66 77 88"
    "99 AA BB CC DD EE FF 10 20 30 40 50 60 70 80 90".replace(" ", ""))
START = 0xC000


def rows(width):
    for i in range(0, len(PROGRAM), width):
        yield START + i, PROGRAM[i:i + width]


def crc_byte(crc, byte):
    for bit in range(7, -1, -1):
        top = crc & 0x8000
        crc = (crc << 1) & 0xFFFF
        if top:
            crc ^= 0x1021
        if (byte >> bit) & 1:
            crc ^= 0x0001
    return crc


def sum_line(block, width, total_digits=4):
    cols = [0] * width
    for _, data in block:
        for i, b in enumerate(data):
            cols[i] += b
    total = sum(sum(d) for _, d in block)
    return "SUM  " + " ".join("%02X" % (c & 0xFF) for c in cols) + \
        " %0*X" % (total_digits, total & 0xFFFF)


def write(name, title, lines):
    with open(os.path.join(HERE, name), "w", newline="\n") as f:
        f.write(title + "\n\n")
        for line in lines:
            f.write(line + "\n")


def plain(address_sum=False, lower_only=False):
    out = []
    block = []
    for addr, data in rows(8):
        s = sum(data)
        if address_sum:
            s += addr & 0xFF
            if not lower_only:
                s += addr >> 8
        out.append("%04X  %s  %02X" % (addr, " ".join("%02X" % b for b in data), s & 0xFF))
        block.append((addr, data))
        if len(block) == 4:
            out.append(sum_line(block, 8))
            out.append("")
            block = []
    if block:
        out.append(sum_line(block, 8))
    return out


def ohmz():
    out = []
    block_sum = 0
    for addr, data in rows(16):
        s = sum(data) & 0xFFF
        digits = "%03X" % s
        out.append("%04X %s (%s.%s)" % (addr, " ".join("%02X" % b for b in data),
                                        digits[0], digits[1:]))
        block_sum += sum(data)
        if addr % 0x20 == 0x10:
            out.append("-" * 30 + " %04X" % (block_sum & 0xFFFF))
            block_sum = 0
    return out


def ohx():
    out = []
    crc = 0
    block = []
    for addr, data in rows(8):
        for b in data:
            crc = crc_byte(crc, b)
        out.append("%04X : %s : %02X" % (addr, " ".join("%02X" % b for b in data),
                                         sum(data) & 0xFF))
        block.append((addr, data))
        if len(block) == 4:
            cols = [0] * 8
            for _, d in block:
                for i, b in enumerate(d):
                    cols[i] += b
            out.append("SUM    " + " ".join("%02X" % (c & 0xFF) for c in cols) +
                       " %04X" % crc)
            out.append("")
            crc = 0
            block = []
    return out


def no_checksum():
    return ["%04X %s" % (a, " ".join("%02X" % b for b in d)) for a, d in rows(16)]


def main():
    write("plain.txt", "; checksum: 8-bit sum of the data bytes (default options)", plain())
    write("address-sum.txt", "; checksum: data bytes + both address bytes (--address-sum)",
          plain(address_sum=True))
    write("lower-address.txt",
          "; checksum: data bytes + low address byte (--address-sum --lower-address-only)",
          plain(address_sum=True, lower_only=True))
    write("ohmz.txt", "; Oh!MZ 12-bit sums and dashed block totals (--ohmz)", ohmz())
    write("ohx.txt", "; Oh!X: ':' separators and CRC-16 SUM lines (--ohx)", ohx())
    write("no-checksum.txt", "; no checksum (--no-checksum)", no_checksum())
    with open(os.path.join(HERE, "program.bin"), "wb") as f:
        f.write(PROGRAM)


if __name__ == "__main__":
    main()
