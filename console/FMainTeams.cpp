// Team library and team file: the three team combos, the team records of
// the editor and the two sides, reading and writing team files, the
// new-team and save actions and the editor's logo.
#include "console/FMain.h"
#include "controls/Led.h"
#include "console/TeamFile.h"
#include "controls/Profile.h"
#include "grids/SortGrid.h"

namespace {

// A folder name less its extension (the part from its last dot on).
String withoutExtension(const String& name) {
  const size_t dot = name.rfind('.');
  return dot == String::npos ? name : name.substr(0, dot);
}

// The editor's data rows, row 1 on (rows[k] is grid row k + 1).
std::vector<TTeamRow> gridRows(const TSortGrid* grid) {
  std::vector<TTeamRow> rows;
  for (int r = 1; r < grid->RowCount(); ++r) {
    TTeamRow row;
    for (int c = 0; c < TeamColumnCount; ++c) row[size_t(c)] = grid->Cells(c, r);
    rows.push_back(std::move(row));
  }
  return rows;
}

void selectText(TComboBox* cb, const String& text) { cb->SetItemIndex(cb->Items()->IndexOf(text)); }

}  // namespace

String TFormMain::TeamFilePath(const String& Folder, const String& File) const {
  return AppFolder + "Teams/" + NormalizePath(Folder) + "/" + NormalizePath(File);
}

String TFormMain::EditorTeamFolder() const {
  return TeamSlots[0].Name.empty() ? String() : TeamFilePath(TeamSlots[0].Name, "");
}

void TFormMain::FillTeamLists() {
  // The library: every folder under "Teams/" not beginning with a dot.
  cbSek_Komands->Clear();
  SetCurrentDir(AppFolder);
  // A folder holding a team file of its own full name is listed by that
  // name ("St. Pauli (Hamburg)"); any other by its name up to its last dot.
  for (const String& dir : ListDirectory(AppFolder + "Teams/", true)) {
    if (dir.empty() || dir[0] == '.') continue;
    const bool own = dir.find('.') == String::npos || FileExists(TeamFilePath(dir, dir + ".txt"));
    cbSek_Komands->Items()->Add(own ? dir : withoutExtension(dir));
  }
  // The selections to keep.
  const String keep[3] = {cbSek_Komands->Text(), cbSud_Comanda1->Text(), cbSud_Comanda2->Text()};
  // The editor's list starts with the new team.
  cbSek_Komands->Items()->Insert(0, " New team");
  cbSek_Komands->SetItemIndex(0);
  // The sides' lists start with the team choice.
  cbSud_Comanda1->Items()->Assign(cbSek_Komands->Items());
  cbSud_Comanda1->Items()->Put(0, " Team select");
  cbSud_Comanda1->SetItemIndex(0);
  cbSud_Comanda2->Items()->Assign(cbSud_Comanda1->Items());
  cbSud_Comanda2->SetItemIndex(0);
  // Back to the remembered teams (none when gone).
  selectText(cbSek_Komands, keep[0]);
  selectText(cbSud_Comanda1, keep[1]);
  selectText(cbSud_Comanda2, keep[2]);
}

void TFormMain::LoadTeamFile(int Slot, const String& TeamName) {
  if (Slot < 0 || Slot > 2) throw Exception(Format("Team slot %d out of range", {Slot}));
  const String fileName = TeamFilePath(TeamName, TeamName) + ".txt";
  Profile1->SetFileName(fileName);
  if (Slot == 0) {
    const int index = cbSek_Komands->ItemIndex();
    bSek_New->Click();
    cbSek_Komands->SetItemIndex(index);
  }
  const TTeamFileData data = ReadTeamFile(fileName);
  Profile1->SetDefaultText("");

  TTeamSlot& slot = TeamSlots[size_t(Slot)];
  slot.Name = ChangeFileExt(ExtractFileName(fileName), "");
  slot.LName = data.Header.LName;
  slot.SName = data.Header.SName;
  slot.Town = data.Header.Town;
  if (Slot == 0) {
    eSek_KomName->SetText(slot.LName);
    eSek_KomName2->SetText(slot.SName);
    eSek_KomTown->SetText(slot.Town);
    iSek_KomLogo->SetHint("");
  }
  slot.Logo.clear();
  if (!data.Header.Logo.empty()) {
    const String logoFile = ResolveFileName(TeamFilePath(TeamName, data.Header.Logo));
    if (FileExists(logoFile)) {
      slot.Logo = data.Header.Logo;
      if (Slot == 0) {
        try {
          iSek_KomLogo->Picture()->LoadFromFile(logoFile);
        } catch (const std::exception&) {
          // A logo that cannot be decoded leaves the picture empty.
          iSek_KomLogo->Picture()->Clear();
        }
        iSek_KomLogo->SetHint(data.Header.Logo);
      }
    }
  }
  slot.Players = data.Players;

  if (Slot != 0) {
    // The scorer list shows the sides' persons.
    cb_T_IgrokiChange(cb_T_Igroki);
  } else {
    const int rows = int(data.Rows.size());
    if (rows > 0) sgSek_Sostav->SetRowCount(rows + 1);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < TeamColumnCount; ++c) sgSek_Sostav->SetCells(c, r + 1, data.Rows[size_t(r)][size_t(c)]);
    // One empty row for the next person.
    sgSek_Sostav->SetRowCount(sgSek_Sostav->RowCount() + 1);
    sgSek_Sostav->Rows(sgSek_Sostav->RowCount() - 1)->Clear();
    bSek_Save->SetEnabled(false);
    sgSek_Sostav->AutoSizeColumns(false);
    sgSek_Sostav->SetModified(false);
    LedSek_EditOn->SetValue(false);
  }
}

