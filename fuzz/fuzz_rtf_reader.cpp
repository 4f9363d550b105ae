// Feeds arbitrary bytes to the RTF reader and checks what it promises about its result.
#include "RtfCodec.h"
#include "RtfReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool Ok) {
    if (!Ok)
        std::abort();
}

bool IsUtf8(std::string_view S) {
    for (std::size_t P = 0; P < S.size();) {
        const std::size_t Len = RtfCodec::Utf8SequenceLength(S, P);
        if (Len == 0)
            return false;
        P += Len;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view Bytes(reinterpret_cast<const char*>(Data), Size);
    const TRtfDocument Doc = ReadRtf(Bytes);
    Check(Doc.IsRtf == IsRtfText(Bytes));
    for (const TRtfParagraph& Para : Doc.Paragraphs) {
        const TRtfParaFormat& F = Para.Format;
        Check(F.LeftIndent >= -RtfMaxTwips && F.LeftIndent <= RtfMaxTwips);
        Check(F.RightIndent >= -RtfMaxTwips && F.RightIndent <= RtfMaxTwips);
        Check(F.FirstIndent >= -RtfMaxTwips && F.FirstIndent <= RtfMaxTwips);
        Check(F.SpaceBefore >= 0 && F.SpaceBefore <= RtfMaxTwips);
        Check(F.SpaceAfter >= 0 && F.SpaceAfter <= RtfMaxTwips);
        for (const TRtfRun& Run : Para.Runs) {
            Check(!Run.Text.empty());
            Check(IsUtf8(Run.Text));
            // Only tabs and, in RTF, line breaks are left of the control characters.
            for (char C : Run.Text)
                Check(static_cast<unsigned char>(C) >= 0x20 || C == '\t' || (C == '\n' && Doc.IsRtf));
            Check(Run.Format.FontSize >= 1 && Run.Format.FontSize <= RtfMaxFontSize);
            Check(Run.Format.FontName.size() <= RtfMaxFontNameBytes && IsUtf8(Run.Format.FontName));
        }
    }
    // No input makes more text than it has bytes times the widest expansion of one byte.
    Check(Doc.PlainText().size() <= Size * 4 + 4);
    return 0;
}
