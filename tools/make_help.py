#!/usr/bin/env python3
"""Builds swarden.hlp, a Windows 3.1 help file, from the plain-text help
source in docs/, and optionally the same text as plain text for the
program's own help window, and that text packed, as the program carries it.
    make_help.py docs/swarden_help.txt swarden.hlp [help_text.txt [help_text.pak]]

No Microsoft help compiler runs on our build machines, so this writes the
format itself, from its public descriptions (helpdeco's helpfile.txt).
What it writes, and why each piece is there:

  * the internal file system: a 16-byte header, the internal files, and a
    directory of them as a B+ tree (the viewer finds every file through it);
  * |SYSTEM: format 1.21 (Windows 3.1), the title and the contents topic;
  * |FONT: the four fonts the text uses;
  * |TOPIC: the topics, each a topic header record and one text record per
    paragraph, in 4 KiB blocks, uncompressed;
  * |CONTEXT: a B+ tree from each topic's context-name hash to the topic,
    which the jumps between topics go through.

There is no keyword index, so the viewer's Search list stays empty; the
contents topic links to every other topic.

Source format (UTF-8, written into the file in Windows code page 1252):

    # a comment line
    title: Savewarden Help          the help file's title, before any topic
    == contents: Savewarden Help    a topic: context name, then its title;
                                    the first topic is the contents topic
    A paragraph runs to the next blank line; its lines are joined.
    * a bullet item (its own paragraph; indented lines continue it)
    | lines kept as they are, in a fixed-pitch font

Inside a paragraph: **bold**, `a path or a setting`, and
[[context_name|the text of a jump to that topic]].
"""
import re
import struct
import sys

# ----------------------------------------------------------------------
# Numbers as the format stores them: little-endian, and in text records
# "compressed" (the low bit says whether the short or the long form is
# used).


def u16(n):
    return struct.pack('<H', n & 0xFFFF)


def u32(n):
    return struct.pack('<I', n & 0xFFFFFFFF)


def cushort(n):
    """Unsigned 0..32767: one byte (n*2) below 128, else two (n*2+1)."""
    if not 0 <= n <= 0x7FFF:
        raise ValueError(f'{n} does not fit a compressed unsigned short')
    return bytes([n * 2]) if n < 0x80 else u16(n * 2 + 1)


def csshort(n):
    """Signed -16384..16383, stored biased: by 64 in one byte, else 16384."""
    if -0x40 <= n < 0x40:
        return cushort(n + 0x40)
    if not -0x4000 <= n < 0x4000:
        raise ValueError(f'{n} does not fit a compressed signed short')
    return u16((n + 0x4000) * 2 + 1)


def cslong(n):
    """Signed, stored biased: by 16384 in two bytes, else 2**26 in four."""
    if -0x4000 <= n < 0x4000:
        return u16((n + 0x4000) * 2)
    if not -0x4000000 <= n < 0x4000000:
        raise ValueError(f'{n} does not fit a compressed signed long')
    return u32((n + 0x4000000) * 2 + 1)


# ----------------------------------------------------------------------
# Context names: topics are found by a hash of their name.

# The hash's value of each character allowed in a Windows 3.1 context name.
_HASH_VALUE = {c: i + 1 for i, c in enumerate('123456789')}
_HASH_VALUE.update({'0': 10, '.': 12, '_': 13})
_HASH_VALUE.update({c: 17 + i for i, c in enumerate('ABCDEFGHIJKLMNOPQRSTUVWXYZ')})
_HASH_VALUE.update({c: 17 + i for i, c in enumerate('abcdefghijklmnopqrstuvwxyz')})


def context_hash(name):
    """The hash of a context name: a signed 32-bit value, letter case
    ignored. Kept signed because the |CONTEXT tree is ordered that way."""
    if not name or any(c not in _HASH_VALUE for c in name):
        raise ValueError(f'context name {name!r}: use letters, digits, "." and "_"')
    h = 0
    for c in name:
        h = (h * 43 + _HASH_VALUE[c]) & 0xFFFFFFFF
    return h - (1 << 32) if h & 0x80000000 else h


# ----------------------------------------------------------------------
# B+ trees: the directory of internal files and |CONTEXT.

