// lumora-portal: runs the local Lumora portal until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "portal/Options.h"
#include "portal/Portal.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  portal::CommandLine command = portal::ParseCommandLine(args);
  if (!command.ok) {
    std::cerr << "lumora-portal: " << command.error << "\nTry 'lumora-portal --help'.\n";
    return 2;
  }
  if (command.help) {
    std::cout << portal::HelpText();
    return 0;
  }

  // Block the stop signals before any server thread exists, so that every
  // thread inherits the mask and only the sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  portal::Portal server(command.options);
  std::string error;
  if (!server.Start(&error)) {
    std::cerr << "lumora-portal: " << error << "\n";
    return 1;
  }
  // The one line on standard output, for scripts that export it.
  std::cout << server.HostsLine() << std::endl;
  std::cerr << "lumora-portal: serving, data in " << command.options.dataDir.string() << "\n";

  int received = 0;
  sigwait(&stopSignals, &received);
  std::cerr << "lumora-portal: stopping\n";
  server.Stop();
  return 0;
}
