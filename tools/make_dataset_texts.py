# Hand-written records for make_dataset.py: the classes, subclasses, orders,
# the placeholder branches and a few showcase genera. Keyed by tree id.
# Each entry: (info, meaning, [paragraphs]). Paragraphs become the lines of
# the description ("|" in the file). Link macros use the forms
#   <genus$'Name'>  <info$LEVEL,'id'>  <url$address>
# and must name branches that exist (make_dataset.py checks this).

HAND = {
    # --- classes ---------------------------------------------------------
    'aerokorvea': (
        'air korvels', 'air korvels (Gr. aer, air; Velmoran korva, korvel)', [
            'Aerokorvea Tessmer, 1874. The air korvels: every korvel that spends part of its life in '
            'the air, whether by true vane-flight, by gliding or by hovering on the tendrils.',
            'The class is defined by the paired forevanes, stiffened by a lattice of fine ribs, and by '
            'the light, hollow scutes of the mantle. Most members weigh less than 20 g; the largest, '
            "the cliff gliders of Petrorvicida <info$2,'petrorvicida'>, reach 70 g and a vane-span of 40 cm.",
            "Two subclasses are recognised, the true vanewings, Aurovelia <info$1,'aurovelia'>, and the "
            "canopy korvels, Dendromyria <info$1,'dendromyria'>; a few small families of uncertain "
            'position are kept in an order that still awaits its name [placement provisional].',
            "(For the older division into 'fliers' and 'floaters' see Halvard, 1921.)",
        ]),
    'hydrokorvea': (
        'water korvels', 'water korvels (Gr. hydor, water)', [
            'Hydrokorvea Halvard, 1881. Korvels that live in water for the whole of their lives. The '
            'vanes are modified into frills, paddles or steering fins, and the mantle carries a row of '
            'gill-slits along each side.',
            'They range from the tiny drifters of upland tarns, a few millimetres long, to the great sea '
            'hulls of the Skerrin shelf, whose mantle may exceed half a metre. Fresh-water forms are '
            "grouped in Limnonessia <info$1,'limnonessia'>, marine forms in Halodrivia <info$1,'halodrivia'>.",
            'A third group of deep-water korvels, known only from trawled fragments, is being prepared '
            'for description [see the planned order Benthokorvida].',
        ]),
    'geokorvea': (
        'ground korvels', 'earth korvels (Gr. ge, earth)', [
            'Geokorvea Oriel & Brandt, 1879. The ground korvels, which walk, climb or burrow and never '
            'fly. The vanes are reduced to pads or shields, and the mantle is heavy, often with a '
            'reinforced fore-scute for digging.',
            "Two subclasses: the burrowers, Psammodrassia <info$1,'psammodrassia'>, of sand, loam and "
            "caves, and the bark and litter korvels, Phloeocarricia <info$1,'phloeocarricia'>.",
            'Many species are slow, long-lived and very local; several are known only from a single '
            'valley or cave system. Ground korvels are also the best represented in the fossil record '
            '(see the planned class Palaeokorvea).',
        ]),
    # --- subclasses ------------------------------------------------------
    'aurovelia': (
        'true vanewings', 'from the type genus Aurovelis', [
            'Aurovelia Tessmer, 1887. True vanewings, capable of sustained flight. Two or three pairs '
            'of vanes are present; the forevanes are always the largest and are folded lengthwise at rest.',
            "Type genus: Aurovelis <genus$'Aurovelis'>. The subclass contains the gilded vanewings, "
            "Aurovelida <info$2,'aurovelida'>, and the wind gliders, Anemorvicida <info$2,'anemorvicida'>.",
            'Vanewings are the most familiar korvels of heath and coast, and the best studied: well over '
            'half of all korvel records held by <velmora> concern this group.',
        ]),
    'dendromyria': (
        'canopy korvels', 'from the type genus Dendromyra', [
            'Dendromyria Vaskovy, 1902. Korvels of trees and tall scrub that glide from branch to '
            'branch rather than fly. The tendrils are long and prehensile and serve as anchors at rest.',
            "Type genus: Dendromyra <genus$'Dendromyra'>. Two orders: Dendromyrida "
            "<info$2,'dendromyrida'> and the rock gliders, Petrorvicida <info$2,'petrorvicida'>, which "
            'have left the trees for cliffs.',
            '[The inclusion of Petrorvicida is disputed; Lindqvar, 1958, placed it in Aurovelia.]',
        ]),
    'limnonessia': (
        'lake and river korvels', 'from the type genus Limnonessa', [
            'Limnonessia Halvard, 1881. Fresh-water korvels of lakes, rivers, tarns and marshes. The '
            'mantle is soft and flexible; most swim with a rippling marginal frill.',
            "Type genus: Limnonessa <genus$'Limnonessa'>. Two orders, Limnonessida "
            "<info$2,'limnonessida'> and Glaucoscaphida <info$2,'glaucoscaphida'>.",
        ]),
    'halodrivia': (
        'sea korvels', 'from the type genus Halodriva', [
            'Halodrivia Marrow, 1910. Marine korvels of the shore, the shelf and the open sea. They '
            'tolerate a wide range of salinity, and a few enter estuaries.',
            "Type genus: Halodriva <genus$'Halodriva'>. Many drift with the currents for most of their "
            'lives and gather in great numbers where currents meet.',
            'Deep-water forms are to be placed in a new order (in preparation).',
        ]),
    'psammodrassia': (
        'burrowers', 'from the type genus Psammodrassa', [
            'Psammodrassia Oriel & Brandt, 1879. Burrowing korvels of sand, loam and cave floors. The '
            'fore-scute is broad and shovel-shaped, and the ocelli are small or, in cave forms, lost.',
            "Type genus: Psammodrassa <genus$'Psammodrassa'>. Orders Psammodrassida "
            "<info$2,'psammodrassida'> and Speleothrenida <info$2,'speleothrenida'>.",
        ]),
    'phloeocarricia': (
        'bark and litter korvels', 'from the type genus Phloeocarrix', [
            'Phloeocarricia Ferrand, 1933. Crawling korvels of bark, moss and leaf litter, with many '
            'short walking pads and a low, flattened mantle.',
            "Type genus: Phloeocarrix <genus$'Phloeocarrix'>. Orders Phloeocarricida "
            "<info$2,'phloeocarricida'> and Melanokorvida <info$2,'melanokorvida'>.",
        ]),
    # --- orders ----------------------------------------------------------
    'aurovelida': (
        'gilded vanewings', 'from the type genus Aurovelis', [
            'Aurovelida Tessmer, 1887. Vanewings with a metallic sheen on the mantle, produced by fine '
            'ridges on the scutes rather than by pigment.',
            "Type genus: Aurovelis <genus$'Aurovelis'>. Two suborders, Aurovelina and Stictoskelina, "
            'which differ in the number of vane pairs (three and two).',
        ]),
    'anemorvicida': (
        'wind gliders', 'from the type genus Anemorvex', [
            'Anemorvicida Sato-Venn, 1964. Long-vaned korvels of open, windy country that glide for '
            'hours with hardly a vane-beat.',
            "Type genus: Anemorvex <genus$'Anemorvex'>. No suborders are recognised; the families are "
            'placed directly in the order.',
        ]),
    'dendromyrida': (
        'tree korvels', 'from the type genus Dendromyra', [
            'Dendromyrida Vaskovy, 1902. The typical canopy korvels, with prehensile tendrils and '
            'short, rounded vanes.',
            "Type genus: Dendromyra <genus$'Dendromyra'>. A second suborder, for the hairy-vaned forms, "
            'is planned [Trichovelina, in preparation].',
        ]),
    'petrorvicida': (
        'rock gliders', 'from the type genus Petrorvex', [
            'Petrorvicida Lindqvar, 1958. Heavy gliders of cliffs and scree slopes; the largest korvels '
            'able to leave the ground.',
            "Type genus: Petrorvex <genus$'Petrorvex'>. (Placed in Aurovelia by Lindqvar, 1958.)",
        ]),
    'ordo-novus-aero': (
        'unplaced air korvels', 'new order (name not yet published)', [
            'An order proposed by Tovren for air korvels that fit neither subclass. The name is not yet '
            'published, and the group is listed here under a placeholder.',
            "It holds the family Brachykorvidae <info$4,'brachykorvidae'> and the genus Microvelis "
            "<genus$'Microvelis'>, which has no family. <curator: check against the 1998 manuscript>",
        ]),
    'limnonessida': (
        'lake swimmers', 'from the type genus Limnonessa', [
            'Limnonessida Halvard, 1881. Swimmers of lakes and tarns, with a continuous marginal frill '
            'and a soft, translucent mantle.',
            "Type genus: Limnonessa <genus$'Limnonessa'>. Two suborders: the lake swimmers proper and "
            "the marsh korvels, Helomyrina <info$3,'helomyrina'>.",
        ]),
    'glaucoscaphida': (
        'pond hulls', 'from the type genus Glaucoscapha', [
            'Glaucoscaphida Quenby, 1926. Broad, boat-shaped korvels of ponds and slow water, with the '
            'mantle drawn out into a keel.',
            "Type genus: Glaucoscapha <genus$'Glaucoscapha'>. (Suborders have been proposed but are not "
            'used here.)',
        ]),
    'halodrivida': (
        'sea drifters', 'from the type genus Halodriva', [
            'Halodrivida Marrow, 1910. Drifting korvels of coastal and open waters, carried by the '
            'currents for most of their lives.',
            "Type genus: Halodriva <genus$'Halodriva'>. The typical drifters form the suborder "
            'Halodrivina; a second group of uncertain rank is kept apart as <incsed>.',
        ]),
    'psammodrassida': (
        'sand diggers', 'from the type genus Psammodrassa', [
            'Psammodrassida Oriel & Brandt, 1879. Burrowers of loose sand and loam, with a shovel-shaped '
            'fore-scute and stout digging pads.',
            "Type genus: Psammodrassa <genus$'Psammodrassa'>. Two suborders, separated by the shape of "
            'the fore-scute.',
        ]),
    'speleothrenida': (
        'cave korvels', 'from the type genus Speleothren', [
            'Speleothrenida Ibsdóttir, 1972. Korvels of caves and deep fissures, pale and with reduced '
            'ocelli; a low crest runs along the mantle.',
            "Type genus: Speleothren <genus$'Speleothren'>. A new family for two cave genera is in "
            'preparation [Familia nova].',
        ]),
    'phloeocarricida': (
        'litter crawlers', 'from the type genus Phloeocarrix', [
            'Phloeocarricida Ferrand, 1933. Flat-bodied crawlers of bark and leaf litter.',
            "Type genus: Phloeocarrix <genus$'Phloeocarrix'>. Two suborders; the second has never been "
            'formally named.',
        ]),
    'melanokorvida': (
        'dark korvels', 'from the type genus Melanokorva', [
            'Melanokorvida Kollár, 1988. Dark-mantled ground korvels of moorland and mountain turf, '
            'active in cold weather when other korvels are torpid.',
            "Type genus: Melanokorva <genus$'Melanokorva'>. One genus is known only from unnamed "
            'material (see the genus awaiting a name).',
        ]),
    # --- placeholder branches that already have a record ------------------
    'fam-undescribed-aero': (
        'small vanewings, family not yet described', '', [
            'Three genera of small vanewings that clearly form a family of their own; the family has '
            'not yet been described.',
            '[Name to be proposed by Quenby.] Until then the genera are kept together under this '
            'placeholder.',
        ]),
    'subord-incertae-halo': (
        'marine korvels of uncertain placement', 'of uncertain placement (L. incertae sedis)', [
            'A holding group for marine korvels whose suborder cannot yet be decided.',
            "It contains the family Ctenothrenidae <info$4,'ctenothrenidae'> and two genera placed "
            'directly here.',
        ]),
    'subord-pending-phloeo': (
        'coiled crawlers', '', [
            'A suborder for the coiled crawlers, recognised by Ferrand (1933) but never formally named.',
            "Contains the family Gyrospirridae <info$4,'gyrospirridae'>.",
        ]),
}

