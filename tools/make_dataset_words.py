# Word stock for make_dataset.py: name roots with their meanings, authors,
# places, colours and the sentence pools the genus and species texts are
# drawn from. Everything here is invented for the Korvel; the roots borrow
# Latin and Greek words only the way taxonomists do, and the Korvel roots
# ("vel", "korva", "orvex" ...) are a made-up vernacular called Velmoran.
#
# Rules the texts must keep (the program reads these fields as they are):
#   - no "#" (field separator) and no "|" (line break) inside a phrase;
#   - no "\", "{" or "}" (the summary is RTF);
#   - brackets only as whole, balanced remarks: (..) stays as written,
#     [..] turns italic, <..> vanishes unless it is a link macro.

# (prefix, source, gloss) - the prefix ends in a vowel; before a suffix that
# starts with a vowel its last "o" is dropped.
PREFIXES = {
    'air': [
        ('Auro', 'L. aurum', 'golden'), ('Anemo', 'Gr. anemos', 'wind'),
        ('Nephelo', 'Gr. nephele', 'cloud'), ('Xantho', 'Gr. xanthos', 'yellow'),
        ('Cyano', 'Gr. kyanos', 'blue'), ('Leuco', 'Gr. leukos', 'white'),
        ('Sticto', 'Gr. stiktos', 'spotted'), ('Dendro', 'Gr. dendron', 'tree'),
        ('Phyllo', 'Gr. phyllon', 'leaf'), ('Petro', 'Gr. petra', 'rock'),
        ('Brachy', 'Gr. brachys', 'short'), ('Micro', 'Gr. mikros', 'small'),
        ('Dolicho', 'Gr. dolichos', 'long'), ('Chryso', 'Gr. chrysos', 'gold'),
        ('Aethro', 'Gr. aithra', 'clear-sky'), ('Eury', 'Gr. eurys', 'broad'),
        ('Steno', 'Gr. stenos', 'narrow'), ('Tricho', 'Gr. thrix', 'hair'),
        ('Orni', 'Gr. ornis', 'bird-like'), ('Hespero', 'Gr. hesperos', 'evening'),
        ('Rhipido', 'Gr. rhipis', 'fan'), ('Cirro', 'L. cirrus', 'curl'),
    ],
    'water': [
        ('Limno', 'Gr. limne', 'lake'), ('Potamo', 'Gr. potamos', 'river'),
        ('Helo', 'Gr. helos', 'marsh'), ('Halo', 'Gr. hals', 'salt'),
        ('Thalasso', 'Gr. thalassa', 'sea'), ('Glauco', 'Gr. glaukos', 'grey-green'),
        ('Cyclo', 'Gr. kyklos', 'round'), ('Zono', 'Gr. zone', 'banded'),
        ('Cteno', 'Gr. kteis', 'comb'), ('Platy', 'Gr. platys', 'flat'),
        ('Argyro', 'Gr. argyros', 'silver'), ('Calamo', 'Gr. kalamos', 'reed'),
        ('Hydro', 'Gr. hydor', 'water'), ('Bentho', 'Gr. benthos', 'deep'),
        ('Lepto', 'Gr. leptos', 'slender'), ('Poro', 'Gr. poros', 'ford'),
        ('Rhoo', 'Gr. rhoos', 'current'), ('Mega', 'Gr. megas', 'great'),
        ('Pelago', 'Gr. pelagos', 'open-sea'),
    ],
    'ground': [
        ('Psammo', 'Gr. psammos', 'sand'), ('Pachy', 'Gr. pachys', 'thick'),
        ('Ortho', 'Gr. orthos', 'straight'), ('Lepido', 'Gr. lepis', 'scaly'),
        ('Speleo', 'Gr. spelaion', 'cave'), ('Melano', 'Gr. melas', 'black'),
        ('Erythro', 'Gr. erythros', 'red'), ('Phaeo', 'Gr. phaios', 'dusky'),
        ('Crypto', 'Gr. kryptos', 'hidden'), ('Gyro', 'Gr. gyros', 'ring'),
        ('Lopho', 'Gr. lophos', 'crested'), ('Geo', 'Gr. ge', 'earth'),
        ('Phloeo', 'Gr. phloios', 'bark'), ('Scoto', 'Gr. skotos', 'darkness'),
        ('Chalco', 'Gr. chalkos', 'copper'), ('Oro', 'Gr. oros', 'mountain'),
        ('Sclero', 'Gr. skleros', 'hard'), ('Tylo', 'Gr. tylos', 'knobbed'),
        ('Litho', 'Gr. lithos', 'stone'),
    ],
}

