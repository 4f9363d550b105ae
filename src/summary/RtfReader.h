// A small RTF reader: turns RTF bytes into paragraphs of formatted runs.
//
// Text conventions of the result (all text is UTF-8):
//   - each paragraph mark (\par, \sect, \page, the end of a table row) ends a paragraph;
//   - a line break inside a paragraph (\line) is "\n" within a run's text;
//   - a tab (\tab) is "\t"; table cells of one row are separated by "\t" and the row is one
//     paragraph.
//
// Malformed input is read as far as it goes; the reader never fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TRtfAlignment { Left, Center, Right, Justify };

struct TRtfColor {
    bool IsDefault = true; // the viewer's own text colour ("auto")
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;

    static TRtfColor Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {false, r, g, b}; }
    bool operator==(const TRtfColor&) const = default;
};

struct TRtfCharFormat {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    int FontSize = 24;    // half-points; RTF's default is 12 pt
    TRtfColor Color;      // from \cf and \colortbl
    std::string FontName; // from \f and \fonttbl; empty: the viewer's default font

    bool operator==(const TRtfCharFormat&) const = default;
};

struct TRtfRun {
    std::string Text;
    TRtfCharFormat Format;
};

// Lengths in twips (1/20 pt).
struct TRtfParaFormat {
    TRtfAlignment Alignment = TRtfAlignment::Left;
    int LeftIndent = 0;
    int RightIndent = 0;
    int FirstIndent = 0; // relative to LeftIndent, may be negative
    int SpaceBefore = 0;
    int SpaceAfter = 0;

    bool operator==(const TRtfParaFormat&) const = default;
};

struct TRtfParagraph {
    TRtfParaFormat Format;
    std::vector<TRtfRun> Runs; // never holds an empty run

    std::string Text() const;
};

struct TRtfDocument {
    std::vector<TRtfParagraph> Paragraphs;
    bool IsRtf = false; // false: the input did not start with "{\rtf" and was read as plain text

    // The paragraphs' text joined with "\n".
    std::string PlainText() const;
};

// Limits that keep hostile input cheap. Values past them are clamped.
inline constexpr std::size_t RtfMaxGroupDepth = 1000; // deeper groups share the deepest format
inline constexpr int RtfMaxTwips = 31680;             // 22 inches, the widest page
inline constexpr int RtfMaxFontSize = 3276;           // half-points
inline constexpr std::size_t RtfMaxFontNameBytes = 255;

// True when Bytes start with "{\rtf", after optional blanks and line breaks.
bool IsRtfText(std::string_view bytes);

// Reads RTF; anything that is not RTF (see IsRtfText) becomes plain text, one paragraph per line
// (lines end at CR LF, LF or CR). Bytes that are not valid UTF-8 are read as Latin-1.
TRtfDocument ReadRtf(std::string_view bytes);
