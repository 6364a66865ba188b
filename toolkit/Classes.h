#pragma once
// Object model of the toolkit: objects, persistent values, components with
// owners, string lists and threads.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include "toolkit/SysUtils.h"

class TObject {
 public:
  virtual ~TObject() = default;
  virtual String ClassName() const { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TPersistent : public TObject {
 public:
  // Copies the value of another persistent; raises EConvertError when the
  // classes do not fit.
  virtual void Assign(const TPersistent* Source);
  String ClassName() const override { return "TPersistent"; }
};

[[noreturn]] void ListIndexError(int index);   // EListError "List index out of bounds (%d)"

enum TComponentStateItem { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateItem>;

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;   // frees owned components, last created first
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const String& Name() const { return name_; }
  virtual void SetName(const String& n) { name_ = n; }
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t t) { tag_ = t; }
  int ComponentCount() const { return int(components_.size()); }
  TComponent* Components(int i) const {
    if (i < 0 || i >= ComponentCount()) ListIndexError(i);
    return components_[size_t(i)];
  }
  TComponent* FindComponent(const String& name) const;
  TComponentState ComponentState() const { return state_; }
  bool Destroying() const { return state_.Contains(csDestroying); }
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);
  // Told when a component that this one refers to goes away.
  virtual void Notification(TComponent* AComponent, bool removing);
  // Runs once after the form that owns the component has set its design
  // values, before the form's OnCreate (see TCustomForm::AfterConstruction);
  // components made later at run time are never told.
  virtual void Loaded() { state_.Exclude(csLoading); }
  void FreeNotification(TComponent* c);
  void RemoveFreeNotification(TComponent* c);
  // Frees the owned components, last created first (also done by the
  // destructor; a derived class may call it early so that owned components
  // go while the derived part still exists).
  void DestroyComponents();
  String ClassName() const override { return "TComponent"; }

 protected:
  // Marks the component and everything it owns as on its way out: from here
  // on their events reach no handler (the handlers may belong to a part of
  // the owner that is already destroyed).
  void BeginDestroy();
  TComponentState state_;

 private:
  TComponent* owner_ = nullptr;
  String name_;
  intptr_t tag_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
 public:
  virtual int Count() const = 0;
  virtual String Get(int i) const = 0;
  virtual void Put(int i, const String& s) = 0;
  virtual TObject* GetObject(int i) const = 0;
  virtual void PutObject(int i, TObject* o) = 0;
  virtual void Insert(int i, const String& s) = 0;
  virtual void Delete(int i) = 0;
  virtual void Clear() = 0;
  virtual int Add(const String& s);
  int AddObject(const String& s, TObject* o);
  void AddStrings(const TStrings* s);
  virtual int IndexOf(const String& s) const;   // case-insensitive
  int IndexOfName(const String& name) const;
  String Names(int i) const;
  String Values(const String& name) const;
  void SetValue(const String& name, const String& v);
  void Move(int from, int to);
  void Exchange(int a, int b);
  // Text: lines joined by "\n" with a trailing "\n"; setting splits on CR, LF, CRLF.
  String Text() const;
  void SetText(const String& t);
  String CommaText() const;
  void SetCommaText(const String& t);
  void LoadFromFile(const String& fileName);   // EFOpenError when missing
  void SaveToFile(const String& fileName) const;  // atomic; EFCreateError on failure
  // An update bracket: inside it a list-like control mirrors the changes
  // without redrawing or moving its selection per line, and OnChange waits;
  // the outermost EndUpdate brings the control up to date once. Brackets nest.
  void BeginUpdate() { if (updateCount_++ == 0) SetUpdateState(true); }
  void EndUpdate() {
    if (updateCount_ <= 0) return;
    if (--updateCount_ == 0) {
      SetUpdateState(false);
      Changed();
    }
  }
  bool Updating() const { return updateCount_ > 0; }
  void Assign(const TPersistent* Source) override;
  String operator[](int i) const { return Get(i); }
  TNotifyEvent OnChange;
  String ClassName() const override { return "TStrings"; }

 protected:
  virtual void Changed() { if (updateCount_ == 0 && OnChange) OnChange(this); }
  // Told when the outermost update bracket opens (true) and closes (false).
  virtual void SetUpdateState(bool Updating) { (void)Updating; }
  int updateCount_ = 0;
};