# (nominative, stem for family-group names, Velmoran word, gloss)
SUFFIXES = {
    'air': [('velis', 'vel', 'velis', 'vane'), ('orvex', 'orvic', 'orvex', 'glider'),
            ('korva', 'korv', 'korva', 'korvel'), ('thren', 'thren', 'thren', 'crest'),
            ('myra', 'myr', 'myra', 'tendril'), ('ocellis', 'ocell', 'ocell', 'eye-spot'),
            ('skelis', 'skel', 'skel', 'mantle')],
    'water': [('nessa', 'ness', 'nessa', 'swimmer'), ('driva', 'driv', 'driva', 'drifter'),
              ('velis', 'vel', 'velis', 'vane'), ('scapha', 'scaph', 'scapha', 'hull'),
              ('myra', 'myr', 'myra', 'tendril'), ('skelis', 'skel', 'skel', 'mantle'),
              ('thren', 'thren', 'thren', 'crest'), ('korva', 'korv', 'korva', 'korvel')],
    'ground': [('drassa', 'drass', 'drassa', 'digger'), ('carrix', 'carric', 'carrix', 'crawler'),
               ('skelis', 'skel', 'skel', 'mantle'), ('thren', 'thren', 'thren', 'crest'),
               ('korva', 'korv', 'korva', 'korvel'), ('spirra', 'spirr', 'spirra', 'coil'),
               ('myra', 'myr', 'myra', 'tendril'), ('ocellis', 'ocell', 'ocell', 'eye-spot')],
}

AUTHORS = ['Tessmer', 'Halvard', 'Oriel', 'Brandt', 'Vaskovy', 'Lindqvar', 'Marrow',
           'Quenby', 'Adeyemi-Holt', 'Sato-Venn', 'Ferrand', 'Kollár', 'Ibsdóttir',
           'Renwick', 'Mbatha', 'Orlov-Hesse', 'Duarte', 'Ptak', 'Nakamura-Lee',
           'Tovren', 'Greville', 'Aasmund', 'Castellane', 'Whitlock']

PLACES = ['the Ostrand coast', 'the Harrow Fells', 'the Sundral Basin', 'the Kessen marshes',
          'Lake Oriel', 'the Vastmere', 'the Tallow Hills', 'the Greyreach', 'the Ember Steppe',
          'the Calder Isles', 'the Mirren valley', 'the upper Velm', 'the Saltwold',
          'the Brennock caves', 'the Hollin forest', 'the Farrow delta', 'the Skerrin shelf',
          'the Ashdown moors']

COLOURS = ['amber', 'slate-grey', 'verdigris', 'ochre', 'russet', 'ash-grey', 'cobalt',
           'pearl-white', 'umber', 'moss-green', 'rose', 'coppery', 'smoky violet',
           'straw-yellow', 'sooty', 'sea-green', 'cinnamon', 'dove-grey']

# Korvel types per habitat (the genus field the editor's combo box offers).
KORVEL_TYPES = {
    'air': ['Glider', 'Glider', 'Hoverer', 'Soarer', 'Percher'],
    'water': ['Swimmer', 'Drifter', 'Wader', 'Swimmer', 'Bottom dweller'],
    'ground': ['Burrower', 'Crawler', 'Climber', 'Burrower', 'Cave dweller'],
}

GROUP_NOUNS = {
    'air': ['vanewing', 'glider', 'skimmer', 'floss-hawk', 'cliff-korvel', 'fanwing'],
    'water': ['drifter', 'frillback', 'tarn-korvel', 'reedswimmer', 'ribbon-korvel', 'pondhull'],
    'ground': ['digger', 'sandcrawler', 'litter-korvel', 'cave-korvel', 'stonecreeper', 'mole-korvel'],
}

COMMON_ADJ = ['Amber', 'Slate', 'Dusk', 'Heath', 'Ridge', 'Pale', 'Painted', 'Lesser',
              'Greater', 'Spotted', 'Banded', 'Crested', 'Copper', 'Mirren', 'Oriel',
              'Ember', 'Silver', 'Hollow', 'Night', 'Ringed', 'Sooty', 'Tawny']

MANTLE = [
    'a smooth {c} mantle of {n} scutes',
    'a finely ridged {c} mantle',
    'a domed {c} mantle with a pale median keel',
    'a flattened mantle edged with {c}',
    'a mantle of {n} overlapping scutes, the last two fused',
    'a {c} mantle marbled with darker blotches',
    'a narrow, {c} mantle that tapers to a blunt point',
]

