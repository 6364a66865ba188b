#pragma once
// Watches the Flash player's notes (its layer's log category, made audible
// for the watch) for a text and runs a reaction at its first sight.
#include <QLoggingCategory>
#include <QString>
#include <algorithm>
#include <functional>
#include <vector>

// Calls Then (at once, inside the note) the first time a note of the Flash
// player's (its page's lines, the files it asks for) holds Text: the moment
// it says where a load stands.
class FlashNoteWatch {
 public:
  FlashNoteWatch(QString text, std::function<void()> then) : text_(std::move(text)), then_(std::move(then)) {
    self_ = this;
    QLoggingCategory::setFilterRules("tablo.flash.info=true");
    previous_ = qInstallMessageHandler(&FlashNoteWatch::handle);
  }
  ~FlashNoteWatch() {
    qInstallMessageHandler(previous_);
    QLoggingCategory::setFilterRules("");
    self_ = nullptr;
  }
  bool Seen() const { return seen_; }
  // Whether any note held Text.
  bool Said(const QString& text) const {
    return std::any_of(notes_.begin(), notes_.end(), [&](const QString& n) { return n.contains(text); });
  }

 private:
  static void handle(QtMsgType t, const QMessageLogContext& c, const QString& m) {
    FlashNoteWatch* w = self_;
    if (w && qstrcmp(c.category, "tablo.flash") == 0 && !m.startsWith("request:") && !m.startsWith("page:"))
      w->notes_.push_back(m);
    if (w && !w->seen_ && qstrcmp(c.category, "tablo.flash") == 0 && m.contains(w->text_)) {
      w->seen_ = true;
      w->then_();
    }
    if (w && qstrcmp(c.category, "tablo.flash") == 0) return;   // the notes asked for here are not shown
    if (w && w->previous_) w->previous_(t, c, m);
  }
  static inline FlashNoteWatch* self_ = nullptr;
  QString text_;
  std::function<void()> then_;
  QtMessageHandler previous_ = nullptr;
  bool seen_ = false;
  std::vector<QString> notes_;   // the player's own notes (not its page's lines)
};
