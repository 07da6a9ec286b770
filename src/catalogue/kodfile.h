// The compressed catalogue form: an 11-byte magic, then one zlib stream.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace catalogue {

extern const char kKodMagic[11];
constexpr size_t kKodMagicSize = 11;
// A stream that inflates past this is treated as damaged rather than eating memory.
constexpr size_t kMaxInflatedSize = 256u * 1024 * 1024;

// Inflates the zlib stream in data. False when the stream is damaged,
// truncated or inflates past kMaxInflatedSize.
bool InflateKod(std::string_view data, std::string& out);
// Magic followed by the zlib stream of text (best compression).
std::string MakeKodBytes(std::string_view text);
// Writes MakeKodBytes(text) to path; throws text::Exception on failure.
void WriteKodFile(const std::filesystem::path& path, std::string_view text);

}  // namespace catalogue
