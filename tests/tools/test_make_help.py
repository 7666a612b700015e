#!/usr/bin/env python3
"""Unit tests of tools/make_help.py's tricky parts: the B+ tree pages and
the topic positions and offsets, read back the way a help viewer reads
them. Whether the viewer shows the result is checked end to end (the
help_file scenario in tests/e2e)."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tools'))
import make_help  # noqa: E402


def u16(data, at):
    return struct.unpack_from('<H', data, at)[0]


def s16(data, at):
    return struct.unpack_from('<h', data, at)[0]


def u32(data, at):
    return struct.unpack_from('<I', data, at)[0]


class Tree:
    """A B+ tree read back: header fields and pages."""

    def __init__(self, data):
        assert u16(data, 0) == 0x293B, 'B+ tree magic'
        self.page_size = u16(data, 4)
        self.root, self.total_pages, self.levels = s16(data, 26), u16(data, 30), u16(data, 32)
        self.entries = u32(data, 34)
        self.pages = data[38:]
        assert len(self.pages) == self.total_pages * self.page_size, 'pages fill the tree'

    def page(self, n):
        return self.pages[n * self.page_size:(n + 1) * self.page_size]

    def search(self, key, key_of):
        """The number of the leaf page that holds key, going down from the
        root as a viewer does: in an index page, past every entry whose key
        is not above the one sought. key_of(bytes) -> (key, its size)."""
        n = self.root
        for _ in range(self.levels - 1):
            page = self.page(n)
            n, at = s16(page, 4), 6
            for _ in range(s16(page, 2)):
                k, size = key_of(page[at:])
                if k > key:
                    break
                n, at = s16(page, at + size), at + size + 2
        return n


class BTreeTest(unittest.TestCase):
    def leaf_chain(self, tree, entry_size):
        """All leaf entries, first leaf to last by the next-page links,
        checking each page's counts and back links on the way."""
        n = tree.root
        for _ in range(tree.levels - 1):
            n = s16(tree.page(n), 4)
        entries, previous = [], -1
        while n != -1:
            page = tree.page(n)
            self.assertEqual(s16(page, 4), previous, f'page {n} links back')
            at = 8
            for _ in range(s16(page, 2)):
                size = entry_size(page[at:])
                entries.append(page[at:at + size])
                at += size
            self.assertEqual(u16(page, 0), tree.page_size - at, f'unused bytes of page {n}')
            self.assertFalse(any(page[at:]), 'unused bytes are zero')
            previous, n = n, s16(page, 6)
        return entries

    def test_context_tree_of_several_levels(self):
        keys = sorted({make_help.context_hash(f'topic_{i}') for i in range(600)})
        entries = [(struct.pack('<iI', h, i), struct.pack('<i', h)) for i, h in enumerate(keys)]
        tree = Tree(make_help.btree(entries, 0x40, 0x0002, 'L4'))
        self.assertEqual(tree.levels, 3, 'small pages make index pages of index pages')
        self.assertEqual(tree.entries, len(entries))
        self.assertEqual(self.leaf_chain(tree, lambda e: 8), [e[0] for e in entries])
        for i, h in enumerate(keys):
            leaf = tree.page(tree.search(h, lambda e: (struct.unpack_from('<i', e)[0], 4)))
            found = [struct.unpack_from('<iI', leaf, 8 + 8 * k) for k in range(s16(leaf, 2))]
            self.assertIn((h, i), found, f'hash {h} is found from the root')

    def test_directory_of_names_of_different_lengths(self):
        names = sorted(f'|{"x" * (i % 7)}{i:04d}'.encode() for i in range(150))
        entries = [(n + b'\0' + struct.pack('<I', 100 + i), n + b'\0') for i, n in enumerate(names)]
        tree = Tree(make_help.btree(entries, 0x80, 0x0402, 'z4'))
        self.assertGreater(tree.levels, 1)
        def name_of(e):
            return e[:e.index(b'\0')], e.index(b'\0') + 1
        self.assertEqual(self.leaf_chain(tree, lambda e: name_of(e)[1] + 4),
                         [e[0] for e in entries])
        for i, name in enumerate(names):
            leaf = tree.page(tree.search(name, name_of))
            self.assertIn(name + b'\0' + struct.pack('<I', 100 + i), leaf, name)

    def test_empty_tree_has_one_empty_leaf(self):
        tree = Tree(make_help.btree([], 0x400, 0x0402, 'z4'))
        self.assertEqual((tree.total_pages, tree.levels, tree.entries), (1, 1, 0))
        self.assertEqual(self.leaf_chain(tree, None), [])


