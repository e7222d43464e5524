// Path trust (see path_trust.h): stat and the owner and mode bits it reports.
#include "runtime/os/path_trust.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace tolvex::os {
namespace {

// Someone else who could write the entry could put their own code in it.
bool IsOwnAndClosed(const struct stat& info) {
  return (info.st_uid == geteuid() || info.st_uid == 0) &&
         (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The directory holding `path`, checked as above; "." for a bare name.
bool IsTrustedDirectoryOf(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  struct stat info;
  return stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && IsOwnAndClosed(info);
}

}  // namespace

bool IsTrustedPath(const char* path) {
  char resolved[PATH_MAX];
  if (realpath(path, resolved) == nullptr) return false;
  struct stat info;
  // A regular file only: loading a FIFO would block, a device means nothing.
  return stat(resolved, &info) == 0 && S_ISREG(info.st_mode) && IsOwnAndClosed(info) &&
         IsTrustedDirectoryOf(resolved) && IsTrustedDirectoryOf(path);
}

bool IsClosedToOthers(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && (info.st_mode & S_IWOTH) == 0;
}

}  // namespace tolvex::os
