# The summary templates (*.tem), summarycode.dat and netpaths.dat, written
# by make_dataset.py. Run on its own it writes just these files:
#   python3 tools/make_templates.py
#
# The templates are RTF fragments. The viewer fills them with printf-like
# directives and then passes every line except those of rtfhead.tem and
# rtffoot.tem through its macro expansion, in which (, <, [ and { open a
# macro and ), >, ] and } close one. So, in every expanded template:
#   - a value (%s) never sits inside an RTF {group}: a bracket in the value
#     would end the group's "macro" early;
#   - every {group} and every <macro> is complete within one line and holds
#     no ), > or ];
#   - formatting is switched with control words (\b ... \b0) rather than
#     groups around values.
# ARGS is the argument list each template is filled with; check_dataset.py
# counts the directives against it.

import os

ARGS = {
    'rtfhead.tem': None,  # never formatted, never expanded
    'rtffoot.tem': None,
    'specieshead.tem': None,  # expanded, not formatted
    'searchhlp.tem': None,
    'taxonomy.tem': ['level name', 'name', 'name', 'meaning', 'description'],
    'genus.tem': ['name', 'name', 'meaning', 'Korvel type', 'common name', 'keywords',
                  'description'],
    'species.tem': ['genus name', 'species name', 'species meaning', 'species description'],
    'waitforname.tem': ['level name', 'name'],
    'nodata.tem': ['level name', 'name', 'level name', 'name'],
    'datanotfound.tem': ['level name', 'name'],
}
UNEXPANDED = {'rtfhead.tem', 'rtffoot.tem'}

