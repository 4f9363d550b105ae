#!/usr/bin/env python3
# Generates the data set shipped in data/ (the program folder's content):
#
#   classifytree.dat            the taxonomy tree, one branch per line:
#                               level marker (TABs) # id # name # info
#   class.dat .. family.dat     id # name # meaning # description
#   genus.dat                   id # name # meaning # description # Korvel type #
#                               common name # picture # copyright # copyright URL #
#                               owner # owner URL # keywords, then its species
#                               lines: TAB # name # meaning # description
#   *.tem, summarycode.dat, netpaths.dat   (from make_templates.py)
#   classify.hlp                           (from make_help.py)
#
# Usage:
#   python3 tools/make_dataset.py          write data/ and check it
#   python3 tools/make_dataset.py --check  check data/ only
#
# Everything is deterministic (fixed seed): a second run rewrites the same
# bytes. Multi-line descriptions are joined with "|"; no field contains "#".
# Files are UTF-8 with CR LF line ends. Pictures come from make_images.py,
# which calls build() here to learn which genus gets which kind of picture.
#
# The tree deliberately shows every feature the program handles: skipped
# ranks, planned branches (id "(n/a)") at several levels, placeholder names
# in brackets, forgotten genera (in genus.dat, not in the tree), a genus
# without species, link macros and remarks in descriptions, genera whose
# picture is absent from images/ and genera without a picture ("-").

import os
import random
import re
import sys

from make_dataset_texts import HAND, HAND_GENUS
from make_dataset_words import (AUTHORS, BIOLOGY, CAVE_BIOLOGY, COLOURS, COMMON_ADJ, EPITHETS,
                                GROUP_NOUNS, KORVEL_TYPES, LIMBS, MANTLE, OCELLI, PLACES, PREFIXES,
                                REMARKS_ROUND, REMARKS_SQUARE, SPECIES_EXTRA, SPECIES_MARKS,
                                SPECIES_RANGE, SUFFIXES, TENDRILS)

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, '..', 'data'))
SEED = 2200
NA = '(n/a)'
RANK_ENDINGS = {0: 'ea', 1: 'ia', 2: 'ida', 3: 'ina', 4: 'idae'}
NUMBERS = ['no', 'one', 'two', 'three', 'four', 'five', 'six', 'seven', 'eight', 'nine', 'ten']

# Genera that exist only in genus.dat (the tree lost them).
FORGOTTEN = [('water', 'Thalasso', 'myra'), ('ground', 'Lopho', 'drassa'),
             ('ground', 'Oro', 'skelis'), ('air', 'Hespero', 'ocellis')]
# Showcase pictures: GIF variants the viewer must cope with.
SPECIAL_PICTURES = {'aurovelis': 'gif-animated', 'limnonessa': 'gif-interlaced',
                    'psammodrassa': 'gif-transparent', 'halodriva': 'gif87-local'}
MISSING_COUNT = 7
# author, year, mantle length range, common name, Korvel type of the hand-written genera
HAND_GENUS_FACTS = {'aurovelis': ('Tessmer', 1887, (38, 66), 'Gilded vanewing', 'Glider'),
                    'anemorvex': ('Sato-Venn', 1964, (55, 80), 'Steppe glider', 'Soarer'),
                    'cryptoskelis': ('Ibsdóttir', 1999, (12, 16), '', ''),
                    'gen-pending-tylo': ('Tovren', 2019, (20, 26), '', '')}
PHOTOGRAPHERS = [('Mira Tessaly', 'https://example.org/~tessaly/'),
                 ('Jorund Allby', 'https://example.net/allby/korvels.html'),
                 ('Anneke Vosberg', 'https://example.com/vosberg/'),
                 ('Teodor Quill', 'https://example.org/quill/gallery/'),
                 ('Sanna Lyre', 'mailto:sanna.lyre@example.com'),
                 ('Velmora Image Archive', 'https://example.org/velmora-archive/'),
                 ('Kessen Field Station', 'https://example.net/kessen-station/'),
                 ('Oriel Natural History Society', 'https://example.org/onhs/')]
