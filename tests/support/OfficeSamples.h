#pragma once
// Sample office documents made by the tests themselves, and a private cache
// for the office suite (one per test process, removed at its end).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <QProcess>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>
#include "platform/office/OfficeConverter.h"
#include "toolkit/ProgramStart.h"
#include "toolkit/Graphics.h"

namespace officesamples {

inline std::string LoadBinary(const String& file) {
  std::ifstream f(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Points the converter at a folder of this process's own.
inline String UseTestCache() {
  static String folder;
  if (folder.empty()) {
    char tmpl[] = "/tmp/tablo_office_XXXXXX";
    folder = IncludeTrailingPathDelimiter(mkdtemp(tmpl));
    std::atexit([] { std::filesystem::remove_all(folder); });
  }
  TOfficeConverter::SetCacheFolder(folder);
  return folder;
}

// A slide's transition in the office suite's words (empty type: none).
struct Transition {
  String type, subtype, direction;
};

// A flat presentation: one full-page rectangle per colour ("#rrggbb"), each
// slide with its transition when one is given.
inline String FlatDeck(const std::vector<String>& colours, const std::vector<Transition>& transitions = {}) {
  String styles, pages;
  for (size_t i = 0; i < colours.size(); ++i) {
    const String n = "c" + IntToStr(int64_t(i));
    styles += "<style:style style:name=\"" + n + "\" style:family=\"graphic\"><style:graphic-properties "
              "draw:stroke=\"none\" draw:fill=\"solid\" draw:fill-color=\"" + colours[i] + "\"/></style:style>";
    String pageStyle;
    if (i < transitions.size() && !transitions[i].type.empty()) {
      const Transition& t = transitions[i];
      pageStyle = " draw:style-name=\"dp" + IntToStr(int64_t(i)) + "\"";
      styles += "<style:style style:name=\"dp" + IntToStr(int64_t(i)) + "\" style:family=\"drawing-page\">"
                "<style:drawing-page-properties smil:type=\"" + t.type + "\" smil:subtype=\"" + t.subtype + "\"" +
                (t.direction.empty() ? String() : " smil:direction=\"" + t.direction + "\"") + "/></style:style>";
    }
    pages += "<draw:page draw:name=\"p" + IntToStr(int64_t(i + 1)) + "\"" + pageStyle + " draw:master-page-name=\"M\"><draw:rect "
             "draw:style-name=\"" + n + "\" svg:x=\"0cm\" svg:y=\"0cm\" svg:width=\"28cm\" svg:height=\"15.75cm\"/>"
             "</draw:page>";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
         "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
         "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
         "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
         "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\" "
         "xmlns:smil=\"urn:oasis:names:tc:opendocument:xmlns:smil-compatible:1.0\" office:version=\"1.3\" "
         "office:mimetype=\"application/vnd.oasis.opendocument.presentation\">"
         "<office:automatic-styles>" + styles + "</office:automatic-styles>"
         "<office:master-styles><style:master-page style:name=\"M\"/></office:master-styles>"
         "<office:body><office:presentation>" + pages + "</office:presentation></office:body></office:document>\n";
}

// A presentation named Name in Dir with one slide per colour (and
// transition), in the format its extension names (".ppt", ".pptx", ".odp").
inline String MakeDeck(const String& Dir, const String& Name, const std::vector<String>& colours,
                       const std::vector<Transition>& transitions = {}) {
  const String work = UseTestCache() + "decks/";
  ForceDirectories(work);
  const String flat = work + ChangeFileExt(Name, ".fodp");
  SaveTextFile(flat, FlatDeck(colours, transitions));
  const String ext = LowerCase(ExtractFileExt(Name));
  const String ppt = TOfficeConverter::Convert(flat, "OpenDocument Presentation Flat XML", ext.substr(1), work, ext);
  const String target = IncludeTrailingPathDelimiter(Dir) + Name;
  std::filesystem::copy_file(ppt, target, std::filesystem::copy_options::overwrite_existing);
  return target;
}

// A PNG picture of one colour, as bytes.
inline std::string PngBytes(TColor Colour, int W = 40, int H = 40) {
  const String file = UseTestCache() + "picture.png";
  TBitmap b(W, H);
  b.Canvas()->Brush()->SetColor(Colour);
  b.Canvas()->FillRect(Rect(0, 0, W, H));
  b.SaveToFile(file);
  return LoadBinary(file);
}

// A zip package of the given parts (name, bytes).
inline void WritePackage(const String& File, const std::vector<std::pair<std::string, std::string>>& Parts) {
  std::remove(File.c_str());
  int err = 0;
  zip_t* z = zip_open(File.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  for (const auto& [name, data] : Parts)
    zip_file_add(z, name.c_str(), zip_source_buffer(z, data.data(), data.size(), 0), ZIP_FL_OVERWRITE);
  zip_close(z);
}

// A ".pptx" package of one 16:9 slide holding Shapes (slide XML), with the
// slide's relationships Rels and the media parts Media ("ppt/media/...").
inline void WritePptx(const String& File, const std::string& Shapes, const std::string& Rels = {},
                      const std::vector<std::pair<std::string, std::string>>& Media = {}) {
  const std::string ns = "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
                         "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";
  const std::string rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  std::vector<std::pair<std::string, std::string>> parts = {
      {"[Content_Types].xml",
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
       "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
       "ContentType=\"application/xml\"/><Default Extension=\"png\" ContentType=\"image/png\"/><Override "
       "PartName=\"/ppt/presentation.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.presentationml."
       "presentation.main+xml\"/><Override PartName=\"/ppt/slides/slide1.xml\" ContentType=\"application/"
       "vnd.openxmlformats-officedocument.presentationml.slide+xml\"/></Types>"},
      {"_rels/.rels", rels + "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                             "relationships/officeDocument\" Target=\"ppt/presentation.xml\"/></Relationships>"},
      {"ppt/presentation.xml", "<p:presentation " + ns + "><p:sldIdLst><p:sldId id=\"256\" r:id=\"rId2\"/></p:sldIdLst>"
                               "<p:sldSz cx=\"12192000\" cy=\"6858000\"/><p:notesSz cx=\"6858000\" cy=\"9144000\"/>"
                               "</p:presentation>"},
      {"ppt/_rels/presentation.xml.rels", rels + "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/"
                                                 "officeDocument/2006/relationships/slide\" Target=\"slides/slide1.xml\"/>"
                                                 "</Relationships>"},
      {"ppt/slides/slide1.xml", "<p:sld " + ns + "><p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/>"
                                "<p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>" + Shapes + "</p:spTree></p:cSld></p:sld>"},
      {"ppt/slides/_rels/slide1.xml.rels", rels + Rels + "</Relationships>"},
  };
  parts.insert(parts.end(), Media.begin(), Media.end());
  WritePackage(File, parts);
}

// A ".pptx" of a few kilobytes whose single slide holds Count text boxes:
// the suite needs about 130 KB of memory for each.
inline void WriteShapesPptx(const String& File, int Count) {
  const std::string box = "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"Box\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr>"
                          "<a:xfrm><a:off x=\"914400\" y=\"914400\"/><a:ext cx=\"914400\" cy=\"914400\"/></a:xfrm>"
                          "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr><p:txBody><a:bodyPr/><a:p><a:r>"
                          "<a:t>Goal</a:t></a:r></a:p></p:txBody></p:sp>";
  std::string shapes;
  shapes.reserve(box.size() * size_t(Count));
  for (int i = 0; i < Count; ++i) shapes += box;
  WritePptx(File, shapes);
}

// The office suite found on the PATH replaced, while this lives, by a
// shell script of the given body (its arguments are the suite's).
class FakeSuite {
 public:
  FakeSuite(const String& Folder, const std::string& Body) : path_(qEnvironmentVariable("PATH")) {
    const String dir = Folder + "fake-suite/";
    ForceDirectories(dir);
    std::ofstream(dir + "soffice") << "#!/bin/sh\n" << Body << "\n";
    ::chmod((dir + "soffice").c_str(), 0755);
    qputenv("PATH", QString::fromStdString(dir).toLocal8Bit() + ":" + path_.toLocal8Bit());
  }
  ~FakeSuite() { qputenv("PATH", path_.toLocal8Bit()); }
  FakeSuite(const FakeSuite&) = delete;
  FakeSuite& operator=(const FakeSuite&) = delete;

 private:
  QString path_;
};

// A small red PNG picture as RTF hex digits.
inline std::string RedPictureHex() {
  std::string bytes = PngBytes(clRed, 40, 20), hex;
  char h[3];
  for (unsigned char c : bytes) {
    std::snprintf(h, sizeof h, "%02x", c);
    hex += h;
  }
  return hex;
}

// An RTF document in Windows-1251 with a yellow bold "Стадион", a euro sign
// written as \u8364, a line in the automatic colour and a red picture.
inline std::string RtfSample() {
  std::string stadion;
  for (unsigned char c : {0xD1, 0xF2, 0xE0, 0xE4, 0xE8, 0xEE, 0xED}) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\'%02x", c);
    stadion += hex;
  }
  return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}"
         "{\\colortbl;\\red255\\green255\\blue0;}\n"
         "\\f0\\fs48\\cf1\\b " + stadion + "\\b0\\cf0\\par\n"
         "\\fs36 Price 5\\u8364?\\par\nAutomatic colour\\par\n"
         "{\\pict\\pngblip\\picw40\\pich20\\picwgoal1200\\pichgoal600 " + RedPictureHex() + "}\\par}";
}

// An RTF table that keeps the suite busy for far longer than a test waits
// (thousands of rows of twenty cells, under a megabyte).
inline std::string BusyRtf(int rows = 2000) {
  std::string row = "\\trowd";
  for (int c = 1; c <= 20; ++c) row += "\\cellx" + std::to_string(300 * c);
  row += " ";
  for (int c = 1; c <= 20; ++c) row += "x" + std::to_string(c) + "\\cell ";
  row += "\\row\n";
  std::string doc = "{\\rtf1\\ansi ";
  for (int r = 0; r < rows; ++r) doc += row;
  return doc + "}";
}

// A file of /proc read with plain calls: the process may end meanwhile, and
// the stream library throws on such a read error.
inline std::string ReadProcFile(const std::string& path) {
  std::string out;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return out;
  char buf[4096];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
  ::close(fd);
  return out;
}

// The live processes whose command line names Folder (the suite's launcher
// and main process run with their profile there); with Holding, only those
// that have that file open (the suite's main process while it reads the
// document). A process that has ended but was not waited for by its parent
// does not count.
inline std::vector<int> SuiteProcesses(const String& Folder, const String& Holding = String()) {
  namespace fs = std::filesystem;
  std::vector<int> found;
  std::error_code ec;
  // Processes come and go while the folders are read: no error may throw.
  for (fs::directory_iterator e("/proc", ec), end; !ec && e != end; e.increment(ec)) {
    const std::string pid = e->path().filename().string();
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string cmd = ReadProcFile(e->path().string() + "/cmdline");
    if (cmd.find(Folder) == std::string::npos) continue;
    const std::string stat = ReadProcFile(e->path().string() + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z') continue;
    bool holds = Holding.empty();
    std::error_code fdError;
    for (fs::directory_iterator fd(e->path() / "fd", fdError), fdEnd; !holds && !fdError && fd != fdEnd;
         fd.increment(fdError))
      holds = fs::read_symlink(fd->path(), fdError) == fs::path(Holding);
    if (holds) found.push_back(std::stoi(pid));
  }
  return found;
}

// Stands for a suite process that the console Owner left running: its
// profile folder in Folder and on its command line, a child in its group.
inline std::unique_ptr<QProcess> FakeLeftover(const String& Folder, qint64 Owner) {
  const String profile = Folder + "profile-" + IntToStr(Owner);
  ForceDirectories(profile);
  auto p = std::make_unique<QProcess>();
  p->setChildProcessModifier([] { ::setpgid(0, 0); });
  StartProgram(*p, "/bin/sh", {"-c", "sh -c 'sleep 600; :' child \"$1\" & wait", "suite",
                       "-env:UserInstallation=" + QUrl::fromLocalFile(QString::fromStdString(profile)).toString()});
  p->waitForStarted(10000);
  return p;
}

// The number of a process that has ended (a console that is gone).
inline qint64 EndedProcess() {
  QProcess gone;
  StartProgram(gone, "/bin/true", {});
  gone.waitForFinished(10000);
  return gone.processId() > 0 ? gone.processId() : 999999999;
}

}  // namespace officesamples
