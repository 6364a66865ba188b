// Termination requests from the system arrive as calls on the main thread;
// a file-size limit no longer kills the program.
#include <gtest/gtest.h>

#include <signal.h>

#include <QDialog>

#include "toolkit/Forms.h"
#include "toolkit/Signals.h"

TEST(SignalsTest, TermAndHupBecomeMainThreadCallsAndXfszIsIgnored) {
  std::vector<int> got;
  InstallTerminationHandler([&](int sig) { got.push_back(sig); });
  QDialog box;   // an open box would hold the program up: it is cancelled
  box.setModal(true);
  box.show();
  ::raise(SIGTERM);
  ::raise(SIGHUP);
  for (int i = 0; i < 50 && got.size() < 2; ++i) Application->ProcessMessages();
  EXPECT_EQ(got, (std::vector<int>{SIGTERM, SIGHUP}));
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.result(), QDialog::Rejected);
  struct sigaction now {};
  ::sigaction(SIGXFSZ, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  InstallTerminationHandler(nullptr);
}