KEEPERS = ['Hollis Pender', 'Ruth Ambry', 'Velmora collection', 'Oriel aquarium',
           'Brennock cave survey', 'Ilse Marchetti', 'Tam Okonkwo', 'the Farrow delta trust']


# Epithets that would not fit a korvel of the given habitat.
_WATER = {'aquatilis', 'natans', 'lacustris', 'fluviatilis', 'pelagica', 'palustris', 'littoralis'}
_GROUND = {'fodiens', 'subterranea', 'cavernicola', 'arenaria', 'tardigrada'}
_AIR = {'volitans', 'bivela', 'quadrivela', 'hexavela', 'brevivela'}
HABITAT_EPITHETS = {'air': _WATER | _GROUND, 'water': _GROUND | _AIR, 'ground': _WATER | _AIR}


class Taxon:
    def __init__(self, level, name, tid, hab, children=(), info=''):
        self.level, self.name, self.id, self.hab = level, name, tid, hab
        self.children = list(children)
        self.info, self.meaning, self.desc = info, '', []
        self.parent = None
        self.author, self.year = None, None
        for c in self.children:
            c.parent = self
        # genus part
        self.stem = self.prefix = self.suffix = None
        self.ktype = self.common = self.keywords = ''
        self.image, self.credits, self.species = '-', (NA, '-', NA, '-'), []

    @property
    def planned(self):
        return self.id == NA

    def walk(self):
        yield self
        for c in self.children:
            yield from c.walk()

    def type_genus(self):
        for t in self.walk():
            if t.level == 5 and not t.planned and t.stem:
                return t
        return None


