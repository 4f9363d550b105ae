// Drives the macro-expanding lists with arbitrary delimiters, macro lists, texts and handlers
// (which answer, add to the list while it is busy, or throw) and checks the list's promises.
#include "EncodedStrings.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool Ok) {
    if (!Ok)
        std::abort();
}

struct TInput {
    std::string_view Data;
    std::uint8_t Byte() {
        if (Data.empty())
            return 0;
        const auto B = static_cast<std::uint8_t>(Data.front());
        Data.remove_prefix(1);
        return B;
    }
    std::string_view Take(std::size_t N) {
        N = std::min(N, Data.size());
        const std::string_view Part = Data.substr(0, N);
        Data.remove_prefix(N);
        return Part;
    }
};

std::vector<std::string> SplitLines(std::string_view S) {
    std::vector<std::string> Lines;
    std::size_t P = 0;
    while (P <= S.size()) {
        const std::size_t E = std::min(S.find('\n', P), S.size());
        Lines.emplace_back(S.substr(P, E - P));
        P = E + 1;
    }
    return Lines;
}

// The handlers' behaviour is chosen by the first character of the macro name.
void Answer(const std::string& Name, std::string& Value, bool& Handled, TEncodedStrings& Sender) {
    Check(Sender.Busy);
    if (Name.empty())
        return;
    switch (Name[0]) {
    case '!':
        throw std::runtime_error("handler failed");
    case '+':
        if (Sender.Count() < 64)
            Sender.Add(Name);
        break;
    case '=':
        Handled = true;
        break; // keeps the previous macro's value
    default:
        if (Name.size() % 2 == 1) {
            Value.assign(Name.rbegin(), Name.rend());
            Handled = true;
        }
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TInput In{std::string_view(reinterpret_cast<const char*>(Data), Size)};
    const std::uint8_t Flags = In.Byte();

    TAutomateStrings List;
    if (Flags & 1) {
        List.MacroStart = TCharSet(In.Take(In.Byte() % 8));
        List.MacroEnd = TCharSet(In.Take(In.Byte() % 8));
    }
    const bool WithHandlers = Flags & 2;
    if (Flags & 4) {
        // Macro lines come first, up to a NUL.
        const std::size_t End = In.Data.find('\0');
        List.SetMacros(SplitLines(In.Take(End)));
        In.Byte();
    } else if (!WithHandlers) {
        List.OnMacro = nullptr;
    }
    if (WithHandlers) {
        List.OnUnknownMacro = [](const std::string& Name, std::string& Value, bool& Handled, TMacroInfo& Info,
                                 TEncodedStrings& Sender) {
            Check(Info.NextPos >= 2 && Info.NextPos <= Info.Source.size() + 1);
            Check(Info.Source[Info.NextPos - 2] == Info.CloseChar);
            Answer(Name, Value, Handled, Sender);
        };
        List.OnMacroFound = [](const std::string& Name, TMacroInfo&, TEncodedStrings& Sender) {
            if (!Name.empty() && Name[0] == '!')
                throw std::runtime_error("found handler failed");
            Check(Sender.Busy);
        };
    }
    const std::string Text(In.Data);

    // Expand on its own: without any handler the result is the text up to an unterminated macro.
    std::string R;
    try {
        List.Expand(Text, R);
        if (!List.OnMacro)
            Check(R.size() <= Text.size() && Text.compare(0, R.size(), R) == 0);
    } catch (const std::runtime_error&) {
        Check(WithHandlers);
    }
    Check(!List.Busy);

    // Add, Insert and SetText store nothing when a handler throws.
    const std::vector<std::string> Before = List.Lines();
    try {
        if (Flags & 8) {
            List.SetText(Text);
        } else {
            List.Add(Text);
            List.Insert(0, Text);
        }
    } catch (const std::runtime_error&) {
        // Only what the handlers added themselves may have joined the old lines.
        Check(WithHandlers);
        const std::vector<std::string>& After = List.Lines();
        Check(After.size() >= Before.size() && std::equal(Before.begin(), Before.end(), After.begin()));
        for (std::size_t I = Before.size(); I < After.size(); ++I)
            Check(!After[I].empty() && After[I][0] == '+');
    }
    Check(!List.Busy);
    (void)List.Text();
    return 0;
}
