"""Whole magazine pages: a running head, a title across the page, two
columns of Japanese or English prose with headings, a picture with its
caption, rules, and the listing in one of the columns (under a caption,
sometimes inside a ruled box with a +0 +1 ... header row)."""

from PIL import ImageDraw

import typeset

JP_PARAS = [
    "このプログラムは、画面の下から迫ってくる敵の群れを撃ち落とす、シンプルな"
    "シューティングゲームです。すべてマシン語で書かれているので、動きはとても"
    "なめらかです。",
    "入力には機械語モニタを使います。モニタを起動したら、リストの先頭アドレス"
    "から順番にデータを打ち込んでください。各行の最後にある2けたの数字はチェッ"
    "クサムで、その行のデータをすべて足した値の下位8ビットです。",
    "8行ごとに入っているSUMの行は、縦方向の合計です。打ち込みが終わったら、か"
    "ならずチェックサムを確かめてからセーブしてください。一文字でもまちがえる"
    "と、プログラムは暴走してしまいます。",
    "ゲームを始めるには、モニタからスタートアドレスを指定して実行します。テン"
    "キーの4と6で自機が左右に動き、スペースキーでミサイルを発射します。",
    "敵は面が進むごとに速くなり、5面ごとに大きなボスキャラクタが現れます。ボス"
    "の弱点は頭の部分だけなので、よくねらって撃ちましょう。",
    "ワークエリアとして、プログラムの後ろの256バイトを使っています。BASICの"
    "プログラムと同時に使う場合は、あらかじめメモリの上限を下げておいてくださ"
    "い。",
    "効果音は3つのチャンネルを使って鳴らしています。音程のデータはリストの後半"
    "にまとめてあるので、書きかえれば好きな音にすることもできます。",
    "なお、このゲームは筆者が高校の部活動で作ったものを、今回の掲載にあわせて"
    "改良したものです。ハイスコアは月末までに編集部あてにお送りください。",
    "画面の表示には、VRAMに直接書き込むルーチンを使っています。このため、他の"
    "機種ではそのままでは動きません。移植する場合は、表示ルーチンだけを書きか"
    "えてください。",
    "ダンプリストの入力は根気のいる作業ですが、少しずつ進めれば必ず終わります。"
    "疲れたら途中でセーブして、次の日に続きを打ち込むとよいでしょう。",
]

EN_PARAS = [
    "This month's program is a small shooting game written entirely in "
    "machine code, so everything on the screen moves smoothly even when "
    "the whole wave of invaders is marching down at once.",
    "Type the listing in with a machine-code monitor, starting at the first "
    "address shown. The two digits at the end of each row are a checksum: "
    "the low eight bits of the sum of the bytes on that row.",
    "Every eight rows a SUM line gives the column totals. Check them before "
    "you save your work; a single wrong digit is enough to make the program "
    "crash the moment you start it.",
    "To play, run the program from its start address. Keys 4 and 6 move your "
    "ship left and right and the space bar fires. Every fifth stage brings a "
    "large guardian whose only weak spot is its head.",
    "The game uses the 256 bytes after the program as its work area. If you "
    "want to keep a BASIC program in memory at the same time, lower the top "
    "of BASIC's memory before loading it.",
    "Sound effects use all three tone channels. The pitch table sits near the "
    "end of the listing, so it is easy to change the tunes to your taste.",
    "The screen routines write straight into video memory, which means the "
    "program will not run unchanged on other machines. Only the display "
    "routine needs rewriting if you want to port it.",
    "Typing in a long dump is patient work, but it always ends. Save as you "
    "go, and finish the rest another evening if your eyes get tired.",
    "Send us your high scores by the end of the month; the best three will be "
    "printed in a coming month together with the author's own record.",
]

JP_HEADS = ["遊び方", "プログラムの入力方法", "チェックサムについて",
            "メモリマップ", "改造のヒント", "実行のしかた"]
EN_HEADS = ["How to play", "Typing it in", "About the checksums",
            "Memory map", "Hints for changes", "Running it"]
JP_TITLES = ["迷路を抜けろ! マシン語アクション", "スペースレーサー",
             "16色パズル", "ロボット工場", "星空のドライブ"]
EN_TITLES = ["Maze Runner: an all machine-code action game",
             "Space Racer", "Sixteen Colour Puzzle", "Robot Factory",
             "Night Drive"]

INK = (24, 22, 26)


def wrap(text, ft, width, japanese):
    """Breaks prose into lines no wider than `width`: Japanese at any
    character (keeping 、 and 。 off a line start), English at blanks."""
    lines = []
    if japanese:
        cur = ""
        for ch in text:
            if ft.getlength(cur + ch) > width and cur and ch not in "、。":
                lines.append(cur)
                cur = ""
            cur += ch
        if cur:
            lines.append(cur)
        return lines
    cur = ""
    for word in text.split(" "):
        trial = word if not cur else cur + " " + word
        if ft.getlength(trial) > width and cur:
            lines.append(cur)
            cur = word
        else:
            cur = trial
    if cur:
        lines.append(cur)
    return lines