def btree(entries, page_size, flags, structure):
    """A B+ tree as stored in an internal file.

    entries: (leaf_bytes, index_key_bytes) in the tree's order; a leaf
    entry holds key and value, an index entry repeats the key of the first
    entry of the page it points to. Leaf pages are filled in order and
    chained both ways; index levels are added above them until one page,
    the root, is left. Every page starts with the number of its unused
    bytes and its number of entries; an index page then names its leftmost
    child, and each of its entries the child whose keys start there."""
    pages = []

    def add_page(header, body):
        unused = page_size - 2 - len(header) - len(body)
        assert unused >= 0
        pages.append(u16(unused) + header + body + bytes(unused))

    # Leaf pages, noting the first index key and number of each page for
    # the level above. An empty tree still has its one (empty) leaf page.
    level = []
    i = 0
    while True:
        number, start = len(pages), i
        body = b''
        while i < len(entries) and 8 + len(body) + len(entries[i][0]) <= page_size:
            body += entries[i][0]
            i += 1
        if i == start and i < len(entries):
            raise ValueError('a B+ tree entry is larger than a page')
        level.append((entries[start][1] if i > start else b'', number))
        last = i == len(entries)
        add_page(u16(i - start) + u16(number - 1) + u16(-1 if last else number + 1), body)
        if last:
            break
    levels = 1

    while len(level) > 1:
        upper = []
        j = 0
        while j < len(level):
            number = len(pages)
            upper.append((level[j][0], number))
            leftmost = level[j][1]
            j += 1
            body = b''
            n = 0
            while j < len(level) and 6 + len(body) + len(level[j][0]) + 2 <= page_size:
                body += level[j][0] + u16(level[j][1])
                j += 1
                n += 1
            add_page(u16(n) + u16(leftmost), body)
        level = upper
        levels += 1

    header = (u16(0x293B) + u16(flags) + u16(page_size) +
              structure.encode('ascii').ljust(16, b'\0') +
              u16(0) +                       # must be zero
              u16(len(pages) - levels) +     # page splits: every page past the first of its level
              u16(len(pages) - 1) +          # the root is written last
              u16(-1) +                      # must be -1
              u16(len(pages)) + u16(levels) + u32(len(entries)))
    return header + b''.join(pages)


def help_file(internal_files):
    """The whole help file: header, internal files, then their directory.

    Each internal file is preceded by its 9-byte header (space reserved,
    space used, flags). The directory lists them sorted by name, compared
    byte by byte as the viewer does."""
    names = sorted(internal_files, key=lambda n: n.encode('ascii'))
    body = b''
    offsets = {}
    for name in names:
        offsets[name] = 16 + len(body)
        data = internal_files[name]
        body += u32(len(data) + 9) + u32(len(data)) + bytes([4]) + data
    directory = btree([(name.encode('ascii') + b'\0' + u32(offsets[name]),
                        name.encode('ascii') + b'\0') for name in names],
                      page_size=0x400, flags=0x0402, structure='z4')
    directory_at = 16 + len(body)
    body += u32(len(directory) + 9) + u32(len(directory)) + bytes([4]) + directory
    total = 16 + len(body)
    return u32(0x00035F3F) + u32(directory_at) + u32(0xFFFFFFFF) + u32(total) + body


# ----------------------------------------------------------------------
# |TOPIC: topic links in blocks.

BLOCK_SIZE = 4096      # uncompressed format 1.21: 4 KiB topic blocks
BLOCK_HEADER = 12
LINK_HEADER = 21
TOPIC_HEADER = 2       # record types
TEXT = 0x20
NONE = 0xFFFFFFFF


class Link:
    """One record of |TOPIC: a topic header or a text paragraph."""

    def __init__(self, record_type, data1, data2):
        self.record_type = record_type
        self.data1 = bytearray(data1)
        self.data2 = bytes(data2)
        self.pos = None      # TOPICPOS: where the record starts
        self.offset = None   # TOPICOFFSET: the text position it starts at

    @property
    def size(self):
        return LINK_HEADER + len(self.data1) + len(self.data2)


def lay_out_links(links):
    """Gives every link its TOPICPOS and TOPICOFFSET.

    A TOPICPOS is the block number times 0x4000 plus the place in the
    block, counted from the block's start (its 12-byte header included).
    A TOPICOFFSET is the block number times 0x8000 plus the characters of
    the text records that start earlier in the same block. A link's header
    and first data part stay in one block; its text may run on into the
    next one, past that block's header, and then still belongs to the
    block it started in."""
    block, pos, chars = 0, BLOCK_HEADER, 0
    for link in links:
        if BLOCK_SIZE - pos < LINK_HEADER + len(link.data1):
            block, pos, chars = block + 1, BLOCK_HEADER, 0
        link.pos = block * 0x4000 + pos
        link.offset = block * 0x8000 + chars
        pos += link.size
        if link.record_type == TEXT:
            chars += len(link.data2)
        while pos > BLOCK_SIZE:
            block, pos, chars = block + 1, pos - (BLOCK_SIZE - BLOCK_HEADER), 0


