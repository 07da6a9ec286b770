// The loaded classification catalogue: tree lines, header values and the
// description store.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/correspondence.h"
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
  // The path is wide on Windows all the way to the file call; a Windows-1250
  // name must be made a path with text::PathFrom1250, never implicitly
  // (that would go through the machine's ANSI code page).
  void Load(const std::filesystem::path& fileName);
  void Load(const std::string&) = delete;
  void Load(const char*) = delete;

  size_t Count() const { return FLines.size(); }
  const std::string& Line(size_t i) const { return FLines[i]; }
  const std::vector<std::string>& Lines() const { return FLines; }
  // Every line followed by CR LF.
  std::string Text() const;

  const std::filesystem::path& FileName() const { return FFileName; }
  const std::string& Naglowek() const { return FNaglowek; }
  const std::string& Tytul() const { return FTytul; }
  const TOpisy& Opisy() const { return FOpisy; }
  // The codes of the other revision with their counterparts here; empty
  // when the catalogue carries no correspondence.
  const TCorrespondence& Correspondence() const { return FCorrespondence; }

 private:
  void ReadHeaders();
  std::filesystem::path FFileName;
  std::string FNaglowek;
  std::string FTytul;
  std::vector<std::string> FLines;
  TOpisy FOpisy;
  TCorrespondence FCorrespondence;
};

}  // namespace catalogue
