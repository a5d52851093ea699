// rssprobe FILE COMMAND [ARGS...]: runs the command and writes its peak
// resident memory in KiB to FILE. A child of the large benchmark process
// would report that process's memory as its own floor; one of this small,
// freshly started program reports only what the command itself used.
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: rssprobe FILE COMMAND [ARGS...]\n");
        return 64;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return 70;
    FILE* out = std::fopen(argv[1], "w");
    if (!out) return 73;
    std::fprintf(out, "%ld\n", usage.ru_maxrss);
    std::fclose(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}