class Column:
    """A column being filled from top to bottom."""

    def __init__(self, x, y, width, bottom):
        self.x, self.y, self.width, self.bottom = x, y, width, bottom

    def room(self):
        return self.bottom - self.y


class Page:
    def __init__(self, rng, img, japanese):
        self.rng = rng
        self.img = img
        self.draw = ImageDraw.Draw(img)
        self.jp = japanese
        body = "ipa-gothic" if japanese else rng.choice(
            ["dejavu-serif", "dejavu-sans"])
        self.body = typeset.font(body, rng.choice([24, 26, 28]))
        self.lead = int(self.body.size * (1.7 if japanese else 1.45))
        head = "ipa-gothic" if japanese else "dejavu-sans-bold"
        self.head = typeset.font(head, int(self.body.size * 1.3))
        self.paras = list(JP_PARAS if japanese else EN_PARAS)
        rng.shuffle(self.paras)
        self.heads = list(JP_HEADS if japanese else EN_HEADS)
        rng.shuffle(self.heads)
        self.figures = 0
        self.listing_box = None

    def text(self, x, y, s, ft, fill=INK):
        self.draw.text((x, y), s, font=ft, fill=fill)

    def paragraph(self, col, max_lines=None):
        if not self.paras:
            self.paras = list(JP_PARAS if self.jp else EN_PARAS)
        text = self.paras.pop()
        indent = self.body.size if self.jp else self.body.size * 1.2
        lines = wrap(text, self.body, col.width - indent, self.jp)
        first = True
        for ln in lines[:max_lines]:
            if col.room() < self.lead:
                return False
            self.text(col.x + (indent if first else 0), col.y, ln, self.body)
            col.y += self.lead
            first = False
        col.y += self.lead * 0.3
        return True

    def heading(self, col):
        if col.room() < self.lead * 4:
            return False
        col.y += self.lead * 0.4
        s = self.heads.pop() if self.heads else "..."
        if self.rng.random() < 0.5:
            self.draw.rectangle([col.x, col.y - 4, col.x + 10,
                                 col.y + self.head.size + 2], fill=INK)
            self.text(col.x + 22, col.y, s, self.head)
        else:
            self.text(col.x, col.y, s, self.head)
            self.draw.line([col.x, col.y + self.head.size * 1.25,
                            col.x + col.width, col.y + self.head.size * 1.25],
                           fill=INK, width=2)
        col.y += self.head.size * 1.7
        return True

    def picture(self, col):
        h = int(col.width * self.rng.uniform(0.5, 0.7))
        if col.room() < h + self.lead * 2:
            return False
        x0, y0 = int(col.x), int(col.y)
        screen = self.rng.random() < 0.6
        self.draw.rectangle([x0, y0, x0 + col.width, y0 + h],
                            fill=(40, 40, 48) if screen else (235, 235, 232),
                            outline=INK, width=2)
        for _ in range(self.rng.randrange(8, 22)):
            bw = self.rng.randrange(12, 60)
            bh = self.rng.randrange(10, 40)
            bx = self.rng.randrange(x0 + 8, x0 + col.width - bw - 8)
            by = self.rng.randrange(y0 + 8, y0 + h - bh - 8)
            colour = tuple(self.rng.randrange(90, 250) for _ in range(3)) \
                if screen else (150, 150, 150)
            if self.rng.random() < 0.5:
                self.draw.rectangle([bx, by, bx + bw, by + bh], fill=colour)
            else:
                self.draw.ellipse([bx, by, bx + bw, by + bh], fill=colour)
        col.y += h + self.lead * 0.5
        self.figures += 1
        cap = "図%d ゲーム画面" % self.figures if self.jp else \
            "Fig. %d  The game screen" % self.figures
        small = typeset.font("ipa-gothic", int(self.body.size * 0.85))
        self.text(col.x, col.y, cap, small)
        col.y += self.lead * 1.3
        return True

    def fill(self, col):
        """Prose, headings and now and then a picture until the column is
        full."""
        guard = 0
        while col.room() > self.lead * 2 and guard < 40:
            guard += 1
            r = self.rng.random()
            if r < 0.2:
                if self.heading(col):
                    self.paragraph(col)
            elif r < 0.3:
                if not self.picture(col):
                    self.paragraph(col)
            else:
                self.paragraph(col)


