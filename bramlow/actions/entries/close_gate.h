#pragma once

namespace bramlow {

// A close request that arrives while the installation runs (it handles window messages
// while it waits and copies) must not release what the installation still uses: the
// request is noted and carried out once the work has ended.
class CloseGate {
 public:
  bool Busy() const { return depth_ > 0; }
  // The close box was used: true when the window may close now; false when the request was
  // noted for later.
  bool RequestClose();
  // Whether a close was requested while busy; clears the note. Meaningful once not busy.
  bool TakeDeferredClose();

  // Marks the installation as running for its lifetime; nests.
  class Work {
   public:
    explicit Work(CloseGate& gate) : gate_(gate) { ++gate_.depth_; }
    ~Work() { --gate_.depth_; }
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;

   private:
    CloseGate& gate_;
  };

 private:
  int depth_ = 0;
  bool deferred_ = false;
};

}  // namespace bramlow
