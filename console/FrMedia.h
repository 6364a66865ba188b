#pragma once
// The advertising-media frame: a play list of pictures, video clips and
// Flash movies with its preview area (PanelMedia) and the controls that act
// on the playing item. The console has one instance, FrameMedia1, filling the
// "Reklama" page.
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Spin.h"
#include "toolkit/StdCtrls.h"

class TFrameMedia : public TPanel {
 public:
  explicit TFrameMedia(TComponent* AOwner);
  String ClassName() const override { return "TFrameMedia"; }

  // Set-up at start-up, after the settings are read: loads the default play
  // list (Pics/ + the executable's base name + ".txt").
  void Init();
  // Shutdown: the frame's filter graph made inactive.
  void StopGraph();

  TPanel* PanelMedia = nullptr;          // preview area; layout page 7
  TPanel* MediaToolBarPanel = nullptr;   // place of the frame's tool bar
  TCheckBox* cbCikle = nullptr;
  // Picture controls
  TPanel* ControlPics = nullptr;
  TGroupBox* GroupNextPicture = nullptr;
  TLabel* LabelDelay = nullptr;
  TSpinEdit* PicsShowPause = nullptr;    // seconds between pictures
  TCheckBox* cbPicsCls = nullptr;        // clear before the next picture
  // Video controls
  TPanel* ControlAVIs = nullptr;
  TRadioGroup* rgMediaAspect = nullptr;  // cropped, full, stretched
  TTrackBar* SoundLevel = nullptr;       // volume 0..10000
};
