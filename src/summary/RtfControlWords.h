// The control words the RTF reader acts on.
#pragma once

#include <cstdint>
#include <string_view>

enum class TRtfWord : std::uint8_t {
    Par,
    Line,
    Tab,
    Cell,
    Row,
    Bold,
    Italic,
    Underline,
    UlNone,
    Strike,
    Hidden,
    Plain,
    Pard,
    Fs,
    Cf,
    Font,
    Deff,
    Ql,
    Qc,
    Qr,
    Qj,
    Li,
    Ri,
    Fi,
    Sa,
    Sb,
    Red,
    Green,
    Blue,
    Uc,
    U,
    Bin,
    FontTable,
    ColorTable,
    Destination,
    Emdash,
    Endash,
    Bullet,
    Lquote,
    Rquote,
    Ldblquote,
    Rdblquote,
    Emspace,
    Enspace,
    Qmspace,
};

// The meaning of a control word; nullptr for a word the reader ignores.
const TRtfWord* FindRtfWord(std::string_view name);
