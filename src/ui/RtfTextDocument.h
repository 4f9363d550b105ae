// Shows what the RTF reader produced in a QTextDocument.
#pragma once

#include "RtfReader.h"

#include <string>

class QTextDocument;

// Replaces the content of Doc by the paragraphs of Rtf. Lengths in twips become pixels at
// 96 dpi (twips / 15); a "\n" inside a run becomes a line break within the paragraph. What a
// view has to lay out is bounded, so that no text makes the window hang: a stretch of more than
// 1000 characters without a break opportunity is broken after a "\u21B5" mark, and a document
// beyond about 150,000 characters (fewer when it has many paragraphs or changes of format) is
// cut, with a closing note in italics saying so.
void FillTextDocument(QTextDocument& doc, const TRtfDocument& rtf);

// Reads Bytes as RTF (or as plain text when they are not RTF) into Doc.
void LoadRtfIntoDocument(QTextDocument& doc, const std::string& bytes);
// The same without the cut, for paper: every paragraph, overlong stretches still broken.
void LoadWholeRtfIntoDocument(QTextDocument& doc, const std::string& bytes);
