#include "console/MatchStateWriter.h"

#include <chrono>
#include "toolkit/Classes.h"
#include "toolkit/SysUtils.h"

void WriteSettingValues(TRegistry& Reg, const std::vector<TSettingValue>& Values) {
  for (const TSettingValue& v : Values) {
    if (v.KeepStored && Reg.ValueExists(v.Name)) continue;
    switch (v.Type) {
      case rdInteger: Reg.WriteInteger(v.Name, int(v.Num)); break;
      case rdBool: Reg.WriteBool(v.Name, v.Num != 0); break;
      case rdInt64: Reg.WriteInt64(v.Name, v.Num); break;
      default: Reg.WriteString(v.Name, v.Text); break;
    }
  }
}

TMatchStateWriter::TMatchStateWriter(int MinGapMs, const TListFileState& Goals) : minGapMs_(MinGapMs), goals_(Goals) {
  thread_ = std::thread([this] { run(); });
}

TMatchStateWriter::~TMatchStateWriter() { Stop(); }

void TMatchStateWriter::Put(TMatchSave Save) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return;
    if (waiting_) {
      if (!Save.Settings) Save.Settings = std::move(waiting_->Settings);
      if (!Save.Goals) Save.Goals = std::move(waiting_->Goals);
    }
    waiting_ = std::move(Save);
  }
  wake_.notify_all();
}

void TMatchStateWriter::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    waiting_.reset();
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

uint64_t TMatchStateWriter::Ended() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ended_;
}

String TMatchStateWriter::TakeFailure() {
  std::lock_guard<std::mutex> lock(mutex_);
  String f;
  f.swap(failure_);
  return f;
}

String TMatchStateWriter::TakeNote() {
  std::lock_guard<std::mutex> lock(mutex_);
  String n;
  n.swap(note_);
  return n;
}

bool TMatchStateWriter::LastFailed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastFailed_;
}

int TMatchStateWriter::Writes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

void TMatchStateWriter::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || waiting_.has_value(); });
    if (stop_) return;
    const TMatchSave save = std::move(*waiting_);
    waiting_.reset();
    lock.unlock();
    String failure, note;
    write(save, failure, note);
    lock.lock();
    ended_ = save.Serial;
    lastFailed_ = !failure.empty();
    if (lastFailed_) failure_ = failure;
    if (!note.empty()) note_ = note;
    // The main thread's waits look again.
    WakeWaiters();
    // The next write no sooner than the gap allows (changes meanwhile join
    // the one waiting).
    wake_.wait_for(lock, std::chrono::milliseconds(minGapMs_), [this] { return stop_; });
  }
}

void TMatchStateWriter::write(const TMatchSave& Save, String& Failure, String& Note) {
  if (Save.Settings) {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    try {
      if (reg.OpenKey(Save.KeyPath, true)) {
        WriteSettingValues(reg, *Save.Settings);
        reg.CloseKey();
        std::lock_guard<std::mutex> lock(mutex_);
        ++writes_;
      }
    } catch (const std::exception& e) {
      Failure = e.what();
      // Nothing is left for the registry object's end to write.
      try {
        reg.CloseKey();
      } catch (const std::exception&) {
      }
    }
  }
  // A list the file already holds needs no write (an empty list without a
  // file needs none either).
  if (Save.Goals && goals_.ListChanged(*Save.Goals)) {
    String file = goals_.File();
    const bool beside = goals_.ChangedOnDisk();
    if (beside) file = ChangeFileExt(file, "") + " (console)" + ExtractFileExt(file);
    try {
      ForceDirectories(ExtractFileDir(file));
      SaveTextFile(file, *Save.Goals);
      if (beside)
        Note = goals_.File() + " was changed on disk after the console read it; the goal list is kept in " + file +
               " until the console closes.";
      else
        goals_.Written(*Save.Goals);
      std::lock_guard<std::mutex> lock(mutex_);
      ++writes_;
    } catch (const std::exception& e) {
      Failure = "Error file " + file + ". " + e.what();
    }
  }
}
