#!/usr/bin/env python3
# Checks the shipped data set in data/ the way the viewer will read it.
#   python3 tools/check_dataset.py [data-folder]
# Exit status 0 when every check passes; otherwise each fault is printed.
# make_dataset.py runs it after writing the files.
#
# What is checked: CR LF line ends and UTF-8; field counts of every tree,
# database and species line (a "#" inside a value would add a field); ids
# lower-case and unique per level; a record for every tree branch that has
# an id; the counts of ranks, genera, species, planned branches, placeholders
# and forgotten genera; link macros and brackets in descriptions; the
# templates' directives against their argument lists and their brace groups
# against the line-by-line macro expansion; summarycode.dat, netpaths.dat,
# classify.hlp; the pictures (GIF decoded in full, JPEG markers); and the
# pictures only the reference server has (tools/velmora-images/): each one a
# picture that the data set names but leaves out, with at least one left
# out picture downloadable and at least one that exists nowhere.
#   python3 tools/check_dataset.py [data-folder [server-images-folder]]

import os
import re
import struct
import sys

LEVEL_FILES = ['class.dat', 'subclass.dat', 'order.dat', 'suborder.dat', 'family.dat', 'genus.dat']
OPENERS, CLOSERS = '(<[{', ')>]}'
PARTNER = dict(zip(OPENERS, CLOSERS))
NA = '(n/a)'
NET_PATHS = {
    'UserControl': 'velmora/usercontrol?cmd=%s&file=%s%s',
    'SurveyPage': 'velmora/survey.html',
    'SubmitPage': 'velmora/suggest.html?subject=%s',
    'TaxonomyDb': 'velmora/data/classifytree.dat',
    'DetailDb': 'velmora/data/db?level=%d&id=%d',
    'ImagesPath': 'velmora/images/',
    'AnatomyImagesPath': 'velmora/anatomy/',
}
# Link targets that are absent from the tree on purpose (a forgotten genus).
DELIBERATE_DEAD_LINKS = {'oroskelis'}
NOT_SHIPPED = ['options.ini', 'treestate.dat', 'modifiedfiles.dat', 'usr_tree.dat', 'README.txt',
               'Announcement.txt'] + ['usr_' + f for f in LEVEL_FILES]


class Levels(list):
    """The six databases by level; .species maps a genus id to its species lines."""


class Checker:
    def __init__(self, folder):
        self.folder = folder
        self.faults = []

    def fault(self, msg):
        self.faults.append(msg)

    def path(self, name):
        return os.path.join(self.folder, name)

    def lines(self, name):
        """The file's lines; faults for bad line ends or bad UTF-8."""
        with open(self.path(name), 'rb') as f:
            raw = f.read()
        if raw and not raw.endswith(b'\r\n'):
            self.fault(f'{name}: last line does not end with CR LF')
        if raw.replace(b'\r\n', b'').count(b'\n') or raw.replace(b'\r\n', b'').count(b'\r'):
            self.fault(f'{name}: a line end other than CR LF')
        try:
            text = raw.decode('utf-8')
        except UnicodeDecodeError as e:
            self.fault(f'{name}: not UTF-8 ({e})')
            text = raw.decode('latin-1')
        return text.split('\r\n')[:-1] if text else []


# --- macro expansion as the viewer does it, one line at a time ------------

def scan_macros(line):
    """(macros, problems): each macro as (open, name, close)."""
    macros, problems = [], []
    opened, name = None, ''
    for c in line:
        if opened is None:
            if c in OPENERS:
                opened = c
        elif c in CLOSERS:
            macros.append((opened, name, c))
            if PARTNER[opened] != c:
                problems.append(f'{opened}{name}{c} is closed by the wrong bracket')
            opened, name = None, ''
        elif c in OPENERS and name == '':
            opened = c
        else:
            if c in OPENERS:
                problems.append(f'bracket {c} inside {opened}{name}')
            name += c
    if opened is not None:
        problems.append(f'unterminated {opened}{name}')
    return macros, problems


LINK_RE = {
    'genus': re.compile(r"^genus\$(.)([a-z0-9-]+|[A-Za-z][A-Za-z-]*)\1$"),
    'info': re.compile(r"^info\$([0-5]),(.)([^,$]+)\2$"),
    'url': re.compile(r"^url\$(https?://[^\s$]+|mailto:[^\s$]+)$"),
}


