// Layout file: the look of the objects of the ten display pages (place,
// size, colours, fonts, a few texts and pictures), one "Tablo<i>.<k>"
// section per object, written whole and read whole.
#include <algorithm>
#include <cctype>
#include "console/FMain.h"
#include "controls/DialClock.h"
#include "controls/Handles.h"
#include "controls/Label3D.h"
#include "controls/Profile.h"
#include "pictureshow/PictureShow.h"
#include "platform/IniFile.h"

namespace {

// Limits of what a hand-edited file may ask for: no object larger than the
// largest output, no place far outside it, no font larger than a screen
// could show (beyond them a label would need gigabytes to paint).
constexpr int MaxObjectSide = 4096;
constexpr int MaxObjectPlace = 32767;
constexpr int MaxFontSize = 1000;

int FontSizeKey(const TIniDocument& d, const String& sec) {
  return std::clamp(d.ReadInteger(sec, "FontSize", 0), -MaxFontSize, MaxFontSize);
}

// Captions that the layout file carries (the other labels show match data).
bool IsStatCaption(const String& name) {
  static const char* const names[] = {"LabelStat",         "eTabloStat_Label1", "eTabloStat_Label2",
                                      "eTabloStat_Label3", "eTabloStat_Label4", "eTabloStat_Label5",
                                      "eTabloStat_Label6"};
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

// Images whose picture the layout file carries (the others show team data).
bool IsBackgroundImage(const String& name) {
  static const char* const names[] = {"ImageFon0", "ImageFon1",     "ImageFon3",      "ImageFon4",         "ImageIn",
                                      "ImageOut",  "ImageClockFon", "ImageTabloStat", "TabloStat_ImageFon"};
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

// The font style as the file's bit mask: 1 bold, 2 italic, 4 underline, 8 strike-out.
int StyleMask(TFontStyles s) {
  return (s.Contains(fsBold) ? 1 : 0) | (s.Contains(fsItalic) ? 2 : 0) | (s.Contains(fsUnderline) ? 4 : 0) |
         (s.Contains(fsStrikeOut) ? 8 : 0);
}

TFontStyles StyleFromMask(int m) {
  TFontStyles s;
  if (m & 1) s.Include(fsBold);
  if (m & 2) s.Include(fsItalic);
  if (m & 4) s.Include(fsUnderline);
  if (m & 8) s.Include(fsStrikeOut);
  return s;
}

// A system colour is written as the colour it stands for, so that a
// highlight or shadow colour comes back as it was shown.
String ColorText(TColor c) { return ColorToRGBText(ColorToRGB(c)); }

// "Tablo<digits>.<digits>", in any letter case.
bool IsObjectSection(const String& s) {
  if (s.size() < 8) return false;
  String head = s.substr(0, 5);
  for (char& ch : head) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  if (head != "tablo") return false;
  size_t i = 5, digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  if (digits == 0 || i >= s.size() || s[i] != '.') return false;
  ++i;
  size_t more = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++more;
  return more > 0 && i == s.size();
}

void WriteFontKeys(TIniDocument& d, const String& sec, const TFont* f) {
  d.WriteInteger(sec, "FontSize", f->Size());
  d.WriteString(sec, "FontName", f->Name());
  d.WriteString(sec, "FontColor", ColorText(f->Color()));
  d.WriteInteger(sec, "FontStyle", StyleMask(f->Style()));
  d.WriteInteger(sec, "FontSet", f->Charset());
}

// The five font keys; "FontSet" 1 (or missing) means the console's own
// character set.
void ReadFontKeys(const TIniDocument& d, const String& sec, TFont* f, int consoleCharset) {
  f->SetSize(FontSizeKey(d, sec));
  f->SetName(d.ReadString(sec, "FontName", ""));
  f->SetColor(RGBTextToColor(d.ReadString(sec, "FontColor", "")));
  f->SetStyle(StyleFromMask(d.ReadInteger(sec, "FontStyle", 0)));
  const int set = d.ReadInteger(sec, "FontSet", 1);
  f->SetCharset(TFontCharset((set == 1 ? consoleCharset : set) & 0xFF));
}

// A picture named in a layout file: the name as written (a bare name in the
// program's folder), else the file of that name in "Views/". False when
// neither loads.
bool LoadLayoutPicture(TPicture* target, const String& name) {
  const String norm = NormalizePath(name);
  const String views = AppFolder + "Views/" + ExtractFileName(norm);
  const String first = norm.find('/') == String::npos ? AppFolder + norm : norm;
  for (const String& candidate : {first, views}) {
    const String path = ResolveFileName(candidate);
    if (!FileExists(path)) continue;
    try {
      TPicture p;
      p.LoadFromFile(path);
      target->Assign(&p);
      return true;
    } catch (const std::exception&) {
    }
  }
  return false;
}

// The name an image's picture is written under: the bare name for a
// picture directly in "Views/", else the name as the image keeps it.
String StoredPictureName(const String& hint) {
  const String norm = NormalizePath(hint);
  if (norm.find('/') == String::npos) return hint;
  const String dir = IncludeTrailingPathDelimiter(ExpandFileName(ExtractFileDir(norm)));
  const String views = IncludeTrailingPathDelimiter(ExpandFileName(AppFolder + "Views"));
  return dir == views ? ExtractFileName(norm) : hint;
}

// The live elements of the output area sit in their pages while a layout is
// written or read, and go back over the output afterwards, whatever happens
// in between.
class LiveElementsHome {
 public:
  explicit LiveElementsHome(TFormMain* f) : f_(f) {
    TWinControl* out = f->BufferTablo;
    if (f->eTablo_Time->Parent() == out) {
      f->eTablo_Time->SetParent(f->PanelTablo0);
      time_ = true;
    }
    if (f->eTabloGol_Time->Parent() == out) {
      f->eTabloGol_Time->SetParent(f->PanelTablo1);
      golTime_ = true;
    }
    if (f->PanelCircleClock->Parent() == out) {
      f->PanelCircleClock->SetParent(f->PanelTablo8);
      f->DialClock1->SetCursor(crDefault);
      clock_ = true;
    }
  }
  ~LiveElementsHome() {
    TWinControl* out = f_->BufferTablo;
    if (time_) f_->eTablo_Time->SetParent(out);
    if (golTime_) f_->eTabloGol_Time->SetParent(out);
    if (clock_) {
      f_->PanelCircleClock->SetParent(out);
      f_->DialClock1->Repaint();
      f_->DialClock1->SetCursor(crNone);
    }
  }
  LiveElementsHome(const LiveElementsHome&) = delete;
  LiveElementsHome& operator=(const LiveElementsHome&) = delete;

 private:
  TFormMain* f_;
  bool time_ = false, golTime_ = false, clock_ = false;
};

}  // namespace

TFormMain::TLayoutKind TFormMain::LayoutKind(const TControl* Obj) const {
  if (!Obj) return TLayoutKind::Other;
  const String cls = Obj->ClassName();
  if (cls == "TLabel3D") return TLayoutKind::Label3D;
  if (cls == "TImage") return TLayoutKind::Image;
  if (cls == "TDialClock") return TLayoutKind::DialClock;
  // The clock page's place-holder is not a page drawing.
  if (cls == "TPaintBox" && Obj != DialClock1) return TLayoutKind::PaintBox;
  return TLayoutKind::Other;
}

int TFormMain::ConsoleCharsetCode() const {
  const int i = cbInternational ? cbInternational->ItemIndex() : -1;
  return (i >= 0 && i < CharsetCount) ? CharsetTable[size_t(i)].Code : 1;
}

void TFormMain::CopyLabel3DProps(TControl* Source, TControl* Dest) {
  if (!Source || Source->ClassName() != "TLabel3D") return;
  auto* s = static_cast<TLabel3D*>(Source);
  auto* d = dynamic_cast<TLabel3D*>(Dest);
  if (!d || d == s) return;
  d->SetWidth(s->Width());
  d->SetHeight(s->Height());
  d->Font()->Assign(s->Font());
  d->SetFirstColor(s->FirstColor());
  d->SetLastColor(s->LastColor());
  d->SetFillGradient(s->FillGradient());
  d->SetGradientOrientation(s->GradientOrientation());
  d->SetHighLightColor(s->HighLightColor());
  d->SetShadowColor(s->ShadowColor());
  d->SetBevel(s->Bevel());
  d->SetShadowSize(s->ShadowSize());
  d->SetBorderColor(s->BorderColor());
  d->SetBorderWidth(s->BorderWidth());
  d->SetBorderStyle(s->BorderStyle());
  d->SetAlignment(s->Alignment());
  d->SetColor(s->Color());
  d->SetTransparent(s->Transparent());
  d->SetLayout(s->Layout());
  d->SetWordWrap(s->WordWrap());
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

void TFormMain::SaveTabloObjects(TIniDocument& Doc, const String& PageName, TWinControl* Container) {
  if (!Container) return;
  for (int k = 1; k <= Container->ControlCount(); ++k) {
    TControl* c = Container->Controls(k - 1);
    const String sec = PageName + "." + IntToStr(k);
    Doc.WriteString(sec, "Type", c->ClassName());
    Doc.WriteString(sec, "Name", c->Name());
    Doc.WriteInteger(sec, "Left", c->Left());
    Doc.WriteInteger(sec, "Top", c->Top());
    Doc.WriteInteger(sec, "Width", c->Width());
    Doc.WriteInteger(sec, "Height", c->Height());
    switch (LayoutKind(c)) {
      case TLayoutKind::Label3D: {
        auto* L = static_cast<TLabel3D*>(c);
        Doc.WriteString(sec, "ColorFon", ColorText(L->Color()));
        Doc.WriteString(sec, "ColorGr1", ColorText(L->FirstColor()));
        Doc.WriteString(sec, "ColorGr2", ColorText(L->LastColor()));
        Doc.WriteString(sec, "ColorSh", ColorText(L->ShadowColor()));
        Doc.WriteString(sec, "ColorHiText", ColorText(L->HighLightColor()));
        Doc.WriteInteger(sec, "ShadowSize", L->ShadowSize());
        Doc.WriteInteger(sec, "BorderSize", L->BorderWidth());
        Doc.WriteString(sec, "BorderColor", ColorText(L->BorderColor()));
        Doc.WriteInteger(sec, "BorderStyle", int(L->BorderStyle()));
        Doc.WriteInteger(sec, "Transparent", L->Transparent() ? 1 : 0);
        Doc.WriteInteger(sec, "Gradient", L->FillGradient() ? 1 : 0);
        Doc.WriteInteger(sec, "GradientOri", int(L->GradientOrientation()));
        Doc.WriteInteger(sec, "AlignmentH", int(L->Alignment()));
        Doc.WriteInteger(sec, "AlignmentV", int(L->Layout()));
        Doc.WriteInteger(sec, "BevelStyle", int(L->Bevel()));
        Doc.WriteInteger(sec, "WordWrap", L->WordWrap() ? 1 : 0);
        WriteFontKeys(Doc, sec, L->Font());
        Doc.WriteString(sec, "Text", L->Caption());
        break;
      }
      case TLayoutKind::Image:
        Doc.WriteString(sec, "Filename", StoredPictureName(c->Hint()));
        break;
      case TLayoutKind::PaintBox:
        WriteFontKeys(Doc, sec, c->Font());
        break;
      case TLayoutKind::DialClock: {
        auto* D = static_cast<TDialClock*>(c);
        WriteFontKeys(Doc, sec, D->Font());
        Doc.WriteString(sec, "ColorFon", ColorText(PanelCircleClock->Color()));
        Doc.WriteString(sec, "ColorDot", ColorText(D->DotsColor()));
        Doc.WriteString(sec, "ColorDotB", ColorText(D->DotsBColor()));
        Doc.WriteString(sec, "ColorDotL", ColorText(D->DotsLColor()));
        Doc.WriteString(sec, "ColorStr", ColorText(D->HandColor()));
        Doc.WriteString(sec, "ColorStrSec", ColorText(D->HandSecColor()));
        Doc.WriteString(sec, "Picture", eClockPicName->Text());
        if (rbClockFonColor->Checked())
          Doc.WriteInteger(sec, "Fon", 0);
        else if (rbClockFonPic->Checked())
          Doc.WriteInteger(sec, "Fon", 1);
        Doc.WriteInteger(sec, "Cifra", D->TextType());
        Doc.WriteString(sec, "Round", D->ClockCircle() ? "True" : "False");
        Doc.WriteString(sec, "Minuts", D->AnalogFaceEnabled() ? "True" : "False");
        Doc.WriteInteger(sec, "MinutLen", D->Dot_Len());
        Doc.WriteInteger(sec, "CentrRadius", D->HourCenter_Radius());
        break;
      }
      case TLayoutKind::Other:
        break;
    }
  }
}

bool TFormMain::SaveTabloLayout(const String& FileName) {
  // The handle's own place is no object of the page.
  DetachStretchHandle();
  TIniDocument doc;
  doc.SetFileName(FileName);
  {
    LiveElementsHome home(this);
    for (size_t i = 1; i <= LayoutPages.size(); ++i)
      SaveTabloObjects(doc, "Tablo" + IntToStr(int(i)), LayoutPages[i - 1]);
  }
  String err;
  if (!doc.TrySave(&err)) {
    ShowMessageDlg("Error file " + FileName + (err.empty() ? String() : "\n" + err), mtError, {mbOK});
    return false;
  }
  Profile1->SetFileName(doc.FileName());
  return true;
}

void TFormMain::tbSaveTabloClick(TObject* /*Sender*/) {
  // The shared dialog starts from this use's own folder and name (first
  // "Views/"); a cancelled dialog writes nothing.
  if (ExecuteFileDialog(SaveTextDialog, DialogUses.LayoutSave)) SaveTabloLayout(SaveTextDialog->FileName);
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

void TFormMain::LoadTabloObjects(const TIniDocument& Doc, const String& PageName, TWinControl* Container,
                                 std::vector<String>& Kept) {
  if (!Container) return;
  const int charset = ConsoleCharsetCode();
  for (int k = 1; k <= Container->ControlCount(); ++k) {
    const String sec = PageName + "." + IntToStr(k);
    if (!Doc.SectionExists(sec)) continue;
    const String name = Trim(Doc.ReadString(sec, "Name", ""));
    // A section without a name restyles nothing.
    if (name.empty()) continue;
    TControl* c = nullptr;
    for (int j = 0; j < Container->ControlCount(); ++j)
      if (Container->Controls(j)->Name() == name) c = Container->Controls(j);
    if (!c) continue;

    bool kept = false;
    int w = Doc.ReadInteger(sec, "Width", 0), h = Doc.ReadInteger(sec, "Height", 0);
    if (w <= 0 || w > MaxObjectSide) w = c->Width(), kept = true;
    if (h <= 0 || h > MaxObjectSide) h = c->Height(), kept = true;
    c->SetBounds(std::clamp(Doc.ReadInteger(sec, "Left", 0), -MaxObjectPlace, MaxObjectPlace),
                 std::clamp(Doc.ReadInteger(sec, "Top", 0), -MaxObjectPlace, MaxObjectPlace), w, h);

    switch (LayoutKind(c)) {
      case TLayoutKind::Label3D: {
        auto* L = static_cast<TLabel3D*>(c);
        const int ah = Doc.ReadInteger(sec, "AlignmentH", 0), av = Doc.ReadInteger(sec, "AlignmentV", 0);
        L->SetAlignment(ah >= taLeftJustify && ah <= taCenter ? TAlignment(ah) : taLeftJustify);
        L->SetLayout(av >= tlTop && av <= tlBottom ? TTextLayout(av) : tlTop);
        L->SetWordWrap(Doc.ReadInteger(sec, "WordWrap", 0) != 0);
        L->SetBevel(TLabel3DBevel(Doc.ReadInteger(sec, "BevelStyle", 0)));
        L->Font()->SetSize(FontSizeKey(Doc, sec));
        L->Font()->SetName(Doc.ReadString(sec, "FontName", ""));
        L->Font()->SetColor(RGBTextToColor(Doc.ReadString(sec, "FontColor", "")));
        L->Font()->SetStyle(StyleFromMask(Doc.ReadInteger(sec, "FontStyle", 0)));
        L->SetColor(RGBTextToColor(Doc.ReadString(sec, "ColorFon", "")));
        L->SetFirstColor(RGBTextToColor(Doc.ReadString(sec, "ColorGr1", "")));
        L->SetLastColor(RGBTextToColor(Doc.ReadString(sec, "ColorGr2", "")));
        L->SetShadowColor(RGBTextToColor(Doc.ReadString(sec, "ColorSh", "")));
        L->SetHighLightColor(RGBTextToColor(Doc.ReadString(sec, "ColorHiText", "")));
        L->SetShadowSize(uint8_t(Doc.ReadInteger(sec, "ShadowSize", 0)));
        L->SetBorderWidth(Doc.ReadInteger(sec, "BorderSize", 0));
        L->SetBorderColor(RGBTextToColor(Doc.ReadString(sec, "BorderColor", "")));
        L->SetBorderStyle(TLabel3DBorderStyle(Doc.ReadInteger(sec, "BorderStyle", 0)));
        L->SetTransparent(Doc.ReadInteger(sec, "Transparent", 0) != 0);
        L->SetFillGradient(Doc.ReadInteger(sec, "Gradient", 0) != 0);
        L->SetGradientOrientation(TGradientOrientation(Doc.ReadInteger(sec, "GradientOri", 0)));
        const int set = Doc.ReadInteger(sec, "FontSet", 1);
        L->Font()->SetCharset(TFontCharset((set == 1 ? charset : set) & 0xFF));
        if (IsStatCaption(name)) {
          const String text = Trim(Doc.ReadString(sec, "Text", ""));
          if (!text.empty()) L->SetCaption(text);
        }
        break;
      }
      case TLayoutKind::PaintBox:
        ReadFontKeys(Doc, sec, c->Font(), charset);
        c->Invalidate();
        break;
      case TLayoutKind::Image: {
        const String file = Doc.ReadString(sec, "Filename", "");
        c->SetHint(file);
        if (IsBackgroundImage(name) && !file.empty()) {
          if (!LoadLayoutPicture(static_cast<TImage*>(c)->Picture(), file)) kept = true;
        }
        break;
      }
      case TLayoutKind::DialClock:
        if (!LoadClockKeys(Doc, sec, static_cast<TDialClock*>(c), charset)) kept = true;
        break;
      case TLayoutKind::Other:
        break;
    }
    if (kept) Kept.push_back(name);
  }
}

bool TFormMain::LoadClockKeys(const TIniDocument& Doc, const String& sec, TDialClock* D, int charset) {
  // The clock page's controls follow the clock.
  const TColor fon = RGBTextToColor(Doc.ReadString(sec, "ColorFon", ""));
  D->SetColor(fon);
  PanelCircleClock->SetColor(fon);
  PanelColorClockFon->SetColor(fon);
  const TColor dot = RGBTextToColor(Doc.ReadString(sec, "ColorDot", ""));
  D->SetDotsColor(dot);
  PanelColorMinDot->SetColor(dot);
  const TColor dotB = RGBTextToColor(Doc.ReadString(sec, "ColorDotB", ""));
  D->SetDotsBColor(dotB);
  PanelColor5Min->SetColor(dotB);
  const TColor dotL = RGBTextToColor(Doc.ReadString(sec, "ColorDotL", ""));
  D->SetDotsLColor(dotL);
  PanelColorMinlen->SetColor(dotL);
  PanelColorStrelok->SetColor(RGBTextToColor(Doc.ReadString(sec, "ColorStr", "")));
  D->SetHandColor(PanelColorStrelok->Color());
  PanelColorStrelokSec->SetColor(RGBTextToColor(Doc.ReadString(sec, "ColorStrSec", "")));
  D->SetHandSecColor(PanelColorStrelokSec->Color());
  const String picture = Doc.ReadString(sec, "Picture", "");
  D->SetHint(picture);
  eClockPicName->SetText(picture);
  UpdateClockPicEnabled();
  const int fonChoice = Doc.ReadInteger(sec, "Fon", -1);
  bool pictureLoads = true;
  if (fonChoice == 1) {
    // The picture background is chosen only when its picture loads; else
    // the page keeps its background (the colour one, as a rule).
    try {
      TPicture probe;
      probe.LoadFromFile(ResolveFileName(picture));
    } catch (const std::exception&) {
      pictureLoads = false;
    }
  }
  try {
    if (fonChoice == 0) rbClockFonColor->SetChecked(true);
    else if (fonChoice == 1 && pictureLoads) rbClockFonPic->SetChecked(true);
  } catch (const std::exception&) {
    pictureLoads = false;
  }
  const int cifra = Doc.ReadInteger(sec, "Cifra", 0);
  D->SetTextType(uint8_t(cifra));
  cbClockText->SetItemIndex(cifra >= 0 && cifra < cbClockText->Items()->Count() ? cifra : -1);
  auto state = [&](const char* key) {
    const String v = UpperCase(Trim(Doc.ReadString(sec, key, "")));
    return v == "1" || v == "TRUE" || v == "YES";
  };
  cbClockCircle->SetChecked(state("Round"));
  D->SetClockCircle(cbClockCircle->Checked());
  cbClockfaceEnable->SetChecked(state("Minuts"));
  D->SetAnalogFaceEnabled(cbClockfaceEnable->Checked());
  D->SetDot_Len(Doc.ReadInteger(sec, "MinutLen", 0));
  seClockMinLen->SetValue(D->Dot_Len());
  D->SetHourCenter_Radius(uint8_t(Doc.ReadInteger(sec, "CentrRadius", 0)));
  seCentrRadius->SetValue(D->HourCenter_Radius());
  ReadFontKeys(Doc, sec, D->Font(), charset);
  return pictureLoads;
}

void TFormMain::AlignStatInputs() {
  TSpinEdit* first = StatInputs[1];
  TLabel3D* mark = StatLabels[1];
  if (!first || !mark) return;
  const int d = (mark->Height() - first->Height()) / 2;
  for (size_t row = 1; row <= 7; ++row) {
    if (!StatLabels[row] || !StatInputs[row] || !StatInputs[row + 7]) continue;
    const int top = StatLabels[row]->Top() + d;
    StatInputs[row]->SetTop(top);
    StatInputs[row + 7]->SetTop(top);
  }
}

bool TFormMain::LoadTabloLayout(const String& FileName) {
  LayoutLoadMessage.clear();
  // The whole file is read and looked at before any object changes.
  TIniDocument doc;
  String reason;
  const String path = ResolveFileName(FileName);
  if (!FileExists(path)) {
    reason = "the file does not exist";
  } else {
    try {
      doc.LoadFromFile(path);
      bool any = false;
      for (const String& s : doc.ReadSections())
        if (IsObjectSection(s)) {
          any = true;
          break;
        }
      if (!any) reason = "no page object sections (Tablo<page>.<object>) in it";
    } catch (const std::exception& e) {
      reason = e.what();
      if (reason.empty()) reason = "the file cannot be read";
    }
  }
  if (!reason.empty()) {
    LayoutLoadMessage = "Error file " + FileName + "\n" + reason;
    return false;
  }

  DetachStretchHandle();
  Profile1->SetFileName(path);
  std::vector<String> kept;
  {
    LiveElementsHome home(this);
    try {
      for (size_t i = 1; i <= LayoutPages.size(); ++i)
        LoadTabloObjects(doc, "Tablo" + IntToStr(int(i)), LayoutPages[i - 1], kept);
    } catch (const std::exception&) {
      // The objects already restyled stay so; the rest keep their look.
    }
  }
  AlignStatInputs();
  if (!kept.empty()) {
    String names;
    for (const String& n : kept) names += (names.empty() ? "" : ", ") + n;
    LayoutLoadMessage = "Layout " + FileName + ": size or picture kept (missing in the file) for: " + names;
  }
  return true;
}

void TFormMain::tbOpenTabloClick(TObject* /*Sender*/) {
  // The dialog is shared with other pages: this use starts from its own
  // folder and name (first "Views/"), and the dialog gets its folder back.
  if (ExecuteFileDialog(OpenTextDialog, DialogUses.LayoutOpen)) {
    LoadTabloLayout(OpenTextDialog->FileName);
    if (!LayoutLoadMessage.empty())
      ShowMessageDlg(LayoutLoadMessage, LayoutLoadMessage.rfind("Error file", 0) == 0 ? mtError : mtWarning, {mbOK});
  }
}
