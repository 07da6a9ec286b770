#include "support/synthetic_catalogue.h"

#include <filesystem>
#include <stdexcept>

#include "catalogue/file.h"
#include "catalogue/kodfile.h"
#include "text/lines.h"

namespace testing_support {

std::string SyntheticCatalogueText(const std::string& text, const TSyntheticOptions& options) {
  const std::vector<std::string> lines = text::SplitLines(text);
  size_t firstTree = 0;
  while (firstTree < lines.size() && !lines[firstTree].empty() && lines[firstTree][0] == '@') ++firstTree;
  const size_t digits = std::to_string(options.Copies > 1 ? options.Copies - 1 : 0).size();

  std::string out;
  out.reserve(text.size() * static_cast<size_t>(options.Copies) + lines.size() * options.Copies * 16);
  for (size_t i = 0; i < firstTree; ++i) out += lines[i] + "\r\n";
  for (int k = 0; k < options.Copies; ++k) {
    std::string number = std::to_string(k);
    number.insert(0, digits - number.size(), '0');
    const std::string prefix = "K" + number + ".";
    const std::string mark = " [" + number + "]";
    for (size_t i = firstTree; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      const size_t indent = line.find_first_not_of(' ');
      if (indent == std::string::npos) {
        out += line + "\r\n";
        continue;
      }
      const size_t tab = line.find('\t');
      const size_t treeEnd = tab == std::string::npos ? line.size() : tab;
      out.append(line, 0, indent);
      out += prefix;
      out.append(line, indent, treeEnd - indent);
      if (options.MarkTitles) out += mark;
      out.append(line, treeEnd, std::string::npos);
      out += "\r\n";
    }
  }
  return out;
}

namespace {

std::string NewFolder() {
  namespace fs = std::filesystem;
  for (int attempt = 0;; ++attempt) {
    const fs::path p = fs::temp_directory_path() / ("pkd_synthetic_" + std::to_string(attempt));
    if (fs::create_directory(p)) return p.string();
  }
}

}  // namespace

TSyntheticCatalogue::TSyntheticCatalogue(const std::filesystem::path& realKod, const TSyntheticOptions& options) {
  std::string bytes, error, text;
  if (!catalogue::ReadWholeFile(realKod, bytes, error)) throw std::runtime_error(realKod.string() + ": " + error);
  if (bytes.size() < catalogue::kKodMagicSize ||
      !catalogue::InflateKod(std::string_view(bytes).substr(catalogue::kKodMagicSize), text))
    throw std::runtime_error(realKod.string() + ": not a compressed catalogue");
  FFolder = NewFolder();
  FPath = std::filesystem::path(FFolder) / "synthetic.kod";
  catalogue::WriteKodFile(FPath, SyntheticCatalogueText(text, options));
}

TSyntheticCatalogue::~TSyntheticCatalogue() {
  std::error_code ec;
  std::filesystem::remove_all(FFolder, ec);
}

}  // namespace testing_support
