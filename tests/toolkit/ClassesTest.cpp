#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <fstream>

#include "toolkit/Classes.h"

namespace {

// Runs the main loop until pred holds (or a generous limit passes).
template <class P>
bool pumpUntil(P pred, int limitMs = 5000) {
  int64_t end = GetTickCount64() + limitMs;
  while (!pred() && GetTickCount64() < end) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    CheckSynchronize();
  }
  return pred();
}

// Records its own destruction in a shared log.
class Logged : public TComponent {
 public:
  Logged(TComponent* owner, const String& name, std::vector<String>* log) : TComponent(owner), log_(log) {
    SetName(name);
  }
  ~Logged() override {
    DestroyComponents();  // owned components go while this part still exists
    log_->push_back(Name());
  }
  void Notification(TComponent* c, bool removing) override {
    TComponent::Notification(c, removing);
    if (removing) log_->push_back(Name() + " heard " + c->Name());
  }

 private:
  std::vector<String>* log_;
};

}  // namespace

// --- Components --------------------------------------------------------------

TEST(ComponentTest, OwnerFreesOwnedComponentsLastCreatedFirst) {
  std::vector<String> log;
  auto* root = new Logged(nullptr, "root", &log);
  new Logged(root, "a", &log);
  auto* b = new Logged(root, "b", &log);
  new Logged(b, "b1", &log);
  new Logged(root, "c", &log);
  EXPECT_EQ(root->ComponentCount(), 3);
  EXPECT_EQ(root->FindComponent("B"), b);
  EXPECT_EQ(root->FindComponent("zzz"), nullptr);
  EXPECT_THROW(root->Components(3), EListError);
  log.clear();
  delete root;
  // Only destructions are listed (owned components are removed silently).
  std::vector<String> order;
  for (auto& s : log)
    if (s.find(' ') == String::npos) order.push_back(s);
  EXPECT_EQ(order, (std::vector<String>{"c", "b1", "b", "a", "root"}));
  // Siblings still alive are told of each one that goes.
  EXPECT_NE(std::find(log.begin(), log.end(), "a heard c"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "a heard b"), log.end());
  EXPECT_EQ(std::find(log.begin(), log.end(), "c heard a"), log.end());
}

TEST(ComponentTest, FreeingAnOwnedComponentRemovesItFromItsOwner) {
  std::vector<String> log;
  Logged root(nullptr, "root", &log);
  auto* a = new Logged(&root, "a", &log);
  new Logged(&root, "b", &log);
  delete a;
  ASSERT_EQ(root.ComponentCount(), 1);
  EXPECT_EQ(root.Components(0)->Name(), "b");
  // The owner and the remaining sibling were told.
  EXPECT_NE(std::find(log.begin(), log.end(), "root heard a"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "b heard a"), log.end());
}

TEST(ComponentTest, FreeNotificationAcrossOwners) {
  std::vector<String> log;
  Logged x(nullptr, "x", &log);
  auto* y = new Logged(nullptr, "y", &log);
  y->FreeNotification(&x);
  delete y;
  EXPECT_NE(std::find(log.begin(), log.end(), "x heard y"), log.end());
  // After RemoveFreeNotification nothing is heard.
  log.clear();
  auto* z = new Logged(nullptr, "z", &log);
  z->FreeNotification(&x);
  z->RemoveFreeNotification(&x);
  delete z;
  EXPECT_EQ(std::find(log.begin(), log.end(), "x heard z"), log.end());
}

TEST(ComponentTest, InsertAndRemoveComponentMoveOwnership) {
  TComponent a(nullptr), b(nullptr);
  auto* c = new TComponent(&a);
  b.InsertComponent(c);
  EXPECT_EQ(c->Owner(), &b);
  EXPECT_EQ(a.ComponentCount(), 0);
  EXPECT_EQ(b.ComponentCount(), 1);
  b.RemoveComponent(c);
  EXPECT_EQ(c->Owner(), nullptr);
  delete c;
}

TEST(PersistentTest, AssignOfUnrelatedClassesRaises) {
  TStringList l;
  TComponent c(nullptr);
  try {
    l.Assign(&c);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Cannot assign a TComponent to a TStringList");
  }
}

// --- String lists ------------------------------------------------------------

TEST(StringListTest, IndexErrors) {
  TStringList l;
  l.Add("a");
  try {
    l.Get(1);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message, "List index out of bounds (1)");
  }
  EXPECT_THROW(l.Get(-1), EListError);
  EXPECT_THROW(l.Delete(5), EListError);
  EXPECT_THROW(l.Put(1, "x"), EListError);
  EXPECT_THROW(l.Insert(2, "x"), EListError);
  EXPECT_THROW(l.PutObject(-2, nullptr), EListError);
  EXPECT_THROW(ListIndexError(7), EListError);
  l.Insert(1, "b");  // inserting at Count is allowed
  EXPECT_EQ(l.Count(), 2);
}

