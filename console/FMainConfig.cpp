// Live camera choice, TV pictures, links and the configuration page.
#include "console/FMain.h"
#include "console/FStadion.h"
#include "controls/Label3D.h"

#include <algorithm>
#include <cstdlib>

#include "media/DSGraph.h"
#include "media/DSVideoWindow.h"

void TFormMain::rgVideoDrvClick(TObject* /*Sender*/) {
  ClearCameraGraph();
  rgVideoDrv->SetTag(rgVideoDrv->ItemIndex());
  // Item 0 "Drivers not found" stands for no camera.
  if (rgVideoDrv->ItemIndex() > 0) StartCameraPreview(rgVideoDrv->ItemIndex() - 1);
}

void TFormMain::FillVideoDrivers() {
  // The cameras follow the design item "Drivers not found" (item 0, no
  // camera). Their monikers are kept from now on, so the camera chosen by
  // position is the one listed even when another is plugged in meanwhile.
  VideoCaptureDevices = std::make_shared<TSysDevEnum>(CLSID_VideoInputDeviceCategory);
  const int count = VideoCaptureDevices->CountFilters();
  if (count < 1) return;
  DSVideoWindowEx->SetColor(clBlack);
  rgVideoDrv->SetHeight(std::abs(rgVideoDrv->Font()->Height()) * (count + 1) + 24);
  // The TV picture list moves down below the grown camera list (keeping its
  // bottom, and at least a few lines), and the transparency box below it.
  const int listTop = rgVideoDrv->Top() + rgVideoDrv->Height() + 6;
  const int listBottom = std::max(ListPicOnTV->Top() + ListPicOnTV->Height(), listTop + 60);
  const int boxGap = cbTVpic_Transp->Top() - (ListPicOnTV->Top() + ListPicOnTV->Height());
  ListPicOnTV->SetBounds(ListPicOnTV->Left(), listTop, ListPicOnTV->Width(), listBottom - listTop);
  cbTVpic_Transp->SetTop(listBottom + boxGap);
  for (int i = 0; i < count; ++i) rgVideoDrv->Items()->Add(VideoCaptureDevices->GetFilter(i).FriendlyName);
  rgVideoDrv->SetTag(0);
  rgVideoDrv->SetItemIndex(0);
}

void TFormMain::ClearCameraGraph() {
  if (!FilterGraph1) return;
  // Switching the camera off never fails: a graph that cannot be emptied
  // is released whole when it is made inactive (shutdown goes on).
  try {
    FilterGraph1->ClearGraph();
  } catch (const std::exception&) {
  }
  FilterGraph1->SetActive(false);
}

void TFormMain::StartCameraPreview(int DeviceIndex) {
  // The device's preview rendered into DSVideoWindowEx, then played.
  ComPtr<IMoniker> moniker = VideoCaptureDevices ? VideoCaptureDevices->GetMoniker(DeviceIndex) : nullptr;
  Filter1->BaseFilter()->SetMoniker(moniker.Get());
  FilterGraph1->SetActive(true);
  ComPtr<ICaptureGraphBuilder2> builder = FilterGraph1->Query<ICaptureGraphBuilder2>();
  if (!builder) return;
  ComPtr<IBaseFilter> source = QueryAs<IBaseFilter>(static_cast<IFilterProvider*>(Filter1));
  ComPtr<IBaseFilter> sink = QueryAs<IBaseFilter>(static_cast<IFilterProvider*>(DSVideoWindowEx));
  CheckDSError(builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, source.Get(), nullptr, sink.Get()));
  FilterGraph1->Play();
}

void TFormMain::cbFullscreenClick(TObject* /*Sender*/) {
  // Size changes before the window is shown are ignored.
  if (!PanelDVIcfg->Enabled()) return;
  try {
    LabelReboot->SetEnabled(seDVIx->Value() != PanelTabloColor->Width() || seDVIy->Value() != PanelTabloColor->Height());
    PanelDVIcfg->SetBounds(PanelDVIcfg->Left(), PanelDVIcfg->Top(), seDVIx->Value(), seDVIy->Value());
    for (const char* name : {"LabelDVIx", "LabelDVIy"})
      if (auto* c = dynamic_cast<TControl*>(FindComponent(name))) c->SetEnabled(true);
    seDVIx->SetEnabled(true);
    seDVIy->SetEnabled(true);
    // The output area changes at the next start: the live output size stays
    // as it is (the media frame shapes its clips by it), the chosen one is
    // what shutdown stores.
    pendingOutputSize_ = TPoint(PanelDVIcfg->Width(), PanelDVIcfg->Height());
  } catch (...) {
  }
}

void TFormMain::seDVIOutOfRange(TObject* Sender) {
  // A width or height the field refused: the operator is told the range.
  auto* se = dynamic_cast<TSpinEdit*>(Sender);
  if (!se) return;
  const String what = se == seDVIy ? "height" : "width";
  ShowMessageDlg("The output " + what + " is from " + IntToStr(int64_t(se->MinValue())) + " to " +
                     IntToStr(int64_t(se->MaxValue())) + " pixels.",
                 mtWarning, {mbOK});
}

TPoint TFormMain::PendingOutputSize() const {
  if (pendingOutputSize_.X > 0 && pendingOutputSize_.Y > 0) return pendingOutputSize_;
  return TPoint(ImageBlack->Width(), ImageBlack->Height());
}

void TFormMain::LabelRebootClick(TObject* /*Sender*/) { Close(); }

void TFormMain::sbCloseClick(TObject* /*Sender*/) { Close(); }

void TFormMain::bDefaultClick(TObject* /*Sender*/) {
  if (ShowMessageDlg("Reset programm?", mtConfirmation, mbYesNo) != mrYes) return;
  seDVIx->SetValue(320);
  seDVIy->SetValue(240);
  // The objects are placed anew for that size (the layout editor's "new" asks first).
  if (auto* b = dynamic_cast<TToolButton*>(FindComponent("tbNewTablo"))) b->Click();
  Close();
}

void TFormMain::LabelStadionNameClick(TObject* /*Sender*/) {
  if (!FormStadion || FormStadion->ShowModal() != mrOk) return;
  LabelStadion->SetCaption(FormStadion->eStadion->Text());
  LabelStadionName->SetCaption(FormStadion->eStadionName->Text());
}
