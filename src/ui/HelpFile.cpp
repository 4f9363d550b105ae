#include "HelpFile.h"

#include "TextEncoding.h"
#include "TextFiles.h"

#include <climits>
#include <exception>
#include <set>

namespace {

constexpr std::string_view Header = "ORVANDEL-HELP 1";
constexpr std::string_view TopicTag = "#topic";
constexpr std::string_view TopicHrefPrefix = "topic:";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool IsBlankLine(std::string_view line) {
    return TrimBlanks(line).empty();
}

// "#topic" followed by a blank or the end of the line (so "#topics" is text).
bool IsTopicLine(std::string_view line) {
    return line.starts_with(TopicTag) && (line.size() == TopicTag.size() || IsBlank(line[TopicTag.size()]));
}

// Parses "#topic N title"; false for a bad or missing number.
bool ParseTopicLine(std::string_view line, THelpTopic& topic) {
    std::string_view rest = TrimBlanks(line.substr(TopicTag.size()));
    size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end]))
        ++end;
    const int number = ParseHelpNumber(rest.substr(0, end));
    if (number < 0)
        return false;
    topic.Number = number;
    topic.Title = std::string(TrimBlanks(rest.substr(end)));
    if (topic.Title.empty())
        topic.Title = "Topic " + std::to_string(number);
    topic.Lines.clear();
    return true;
}

void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
            break;
        }
    }
}

void AppendRuns(std::string& out, const THelpFile& file, std::string_view line) {
    for (const THelpRun& run : ParseHelpRuns(line)) {
        if (run.Link < 0) {
            AppendEscaped(out, run.Text);
            continue;
        }
        const THelpTopic* target = file.FindTopic(run.Link);
        const std::string caption = run.Text.empty() && target ? target->Title : run.Text;
        if (!target) { // a dead link would only lead back to the contents
            AppendEscaped(out, caption);
            continue;
        }
        out += "<a href=\"";
        out += HelpTopicHref(run.Link);
        out += "\">";
        AppendEscaped(out, caption);
        out += "</a>";
    }
}

} // namespace

int ParseHelpNumber(std::string_view text) {
    if (text.empty() || text.size() > 10)
        return -1;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value > INT_MAX ? -1 : static_cast<int>(value);
}

bool THelpFile::Load(const std::string& path) {
    FTopics.clear();
    FHasHeader = false;
    std::string bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const std::exception&) {
        return false;
    }
    Parse(bytes);
    return true;
}

void THelpFile::Parse(std::string_view text) {
    FTopics.clear();
    FHasHeader = false;
    std::vector<std::string_view> lines;
    ForEachLine(text, [&](std::string_view line) { lines.push_back(line); });

    if (lines.empty() || TrimBlanks(lines.front()) != Header) {
        // Not our format: show whatever it holds rather than nothing.
        THelpTopic plain;
        plain.Number = 0;
        plain.Title = PlainTextTitle;
        for (const std::string_view line : lines)
            plain.Lines.emplace_back(line);
        FTopics.push_back(std::move(plain));
        return;
    }
    FHasHeader = true;

    std::set<int> numbers;
    THelpTopic* current = nullptr; // null before the first topic and inside a skipped one
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.starts_with("##"))
            continue;
        if (IsTopicLine(line)) {
            THelpTopic topic;
            current = nullptr;
            // A topic with a bad or repeated number is dropped with its text.
            if (ParseTopicLine(line, topic) && numbers.insert(topic.Number).second) {
                FTopics.push_back(std::move(topic));
                current = &FTopics.back();
            }
            continue;
        }
        if (current)
            current->Lines.emplace_back(line);
    }
}

const THelpTopic* THelpFile::FindTopic(int number) const {
    for (const THelpTopic& topic : FTopics)
        if (topic.Number == number)
            return &topic;
    return nullptr;
}

const THelpTopic* THelpFile::Contents() const {
    return FTopics.empty() ? nullptr : &FTopics.front();
}

std::vector<THelpRun> ParseHelpRuns(std::string_view line) {
    std::vector<THelpRun> runs;
    std::string text;
    size_t pos = 0;
    // The first "}}" after the current "{{": it only moves forward, so a line of many "{{"
    // costs one scan, not one per brace.
    size_t close = 0;
    while (pos < line.size()) {
        const size_t open = line.find("{{", pos);
        if (open == std::string_view::npos)
            break;
        if (close != std::string_view::npos && close < open + 2)
            close = line.find("}}", open + 2);
        if (close == std::string_view::npos) // no link can follow: the rest is text
            break;
        text.append(line.substr(pos, open - pos));
        const std::string_view inner = line.substr(open + 2, close - open - 2);
        // A number longer than ParseHelpNumber takes is no link; looking further is wasted.
        const size_t bar = inner.substr(0, 12).find('|');
        const int number = bar == std::string_view::npos ? -1 : ParseHelpNumber(inner.substr(0, bar));
        if (number < 0) {
            text += "{{";
            pos = open + 2;
            continue;
        }
        if (!text.empty())
            runs.push_back({std::move(text), -1});
        text.clear();
        runs.push_back({std::string(inner.substr(bar + 1)), number});
        pos = close + 2;
    }
    if (pos < line.size())
        text.append(line.substr(pos));
    if (!text.empty())
        runs.push_back({std::move(text), -1});
    return runs;
}

std::string HelpTopicHtml(const THelpFile& file, const THelpTopic& topic) {
    std::string html = "<h2>";
    AppendEscaped(html, ToDisplayUtf8(topic.Title));
    html += "</h2>\n";

    if (!file.HasHeader()) {
        html += "<p style=\"white-space: pre-wrap\">";
        for (size_t i = 0; i < topic.Lines.size(); ++i) {
            if (i > 0)
                html += "<br>";
            AppendEscaped(html, ToDisplayUtf8(topic.Lines[i]));
        }
        html += "</p>\n";
        return html;
    }

    enum class TBlock { None, Paragraph, List } block = TBlock::None;
    auto close = [&] {
        if (block == TBlock::Paragraph)
            html += "</p>\n";
        else if (block == TBlock::List)
            html += "</li></ul>\n";
        block = TBlock::None;
    };
    for (const std::string& raw : topic.Lines) {
        const std::string line = ToDisplayUtf8(raw);
        if (IsBlankLine(line)) {
            close();
            continue;
        }
        if (line.starts_with("* ")) {
            if (block == TBlock::List) {
                html += "</li>\n<li>";
            } else {
                close();
                html += "<ul>\n<li>";
                block = TBlock::List;
            }
            AppendRuns(html, file, TrimBlanks(std::string_view(line).substr(2)));
            continue;
        }
        if (block == TBlock::Paragraph) {
            html += ' ';
        } else {
            close(); // text right after a list starts a new paragraph
            html += "<p>";
            block = TBlock::Paragraph;
        }
        AppendRuns(html, file, TrimBlanks(line));
    }
    close();
    return html;
}

std::string HelpTopicHref(int number) {
    return std::string(TopicHrefPrefix) + std::to_string(number);
}

int HelpTopicFromHref(std::string_view href) {
    if (!href.starts_with(TopicHrefPrefix))
        return -1;
    return ParseHelpNumber(href.substr(TopicHrefPrefix.size()));
}
