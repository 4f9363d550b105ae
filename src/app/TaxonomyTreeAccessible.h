// What a screen reader learns from the Taxonomy tree view: a tree whose children are the rows it
// shows, each named by its caption, with its rank, its open, closed and selected states and an
// action that opens or closes it. A standard tree view gets this from the toolkit; ours paints its
// own rows, so it says the same through interfaces of its own.
#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// Made known to the toolkit once, before the first window is shown.
void InstallTaxonomyTreeAccessibility();
// The toolkit's factory: an interface for a TTaxonomyTreeView, nothing for anything else.
QAccessibleInterface* TaxonomyTreeAccessibleFactory(const QString& className, QObject* object);
