// Main window: start-up, persistence, the tree and its selection.
#include "app/tree_kodow.h"

#include "catalogue/entry_text.h"
#include "picker/result_list.h"
#include "text/path.h"
#include "ui/message_box.h"
#include "ui/wintext.h"

namespace app {

namespace {

enum : int { idSzukajKod = 100, idSzukajOpis, idTreeKody, idOpis, idOK, idCancel };

const char kMissingCatalogue[] = "Niestety nie znalazłem pliku \"pkd.kod\" z definicją kodów PKD !";

}  // namespace

Tform_TreeKodow::Tform_TreeKodow()
    : Timer1(*this, 300),
      Timer2(*this, 300),
      TreeChange(*this, 100),
      ClientWatch(*this, 1000),
      FStorage(ui::TFormStorage::DefaultKeyPath("MainForm")) {}

Tform_TreeKodow::~Tform_TreeKodow() {
  // Destroyed here, while this class still handles its own WM_DESTROY.
  Destroy();
}

bool Tform_TreeKodow::Create(const std::filesystem::path& cataloguePath) {
  FRevisions.SetStartCatalogue(cataloguePath);
  ui::TFormOptions options;
  options.Centred = true;
  if (!CreateForm("", TMainLayout::kClientWidth, TMainLayout::kClientHeight, options, CreateMenus())) return false;
  SetMinSize(TMainLayout::kMinWidth, TMainLayout::kMinHeight);
  CreateControls();
  try {
    StartUp(cataloguePath);
  } catch (const std::exception& e) {
    // As the framework does for a failing window creation: say so, open all the same.
    ui::ShowException(e);
  }
  return true;
}

void Tform_TreeKodow::StartUp(const std::filesystem::path& cataloguePath) {
  // The settings' registry key is the constructor's: the stored revision
  // below already reads through it.
  if (!text::FileExists(cataloguePath)) {
    // The program ends after the notice: a service registered meanwhile
    // would only have clients wait on a picker that cannot pick.
    PostMessageW(Handle(), WM_CATALOGUE_MISSING, 0, 0);
    return;
  }
  if (!FRevisions.ShowStoredRevision()) {
    auto baza = std::make_unique<catalogue::TBaza>();
    baza->Load(cataloguePath);
    SetBaza(std::move(baza));
  }
  // Registering the service broadcasts to every top-level window of the
  // desktop and waits for each, so it waits for the loop's first message,
  // after the window has been painted. A client waits for the
  // service to appear anyway.
  PostMessageW(Handle(), WM_START_DDE_SERVICE, 0, 0);
}

void Tform_TreeKodow::StartDdeService() {
  if (!FDde) return;
  // While a message box is up no pick can be shown: clients hear "busy".
  ui::SetMessageBoxObserver([this](int open) {
    if (FDde) FDde->Session().SetMessageBoxes(open);
  });
  FDde->Session().SetMessageBoxes(ui::OpenMessageBoxes());
  FDde->RegisterService();
  if (OnServiceStarted) OnServiceStarted();
  // A client that dies says no goodbye; DDEML keeps its conversation.
  ClientWatch.OnTimer = [this] {
    if (FDde) FDde->Session().CheckClients();
    ClientWatch.Start();  // again, unless that closed the window
  };
  ClientWatch.Start();
}

void Tform_TreeKodow::CreateControls() {
  // The layout first: each control is created where it belongs, in the
  // window's font, and nothing moves it again before the first paint.
  FLayout.Build();

  const HWND h = Handle();
  // Creation order is the Tab order: code field, words field, tree, bottom panel.
  Label2.Create(h, "Szukaj &kod:");
  szukaj_kod.Create(h, idSzukajKod);
  Label4.Create(h, "Wpisz szukane &słowa (oddzielone spacją)");
  szukaj_opis.Create(h, idSzukajOpis);
  tree_kody.Create(h, idTreeKody,
                   TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_TRACKSELECT |
                       TVS_SINGLEEXPAND);
  tree_kody.SetIndent(S(19));
  Splitter1.Create(h);
  Panel4.Create(h, " Dodatkowy opis", SS_CENTERIMAGE | SS_NOPREFIX);
  m_opis.Create(h, idOpis);
  m_opis.OnDblClickAt = [this](size_t pos) { return FNotes.FollowNoteLink(pos); };
  m_opis.OnKeyDown = [this](WORD key, unsigned shift) { return FNotes.m_opisKeyDown(key, shift); };
  b_OK.Create(h, "Wybierz", idOK, true);
  b_cancel.Create(h, "Anuluj", idCancel);

  AddLabelAccelerator("Szukaj &kod:", szukaj_kod);
  AddLabelAccelerator("Wpisz szukane &słowa (oddzielone spacją)", szukaj_opis);
  SetDefaultButton(&b_OK);
  SetCancelButton(&b_cancel);

  b_OK.OnClick = [this] { b_OKClick(); };
  b_cancel.OnClick = [this] { b_cancelClick(); };
  tree_kody.OnChange = [this] { TreeChange.Start(); };  // restarted by every change
  tree_kody.OnKeyPress = [this](char& key) { return tree_kodyKeyPress(key); };
  TreeChange.OnTimer = [this] { tree_kodyChange(); };
  szukaj_kod.OnChange = [this] { FCode.szukaj_kodChange(); };
  szukaj_kod.OnDropDown = [this] { FCode.FillCodeList(); };
  szukaj_kod.OnKeyDown = [this](WORD key, unsigned shift) { return FCode.szukaj_kodKeyDown(key, shift); };
  szukaj_kod.OnKeyPress = [this](char& key) { return FCode.szukaj_kodKeyPress(key); };
  Timer1.OnTimer = [this] { FCode.Timer1Timer(); };
  szukaj_opis.OnChange = [this] { FWords.szukaj_opisChange(); };
  szukaj_opis.OnKeyDown = [this](WORD key, unsigned shift) { return FWords.szukaj_opisKeyDown(key, shift); };
  szukaj_opis.OnKeyPress = [this](char& key) { return FWords.szukaj_opisKeyPress(key); };
  Timer2.OnTimer = [this] { FWords.Timer2Timer(); };
}

void Tform_TreeKodow::DpiChanged(int oldDpi) {
  FLayout.DpiChanged(oldDpi);
  tree_kody.SetIndent(S(19));
}

// ---- Show, close, destroy and the settings

void Tform_TreeKodow::Show() {
  if (!IsWindowVisible(Handle())) {
    FSettingsSaved = false;
    ReadSettings();  // before anything else of the show
    if (!IsWindowVisible(Handle())) ShowWindow(Handle(), SW_SHOW);
    if (FFirstShow) {
      FFirstShow = false;
      szukaj_kod.SetFocus();
    }
  }
  // A window just shown is usually in front already; asking again costs
  // round trips to the server and the X server.
  if (GetForegroundWindow() != Handle()) {
    SetForegroundWindow(Handle());
    BringWindowToTop(Handle());
  }
}

void Tform_TreeKodow::ShowWithButtonRow() {
  const bool modal = FShowButtons;
  FShowButtons = true;
  Show();
  FShowButtons = modal;
  SetButtonRowVisible(true);
}

int Tform_TreeKodow::ShowModal() {
  FShowButtons = true;
  return ui::TForm::ShowModal();
}

void Tform_TreeKodow::ReadSettings() {
  // Laid out while still hidden, the button row too (its height counts in
  // the splitter rule); the placement then shows the window.
  LayOutStored(FShowButtons);
  // Shows the window in the stored state when the placement applies; the
  // stored position then replaces the centring.
  FStorage.RestorePlacement(Handle(), Dpi());
}

void Tform_TreeKodow::LayOutStored(bool buttonRow) {
  int height = 0;
  if (FStorage.ReadInt("Panel2_Height", height)) FLayout.SetPanel2Height(height);
  SetButtonRowVisible(buttonRow);
}

void Tform_TreeKodow::LayOutForPick() {
  if (Visible())
    SetButtonRowVisible(true);
  else
    LayOutStored(true);
}

void Tform_TreeKodow::ShowAwaitedResults() {
  // The placement may have given the tree another height than it had
  // hidden. Only then is it scrolled: Wine's tree paints itself at once.
  const HTREEITEM selected = tree_kody.Selected();
  RECT item = {}, client = {};
  GetClientRect(tree_kody.Handle(), &client);
  if (selected && !(tree_kody.ItemRect(selected, item) && item.top >= client.top && item.bottom <= client.bottom))
    tree_kody.EnsureVisible(selected);
  FWords.ShowAwaitedResultList();
}

void Tform_TreeKodow::SaveSettings(bool destroying) {
  FStorage.SavePlacement(Handle(), Dpi(), destroying);
  FStorage.WriteInt("Panel2_Height", Panel2.Size);
  FSettingsSaved = true;
}

bool Tform_TreeKodow::CloseQuery() {
  // During a pick the close waits until the pick has been answered.
  return !FDde || FDde->Session().CloseAsked();
}

void Tform_TreeKodow::Closed() {
  HideResultList();
  SaveSettings(false);
}

bool Tform_TreeKodow::WantsDialogKey(WORD key) const {
  const HWND focus = GetFocus();
  if (FWords.TakesDialogKey(key, focus) || FNotes.TakesDialogKey(key, focus)) return true;
  return ui::TForm::WantsDialogKey(key);
}

LRESULT Tform_TreeKodow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CATALOGUE_MISSING:
      ui::ShowMessageBox(Handle(), kMissingCatalogue, ui::ApplicationTitle(), MB_OK | MB_ICONERROR);
      Close();
      return 0;
    case WM_CTLCOLORSTATIC:
      if (const LRESULT brush = m_opis.FieldColours(wp, lp)) return brush;
      break;
    case WM_INITMENUPOPUP:
      FRevisions.UpdateMenu();
      break;
    case WM_CREATE_RESULT_LIST:
      FWords.CreateResultList();
      return 0;
    case WM_FILL_CODE_LIST:
      // Started hidden, the picker fills it at its first use: filled now, it
      // would hold up the service its client waits for.
      if (IsWindowVisible(Handle())) FCode.FillCodeList();
      return 0;
    case WM_START_DDE_SERVICE:
      StartDdeService();
      return 0;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wp) == tree_kody.Handle()) {
        FMenus.tree_kodyContextMenu(lp);
        return 0;
      }
      break;
    case WM_DESTROY:
      Timer1.Stop();
      Timer2.Stop();
      TreeChange.Stop();
      ClientWatch.Stop();
      if (!FSettingsSaved) SaveSettings(true);
      ui::SetMessageBoxObserver(nullptr);
      FDde.reset();  // ends the conversations and the service with the window
      FWords.CatalogueChanged();
      FBaza.reset();
      break;
  }
  return ui::TForm::WndProc(msg, wp, lp);
}