class Builder:
    def __init__(self):
        self.rng = random.Random(SEED)
        self.used = set()
        self.hab = 'air'
        self.roots = {}
        for hab, plist in PREFIXES.items():
            for p, src, gloss in plist:
                self.roots[p] = (src, gloss)
        self.suffixes = {s[0]: s for lst in SUFFIXES.values() for s in lst}
        for hab, p, s in FORGOTTEN:
            self.used.add(self.compose(p, s)[0])

    def compose(self, prefix, suffix):
        s = self.suffixes[suffix]
        p = prefix[:-1] if prefix.endswith('o') and suffix[0] in 'aeiou' else prefix
        return p + s[0], p + s[1]

    # --- tree builders -------------------------------------------------
    def gen(self, prefix=None, suffix=None, hab=None):
        hab = hab or self.hab
        rng = self.rng
        explicit = prefix is not None
        while prefix is None:
            p = rng.choice(PREFIXES[hab])[0]
            s = rng.choice(SUFFIXES[hab])[0]
            if self.compose(p, s)[0] not in self.used:
                prefix, suffix = p, s
        name, stem = self.compose(prefix, suffix)
        self.used.add(name)
        if explicit:
            self.explicit.add(name)
        g = Taxon(5, name, name.lower(), hab)
        g.stem, g.prefix, g.suffix = stem, prefix, suffix
        return g

    def fam(self, parts, n, name=None, tid=None):
        genera = [self.gen(*parts)] if parts else []
        while len(genera) < n:
            genera.append(self.gen())
        if name is None:
            name = genera[0].stem + RANK_ENDINGS[4]
            tid = name.lower()
        return Taxon(4, name, tid, self.hab, genera)

    def higher(self, level, children, name=None, tid=None):
        t = Taxon(level, name or '', tid or '', self.hab, children)
        if name is None:
            t.name = t.type_genus().stem + RANK_ENDINGS[level]
            t.id = t.name.lower()
        return t

    def planned(self, level, name, info, children=()):
        if level == 5:
            self.explicit.add(name)
        return Taxon(level, name, NA, self.hab, children, info)

    def tree(self):
        # A dry run learns the names given explicitly, so that no random name takes one.
        self.explicit = set()
        state, used = self.rng.getstate(), set(self.used)
        self._tree()
        self.rng.setstate(state)
        self.used = used | self.explicit
        return self._tree()

    def _tree(self):
        H, F, G, P = self.higher, self.fam, self.gen, self.planned
        self.hab = 'air'
        aero = H(0, [
            H(1, [
                H(2, [H(3, [F(('Auro', 'velis'), 7), F(('Xantho', 'thren'), 5)]),
                      H(3, [F(('Sticto', 'skelis'), 5), F(('Cyano', 'myra'), 4), G('Leuco', 'orvex')])]),
                H(2, [F(('Anemo', 'orvex'), 6), F(('Nephelo', 'ocellis'), 4),
                      F(None, 3, '(undescribed)', 'fam-undescribed-aero')])]),
            H(1, [
                H(2, [H(3, [F(('Dendro', 'myra'), 6), F(('Phyllo', 'thren'), 4)]),
                      P(3, 'Trichovelina', 'hairy-vaned forms, in preparation',
                        [P(5, '[unnamed]', 'hairy vanewing'), P(5, 'Trichovelis', 'hairy vanewings')])]),
                H(2, [F(('Petro', 'orvex'), 6), F(('Dolicho', 'korva'), 3)])]),
            H(2, [F(('Brachy', 'korva'), 4), G('Micro', 'velis')], '[Ordo novus]', 'ordo-novus-aero'),
        ], 'Aerokorvea', 'aerokorvea')
        self.hab = 'water'
        hydro = H(0, [
            H(1, [
                H(2, [H(3, [F(('Limno', 'nessa'), 7), F(('Potamo', 'driva'), 4)]),
                      H(3, [F(('Helo', 'myra'), 4), F(('Zono', 'skelis'), 4)])]),
                H(2, [F(('Glauco', 'scapha'), 6), F(('Cyclo', 'nessa'), 4)])]),
            H(1, [
                H(2, [H(3, [F(('Halo', 'driva'), 6), F(('Argyro', 'velis'), 4)]),
                      H(3, [F(('Cteno', 'thren'), 3), G(), G()], '{incertae sedis}', 'subord-incertae-halo')]),
                P(2, 'Benthokorvida', 'deep-water forms, in preparation', [
                    P(4, 'Benthokorvidae', 'deep-water korvels', [
                        P(5, 'Benthokorva', 'deep korvels'), P(5, 'Benthocellis', 'deep eye-spot korvels')])])]),
        ], 'Hydrokorvea', 'hydrokorvea')
        self.hab = 'ground'
        geo = H(0, [
            H(1, [
                H(2, [H(3, [F(('Psammo', 'drassa'), 7), F(('Pachy', 'drassa'), 4)]),
                      H(3, [F(('Ortho', 'carrix'), 6), F(('Lepido', 'carrix'), 4)])]),
                H(2, [F(('Speleo', 'thren'), 5), F(('Scoto', 'carrix'), 3),
                      P(4, '[Familia nova]', 'two cave genera, family in preparation',
                        [G('Crypto', 'skelis'), P(5, '[unnamed]', 'blind cave korvel')])])]),
            H(1, [
                H(2, [H(3, [F(('Phloeo', 'carrix'), 6), F(('Erythro', 'myra'), 4)]),
                      H(3, [F(('Gyro', 'spirra'), 4)], '(unnamed)', 'subord-pending-phloeo')]),
                H(2, [F(('Melano', 'korva'), 6), F(('Tylo', 'ocellis'), 3)])]),
        ], 'Geokorvea', 'geokorvea')
        palaeo = P(0, 'Palaeokorvea', 'fossil korvels, in preparation', [
            P(5, 'Archaeovelis', 'early vanewings'), P(5, 'Lithodrassa', 'stone diggers')])
        # a genus still waiting for its name, beside its relatives
        tylo = [t for t in geo.walk() if t.id == 'tylocellidae'][0]
        pending = self.gen(hab='ground')
        self.used.discard(pending.name)
        pending.name, pending.id, pending.stem = '<pending>', 'gen-pending-tylo', None
        pending.parent = tylo
        tylo.children.append(pending)
        return [aero, hydro, geo, palaeo]


