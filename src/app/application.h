// Program start: the application title and the controls library, and where
// the catalogue lies.
#pragma once

#include <filesystem>

namespace app {

// Sets the application title and loads the common controls. Called once by
// the program (and by tests that create the window in-process).
void InitApplication();
// "pkd.kod" in the directory of the executable.
std::filesystem::path CataloguePathBesideExe();
// Creates the main window, shows it unless the program was started hidden
// (show: WinMain's show command), and runs the message loop until it closes.
int RunPicker(int show);

}  // namespace app