// ---- Catalogue and tree

void Tform_TreeKodow::SetBaza(std::unique_ptr<catalogue::TBaza> baza) {
  // Owned alone, the catalogue already attached can only come again as "none".
  if (!baza && !FBaza) return;
  FWords.CatalogueChanged();
  FBaza = std::move(baza);
  BuildTree();
  SetCaption(FBaza ? FBaza->Tytul() : std::string());
}

void Tform_TreeKodow::ReplaceCatalogue(std::unique_ptr<catalogue::TBaza> baza) {
  HideResultList();
  Timer1.Stop();
  Timer2.Stop();
  TreeChange.Stop();
  SetBaza(std::move(baza));
  FNotes.ClearHistory();  // its entries were the other tree's
  // Nothing is selected in the new tree: no code, no description.
  FCode.SetCodeText(std::string());
  ShowDescription(std::string());
}

bool Tform_TreeKodow::Picking() const { return FDde && FDde->Session().Picking(); }

void Tform_TreeKodow::BuildTree() {
  FCode.SetCodes({});
  szukaj_kod.Clear();
  FTree.Clear();
  if (!FBaza) {
    FKody.Clear();
    return;
  }
  auto show = [this] {
    FKody.Fill(
        FTree.Count(), [this](size_t i) { return FTree.Entry(i).Parent; },
        [this](size_t i) -> const std::string& { return FTree.Entry(i).Text; });
  };
  try {
    // The catalogue's lines hold no line breaks, so they are already what
    // joining them with CR LF and reading the text back would give.
    FTree.Build(FBaza->Lines());
  } catch (...) {
    show();  // the entries built before the bad line stay
    throw;
  }
  show();
  // The code list goes in after the window has been painted: nobody sees
  // it before (it fills at its first use, when that comes sooner).
  if (FCode.SetCodes(FTree.Codes())) PostMessageW(Handle(), WM_FILL_CODE_LIST, 0, 0);
}

