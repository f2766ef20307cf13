// The forms values of print options take: lengths with units, counts, the
// self-describing media names of the PWG and CUPS custom sizes, and the
// spelling of option values derived from print schema names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace kestrel::print_options {

// "10mm", "1.5cm", "0.5in", or a plain number of millimetres; in microns.
// Nothing for a negative, malformed or absurdly large length.
std::optional<LONG> ParseLength(std::string_view text);

// A decimal whole number (digits only).
std::optional<long> ParseCount(std::string_view text);

struct MediaDimensions {
  LONG width = 0;  // microns
  LONG height = 0;
};

// The size a media name spells out: a PWG self-describing name
// ("iso_a4_210x297mm", "na_letter_8.5x11in") or a CUPS custom size
// ("Custom.100x150mm"; points without a unit, as CUPS reads it).
std::optional<MediaDimensions> ParseMediaDimensions(std::string_view name);

// The names users know a print schema media size by: the PostScript page
// size name CUPS lists ("A4") and the PWG self-describing name. Nothing for a
// size without a common name.
struct MediaNames {
  std::string_view common;
  std::string_view pwg;
};
std::optional<MediaNames> KnownMediaNames(std::string_view keyword);

// A print schema name in the lower-case hyphenated style of CUPS options:
// "TwoSidedLongEdge" -> "two-sided-long-edge", "Tray1" -> "tray-1".
std::string Hyphenated(std::string_view name);

// ASCII case-insensitive equality.
bool SameWord(std::string_view a, std::string_view b);

}  // namespace kestrel::print_options