TEST(StringListTest, UnsortedOperations) {
  TStringList l;
  int changes = 0;
  l.OnChange = [&](TObject*) { ++changes; };
  l.Add("one");
  l.Add("Two");
  l.Add("three");
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(l.IndexOf("TWO"), 1);
  l.CaseSensitive = true;
  EXPECT_EQ(l.IndexOf("TWO"), -1);
  l.CaseSensitive = false;
  l.Move(0, 2);
  EXPECT_EQ(l.Text(), "Two\nthree\none\n");
  l.Exchange(0, 2);
  EXPECT_EQ(l.Text(), "one\nthree\nTwo\n");
  l.BeginUpdate();
  l.Delete(0);
  l.Delete(0);
  int before = changes;
  l.EndUpdate();
  EXPECT_EQ(changes, before + 1);
  EXPECT_EQ(l.Count(), 1);
  // An unmatched EndUpdate does not silence later changes.
  l.EndUpdate();
  before = changes;
  l.Add("four");
  EXPECT_EQ(changes, before + 1);
}

TEST(StringListTest, SortedListsFindAndDuplicates) {
  TStringList l;
  l.SetSorted(true);
  l.Add("delta");
  l.Add("Alpha");
  l.Add("charlie");
  l.Add("bravo");
  EXPECT_EQ(l.Text(), "Alpha\nbravo\ncharlie\ndelta\n");
  int idx = -1;
  EXPECT_TRUE(l.Find("CHARLIE", idx));
  EXPECT_EQ(idx, 2);
  EXPECT_FALSE(l.Find("c", idx));
  EXPECT_EQ(idx, 2);  // where it would go
  EXPECT_EQ(l.IndexOf("BRAVO"), 1);
  // dupIgnore keeps one copy and returns its index.
  EXPECT_EQ(l.Add("bravo"), 1);
  EXPECT_EQ(l.Count(), 4);
  l.Duplicates = dupError;
  EXPECT_THROW(l.Add("Bravo"), EStringListError);
  l.Duplicates = dupAccept;
  l.Add("Bravo");
  EXPECT_EQ(l.Count(), 5);
  EXPECT_THROW(l.Insert(0, "x"), EStringListError);
  EXPECT_THROW(l.Put(0, "x"), EStringListError);
  // Case-sensitive order puts capitals first.
  TStringList cs;
  cs.CaseSensitive = true;
  cs.SetText("b\nB\na\n");
  cs.Sort();
  EXPECT_EQ(cs.Text(), "B\na\nb\n");
}

TEST(StringListTest, TextNamesValuesAndCommaText) {
  TStringList l;
  l.SetText("a=1\r\nB=2\rc\n\nlast");
  ASSERT_EQ(l.Count(), 5);
  EXPECT_EQ(l.Get(3), "");
  EXPECT_EQ(l.Values("b"), "2");
  EXPECT_EQ(l.Names(0), "a");
  EXPECT_EQ(l.IndexOfName("C"), -1);
  l.SetValue("a", "9");
  EXPECT_EQ(l.Get(0), "a=9");
  l.SetValue("new", "x");
  EXPECT_EQ(l.Get(l.Count() - 1), "new=x");
  l.SetValue("new", "");
  EXPECT_EQ(l.IndexOfName("new"), -1);

  TStringList c;
  c.SetCommaText("one, \"two words\",\"say \"\"hi\"\"\",,last,");
  ASSERT_EQ(c.Count(), 6);
  EXPECT_EQ(c.Get(1), "two words");
  EXPECT_EQ(c.Get(2), "say \"hi\"");
  EXPECT_EQ(c.Get(3), "");
  EXPECT_EQ(c.Get(5), "");
  TStringList d;
  d.SetCommaText(c.CommaText());
  EXPECT_EQ(d.Text(), c.Text());
}