bool Tform_TreeKodow::SelectByPath(const std::string& path) {
  const int entry = picker::SelectByPath(FTree, path);
  if (entry < 0 || !FKody.Item(entry)) return false;
  ui::TTreeUpdate update(tree_kody);  // the entry's ancestors open in one paint
  tree_kody.Select(FKody.Item(entry));
  return true;
}

std::string Tform_TreeKodow::SelectedText() const {
  const int entry = EntryOf(tree_kody.Selected());
  return entry < 0 ? std::string() : FTree.Entry(entry).Text;
}

void Tform_TreeKodow::tree_kodyChange() {
  const int entry = EntryOf(tree_kody.Selected());
  if (entry < 0) {
    ShowDescription(std::string());
    return;
  }
  const std::string& code = FTree.Entry(entry).Code;
  FCode.SetCodeText(code);
  ShowDescription(code);
}

bool Tform_TreeKodow::tree_kodyKeyPress(char& key) {
  if (key != '\r') return false;
  if (HTREEITEM selected = tree_kody.Selected()) tree_kody.Toggle(selected);
  return true;
}

void Tform_TreeKodow::b_OKClick() {
  ModalResult = ui::mrOk;
  if (FDde) FDde->Session().Choose(picker::prChosen);
}

void Tform_TreeKodow::b_cancelClick() {
  ModalResult = ui::mrCancel;
  if (FDde) FDde->Session().Choose(picker::prCancelled);
}

// ---- Jumps in the tree, and the presets a DDE client gives the search boxes

void Tform_TreeKodow::RevealEntry(int hit) {
  if (hit < 0 || !FKody.Item(hit)) return;
  const std::vector<int> path = FTree.PathTo(hit);
  // One paint for the whole jump, not one per level.
  ui::TTreeUpdate update(tree_kody);
  if (!tree_kody.Expanded(FKody.Item(path.front()))) FKody.CollapseAll();
  FKody.ExpandPathAndSelect(path);  // one level each, the hit included
}

void Tform_TreeKodow::SetSearchWords(const std::string& words) {
  szukaj_opis.SetText(words);  // a change: restarts the word search's delay
  if (Visible()) szukaj_opis.SetFocus();
}

void Tform_TreeKodow::RunSearches() {
  if (!szukaj_kod.Text().empty()) FCode.Timer1Timer();
  if (!szukaj_opis.Text().empty()) {
    Timer2.Stop();
    FWords.Timer2Timer();
  }
}

}  // namespace app