# --- descriptions --------------------------------------------------------

def fix_articles(text):
    return re.sub(r'\b([Aa]) (?=[aeiou])', r'\1n ', text)


class Writer:
    def __init__(self, b, roots):
        self.b, self.rng = b, b.rng
        self.roots = roots
        self.common_used = set()

    def author(self, lo=1861, hi=2018):
        return self.rng.choice(AUTHORS), self.rng.randint(lo, hi)

    def link_genus(self, g):
        q = '"' if self.rng.random() < 0.08 else "'"
        return f'{g.name} <genus${q}{g.name}{q}>'

    def fill(self, text, n=None):
        r = self.rng
        p, q = r.sample(PLACES, 2)
        return fix_articles(text.format(c=r.choice(COLOURS), n=NUMBERS[n or r.randint(5, 10)], p=p, q=q,
                           a=r.choice(AUTHORS), y=r.randint(1880, 2015)))

    def genus_meaning(self, g):
        src, gloss = self.roots[g.prefix]
        s = self.b.suffixes[g.suffix]
        return f'{gloss} {s[3]} ({src}, {gloss}; Velmoran {s[2]}, {s[3]})'

    def genus_fields(self, g):
        r = self.rng
        g.ktype = r.choice(KORVEL_TYPES[g.hab])
        up = g.parent
        while up is not None:
            if up.id in ('speleothrenidae', NA) and g.hab == 'ground':
                g.ktype = 'Cave dweller'
            up = up.parent
        for _ in range(20):
            common = f'{r.choice(COMMON_ADJ)} {r.choice(GROUP_NOUNS[g.hab])}'
            if common not in self.common_used:
                break
        self.common_used.add(common)
        if r.random() < 0.1:
            common = ''
        g.common = common
        g.meaning = self.genus_meaning(g) if r.random() > 0.04 else r.choice(['', 'n/a'])
        place = r.choice(PLACES)
        g.info = (common.lower() + 's') if common else f'{g.ktype.lower()}s of {place[4:]}'
        kw = [w for w in [common.lower(), g.ktype.lower(), r.choice(COLOURS), place[4:]] if w]
        if r.random() < 0.4:
            syn = self.b.gen(hab=g.hab)
            kw.append(f'syn. {syn.name} {r.choice(AUTHORS)}')
        g.keywords = ', '.join(kw)
        g.author, g.year = self.author()
        lo = r.randint(8, 60)
        g.size = (lo, lo + r.randint(6, 30))
        if g.id in HAND_GENUS_FACTS:
            g.author, g.year, g.size, common, ktype = HAND_GENUS_FACTS[g.id]
            if common:
                g.common, g.ktype = common, ktype
                g.info = common.lower() + 's'
                g.keywords = ', '.join([common.lower(), ktype.lower()] + kw[2:])

    def species(self, g, count):
        r = self.rng
        lo, hi = g.size
        chosen = r.sample([e for e in EPITHETS if e[0] not in HABITAT_EPITHETS[g.hab]], count)
        out = []
        for i, (ep, meaning) in enumerate(chosen):
            a, y = (g.author, g.year) if i == 0 else self.author(g.year, 2019)
            s_lo = r.randint(lo, max(lo, hi - 4))
            s_hi = min(hi, s_lo + r.randint(2, 9))
            first = (f'{a}, {y}. Mantle {s_lo}–{s_hi} mm; {r.choice(COLOURS)}, '
                     f'with {r.choice(SPECIES_MARKS)}.')
            rng_line = self.fill(r.choice(SPECIES_RANGE))
            parts = [first, rng_line]
            if r.random() < 0.3:
                parts.append(r.choice(SPECIES_EXTRA))
            sep = '|' if r.random() < 0.45 else ' '
            desc = parts[0] + sep + ' '.join(parts[1:])
            if r.random() < 0.05:
                meaning = ''
            out.append((ep, meaning, desc))
        return out

    def genus_desc(self, g, siblings):
        r = self.rng
        lo, hi = g.size
        desc = []
        if g.species:
            ts = g.species[0][0]
            desc.append(f'{g.name} {g.author}, {g.year}. Type species: {g.name[0]}. {ts} '
                        f'{g.author}, {g.year}.')
        else:
            desc.append(f'{g.name} {g.author}, {g.year}. No species has been named yet '
                        '[described from a single specimen].')
        size = 'Small' if hi < 35 else ('Large' if lo > 45 else 'Medium-sized')
        diag = (f'{size} korvels (mantle length {lo}–{hi} mm) with {self.fill(r.choice(MANTLE))}, '
                f'{r.choice(LIMBS[g.hab])} and {self.fill(r.choice(OCELLI), r.randint(3, 8))}; '
                f'{self.fill(r.choice(TENDRILS), r.randint(2, 9))}.')
        sibs = [s for s in siblings if s is not g and s.level == 5 and not s.planned and s.stem]
        if sibs and r.random() < 0.4:
            other = r.choice(sibs)
            feat = r.choice(['the paired ocelli', 'the unbanded tendrils', 'the fused rear scutes',
                             'its longer vanes', 'the smooth mantle', 'its smaller size',
                             'the pale keel', 'the shorter tendrils'])
            diag += f' Distinguished from {self.link_genus(other)} by {feat}.'
        desc.append(diag)
        bio = r.sample(BIOLOGY[g.hab], 2 if r.random() < 0.4 else 1)
        if g.ktype == 'Cave dweller':
            bio.append(CAVE_BIOLOGY)
        p1, p2 = r.sample(PLACES, 2)
        desc.append(' '.join(bio) + f' Found in {p1} and {p2}.')
        x = r.random()
        par = g.parent
        if par is None:
            desc.append('[Not placed in the current classification.]')
        elif x < 0.25 and not par.planned and par.name[:1] not in '(<[{':
            desc.append(f'Placed in {par.name} <info${par.level},\'{par.id}\'> on the structure of the mantle.')
        elif x < 0.45:
            desc.append(r.choice(REMARKS_SQUARE))
        elif x < 0.6:
            desc.append(self.fill(r.choice(REMARKS_ROUND)))
        if r.random() < 0.07:
            desc.append(f'Field notes: <url$https://example.org/korvel/genus/{g.id}>')
        return desc, lo, hi

    def family_desc(self, f):
        r = self.rng
        tg = f.type_genus()
        real = [c for c in f.children if c.level == 5 and not c.planned]
        f.author, f.year = r.choice(AUTHORS), min(2018, tg.year + r.randint(0, 40))
        f.meaning = f'from the type genus {tg.name}'
        f.info = (tg.common.lower() + 's and allies') if tg.common else f'{tg.name} and allies'
        p, q, s = r.sample(PLACES, 3)
        d = [f'{f.name} {f.author}, {f.year}. Type genus: {self.link_genus(tg)}.',
             f'Korvels with {self.fill(r.choice(MANTLE))} and {self.fill(r.choice(OCELLI), r.randint(3, 8))}. '
             f'{NUMBERS[len(real)].capitalize()} genera are recognised here.',
             f'Members occur in {p}, {q} and {s}.']
        x = r.random()
        if x < 0.3 and f.parent.name[:1] not in '(<[{':
            d.append(f'Placed in {f.parent.name} <info${f.parent.level},\'{f.parent.id}\'>.')
        elif x < 0.5:
            d.append(r.choice(REMARKS_SQUARE))
        elif x < 0.65:
            d.append(self.fill(r.choice(REMARKS_ROUND)))
        f.desc = d

    def suborder_desc(self, s):
        r = self.rng
        tg = s.type_genus()
        s.author, s.year = r.choice(AUTHORS), min(2018, tg.year + r.randint(0, 50))
        s.meaning = f'from the type genus {tg.name}'
        s.info = f'{tg.name} group'
        fams = [f'{c.name} <info$4,\'{c.id}\'>' for c in s.children if c.level == 4 and not c.planned]
        gens = [self.link_genus(c) for c in s.children if c.level == 5 and not c.planned]
        text = 'Contains the families ' + ' and '.join(fams) if len(fams) > 1 else \
            'Contains the family ' + fams[0]
        if gens:
            text += ', and the genus ' + gens[0] + ', which is not placed in any family'
        s.desc = [f'{s.name} {s.author}, {s.year}. Type genus: {self.link_genus(tg)}.', text + '.',
                  f'Members share {self.fill(r.choice(MANTLE))} and {r.choice(LIMBS[s.hab])}.']


