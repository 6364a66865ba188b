#include "toolkit/Classes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QThread>
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

#include <algorithm>
#include <chrono>
#include <deque>

// ---------------------------------------------------------------------------
// TPersistent

void TPersistent::Assign(const TPersistent* Source) {
  throw EConvertError("Cannot assign a " + (Source ? Source->ClassName() : String("nil")) + " to a " + ClassName());
}

// ---------------------------------------------------------------------------
// TComponent

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

void TComponent::BeginDestroy() {
  state_.Include(csDestroying);
  for (TComponent* c : components_)
    if (!c->Destroying()) c->BeginDestroy();
}

TComponent::~TComponent() {
  BeginDestroy();
  // Everyone who asked is told that this component goes away.
  while (!freeNotifies_.empty()) {
    TComponent* c = freeNotifies_.back();
    freeNotifies_.pop_back();
    auto& theirs = c->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    c->Notification(this, true);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    // The remaining siblings hear of it, so that none keeps a pointer to it.
    Notification(c, true);
    components_.erase(std::remove(components_.begin(), components_.end(), c), components_.end());
    c->owner_ = nullptr;
    delete c;
  }
}

TComponent* TComponent::FindComponent(const String& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->Name(), name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
  if (!c || c->owner_ == this) return;
  if (c->owner_) c->owner_->RemoveComponent(c);
  components_.push_back(c);
  c->owner_ = this;
  Notification(c, false);
}

void TComponent::RemoveComponent(TComponent* c) {
  if (!c || c->owner_ != this) return;
  Notification(c, true);
  components_.erase(std::remove(components_.begin(), components_.end(), c), components_.end());
  c->owner_ = nullptr;
}

void TComponent::Notification(TComponent* AComponent, bool removing) {
  if (removing && AComponent) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), AComponent), freeNotifies_.end());
  }
  // Owned components hear about it too (a sibling's removal reaches them
  // through their common owner).
  for (int i = int(components_.size()) - 1; i >= 0; --i) {
    if (i >= int(components_.size())) {
      i = int(components_.size());
      continue;
    }
    TComponent* c = components_[size_t(i)];
    if (c != AComponent) c->Notification(AComponent, removing);
  }
}

void TComponent::FreeNotification(TComponent* c) {
  if (!c || c == this) return;
  // Components of one owner are told through the owner already.
  if (owner_ == nullptr || c->owner_ != owner_) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end()) freeNotifies_.push_back(c);
    auto& theirs = c->freeNotifies_;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* c) {
  if (!c) return;
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), c), freeNotifies_.end());
  auto& theirs = c->freeNotifies_;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

// ---------------------------------------------------------------------------
// TStrings

void ListIndexError(int index) { throw EListError(FormatA("List index out of bounds (%d)", index)); }

int TStrings::Add(const String& s) {
  int n = Count();
  Insert(n, s);
  return n;
}

int TStrings::AddObject(const String& s, TObject* o) {
  int i = Add(s);
  PutObject(i, o);
  return i;
}