def internal_files(hlp):
    """{name: data} through the directory at the end of the help file."""
    assert u32(hlp, 0) == 0x00035F3F and u32(hlp, 12) == len(hlp)
    tree = Tree(hlp[u32(hlp, 4) + 9:])
    files = {}
    page = tree.page(tree.root)   # one leaf is enough for the few files we write
    at = 8
    for _ in range(s16(page, 2)):
        end = page.index(b'\0', at)
        offset = u32(page, end + 1)
        reserved, used = u32(hlp, offset), u32(hlp, offset + 4)
        assert reserved == used + 9
        files[page[at:end].decode()] = hlp[offset + 9:offset + 9 + used]
        at = end + 5
    return files


class TopicLayoutTest(unittest.TestCase):
    SOURCE = '\n'.join(
        ['title: Test Help', '== contents: Contents', 'See [[second|the second topic]].', '']
        + [f'Paragraph {i}: ' + 'words to fill the topic blocks ' * (5 + i % 9) + '\n'
           for i in range(40)]
        + ['== second: Second topic', '* a bullet', '| a line', '| another line', '']
        + [f'More {i}: ' + 'x' * 300 + '\n' for i in range(30)]
        + ['== third: Third', 'The end.'])

    def setUp(self):
        self.files = internal_files(make_help.build(self.SOURCE))
        topic = self.files['|TOPIC']
        self.assertEqual(len(topic) % 4096, 0, 'whole topic blocks')
        self.blocks = [topic[i:i + 4096] for i in range(0, len(topic), 4096)]
        # The block contents without their headers, end to end: a link that
        # does not fit its block goes on in the next one.
        self.stream = b''.join(b[12:] for b in self.blocks)

    def at(self, pos):
        """Index into the stream of a TOPICPOS."""
        return ((pos - 12) >> 14) * 4084 + ((pos - 12) & 0x3FFF)

    def walk(self):
        """(pos, record type, data1, data2, TOPICOFFSET) of every link, from
        the first by the next-link positions, counting topic offsets as a
        viewer does: per block, the text lengths of the records before."""
        links, pos, previous, chars, block = [], 12, 0xFFFFFFFF, 0, 0
        while pos != 0xFFFFFFFF:
            i = self.at(pos)
            size, len2, prev, nxt, len1 = struct.unpack_from('<5I', self.stream, i)
            self.assertEqual(prev, previous, f'link at {pos:#x} points back')
            if (pos - 12) >> 14 != block:
                block, chars = (pos - 12) >> 14, 0
            data1 = self.stream[i + 21:i + len1]
            data2 = self.stream[i + len1:i + size]
            self.assertEqual(len(data2), len2)
            links.append((pos, self.stream[i + 20], data1, data2, block * 0x8000 + chars))
            if self.stream[i + 20] == make_help.TEXT:
                data = data1
                cslong = u16(data, 0)
                self.assertEqual(cslong & 1, 0, 'short form of the size')
                text_len = data[2] // 2 if not data[2] & 1 else u16(data, 2) // 2
                self.assertEqual(text_len, len2, 'a paragraph counts its text length')
                chars += text_len
            previous, pos = pos, nxt
        return links

    def test_links_chain_across_blocks(self):
        links = self.walk()
        self.assertGreater(len(self.blocks), 3)
        starts = {(pos - 12) >> 14 for pos, *_ in links}
        spanning = [pos for pos, _, d1, d2, _ in links
                    if ((pos - 12) & 0x3FFF) + 21 + len(d1) + len(d2) > 4084]
        self.assertTrue(spanning, 'some text runs on into the next block')
        for pos, _, d1, _, _ in links:   # a link's header and first part stay in its block
            self.assertLessEqual(((pos - 12) & 0x3FFF) + 21 + len(d1), 4084)
        for n, block in enumerate(self.blocks):
            first = [pos for pos, *_ in links if (pos - 12) >> 14 == n]
            self.assertEqual(u32(block, 4), first[0] if first else 0xFFFFFFFF,
                             f'block {n} names its first link')
            earlier = [(pos, t) for pos, t, *_ in links if (pos - 12) >> 14 < n]
            self.assertEqual(u32(block, 0), earlier[-1][0] if earlier else 0xFFFFFFFF)
            headers = [pos for pos, t in earlier if t == make_help.TOPIC_HEADER]
            self.assertEqual(u32(block, 8), headers[-1] if headers else 0)
        self.assertEqual(starts, set(range(len(self.blocks))))

    def test_contexts_and_contents_reach_their_topics(self):
        links = self.walk()
        headers = [(l[4], l[3].decode(), l) for l in links if l[1] == make_help.TOPIC_HEADER]
        self.assertEqual([h[1] for h in headers], ['Contents', 'Second topic', 'Third', ''])
        by_offset = {offset: title for offset, title, _ in headers}
        context = Tree(self.files['|CONTEXT'])
        leaf = context.page(context.root)
        found = dict(struct.unpack_from('<iI', leaf, 8 + 8 * k) for k in range(s16(leaf, 2)))
        for name, title in [('contents', 'Contents'), ('second', 'Second topic'),
                            ('third', 'Third')]:
            self.assertEqual(by_offset.get(found[make_help.context_hash(name)]), title, name)
        self.assertGreater(found[make_help.context_hash('third')], 0x8000,
                           'a topic after the first block')
        system = self.files['|SYSTEM']
        self.assertEqual(struct.unpack_from('<HHH', system), (0x036C, 21, 1))
        self.assertIn(b'\x01\x00\x0a\x00Test Help\x00', system)
        self.assertEqual(system[-8:], struct.pack('<HHI', 3, 4, headers[0][0]))
        # Each topic header names the first record of its text and the
        # next topic header.
        for (_, _, link), (_, _, following) in zip(headers, headers[1:]):
            i = links.index(link)
            self.assertEqual(u32(link[2], 20), links[i + 1][0], 'scrolling region')
            self.assertEqual(u32(link[2], 24), following[0], 'next topic')