void TFormMain::ReloadSideTeam(int Slot, const String& TeamName) {
  const TTeamSlot before = TeamSlots[size_t(Slot)];
  LoadTeamFile(Slot, TeamName);
  TTeamSlot& side = TeamSlots[size_t(Slot)];
  if (before.Name != side.Name) return;
  for (TPlayerRec& r : side.Players)
    for (const TPlayerRec& o : before.Players)
      if (o.Nr == r.Nr && o.Nr > 0) r.K = o.K;
}

void TFormMain::SaveTeamFile(int /*Slot*/, const String& FileName) {
  // The team's full name carries the file's name, dots included.
  const String fileName = SameText(ExtractFileExt(FileName), ".txt") ? FileName : FileName + ".txt";
  Profile1->SetFileName(fileName);
  const TTeamHeader header{eSek_KomName->Text(), eSek_KomName2->Text(), eSek_KomTown->Text(), iSek_KomLogo->Hint()};
  WriteTeamFile(fileName, header, gridRows(sgSek_Sostav));
  FillTeamLists();
}

void TFormMain::bSek_SaveClick(TObject* /*Sender*/) {
  // Name and town are needed.
  String msg;
  if (eSek_KomName->Text().empty()) msg += "No name team.\n";
  if (eSek_KomTown->Text().empty()) msg += "No team town.";
  if (!msg.empty()) {
    ShowMessageDlg(msg, mtError, TMsgDlgButtons{mbOK});
    return;
  }
  // Both become the folder's name: nothing that leaves "Teams/" or that the
  // library could not list again.
  msg = TeamNameProblem(eSek_KomName->Text(), "Team name");
  if (msg.empty()) msg = TeamNameProblem(eSek_KomTown->Text(), "Team town");
  if (!msg.empty()) {
    ShowMessageDlg(msg, mtError, TMsgDlgButtons{mbOK});
    return;
  }
  const String folder = eSek_KomName->Text() + " (" + eSek_KomTown->Text() + ")";
  // The rows are checked before a folder is made or a question asked.
  try {
    BuildTeamFileText(TTeamHeader{}, gridRows(sgSek_Sostav));
  } catch (const ETeamFileError& e) {
    ShowMessageDlg(e.Message, mtError, TMsgDlgButtons{mbOK});
    return;
  }
  // The team folder.
  const String dir = AppFolder + "Teams/" + folder;
  const bool created = !DirectoryExists(dir);
  if (created) {
    if (!ForceDirectories(dir)) {
      ShowMessageDlg("Orror directory create: " + dir, mtError, TMsgDlgButtons{mbOK});
      return;
    }
  } else if (ShowMessageDlg("Team already is. Overwrite?", mtConfirmation, mbYesNo) != mrYes) {
    return;
  }
  // The pictures chosen elsewhere (or named by an imported sheet, or left
  // in the folder of a team saved under a new name) are copied into the
  // team's folder first; the team file names them as they are there.
  std::vector<String> copied;
  const String from = EditorTeamFolder(), logoWas = iSek_KomLogo->Hint();
  std::vector<std::pair<int, String>> photosWas;
  try {
    iSek_KomLogo->SetHint(PlaceTeamPicture(logoWas, from, dir, copied));
    for (int r = 1; r < sgSek_Sostav->RowCount(); ++r) {
      const String photo = sgSek_Sostav->Cells(tcP, r);
      if (photo.empty() || sgSek_Sostav->Cells(tcNr, r).empty()) continue;
      const String stored = PlaceTeamPicture(photo, from, dir, copied);
      if (stored == photo) continue;
      photosWas.emplace_back(r, photo);
      sgSek_Sostav->SetCells(tcP, r, stored);
    }
    // The team file.
    SaveTeamFile(0, dir + "/" + folder);
  } catch (const Exception& e) {
    // Nothing of this save stays: the copies go, the editor names its
    // pictures as before, and a folder made for this save goes again, so
    // the library lists no empty team.
    for (const String& c : copied) DeleteFile(c);
    iSek_KomLogo->SetHint(logoWas);
    for (const auto& [r, photo] : photosWas) sgSek_Sostav->SetCells(tcP, r, photo);
    if (created) RemoveDir(dir);
    ShowMessageDlg(e.Message, mtError, TMsgDlgButtons{mbOK});
    return;
  }
  // The editor's team is the one in that folder now: its pictures are found
  // there, and the picture dialog starts there.
  TeamSlots[0].Name = folder;
  OpenPictureDialog1->InitialDir = TeamFilePath(folder, "");
  DialogUses.Logo.Folder = DialogUses.Photo.Folder = OpenPictureDialog1->InitialDir;
  // Saved; a side that shows this team gets it at once, with the match's
  // cards.
  bSek_Save->SetEnabled(false);
  if (cbSud_Comanda1->ItemIndex() >= 0 && cbSud_Comanda1->Text() == folder) ReloadSideTeam(1, folder);
  if (cbSud_Comanda2->ItemIndex() >= 0 && cbSud_Comanda2->Text() == folder) ReloadSideTeam(2, folder);
  // The lists show the saved team, selected in the editor's list.
  FillTeamLists();
  selectText(cbSek_Komands, folder);
}

