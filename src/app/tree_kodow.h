// The picker's main window: the code tree of the catalogue, the note of the
// selected code, the two search boxes and the button row of pick mode, kept
// in the registry. The layout, the searches, the note pane, the menus and the
// revision switch are classes of their own that it holds.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/code_box.h"
#include "app/main_layout.h"
#include "app/main_menus.h"
#include "app/note_memo.h"
#include "app/note_pane.h"
#include "app/revision_switch.h"
#include "app/spis_opisow.h"
#include "app/words_search.h"
#include "catalogue/baza.h"
#include "dde/win/long_execute_win.h"
#include "picker/code_tree.h"
#include "picker/old_code.h"
#include "picker/pick_session.h"
#include "picker/picker_dde.h"
#include "picker/word_search.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"
#include "ui/menu.h"
#include "ui/tree_binding.h"

namespace app {

// The private message of the catalogue-missing notice.
constexpr UINT WM_CATALOGUE_MISSING = 1025;
constexpr UINT WM_CREATE_RESULT_LIST = WM_APP + 1;
constexpr UINT WM_START_DDE_SERVICE = WM_APP + 2;
constexpr UINT WM_FILL_CODE_LIST = WM_APP + 3;

// The main window. The DDE side is attached by the program (application.h):
// the pick session drives the window through its view (pick_view.h).
class Tform_TreeKodow : public ui::TForm,
                        private TWordsHost,
                        private TCodeHost,
                        private TRevisionHost,
                        private TNoteHost,
                        private TMenuHost {
 public:
  Tform_TreeKodow();
  ~Tform_TreeKodow() override;

  // Creates the window and runs the start-up steps on the catalogue at
  // cataloguePath (the program passes "pkd.kod" beside the executable).
  // A failing step is shown in the exception box and the window opens all
  // the same. False only when the window itself could not be created.
  bool Create(const std::filesystem::path& cataloguePath);
  // A path is never made from Windows-1250 text implicitly (that would go
  // through the machine's ANSI code page): see text::PathFrom1250.
  bool Create(const std::string&) = delete;

  void SetBaza(std::unique_ptr<catalogue::TBaza> baza);
  void BuildTree();
  void ShowDescription(const std::string& code) { FNotes.ShowDescription(code); }
  void HideResultList() { FWords.HideResultList(); }

  // Shows the window with its button row and waits for "Wybierz" or "Anuluj".
  int ShowModal() override;
  // Shows the window; when it was hidden, the on-show step runs first.
  void Show() override;
  // The button row of pick mode.
  void SetButtonRowVisible(bool visible) { FLayout.SetButtonRowVisible(visible); }
  // Shows the window with its button row. A hidden window gets the row
  // before it shows, so that it shows and paints once.
  void ShowWithButtonRow();
  // Before a pick's presets: a hidden window is laid out as its show will
  // lay it out (the stored panel height, the button row), so that the
  // presets reveal their entry in the tree the user is to see; a window
  // shown already gets its button row.
  void LayOutForPick();
  // After a pick's show: what the presets found while the window was
  // hidden is shown with it (the selected entry in view, the result list).
  void ShowAwaitedResults();

  // The search by words and its result list (words_search.h). The
  // result-list window is created hidden, owned by this one, once at
  // start: by a message to this window, handled before any input.
  void PostCreateResultList() { PostMessageW(Handle(), WM_CREATE_RESULT_LIST, 0, 0); }
  Tform_spisOpisow* ResultList() const { return FWords.ResultList(); }
  // Selects the entry a result path names; false when it names none.
  bool SelectByPath(const std::string& path) override;
  // An old code's counterparts at the top of the result list.
  const picker::TCounterpartGroup& Counterparts() const { return FWords.Counterparts(); }
  // The two revisions and their menu (revision_switch.h).
  TRevisionSwitch& Revisions() { return FRevisions; }
  // True while a DDE pick waits for the user.
  bool Picking() const override;

  // Keys of the whole window: Alt+Left and Alt+Right, the note pane's
  // history (note_pane.h; the key then goes on), then the form's own.
  bool PreTranslate(MSG& msg) override { return !FNotes.HistoryKey(msg) && ui::TForm::PreTranslate(msg); }

  // The selected entry's text; empty when nothing is selected.
  std::string SelectedText() const;
  // The tree's selected entry (its model index), -1 for none.
  int SelectedEntry() const override { return EntryOf(tree_kody.Selected()); }

  // The presets a DDE client gives the two search boxes, and the searches
  // run on them at once.
  void SetSearchCode(const std::string& code) { FCode.SetSearchCode(code); }
  void SetSearchWords(const std::string& words);
  void RunSearches();
  // The DDE side, given before Create; null once the window is destroyed,
  // which ends its conversations and its service.
  void AttachDde(std::unique_ptr<picker::TPickerDde> dde) { FDde = std::move(dde); }
  picker::TPickerDde* Dde() const { return FDde.get(); }
  // Called once the DDE service has been registered.
  std::function<void()> OnServiceStarted;

  // The menus and their commands (main_menus.h, which names the command ids).
  void KopiujDoClipClick(WORD sender) { FMenus.KopiujDoClipClick(sender); }
  void Oprogramie1Click() { FMenus.Oprogramie1Click(); }
  HMENU MainMenu1() const { return GetMenu(Handle()); }
  ui::TMenu PopupMenu1{true};

  catalogue::TBaza* Baza() const { return FBaza.get(); }
  const picker::TCodeTree& Tree() const { return FTree; }
  const ui::TFormStorage& Storage() const { return FStorage; }

  // The controls, under the names the program gives them.
  ui::TLabel Label2, Label4, Panel4;
  ui::TComboBox szukaj_kod;
  ui::TEdit szukaj_opis;
  ui::TTreeView tree_kody;
  ui::TSplitter Splitter1;
  TNoteMemo m_opis;
  ui::TButton b_OK, b_cancel;
  ui::TTimer Timer1;      // the code search's debounce
  ui::TTimer Timer2;      // the word search's debounce
  ui::TTimer TreeChange;  // the tree's delay before it reacts to a selection
  ui::TTimer ClientWatch;  // a hidden picker looks for clients that died

 private:
  TMainLayout FLayout{*this,
                      {Label2, szukaj_kod, Label4, szukaj_opis, tree_kody, Splitter1, Panel4, m_opis, b_OK, b_cancel}};

 public:
  // The layout's nodes (main_layout.h): panels that own no window of their own.
  ui::TLayoutNode &Root = FLayout.Root, &Panel1 = FLayout.Panel1, &TreeNode = FLayout.TreeNode,
                  &SplitterNode = FLayout.SplitterNode, &Panel2 = FLayout.Panel2, &p_opis = FLayout.p_opis,
                  &Panel4Node = FLayout.Panel4Node, &MemoNode = FLayout.MemoNode, &P_btn = FLayout.P_btn;

  HTREEITEM ItemOf(int entry) const { return FKody.Item(entry); }
  int EntryOf(HTREEITEM item) const { return FKody.IndexOf(item); }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  bool CloseQuery() override;
  void Closed() override;
  void Resized() override { FLayout.Relayout(); }
  void DpiChanged(int oldDpi) override;
  void MenuCommand(WORD id) override { FMenus.MenuCommand(id); }
  // An open result list takes Enter and Escape typed in the boxes before the
  // buttons do (words box: result_list keys; code box: an old code's list).
  bool WantsDialogKey(WORD key) const override;

 private:
  // The menu bar (given to the window) and the tree's context menu.
  HMENU CreateMenus() { return FMenus.CreateMenus(); }
  void UseAccelerators(HACCEL table) override { SetAccelerators(table); }
  void CreateControls();
  void StartUp(const std::filesystem::path& cataloguePath);
  // The revision switch's view of this window.
  HMENU MenuBar() const override { return MainMenu1(); }
  bool HasCatalogue() const override { return FBaza != nullptr; }
  void ReplaceCatalogue(std::unique_ptr<catalogue::TBaza> baza) override;
  // The DDE service step of start-up.
  void StartDdeService();
  // The on-show step: the stored panel height, the button row (shown for a
  // pick or a modal show, else hidden) and the stored placement, which shows
  // the window.
  void ReadSettings();
  void LayOutStored(bool buttonRow);
  void SaveSettings(bool destroying);

  // Selects the entry, opening its ancestors, in one paint.
  void RevealEntry(int entry) override;
  const picker::TCodeTree& CodeTree() const override { return FTree; }
  // A search or a link moved the selection here from the entry from.
  void RecordJump(int from) override { FNotes.RecordJump(from); }

  // The words search's view of this window.
  HWND WindowHandle() const override { return Handle(); }
  bool WindowVisible() const override { return Visible(); }
  catalogue::TBaza* Catalogue() const override { return FBaza.get(); }
  bool CodeBoxKeyDown(WORD key, unsigned shift) override { return FCode.szukaj_kodKeyDown(key, shift); }
  bool CodeBoxDropsChar(char key) const override { return FCode.DropsChar(key); }

  void tree_kodyChange();
  bool tree_kodyKeyPress(char& key);
  void b_OKClick();
  void b_cancelClick();


  std::unique_ptr<catalogue::TBaza> FBaza;
  TNotePane FNotes{*this, m_opis, tree_kody};
  TWordsSearch FWords{*this, szukaj_opis, szukaj_kod, Timer2};
  TCodeBox FCode{*this, szukaj_kod, Timer1, tree_kody, FWords};
  picker::TCodeTree FTree;
  ui::TTreeBinding FKody{tree_kody};  // tree_kody showing FTree
  ui::TFormStorage FStorage;
  TRevisionSwitch FRevisions{*this, FStorage};
  TMainMenus FMenus{*this, PopupMenu1, tree_kody, FNotes, FRevisions};
  bool FShowButtons = false;
  bool FSettingsSaved = false;
  bool FFirstShow = true;
  // The DDE side with the manager DDEMan1 and the pick session.
  std::unique_ptr<picker::TPickerDde> FDde;
  // A pick arriving in a menu loop ends the menu and starts after it.
  dde::TLongExecutes FLongExecutes{[this] { return FDde && !FDde->Session().Busy(); }};
};

}  // namespace app