def topic_file(links):
    """|TOPIC from laid-out links, the last block padded to full size too.

    Each block starts with: the last link that started in an earlier block
    (or -1), the first link that starts in this block (or -1), and the
    last topic header that started in an earlier block (or 0)."""
    blocks = []
    last_link, last_topic = NONE, 0

    def block(n):
        while len(blocks) <= n:
            blocks.append(bytearray(u32(last_link) + u32(NONE) + u32(last_topic) +
                                    bytes(BLOCK_SIZE - BLOCK_HEADER)))
        return blocks[n]

    for i, link in enumerate(links):
        prev_pos = links[i - 1].pos if i > 0 else NONE
        next_pos = links[i + 1].pos if i + 1 < len(links) else NONE
        data = (u32(link.size) + u32(len(link.data2)) + u32(prev_pos) + u32(next_pos) +
                u32(LINK_HEADER + len(link.data1)) + bytes([link.record_type]) +
                link.data1 + link.data2)
        n = (link.pos - BLOCK_HEADER) >> 14
        at = BLOCK_HEADER + ((link.pos - BLOCK_HEADER) & 0x3FFF)
        if block(n)[4:8] == u32(NONE):
            block(n)[4:8] = u32(link.pos)
        # From here on, blocks this link reaches into count it as started
        # in an earlier block.
        last_link = link.pos
        if link.record_type == TOPIC_HEADER:
            last_topic = link.pos
        while data:
            part = data[:BLOCK_SIZE - at]
            block(n)[at:at + len(part)] = part
            data = data[len(part):]
            n, at = n + 1, BLOCK_HEADER
    return b''.join(bytes(b) for b in blocks)


# ----------------------------------------------------------------------
# Fonts and paragraphs.

FONTS = [  # (face, half-points, bold, family: 1 fixed pitch, 3 sans serif)
    ('Arial', 20, False, 3),         # body text
    ('Arial', 28, True, 3),          # topic headings
    ('Arial', 20, True, 3),          # **bold**
    ('Courier New', 20, False, 1),   # `paths and settings`
]
BODY, HEADING, BOLD, CODE = range(4)


def font_file():
    faces = sorted({f[0] for f in FONTS})
    data = u16(len(faces)) + u16(len(FONTS)) + u16(8) + u16(8 + 32 * len(faces))
    for face in faces:
        data += face.encode('ascii').ljust(32, b'\0')
    for face, half_points, bold, family in FONTS:
        data += bytes([1 if bold else 0, half_points, family]) + u16(faces.index(face))
        data += bytes(6)   # black text; the background colour is unused
    return data


# Paragraph attribute bits and the values used, in half-points.
SPACE_ABOVE, LEFT_INDENT, FIRST_INDENT, TABS = 0x0002, 0x0010, 0x0040, 0x0200
SPACING = {'heading': 0, 'text': 12, 'lines': 12, 'bullet': 4}   # above the paragraph
BULLET_INDENT = 24


def text_record(runs, kind):
    """A text record holding one paragraph.

    runs: (font, text, jump target hash or None); a text of "\\t" is a tab,
    "\\n" a line break. The text is a series of strings ended by NUL; after
    each string the viewer carries out the next formatting command from the
    first data part: set a font, start or end a jump, a tab, a line break,
    the end of the paragraph, the end of the record."""
    bits = SPACE_ABOVE
    attributes = csshort(SPACING[kind])
    if kind == 'bullet':
        bits |= LEFT_INDENT | FIRST_INDENT | TABS
        attributes += csshort(BULLET_INDENT) + csshort(-BULLET_INDENT)
        attributes += csshort(1) + cushort(BULLET_INDENT)    # one tab stop
        runs = [(BODY, '\u2022', None), (BODY, '\t', None)] + runs
    commands = bytes([0x00, 0x80]) + u16(0) + u16(bits) + attributes
    text = b''
    font = None
    for run_font, run_text, target in runs:
        if run_text in ('\t', '\n'):
            text += b'\0'
            commands += bytes([0x83 if run_text == '\t' else 0x81])
            continue
        if run_font != font:
            text += b'\0'
            commands += bytes([0x80]) + u16(run_font)
            font = run_font
        if target is not None:
            text += b'\0'
            commands += bytes([0xE3]) + u32(target)   # a jump to the topic of this hash
        text += run_text.encode('cp1252')
        if target is not None:
            text += b'\0'
            commands += bytes([0x89])                 # the end of the jump
    text += b'\0\0'
    commands += bytes([0x82, 0xFF])                   # end of paragraph, of record
    # In front: the size of the commands, and the text's length, which is
    # what the paragraph adds to the topic offsets.
    data1 = cslong(len(commands)) + cushort(len(text)) + commands
    return Link(TEXT, data1, text)


