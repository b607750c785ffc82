// Child processes for the end-to-end tests: a program started with arguments,
// its output caught in files, its exit code awaited.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct Child {
    pid_t pid = -1;
    std::string out, err; // files holding its standard output and error
};

// Starts argv[0] (a path) offscreen in folder cwd with the extra environment
// entries "NAME=value" (they replace inherited ones), standard output and
// error into files in outDir. pid -1 when it cannot be started.
Child Start(const std::vector<std::string> &argv, const std::string &cwd, const std::string &outDir,
            const std::vector<std::string> &env = {});

// Waits up to seconds for the child: its exit code, -1000 when it had to be
// killed, -2000 when a signal ended it.
int WaitExit(const Child &child, double seconds);

// True when the child is still running after the given time (it is left
// running); false when it ended meanwhile (its exit status is collected).
bool StillRunning(const Child &child, double seconds);

// Ends the child with SIGTERM and waits for it as WaitExit does.
int Stop(const Child &child, double seconds);

std::string ReadFile(const std::string &path);