TEST(StringListTest, FilesRoundTripThroughUtf8AndReadLegacyText) {
  char tmpl[] = "/tmp/tk_classes_XXXXXX";
  String dir = mkdtemp(tmpl);
  {
    std::ofstream f(dir + "/Old.txt", std::ios::binary);
    f << "\xD1\xEF\xE0\xF0\xF2\xE0\xEA\r\n\xC7\xE5\xED\xE8\xF2\r\n";  // Спартак, Зенит in 1251
  }
  TStringList l;
  l.LoadFromFile(dir + "\\old.TXT");
  ASSERT_EQ(l.Count(), 2);
  EXPECT_EQ(l.Get(0), "Спартак");
  EXPECT_EQ(l.Get(1), "Зенит");
  l.SaveToFile(dir + "/new.txt");
  TStringList m;
  m.LoadFromFile(dir + "/new.txt");
  EXPECT_EQ(m.Text(), l.Text());
  EXPECT_THROW(m.LoadFromFile(dir + "/missing.txt"), EFOpenError);
  EXPECT_THROW(m.SaveToFile(dir + "/Old.txt/sub.txt"), EFCreateError);
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(StringListTest, ObjectsFollowTheirStrings) {
  TStringList l;
  TObject o1, o2;
  l.AddObject("x", &o1);
  l.AddObject("y", &o2);
  l.Exchange(0, 1);
  EXPECT_EQ(l.GetObject(0), &o2);
  TStringList copy;
  copy.Assign(&l);
  EXPECT_EQ(copy.GetObject(1), &o1);
  l.SetSorted(true);
  EXPECT_EQ(l.Get(0), "x");
  EXPECT_EQ(l.GetObject(0), &o1);
}

// --- Threads -----------------------------------------------------------------

namespace {

class CountingThread : public TThread {
 public:
  explicit CountingThread(bool suspended) : TThread(suspended) {}
  std::atomic<int> loops{0};
  std::function<void()> body;

 protected:
  void Execute() override {
    if (body) {
      body();
      return;
    }
    while (!Terminated()) {
      ++loops;
      ::Sleep(1);
    }
  }
};

}  // namespace

TEST(ThreadTest, SynchronizeRunsOnTheMainThreadAndWaits) {
  CountingThread t(true);
  std::atomic<bool> ranOnMain{false};
  std::atomic<int> afterSync{0};
  t.body = [&] {
    int value = 0;
    TThread::Synchronize([&] {
      ranOnMain = TThread::IsMainThread();
      value = 42;
    });
    afterSync = value;  // Synchronize returned after the call ran
  };
  t.Start();
  t.WaitFor();  // the wait of the main thread lets the call through
  EXPECT_TRUE(ranOnMain);
  EXPECT_EQ(afterSync, 42);
}

TEST(ThreadTest, SynchronizePassesExceptionsBackToTheWorker) {
  CountingThread t(true);
  std::atomic<bool> caught{false};
  t.body = [&] {
    try {
      TThread::Synchronize([] { throw EConvertError("bad"); });
    } catch (const EConvertError&) {
      caught = true;
    }
  };
  t.Start();
  t.WaitFor();
  EXPECT_TRUE(caught);
}

TEST(ThreadTest, QueueRunsLaterOnTheMainThread) {
  std::atomic<int> ran{0};
  std::atomic<bool> onMain{false};
  CountingThread t(true);
  t.body = [&] {
    TThread::Queue([&] {
      onMain = TThread::IsMainThread();
      ++ran;
    });
  };
  t.Start();
  t.WaitFor();
  EXPECT_TRUE(pumpUntil([&] { return ran.load() == 1; }));
  EXPECT_TRUE(onMain);
  // From the main thread it is posted, not run at once.
  bool direct = false;
  TThread::Queue([&] { direct = true; });
  EXPECT_FALSE(direct);
  EXPECT_TRUE(pumpUntil([&] { return direct; }));
}

TEST(ThreadTest, TerminateWaitForAndOnTerminate) {
  auto* t = new CountingThread(false);
  bool terminated = false;
  bool senderOk = false;
  t->OnTerminate = [&](TObject* s) {
    terminated = TThread::IsMainThread();
    senderOk = s == t;
  };
  // Starts once the main loop turns.
  EXPECT_TRUE(pumpUntil([&] { return t->loops.load() > 2; }));
  t->Terminate();
  EXPECT_EQ(t->WaitFor(), 0);
  EXPECT_TRUE(t->Finished());
  EXPECT_TRUE(pumpUntil([&] { return terminated; }));
  EXPECT_TRUE(senderOk);
  delete t;
}

TEST(ThreadTest, DestroyingARunningThreadStopsIt) {
  auto* t = new CountingThread(true);
  t->Start();
  while (t->loops.load() == 0) ::Sleep(1);
  bool told = false;
  t->OnTerminate = [&](TObject*) { told = true; };
  delete t;  // terminates and joins
  // The queued OnTerminate of a destroyed thread never runs.
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_FALSE(told);
  // A thread that never started is destroyed without running.
  auto* idle = new CountingThread(true);
  delete idle;
  auto* cancelled = new CountingThread(false);
  delete cancelled;  // before the main loop let it start
}

TEST(ThreadTest, ExceptionsInExecuteDoNotEndTheProcess) {
  CountingThread t(true);
  t.body = [] { throw std::runtime_error("boom"); };
  t.Start();
  t.WaitFor();
  EXPECT_TRUE(t.Finished());
}

TEST(ThreadTest, FreeOnTerminateDeletesAfterOnTerminate) {
  struct Flagged : CountingThread {
    bool* gone;
    Flagged(bool* g) : CountingThread(true), gone(g) {}
    ~Flagged() override { *gone = true; }
  };
  bool gone = false;
  auto* t = new Flagged(&gone);
  t->FreeOnTerminate = true;
  t->body = [] {};
  t->Start();
  EXPECT_TRUE(pumpUntil([&] { return gone; }));
}

TEST(EventTest, ManualAndAutoReset) {
  TEvent manual(true, false);
  EXPECT_FALSE(manual.WaitFor(0));
  manual.SetEvent();
  EXPECT_TRUE(manual.WaitFor(0));
  EXPECT_TRUE(manual.WaitFor(0));  // stays set
  manual.ResetEvent();
  EXPECT_FALSE(manual.WaitFor(1));

  TEvent autoEv(false, true);
  EXPECT_TRUE(autoEv.WaitFor(0));
  EXPECT_FALSE(autoEv.WaitFor(0));  // consumed

  TEvent wake(false, false);
  std::thread th([&] { wake.SetEvent(); });
  EXPECT_TRUE(wake.WaitFor(-1));
  th.join();
}