def check_text(ck, where, text, tree_ids, codes):
    """A description (one-line form): brackets, link macros, forbidden characters."""
    links = 0
    if any(c in text for c in '\\{}#\t'):
        ck.fault(f'{where}: backslash, brace, "#" or TAB in a description')
    for line in text.split('|'):
        macros, problems = scan_macros(line)
        for p in problems:
            ck.fault(f'{where}: {p}')
        for opened, name, _ in macros:
            kind = name.split('$', 1)[0] if '$' in name else None
            if kind is None:
                if opened == '<' and name.lower() not in codes and not name.startswith(('note', 'curator')):
                    ck.fault(f'{where}: <{name}> would vanish from the summary')
                continue
            m = LINK_RE.get(kind) and LINK_RE[kind].match(name)
            if opened != '<' or not m:
                ck.fault(f'{where}: malformed link macro {opened}{name}')
                continue
            links += 1
            if kind == 'genus':
                target = m.group(2).lower()
                if tree_ids.get(target) != 5 and target not in DELIBERATE_DEAD_LINKS:
                    ck.fault(f'{where}: genus link to {target}, which the tree lacks')
            elif kind == 'info':
                target, level = m.group(3).lower(), int(m.group(1))
                if tree_ids.get(target) != level:
                    ck.fault(f'{where}: info link to {level},{target}, not a branch of that level')
    return links


# --- tree and databases ---------------------------------------------------

def check_data(ck):
    stats = {}
    tree = []
    for n, line in enumerate(ck.lines('classifytree.dat'), 1):
        f = line.split('#')
        if len(f) != 4:
            ck.fault(f'classifytree.dat:{n}: {len(f)} fields')
            continue
        if f[0].strip('\t') or len(f[0]) > 5:
            ck.fault(f'classifytree.dat:{n}: bad level marker')
        tree.append((len(f[0]), f[1], f[2], f[3]))
    ids = {}
    for level, tid, name, info in tree:
        if tid in ('', NA):
            continue
        if tid != tid.lower() or any(c in tid for c in "$,'\"<>()[]{} "):
            ck.fault(f'tree id {tid!r} is not a plain lower-case id')
        if tid in ids:
            ck.fault(f'tree id {tid} used twice')
        ids[tid] = level
    genus_names = [t[2] for t in tree if t[0] == 5 and t[2][:1] not in OPENERS]
    for name in sorted({n for n in genus_names if genus_names.count(n) > 1}):
        ck.fault(f'genus name {name} twice in the tree')
    if tree and tree[0][0] != 0:
        ck.fault('the tree does not start with a class')

    dbs = Levels(dict() for _ in range(6))
    species = {}
    db_lines = {}
    for level, name in enumerate(LEVEL_FILES):
        lines = ck.lines(name)
        db_lines[level] = lines
        current = None
        for n, line in enumerate(lines, 1):
            f = line.split('#')
            if level == 5 and line.startswith('\t'):
                if current is None or len(f) != 4 or f[0] != '\t' or not f[1]:
                    ck.fault(f'{name}:{n}: bad species line')
                else:
                    species[current].append(f)
                continue
            want = 12 if level == 5 else 4
            if len(f) != want:
                ck.fault(f'{name}:{n}: {len(f)} fields, {want} expected')
                continue
            if f[0] in dbs[level]:
                ck.fault(f'{name}:{n}: id {f[0]} twice')
            if f[0] != f[0].lower() or not f[0]:
                ck.fault(f'{name}:{n}: id {f[0]!r} is not lower-case')
            dbs[level][f[0]] = f
            current = f[0]
            species[current] = []

    for level, tid, name, info in tree:
        if tid in ('', NA):
            continue
        rec = dbs[level].get(tid)
        if rec is None:
            ck.fault(f'tree branch {tid} (level {level}) has no record in {LEVEL_FILES[level]}')
        elif level < 5 and rec[1] != name:
            ck.fault(f'{tid}: tree name {name!r} differs from the record name {rec[1]!r}')

    codes = read_ini(ck, 'summarycode.dat').get('codes', {})
    links = 0
    for level in range(6):
        for tid, f in dbs[level].items():
            links += check_text(ck, f'{LEVEL_FILES[level]} {tid}', f[3], ids, codes)
            for i, v in enumerate(f):
                if i != 3 and '|' in v:
                    ck.fault(f'{LEVEL_FILES[level]} {tid}: "|" in field {i + 1}')
    for gid, sp in species.items():
        for s in sp:
            links += check_text(ck, f'genus.dat {gid} species {s[1]}', s[3], ids, codes)

    tree_genus_names = {name for level, tid, name, _ in tree if level == 5 and tid not in ('', NA)}
    forgotten = [f for f in dbs[5].values() if f[1] not in tree_genus_names]
    for f in forgotten:
        if f[1] in genus_names:
            ck.fault(f'forgotten genus {f[1]} has the name of a planned genus')
    placeholders = [t for t in tree if t[2][:1] in OPENERS]
    planned = [t for t in tree if t[1] == NA]
    stats.update({
        'classes': sum(1 for t in tree if t[0] == 0),
        'subclasses': sum(1 for t in tree if t[0] == 1), 'orders': sum(1 for t in tree if t[0] == 2),
        'suborders': sum(1 for t in tree if t[0] == 3), 'families': sum(1 for t in tree if t[0] == 4),
        'genera in tree': sum(1 for t in tree if t[0] == 5 and t[1] not in ('', NA)),
        'genus records': len(dbs[5]), 'species': sum(len(s) for s in species.values()),
        'forgotten': len(forgotten), 'planned': len(planned),
        'planned levels': sorted({t[0] for t in planned}), 'placeholders': len(placeholders),
        'link macros': links,
        'genera without species': sum(1 for g in dbs[5] if not species[g]),
        'most species': max((len(s), g) for g, s in species.items()),
    })
    need = [('classes', 3), ('genera in tree', 150), ('species', 400), ('forgotten', 1),
            ('placeholders', 3), ('genera without species', 1)]
    for key, least in need:
        if stats[key] < least:
            ck.fault(f'only {stats[key]} {key}, at least {least} wanted')
    if len(stats['planned levels']) < 3 or 5 not in stats['planned levels']:
        ck.fault('planned branches should be at several levels, genera included')
    skipped = any(b[0] > a[0] + 1 for a, b in zip(tree, tree[1:]))
    if not skipped:
        ck.fault('no skipped rank in the tree')
    dbs.species = species
    return stats, dbs, tree


