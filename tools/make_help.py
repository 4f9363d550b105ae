# Writes data/classify.hlp, the help file the viewer's help window shows.
#   python3 tools/make_help.py        (make_dataset.py also calls write())
#
# Format (read by the program's help viewer):
#   first line        ORVANDEL-HELP 1
#   #topic N Title    starts the topic with context number N; the first
#                     topic is the contents (number 1)
#   text lines        paragraphs separated by empty lines; "* " starts a
#                     bullet item; {{N|caption}} links to topic N
#   ## ...            comment
# The program opens topic 1 (Help Topics), 502 (What's New) and 1301 (the
# Add Tree Item dialog's Help button); every topic is linked from topic 1.

import os

TOPICS = [
    (1, 'Orvandel Viewer Help', '''
Orvandel Viewer browses and edits the taxonomy of the Korvel: six ranks from Class down to Genus, with the species listed inside each genus. The data come from the Velmora server and are kept on your computer, so everything can be read off-line.

Where the files are kept: a copy of the program that can write in its own folder, such as one you built or unpacked, keeps them beside itself. An installed copy keeps them in your own folder ~/.local/share/orvandel-viewer/ (or orvandel-viewer/ in $XDG_DATA_HOME when that is set), which its first start fills with the installed data. Started with --data-dir FOLDER, the program keeps them in that folder. The right end of the status line shows the folder in use.

* {{502|What's new in version 2.20}}
* {{1100|Browsing the taxonomy tree}}
* {{1200|The summary and related links}}
* {{1250|Genus pictures}}
* {{1400|Searching genera and genus lists}}
* {{1500|Downloading data and off-line mode}}
* {{1300|Editing branches}}
* {{1301|Adding tree items}}
* {{1302|Deleting tree items}}
* {{1600|Merging and submitting user databases}}
* {{1700|Statistics}}
'''),
    (502, "What's new in version 2.20", '''
Version 2.20 brings these changes:

* The species of a genus are edited on their own page of the editor: add, remove and describe species one at a time ({{1300|Editing branches}}).
* Show Forgotten Genus lists genera that are in the genus database but missing from the tree, and Show Planning Branches lists branches that are planned or still carry a placeholder name ({{1400|Searching genera and genus lists}}).
* The Related Links panel can be hidden and shown again; it opens by itself when a summary has links ({{1200|The summary and related links}}).
* Viewing Offline keeps the program from going on-line without asking ({{1500|Downloading data and off-line mode}}).
* Save Tree Appearance remembers which branches were expanded when you close the program.
* Your edits are kept in user databases that can be merged into new downloads and submitted to Tovren for review ({{1600|Merging and submitting user databases}}).
* Check Announcement shows the latest news from the Velmora server.

Back to {{1|Contents}}.
'''),
    (1100, 'Browsing the taxonomy tree', '''
The Taxonomy page on the left shows the tree of the Korvel. Every branch is a class, subclass, order, suborder, family or genus; a rank may be skipped, so a family can sit directly under an order.

Selecting a branch shows its summary on the right ({{1200|The summary and related links}}).

* Show Scientific Name, Show Info and Show Both on the Options menu choose what each branch shows: its scientific name, its short info text, or both.
* Expand All and Collapse All on the View menu open or close every branch; Reset returns to the appearance saved when the program was last closed.
* Branches drawn in grey are planned: they hold a place in the tree, but no record has been written for them yet.
* A name in brackets, such as [unnamed], is a placeholder until a name is published.
* Copy Selected Branch's Tree copies a brief summary of the branch and every rank above it.
* Back and Forward on the View menu (Alt+Left and Alt+Right, or the mouse's back and forward buttons) return to the branches you came to before, however you came to them, as a web browser returns to its pages; the tip of each names the branch it goes to. The last 100 branches are kept; a renamed branch is still found, and one deleted since is passed over.

Back to {{1|Contents}}.
'''),
    (1200, 'The summary and related links', '''
The Summary page shows the record of the selected branch: its scientific name, the meaning of the name and a description. A genus also shows its Korvel type, common name, keywords and the list of its species.

Words marked with a small arrow in a description refer to another branch or to a web page. Those references are collected in the Related Links panel below the summary:

* Click a branch link to select that branch in the tree.
* Click a web link to open the page in your web browser.
* Show Related Links on the View menu hides or shows the list.

Copy Summary copies the summary to the clipboard. Print Summary on the Database menu (Ctrl+P) prints it as it is shown, fonts and colours, with the genus picture beside it, through the print dialog; Save Summary as PDF writes the same pages to a PDF file. At the foot of every page are the path of the branch and the page number; a long summary takes as many pages as it needs, and nothing is left out. A planned branch shows a short note instead of a record; see {{1300|Editing branches}} to write one.

Back to {{1|Contents}}.
'''),
    (1250, 'Genus pictures', '''
Most genera have a picture, shown on the Image page together with the name of the pictured korvel's owner and of the copyright holder. Names shown as links open the owner's or the photographer's web page.

* When the picture has not been downloaded yet, the Download Image button fetches it from the Velmora server.
* No Image Available means that no picture exists for the genus.
* Save Profile Image, on the View menu or on the picture's right-click menu, saves a copy of the picture.
* In the editor, Choose Image attaches a JPEG or GIF file of your own to a genus.

Back to {{1|Contents}}.
'''),
    (1400, 'Searching genera and genus lists', '''
On the Search page, type one or more words separated by single spaces and press Search Species. The genera that match are listed on the Search Result page; click one to read its summary.

* Match All keeps a genus only when every word is found; Match Some keeps it when any word is found.
* The ticked fields are searched: keyword and synonym, Korvel type and common name at first; tick Description or Scientific name of Genus to search those too.
* A word matches anywhere inside a field, and capital letters count as small ones.

The View menu also fills the result list with fixed lists:

* Show All Genus: every genus in the tree.
* Show Forgotten Genus: genera that are in the genus database but missing from the tree.
* Show Planning Branches: planned genera and branches whose name is still a placeholder.

Back to {{1|Contents}}.
'''),
    (1500, 'Downloading data and off-line mode', '''
The taxonomy tree, the six databases and the genus pictures come from the Velmora server. The commands are on the Database menu:

* Download All Datas fetches the tree, every database and every picture.
* Refresh Taxonomy Tree (F5) fetches the tree and the databases, but no pictures.
* Refresh Item (Ctrl+F5) fetches the database of the selected branch's rank.
* Download Image and Download All Images fetch genus pictures.

After a database has been fetched, the program offers to merge your own edits into it ({{1600|Merging and submitting user databases}}).

What Changed on the View menu shows what the last download that replaced any data changed: the branches added, removed, renamed and moved, the records whose fields changed, field by field, and what the merge did with each of your own records (added, put in place of the downloaded one, or not merged). Counts per rank are at the top; type in the filter box to see only the rows that contain the text, and click a branch to select it in the tree. The same comparison between any two data folders is printed by orvandel-viewer --compare OLD NEW, as text or, with --compare-format tsv, as tab-separated rows.

Match Names on the View menu checks a list of names against the data: paste the names, one a line, or open a text file, then press Match. Authors and years after a name are ignored ("Aurovelis sulcata Tessmer, 1887"). Each name is looked up among the branches of every rank and the species of the genus database, written as "Genus epithet", and comes out as Exact; Folded (found when letter case, accents, spaces and hyphens are ignored); Planned (a planned "(n/a)" branch); Suggestion, with up to three names that differ by one edit (a letter added, left out, changed, or two neighbours swapped) or, for names of eight letters or more, by two, the closest first; or Not found (names shorter than four letters get no suggestions). The counts of each kind are above the table; type in the filter box to see only the rows that contain the text, click a row to select its branch in the tree (a suggestion's row selects the first suggestion), and Save as TSV writes the rows shown as tab-separated values. orvandel-viewer --match FILE prints the same for a file of names.

With Viewing Offline ticked on the Options menu the program asks before it goes on-line; answer No to keep working with the data you have. Change Server Address sets the address of the Velmora server; leave it as it is unless you run your own server.

Back to {{1|Contents}}.
'''),
    (1300, 'Editing branches', '''
The Editor page edits the record of the selected branch. Its General page holds the id, name, meaning, info and description; a genus also has a Genus Level page (Korvel type, common name, picture and credits) and a Species Level page.

* Enable Detail Edit starts a record for a planned branch that has none.
* Save writes your changes; Cancel returns to the record as it was, after asking when you changed something.
* When you leave a record with unsaved changes (by selecting another branch, refreshing or downloading, or closing the program), you are asked whether to save them, discard them or stay on the record.
* While you edit, your unsaved changes are also kept in a draft. If the program was killed or your session ended before you saved, its next start offers to open them in the editor again.
* Previous Tab and Next Tab move between the editor's pages.
* Add New Species and Remove Species change the species list of a genus; select a species to edit its name, meaning and description.

Every save is kept twice: in the database, so that it shows at once, and in a user database, so that a later download does not lose it and so that it can be submitted ({{1600|Merging and submitting user databases}}).

To change the tree itself see {{1301|Adding tree items}} and {{1302|Deleting tree items}}.

Back to {{1|Contents}}.
'''),
    (1301, 'Adding tree items', '''
Add Tree Item on the Editor menu adds a branch under the selected one. When a genus is selected, the new branch becomes another genus beside it.

The Add Tree Item dialog shows:

* Parent: the branch the new item goes under.
* Level: the rank of the new item. Under an order you may add a suborder or, skipping a rank, a family; under a suborder a family or a genus.
* Id: made from the name in small letters. A name that is empty or starts with a bracket gives the id (n/a), which makes the new item a planning branch.
* Name: the scientific name. The dialog proposes [no named] until you type one.
* Info: a short text shown beside the name in the tree.

Press Add to add the item. It appears at the end of its parent's branches and is recorded in your user tree file, so that it can be submitted with your other edits. Then select it and use Enable Detail Edit to write its record ({{1300|Editing branches}}).

Back to {{1|Contents}}.
'''),
    (1302, 'Deleting tree items', '''
Delete Tree Item removes the selected branch and everything below it from the tree. The program asks twice: first whether to delete at all, then whether the database records of the deleted branches should go as well. Answer No to the second question to keep the records, for example to add the branch again elsewhere.

Undo Delete on the Editor menu (Ctrl+Shift+Z) puts the branch deleted last back at its place, with the records and user tree lines its deletion removed, exactly as they were. Several deletions are undone newest first. They can be undone until the program ends, or until a download replaces the files they changed. If the program stopped without ending normally, its next start offers to put back what could still be undone.

Delete User Database on the Database menu deletes your user databases, for example after they have been submitted.

Back to {{1|Contents}}.
'''),
    (1600, 'Merging and submitting user databases', '''
Your edits are kept in user databases, one for each rank and one for the tree items you added or deleted. They are files in the folder that holds the program's data: beside the program, or ~/.local/share/orvandel-viewer/ for an installed copy ({{1|Contents}} says more; the status line shows the folder in use).

* Merge User Databases copies your records into the databases, rank by rank. You may allow your records to replace records with the same id.
* Submit User Databases sends your user databases, and the pictures you attached, to the Velmora server for review by Tovren. Fill in your name and e-mail address so that Tovren can ask you about them.
* When you close the program with edits that were not submitted, it offers to submit them.

Back to {{1|Contents}}.
'''),
    (1700, 'Statistics', '''
Statistic on the Database menu reports how many classes, subclasses, orders, suborders, families, genera and species the local databases hold, and when the taxonomy tree was last updated. Your user databases are not counted until they are merged.

Back to {{1|Contents}}.
'''),
]


def text():
    out = ['ORVANDEL-HELP 1', '## Orvandel Viewer help. Generated by tools/make_help.py.']
    for number, title, body in TOPICS:
        out.append(f'#topic {number} {title}')
        out.extend(body.strip('\n').split('\n'))
        out.append('')
    return out


def write(folder):
    with open(os.path.join(folder, 'classify.hlp'), 'w', encoding='utf-8', newline='\r\n') as f:
        for line in text():
            f.write(line + '\n')


if __name__ == '__main__':
    write(os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'data')))
