#pragma once
// The match state written as it changes: the main thread takes what a save
// writes (the settings values and the goal list) and hands it over; a thread
// of its own writes it, so that a slow disk never holds up the clock or the
// output. Only the newest save handed over is written, one at a time, and no
// two writes come closer together than MinGapMs: changes made in a burst
// reach the disk as one write. Every file is written whole and atomically
// (the settings key merges its values into the file as it is then). The goal
// list keeps to the rule of a list file the console writes back: it is
// written only when it differs from what the file holds from the console,
// and a file changed on disk since is not replaced (the list goes beside it
// as "<name> (console).txt"; the close asks the operator).
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>
#include "console/ListFileState.h"
#include "toolkit/Registry.h"

// One value of the settings key as a save writes it. KeepStored: a value
// start-up did not read and the operator did not change; the store keeps
// what it holds for it, and it is written only where the store has none.
struct TSettingValue {
  String Name;
  TRegDataType Type = rdUnknown;
  int64_t Num = 0;
  String Text;
  bool KeepStored = false;
  bool operator==(const TSettingValue&) const = default;
};

// Writes the values into the key open in Reg (not saved until it is closed).
void WriteSettingValues(TRegistry& Reg, const std::vector<TSettingValue>& Values);

// What one save writes.
struct TMatchSave {
  uint64_t Serial = 0;
  String KeyPath;                                    // the settings key
  std::optional<std::vector<TSettingValue>> Settings;   // absent: unchanged
  std::optional<String> Goals;                       // the goal list's text; absent: unchanged
};

class TMatchStateWriter {
 public:
  // Goals: the goal list's file as the console read it.
  TMatchStateWriter(int MinGapMs, const TListFileState& Goals);
  ~TMatchStateWriter();   // Stop
  TMatchStateWriter(const TMatchStateWriter&) = delete;
  TMatchStateWriter& operator=(const TMatchStateWriter&) = delete;
  // Hands a save over; one that waits and has not begun is replaced by it,
  // keeping whatever of it the new one leaves unchanged.
  void Put(TMatchSave Save);
  // Ends the thread: a save waiting is dropped, a write under way ends first.
  void Stop();
  // The serial of the newest save whose write has ended (written or failed).
  uint64_t Ended() const;
  // The failure of the last write ended ("" when it was written), each
  // failure once.
  String TakeFailure();
  // Whether the last write ended failed.
  bool LastFailed() const;
  // What there is to tell that is no failure (a goal list kept beside its
  // file), each once.
  String TakeNote();
  // Writes made (the settings file and the goal list count one each).
  int Writes() const;
  // The goal list's file as the writer left it; read once it has stopped.
  const TListFileState& GoalsState() const { return goals_; }

 private:
  void run();
  void write(const TMatchSave& Save, String& Failure, String& Note);
  const int minGapMs_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<TMatchSave> waiting_;
  bool stop_ = false;
  uint64_t ended_ = 0;
  String failure_, note_;
  bool lastFailed_ = false;
  TListFileState goals_;   // the writer thread's while it runs
  int writes_ = 0;
  std::thread thread_;
};
