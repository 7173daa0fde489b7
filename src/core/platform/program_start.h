#pragma once
// The start-a-program service. A file whose first three bytes are "MZP" is
// an update package: it is started by running the package runner on it, with
// the program's folder as working directory. Any other file is executed
// directly (its run bit set first when missing). Tests replace the service.
#include <functional>
#include <string>

namespace veltod {

class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // Starts the file and returns at once.
    virtual void Start(const std::string& path) = 0;
    // Starts the file and waits for it to end, at most timeout_seconds.
    // Returns normally only when it ended with exit status 0; otherwise raises
    // Error with a message naming the file and the reason (could not start,
    // exit status, signal, or still running at the limit, when it is ended).
    virtual void RunAndWait(const std::string& path, int timeout_seconds) = 0;
    // As RunAndWait, asking stop() every few milliseconds while the program
    // runs: once it answers true the program is ended and Stopped raised. A
    // starter that runs nothing for real asks only before it starts.
    virtual void RunAndWaitUnless(const std::string& path, int timeout_seconds, const std::function<bool()>& stop);
    // Runs the program at path with the one argument and waits as RunAndWait
    // does; returns what it wrote to its output only when it ended with exit
    // status 0, and raises Error otherwise (a file that is not a program for
    // this machine cannot start). A starter that runs nothing for real
    // cannot tell, and raises Error.
    virtual std::string RunForAnswer(const std::string& path, const std::string& argument, int timeout_seconds);
};

// The real service: processes started with posix_spawn.
class ProcessStarter : public ProgramStarter {
public:
    void Start(const std::string& path) override;
    void RunAndWait(const std::string& path, int timeout_seconds) override;
    void RunAndWaitUnless(const std::string& path, int timeout_seconds, const std::function<bool()>& stop) override;
    std::string RunForAnswer(const std::string& path, const std::string& argument, int timeout_seconds) override;
};

// The process-wide service (a ProcessStarter unless a test installed another).
ProgramStarter& TheProgramStarter();
void SetProgramStarter(ProgramStarter* starter);  // nullptr restores the real one

// The package runner: "veltod-unpack" beside the running program unless set.
std::string PackageRunnerPath();
void SetPackageRunnerPath(const std::string& path);

}  // namespace veltod
