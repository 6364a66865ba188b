// Design of the advertising-media frame and its start-up.
#include "console/FrMedia.h"
#include "console/FMainBuildUtil.h"

using namespace fmainbuild;

TFrameMedia::TFrameMedia(TComponent* AOwner) : TPanel(AOwner) {
  SetName("FrameMedia");
  SetBevelOuter(bvNone);
  SetCaption("");
  SetBounds(0, 0, 640, 300);

  PanelMedia = Make<TPanel>(this, this, "PanelMedia", 0, 0, 384, 256);
  PanelMedia->SetColor(clBlack);
  PanelMedia->SetBevelOuter(bvNone);
  PanelMedia->SetCaption("");

  MediaToolBarPanel = Make<TPanel>(this, this, "MediaToolBar", 0, 258, 384, 28);
  MediaToolBarPanel->SetBevelOuter(bvNone);
  MediaToolBarPanel->SetCaption("");
  cbCikle = Make<TCheckBox>(this, MediaToolBarPanel, "cbCikle", 300, 4, 70, 17);
  cbCikle->SetCaption("Cikle");
  cbCikle->SetChecked(true);

  ControlPics = Make<TPanel>(this, this, "ControlPics", 384, 0, 250, 140);
  ControlPics->SetBevelOuter(bvNone);
  ControlPics->SetCaption("");
  GroupNextPicture = Make<TGroupBox>(this, ControlPics, "GroupNextPicture", 4, 4, 240, 70);
  GroupNextPicture->SetCaption("Next picture");
  LabelDelay = Make<TLabel>(this, GroupNextPicture, "LabelDelay", 8, 22, 40, 13);
  LabelDelay->SetCaption("Delay:");
  PicsShowPause = Make<TSpinEdit>(this, GroupNextPicture, "PicsShowPause", 52, 18, 56, 22);
  PicsShowPause->SetMinValue(1);
  PicsShowPause->SetMaxValue(900);
  PicsShowPause->SetValue(2);
  PicsShowPause->SetEditorEnabled(false);
  PicsShowPause->SetHint("секунд");
  PicsShowPause->SetShowHint(true);
  cbPicsCls = Make<TCheckBox>(this, GroupNextPicture, "cbPicsCls", 8, 46, 100, 17);
  cbPicsCls->SetCaption("With clear");
  cbPicsCls->SetChecked(false);

  ControlAVIs = Make<TPanel>(this, this, "ControlAVIs", 384, 0, 250, 200);
  ControlAVIs->SetBevelOuter(bvNone);
  ControlAVIs->SetCaption("");
  rgMediaAspect = Make<TRadioGroup>(this, ControlAVIs, "rgMediaAspect", 4, 4, 160, 80);
  rgMediaAspect->SetCaption("Вид кадра");
  rgMediaAspect->Items()->SetText("Обрезанный\nПолный\nРастянутый\n");
  rgMediaAspect->SetItemIndex(0);
  SoundLevel = Make<TTrackBar>(this, ControlAVIs, "SoundLevel", 4, 90, 160, 30);
  SoundLevel->SetMin(0);
  SoundLevel->SetMax(10000);
  SoundLevel->SetFrequency(1000);
  SoundLevel->SetPosition(10000);
  SoundLevel->SetHint("Volume");
  SoundLevel->SetShowHint(true);
}

void TFrameMedia::Init() {
  // The play list, its default file and the playback controls join here
  // with the media play list.
}

void TFrameMedia::StopGraph() {
  // The frame's filter graph joins here with media playback.
}