# --- INI files, templates, help -------------------------------------------

def read_ini(ck, name):
    sections, current = {}, None
    for line in ck.lines(name):
        s = line.strip()
        if not s:
            continue
        if s.startswith('[') and s.endswith(']'):
            current = sections.setdefault(s[1:-1].lower(), {})
        elif '=' in s and current is not None:
            k, v = s.split('=', 1)
            current.setdefault(k.lower(), v)
        else:
            ck.fault(f'{name}: stray line {line!r}')
    return sections


def count_directives(text):
    """Arguments a printf-like fill needs: %s, %d, %N:s and %% as the viewer formats."""
    need, nxt, kinds = 0, 0, []
    for m in re.finditer(r'%(?:(\d+):)?(.)', text):
        if m.group(2) == '%':
            continue
        idx = int(m.group(1)) if m.group(1) else nxt
        kinds.append(m.group(2))
        nxt = idx + 1
        need = max(need, nxt)
    return need, kinds


def check_templates(ck):
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from make_templates import ARGS, UNEXPANDED
    counts = {}
    body_depth = 0
    for name, args in ARGS.items():
        text = '\r\n'.join(ck.lines(name))
        need, kinds = count_directives(text)
        counts[name] = len(kinds)
        if args is None:
            if kinds:
                ck.fault(f'{name}: {len(kinds)} directives, but it is never formatted')
        else:
            if need > len(args):
                ck.fault(f'{name}: needs {need} arguments, gets {len(args)}')
            if any(k != 's' for k in kinds):
                ck.fault(f'{name}: a directive other than %s (all arguments are strings)')
        depth = text.count('{') - text.count('}')
        if name == 'rtfhead.tem':
            if not text.startswith('{\\rtf1') or '\\fonttbl' not in text or '\\colortbl' not in text:
                ck.fault('rtfhead.tem: must open the document with \\rtf1, \\fonttbl and \\colortbl')
            body_depth += depth
        elif name == 'rtffoot.tem':
            body_depth += depth
        elif depth:
            ck.fault(f'{name}: unbalanced braces')
        if name in UNEXPANDED:
            continue
        for n, line in enumerate(text.split('\r\n'), 1):
            macros, problems = scan_macros(line)
            for p in problems:
                ck.fault(f'{name}:{n}: {p}')
            d = 0
            for i, c in enumerate(line):
                d += (c == '{') - (c == '}')
                if c == '%' and d > 0:
                    ck.fault(f'{name}:{n}: a value inside a brace group')
            for opened, mname, _ in macros:
                if opened == '{' and any(c in mname for c in '%<'):
                    ck.fault(f'{name}:{n}: a macro or value inside {{{mname}}}')
    if body_depth:
        ck.fault('rtfhead.tem and rtffoot.tem together do not balance the braces')
    return counts


