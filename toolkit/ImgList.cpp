// Image lists: images kept with their alpha, drawn blended on a canvas.
#include "toolkit/ImgList.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QStyle>

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}
TImageList::~TImageList() = default;

void TImageList::changed() {
  if (OnChange) OnChange(this);
}

void TImageList::SetWidth(int v) {
  v = std::max(1, v);
  if (v == width_) return;
  width_ = v;
  Clear();
}

void TImageList::SetHeight(int v) {
  v = std::max(1, v);
  if (v == height_) return;
  height_ = v;
  Clear();
}

static QImage fitted(const QImage& src, int w, int h) {
  QImage img = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (img.width() != w || img.height() != h)
    img = img.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return img;
}

static QImage imageOf(const TBitmap* image, int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  if (image && !image->Empty()) img = fitted(image->Image().convertToFormat(QImage::Format_ARGB32), w, h);
  return img;
}

int TImageList::Add(const TBitmap* image) {
  images_.push_back(std::make_unique<QImage>(imageOf(image, width_, height_)));
  changed();
  return Count() - 1;
}

void TImageList::Replace(int index, const TBitmap* image) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  *images_[size_t(index)] = imageOf(image, width_, height_);
  changed();
}

// The picture at the list's size with pixels of maskColor see-through.
static QImage maskedImageOf(const TBitmap* image, TColor maskColor, int w, int h) {
  if (!image || image->Empty()) return imageOf(image, w, h);
  QImage img = image->Image().convertToFormat(QImage::Format_ARGB32);
  const TColor rgb = ColorToRGB(maskColor);
  const QRgb key = qRgb(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF) & 0x00FFFFFFu;
  for (int y = 0; y < img.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x)
      if ((row[x] & 0x00FFFFFFu) == key) row[x] = 0;
  }
  return fitted(img, w, h);
}

int TImageList::AddMasked(const TBitmap* image, TColor maskColor) {
  images_.push_back(std::make_unique<QImage>(maskedImageOf(image, maskColor, width_, height_)));
  changed();
  return Count() - 1;
}

void TImageList::ReplaceMasked(int index, const TBitmap* image, TColor maskColor) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  *images_[size_t(index)] = maskedImageOf(image, maskColor, width_, height_);
  changed();
}

static QStyle::StandardPixmap standardPixmap(TStandardImage which) {
  switch (which) {
    case siFileNew: return QStyle::SP_FileIcon;
    case siFileOpen: return QStyle::SP_DialogOpenButton;
    case siFileSave: return QStyle::SP_DialogSaveButton;
    case siFolder: return QStyle::SP_DirIcon;
    case siDelete: return QStyle::SP_TrashIcon;
    case siPrint: return QStyle::SP_FileDialogDetailedView;
    case siMediaPlay: return QStyle::SP_MediaPlay;
    case siMediaPause: return QStyle::SP_MediaPause;
    case siMediaStop: return QStyle::SP_MediaStop;
    case siMediaNext: return QStyle::SP_MediaSkipForward;
    case siMediaStep: return QStyle::SP_MediaSeekForward;
    case siMediaVolume: return QStyle::SP_MediaVolume;
    case siArrowUp: return QStyle::SP_ArrowUp;
    case siArrowDown: return QStyle::SP_ArrowDown;
    case siApply: return QStyle::SP_DialogApplyButton;
    case siCancel: return QStyle::SP_DialogCancelButton;
    case siHelp: return QStyle::SP_DialogHelpButton;
    case siRefresh: return QStyle::SP_BrowserReload;
  }
  return QStyle::SP_FileIcon;
}

int TImageList::AddStandard(TStandardImage which) {
  QImage img(width_, height_, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    QIcon icon = app->style()->standardIcon(standardPixmap(which));
    QImage got = icon.pixmap(width_, height_).toImage();
    if (!got.isNull()) {
      QPainter p(&img);
      got = fitted(got, width_, height_);
      p.drawImage(0, 0, got);
    }
  }
  images_.push_back(std::make_unique<QImage>(std::move(img)));
  changed();
  return Count() - 1;
}

void TImageList::Delete(int index) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  images_.erase(images_.begin() + index);
  changed();
}

void TImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  changed();
}

static QImage greyed(const QImage& src) {
  QImage g = src.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < g.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(g.scanLine(y));
    for (int x = 0; x < g.width(); ++x) {
      const int a = qAlpha(row[x]);
      const int v = 128 + qGray(row[x]) / 2;
      row[x] = qRgba(v, v, v, a / 2);
    }
  }
  return g;
}

void TImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const {
  if (!canvas || index < 0 || index >= Count()) return;
  QImage* dst = canvas->Image();
  if (!dst || dst->isNull()) return;
  const TPoint o = canvas->Origin();
  QPainter p(dst);
  if (const TRegion* clip = canvas->ClipRegion()) p.setClipRegion(clip->Q().translated(o.X, o.Y));
  const QImage& img = *images_[size_t(index)];
  p.drawImage(x + o.X, y + o.Y, enabled ? img : greyed(img));
  p.end();
  if (canvas->OnChange) canvas->OnChange(canvas);
}

void TImageList::GetBitmap(int index, TBitmap* out, TColor background) const {
  if (!out) return;
  out->SetSize(width_, height_);
  out->Canvas()->Brush()->SetColor(background);
  out->Canvas()->FillRect(Rect(0, 0, width_, height_));
  Draw(out->Canvas(), 0, 0, index, true);
}
