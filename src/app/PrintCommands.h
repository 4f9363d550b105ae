// Print Summary and Save Summary as PDF: the summary shown, with the genus picture beside it, on
// paper or in a PDF file. Not a widget: it works on the pages and the actions the window hands it.
#pragma once

#include "SummaryPrint.h"

#include <QObject>

class QWidget;
class TImagePage;
class TMainActions;
class TSummaryPage;
class TTaxonomyTreePage;
struct TTaxonomyDetail;

struct TPrintPages {
    TSummaryPage* Summary;
    TImagePage* Image;
    TTaxonomyTreePage* Tree;
    // The record of the branch the summary shows.
    const TTaxonomyDetail* Shown;
};

class TPrintCommands : public QObject {
    Q_OBJECT
public:
    TPrintCommands(TMainActions& actions, const TPrintPages& pages, QObject* parent);

    // Through the toolkit's print dialog.
    void PrintSummary();
    // To a PDF file the user chooses; the folder is kept for the next time.
    void SaveSummaryPdf();
    // What is printed: the summary, its font, the picture and the path of the branch it shows.
    TSummaryPrint Job() const;

private:
    // The names from the class down to the branch the summary shows.
    QString BranchPath() const;

    TMainActions& FActions;
    TPrintPages FPages;
};