def check_config(ck):
    codes = read_ini(ck, 'summarycode.dat')
    for sec in ('codes', 'urls', 'captions', 'misc'):
        if sec not in codes:
            ck.fault(f'summarycode.dat: no section {sec}')
    if 'highlighttext' not in codes.get('misc', {}):
        ck.fault('summarycode.dat: no highlighttext')
    for key in codes.get('urls', {}):
        if key not in codes.get('captions', {}) or key not in codes.get('codes', {}):
            ck.fault(f'summarycode.dat: url {key} without code or caption')
    for name in ('genus.tem', 'searchhlp.tem', 'taxonomy.tem'):
        for line in ck.lines(name):
            for opened, mname, _ in scan_macros(line)[0]:
                if opened == '<' and mname.lower() not in codes.get('codes', {}):
                    ck.fault(f'{name}: <{mname}> is not a summary code')
    net = read_ini(ck, 'netpaths.dat')
    got = net.get('velmora', {})
    for k, v in NET_PATHS.items():
        if got.get(k.lower()) != v:
            ck.fault(f'netpaths.dat: {k} is {got.get(k.lower())!r}, want {v!r}')
    if set(net) != {'velmora'} or len(got) != len(NET_PATHS):
        ck.fault('netpaths.dat: extra sections or keys')


def check_help(ck):
    lines = ck.lines('classify.hlp')
    if not lines or lines[0] != 'ORVANDEL-HELP 1':
        ck.fault('classify.hlp: bad first line')
    topics, links, order = {}, {}, []
    cur = None
    for line in lines[1:]:
        if line.startswith('##'):
            continue
        m = re.match(r'^#topic (\d+) (\S.*)$', line)
        if m:
            cur = int(m.group(1))
            if cur in topics:
                ck.fault(f'classify.hlp: topic {cur} twice')
            topics[cur], links[cur] = m.group(2), set()
            order.append(cur)
            continue
        if line.startswith('#'):
            ck.fault(f'classify.hlp: stray line {line!r}')
        if cur is None and line:
            ck.fault('classify.hlp: text before the first topic')
        for m in re.finditer(r'\{\{(\d+)\|([^{}|]+)\}\}', line):
            links[cur].add(int(m.group(1)))
        if re.sub(r'\{\{\d+\|[^{}|]+\}\}', '', line).count('{{'):
            ck.fault(f'classify.hlp: malformed link in {line!r}')
    if not order or order[0] != 1:
        ck.fault('classify.hlp: the contents (1) must come first')
    for need in (1, 502, 1301):
        if need not in topics:
            ck.fault(f'classify.hlp: no topic {need}')
    for t, ls in links.items():
        for target in ls:
            if target not in topics:
                ck.fault(f'classify.hlp: topic {t} links to missing topic {target}')
    if topics and set(topics) - {1} - links.get(1, set()):
        ck.fault('classify.hlp: the contents do not link every topic')
    return len(topics)


# --- pictures -----------------------------------------------------------------

def lzw_decode(data, min_size, count):
    clear, eoi = 1 << min_size, (1 << min_size) + 1
    size, mask = min_size + 1, (1 << (min_size + 1)) - 1
    table = [bytes([i]) for i in range(clear)] + [b'', b'']
    out = bytearray()
    prev = None
    acc = bits = 0
    for byte in data:
        acc |= byte << bits
        bits += 8
        while bits >= size:
            code = acc & mask
            acc >>= size
            bits -= size
            if code == clear:
                table = table[:eoi + 1]
                size, mask, prev = min_size + 1, (1 << (min_size + 1)) - 1, None
                continue
            if code == eoi:
                return bytes(out)
            if prev is None:
                entry = table[code]
            elif code < len(table):
                entry = table[code]
                table.append(prev + entry[:1])
            elif code == len(table):
                entry = prev + prev[:1]
                table.append(entry)
            else:
                raise ValueError('LZW code out of range')
            out += entry
            prev = entry
            if len(table) == (1 << size) and size < 12:
                size += 1
                mask = (1 << size) - 1
    raise ValueError('no end-of-information code')


