// Start-up: from spawning the real program to its first chart painted by the
// paint box, offscreen, against spawning /bin/true the same way.
#include "benchsupport.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// The environment of this process with the offscreen platform and the
// program's measuring hook switched on.
std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        if (v.rfind("QT_QPA_PLATFORM=", 0) == 0 ||
            v.rfind("PENTARIX_EXIT_AFTER_FIRST_PRESENT=", 0) == 0)
            continue;
        env.push_back(v);
    }
    env.push_back(std::string("QT_QPA_PLATFORM=") + OffscreenDesktop());
    env.push_back("PENTARIX_EXIT_AFTER_FIRST_PRESENT=1");
    return env;
}

// Wall time of one spawn to exit; exits with a message on any failure.
double SpawnAndWait(const char* path) {
    static const std::vector<std::string> env = ChildEnvironment();
    std::vector<char*> envp;
    for (const std::string& v : env)
        envp.push_back(const_cast<char*>(v.c_str()));
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(path), nullptr};
    const auto t0 = TBenchClock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, path, nullptr, nullptr, argv, envp.data()) != 0) {
        std::fprintf(stderr, "cannot start %s\n", path);
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(TBenchClock::now() - t0).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s ended with status %d\n", path, status);
        std::exit(1);
    }
    return seconds;
}

void BM_SpawnTrue(benchmark::State& state) {
    for (auto _ : state)
        RecordSeconds("spawn/true", SpawnAndWait("/bin/true"));
}
BENCHMARK(BM_SpawnTrue)->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_StartToFirstChart(benchmark::State& state) {
    SpawnAndWait(PENTARIX_EXE); // once to warm the page cache, not counted
    for (auto _ : state)
        RecordSeconds("spawn/pentarix", SpawnAndWait(PENTARIX_EXE));
}
BENCHMARK(BM_StartToFirstChart)->Iterations(15)->Unit(benchmark::kMillisecond);

void Summary() {
    std::printf("Pentarix start-up (medians of 15 spawns, offscreen, this run)\n");
    Line("floor: spawn /bin/true and wait", Ms(Median("spawn/true")));
    const double t = Median("spawn/pentarix");
    Line("pentarix: start to first chart painted, exit", Ms(t), Verdict(t, 0.3, "<= 300 ms"));
}

} // namespace

int main(int argc, char** argv) {
    PrepareQtEnvironment(); // the children inherit the runtime folder
    return RunBenchmarks(argc, argv, Summary);
}
