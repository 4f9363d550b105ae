// Shows what the RTF reader produced in a QTextDocument.
#pragma once

#include "RtfReader.h"

#include <string>

class QTextDocument;

// Replaces the content of Doc by the paragraphs of Rtf. Lengths in twips become pixels at
// 96 dpi (twips / 15); a "\n" inside a run becomes a line break within the paragraph.
void FillTextDocument(QTextDocument& Doc, const TRtfDocument& Rtf);

// Reads Bytes as RTF (or as plain text when they are not RTF) into Doc.
void LoadRtfIntoDocument(QTextDocument& Doc, const std::string& Bytes);