def frame(rng, page_img, japanese):
    """Draws the running head, title and folio; returns the page object and
    the two empty columns."""
    w, h = page_img.size
    m = int(w * rng.uniform(0.055, 0.07))
    p = Page(rng, page_img, japanese)
    small = typeset.font("ipa-gothic", 22)
    head = "PROGRAM LAND   1985年%d月号" % rng.randrange(1, 13) if japanese \
        else "PROGRAM LAND   No. %d" % rng.randrange(20, 90)
    p.text(m, m, head, small)
    p.draw.line([m, m + 34, w - m, m + 34], fill=INK, width=2)
    title_face = "ipa-gothic" if japanese else "dejavu-sans-bold"
    title_font = typeset.font(title_face, rng.choice([52, 60]))
    title = rng.choice(JP_TITLES if japanese else EN_TITLES)
    while title_font.getlength(title) > w - 2 * m and title_font.size > 30:
        title_font = typeset.font(title_face, title_font.size - 4)
    p.text(m, m + 70, title, title_font)
    by = "文・" + rng.choice(["山田 一郎", "佐藤 花子", "高橋 健"]) if japanese \
        else "by " + rng.choice(["J. Miller", "A. Brown", "K. Sato"])
    p.text(m, m + 70 + title_font.size * 1.45, by, small)
    top = int(m + 70 + title_font.size * 1.45 + 60)
    p.draw.line([m, top - 24, w - m, top - 24], fill=INK, width=3)
    folio = str(rng.randrange(40, 180))
    p.text(w // 2 - 10, h - m + 20, folio, small)
    gutter = int(w * rng.uniform(0.03, 0.045))
    cw = (w - 2 * m - gutter) // 2
    bottom = h - m - 10
    cols = [Column(m, top, cw, bottom),
            Column(m + cw + gutter, top, cw, bottom)]
    if rng.random() < 0.5:
        x = m + cw + gutter // 2
        p.draw.line([x, top, x, bottom], fill=(120, 120, 120), width=1)
    return p, cols


def listing_block(p, col, lst, boxed, spaced, listing_font, cap):
    """Draws the listing into the column under a caption; returns the
    listing's printed lines as drawn."""
    rng = p.rng
    japanese = p.jp
    capfont = typeset.font("ipa-gothic", int(p.body.size * 0.95))
    n = rng.randrange(1, 4)
    caption = "リスト%d  ダンプリスト" % n if japanese else \
        "List %d  Machine code" % n
    p.text(col.x, col.y, caption, capfont)
    col.y += capfont.size * 1.6
    ft = typeset.font_for_cap(listing_font, cap)
    pitch = int(cap * rng.uniform(1.55, 1.85))
    pad = int(cap * PAD)
    lines = lst.lines
    if spaced:
        setter = spaced
        width = setter.width(lst.per_row, lst.conv != "none")
    else:
        adv = typeset.digit_advance(ft) * rng.uniform(1.0, MOST_ADVANCE)
        width = max(len(l.text) for l in lines) * adv
    height = len(lines) * pitch + (pitch * 0.3 if boxed else 0)
    x0 = col.x + pad
    y0 = col.y + pad
    draw = p.draw
    # The listing's box (or the band between its rules) on the page.
    box = [col.x, col.y, col.x + min(col.width, width + 2 * pad),
           col.y + height + 2 * pad - (pitch - cap)]
    p.listing_box = tuple(int(round(v)) for v in box)
    if boxed:
        draw.rectangle(box, outline=INK, width=2)
    else:
        draw.line([col.x, col.y, col.x + col.width, col.y], fill=INK, width=1)
    y = y0
    for line in lines:
        if spaced:
            setter.draw_line(draw, line, x0, y, INK, lst.per_row)
        else:
            typeset.GridSetter(ft, adv).draw(draw, line.text, x0, y, INK)
        if boxed and line.kind == "header":
            ry = y + cap + (pitch - cap) * 0.6
            draw.line([col.x, ry, col.x + min(col.width, width + 2 * pad),
                       ry], fill=INK, width=1)
            y += pitch * 0.3
        y += pitch
    if boxed:
        # A rule between the address column and the bytes.
        if spaced:
            rx = x0 + setter.addr_w + setter.agap * 0.5
        else:
            rx = x0 + (4 + lst.style["gap_addr"] / 2) * adv
        draw.line([rx, col.y, rx, col.y + height + 2 * pad - (pitch - cap)],
                  fill=INK, width=1)
    else:
        draw.line([col.x, y - pitch + cap + pad, col.x + col.width,
                   y - pitch + cap + pad], fill=INK, width=1)
    col.y = y - pitch + cap + 2 * pad + p.lead
    return [typeset.spaced_text(l, lst.per_row) if spaced else l.text
            for l in lines]


# A listing on a character grid takes up to this many digit advances a
# character, and this many cap heights of margin on either side.
MOST_ADVANCE = 1.12
PAD = 0.8


def grid_listing_width(lst, listing_font, cap):
    """The most a listing set on a grid at `cap` takes across its column,
    its margins included."""
    ft = typeset.font_for_cap(listing_font, cap)
    chars = max(len(l.text) for l in lst.lines)
    return chars * typeset.digit_advance(ft) * MOST_ADVANCE + 2 * int(cap * PAD)


def listing_room(p, col, cap, rng_pitch=1.85):
    """Rows of print the column still has for a listing."""
    return int((col.room() - p.body.size * 2 - cap * 3) // (cap * rng_pitch))
