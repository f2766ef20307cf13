// The embedded-font obfuscation of XPS packages: the first 32 bytes of the
// font are XORed with a key taken from the GUID that names the font part
// ("/Resources/8C8B5F3E-1A2B-4C3D-9E8F-0A1B2C3D4E5F.odttf"). The same
// operation obfuscates and restores.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kestrel::package {

inline constexpr const char* kObfuscatedFontContentType = "application/vnd.ms-package.obfuscated-opentype";

using ObfuscationKey = std::array<std::uint8_t, 16>;

// The key of a font part, from the GUID (braces optional) that is the name of
// its last segment without extension; nothing when the name holds no GUID.
std::optional<ObfuscationKey> FontObfuscationKey(std::string_view part_name);

// XORs the bytes of `data`, which sit at `offset` in the font, that fall in the obfuscated head.
void ApplyFontObfuscation(const ObfuscationKey& key, std::uint64_t offset, std::span<std::uint8_t> data);

// Whether a part is stored obfuscated: by its content type or its ".odttf" extension.
bool IsObfuscatedFont(std::string_view part_name, std::string_view content_type);

}  // namespace kestrel::package
