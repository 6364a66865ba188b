// File masks over QDir name filters.
#include "toolkit/FileMasks.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QRegularExpression>
#include "toolkit/QtGlue.h"

String GraphicFileMask() { return "*.bmp;*.ico;*.jpg;*.jpeg;*.png;*.emf;*.wmf"; }

static QStringList patterns(const String& masks) {
  QStringList out;
  for (const QString& m : QString::fromUtf8(masks.data(), qsizetype(masks.size())).split(u';', Qt::SkipEmptyParts)) {
    const QString t = m.trimmed();
    if (!t.isEmpty()) out << t;
  }
  return out;
}

bool MatchesMask(const String& fileName, const String& masks) {
  const QString name = QString::fromUtf8(fileName.data(), qsizetype(fileName.size()));
  for (const QString& p : patterns(masks)) {
    QRegularExpression re(QRegularExpression::wildcardToRegularExpression(p, QRegularExpression::UnanchoredWildcardConversion),
                          QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = re.match(name);
    if (m.hasMatch() && m.capturedStart() == 0 && m.capturedLength() == name.size()) return true;
  }
  return false;
}

std::vector<String> ListFilesByMask(const String& folder, const String& masks) {
  std::vector<String> out;
  const QStringList filters = patterns(masks);
  if (filters.isEmpty()) return out;
  std::vector<QRegularExpression> res;
  for (const QString& p : filters)
    res.emplace_back(QRegularExpression::wildcardToRegularExpression(p, QRegularExpression::UnanchoredWildcardConversion),
                     QRegularExpression::CaseInsensitiveOption);
  // The folder's entries as the system names them (bytes): a name that is not
  // UTF-8 is listed by its text (FileNameText), by which it is found again.
  const String dir = IncludeTrailingPathDelimiter(NormalizePath(folder));
  DIR* d = ::opendir(dir.c_str());
  if (!d) return out;
  std::vector<std::pair<QString, String>> found;
  while (const dirent* e = ::readdir(d)) {
    const std::string raw = e->d_name;
    if (raw == "." || raw == "..") continue;
    struct stat st {};
    if (::stat((dir + raw).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;   // files only
    const String name = FileNameText(raw);
    const QString q = QString::fromUtf8(name.data(), qsizetype(name.size()));
    for (const QRegularExpression& re : res) {
      const QRegularExpressionMatch m = re.match(q);
      if (m.hasMatch() && m.capturedStart() == 0 && m.capturedLength() == q.size()) {
        found.emplace_back(q.toLower(), name);
        break;
      }
    }
  }
  ::closedir(d);
  // By name without regard to case; names equal but for case by their bytes.
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    const int c = a.first.compare(b.first);
    return c != 0 ? c < 0 : a.second < b.second;
  });
  out.reserve(found.size());
  for (auto& f : found) out.push_back(std::move(f.second));
  return out;
}
