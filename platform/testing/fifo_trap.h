// Test helper: a FIFO under a file's name that tells whether anything opened it for reading.
//
// Opening a FIFO for reading waits for a writer. The trap plays that writer as soon as a reader
// appears and closes again at once, so a reader that should have refused the FIFO gets an empty
// file and the test fails on opened() instead of hanging.
//
//   #include <gtest/gtest.h>
//   // given: struct Reader { int OpenScriptFile(std::string&, std::string&, int); } file_io
//   // given: std::filesystem::path folder; std::string path, text; int kResultOpenFailed
//   FifoTrap trap(folder / "song.kvx");
//   EXPECT_EQ(file_io.OpenScriptFile(path, text, ...), kResultOpenFailed);
//   EXPECT_FALSE(trap.opened());
#ifndef VTR_PLATFORM_TESTING_FIFO_TRAP_H_
#define VTR_PLATFORM_TESTING_FIFO_TRAP_H_

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

namespace vtr::platform::testing {

class FifoTrap {
 public:
  explicit FifoTrap(std::filesystem::path path) : path_(std::move(path)) {
    made_ = ::mkfifo(path_.c_str(), 0600) == 0;
    if (made_) watcher_ = std::thread([this] { Watch(); });
  }
  ~FifoTrap() {
    stop_ = true;
    if (watcher_.joinable()) watcher_.join();
    std::error_code ignored;
    if (made_) std::filesystem::remove(path_, ignored);
  }
  FifoTrap(const FifoTrap&) = delete;
  FifoTrap& operator=(const FifoTrap&) = delete;

  // False when the FIFO could not be made (the test should not go on).
  bool made() const { return made_; }
  // True once a reader opened the FIFO.
  bool opened() const { return opened_; }

 private:
  void Watch() {
    while (!stop_) {
      // A write end opens without waiting only while a reader holds the FIFO open.
      const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        opened_ = true;
        ::close(fd);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  std::filesystem::path path_;
  bool made_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<bool> opened_{false};
  std::thread watcher_;
};

}  // namespace vtr::platform::testing

#endif  // VTR_PLATFORM_TESTING_FIFO_TRAP_H_