void TStrings::AddStrings(const TStrings* s) {
  if (!s) return;
  BeginUpdate();
  try {
    int n = s->Count();
    for (int i = 0; i < n; ++i) AddObject(s->Get(i), s->GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const String& s) const {
  int n = Count();
  for (int i = 0; i < n; ++i)
    if (SameText(Get(i), s)) return i;
  return -1;
}

static bool splitNameValue(const String& line, String& name, String& value) {
  size_t p = line.find('=');
  if (p == String::npos) return false;
  name = line.substr(0, p);
  value = line.substr(p + 1);
  return true;
}

int TStrings::IndexOfName(const String& name) const {
  int n = Count();
  for (int i = 0; i < n; ++i) {
    String k, v;
    if (splitNameValue(Get(i), k, v) && SameText(k, name)) return i;
  }
  return -1;
}

String TStrings::Names(int i) const {
  String k, v;
  return splitNameValue(Get(i), k, v) ? k : String();
}

String TStrings::Values(const String& name) const {
  int i = IndexOfName(name);
  if (i < 0) return String();
  String s = Get(i);
  return s.substr(s.find('=') + 1);
}

void TStrings::SetValue(const String& name, const String& v) {
  int i = IndexOfName(name);
  if (v.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  if (i < 0) Add(name + "=" + v);
  else Put(i, name + "=" + v);
}

void TStrings::Move(int from, int to) {
  if (from == to) return;
  String s = Get(from);
  TObject* o = GetObject(from);
  BeginUpdate();
  try {
    Delete(from);
    Insert(to, s);
    PutObject(to, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Exchange(int a, int b) {
  String sa = Get(a), sb = Get(b);
  TObject* oa = GetObject(a);
  TObject* ob = GetObject(b);
  BeginUpdate();
  Put(a, sb);
  PutObject(a, ob);
  Put(b, sa);
  PutObject(b, oa);
  EndUpdate();
}

String TStrings::Text() const {
  String out;
  int n = Count();
  for (int i = 0; i < n; ++i) {
    out += Get(i);
    out += '\n';
  }
  return out;
}

void TStrings::SetText(const String& t) {
  BeginUpdate();
  try {
    Clear();
    size_t i = 0, n = t.size();
    while (i < n) {
      size_t j = i;
      while (j < n && t[j] != '\r' && t[j] != '\n') ++j;
      Add(t.substr(i, j - i));
      if (j < n && t[j] == '\r') ++j;
      if (j < n && t[j] == '\n') ++j;
      i = j;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TStrings::CommaText() const {
  String out;
  int n = Count();
  for (int i = 0; i < n; ++i) {
    String s = Get(i);
    bool quote = s.empty();
    for (unsigned char c : s)
      if (c <= ' ' || c == ',' || c == '"') quote = true;
    if (quote) {
      String q(1, '"');
      q += StringReplaceAll(s, "\"", "\"\"");
      q += '"';
      s = std::move(q);
    }
    if (i) out += ',';
    out += s;
  }
  if (n == 1 && Get(0).empty()) return "\"\"";
  return out;
}

void TStrings::SetCommaText(const String& t) {
  BeginUpdate();
  try {
    Clear();
    size_t p = 0, n = t.size();
    auto blank = [&](size_t k) { return k < n && static_cast<unsigned char>(t[k]) <= ' '; };
    while (blank(p)) ++p;
    while (p < n) {
      String s;
      if (t[p] == '"') {
        ++p;
        while (p < n) {
          if (t[p] == '"') {
            if (p + 1 < n && t[p + 1] == '"') {
              s += '"';
              p += 2;
              continue;
            }
            ++p;
            break;
          }
          s += t[p++];
        }
      } else {
        size_t b = p;
        while (p < n && static_cast<unsigned char>(t[p]) > ' ' && t[p] != ',') ++p;
        s = t.substr(b, p - b);
      }
      Add(s);
      while (blank(p)) ++p;
      if (p < n && t[p] == ',') {
        if (p + 1 == n) Add(String());
        ++p;
        while (blank(p)) ++p;
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::LoadFromFile(const String& fileName) { SetText(LoadTextFile(fileName)); }

void TStrings::SaveToFile(const String& fileName) const { SaveTextFile(fileName, Text()); }

void TStrings::Assign(const TPersistent* Source) {
  if (auto* s = dynamic_cast<const TStrings*>(Source)) {
    if (s == this) return;
    BeginUpdate();
    try {
      Clear();
      AddStrings(s);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// TStringList

void TStringList::checkIndex(int i, bool allowEnd) const {
  int n = Count();
  if (i < 0 || i > n || (!allowEnd && i == n)) ListIndexError(i);
}

int TStringList::compare(const String& a, const String& b) const {
  return CaseSensitive ? CompareStr(a, b) : CompareText(a, b);
}

String TStringList::Get(int i) const {
  checkIndex(i);
  return items_[size_t(i)].s;
}

void TStringList::Put(int i, const String& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  checkIndex(i);
  items_[size_t(i)].s = s;
  Changed();
}

TObject* TStringList::GetObject(int i) const {
  checkIndex(i);
  return items_[size_t(i)].o;
}

void TStringList::PutObject(int i, TObject* o) {
  checkIndex(i);
  items_[size_t(i)].o = o;
  Changed();
}

void TStringList::Insert(int i, const String& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  checkIndex(i, true);
  items_.insert(items_.begin() + i, Item{s, nullptr});
  Changed();
}

void TStringList::Delete(int i) {
  checkIndex(i);
  items_.erase(items_.begin() + i);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

int TStringList::Add(const String& s) {
  if (!sorted_) {
    items_.push_back(Item{s, nullptr});
    Changed();
    return int(items_.size()) - 1;
  }
  int idx;
  if (Find(s, idx)) {
    if (Duplicates == dupIgnore) return idx;
    if (Duplicates == dupError) throw EStringListError("String list does not allow duplicates");
    // dupAccept: after the equal ones
    while (idx < Count() && compare(items_[size_t(idx)].s, s) == 0) ++idx;
  }
  items_.insert(items_.begin() + idx, Item{s, nullptr});
  Changed();
  return idx;
}

int TStringList::IndexOf(const String& s) const {
  if (sorted_) {
    int idx;
    return Find(s, idx) ? idx : -1;
  }
  int n = Count();
  for (int i = 0; i < n; ++i)
    if (compare(items_[size_t(i)].s, s) == 0) return i;
  return -1;
}

bool TStringList::Find(const String& s, int& index) const {
  // First position whose item is not less than s.
  int lo = 0, hi = Count();
  while (lo < hi) {
    int mid = (lo + hi) / 2;
    if (compare(items_[size_t(mid)].s, s) < 0) lo = mid + 1;
    else hi = mid;
  }
  index = lo;
  return lo < Count() && compare(items_[size_t(lo)].s, s) == 0;
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return compare(a.s, b.s) < 0; });
  Changed();
}

void TStringList::SetSorted(bool v) {
  if (v == sorted_) return;
  if (v) Sort();
  sorted_ = v;
}

// ---------------------------------------------------------------------------
// Main-thread calls

namespace {

const std::thread::id g_startThread = std::this_thread::get_id();

struct SyncRequest {
  std::function<void()> f;
  std::exception_ptr error;
  bool done = false;
};

std::mutex g_syncMutex;
std::condition_variable g_syncCv;
std::deque<SyncRequest*> g_syncQueue;

std::mutex g_handlerMutex;
std::function<void(std::exception_ptr)> g_handler;

}  // namespace

void SetMainThreadExceptionHandler(std::function<void(std::exception_ptr)> handler) {
  std::lock_guard<std::mutex> g(g_handlerMutex);
  g_handler = std::move(handler);
}

void HandleMainThreadException(std::exception_ptr e) {
  std::function<void(std::exception_ptr)> h;
  {
    std::lock_guard<std::mutex> g(g_handlerMutex);
    h = g_handler;
  }
  if (!h) return;
  try {
    h(e);
  } catch (...) {
  }
}

bool TThread::IsMainThread() {
  if (QCoreApplication* app = QCoreApplication::instance()) return QThread::currentThread() == app->thread();
  return std::this_thread::get_id() == g_startThread;
}

bool CheckSynchronize() {
  if (!TThread::IsMainThread()) return false;
  bool ran = false;
  for (;;) {
    SyncRequest* r = nullptr;
    {
      std::lock_guard<std::mutex> g(g_syncMutex);
      if (g_syncQueue.empty()) break;
      r = g_syncQueue.front();
      g_syncQueue.pop_front();
    }
    try {
      r->f();
    } catch (...) {
      r->error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> g(g_syncMutex);
      r->done = true;
    }
    g_syncCv.notify_all();
    ran = true;
  }
  return ran;
}

namespace {
int g_waitDepth = 0;
}  // namespace

int WaitDepth() { return g_waitDepth; }
TWaitDepthCount::TWaitDepthCount() { ++g_waitDepth; }
TWaitDepthCount::~TWaitDepthCount() { --g_waitDepth; }

namespace {

#if defined(__SANITIZE_THREAD__)
void HandOver(void* p) { __tsan_release(p); }
void TakeOver(void* p) { __tsan_acquire(p); }
#else
void HandOver(void*) {}
void TakeOver(void*) {}
#endif

// A call on its way to the main thread: made and filled by the sender, then
// handed over; its receiver takes it over before it reads it.
class MainThreadCall : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const QEvent::Type kind = QEvent::Type(QEvent::registerEventType());
    return kind;
  }
  explicit MainThreadCall(std::function<void()> f) : QEvent(Kind()), f_(std::move(f)) {}
  void Run() { f_(); }
 private:
  std::function<void()> f_;
};

class MainThreadCalls : public QObject {
 public:
  explicit MainThreadCalls(QThread* main) { moveToThread(main); }
  bool event(QEvent* e) override {
    if (e->type() != MainThreadCall::Kind()) return QObject::event(e);
    TakeOver(e);
    static_cast<MainThreadCall*>(e)->Run();
    return true;
  }
};

}  // namespace

void PostToMainThread(std::function<void()> f) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) {
    f();
    return;
  }
  static MainThreadCalls* receiver = new MainThreadCalls(app->thread());   // lives as long as the process
  auto* call = new MainThreadCall(std::move(f));
  HandOver(call);
  QCoreApplication::postEvent(receiver, call);
}

void TThread::Synchronize(const std::function<void()>& f) {
  if (!f) return;
  QCoreApplication* app = QCoreApplication::instance();
  if (IsMainThread() || !app) {
    f();
    return;
  }
  SyncRequest req;
  req.f = f;
  {
    std::lock_guard<std::mutex> g(g_syncMutex);
    g_syncQueue.push_back(&req);
  }
  WakeWaiters();
  PostToMainThread([] { CheckSynchronize(); });
  {
    std::unique_lock<std::mutex> lk(g_syncMutex);
    while (!g_syncCv.wait_for(lk, std::chrono::milliseconds(50), [&] { return req.done; })) {
      if (!QCoreApplication::closingDown()) continue;
      // The main loop is gone: a call that has not started never will.
      auto it = std::find(g_syncQueue.begin(), g_syncQueue.end(), &req);
      if (it != g_syncQueue.end()) {
        g_syncQueue.erase(it);
        throw EThread("The application is closing; the call to the main thread was dropped");
      }
    }
  }
  if (req.error) std::rethrow_exception(req.error);
}

void TThread::Queue(const std::function<void()>& f) {
  if (!f) return;
  auto run = [f] {
    try {
      f();
    } catch (...) {
      HandleMainThreadException(std::current_exception());
    }
  };
  PostToMainThread(run);
}

// ---------------------------------------------------------------------------
// TThread

struct TThread::State {
  std::mutex m;
  std::condition_variable cv;
  bool gate = false;     // may run Execute
  bool cancel = false;   // destroyed before it ran
  bool finished = false;
  TThread* self = nullptr;
};

TThread::TThread(bool CreateSuspended) : state_(std::make_shared<State>()) {
  state_->self = this;
  if (!CreateSuspended) {
    started_ = true;
    std::shared_ptr<State> st = state_;
    thread_ = std::thread([this, st] {
      {
        std::unique_lock<std::mutex> lk(st->m);
        st->cv.wait(lk, [&] { return st->gate; });
        if (st->cancel) {
          st->finished = true;
          st->cv.notify_all();
          return;
        }
      }
      run();
    });
    // The derived constructors finish before the main loop turns again.
    if (QCoreApplication::instance()) {
      std::weak_ptr<State> w = st;
      PostToMainThread([w] {
        if (auto s = w.lock()) {
          std::lock_guard<std::mutex> g(s->m);
          s->gate = true;
          s->cv.notify_all();
        }
      });
    }
  }
}

void TThread::run() {
  try {
    Execute();
  } catch (...) {
    // An escaping exception ends the thread, never the process.
  }
  finished_ = true;
  std::shared_ptr<State> st = state_;
  {
    std::lock_guard<std::mutex> g(st->m);
    st->finished = true;
  }
  st->cv.notify_all();
  if (QCoreApplication::instance()) {
    PostToMainThread([st] {
      TThread* t;
      {
        std::lock_guard<std::mutex> g(st->m);
        t = st->self;
      }
      if (!t) return;
      if (t->OnTerminate) {
        try {
          t->OnTerminate(t);
        } catch (...) {
          HandleMainThreadException(std::current_exception());
        }
      }
      {
        std::lock_guard<std::mutex> g(st->m);
        if (st->self != t) return;  // freed by the handler
      }
      if (t->FreeOnTerminate) delete t;
    });
  }
}

TThread::~TThread() {
  terminated_ = true;
  {
    std::lock_guard<std::mutex> g(state_->m);
    if (!state_->gate) {
      state_->cancel = true;
      state_->gate = true;
    }
    state_->self = nullptr;
  }
  state_->cv.notify_all();
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();  // freed from its own Execute: nothing left to wait for
    } else {
      if (IsMainThread()) {
        std::unique_lock<std::mutex> lk(state_->m);
        while (!state_->finished) {
          lk.unlock();
          CheckSynchronize();
          lk.lock();
          state_->cv.wait_for(lk, std::chrono::milliseconds(5), [&] { return state_->finished; });
        }
      }
      thread_.join();
    }
  }
}

void TThread::Start() {
  if (!started_) {
    started_ = true;
    {
      std::lock_guard<std::mutex> g(state_->m);
      state_->gate = true;
    }
    thread_ = std::thread([this] { run(); });
    return;
  }
  std::lock_guard<std::mutex> g(state_->m);
  if (!state_->gate) {
    state_->gate = true;
    state_->cv.notify_all();
  }
}

void TThread::Terminate() { terminated_ = true; }

int TThread::WaitFor() {
  if (!started_) return ReturnValue;
  if (thread_.get_id() == std::this_thread::get_id()) throw EThread("Thread cannot wait for itself");
  {
    std::lock_guard<std::mutex> g(state_->m);
    if (!state_->gate) state_->gate = true;
  }
  state_->cv.notify_all();
  bool main = IsMainThread();
  {
    std::unique_lock<std::mutex> lk(state_->m);
    while (!state_->finished) {
      if (main) {
        lk.unlock();
        CheckSynchronize();
        lk.lock();
        state_->cv.wait_for(lk, std::chrono::milliseconds(5), [&] { return state_->finished; });
      } else {
        state_->cv.wait(lk, [&] { return state_->finished; });
      }
    }
  }
  if (thread_.joinable()) thread_.join();
  return ReturnValue;
}

// ---------------------------------------------------------------------------
// TEvent

void TEvent::SetEvent() {
  {
    std::lock_guard<std::mutex> g(m_);
    set_ = true;
  }
  if (manual_) cv_.notify_all();
  else cv_.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard<std::mutex> g(m_);
  set_ = false;
}

bool TEvent::WaitFor(int timeoutMs) {
  std::unique_lock<std::mutex> lk(m_);
  bool ok;
  if (timeoutMs < 0) {
    cv_.wait(lk, [&] { return set_; });
    ok = true;
  } else {
    ok = cv_.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&] { return set_; });
  }
  if (ok && !manual_) set_ = false;
  return ok;
}
