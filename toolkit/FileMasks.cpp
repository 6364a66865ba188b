// File masks over QDir name filters.
#include "toolkit/FileMasks.h"

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
  QDir d(QString::fromUtf8(NormalizePath(folder).c_str()));
  if (!d.exists()) return out;
  const QStringList names = d.entryList(filters, QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
  out.reserve(size_t(names.size()));
  for (const QString& n : names) out.push_back(n.toStdString());
  return out;
}
