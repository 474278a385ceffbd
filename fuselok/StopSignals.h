// SIGTERM, SIGINT and SIGHUP: the session ending (logout), an interrupt from
// the terminal, the terminal going away. While a StopSignals lives they do not
// end the process where it stands, which could be in the middle of a page
// stream with a half-written file: each is handed to the window's thread
// through its event loop, where a running operation can end as a failure and
// the program leave in order. Received() tells afterwards which signal to end
// with. A signal that the program was started to ignore stays ignored.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

class StopSignals {
  public:
    // `onStop` runs on the thread that made this object, from its event
    // processing, once for each signal that arrived. One at a time.
    explicit StopSignals(std::function<void()> onStop);
    // The signals act as they did before again.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first of the signals that arrived; 0 while none has.
    static int Received();

  private:
    std::function<void()> onStop;
    std::unique_ptr<QSocketNotifier> notifier;
};
