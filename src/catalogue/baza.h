// The loaded classification catalogue: tree lines, header values and the
// description store.
#pragma once

#include <string>
#include <vector>

#include "catalogue/opisy.h"
#include "text/errors.h"

namespace catalogue {

// Every load failure; the message is the one shown to the user.
class ECatalogueError : public text::Exception {
 public:
  using text::Exception::Exception;
};

class TBaza {
 public:
  TBaza() = default;
  TBaza(const TBaza&) = delete;
  TBaza& operator=(const TBaza&) = delete;

  // Loads the catalogue: the compressed form for the extension ".KOD" (any
  // case), plain text otherwise. Throws ECatalogueError or text::EConvertError.
  void Load(const std::string& fileName);

  size_t Count() const { return lines_.size(); }
  const std::string& Line(size_t i) const { return lines_[i]; }
  const std::vector<std::string>& Lines() const { return lines_; }
  // Every line followed by CR LF.
  std::string Text() const;

  const std::string& FileName() const { return fileName_; }
  const std::string& Naglowek() const { return naglowek_; }
  const std::string& Tytul() const { return tytul_; }
  const TOpisy& Opisy() const { return opisy_; }

 private:
  void ReadHeaders();
  std::string fileName_;
  std::string naglowek_;
  std::string tytul_;
  std::vector<std::string> lines_;
  TOpisy opisy_;
};

// CodeOf / TitleOf of a tree line or entry text: the part before the first
// " - " without leading blanks (empty without " - "), and the part after it.
std::string CodeOf(const std::string& text);
std::string TitleOf(const std::string& text);

}  // namespace catalogue