class ContextNameTest(unittest.TestCase):
    def test_hash(self):
        self.assertEqual(make_help.context_hash('a'), 17)
        self.assertEqual(make_help.context_hash('A1.'), (17 * 43 + 1) * 43 + 12)
        self.assertEqual(make_help.context_hash('Fields'), make_help.context_hash('fields'))
        self.assertLess(make_help.context_hash('contents_of_the_file'), 0, 'wraps to signed')
        self.assertRaises(ValueError, make_help.context_hash, 'has space')

    def test_names_of_equal_hash_are_refused(self):
        # A known pair of names that hash alike (32-bit wrap-around).
        self.assertEqual(make_help.context_hash('M359HPEHGW'), make_help.context_hash('Y5VQEXZQVJ'))
        source = 'title: T\n== M359HPEHGW: One\nx\n== Y5VQEXZQVJ: Two\ny\n'
        with self.assertRaisesRegex(make_help.SourceError, 'same hash'):
            make_help.build(source)

    def test_jump_to_unknown_topic_is_refused(self):
        with self.assertRaisesRegex(make_help.SourceError, 'line 3: no topic named'):
            make_help.build('title: T\n== a: A\nsee [[b|B]]\n')


class PlainTextTest(unittest.TestCase):
    """The rendering for the program's own help window: what an edit
    control shows, from the same source as the help file."""

    def test_every_kind_of_paragraph(self):
        source = '\n'.join([
            '# a comment', 'title: Test Help',
            '== contents: Test Help',
            'Keeps **your** `save` safe;', 'see [[second|the second topic]].',
            '',
            '* one bullet', '  continued here',
            '* [[second|another]]',
            'After the list.',
            '',
            '== second: Second topic',
            '| [Options]', '| Key=**value**',
            '',
            'The end.'])
        self.assertEqual(make_help.plain_text(source), (
            b'Test Help\r\n'
            b'=========\r\n'
            b'\r\n'
            b'Keeps your save safe; see the second topic.\r\n'
            b'\r\n'
            b'- one bullet continued here\r\n'
            b'- another\r\n'
            b'\r\n'
            b'After the list.\r\n'
            b'\r\n'
            b'\r\n'
            b'Second topic\r\n'
            b'------------\r\n'
            b'\r\n'
            b'    [Options]\r\n'
            b'    Key=**value**\r\n'
            b'\r\n'
            b'The end.\r\n'
            b'\0'))

    def test_text_outside_code_page_1252_is_refused(self):
        self.assertRaises(UnicodeError, make_help.plain_text,
                          'title: T\n== a: A\nan arrow \u2192 here\n')

    def test_shipped_help_text(self):
        with open(os.path.join(os.path.dirname(__file__), '..', '..', 'docs',
                               'swarden_help.txt'), encoding='utf-8') as f:
            source = f.read()
        text = make_help.plain_text(source)
        self.assertTrue(text.endswith(b'\r\n\0'))
        self.assertEqual(text.count(b'\0'), 1, 'one zero byte, at the end')
        body = text[:-1].decode('cp1252')
        self.assertEqual(body.replace('\r\n', ''), body.replace('\r', '').replace('\n', ''),
                         'every line ends with CR LF')
        lines = body.split('\r\n')
        for markup in ('**', '[[', ']]', '`'):
            self.assertNotIn(markup, body)
        # Every topic's title, in the help file's order, the contents
        # first, each underlined to its length.
        _, topics = make_help.parse_source(source)
        at = 0
        for number, (_, title, _) in enumerate(topics):
            at = lines.index(title, at)
            self.assertEqual(lines[at + 1], ('=' if number == 0 else '-') * len(title), title)
        self.assertEqual(lines[0], topics[0][1], 'the contents come first')


