// Start-up timer: runs several commands round-robin, each with the same file on standard input
// and standard output to /dev/null, and prints the median and minimum wall time of each.
// Interleaving keeps a busy machine's drift out of the comparison; no shell is involved.
//
//   spawn_timer RUNS WARMUP INPUT NAME1 CMD1 [ARGS...] ::: NAME2 CMD2 [ARGS...] ...

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TCommand {
  std::string Name;
  std::vector<char*> Argv;  // null-terminated
  std::vector<double> Millis;
};

/// Runs one command to its end; returns its wall time in milliseconds, or -1 when it failed.
double RunOnce(TCommand& command, const char* input) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int in = open(input, O_RDONLY);
    const int out = open("/dev/null", O_WRONLY);
    if (in < 0 || out < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    execv(command.Argv[0], command.Argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double, std::milli>(end - start).count();
}

std::vector<TCommand> ParseCommands(int argc, char** argv, int first) {
  std::vector<TCommand> commands;
  for (int i = first; i < argc;) {
    TCommand command;
    command.Name = argv[i++];
    while (i < argc && std::string(argv[i]) != ":::") command.Argv.push_back(argv[i++]);
    if (i < argc) ++i;
    command.Argv.push_back(nullptr);
    if (command.Argv.size() > 1) commands.push_back(std::move(command));
  }
  return commands;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s RUNS WARMUP INPUT NAME CMD [ARGS...] [::: NAME CMD...]\n",
                 argv[0]);
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const int warmup = std::atoi(argv[2]);
  const char* input = argv[3];
  std::vector<TCommand> commands = ParseCommands(argc, argv, 4);
  if (runs < 1 || warmup < 0 || commands.empty()) {
    std::fprintf(stderr, "%s: need at least one run and one command\n", argv[0]);
    return 2;
  }
  for (int round = 0; round < warmup + runs; ++round) {
    for (TCommand& command : commands) {
      const double ms = RunOnce(command, input);
      if (ms < 0) {
        std::fprintf(stderr, "%s: command failed\n", command.Name.c_str());
        return 1;
      }
      if (round >= warmup) command.Millis.push_back(ms);
    }
  }
  for (TCommand& command : commands) {
    std::vector<double>& m = command.Millis;
    std::sort(m.begin(), m.end());
    const size_t half = m.size() / 2;
    const double median = m.size() % 2 ? m[half] : (m[half - 1] + m[half]) / 2;
    std::printf("%s\t%.4f\t%.4f\n", command.Name.c_str(), median, m.front());
  }
  return 0;
}
