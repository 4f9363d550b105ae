#pragma once
// The program's help file "classify.hlp" and its rendering to HTML. No Qt here, so that the
// parser can be tested and fuzzed on its own.
//
// File form:
//   ORVANDEL-HELP 1
//   #topic <context number> <title>      starts a topic; the first topic is the contents
//   text lines                            paragraphs separated by empty lines
//   * item                                a bullet item
//   {{N|caption}}                         inside a line: a link to topic N
//   ## comment                            ignored anywhere
//
// A file without the header is shown as plain text, as one contents topic.

#include <string>
#include <string_view>
#include <vector>

struct THelpTopic {
    int Number = 0;
    std::string Title;
    std::vector<std::string> Lines; // text lines as stored, comments removed
};

class THelpFile {
public:
    // Reads and parses the file; false when it cannot be read (the topics are then empty).
    bool Load(const std::string& path);
    // Parses text already in memory.
    void Parse(std::string_view text);

    const std::vector<THelpTopic>& Topics() const { return FTopics; }
    // The topic with this context number, or nullptr.
    const THelpTopic* FindTopic(int number) const;
    // The first topic, or nullptr for a file without topics.
    const THelpTopic* Contents() const;
    // False when the file had no header and was taken as plain text.
    bool HasHeader() const { return FHasHeader; }

    // Title used for the plain-text contents of a file without the header.
    static constexpr const char* PlainTextTitle = "Contents";

private:
    std::vector<THelpTopic> FTopics;
    bool FHasHeader = false;
};

// One piece of a text line: plain text, or a link when Link >= 0.
struct THelpRun {
    std::string Text;
    int Link = -1;
};

// Splits a line into text and {{N|caption}} links. A malformed link (no closing braces, no
// bar, a number that is not a plain non-negative integer) stays as literal text.
std::vector<THelpRun> ParseHelpRuns(std::string_view line);

// A context number: digits only, fitting an int; -1 otherwise.
int ParseHelpNumber(std::string_view text);

// The topic as an HTML fragment: its title as a heading, paragraphs, bullet lists and links
// with the href "topic:N". Links to topics that the file lacks are shown as plain text, an empty
// caption shows the target's title. Text is escaped; bytes that are not UTF-8 are read as
// Latin-1. A plain-text topic keeps its lines as they are.
std::string HelpTopicHtml(const THelpFile& file, const THelpTopic& topic);

// The href of a link to topic N, and its inverse (-1 when href is not a topic link).
std::string HelpTopicHref(int number);
int HelpTopicFromHref(std::string_view href);
