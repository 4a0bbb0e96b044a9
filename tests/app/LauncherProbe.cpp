#include "app/LauncherProbe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace apptest {

std::vector<std::vector<std::string>> ProbeRun::Records(const std::string& kind) const {
  std::vector<std::vector<std::string>> records;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::vector<std::string> fields;
    std::size_t fieldStart = start;
    for (std::size_t i = start; i <= end; ++i) {
      if (i == end || output[i] == '\t') {
        fields.push_back(output.substr(fieldStart, i - fieldStart));
        fieldStart = i + 1;
      }
    }
    if (!fields.empty() && fields[0] == kind) {
      fields.erase(fields.begin());
      records.push_back(fields);
    }
    start = end + 1;
  }
  return records;
}

LauncherProbe::LauncherProbe() {
  std::filesystem::create_directories(exeFolder());
  std::filesystem::create_directories(dataHome());
  const std::filesystem::path probe = exeFolder() / "app_probe";
  std::error_code ec;
  std::filesystem::create_hard_link(LUMORA_APP_PROBE, probe, ec);
  if (ec) std::filesystem::copy_file(LUMORA_APP_PROBE, probe);
  env_["XDG_DATA_HOME"] = dataHome().string();
  env_["XDG_CONFIG_HOME"] = (dir_.path() / "config").string();
  env_["XDG_CACHE_HOME"] = (dir_.path() / "cache").string();
  env_["LUMORA_REGISTRY"] = (dir_.path() / "registry.reg").string();
  env_["LUMORA_PLATFORM"] = "headless";
  env_["LUMORA_WOW64"] = "0";
  env_["LUMORA_SHELL_LOG"] = std::nullopt;
  env_["LUMORA_CRASH_REPORT"] = std::nullopt;
  env_["LUMORA_PORTAL_HOSTS"] = std::nullopt;
  for (const char* role : {"API", "WEB", "STATS", "FORUM", "GAME", "PARTNER", "DOWNLOAD"}) {
    env_[std::string("LUMORA_PORTAL_") + role + "_HOST"] = std::nullopt;
  }
}

void LauncherProbe::WriteBesideExe(const std::string& name, const std::string& bytes) {
  testsupport::WriteFileBytes(exeFolder() / name, bytes);
}

void LauncherProbe::SetInstalledClient(const std::string& programPath) {
  testsupport::WriteFileBytes(dir_.path() / "registry.reg",
                              "Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                              "{87564C08-AF8A-4684-ACA7-030AE5B0060F}}_is1]\r\n"
                              "\"DisplayIcon\"=\"" +
                                  programPath + "\"\r\n");
}

ProbeRun LauncherProbe::Run(const std::vector<std::string>& args, const std::string& answers) {
  std::map<std::string, std::string> merged;
  for (char** e = environ; *e != nullptr; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq != nullptr) merged[std::string(*e, static_cast<std::size_t>(eq - *e))] = eq + 1;
  }
  for (const auto& [name, value] : env_) {
    if (value) {
      merged[name] = *value;
    } else {
      merged.erase(name);
    }
  }
  merged["PROBE_ANSWERS"] = answers;
  std::vector<std::string> envText;
  for (const auto& [name, value] : merged) envText.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& entry : envText) envp.push_back(entry.data());
  envp.push_back(nullptr);

  const std::string program = (exeFolder() / "app_probe").string();
  std::vector<std::string> argText{program};
  argText.insert(argText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : argText) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    if (chdir(dir_.path().c_str()) != 0) _exit(126);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);

  ProbeRun run;
  run.pid = pid;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  char buffer[4096];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    if (left <= 0) break;
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    const ssize_t n = read(out[0], buffer, sizeof(buffer));
    if (n <= 0) {
      run.finished = true;
      break;
    }
    run.output.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  if (!run.finished) kill(pid, SIGKILL);
  waitpid(pid, &run.status, 0);
  return run;
}

}  // namespace apptest