def parse_gif(raw):
    """Features of a GIF; raises ValueError on any structural fault."""
    if raw[:6] not in (b'GIF87a', b'GIF89a'):
        raise ValueError('no GIF signature')
    w, h, flags, _bg, _aspect = struct.unpack('<HHBBB', raw[6:13])
    pos = 13
    feats = {'version': raw[3:6].decode(), 'size': (w, h), 'frames': 0, 'interlaced': False,
             'transparent': False, 'loop': False, 'local': False, 'global': bool(flags & 0x80),
             'delays': []}
    if flags & 0x80:
        pos += 3 << ((flags & 7) + 1)
    while True:
        block = raw[pos]
        pos += 1
        if block == 0x3B:
            break
        if block == 0x21:
            label = raw[pos]
            pos += 1
            first = True
            while raw[pos]:
                n = raw[pos]
                sub = raw[pos + 1:pos + 1 + n]
                if label == 0xF9 and first:
                    feats['transparent'] |= bool(sub[0] & 1)
                    feats['delays'].append(sub[1] | sub[2] << 8)
                if label == 0xFF and first and sub[:11] == b'NETSCAPE2.0':
                    feats['loop'] = True
                first = False
                pos += n + 1
            pos += 1
        elif block == 0x2C:
            x, y, fw, fh, fflags = struct.unpack('<HHHHB', raw[pos:pos + 9])
            pos += 9
            if x + fw > w or y + fh > h:
                raise ValueError('frame outside the screen')
            if fflags & 0x80:
                feats['local'] = True
                pos += 3 << ((fflags & 7) + 1)
            elif not feats['global']:
                raise ValueError('frame without any colour table')
            feats['interlaced'] |= bool(fflags & 0x40)
            min_size = raw[pos]
            pos += 1
            data = bytearray()
            while raw[pos]:
                data += raw[pos + 1:pos + 1 + raw[pos]]
                pos += raw[pos] + 1
            pos += 1
            pixels = lzw_decode(bytes(data), min_size, fw * fh)
            if len(pixels) != fw * fh:
                raise ValueError(f'frame has {len(pixels)} pixels, {fw * fh} expected')
            feats['frames'] += 1
        else:
            raise ValueError(f'unknown block 0x{block:02x}')
    if pos != len(raw):
        raise ValueError('bytes after the trailer')
    return feats