LIMBS = {
    'air': ['two broad forevanes and a short hind pair',
            'four narrow vanes held flat in flight',
            'a single pair of long, pointed vanes',
            'six small vanes that beat in sequence',
            'rounded vanes with a translucent rear margin',
            'fringed forevanes and vestigial hindvanes'],
    'water': ['a continuous marginal frill',
              'two paddle-like vanes and a finned tail-whip',
              'short vanes folded under the mantle at rest',
              'a ribbon-like frill that runs the whole length of the body',
              'four stiff steering vanes'],
    'ground': ['stout digging pads',
               'eight short walking pads',
               'a shovel-shaped fore-scute',
               'reduced vanes hidden beneath the mantle',
               'long, clawed hind pads',
               'a ring of gripping pads around the ventral disc'],
}

OCELLI = ['a single median ocellus', 'paired ocelli set far forward',
          'a ring of {n} small ocelli', 'large, forward-facing ocelli',
          'paired ocelli on short stalks', 'ocelli reduced to pale spots']

TENDRILS = ['{n} feeding tendrils, banded with {c}', 'short, clubbed tendrils',
            'long, thread-like tendrils up to twice the mantle length',
            'a tuft of fine tendrils below the fore-scute',
            'two long tendrils and several short ones']

BIOLOGY = {
    'air': ['They glide between cliff ledges on warm updraughts and feed on drifting seed-floss.',
            'Most active at dusk; by day they rest wedged into rock crevices with the vanes folded.',
            'Large roosts of several hundred gather in late autumn on south-facing scarps.',
            'Flight is a slow, wheeling glide broken by short bursts of vane-beats.',
            'They hover over flowering heath and take nectar with the long tendrils.',
            'Pairs hold small territories in the canopy and display with the vanes spread.',
            'In cold weather they cluster in hollow trees and become torpid.'],
    'water': ['They drift in the upper water of clear tarns and strain fine particles with the tendrils.',
              'Bottom-dwellers of slow rivers; the frill ripples continuously to keep the gill-slits clear.',
              'Egg-strings are wound round reed stems in shallow margins in spring.',
              'Shoals of many hundreds form over sand banks at slack water.',
              'They feed at night on the films of algae that cover submerged stones.',
              'Seasonal pools are left before they dry; the young travel overland on wet nights.'],
    'ground': ['Burrowers in loose sand, they leave characteristic paired furrows behind them.',
               'They live in deep leaf litter and come to the surface after rain.',
               'The burrows reach a metre in depth and end in a lined resting chamber.',
               'Solitary and slow-moving; they feed on fungal threads and decaying wood.',
               'They climb lichen-covered stones at dawn to warm the mantle.',
               'In the dry season they seal the burrow with a plug of hardened slime.'],
}

CAVE_BIOLOGY = 'Cave-dwelling forms are pale and blind, and find their way with the tendrils alone.'

REMARKS_SQUARE = ['[type material lost]', '[identity of the type species uncertain]',
                  '[status under review]', '[name preoccupied; replacement pending]',
                  '[described from a single specimen]', '[limits of the genus disputed]']

REMARKS_ROUND = ['(see {a}, {y}, for a different arrangement)',
                 '(treated as a subgenus by {a}, {y})',
                 '(distribution mapped by {a}, {y})',
                 '(records from {p} need confirmation)']

