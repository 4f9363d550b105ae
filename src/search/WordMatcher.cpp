#include "WordMatcher.h"

#include <algorithm>

namespace {
inline unsigned char Fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return static_cast<unsigned char>(u - 'A') < 26 ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

std::string Folded(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(Fold(c));
    return r;
}

// Every byte of the text that folds onto the (folded) byte b.
template <class F> void ForEachUnfolded(unsigned char b, F&& fn) {
    fn(b);
    if (b >= 'a' && b <= 'z')
        fn(static_cast<unsigned char>(b - ('a' - 'A')));
}
} // namespace

void TWordSet::Assign(const std::vector<std::string>& words) {
    FWords = words;
    for (size_t i = 0; i < FWords.size(); ++i) {
        const std::string& w = FWords[i];
        const uint32_t bit = uint32_t(1) << i;
        if (w.size() == 1) {
            ForEachUnfolded(static_cast<unsigned char>(w[0]), [&](unsigned char b) { FSingles[b] |= bit; });
            FAnySingle = true;
        } else if (w.size() > 1) {
            ForEachUnfolded(static_cast<unsigned char>(w[0]), [&](unsigned char b0) {
                FByPair[b0].push_back(static_cast<uint32_t>(i));
                ForEachUnfolded(static_cast<unsigned char>(w[1]),
                                [&](unsigned char b1) { FPairs.set(size_t(b0) << 8 | b1); });
            });
        }
    }
}

uint32_t TWordSet::Find(std::string_view text, uint32_t wanted, bool any) const {
    uint32_t found = 0; // only wanted words
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n && wanted != 0; ++i) {
        if (FAnySingle)
            found |= FSingles[t[i]] & wanted;
        if (i + 1 < n && FPairs[size_t(t[i]) << 8 | t[i + 1]]) {
            for (uint32_t k : FByPair[t[i]]) {
                const uint32_t bit = uint32_t(1) << k;
                const std::string& w = FWords[k];
                if (!(wanted & bit) || (found & bit) || w.size() > n - i)
                    continue;
                size_t j = 1;
                while (j < w.size() && Fold(static_cast<char>(t[i + j])) == static_cast<unsigned char>(w[j]))
                    ++j;
                if (j == w.size())
                    found |= bit;
            }
        }
        if (found == wanted || (any && found))
            break;
    }
    return found;
}

TWordMatcher::TWordMatcher(const TSearchWords& words, bool matchAll, const TSearchFields& fields)
    : FMatchAll(matchAll), Fields(fields) {
    std::vector<std::string> text;
    for (const std::string& w : words) {
        if (w.empty() || text.size() == static_cast<size_t>(MaxSearchWords))
            break;
        text.push_back(Folded(w));
    }
    FText.Assign(text);
    FAllWords = text.empty() ? 0 : static_cast<uint32_t>((uint64_t(1) << text.size()) - 1);

    // In a record line no field holds '#' or a line end, and a description
    // has '|' for its line breaks: a word with a line break is looked for in
    // the description with '|' in its place, and a word with a '|' of its own
    // never in the description.
    const uint32_t plainFields = (fields.InKeywords ? KeywordsField : 0) | (fields.InType ? TypeField : 0) |
                                 (fields.InCommonName ? CommonNameField : 0);
    for (size_t i = 0; i < text.size(); ++i) {
        const uint32_t bit = uint32_t(1) << i;
        std::string word = text[i];
        uint32_t in = word.find_first_of("#\r\n") == std::string::npos ? plainFields : 0;
        if (fields.InDescription && word.find_first_of("#\r|") == std::string::npos) {
            std::replace(word.begin(), word.end(), '\n', '|');
            in |= DescriptionField;
        }
        if (in == 0)
            continue;
        FPatternWords |= bit;
        auto same = [&](const TFilePattern& p) { return p.Word.Text() == word && p.Fields == in; };
        if (const auto p = std::find_if(FPatterns.begin(), FPatterns.end(), same); p != FPatterns.end())
            p->Bits |= bit;
        else
            FPatterns.push_back(TFilePattern{TFoldedWord(std::move(word)), bit, in});
    }
}

bool TWordMatcher::NeverMatches() const {
    const TSearchFields& f = Fields;
    const bool anyField = f.InKeywords || f.InType || f.InCommonName || f.InDescription || f.InName;
    // Without the name, a word that no field can hold decides alone.
    if (FMatchAll)
        return FAllWords != 0 && (!anyField || (!f.InName && FPatternWords != FAllWords));
    return FAllWords == 0 || !anyField || (!f.InName && FPatternWords == 0);
}

uint32_t TWordMatcher::RecordMask(std::string_view keywords, std::string_view type,
                                  std::string_view commonName, std::string_view description) const {
    // Fields are searched for the words not found yet; the order of the
    // fields does not change the outcome.
    uint32_t mask = 0;
    auto look = [&](bool chosen, std::string_view text) {
        // "Match Some" is decided by the first word found.
        if (chosen && (FAllWords & ~mask) && (FMatchAll || !mask))
            mask |= FText.Find(text, FAllWords & ~mask, !FMatchAll);
    };
    look(Fields.InKeywords, keywords);
    look(Fields.InType, type);
    look(Fields.InCommonName, commonName);
    look(Fields.InDescription, description);
    return mask;
}

bool TWordMatcher::Decide(uint32_t mask, std::string_view name) const {
    if (Accepts(mask) || !Fields.InName)
        return Accepts(mask);
    return Accepts(mask | FText.Find(name, FAllWords & ~mask, !FMatchAll));
}
