// Runs the app probe (tests/app/probe) as a launcher of its own: a hard link
// of the probe in a temporary folder (so "install.ini" and "channel.ini" can
// lie beside it), a temporary data folder, registry file and portal hosts.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "testsupport/TempDir.h"

namespace apptest {

struct ProbeRun {
  bool finished = false;  // ended by itself within the time limit
  int status = 0;         // as waitpid reports it
  int pid = 0;
  std::string output;
  // Records of one kind ("box", "launch", "foreign", "result"), fields split.
  std::vector<std::vector<std::string>> Records(const std::string& kind) const;
};

class LauncherProbe {
 public:
  LauncherProbe();

  const std::filesystem::path& folder() const { return dir_.path(); }
  std::filesystem::path exeFolder() const { return dir_.path() / "bin"; }
  std::filesystem::path dataHome() const { return dir_.path() / "data"; }
  std::filesystem::path installFolder() const { return dataHome() / "lumora" / "install"; }

  void WriteBesideExe(const std::string& name, const std::string& bytes);
  void SetInstalledClient(const std::string& programPath);
  // Environment entries for the run; a value of nullopt removes the variable.
  void SetEnv(const std::string& name, std::optional<std::string> value) { env_[name] = std::move(value); }

  ProbeRun Run(const std::vector<std::string>& args, const std::string& answers = "");

 private:
  testsupport::TempDir dir_;
  std::map<std::string, std::optional<std::string>> env_;
};

}  // namespace apptest