void TFormMain::bSek_NewClick(TObject* /*Sender*/) {
  // A new team has no folder yet.
  TeamSlots[0].Name.clear();
  eSek_KomName->SetText("");
  eSek_KomName2->SetText("");
  eSek_KomTown->SetText("");
  sgSek_Sostav->Clear();
  // The emptied grid keeps the designed column widths (the grid's own clear
  // fits them to the header texts).
  SetLineupDesignWidths();
  iSek_KomLogo->Picture()->Clear();
  iSek_KomLogo->SetHint("Press for select logo team");
  Sek_ImagePhoto->Picture()->Clear();
  Sek_ImagePhoto->SetTag(0);
  Sek_ImageNote->SetCaption("0x0");
  cbSek_Komands->SetItemIndex(0);
  bSek_Save->SetEnabled(false);
  LedSek_EditOn->SetValue(true);
  OpenPictureDialog1->InitialDir = AppFolder + "Teams/";
  DialogUses.Logo.Folder = DialogUses.Photo.Folder = OpenPictureDialog1->InitialDir;
}

void TFormMain::cbSek_KomandsChange(TObject* /*Sender*/) {
  Sek_ImagePhoto->SetTag(-1);
  const int index = cbSek_Komands->ItemIndex();
  if (index == 0) {
    bSek_New->Click();
  } else if (index > 0) {
    try {
      LoadTeamFile(0, cbSek_Komands->Text());
    } catch (const std::exception&) {
      // An unreadable team leaves the editor empty.
    }
    if (sgSek_Sostav->CanFocus()) sgSek_Sostav->SetFocus();
    OpenPictureDialog1->InitialDir = TeamFilePath(TeamSlots[0].Name, "");
    DialogUses.Logo.Folder = DialogUses.Photo.Folder = OpenPictureDialog1->InitialDir;
    // The current player's photo from the start, not once a cell is chosen.
    ShowPlayerPhoto(sgSek_Sostav->Row());
  }
}

void TFormMain::iSek_KomLogoClick(TObject* /*Sender*/) {
  // The logo's own use of the shared picture dialog: it starts in the team's
  // folder with the last logo's name, never with another use's file.
  if (!ExecuteFileDialog(OpenPictureDialog1, DialogUses.Logo)) return;
  const String fileName = OpenPictureDialog1->FileName;
  iSek_KomLogo->Picture()->LoadFromFile(fileName);
  // Its name in the team's folder, or its full path until the save copies
  // it there.
  iSek_KomLogo->SetHint(ChosenTeamPicture(fileName, EditorTeamFolder()));
  NadoSave(iSek_KomLogo);
}

void TFormMain::NadoSave(TObject* /*Sender*/) {
  bSek_Save->SetEnabled(true);
  const int last = sgSek_Sostav->RowCount() - 1;
  if (!sgSek_Sostav->IsRowEmpty(last)) {
    const int row = sgSek_Sostav->Row(), col = sgSek_Sostav->Col();
    sgSek_Sostav->SetRowCount(last + 2);
    // The grid keeps cells beyond its count: the new row starts empty.
    sgSek_Sostav->Rows(last + 1)->Clear();
    sgSek_Sostav->SetRow(row);
    sgSek_Sostav->SetCol(col);
  }
}
