// What a screen reader learns from a read-only rich-text view (the summary, the help): a document
// whose text it reads by characters, words and lines, with the caret and the selection; not an
// edit box.
#pragma once

// Made known to the toolkit once, before the first such view is shown.
void InstallDocumentAccessibility();
