// The search by words and its result list on arbitrary catalogues and words.
// Input: the first line holds the typed words, the rest is the catalogue text
// (tree lines with descriptions after a TAB), stored as a compressed file.
// The prepared search must give the rows of a plain transcription of the
// search (SearchText per line, a line-by-line backward walk; when that finds
// nothing, the same with the Polish letters folded in the words and in the
// texts, letter by letter; and both apart, the folded rows without the lines
// found as typed, for words without Polish letters), and the result
// list the nodes of a plain build that looks children up by walking them; a
// path of any node may only select an entry that one of its fields names.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/baza.h"
#include "catalogue/entry_text.h"
#include "catalogue/kodfile.h"
#include "picker/result_list.h"
#include "picker/word_search.h"
#include "text/cp1250.h"
#include "text/errors.h"

namespace {

size_t Blanks(const std::string& s) {
  size_t n = 0;
  while (n < s.size() && s[n] == ' ') ++n;
  return n;
}

// The Polish letters by their code points, for a transcription that shares
// no table with the code under test.
std::string Fold(const std::string& s) {
  std::string out;
  for (const char c : s) {
    switch (text::CodePointOf1250(static_cast<unsigned char>(c))) {
      case U'ą': out += 'a'; break;
      case U'ć': out += 'c'; break;
      case U'ę': out += 'e'; break;
      case U'ł': out += 'l'; break;
      case U'ń': out += 'n'; break;
      case U'ó': out += 'o'; break;
      case U'ś': out += 's'; break;
      case U'ź': case U'ż': out += 'z'; break;
      case U'Ą': out += 'A'; break;
      case U'Ć': out += 'C'; break;
      case U'Ę': out += 'E'; break;
      case U'Ł': out += 'L'; break;
      case U'Ń': out += 'N'; break;
      case U'Ó': out += 'O'; break;
      case U'Ś': out += 'S'; break;
      case U'Ź': case U'Ż': out += 'Z'; break;
      default: out += c;
    }
  }
  return out;
}

// lines, when given, gets the line of each row.
std::vector<std::string> PlainSearchOnce(const catalogue::TBaza& baza, const std::string& words, bool folded,
                                         std::vector<size_t>* lines = nullptr) {
  std::vector<std::string> rows;
  std::vector<size_t> at;
  if (words.empty()) return rows;
  std::vector<std::string> list = picker::SplitWords(words);
  if (folded)
    for (std::string& w : list) w = Fold(w);
  for (size_t i = 0; i < baza.Count(); ++i) {
    const std::string& line = baza.Line(i);
    std::string searchText = baza.Opisy().SearchText(catalogue::CodeOf(line));
    if (folded) searchText = Fold(searchText);
    if (list[0].empty() || searchText.find(list[0]) == std::string::npos) continue;
    std::string row = line.substr(Blanks(line));
    size_t level = Blanks(line);
    for (size_t j = i; j-- > 0;) {
      const size_t e = Blanks(baza.Line(j));
      if (e > 0 && e < level) {
        row += '\t' + baza.Line(j).substr(e);
        level = e;
      } else if (e > level) {
        break;
      }
    }
    rows.push_back(row);
    at.push_back(i);
  }
  for (size_t k = 1; k < list.size(); ++k) {
    if (list[k].size() < 2) continue;
    for (size_t r = rows.size(); r-- > 0;) {
      std::string title = text::Upper1250(catalogue::TitleOf(rows[r]));
      if (folded) title = Fold(title);
      if (title.find(list[k]) == std::string::npos) {
        rows.erase(rows.begin() + r);
        at.erase(at.begin() + r);
      }
    }
  }
  if (lines) *lines = at;
  return rows;
}

std::vector<std::string> PlainSearch(const catalogue::TBaza& baza, const std::string& words, bool& folded) {
  std::vector<std::string> rows = PlainSearchOnce(baza, words, false);
  folded = false;
  if (!rows.empty()) return rows;
  rows = PlainSearchOnce(baza, words, true);
  folded = !rows.empty();
  return rows;
}

// The rows as typed, and the rows of the other lines found folded.
picker::TWordHits PlainSearchAll(const catalogue::TBaza& baza, const std::string& words) {
  picker::TWordHits hits;
  std::vector<size_t> exactLines, foldedLines;
  hits.Exact = PlainSearchOnce(baza, words, false, &exactLines);
  // Words with a Polish letter are folded only when they find nothing as typed.
  bool polish = false;
  for (const std::string& w : picker::SplitWords(words)) polish = polish || Fold(w) != w;
  if (polish && !hits.Exact.empty()) return hits;
  const std::vector<std::string> folded = PlainSearchOnce(baza, words, true, &foldedLines);
  for (size_t r = 0; r < folded.size(); ++r) {
    bool exact = false;
    for (const size_t l : exactLines) exact = exact || l == foldedLines[r];
    if (!exact) hits.Folded.push_back(folded[r]);
  }
  return hits;
}

struct TPlainNode {
  std::string Text;
  std::vector<int> Children;
};

// The result list as "depth:text" lines in tree order, "*" before a group.
void Flatten(const std::vector<TPlainNode>& nodes, int n, int depth, std::vector<std::string>& out) {
  out.push_back(std::to_string(depth) + ":" + nodes[n].Text);
  for (const int c : nodes[n].Children) Flatten(nodes, c, depth + 1, out);
}

std::vector<std::string> PlainList(const std::vector<std::string>& rows, bool folded) {
  std::vector<TPlainNode> nodes{{folded ? "Wyszukane opisy (bez polskich liter)" : "Wyszukane opisy", {}}};
  for (const std::string& row : rows) {
    int node = 0;
    std::string rest = row, previous;
    for (std::string s = picker::NextField(rest); !s.empty(); s = picker::NextField(rest)) {
      int found = -1;
      for (const int c : nodes[node].Children)
        if (found < 0 && picker::GroupTitle(nodes[c].Text) == picker::GroupTitle(s)) found = c;
      if (found < 0) {
        nodes.push_back({node == 0 ? s : s + "@@" + picker::GroupCode(previous), {}});
        nodes[node].Children.push_back(static_cast<int>(nodes.size()) - 1);
        found = static_cast<int>(nodes.size()) - 1;
      }
      node = found;
      previous = s;
    }
  }
  std::vector<int> order, stack{0};
  while (!stack.empty()) {
    const int n = stack.back();
    stack.pop_back();
    order.push_back(n);
    for (auto c = nodes[n].Children.rbegin(); c != nodes[n].Children.rend(); ++c) stack.push_back(*c);
  }
  for (size_t i = order.size(); i-- > 1;)
    if (nodes[order[i]].Children.size() == 1) nodes[order[i]].Children.clear();
  for (TPlainNode& n : nodes) {
    const size_t at = n.Text.find("@@");
    if (at != std::string::npos) n.Text = n.Text.substr(at + 2) + " - " + n.Text.substr(0, at);
  }
  for (size_t i = 1; i < nodes.size(); ++i)
    if (nodes[i].Children.size() > 1) nodes[i].Text = "*---- - " + picker::GroupTitle(nodes[i].Text);
  std::vector<std::string> out;
  Flatten(nodes, 0, 0, out);  // rows are at most as deep as the indentation is long
  return out;
}

std::vector<std::string> Shape(const picker::TResultList& list) {
  std::vector<std::string> out;
  std::vector<int> depth(list.Count(), 0);
  for (size_t i = 0; i < list.Count(); ++i) {
    const picker::TResultNode& n = list.Node(i);
    if (i > 0 && (n.Parent < 0 || static_cast<size_t>(n.Parent) >= i)) std::abort();  // parents come first
    if (i > 0) depth[i] = depth[n.Parent] + 1;
    out.push_back(std::to_string(depth[i]) + ":" + (n.Group ? "*" : "") + n.Text);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t eol = input.find('\n');
  if (eol == std::string::npos || size > 20000) return 0;
  const std::string words = input.substr(0, eol);
  const std::string kodPath = "/tmp/pkd_word_search_fuzz_" + std::to_string(getpid()) + ".kod";
  catalogue::TBaza baza;
  try {
    catalogue::WriteKodFile(kodPath, "@1=F\r\n@2=T\r\n@3=x\r\n" + input.substr(eol + 1));
    baza.Load(std::filesystem::path(kodPath));
  } catch (const text::Exception&) {
    std::remove(kodPath.c_str());
    return 0;
  }
  std::remove(kodPath.c_str());

  bool folded = false, plainFolded = false;
  const std::vector<std::string> rows = picker::SearchByWords(&baza, words, &folded);
  if (rows != PlainSearch(baza, words, plainFolded) || folded != plainFolded) std::abort();
  picker::TResultList list;
  list.FillResults(rows, folded);
  if (Shape(list) != PlainList(rows, folded)) std::abort();

  const picker::TWordHits all = picker::TWordSearch(baza).SearchAll(words);
  const picker::TWordHits plainAll = PlainSearchAll(baza, words);
  if (all.Exact != plainAll.Exact || all.Folded != plainAll.Folded) std::abort();
  // The rows found only folded follow under their own heading, the list still in tree order.
  picker::TResultList withFolded;
  withFolded.FillResults(all.Exact);
  withFolded.AddFolded(all.Folded);
  Shape(withFolded);

  picker::TCodeTree tree;
  try {
    tree.Build(baza.Lines());
  } catch (const picker::EInvalidLevel&) {
  }
  for (const picker::TResultList* l : {&list, &withFolded}) {
    for (size_t i = 0; i < l->Count(); ++i) {
      const std::string path = l->ResultPath(static_cast<int>(i));
      const int entry = picker::SelectByPath(tree, path);
      if (entry >= 0 && ("\t" + path).find("\t" + tree.Entry(entry).Text + "\t") == std::string::npos) std::abort();
      // A heading names nothing.
      if (l->Node(i).Heading && !path.empty()) std::abort();
    }
  }
  return 0;
}