def jpeg_size(raw):
    if raw[:2] != b'\xff\xd8' or raw[-2:] != b'\xff\xd9':
        raise ValueError('no SOI/EOI marker')
    pos = 2
    while pos < len(raw):
        if raw[pos] != 0xFF:
            raise ValueError('bad marker')
        marker = raw[pos + 1]
        seg = struct.unpack('>H', raw[pos + 2:pos + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            h, w = struct.unpack('>HH', raw[pos + 5:pos + 9])
            return w, h
        pos += 2 + seg
    raise ValueError('no frame header')


def check_images(ck, dbs):
    folder = ck.path('images')
    files = set(os.listdir(folder)) if os.path.isdir(folder) else set()
    named = [(g, f[6]) for g, f in dbs[5].items()]
    stats = {'named': 0, 'none': 0, 'missing': [], 'jpeg': 0, 'gif': 0, 'bytes': 0}
    special = {'interlaced': [], 'transparent': [], 'animated': [], 'local': [], '87a': []}
    for gid, img in named:
        if img == '-':
            stats['none'] += 1
            continue
        stats['named'] += 1
        if img != os.path.basename(img) or img.startswith('.') or '\\' in img:
            ck.fault(f'{gid}: picture name {img!r} is not a plain file name')
        if img not in files:
            stats['missing'].append(gid)
    for name in sorted(files):
        raw = open(os.path.join(folder, name), 'rb').read()
        stats['bytes'] += len(raw)
        try:
            if name.endswith('.gif'):
                feats = parse_gif(raw)
                stats['gif'] += 1
                size = feats['size']
                if feats['interlaced']:
                    special['interlaced'].append(name)
                if feats['transparent']:
                    special['transparent'].append(name)
                if feats['frames'] > 1:
                    if not feats['loop'] or not all(feats['delays']):
                        ck.fault(f'{name}: animated without loop extension or delays')
                    special['animated'].append(name)
                if feats['local']:
                    special['local'].append(name)
                if feats['version'] == '87a':
                    special['87a'].append(name)
            elif name.endswith('.jpg'):
                size = jpeg_size(raw)
                stats['jpeg'] += 1
            else:
                ck.fault(f'images/{name}: unexpected file')
                continue
        except (ValueError, IndexError, struct.error) as e:
            ck.fault(f'images/{name}: {e}')
            continue
        if not (160 <= size[0] <= 320 and 120 <= size[1] <= 240):
            ck.fault(f'images/{name}: size {size} outside 160x120 .. 320x240')
    for kind, got in special.items():
        if not got:
            ck.fault(f'no {kind} GIF among the pictures')
    if not stats['missing']:
        ck.fault('no genus names a picture that is absent (to be downloaded)')
    if stats['named'] - len(stats['missing']) < len(named) * 0.6:
        ck.fault('fewer than 60% of the genera have a picture on disk')
    if stats['bytes'] > 1_600_000:
        ck.fault(f'images/ holds {stats["bytes"]} bytes')
    stats.update({k: v for k, v in special.items()})
    return stats


def check_server_images(ck, dbs, missing, folder):
    """The reference server's own pictures: those the data set names but leaves out of images/."""
    files = set(os.listdir(folder)) if os.path.isdir(folder) else set()
    left_out = {dbs[5][gid][6]: gid for gid in missing}
    for name in sorted(files):
        if name not in left_out:
            ck.fault(f'server picture {name}: not a picture that the data set leaves out')
            continue
        with open(os.path.join(folder, name), 'rb') as f:
            raw = f.read()
        try:
            size = parse_gif(raw)['size'] if name.endswith('.gif') else jpeg_size(raw)
        except (ValueError, IndexError, struct.error) as e:
            ck.fault(f'server picture {name}: {e}')
            continue
        if not (160 <= size[0] <= 320 and 120 <= size[1] <= 240):
            ck.fault(f'server picture {name}: size {size} outside 160x120 .. 320x240')
    served = sorted(n for n in left_out if n in files)
    nowhere = sorted(gid for n, gid in left_out.items() if n not in files)
    if not served:
        ck.fault('no picture left out of images/ can be downloaded from the reference server')
    if not nowhere:
        ck.fault('every picture left out of images/ is on the reference server: no download fails')
    return {'served': served, 'nowhere': nowhere}


# --- whole summary documents, built as the viewer builds them ---------------

LEVEL_NAMES = ['Class', 'Subclass', 'Order', 'Suborder', 'Family', 'Genus']


def fill(template, args):
    """printf-like fill with %s, %N:s and %%."""
    nxt = 0

    def one(m):
        nonlocal nxt
        if m.group(2) == '%':
            return '%'
        idx = int(m.group(1)) if m.group(1) else nxt
        nxt = idx + 1
        return args[idx] if idx < len(args) else ''  # counted elsewhere
    return re.sub(r'%(?:(\d+):)?(.)', one, template)


def expand(line, codes, misc, tree_ids):
    """One line through the summary's macro expansion; returns (text, links)."""
    out, links = [], []
    opened, name = None, ''
    for c in line:
        if opened is None:
            if c in OPENERS:
                opened = c
            else:
                out.append(c)
        elif c in CLOSERS:
            value = None
            if name.lower() in codes:
                value = codes[name.lower()]
            else:
                f = (name.split('$') + ['', ''])[:3]
                hl = misc.get('highlighttext', '')
                if f[0] == 'genus':
                    value = hl
                    links.append(f[1].strip()[1:-1].lower())
                elif f[0] == 'info':
                    value = hl
                    links.append(f[1].split(',')[1].strip()[1:-1].lower())
                elif f[0] == 'url':
                    value = hl
                elif name in ('n/a', 'unclassified', 'no common name'):
                    value = '\\i ' + opened + name + c + '\\i0 '
                elif opened == '<':
                    value = ''
                elif opened == '[':
                    value = '\\i [' + name + ']\\i0 '
            out.append(value if value is not None else opened + name + c)
            opened, name = None, ''
        elif c in OPENERS and not name:
            out.append(opened)
            opened = c
        else:
            name += c
    return ''.join(out), links


def rtf_balanced(doc):
    depth, i = 0, 0
    while i < len(doc):
        c = doc[i]
        if c == '\\':
            i += 2
            continue
        depth += (c == '{') - (c == '}')
        if depth < 0:
            return False
        i += 1
    return depth == 0


def check_documents(ck, dbs, tree):
    t = {name: '\r\n'.join(ck.lines(name)) + '\r\n' for name in
         ('rtfhead.tem', 'rtffoot.tem', 'taxonomy.tem', 'genus.tem', 'specieshead.tem',
          'species.tem', 'waitforname.tem', 'nodata.tem', 'datanotfound.tem', 'searchhlp.tem')}
    ini = read_ini(ck, 'summarycode.dat')
    codes, misc = ini.get('codes', {}), ini.get('misc', {})
    ids = {tid: level for level, tid, _, _ in tree}
    names = {tid: name for _, tid, name, _ in tree}
    bodies = []
    for level, tid, name, _ in tree:
        if tid == NA:
            bodies.append((tid, fill(t['nodata.tem'], [LEVEL_NAMES[level], name] * 2)))
            continue
        f = dbs[level].get(tid)
        if f is None:
            continue  # already reported
        meaning = '(n/a)' if f[2] in ('', 'n/a') else f[2]
        desc = f[3].replace('|', '\\par\n')
        if level == 5:
            body = fill(t['genus.tem'], [name, name, meaning, f[4], f[5] or '(no common name)', f[11], desc])
        else:
            body = fill(t['taxonomy.tem'], [LEVEL_NAMES[level], f[1], f[1], meaning, desc])
        if name[:1] in OPENERS:
            body = fill(t['waitforname.tem'], [LEVEL_NAMES[level], name]) + body
        if level == 5:
            body += t['specieshead.tem']
            for s in dbs.species[tid]:
                body += fill(t['species.tem'], [name, s[1], s[2], s[3].replace('|', '\\par\n')])
        bodies.append((tid, body))
    bodies.append(('search help', t['searchhlp.tem']))
    bodies.append(('not found', fill(t['datanotfound.tem'], ['Genus', 'Aurovelis'])))
    dead = 0
    for tid, body in bodies:
        lines, links = [], []
        for line in re.split('\r\n|\r|\n', body):
            text, ls = expand(line, codes, misc, ids)
            lines.append(text)
            links += ls
        doc = t['rtfhead.tem'] + '\r\n'.join(lines) + t['rtffoot.tem']
        if not rtf_balanced(doc):
            ck.fault(f'summary of {tid}: RTF braces do not balance')
        if re.search(r'<(genus|info|url)\$', doc):
            ck.fault(f'summary of {tid}: a link macro survived the expansion')
        dead += sum(1 for link in links if link not in ids)
    return len(bodies), dead


def main(folder=None, server_images=None):
    here = os.path.dirname(os.path.abspath(__file__))
    if not folder:
        folder = os.path.normpath(os.path.join(here, '..', 'data'))
        server_images = server_images or os.path.join(here, 'velmora-images')
    ck = Checker(folder)
    for name in NOT_SHIPPED:
        if os.path.exists(ck.path(name)):
            ck.fault(f'{name} must not be shipped')
    stats, dbs, tree = check_data(ck)
    counts = check_templates(ck)
    check_config(ck)
    topics = check_help(ck)
    images = check_images(ck, dbs)
    server = check_server_images(ck, dbs, images['missing'], server_images) if server_images else None
    docs, dead = check_documents(ck, dbs, tree)
    for k, v in stats.items():
        print(f'{k}: {v}')
    print('template directives:', ', '.join(f'{k} {v}' for k, v in counts.items()))
    print(f'help topics: {topics}')
    print(f'summary documents built: {docs} (branch links to nowhere: {dead})')
    print('pictures: ' + ', '.join(f'{k} {v}' for k, v in images.items()))
    if server:
        print('pictures only on the reference server: ' + ', '.join(f'{k} {v}' for k, v in server.items()))
    for f in ck.faults:
        print('FAULT:', f)
    print(f'{0 if ck.faults else 1} passed, {1 if ck.faults else 0} failed')
    return 1 if ck.faults else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:3]))
