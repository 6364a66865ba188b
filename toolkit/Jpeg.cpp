// JPEG pictures through libjpeg. libjpeg reports fatal errors through
// error_exit, which must not return: ours jumps back to the decoder's entry
// point, which then raises EInvalidGraphic "JPEG error #%d".
#include "toolkit/Graphics.h"

#include <QImage>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <jpeglib.h>
}

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code = 0;
};

extern "C" void tkJpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->code = cinfo->err->msg_code;
  std::longjmp(err->jump, 1);
}

extern "C" void tkJpegOutputMessage(j_common_ptr) {}  // warnings stay silent

struct DecodeState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  QImage img;
  std::vector<uint8_t> row;
  bool created = false;
};

struct EncodeState {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool created = false;
};

// Runs the libjpeg part of decoding; returns the libjpeg error code or 0.
// Nothing with a destructor lives in this frame.
int decodeInto(DecodeState* st, const unsigned char* data, unsigned long size) {
  st->cinfo.err = jpeg_std_error(&st->err.pub);
  st->err.pub.error_exit = tkJpegErrorExit;
  st->err.pub.output_message = tkJpegOutputMessage;
  if (setjmp(st->err.jump)) return st->err.code ? st->err.code : -1;
  jpeg_create_decompress(&st->cinfo);
  st->created = true;
  jpeg_mem_src(&st->cinfo, data, size);
  jpeg_read_header(&st->cinfo, TRUE);
  // The declared size is checked before anything is decoded: a progressive
  // picture buffers its whole coefficients at jpeg_start_decompress.
  if (!PictureSizeAllowed(int64_t(st->cinfo.image_width), int64_t(st->cinfo.image_height))) return -2;
  bool cmyk = st->cinfo.jpeg_color_space == JCS_CMYK || st->cinfo.jpeg_color_space == JCS_YCCK;
  st->cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_start_decompress(&st->cinfo);
  const int w = int(st->cinfo.output_width), h = int(st->cinfo.output_height);
  if (!PictureSizeAllowed(w, h)) return -2;
  // Decoded straight into a bitmap's own pixel buffer: one copy of the picture.
  st->img = NewBitmapImage(w, h);
  if (st->img.isNull()) return -3;
  uchar* bits = st->img.bits();
  const qsizetype bpl = st->img.bytesPerLine();
  st->row.resize(size_t(w) * 4);
  while (st->cinfo.output_scanline < st->cinfo.output_height) {
    int y = int(st->cinfo.output_scanline);
    uint8_t* dst = bits + bpl * y;
    JSAMPROW rows[1] = {cmyk ? st->row.data() : dst};
    if (jpeg_read_scanlines(&st->cinfo, rows, 1) != 1) break;
    if (cmyk) {
      // Adobe writes CMYK inverted: the stored value is 255 - ink.
      const uint8_t* s = st->row.data();
      for (int x = 0; x < w; ++x, s += 4, dst += 4) {
        int k = s[3];
        dst[0] = uint8_t(s[2] * k / 255);
        dst[1] = uint8_t(s[1] * k / 255);
        dst[2] = uint8_t(s[0] * k / 255);
        dst[3] = 0xFF;
      }
    } else {
      for (int x = 0; x < w; ++x) dst[x * 4 + 3] = 0xFF;
    }
  }
  jpeg_finish_decompress(&st->cinfo);
  return 0;
}

int encodeFrom(EncodeState* st, const QImage* img, int quality) {
  st->cinfo.err = jpeg_std_error(&st->err.pub);
  st->err.pub.error_exit = tkJpegErrorExit;
  st->err.pub.output_message = tkJpegOutputMessage;
  if (setjmp(st->err.jump)) return st->err.code ? st->err.code : -1;
  jpeg_create_compress(&st->cinfo);
  st->created = true;
  jpeg_mem_dest(&st->cinfo, &st->buffer, &st->size);
  st->cinfo.image_width = JDIMENSION(img->width());
  st->cinfo.image_height = JDIMENSION(img->height());
  st->cinfo.input_components = 4;
  st->cinfo.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&st->cinfo);
  jpeg_set_quality(&st->cinfo, quality, TRUE);
  jpeg_start_compress(&st->cinfo, TRUE);
  while (st->cinfo.next_scanline < st->cinfo.image_height) {
    JSAMPROW rows[1] = {const_cast<uchar*>(img->constScanLine(int(st->cinfo.next_scanline)))};
    jpeg_write_scanlines(&st->cinfo, rows, 1);
  }
  jpeg_finish_compress(&st->cinfo);
  return 0;
}

}  // namespace

void DecodeJpeg(const std::string& bytes, QImage& out) {
  auto st = std::make_unique<DecodeState>();
  int code = decodeInto(st.get(), reinterpret_cast<const unsigned char*>(bytes.data()), (unsigned long)bytes.size());
  if (st->created) jpeg_destroy_decompress(&st->cinfo);
  if (code == -2)
    throw EInvalidGraphic("JPEG picture too large or empty (" + IntToStr(int64_t(st->cinfo.image_width)) + " x " +
                          IntToStr(int64_t(st->cinfo.image_height)) + "; at most " + IntToStr(int64_t(MaxPictureSide)) +
                          " pixels a side and " + IntToStr(MaxPicturePixels / 1000000) + " million in all)");
  if (code == -3) throw EInvalidGraphic("Not enough memory for the JPEG picture");
  if (code != 0) throw EInvalidGraphic(FormatA("JPEG error #%d", code));
  out = std::move(st->img);
}

std::string EncodeJpeg(const QImage& img, int quality) {
  if (img.isNull() || img.width() <= 0 || img.height() <= 0)
    throw EInvalidGraphicOperation("Cannot save an empty picture as JPEG");
  QImage src = img.format() == QImage::Format_RGB32 ? img : img.convertToFormat(QImage::Format_RGB32);
  auto st = std::make_unique<EncodeState>();
  int code = encodeFrom(st.get(), &src, std::clamp(quality, 1, 100));
  if (st->created) jpeg_destroy_compress(&st->cinfo);
  std::string out;
  if (code == 0 && st->buffer) out.assign(reinterpret_cast<const char*>(st->buffer), st->size);
  if (st->buffer) std::free(st->buffer);
  if (code != 0) throw EInvalidGraphic(FormatA("JPEG error #%d", code));
  return out;
}