def unpack_text(packed):
    """Unpacks as the program does (common/packed_text.cpp)."""
    length, count = struct.unpack_from('<HB', packed, 0)
    pairs = {packed[3 + 3 * i]: packed[4 + 3 * i:6 + 3 * i] for i in range(count)}
    out, stack = bytearray(), list(reversed(packed[3 + 3 * count:]))
    while stack:
        b = stack.pop()
        if b in pairs:
            stack += [pairs[b][1], pairs[b][0]]
        else:
            out.append(b)
    assert len(out) == length, 'the length in the header'
    return bytes(out)


class PackedTextTest(unittest.TestCase):
    def test_shipped_help_text_packs_to_about_half_and_back(self):
        with open(os.path.join(os.path.dirname(__file__), '..', '..', 'docs',
                               'swarden_help.txt'), encoding='utf-8') as f:
            text = make_help.plain_text(f.read())[:-1]
        packed = make_help.pack_text(text)
        self.assertEqual(unpack_text(packed), text)
        self.assertLess(len(packed), 0.6 * len(text))
        # Codes are bytes the text does not use, and pairs refer only to
        # codes listed before them, so unpacking ends.
        count = packed[2]
        codes = [packed[3 + 3 * i] for i in range(count)]
        self.assertFalse(set(codes) & set(text))
        for i in range(count):
            for b in packed[4 + 3 * i:6 + 3 * i]:
                self.assertTrue(b not in codes or codes.index(b) < i)

    def test_edges(self):
        for text in (b'', b'a', b'ab' * 3, bytes(range(1, 256)), b'abcabcabcabcabd'):
            self.assertEqual(unpack_text(make_help.pack_text(text)), text, text[:20])


class CompressedNumbersTest(unittest.TestCase):
    """The short and long forms meet at the edges of the one-byte and
    two-byte ranges; decoded here as helpfile.txt describes."""

    def test_forms_at_their_edges(self):
        def unsigned_short(b):
            return b[0] // 2 if not b[0] & 1 else u16(b, 0) // 2

        def signed_short(b):
            return b[0] // 2 - 64 if not b[0] & 1 else u16(b, 0) // 2 - 16384

        def signed_long(b):
            return u16(b, 0) // 2 - 16384 if not b[0] & 1 else u32(b, 0) // 2 - 67108864

        for n in (0, 127, 128, 32767):
            self.assertEqual(unsigned_short(make_help.cushort(n)), n)
            self.assertEqual(len(make_help.cushort(n)), 1 if n < 128 else 2)
        for n in (-64, 63, 64, -65, 16383, -16384):
            self.assertEqual(signed_short(make_help.csshort(n)), n)
            self.assertEqual(len(make_help.csshort(n)), 1 if -64 <= n < 64 else 2)
        for n in (0, 16383, 16384, -16385, 5000000):
            self.assertEqual(signed_long(make_help.cslong(n)), n)
        self.assertRaises(ValueError, make_help.cushort, 32768)


if __name__ == '__main__':
    unittest.main()