# Colours: 1 heading blue, 2 quiet grey, 3 link teal, 4 warning rust.
TEMPLATES = {
    'rtfhead.tem': r'''{\rtf1\ansi\ansicpg1252\deff0
{\fonttbl{\f0\fswiss DejaVu Sans;}{\f1\froman DejaVu Serif;}}
{\colortbl;\red31\green58\blue96;\red105\green105\blue105;\red0\green112\blue150;\red160\green72\blue24;}
\pard\plain\f0\fs20
''',
    'rtffoot.tem': r'''\pard\plain\f0\fs20\par
}
''',
    'taxonomy.tem': r'''\pard\plain\f0\fs18\cf2\sb40 %s\par
\pard\plain\f1\fs36\b\cf1\sa120 %s\par
\pard\plain\f0\fs20\li240\sa40\b Scientific name:\b0  \i %s\i0\par
\pard\plain\f0\fs20\li240\sa160\b Meaning:\b0  %s\par
\pard\plain\f0\fs24\b\cf1\sb80\sa60 Description\par
\pard\plain\f0\fs20\qj\li240\sa80 %s\par
''',
    'genus.tem': r'''\pard\plain\f0\fs18\cf2\sb40 Genus\par
\pard\plain\f1\fs40\b\i\cf1\sa120 %s\par
\pard\plain\f0\fs20\li240\sa40\b Scientific name:\b0  \i %s\i0\par
\pard\plain\f0\fs20\li240\sa40\b Meaning:\b0  %s\par
\pard\plain\f0\fs20\li240\sa40\b Korvel type:\b0  %s\par
\pard\plain\f0\fs20\li240\sa40\b Common name:\b0  %s\par
\pard\plain\f0\fs20\li240\sa160\b Keywords:\b0  \cf2 %s\cf0\par
\pard\plain\f0\fs24\b\cf1\sb80\sa60 Description\par
\pard\plain\f0\fs20\qj\li240\sa80 %s\par
\pard\plain\f0\fs16\cf2\li240\sb80 {\b Velmora project:} <survey> or <suggest>.\par
''',
    'specieshead.tem': r'''\pard\plain\f0\fs24\b\cf1\sb200\sa60 Species\par
''',
    'species.tem': r'''\pard\plain\f0\fs20\li240\sb100\sa20\b\i %s %s\i0\b0  \cf2\u8212? %s\cf0\par
\pard\plain\f0\fs18\qj\li480\sa60 %s\par
''',
    'waitforname.tem': r'''\pard\plain\f0\fs18\cf4\qc\sb60\sa120\b Awaiting a name:\b0  %s %s carries a placeholder until its name is published.\par
''',
    'nodata.tem': r'''\pard\plain\f0\fs18\cf2\sb40 %0:s \u8212? planned branch\par
\pard\plain\f1\fs36\b\cf2\sa120 %1:s\par
\pard\plain\f0\fs20\qj\sa80 No record is kept for this branch yet. %2:s %3:s holds a place in the taxonomy tree for a branch that is planned or still unnamed; its description will follow when the branch is published.\par
\pard\plain\f0\fs18\cf2\qj\sa80 If you have material for it, choose Enable Detail Edit on the Editor page, write the record and submit your user databases to the Velmora server.\par
''',
    'datanotfound.tem': r'''\pard\plain\f0\fs18\cf4\sb40 Data not found\par
\pard\plain\f0\fs20\qj\sa80 No record of %s %s was found in the local database or on the Velmora server.\par
\pard\plain\f0\fs18\cf2\qj\sa80 The branch may be new in the taxonomy tree. Try Download All Datas when you are on-line, or write the record yourself with Enable Detail Edit on the Editor page.\par
''',
    'searchhlp.tem': r'''\pard\plain\f1\fs32\b\cf1\sa120 Search results\par
\pard\plain\f0\fs20\qj\sa80 The genera that match your words are listed on the Search Result page, with their number beside Found. Click a genus to read its summary.\par
\pard\plain\f0\fs24\b\cf1\sb80\sa60 How words are matched\par
\pard\plain\f0\fs20\qj\li360\fi-200\sa40 \u8226?  A word matches anywhere inside a field: {\i bat} also finds {\i acrobatic}. Capitals A to Z count as small letters; accented letters must match exactly.\par
\pard\plain\f0\fs20\qj\li360\fi-200\sa40 \u8226?  \b Match All\b0  keeps a genus only when every word is found, each in any ticked field; \b Match Some\b0  keeps it when one word is found.\par
\pard\plain\f0\fs20\qj\li360\fi-200\sa40 \u8226?  Keywords, Korvel type and common name are searched at first. Tick Description or Scientific name of Genus to search those fields too.\par
\pard\plain\f0\fs20\qj\li360\fi-200\sa40 \u8226?  Words are separated by single spaces; at most 26 words are used.\par
\pard\plain\f0\fs18\cf2\sb120 Missing a genus? You can <suggest> on the Velmora server.\par
''',
}

SUMMARY_CODES = '''[Codes]
survey=take the Korvel Survey
suggest=suggest a correction
velmora=the Velmora Korvel Project
incsed={\\i incertae sedis}

[Urls]
survey=velmora/survey.html
suggest=velmora/suggest.html?subject=Correction

[Captions]
survey=Take the Korvel Survey
suggest=Suggest a correction

[Misc]
highlighttext={\\cf3\\u8599?}
'''

NET_PATHS = '''[Velmora]
UserControl=velmora/usercontrol?cmd=%s&file=%s%s
SurveyPage=velmora/survey.html
SubmitPage=velmora/suggest.html?subject=%s
TaxonomyDb=velmora/data/classifytree.dat
DetailDb=velmora/data/db?level=%d&id=%d
ImagesPath=velmora/images/
AnatomyImagesPath=velmora/anatomy/
'''


def write_text(folder, name, text):
    with open(os.path.join(folder, name), 'w', encoding='utf-8', newline='\r\n') as f:
        f.write(text)


def write_all(folder):
    for name, text in TEMPLATES.items():
        write_text(folder, name, text)
    write_text(folder, 'summarycode.dat', SUMMARY_CODES)
    write_text(folder, 'netpaths.dat', NET_PATHS)


if __name__ == '__main__':
    write_all(os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'data')))