class TStringList : public TStrings {
 public:
  TStringList() = default;
  int Count() const override { return int(items_.size()); }
  String Get(int i) const override;
  void Put(int i, const String& s) override;
  TObject* GetObject(int i) const override;
  void PutObject(int i, TObject* o) override;
  void Insert(int i, const String& s) override;
  void Delete(int i) override;
  void Clear() override;
  int Add(const String& s) override;
  int IndexOf(const String& s) const override;
  bool Find(const String& s, int& index) const;  // binary search of a sorted list
  void Sort();
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v);
  TDuplicates Duplicates = dupIgnore;
  bool CaseSensitive = false;
  String ClassName() const override { return "TStringList"; }

 private:
  void checkIndex(int i, bool allowEnd = false) const;
  int compare(const String& a, const String& b) const;
  struct Item { String s; TObject* o = nullptr; };
  std::vector<Item> items_;
  bool sorted_ = false;
};

// Raises EListError "List index out of bounds (%d)".
[[noreturn]] void ListIndexError(int index);

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A worker thread. Execute runs on the new thread; Terminate sets the flag that
// Execute polls; WaitFor joins. Synchronize runs a call on the main thread and
// waits for it; Queue runs it there later without waiting.
// A thread made with CreateSuspended = false starts once the constructors are
// done: at the next turn of the main event loop, or at Start()/WaitFor(),
// whichever comes first (Start() right after construction is always safe).
// The destructor terminates and joins, but by then a derived part is already
// gone: a derived class whose Execute uses its own members stops the thread
// (Terminate, wake it, WaitFor) in its own destructor.
class TThread : public TObject {
 public:
  explicit TThread(bool CreateSuspended);
  ~TThread() override;     // terminates and joins
  void Start();
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  int WaitFor();
  bool Finished() const { return finished_.load(); }
  TThreadPriority Priority = tpNormal;
  bool FreeOnTerminate = false;
  TNotifyEvent OnTerminate;      // runs on the main thread after Execute ends
  int ReturnValue = 0;
  static void Synchronize(const std::function<void()>& f);
  static void Queue(const std::function<void()>& f);
  static bool IsMainThread();

 protected:
  virtual void Execute() = 0;

 private:
  struct State;
  void run();
  std::shared_ptr<State> state_;
  std::thread thread_;
  std::atomic<bool> terminated_{false}, finished_{false}, started_{false};
};

// Runs f on the main thread at a later turn of its event loop; any thread may
// call it (without an application object f runs at once). Every call handed
// to the main thread goes through here: the hand-over is the toolkit's own
// event, marked for ThreadSanitizer, which cannot see Qt's queue. What f
// reaches must be guarded by its own lifetime (a weak reference).
void PostToMainThread(std::function<void()> f);

// Runs the calls handed to the main thread by Synchronize that are waiting;
// a wait of the main thread for a worker calls it so that the two never block
// each other. Returns true when a call ran.
bool CheckSynchronize();

// Tells every wait (WaitFor, toolkit/Forms.h) that what it waits for may
// have changed: each asks again. Any thread may call it; a call handed to
// the main thread by Synchronize does too.
void WakeWaiters();

// How many waits of the main thread that serve it (WaitFor, toolkit/Forms.h)
// run now, one inside the other; a wait counts itself while a
// TWaitDepthCount of it lives.
int WaitDepth();
struct TWaitDepthCount {
  TWaitDepthCount();
  ~TWaitDepthCount();
  TWaitDepthCount(const TWaitDepthCount&) = delete;
  TWaitDepthCount& operator=(const TWaitDepthCount&) = delete;
};

// Where an exception escaping a call queued to the main thread goes (the
// controls layer shows it through the application object). Unset, it is
// swallowed.
void SetMainThreadExceptionHandler(std::function<void(std::exception_ptr)> handler);
void HandleMainThreadException(std::exception_ptr e);

// A manual- or auto-reset event with interruptible waits.
class TEvent {
 public:
  TEvent(bool manualReset, bool initialState) : manual_(manualReset), set_(initialState) {}
  void SetEvent();
  void ResetEvent();
  // true when signalled within timeoutMs (negative: no limit)
  bool WaitFor(int timeoutMs);
 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool manual_, set_;
};

using TCriticalSection = std::recursive_mutex;
