// Termination requests from the system arrive as calls on the main thread;
// a file-size limit no longer kills the program.
#include <gtest/gtest.h>

#include <signal.h>

#include "toolkit/Forms.h"
#include "toolkit/Signals.h"

TEST(SignalsTest, TermAndHupBecomeMainThreadCallsAndXfszIsIgnored) {
  std::vector<int> got;
  InstallTerminationHandler([&](int sig) { got.push_back(sig); });
  ::raise(SIGTERM);
  ::raise(SIGHUP);
  for (int i = 0; i < 50 && got.size() < 2; ++i) Application->ProcessMessages();
  EXPECT_EQ(got, (std::vector<int>{SIGTERM, SIGHUP}));
  struct sigaction now {};
  ::sigaction(SIGXFSZ, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  InstallTerminationHandler(nullptr);
}
