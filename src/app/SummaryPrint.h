// The summary on paper: the document the Summary page shows, with its fonts and colours, the genus
// picture floated at the right of the first page, and at the foot of every page the branch's path
// and the page number. Printing and Save Summary as PDF both paint through here.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <string>

class QPagedPaintDevice;

struct TSummaryPrint {
    std::string Rtf; // the summary as it came to the Summary page
    QFont Font;      // the page's default font
    QImage Picture;  // the genus picture the Image page shows, or none
    QString Path;    // the branch's path, for the foot of the pages
};

// Lays the whole summary out on the device's pages (no line is split between two) and paints
// them; returns the number of pages, 0 when the device cannot be painted on.
int PrintSummary(const TSummaryPrint& summary, QPagedPaintDevice& device);