def build():
    """The whole data set as a model: (roots, forgotten genera)."""
    b = Builder()
    roots = b.tree()
    w = Writer(b, b.roots)
    forgotten = []
    for hab, p, s in FORGOTTEN:
        b.used.discard(b.compose(p, s)[0])
        forgotten.append(b.gen(p, s, hab))
    nodes = [t for root in roots for t in root.walk()]
    genera = [t for t in nodes if t.level == 5 and not t.planned] + forgotten
    r = b.rng
    # genus fields and species first: family texts quote type genera
    for g in genera:
        w.genus_fields(g)
        if g.id == 'aurovelis':
            n = 14
        elif g.id == 'cryptoskelis':
            n = 0
        elif g.id == 'anemorvex':
            n = 4
        else:
            n = r.choices([0, 1, 2, 3, 4, 5, 6, 8], [2, 20, 26, 22, 14, 9, 5, 2])[0]
        g.species = w.species(g, n)
    total = sum(len(g.species) for g in genera)
    for g in genera:
        if total >= 430:
            break
        if 0 < len(g.species) < 3:
            g.species += w.species(g, 1)
            total += 1
    # the showcase genera's type species must be the ones their texts name
    au = [g for g in genera if g.id == 'aurovelis'][0]
    names = [s[0] for s in au.species]
    if 'sulcata' not in names:
        au.species[0] = ('sulcata', dict(EPITHETS)['sulcata'], au.species[0][2])
    if 'nocturna' not in names:
        au.species[-1] = ('nocturna', dict(EPITHETS)['nocturna'], au.species[-1][2])
    au.species.sort(key=lambda s: s[0] != 'sulcata')
    an = [g for g in genera if g.id == 'anemorvex'][0]
    if 'volitans' not in [s[0] for s in an.species]:
        an.species[0] = ('volitans', 'flying', an.species[0][2])
    pend = [g for g in genera if g.id == 'gen-pending-tylo'][0]
    pend.species = [('sp. A', '', 'Mantle 20–23 mm; sooty, with a bright patch behind the ocelli.|'
                     'Known only from the Tallow Hills.'),
                    ('sp. B', '', 'Mantle 22–26 mm; umber, unmarked. (Two specimens.)')]
    pend.common, pend.meaning = '', ''
    pend.info = 'knob-mantled crawlers, name awaiting publication'
    for g in genera:
        sibs = g.parent.children if g.parent else []
        desc, lo, hi = w.genus_desc(g, sibs)
        g.desc = HAND_GENUS.get(g.id, desc)
    for t in nodes:
        if t.planned or t.level == 5:
            continue
        if t.id in HAND:
            t.info, t.meaning, t.desc = HAND[t.id]
        elif t.level == 4:
            w.family_desc(t)
        elif t.level == 3:
            w.suborder_desc(t)
        else:
            raise SystemExit(f'no text for {t.level} {t.name}')
    plan_pictures(genera, r)
    return roots, forgotten