# ----------------------------------------------------------------------
# The source text.

class SourceError(Exception):
    pass


_INLINE = re.compile(r'\*\*(?P<bold>.+?)\*\*|`(?P<code>[^`]+)`|'
                     r'\[\[(?P<target>[^|\]]+)\|(?P<label>[^\]]+)\]\]')


def parse_inline(text, line):
    """(font, text, target context name or None) runs of a paragraph."""
    runs, at = [], 0
    for m in _INLINE.finditer(text):
        if m.start() > at:
            runs.append((BODY, text[at:m.start()], None))
        if m.group('bold'):
            runs.append((BOLD, m.group('bold'), None))
        elif m.group('code'):
            runs.append((CODE, m.group('code'), None))
        else:
            runs.append((BODY, m.group('label'), m.group('target').strip()))
        at = m.end()
    if at < len(text):
        runs.append((BODY, text[at:], None))
    for _, run_text, _ in runs:
        if '**' in run_text or '[[' in run_text or '`' in run_text:
            raise SourceError(f'line {line}: unclosed markup in {text!r}')
    return runs


def parse_source(source):
    """Title and topics: [(context name, title, [(kind, runs, line)])]."""
    title, topics = None, []
    paragraph, para_line, kind = [], 0, None

    def end_paragraph():
        nonlocal paragraph, kind
        if kind == 'lines':
            runs = [(CODE, '\n', None)] * (2 * len(paragraph) - 1)
            runs[::2] = [(CODE, text, None) for text in paragraph]
            topics[-1][2].append((kind, runs, para_line))
        elif paragraph:
            topics[-1][2].append((kind, parse_inline(' '.join(paragraph), para_line),
                                  para_line))
        paragraph, kind = [], None

    for number, raw in enumerate(source.splitlines(), 1):
        line = raw.rstrip()
        if line.startswith('#'):
            continue
        if line.startswith('== '):
            end_paragraph()
            name, sep, topic_title = line[3:].partition(':')
            if not sep or not topic_title.strip():
                raise SourceError(f'line {number}: expected "== context: Title"')
            topics.append((name.strip(), topic_title.strip(), []))
        elif not topics:
            if line.startswith('title:'):
                title = line[6:].strip()
            elif line:
                raise SourceError(f'line {number}: text before the first topic')
        elif not line:
            end_paragraph()
        elif line.startswith('|'):
            if kind != 'lines':
                end_paragraph()
                para_line, kind = number, 'lines'
            paragraph.append(line[2:])
        elif line.startswith('* '):
            end_paragraph()
            paragraph, para_line, kind = [line[2:].strip()], number, 'bullet'
        elif raw.startswith(' ') and kind == 'bullet':
            paragraph.append(line.strip())
        else:
            if kind in ('bullet', 'lines'):
                end_paragraph()
            if not paragraph:
                para_line, kind = number, 'text'
            paragraph.append(line.strip())
    if topics:
        end_paragraph()
    if not title:
        raise SourceError('no "title:" line')
    if not topics:
        raise SourceError('no topics')
    return title, topics


def build(source):
    """The help file's bytes from its source text."""
    title, topics = parse_source(source)
    hashes = {}
    for name, _, _ in topics:
        h = context_hash(name)
        if h in hashes:
            raise SourceError(f'context names {hashes[h]!r} and {name!r} have the same hash')
        hashes[h] = name

    links, headers = [], []
    for name, topic_title, paragraphs in topics:
        header = Link(TOPIC_HEADER, bytes(28), topic_title.encode('cp1252'))
        records = [text_record([(HEADING, topic_title, None)], 'heading')]
        for kind, runs, line in paragraphs:
            resolved = []
            for font, text, target in runs:
                if target is not None:
                    if context_hash(target) not in hashes:
                        raise SourceError(f'line {line}: no topic named {target!r}')
                    target = context_hash(target)
                resolved.append((font, text, target))
            records.append(text_record(resolved, kind))
        links += [header] + records
        headers.append((name, header, records))
    # The help compilers end |TOPIC with an empty topic header; the last
    # topic's "next topic" points at it.
    end = Link(TOPIC_HEADER, bytes(28), b'')
    links.append(end)
    lay_out_links(links)

    for number, (name, header, records) in enumerate(headers):
        following = headers[number + 1][1] if number + 1 < len(headers) else end
        header.data1[:] = (u32(sum(r.size for r in records)) +   # the topic's text records
                           u32(NONE) + u32(NONE) +               # no browse sequence
                           u32(number) +
                           u32(NONE) +                           # no non-scrolling region
                           u32(records[0].pos) +                 # the scrolling region
                           u32(following.pos))
    end.data1[:] = u32(0) + u32(NONE) + u32(NONE) + u32(len(headers)) + u32(NONE) * 3

    system = (u16(0x036C) + u16(21) + u16(1) +   # magic, format 1.21 (Windows 3.1)
              u32(0) +                           # no build date, so builds are identical
              u16(0) +                           # uncompressed, 4 KiB topic blocks
              u16(1) + u16(len(title) + 1) + title.encode('cp1252') + b'\0' +
              u16(3) + u16(4) + u32(headers[0][1].offset))
    contexts = sorted((context_hash(name), header.offset) for name, header, _ in headers)
    context = btree([(struct.pack('<iI', h, offset), struct.pack('<i', h))
                     for h, offset in contexts],
                    page_size=0x800, flags=0x0002, structure='L4')
    return help_file({'|SYSTEM': system, '|FONT': font_file(),
                      '|TOPIC': topic_file(links), '|CONTEXT': context})