# (epithet, meaning) - Latin adjectives and invented patronyms and place names.
EPITHETS = [
    ('sulcata', 'furrowed'), ('maculata', 'spotted'), ('velox', 'swift'), ('gracilis', 'slender'),
    ('robusta', 'stout'), ('nocturna', 'of the night'), ('borealis', 'northern'),
    ('australis', 'southern'), ('pallida', 'pale'), ('obscura', 'dark'), ('fasciata', 'banded'),
    ('longicauda', 'long-tailed'), ('brevivela', 'short-vaned'), ('ostrandica', 'of the Ostrand coast'),
    ('kessenensis', 'from the Kessen marshes'), ('tovreni', 'after Tovren, curator of the Velmora collection'),
    ('halvardi', 'after Halvard'), ('marrowae', 'after E. Marrow'), ('quenbyi', 'after Quenby'),
    ('orielensis', 'from Lake Oriel'), ('calderiana', 'of the Calder Isles'), ('tessmeri', 'after Tessmer'),
    ('lindqvari', 'after Lindqvar'), ('sundralensis', 'from the Sundral Basin'), ('umbrosa', 'shady'),
    ('rupestris', 'living among rocks'), ('palustris', 'of marshes'), ('littoralis', 'of the shore'),
    ('montana', 'of mountains'), ('sylvatica', 'of woods'), ('arenaria', 'of sand'),
    ('cavernicola', 'cave-dweller'), ('lacustris', 'of lakes'), ('fluviatilis', 'of rivers'),
    ('pelagica', 'of the open water'), ('minima', 'smallest'), ('gigantea', 'giant'),
    ('cristata', 'crested'), ('ocellata', 'with eye-spots'), ('myriocirra', 'with many tendrils'),
    ('bivela', 'two-vaned'), ('quadrivela', 'four-vaned'), ('hexavela', 'six-vaned'),
    ('nitida', 'shining'), ('rubra', 'red'), ('viridis', 'green'), ('caerulea', 'sky-blue'),
    ('nigra', 'black'), ('alba', 'white'), ('cinerea', 'ash-grey'), ('ferruginea', 'rust-coloured'),
    ('argentea', 'silvery'), ('iridescens', 'iridescent'), ('vernalis', 'of spring'),
    ('autumnalis', 'of autumn'), ('hiemalis', 'of winter'), ('solitaria', 'solitary'),
    ('gregaria', 'living in groups'), ('timida', 'shy'), ('audax', 'bold'), ('errans', 'wandering'),
    ('saltatrix', 'leaping'), ('natans', 'swimming'), ('fodiens', 'digging'), ('volitans', 'flying'),
    ('scandens', 'climbing'), ('silens', 'silent'), ('stridens', 'creaking'),
    ('lucifuga', 'shunning light'), ('phosphorea', 'glowing'), ('vastmerensis', 'from the Vastmere'),
    ('greyreachi', 'from the Greyreach'), ('emberina', 'of the Ember Steppe'),
    ('mirrenensis', 'from the Mirren valley'), ('saltwoldica', 'of the Saltwold'),
    ('brennockiana', 'of the Brennock caves'), ('hollinensis', 'from the Hollin forest'),
    ('farrowi', 'after J. Farrow'), ('aasmundi', 'after Aasmund'), ('duartei', 'after Duarte'),
    ('mbathae', 'after Mbatha'), ('ptaki', 'after Ptak'), ('renwicki', 'after Renwick'),
    ('castellanae', 'after Castellane'), ('whitlocki', 'after Whitlock'), ('tenuis', 'thin'),
    ('crassa', 'thick'), ('latipes', 'broad-footed'), ('longipes', 'long-footed'),
    ('parvula', 'little'), ('major', 'larger'), ('tardigrada', 'slow-stepping'),
    ('ignea', 'fiery'), ('lutea', 'yellow'), ('fusca', 'brown'), ('punctata', 'dotted'),
    ('striata', 'striped'), ('undulata', 'wavy'), ('serrata', 'saw-edged'), ('hirsuta', 'hairy'),
    ('glabra', 'smooth'), ('tumida', 'swollen'), ('depressa', 'flattened'), ('elegans', 'elegant'),
    ('modesta', 'plain'), ('insignis', 'remarkable'), ('rara', 'rare'), ('vulgaris', 'common'),
    ('occidentalis', 'western'), ('orientalis', 'eastern'), ('insularis', 'of islands'),
    ('aquatilis', 'living in water'), ('subterranea', 'underground'), ('nebulosa', 'clouded'),
    ('lunata', 'crescent-marked'), ('stellata', 'starred'), ('zonata', 'girdled'),
]

SPECIES_MARKS = ['a darker keel', 'two pale bars across the fore-scute', 'rows of fine white dots',
                 'a rose flush on the vanes', 'black-tipped tendrils', 'a pale ring round each ocellus',
                 'an unmarked mantle', 'a broken dark stripe along each side', 'a coppery sheen',
                 'faint concentric bands', 'a bright patch behind the ocelli']

SPECIES_RANGE = ['Known only from {p}.', 'Widespread in {p} and {q}.', 'Locally common in {p}.',
                 'Rare; a few records from {p}.', 'From {p} south to {q}.',
                 'Restricted to {p}, where it is common in summer.',
                 'Recorded from {p}; old records from {q} are doubtful.']

SPECIES_EXTRA = ['Breeds twice a year.', 'Often found with others of the genus.',
                 'Larger in the north of its range.', 'The young are spotted.',
                 'Active in daylight, unlike its congeners.', 'Forms mixed roosts.',
                 'Holotype in the Velmora collection.', '(Holotype lost.)',
                 '[Possibly a colour form of the type species.]']