def plan_pictures(genera, r):
    """Gives each genus its picture kind: 'jpg', 'gif', a special GIF, 'missing' or None."""
    plain = [g for g in genera if g.id not in SPECIAL_PICTURES and g.id != 'cryptoskelis']
    none = set(id(g) for g in r.sample(plain, len(plain) // 7))
    rest = [g for g in plain if id(g) not in none]
    missing = set(id(g) for g in r.sample(rest, MISSING_COUNT))
    for i, g in enumerate(genera):
        g.picture_kind = SPECIAL_PICTURES.get(g.id)
        if g.id == 'cryptoskelis' or id(g) in none:
            g.picture_kind = None
        elif g.picture_kind is None:
            g.picture_kind = 'gif' if r.random() < 0.16 else 'jpg'
        g.missing = id(g) in missing
        if g.picture_kind is None:
            g.image, g.credits = '-', (NA, '-', NA, '-')
            continue
        ext = '.gif' if g.picture_kind.startswith('gif') else '.jpg'
        if g.id == 'gen-pending-tylo':
            g.image = 'tylocellis-sp-a.jpg'
        else:
            g.image = g.id + ext
        who, url = r.choice(PHOTOGRAPHERS)
        keeper = r.choice(KEEPERS)
        keeper_url = 'https://example.org/keepers/' + keeper.lower().replace(' ', '-') + '/'
        x = r.random()
        if x < 0.6:
            g.credits = (who, url, keeper, keeper_url)
        elif x < 0.8:
            g.credits = (who, url, keeper, '-')
        elif x < 0.9:
            g.credits = (who, '-', NA, '-')
        else:
            g.credits = (NA, '-', NA, '-')


# --- writing ---------------------------------------------------------------

def write_lines(name, lines):
    with open(os.path.join(DATA, name), 'w', encoding='utf-8', newline='\r\n') as f:
        for line in lines:
            f.write(line + '\n')


def record_lines(roots, forgotten):
    tree, levels = [], [[] for _ in range(6)]
    genus_lines = []
    for root in roots:
        for t in root.walk():
            tree.append('#'.join(['\t' * t.level, t.id, t.name, t.info]))
            if t.planned:
                continue
            if t.level < 5:
                levels[t.level].append('#'.join([t.id, t.name, t.meaning, '|'.join(t.desc)]))
            else:
                genus_lines.append(genus_record(t))
    # forgotten genera sit among the others, as a download leaves them
    for i, g in enumerate(forgotten):
        genus_lines.insert(min(len(genus_lines), 17 + i * 41), genus_record(g))
    levels[5] = [line for rec in genus_lines for line in rec]
    return tree, levels


def genus_record(g):
    head = '#'.join([g.id, g.name, g.meaning, '|'.join(g.desc), g.ktype, g.common, g.image,
                     *g.credits, g.keywords])
    return [head] + ['\t#' + '#'.join(s) for s in g.species]


def main():
    import check_dataset
    if '--check' not in sys.argv[1:]:
        import make_help
        import make_templates
        roots, forgotten = build()
        tree, levels = record_lines(roots, forgotten)
        os.makedirs(DATA, exist_ok=True)
        write_lines('classifytree.dat', tree)
        for name, lines in zip(['class.dat', 'subclass.dat', 'order.dat', 'suborder.dat',
                                'family.dat', 'genus.dat'], levels):
            write_lines(name, lines)
        make_templates.write_all(DATA)
        make_help.write(DATA)
    sys.exit(check_dataset.main(DATA))


if __name__ == '__main__':
    main()
