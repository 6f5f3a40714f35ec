#include "platform/files/ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace mvq {
namespace {

namespace fs = std::filesystem;

// Paths the signal path may unlink: a fixed table, as a handler may not allocate.
constexpr int kSlots = 8;
constexpr size_t kPathMax = 4096;
char g_paths[kSlots][kPathMax];
std::atomic<bool> g_used[kSlots];

int Claim(const std::string& path) {
  if (path.size() >= kPathMax) return -1;
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (!g_used[i].compare_exchange_strong(expected, true)) continue;
    std::memcpy(g_paths[i], path.c_str(), path.size() + 1);
    return i;
  }
  return -1;  // not covered by the signal path; the destructor still removes it
}

void Release(int slot) {
  if (slot >= 0) g_used[slot].store(false);
}

std::string FolderOf(const std::string& target) {
  const fs::path parent = fs::path(target).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

SaveFailure::SaveFailure(std::string path, std::string cause)
    : path_(std::move(path)),
      cause_(std::move(cause)),
      message_("保存文件" + path_ + "失败:" + cause_) {}

std::string WriteFailureCause(const std::string& folder, int errnoValue,
                              const std::string& detail) {
  switch (errnoValue) {
    case ENOSPC:
    case EDQUOT:
      return "磁盘空间不足";
    case ENOENT:
    case ENOTDIR:
      return "文件夹" + folder + "不存在";
    case EACCES:
    case EPERM:
      return "没有写入文件夹" + folder + "的权限";
    case EROFS:
      return "文件夹" + folder + "在只读的文件系统上";
    default:
      break;
  }
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return "文件夹" + folder + "不存在";
  if (::access(folder.c_str(), W_OK) != 0) return "没有写入文件夹" + folder + "的权限";
  struct statvfs vfs {};
  // The writers' libraries do not keep errno: a folder with almost no room left names it.
  if (::statvfs(folder.c_str(), &vfs) == 0 &&
      static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize < (64u << 10))
    return "磁盘空间不足";
  return detail.empty() && errnoValue != 0 ? std::strerror(errnoValue) : detail;
}

ReplacingFile::ReplacingFile(const std::string& target) : target_(target) {
  const std::string folder = FolderOf(target);
  std::string pattern = folder + "/." + fs::path(target).filename().string() + ".mvq-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    const int e = errno;
    throw SaveFailure(target, WriteFailureCause(folder, e, std::strerror(e)));
  }
  // mkstemp makes the file private; the saved file gets the old one's mode, else the usual.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    ::fchmod(fd, st.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  ::close(fd);
  temp_ = pattern;
  slot_ = Claim(temp_);
}

ReplacingFile::~ReplacingFile() {
  if (!committed_) ::unlink(temp_.c_str());
  Release(slot_);
}

void ReplacingFile::Commit() {
  const std::string folder = FolderOf(target_);
  const int fd = ::open(temp_.c_str(), O_RDWR);
  int e = 0;
  if (fd < 0 || ::fsync(fd) != 0) e = errno;
  if (fd >= 0) ::close(fd);
  if (e == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0) e = errno;
  if (e != 0) throw SaveFailure(target_, WriteFailureCause(folder, e, std::strerror(e)));
  committed_ = true;
  SyncFolder(folder);
}

void RemovePendingFiles() noexcept {
  for (int i = 0; i < kSlots; ++i) {
    if (g_used[i].load()) ::unlink(g_paths[i]);
  }
}

}  // namespace mvq
