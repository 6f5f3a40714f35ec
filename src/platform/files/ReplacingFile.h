#pragma once
// A file written beside its target under a temporary name and moved over the target only
// once it is complete and on disk, so that a failure, a cancel or an interrupt leaves the
// old target as it was and no partial file behind.
#include <exception>
#include <string>

namespace mvq {

class ReplacingFile {
 public:
  // Creates the empty temporary file in target's folder; throws SaveFailure.
  explicit ReplacingFile(const std::string& target);
  // Removes the temporary file unless Commit succeeded.
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  const std::string& Target() const { return target_; }
  // Where the writer writes; it may reopen or recreate the file under this name.
  const std::string& TempPath() const { return temp_; }
  // Flushes the temporary file to disk and renames it over the target; throws SaveFailure.
  void Commit();

 private:
  std::string target_;
  std::string temp_;
  int slot_ = -1;  // in the table that RemovePendingFiles walks
  bool committed_ = false;
};

// A file that could not be saved: what() is a Chinese sentence naming the cause and path.
class SaveFailure : public std::exception {
 public:
  SaveFailure(std::string path, std::string cause);
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Path() const { return path_; }
  const std::string& Cause() const { return cause_; }

 private:
  std::string path_, cause_, message_;
};

// The cause of a failed write into folder, in Chinese: errnoValue when it names one, else
// what the folder shows (missing, not writable, full), else detail.
std::string WriteFailureCause(const std::string& folder, int errnoValue, const std::string& detail);

// Unlinks every temporary file still under way. Async-signal-safe: for an interrupt that
// ends the program.
void RemovePendingFiles() noexcept;

}  // namespace mvq
