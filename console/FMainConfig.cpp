// Live camera choice, TV pictures, links and the configuration page.
#include "console/FMain.h"

void TFormMain::rgVideoDrvClick(TObject* /*Sender*/) {
  ClearCameraGraph();
  rgVideoDrv->SetTag(rgVideoDrv->ItemIndex());
  // Item 0 "Drivers not found" stands for no camera.
  if (rgVideoDrv->ItemIndex() > 0) StartCameraPreview(rgVideoDrv->ItemIndex() - 1);
}

void TFormMain::FillVideoDrivers() {
  // Enumerates the video input devices into rgVideoDrv after its item 0
  // (media layer).
}

void TFormMain::ClearCameraGraph() {
  // The camera graph is cleared and made inactive (media layer).
}

void TFormMain::StartCameraPreview(int /*DeviceIndex*/) {
  // The device's preview rendered into DSVideoWindowEx, then played
  // (media layer).
}

void TFormMain::cbFullscreenClick(TObject* /*Sender*/) {
  // LabelReboot and the size of the preview PanelDVIcfg follow seDVIx and
  // seDVIy (configuration page).
}
