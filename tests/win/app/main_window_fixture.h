// The main window created in-process on a catalogue written by the test, with
// the program's settings removed before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/gui_helpers.h"
#include "app/tree_kodow.h"

namespace guitest {

class TMainWindowTest : public ::testing::Test {
 protected:
  explicit TMainWindowTest(const std::string& folder) : dir(folder) {}
  static void SetUpTestSuite() { app::InitApplication(); }
  void SetUp() override { DeleteOurSettings(); }
  void TearDown() override {
    form.reset();
    DeleteOurSettings();
  }

  // Writes the catalogue as `name` (compressed for a .kod name, plain
  // otherwise), then creates and shows the window on it.
  app::Tform_TreeKodow& OpenCatalogue(const std::string& name, const std::string& title,
                                      const std::vector<std::string>& lines) {
    const std::filesystem::path path = dir.File(name);
    if (name.find(".kod") != std::string::npos)
      WriteKodCatalogue(path, title, lines);
    else
      WritePlainCatalogue(path, title, lines);
    return OpenPath(path);
  }
  app::Tform_TreeKodow& OpenPath(const std::filesystem::path& path) {
    form.picker = std::make_unique<app::TPickerApp>();
    EXPECT_TRUE(form->Create(path));
    form->Show();
    return *form;
  }
  // Selects an entry as the user would and waits for the window's reaction.
  void SelectEntry(int entry) {
    form->tree_kody.Select(form->ItemOf(entry));
    ASSERT_TRUE(WaitFor([&] { return !form->TreeChange.Enabled(); }));
  }

  TTempDir dir;
  // The window with the DDE side wired to it, as the program builds it.
  struct TWiredForm {
    std::unique_ptr<app::TPickerApp> picker;
    app::Tform_TreeKodow* operator->() const { return &picker->Form(); }
    app::Tform_TreeKodow& operator*() const { return picker->Form(); }
    void reset() { picker.reset(); }
  } form;
};

}  // namespace guitest