# ----------------------------------------------------------------------
# The same text as plain text, for the program's own help window where
# Windows has no help viewer (Vista and later).

def plain_text(source):
    """The help text for an edit control: every topic in order, the
    contents first; each heading underlined, the contents' with "=" and
    the others' with "-"; links as their visible text; no markup; CR LF
    line ends; in code page 1252, like the help file. A paragraph is one
    line, which the edit control wraps to its width. One zero byte ends
    it, so that the program can give the resource to the edit control as
    it is."""
    _, topics = parse_source(source)
    lines = []
    for number, (_, topic_title, paragraphs) in enumerate(topics):
        if number:
            lines += ['', '']
        lines += [topic_title, ('=' if number == 0 else '-') * len(topic_title)]
        previous = None
        for kind, runs, _ in paragraphs:
            if not (kind == previous == 'bullet'):
                lines.append('')
            text = ''.join(run_text for _, run_text, _ in runs)
            if kind == 'bullet':
                lines.append('- ' + text)
            elif kind == 'lines':
                lines += ['    ' + line for line in text.split('\n')]
            else:
                lines.append(text)
            previous = kind
    return '\r\n'.join(lines).encode('cp1252') + b'\r\n\0'


# ----------------------------------------------------------------------
# The plain text packed for the program, by byte pair encoding: the most
# frequent pair of adjacent bytes is replaced by a byte value the text does
# not use, again and again. Unpacking takes a table and a loop; the text
# takes about half its room.
#
#   u16 length of the text without its zero byte
#   u8  number of pairs, then per pair: its code, its left and right byte
#   the packed text, to the end
# A pair's bytes are text bytes or codes of pairs listed before it.

def pack_text(text):
    """The packed form of text (bytes, without a zero byte at the end)."""
    if len(text) > 0xFFFF:
        raise ValueError('the help text is longer than 65535 bytes')
    data = list(text)
    free = [c for c in range(1, 256) if c not in set(text)]
    pairs = []
    while free:
        counts = {}
        for pair in zip(data, data[1:]):
            counts[pair] = counts.get(pair, 0) + 1
        if not counts:
            break
        pair, count = max(counts.items(), key=lambda item: item[1])
        if count <= 3:  # a table entry costs three bytes
            break
        code = free.pop(0)
        pairs.append((code,) + pair)
        replaced, i = [], 0
        while i < len(data):
            if i + 1 < len(data) and (data[i], data[i + 1]) == pair:
                replaced.append(code)
                i += 2
            else:
                replaced.append(data[i])
                i += 1
        data = replaced
    header = struct.pack('<HB', len(text), len(pairs))
    return header + b''.join(bytes(p) for p in pairs) + bytes(data)


def main(argv):
    if len(argv) not in (3, 4, 5):
        print(__doc__.split('\n\n')[0], file=sys.stderr)
        return 2
    try:
        with open(argv[1], encoding='utf-8') as f:
            source = f.read()
        outputs = [(argv[2], build(source))]
        if len(argv) >= 4:
            text = plain_text(source)
            outputs.append((argv[3], text))
        if len(argv) == 5:
            outputs.append((argv[4], pack_text(text[:-1])))
    except (SourceError, ValueError, UnicodeError) as error:
        print(f'{argv[1]}: {error}', file=sys.stderr)
        return 1
    for path, data in outputs:
        with open(path, 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