# Showcase genera: hand-written descriptions (species are still generated).
HAND_GENUS = {
    'aurovelis': [
        'Aurovelis Tessmer, 1887. Type species: A. sulcata Tessmer, 1887 (by original designation).',
        'Medium-sized vanewings (mantle length 38–66 mm) with a smooth amber mantle of nine scutes, '
        'three pairs of vanes and paired ocelli set far forward. The metallic sheen fades within a '
        'few hours of death, so that museum specimens look dull brown.',
        'The largest genus of the order, with fourteen species from the Ostrand coast to the Ember '
        'Steppe. About 40% of museum specimens belong to the dusk form, which was long treated as a '
        'separate species [see A. nocturna].',
        "Compare Xanthothren <genus$'Xanthothren'>, which shares the heath habitat but has a crested "
        "mantle. Placed in Aurovelidae <info$4,'aurovelidae'>. Photographs: "
        '<url$https://example.org/korvel/gallery/aurovelis>',
    ],
    'anemorvex': [
        'Anemorvex Sato-Venn, 1964. Type species: A. volitans Sato-Venn, 1964.',
        'Large, long-vaned gliders (mantle length 55–80 mm, vane-span to 34 cm) with a narrow '
        'slate-grey mantle and a single pair of pointed vanes. The tendrils are short and clubbed.',
        "Distinguished from Nephelocellis <genus$'Nephelocellis'> by the unbanded tendrils and from "
        "Petrorvex <genus$'Petrorvex'> by the much lighter build. The family is Anemorvicidae "
        "<info$4,'anemorvicidae'>, in the wind gliders <info$2,'anemorvicida'>.",
        'They glide for hours over open steppe and moor (Sato-Venn, 1964, followed one for 11 km) '
        '[flight records summarised by Duarte, 2003]. <note: add the 2021 tracking data>',
        'Tracking project: <url$https://example.net/anemorvex-tracking/> and field guide '
        '<url$https://example.org/korvel/field-guide/anemorvex.html>',
        "An old record of this genus from the Calder Isles refers to Oroskelis <genus$'Oroskelis'> "
        '(a genus dropped from the tree).',
    ],
    'cryptoskelis': [
        'Cryptoskelis Ibsdóttir, 1999. No species has yet been named: the genus rests on a single '
        'damaged specimen from the Brennock caves [described from a single specimen].',
        'Small (mantle length about 14 mm), pale and blind, with a soft, unsegmented mantle and '
        'reduced pads. Placed provisionally in a family still to be described.',
    ],
    'gen-pending-tylo': [
        'A genus recognised from specimens collected in 2019 in the Tallow Hills; its name is awaiting '
        'publication, and it is listed under a placeholder until then.',
        'Knob-mantled crawlers (mantle length 20–26 mm) close to Tylocellis <genus$\'Tylocellis\'>. '
        'Two species are known, both still unnamed.',
    ],
}
